#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "processing/ProcessingFixture.h"
#include "shell/StringTable.h"
#include "support/CliHarness.h"
#include "support/WaveBuilder.h"
#include "tracks/SongDocument.h"
#include "tracks/TrackSplitter.h"

namespace fs = std::filesystem;

namespace {

using Result = CTrackSplitter::Result;
using Dividers = std::vector<std::pair<uint32_t, std::string>>;

constexpr uint32_t kSecond = 44100 * 4;  // bytes of one second of 16-bit stereo

// A wave of frames frames whose every sample differs from its neighbours, so that a byte out of
// place shows; its data bytes.
Bytes MakeSong(const std::string& path, uint32_t frames, uint16_t channels = 2) {
    std::vector<int64_t> values(size_t{frames} * channels);
    for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<int64_t>((i * 7919) % 65536) - 32768;
    EXPECT_TRUE(WriteWave(path, channels, 44100, 16, values));
    WaveContents w;
    EXPECT_TRUE(ReadWave(path, w));
    return w.data;
}

Bytes DataOf(const std::string& path) {
    WaveContents w;
    return ReadWave(path, w) ? w.data : Bytes{};
}

Bytes Slice(const Bytes& data, uint32_t from, uint32_t to) {
    return Bytes(data.begin() + from, data.begin() + std::min<size_t>(to, data.size()));
}

class TrackSplitterTest : public ProcessingTest {
protected:
    // Whether message id was shown since the messages were last cleared.
    bool Shown(int id) const {
        const std::string& text = LoadString(id);
        const std::string head = text.substr(0, std::min<size_t>(text.find('%'), 30));
        return std::any_of(services.Messages().begin(), services.Messages().end(),
                           [&](const auto& m) { return m.text.rfind(head, 0) == 0; });
    }
    // A 30 s side "Side.wav" in its own folder with dividers at 0, 10 and 20 s.
    std::string ThirtySecondSide(const std::string& folder, Bytes& data) {
        fs::create_directories(dir.File(folder));
        const std::string song = dir.File(folder + "/Side.wav");
        data = MakeSong(song, 30 * 44100);
        Dividers list = {{0, "Intro"}, {10 * kSecond, "Ballad"}, {20 * kSecond, "Finale"}};
        OpenPlain(song, list);
        return song;
    }
    void OpenPlain(const std::string& song, const Dividers& list) {
        auto block = std::make_unique<DividerBlock>();
        for (size_t i = 0; i < list.size(); ++i) {
            block->records[i].position = list[i].first;
            block->SetName(static_cast<int>(i), list[i].second);
        }
        CWaveFile wave;
        ASSERT_EQ(wave.OpenRead(song), kFileOk);
        PeakResults results;
        ASSERT_EQ(CPeakFile::BuildPeakFile(wave, 0, 0, block.get(), static_cast<uint32_t>(list.size()), results), 0);
    }
    CTrackSplitter splitter;
};

TEST_F(TrackSplitterTest, ThreeSongsGiveThreeExactFilesUnderEveryNaming) {
    struct Case {
        int naming;
        std::vector<std::string> files;
    };
    const std::vector<Case> cases = {
        {0, {"Side01.wav", "Side02.wav", "Side03.wav"}},
        {1, {"Sidea.wav", "Sideb.wav", "Sidec.wav"}},
        {2, {"Intro.wav", "Ballad.wav", "Finale.wav"}},
        {3, {"Side1.wav", "Side2.wav", "Side3.wav"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.naming);
        Bytes data;
        const std::string folder = "n" + std::to_string(c.naming);
        const std::string song = ThirtySecondSide(folder, data);
        const std::string out = dir.File(folder + "/tracks");
        std::vector<std::string> names;
        ASSERT_EQ(splitter.SplitIntoTracks(song, out, true, c.naming, &names, false), Result::Done);

        std::vector<std::string> expected;
        for (const auto& f : c.files) expected.push_back(out + "/" + f);
        EXPECT_EQ(names, expected);
        std::vector<std::string> sorted = c.files;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(FilesUnder(out), sorted);  // no file for the empty piece before the first divider
        for (size_t i = 0; i < 3; ++i) {
            WaveContents w;
            ASSERT_TRUE(ReadWave(expected[i], w));
            EXPECT_EQ(w.channels, 2);
            EXPECT_EQ(w.bits, 16);
            EXPECT_EQ(w.rate, 44100u);
            EXPECT_TRUE(w.data == Slice(data, static_cast<uint32_t>(i) * 10 * kSecond, (i + 1) * 10 * kSecond));
        }
        EXPECT_EQ(DataOf(song), data);  // kept
    }
}

TEST_F(TrackSplitterTest, AHundredDividersGiveThreeDigitsOrValidLetterNames) {
    Bytes data;
    fs::create_directories(dir.File("side"));
    const std::string song = dir.File("side/Side.wav");
    data = MakeSong(song, 101 * 1000);
    Dividers list;
    for (uint32_t i = 0; i < 100; ++i) list.emplace_back(i * 4000, "t");
    OpenPlain(song, list);

    for (int naming : {0, 1}) {
        SCOPED_TRACE(naming);
        const std::string out = dir.File("out" + std::to_string(naming));
        std::vector<std::string> names;
        ASSERT_EQ(splitter.SplitIntoTracks(song, out, true, naming, &names, false), Result::Done);
        ASSERT_EQ(names.size(), 100u);
        EXPECT_EQ(FilesUnder(out).size(), 100u);  // every name distinct
        Bytes joined;
        for (const std::string& name : names) {
            const Bytes part = DataOf(name);
            joined.insert(joined.end(), part.begin(), part.end());
            const std::string file = fs::path(name).filename().string();
            // Printable, valid UTF-8 (every byte of a multi-byte character is 0x80 or above).
            for (unsigned char ch : file) EXPECT_TRUE(ch > 0x20 && ch != 0x7F) << file;
            EXPECT_NE(file.find(".wav"), std::string::npos);
        }
        EXPECT_EQ(joined, data);
        if (naming == 0) {
            EXPECT_EQ(fs::path(names.front()).filename(), "Side001.wav");
            EXPECT_EQ(fs::path(names.back()).filename(), "Side100.wav");
        } else {
            EXPECT_EQ(fs::path(names[25]).filename(), "Sidez.wav");
            EXPECT_EQ(fs::path(names[26]).filename(), "Side{.wav");
            EXPECT_EQ(fs::path(names[33]).filename(), "Side\xE2\x80\x9A.wav");  // code 0x82 as shown on a desktop
            EXPECT_EQ(fs::path(names[30]).filename(), "Side31.wav");            // code 0x7F shows nothing
        }
    }
}

TEST_F(TrackSplitterTest, CdAlignmentAndShortPiecesMoveTheCuts) {
    struct Case {
        const char* what;
        uint16_t channels;
        Dividers dividers;
        bool cdAlign;
        std::vector<std::pair<std::string, std::pair<uint32_t, uint32_t>>> files;  // name, data range
        int naming = 0;
    };
    const uint32_t end = 20000 * 2;  // 20000 frames of stereo or 40000 of mono, 80000 bytes
    const std::vector<Case> cases = {
        {"aligned", 2, {{0, "a"}, {10000, "b"}}, true, {{"Side01.wav", {0, 9408}}, {"Side02.wav", {9408, 2 * end}}}},
        {"as is", 2, {{0, "a"}, {10000, "b"}}, false, {{"Side01.wav", {0, 10000}}, {"Side02.wav", {10000, 2 * end}}}},
        // The 50-byte piece is not written; its audio starts the file after it.
        {"50 bytes",
         1,
         {{0, "a"}, {8000, "b"}, {8050, "c"}},
         false,
         {{"Side01.wav", {0, 8000}}, {"Side03.wav", {8000, 2 * end}}}},
        // Audio before the first divider is a piece of its own, numbered 0 even among divider names.
        {"piece 0", 2, {{8000, "Late"}}, false, {{"Late.wav", {8000, 2 * end}}, {"Side00.wav", {0, 8000}}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = dir.File(c.what);
        fs::create_directories(folder);
        const std::string song = folder + "/Side.wav";
        const Bytes data = MakeSong(song, c.channels == 2 ? 20000 : 40000, c.channels);
        OpenPlain(song, c.dividers);
        ASSERT_EQ(splitter.SplitIntoTracks(song, folder + "/out", true, c.naming, nullptr, c.cdAlign), Result::Done);
        std::vector<std::string> expected;
        for (const auto& [name, range] : c.files) {
            expected.push_back(name);
            EXPECT_EQ(DataOf(folder + "/out/" + name), Slice(data, range.first, range.second)) << name;
        }
        EXPECT_EQ(FilesUnder(folder + "/out"), expected);
    }
}

TEST_F(TrackSplitterTest, ADeclinedOverwriteKeepsTheOldFileAndTheSourceWhenAudioWentNowhere) {
    struct Case {
        const char* existing;
        std::vector<std::pair<std::string, std::pair<uint32_t, uint32_t>>> written;
        bool sourceKept;
    };
    const std::vector<Case> cases = {
        // The declined piece's audio starts the next file, so all of it is in files: the source goes.
        {"Side02.wav", {{"Side01.wav", {0, 10}}, {"Side03.wav", {10, 30}}}, false},
        // The last piece declined went nowhere: the source stays.
        {"Side03.wav", {{"Side01.wav", {0, 10}}, {"Side02.wav", {10, 20}}}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.existing);
        Bytes data;
        const std::string folder = std::string("declined_") + c.existing;
        const std::string song = ThirtySecondSide(folder, data);
        const std::string out = dir.File(folder + "/out");
        fs::create_directories(out);
        const Bytes old = {'o', 'l', 'd'};
        ASSERT_TRUE(WriteBytes(out + "/" + c.existing, old));
        services.QueueAnswer(MsgAnswer::No);
        services.ClearMessages();
        std::vector<std::string> names;
        ASSERT_EQ(splitter.SplitIntoTracks(song, out, false, 0, &names, false), Result::Done);

        EXPECT_TRUE(Shown(294));
        EXPECT_EQ(ReadBytes(out + "/" + c.existing), old);
        ASSERT_EQ(names.size(), c.written.size());
        for (size_t i = 0; i < c.written.size(); ++i) {
            const auto& [name, range] = c.written[i];
            EXPECT_EQ(names[i], out + "/" + name);
            EXPECT_TRUE(DataOf(names[i]) == Slice(data, range.first * kSecond, range.second * kSecond)) << name;
        }
        EXPECT_EQ(fs::exists(song), c.sourceKept);
        EXPECT_EQ(fs::exists(PeakFileName(song)), c.sourceKept);
        EXPECT_FALSE(c.sourceKept && DataOf(song) != data);
    }
}

TEST_F(TrackSplitterTest, ASessionIsSplitAsItsStreamAndGoesWithAllItsFiles) {
    Bytes data;
    const std::string song = ThirtySecondSide("cut", data);
    {
        CWaveFile wave;
        wave.SetSessionMode(true);
        wave.Session().SetTempPath(settings.TempPath);
        ASSERT_EQ(wave.OpenRead(song), kFileOk);
        ASSERT_GE(wave.Session().AddCutStep(5 * kSecond, 6 * kSecond), 0);
        auto block = std::make_unique<DividerBlock>();
        block->records[1].position = 9 * kSecond;
        block->records[2].position = 19 * kSecond;
        wave.Session().SetDividers(*block, 3);
        wave.Close();
    }
    ASSERT_TRUE(fs::exists(SessionFileName(song)));
    ASSERT_FALSE(TempFiles().empty());

    const std::string out = dir.File("cut/out");
    std::vector<std::string> names;
    ASSERT_EQ(splitter.SplitIntoTracks(song, out, false, 3, &names, false), Result::Done);
    Bytes stream = Slice(data, 0, 5 * kSecond);
    const Bytes after = Slice(data, 6 * kSecond, 30 * kSecond);
    stream.insert(stream.end(), after.begin(), after.end());
    ASSERT_EQ(names.size(), 3u);
    EXPECT_TRUE(DataOf(names[0]) == Slice(stream, 0, 9 * kSecond));
    EXPECT_TRUE(DataOf(names[1]) == Slice(stream, 9 * kSecond, 19 * kSecond));
    EXPECT_TRUE(DataOf(names[2]) == Slice(stream, 19 * kSecond, 29 * kSecond));

    EXPECT_FALSE(fs::exists(song));
    EXPECT_FALSE(fs::exists(PeakFileName(song)));
    EXPECT_FALSE(fs::exists(SessionFileName(song)));
    EXPECT_TRUE(TempFiles().empty());  // the cut's step file went with its session
}

TEST_F(TrackSplitterTest, FailuresHaltWithTheirMessageAndLeaveNoPartFileNorLoseTheSource) {
    enum class Break { FolderUnderFile, FolderAsTarget, Cancel };
    struct Case {
        const char* what;
        Break how;
        Result result;
        int message;  // 0: none
        std::vector<std::string> left;
    };
    const std::vector<Case> cases = {
        {"folder under a file", Break::FolderUnderFile, Result::Failed, 385, {}},
        {"target is a folder", Break::FolderAsTarget, Result::Failed, 318, {"Side01.wav"}},
        {"cancelled", Break::Cancel, Result::Cancelled, 0, {"Side01.wav"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes data;
        const std::string folder = std::string("fail") + std::to_string(static_cast<int>(c.how));
        const std::string song = ThirtySecondSide(folder, data);
        std::string out = dir.File(folder + "/out");
        services.onPump = nullptr;
        if (c.how == Break::FolderUnderFile) {
            ASSERT_TRUE(WriteBytes(dir.File(folder + "/plain"), {'x'}));
            out = dir.File(folder + "/plain/out");
        } else if (c.how == Break::FolderAsTarget) {
            fs::create_directories(out + "/Side02.wav");
        } else {
            // Side01 takes two blocks; the cancel lands in the middle of Side02.
            services.onPump = [this](int) {
                if (services.ProgressText().find("Side02") != std::string::npos) CancelFlag().store(true);
            };
        }
        services.ClearMessages();
        EXPECT_EQ(splitter.SplitIntoTracks(song, out, false, 0, nullptr, false), c.result);
        services.onPump = nullptr;
        for (int id : {318, 385}) EXPECT_EQ(Shown(id), id == c.message) << id;
        if (c.how != Break::FolderUnderFile) {
            EXPECT_EQ(FilesUnder(out), c.left);
        }
        EXPECT_EQ(DataOf(song), data);
        EXPECT_TRUE(fs::exists(PeakFileName(song)));
    }
    EXPECT_FALSE(fs::exists(dir.File("fail0/plain/out")));
}

TEST_F(TrackSplitterTest, HostileDividerNamesStayInsideTheFolderAndSpareTheSource) {
    fs::create_directories(dir.File("work"));
    const std::string song = dir.File("work/Side.wav");
    const Bytes data = MakeSong(song, 8 * 1000);
    const std::string longName(255, 'x');
    OpenPlain(song, {{0, "../escape"},
                     {4000, "a/b"},
                     {8000, ".."},
                     {12000, ""},
                     {16000, "\x01\x7f"},
                     {20000, longName},
                     {24000, "Side"},
                     {28000, "/"}});
    const auto before = FilesUnder(dir.Path());
    std::vector<std::string> names;
    ASSERT_EQ(splitter.SplitIntoTracks(song, dir.File("work"), true, 2, &names, false), Result::Done);

    std::vector<std::string> expected = {".._escape.wav", "a_b.wav", "Side03.wav",
                                         "Side04.wav",    "__.wav",  std::string(251, 'x') + ".wav",
                                         "Side1.wav",     "_.wav"};  // "Side" would be the source itself
    ASSERT_EQ(names.size(), expected.size());
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(names[i], dir.File("work/" + expected[i]));
    auto after = FilesUnder(dir.Path());
    expected.push_back("Side.ses");  // the session the opening made stays with the kept source
    for (const auto& name : expected) after.erase(std::remove(after.begin(), after.end(), "work/" + name), after.end());
    EXPECT_EQ(after, before);  // nothing landed anywhere else
    EXPECT_EQ(DataOf(song), data);
}

TEST_F(TrackSplitterTest, ChopIntoTunesAsksClosesTheSongAndReplacesItByItsTracks) {
    Bytes data;
    const std::string song = ThirtySecondSide("bin1", data);
    const std::string bin2 = dir.File("bin2");
    CSongDocument doc;
    ASSERT_EQ(doc.Open(song, true), kFileOk);

    services.QueueAnswer(MsgAnswer::Cancel);
    EXPECT_EQ(splitter.ChopIntoTunes(doc, bin2), Result::Declined);
    EXPECT_TRUE(doc.IsOpen());
    EXPECT_FALSE(fs::exists(bin2));

    doc.Dividers().Rename(2, "Last Song");  // renamed on screen, not yet stored
    EXPECT_EQ(splitter.ChopIntoTunes(doc, bin2), Result::Done);
    EXPECT_FALSE(doc.IsOpen());
    EXPECT_FALSE(services.ProgressIsOpen());
    EXPECT_EQ(FilesUnder(bin2), (std::vector<std::string>{"Ballad.wav", "Intro.wav", "Last Song.wav"}));
    EXPECT_TRUE(DataOf(bin2 + "/Last Song.wav") == Slice(data, 20 * kSecond, 30 * kSecond));
    EXPECT_TRUE(FilesUnder(dir.File("bin1")).empty());
}

}  // namespace
