// What the workflow tests share: the processing fixture's folders, settings,
// store and services, with the three bins made, and a song list.
#pragma once

#include <filesystem>
#include <string>

#include "cd/SongList.h"
#include "support/FilterHarness.h"

class ShellFixture : public ProcessingTest {
protected:
    void SetUp() override {
        ProcessingTest::SetUp();
        for (const std::string* bin : {&settings.Bin1Path, &settings.Bin2Path, &settings.Bin3Path}) {
            std::filesystem::create_directories(*bin);
        }
    }

    CSongList songs;
};
