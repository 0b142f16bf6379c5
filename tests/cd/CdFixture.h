// What the CD tests share: a temporary folder holding the bins and the
// settings file, headless services that record messages, and the program-wide
// state (song list, drive opener, cancel flag) reset around each test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "base/AppSettings.h"
#include "base/HeadlessServices.h"
#include "base/SettingsStore.h"
#include "cd/CdDriveList.h"
#include "cd/SongList.h"
#include "support/TempDir.h"

class CdFixture : public ::testing::Test {
protected:
    void SetUp() override {
        SetServices(&services);
        CancelFlag().store(false);
        SongList() = CSongList();
        settings.UseSounds = 0;
        std::filesystem::create_directories(settings.Bin1Path);
        std::filesystem::create_directories(settings.Bin3Path);
        std::filesystem::create_directories(settings.TempPath);
    }
    void TearDown() override {
        CCdDriveList::SetOpener(nullptr);
        CancelFlag().store(false);
        SetServices(nullptr);
    }
    // The texts of every message shown so far.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& m : services.Messages()) texts.push_back(m.text);
        return texts;
    }

    TempDir dir;
    CHeadlessServices services;
    CSettingsStore store{dir.File("Restova.ini")};
    AppSettings settings{dir.Path().string(), dir.Path().string()};
};
