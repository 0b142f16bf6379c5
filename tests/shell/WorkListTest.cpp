#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "audiofile/DividerBlock.h"
#include "audiofile/PeakFile.h"
#include "base/AppSettings.h"
#include "base/HeadlessServices.h"
#include "base/StringTable.h"
#include "cd/SongList.h"
#include "shell/PickFiles.h"
#include "shell/ShellFixture.h"
#include "shell/SongFiles.h"
#include "shell/WorkList.h"
#include "support/WaveBuilder.h"

namespace {

class WorkListTest : public ShellFixture {
protected:
    void SetUp() override {
        ShellFixture::SetUp();
        CWorkList::RememberedRow() = -1;
    }
    // A second of quiet CD audio, with a peak file holding these dividers (seconds) and status bytes.
    static void WriteSong(const std::string& path, const std::vector<double>& dividers = {},
                          const char* status = "\0\0\0") {
        ASSERT_TRUE(WriteBytes(path, BuildWave({}, Bytes(4 * 44100, 0))));
        DividerBlock block{};
        for (size_t i = 0; i < dividers.size(); ++i) {
            block.records[i].position = static_cast<uint32_t>(dividers[i] * 44100) * 4;
            block.SetName(static_cast<int>(i), "Track " + std::to_string(i + 1));
        }
        std::memcpy(block.Bytes() + DividerBlock::kStatusOffset, status, 3);
        ASSERT_EQ(CPeakFile::WritePeakFile(path, {}, &block, static_cast<uint32_t>(dividers.size())), 0);
    }
    // How many messages shown hold this part of their text.
    int Count(const std::string& part) const {
        int n = 0;
        for (const auto& m : services.Messages()) n += m.text.find(part) != std::string::npos;
        return n;
    }
};

}  // namespace

TEST(BinTexts, SizeAndDuration) {
    const std::pair<uint64_t, const char*> sizes[] = {
        {0, "     0 B"},         {9999, "  9999 B"},       {10000, "    10 kB"},      {9999999, "  9999 kB"},
        {10000000, "    10 MB"}, {999999999, "   999 MB"}, {1000000000, "     1 GB"}, {123456789012, "   123 GB"}};
    for (auto [bytes, text] : sizes) EXPECT_EQ(CPickFiles::SizeText(bytes), text) << bytes;
    const std::pair<double, const char*> durations[] = {
        {0, "--:--:--"},       {-1, "--:--:--"},           {0.0125, "  12.5ms"},    {1, "00:01.0000"},
        {61.25, "01:01.2500"}, {3599.99995, "59:59.9999"}, {3600, "01:00:00.0000"}, {7322.5, "02:02:02.5000"}};
    for (auto [seconds, text] : durations) EXPECT_EQ(CWorkList::FormatDuration(seconds), text) << seconds;
}

TEST_F(WorkListTest, StatusColumnsAndBytes) {
    const std::string song = settings.Bin2Path + "/a.wav";
    WriteSong(song, {}, "101");
    CWorkList list(settings, songs);
    list.Open();
    ASSERT_EQ(list.Rows().size(), 1u);
    EXPECT_EQ(list.Rows()[0].length, "00:01.0000");
    EXPECT_EQ(std::string(CWorkList::YesNo(list.Rows()[0].clean)) + CWorkList::YesNo(list.Rows()[0].enhance) +
                  CWorkList::YesNo(list.Rows()[0].final),
              "YNY");
    // Clearing writes the character '0', never a zero byte.
    ASSERT_TRUE(CSongFiles::SetStatus(song, CSongFiles::kClean, false));
    ASSERT_TRUE(CSongFiles::SetStatus(song, CSongFiles::kEnhance, true));
    DividerBlock block{};
    uint32_t count = 0;
    ASSERT_TRUE(CPeakFile::ReadDividers(song, block, count));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.Bytes()) + DividerBlock::kStatusOffset, 3), "011");
}

TEST_F(WorkListTest, CopyAsksBeforeReplacingAndSelectsTheCopy) {
    WriteSong(settings.Bin1Path + "/a.wav", {0.5}, "1\0\0");
    WriteSong(settings.Bin1Path + "/b.wav");
    songs.Append(settings.Bin1Path + "/a.wav");
    songs.Append(settings.Bin1Path + "/b.wav");
    CWorkList list(settings, songs);
    list.Open();
    list.CopyToWorklist();
    ASSERT_EQ(list.Rows().size(), 2u);
    EXPECT_TRUE(list.Rows()[list.FindRow("a.wav")].clean);  // the peak file came along
    EXPECT_EQ(CSongFiles::DividerCount(settings.Bin2Path + "/a.wav"), 1u);
    EXPECT_EQ(services.ProgressText(), "Please Wait: Copying file \"b.wav\"");
    EXPECT_EQ(Count("already exists, do you wish to overwrite it?"), 0);

    // Again: both exist; No keeps a.wav as it is, Yes replaces b.wav.
    WriteSong(settings.Bin1Path + "/a.wav", {}, "\0\0\0");
    services.QueueAnswer(MsgAnswer::No);
    services.QueueAnswer(MsgAnswer::Yes);
    list.CopyToWorklist();
    EXPECT_EQ(Count("already exists, do you wish to overwrite it?"), 2);
    EXPECT_EQ(CSongFiles::DividerCount(settings.Bin2Path + "/a.wav"), 1u);
    EXPECT_EQ(list.SelectedCount(), 1u);
    EXPECT_TRUE(list.Rows()[list.FindRow("b.wav")].selected);
    EXPECT_EQ(songs.Current(), settings.Bin2Path + "/b.wav");
}

TEST_F(WorkListTest, SendSplitsAtDividersWithoutAskingAndFillsThePlaylist) {
    WriteSong(settings.Bin2Path + "/album.wav", {0.0, 0.25, 0.5});
    WriteSong(settings.Bin2Path + "/single.wav");
    WriteSong(settings.Bin3Path + "/single.wav");
    CWorkList list(settings, songs);
    list.Open();
    list.SelectAll();
    services.QueueAnswer(MsgAnswer::Yes);  // single.wav is in Bin3 already
    list.SendToCdWriter();
    EXPECT_EQ(Count("already exists, do you wish to overwrite it?"), 1);
    CSongList playlist;
    ASSERT_TRUE(playlist.Load(settings.Bin3Path + "/RestovaCdPlaylist.pl"));
    std::vector<std::string> names;
    for (size_t i = 0; i < playlist.Count(); ++i)
        names.push_back(playlist.Path(i).substr(settings.Bin3Path.size() + 1));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Track 1.wav", "Track 2.wav", "Track 3.wav", "single.wav"}));
    for (const std::string& name : names) EXPECT_TRUE(std::filesystem::exists(settings.Bin3Path + "/" + name)) << name;
    EXPECT_TRUE(std::filesystem::exists(settings.Bin2Path + "/album.wav"));  // the working copy stays
}

TEST_F(WorkListTest, DeleteAndRenameCarryTheCompanions) {
    WriteSong(settings.Bin2Path + "/a.wav");
    WriteSong(settings.Bin2Path + "/b.wav");
    WriteSong(settings.Bin2Path + "/c.wav");
    CWorkList list(settings, songs);
    list.Open();
    list.SelectOnly(static_cast<size_t>(list.FindRow("a.wav")));
    ASSERT_TRUE(list.Rename(static_cast<size_t>(list.FindRow("a.wav")), "first"));
    EXPECT_TRUE(std::filesystem::exists(settings.Bin2Path + "/first.pkf"));
    EXPECT_FALSE(std::filesystem::exists(settings.Bin2Path + "/a.pkf"));
    EXPECT_FALSE(list.Rename(static_cast<size_t>(list.FindRow("first.wav")), "b"));  // never over another song
    EXPECT_EQ(Count("occured while trying to rename the file"), 1);

    list.FillWorklist();
    for (const char* name : {"b.wav", "c.wav"}) list.SetSelected(static_cast<size_t>(list.FindRow(name)), true);
    services.QueueAnswer(MsgAnswer::Yes);
    ASSERT_TRUE(list.DeleteSelected());
    EXPECT_EQ(Count("delete all of the the selected files from the worklist"), 1);
    EXPECT_EQ(Count("remove the selected from the worklist"), 0);
    for (const char* name : {"b.wav", "b.pkf", "c.wav", "c.pkf"}) {
        EXPECT_FALSE(std::filesystem::exists(settings.Bin2Path + "/" + name)) << name;
    }
}
