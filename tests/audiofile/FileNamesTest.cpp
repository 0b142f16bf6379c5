#include <gtest/gtest.h>

#include <fstream>

#include "audiofile/FileNames.h"
#include "support/TempDir.h"

namespace {

void Touch(const std::string& path) {
    std::ofstream(path) << "x";
}

TEST(FileNamesTest, CompanionNamesReplaceOrAppendTheExtension) {
    EXPECT_EQ(SessionFileName("/m/Song.wav"), "/m/Song.ses");
    EXPECT_EQ(PeakFileName("/m/Song.wav"), "/m/Song.pkf");
    EXPECT_EQ(SessionFileName("/m/Song"), "/m/Song.ses");
    EXPECT_EQ(PeakFileName("/m/a.b.wav"), "/m/a.b.pkf");
    // A leading dot is a hidden name, and a dot in a folder is no extension.
    EXPECT_EQ(PeakFileName("/m/.wav"), "/m/.wav.pkf");
    EXPECT_EQ(SessionFileName("/m.d/Song"), "/m.d/Song.ses");
    EXPECT_EQ(FileInTempDir("/t", "x.wav"), "/t/x.wav");
    EXPECT_EQ(FileInTempDir("/t/", "x.wav"), "/t/x.wav");
}

TEST(FileNamesTest, NumberedVariantCountsUpFromTheLargerNumber) {
    TempDir dir;
    const std::string song = dir.File("Song12.wav");
    EXPECT_EQ(NumberedVariant(song, 1000), dir.File("Song1000.wav"));
    EXPECT_EQ(NumberedVariant(song, 1), song);
    Touch(song);
    EXPECT_EQ(NumberedVariant(song, 1), dir.File("Song13.wav"));
    Touch(dir.File("Song13.wav"));
    EXPECT_EQ(NumberedVariant(song, 1), dir.File("Song14.wav"));
    EXPECT_EQ(NumberedVariant(dir.File("Take"), 0), dir.File("Take1"));

    // The search ends at 9999, taken even when it exists.
    Touch(dir.File("Last9999.wav"));
    EXPECT_EQ(NumberedVariant(dir.File("Last9998.wav"), 9999), dir.File("Last9999.wav"));

    // Long base names are cut to 250 characters before the number.
    const std::string longBase(300, 'a');
    EXPECT_EQ(NumberedVariant(dir.File(longBase + ".wav"), 5), dir.File(std::string(250, 'a') + "5.wav"));
}

TEST(FileNamesTest, TempWaveNamesSkipTakenNumbersAndWarnNearTheEnd) {
    TempDir dir;
    const std::string tmp = dir.Path().string();
    bool crowded = true;
    EXPECT_EQ(TempWaveName(tmp, 1, &crowded), dir.File("dctmp1.wav"));
    EXPECT_FALSE(crowded);
    Touch(dir.File("dctmp1.wav"));
    Touch(dir.File("dctmp2.wav"));
    EXPECT_EQ(TempWaveName(tmp + "/", 1), dir.File("dctmp3.wav"));

    EXPECT_EQ(TempWaveName(tmp, 9900, &crowded), dir.File("dctmp9900.wav"));
    EXPECT_FALSE(crowded);
    Touch(dir.File("dctmp9998.wav"));
    Touch(dir.File("dctmp9999.wav"));
    EXPECT_EQ(TempWaveName(tmp, 9998, &crowded), dir.File("dctmp9999.wav"));
    EXPECT_TRUE(crowded);
}

}  // namespace
