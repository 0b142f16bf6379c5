// What the CD tests share: the processing fixture's folders, settings, store
// and services with the bins made, and the program-wide song list and drive
// opener reset around each test.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cd/CdDriveList.h"
#include "cd/CdRipper.h"
#include "cd/SongList.h"
#include "support/FilterHarness.h"

class CdFixture : public ProcessingTest {
protected:
    void SetUp() override {
        ProcessingTest::SetUp();
        SongList() = CSongList();
        settings.UseSounds = 0;
        std::filesystem::create_directories(settings.Bin1Path);
        std::filesystem::create_directories(settings.Bin3Path);
    }
    void TearDown() override {
        CCdDriveList::SetOpener(nullptr);
        ProcessingTest::TearDown();
    }
    // A ripper on the disc images in folder with the last drive (the last image) chosen and its tracks read.
    std::unique_ptr<CCdRipper> ImageRipper(const std::string& folder) {
        store.WriteProfileString("CDRip", "ImageFolder", folder);
        auto ripper = std::make_unique<CCdRipper>(store, settings);
        EXPECT_TRUE(ripper->Open());
        ripper->SelectDrive(static_cast<int>(ripper->Drives().size()) - 1);
        EXPECT_TRUE(ripper->ReadTrackList());
        return ripper;
    }
    // The texts of every message shown so far.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& m : services.Messages()) texts.push_back(m.text);
        return texts;
    }

    CSettingsStore& store = profile;
};
