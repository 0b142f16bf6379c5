// Splitting a recording into one wave per track: sample-exact pieces, names
// that are always one safe file name, cuts moved by CD alignment and short
// pieces, overwrite questions, sessions, failures, and the Chop Into Tunes
// command.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "base/StringTable.h"
#include "support/CliHarness.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"
#include "tracks/SongDocument.h"
#include "tracks/TrackSplitter.h"

namespace fs = std::filesystem;

namespace {

using Result = CTrackSplitter::Result;
using Dividers = std::vector<std::pair<uint32_t, std::string>>;
using Files = std::vector<std::pair<std::string, std::pair<uint32_t, uint32_t>>>;  // name, data bytes

constexpr uint32_t kSecond = 44100 * 4;  // bytes of one second of 16-bit stereo

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
        const std::string& text = LoadString(MsgId(id));
        const std::string head = text.substr(0, std::min<size_t>(text.find('%'), 30));
        return std::any_of(services.Messages().begin(), services.Messages().end(),
                           [&](const auto& m) { return m.text.rfind(head, 0) == 0; });
    }
    // "Side.wav" of frames frames in its own folder, every sample different from its neighbours (so that a
    // byte out of place shows), with dividers in its peak file; its data bytes.
    Bytes MakeSide(const std::string& folder, uint32_t frames, const Dividers& list, uint16_t channels = 2) {
        fs::create_directories(dir.File(folder));
        const std::string song = dir.File(folder + "/Side.wav");
        std::vector<int64_t> values(size_t{frames} * channels);
        for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<int64_t>((i * 7919) % 65536) - 32768;
        EXPECT_TRUE(WriteWave(song, channels, 44100, 16, values));
        auto block = std::make_unique<DividerBlock>();
        for (size_t i = 0; i < list.size(); ++i) {
            block->records[i].position = list[i].first;
            block->SetName(static_cast<int>(i), list[i].second);
        }
        CWaveFile wave;
        EXPECT_EQ(wave.OpenRead(song), kFileOk);
        PeakResults results;
        EXPECT_EQ(CPeakFile::BuildPeakFile(wave, 0, 0, block.get(), static_cast<uint32_t>(list.size()), results), 0);
        return DataOf(song);
    }
    // A 30 s side with dividers at 0, 10 and 20 s.
    Bytes ThirtySecondSide(const std::string& folder) {
        return MakeSide(folder, 30 * 44100, {{0, "Intro"}, {10 * kSecond, "Ballad"}, {20 * kSecond, "Finale"}});
    }
    CTrackSplitter splitter;
};

TEST_F(TrackSplitterTest, PieceNamesAreAlwaysOneDistinctSafeFileName) {
    auto block = std::make_unique<DividerBlock>();
    const std::vector<std::string> hostile = {"../escape", "a/b", "..", "", "\x01\x7f", std::string(255, 'x'), "/"};
    for (size_t i = 0; i < hostile.size(); ++i) block->SetName(static_cast<int>(i), hostile[i]);
    std::string accents;  // 250 bytes of two-byte characters
    for (int i = 0; i < 125; ++i) accents += "\xC3\xA9";
    const struct {
        int naming;
        std::string base;
        int k;
        uint32_t count;
        std::string want;
    } cases[] = {
        {0, "Side", 1, 100, "Side001.wav"},
        {0, "Side", 100, 100, "Side100.wav"},
        {0, accents, 1, 3, accents.substr(0, 248) + "01.wav"},  // cut on a character boundary
        {1, "Side", 26, 100, "Sidez.wav"},
        {1, "Side", 27, 100, "Side{.wav"},
        {1, "Side", 31, 100, "Side31.wav"},            // code 0x7F shows nothing
        {1, "Side", 34, 100, "Side\xE2\x80\x9A.wav"},  // code 0x82 as shown on a desktop
        {2, "Side", 1, 7, ".._escape.wav"},
        {2, "Side", 2, 7, "a_b.wav"},
        {2, "Side", 3, 7, "Side03.wav"},
        {2, "Side", 4, 7, "Side04.wav"},
        {2, "Side", 5, 7, "__.wav"},
        {2, "Side", 6, 7, std::string(251, 'x') + ".wav"},
        {2, "Side", 7, 7, "_.wav"},
        {2, "Side", 0, 7, "Side00.wav"},  // the audio before the first divider
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CTrackSplitter::PieceFileName(c.naming, c.base, c.k, c.count, *block), c.want)
            << c.naming << " " << c.k;
    }
    // With 100 dividers every piece gets a name of its own, printable and without a separator.
    for (int naming : {0, 1}) {
        std::set<std::string> names;
        for (int k = 0; k <= 100; ++k) {
            const std::string name = CTrackSplitter::PieceFileName(naming, "Side", k, 100, *block);
            names.insert(name);
            for (unsigned char ch : name) EXPECT_TRUE(ch > 0x20 && ch != 0x7F && ch != '/') << name;
        }
        EXPECT_EQ(names.size(), 101u) << naming;
    }
}

TEST_F(TrackSplitterTest, CdAlignmentShortPiecesExistingFilesAndTheSourceMoveOrRenameThePieces) {
    const Dividers three = {{0, "a"}, {20000, "b"}, {40000, "c"}};
    const struct {
        const char* what;
        uint16_t channels;
        Dividers dividers;
        bool cdAlign;
        int naming;
        Files files;  // in the order written
        bool intoSourceFolder = false;
        const char* declined = nullptr;  // a file already there, not to be overwritten; the source may go
        bool sourceKept = true;
    } cases[] = {
        {"aligned", 2, {{0, "a"}, {10000, "b"}}, true, 0, {{"Side01.wav", {0, 9408}}, {"Side02.wav", {9408, 80000}}}},
        {"as is", 2, {{0, "a"}, {10000, "b"}}, false, 0, {{"Side01.wav", {0, 10000}}, {"Side02.wav", {10000, 80000}}}},
        // The 50-byte piece is not written; its audio starts the file after it.
        {"50 bytes",
         1,
         {{0, "a"}, {8000, "b"}, {8050, "c"}},
         false,
         0,
         {{"Side01.wav", {0, 8000}}, {"Side03.wav", {8000, 80000}}}},
        // Audio before the first divider is a piece of its own, numbered 0 even among divider names.
        {"piece 0", 2, {{8000, "Late"}}, false, 2, {{"Side00.wav", {0, 8000}}, {"Late.wav", {8000, 80000}}}},
        // A track named like the source, split next to it, must not overwrite it.
        {"source", 2, {{0, "Side"}, {8000, "x"}}, false, 2, {{"Side1.wav", {0, 8000}}, {"x.wav", {8000, 80000}}}, true},
        // A declined piece's audio starts the next file, so all of it is in files: the source goes.
        {"no 2",
         2,
         three,
         false,
         0,
         {{"Side01.wav", {0, 20000}}, {"Side03.wav", {20000, 80000}}},
         false,
         "Side02.wav",
         false},
        // The last piece declined went nowhere: the source stays.
        {"no 3", 2, three, false, 0, {{"Side01.wav", {0, 20000}}, {"Side02.wav", {20000, 40000}}}, false, "Side03.wav"},
    };
    const Bytes old = {'o', 'l', 'd'};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Bytes data = MakeSide(c.what, 80000 / 2 / c.channels, c.dividers, c.channels);
        const std::string folder = dir.File(c.what);
        const std::string song = folder + "/Side.wav";
        const std::string out = c.intoSourceFolder ? folder : folder + "/out";
        if (c.declined) {
            fs::create_directories(out);
            ASSERT_TRUE(WriteBytes(out + "/" + c.declined, old));
            services.QueueAnswer(MsgAnswer::No);
        }
        services.ClearMessages();
        std::vector<std::string> names;
        ASSERT_EQ(splitter.SplitIntoTracks(song, out, !c.declined, c.naming, &names, c.cdAlign), Result::Done);
        ASSERT_EQ(names.size(), c.files.size());
        for (size_t i = 0; i < names.size(); ++i) {
            const auto& [name, range] = c.files[i];
            EXPECT_EQ(names[i], out + "/" + name);
            EXPECT_EQ(DataOf(names[i]), Slice(data, range.first, range.second)) << name;
            WaveContents w;
            ASSERT_TRUE(ReadWave(names[i], w));
            EXPECT_EQ(std::make_tuple(w.channels, w.bits, w.rate), std::make_tuple(c.channels, uint16_t{16}, 44100u));
        }
        EXPECT_EQ(Shown(kMsgOverwriteTrack), c.declined != nullptr);
        if (c.declined) {
            EXPECT_EQ(ReadBytes(out + "/" + c.declined), old);
        }
        EXPECT_EQ(fs::exists(PeakFileName(song)), c.sourceKept);
        EXPECT_EQ(DataOf(song), c.sourceKept ? data : Bytes{});
    }
}

TEST_F(TrackSplitterTest, ASessionIsSplitAsItsStreamAndGoesWithAllItsFiles) {
    const Bytes data = ThirtySecondSide("cut");
    const std::string song = dir.File("cut/Side.wav");
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
    ASSERT_FALSE(TempFiles().empty());

    std::vector<std::string> names;
    ASSERT_EQ(splitter.SplitIntoTracks(song, dir.File("cut/out"), false, 3, &names, false), Result::Done);
    Bytes stream = Slice(data, 0, 5 * kSecond);
    const Bytes after = Slice(data, 6 * kSecond, 30 * kSecond);
    stream.insert(stream.end(), after.begin(), after.end());
    ASSERT_EQ(names.size(), 3u);
    for (uint32_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(DataOf(names[i]) == Slice(stream, i == 0 ? 0 : (i * 10 - 1) * kSecond, (i * 10 + 9) * kSecond));
    }
    EXPECT_EQ(FilesUnder(dir.File("cut")),
              (std::vector<std::string>{"out/Side1.wav", "out/Side2.wav", "out/Side3.wav"}));
    EXPECT_TRUE(TempFiles().empty());  // the cut's step file went with its session
}

TEST_F(TrackSplitterTest, FailuresHaltWithTheirMessageAndLeaveNoPartFileNorLoseTheSource) {
    enum class Break { FolderUnderFile, FolderAsTarget, Cancel };
    const struct {
        const char* what;
        Break how;
        Result result;
        int message;  // 0: none
        std::vector<std::string> left;
    } cases[] = {
        {"folder under a file", Break::FolderUnderFile, Result::Failed, 385, {}},
        {"target is a folder", Break::FolderAsTarget, Result::Failed, 318, {"Side01.wav"}},
        {"cancelled", Break::Cancel, Result::Cancelled, 0, {"Side01.wav"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = std::string("fail") + std::to_string(static_cast<int>(c.how));
        const Bytes data = ThirtySecondSide(folder);
        const std::string song = dir.File(folder + "/Side.wav");
        std::string out = dir.File(folder + "/out");
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

TEST_F(TrackSplitterTest, ChopIntoTunesAsksClosesTheSongAndReplacesItByItsTracks) {
    const Bytes data = ThirtySecondSide("bin1");
    const std::string bin2 = dir.File("bin2");
    CSongDocument doc;
    ASSERT_EQ(doc.Open(dir.File("bin1/Side.wav"), true), kFileOk);

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
