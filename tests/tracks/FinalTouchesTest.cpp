// The Final Touches edits on real waves, in session mode (then committed) and
// in plain mode: trim and fade lengths and selections, the fade shapes, gain
// maximizing, range and track cuts with their dividers, and a plain-mode cut
// that fails half way.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "audiofile/FileNames.h"
#include "devices/FilePreviewPlayer.h"
#include "processing/FilterRunner.h"
#include "processing/ProcessingFixture.h"
#include "shell/StringTable.h"
#include "support/WaveBuilder.h"
#include "tracks/FinalTouches.h"
#include "tracks/RecordingPlayer.h"
#include "tracks/SongDocument.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRate = 8000;
constexpr uint32_t kSecond = kRate * 2;  // bytes of one second of 16-bit mono

// Values that differ from frame to frame, so that a misplaced byte shows.
std::vector<int64_t> Ramp(uint32_t seconds, int64_t level = 12000) {
    std::vector<int64_t> v(kRate * seconds);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<int64_t>(i % 2001) - 1000 + level * (i % 2 ? 1 : -1) / 2;
    return v;
}

class FinalTouchesTest : public ProcessingTest {
protected:
    std::string MakeSong(const std::string& name, const std::vector<int64_t>& values) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(WriteWave(path, 1, kRate, 16, values));
        return path;
    }
    // Opens song in the given mode with the runner and the player attached.
    std::unique_ptr<CSongDocument> Open(const std::string& song, bool session) {
        auto doc = std::make_unique<CSongDocument>();
        doc->SetRunner(&runner);
        doc->SetPlayer(&player);
        EXPECT_EQ(doc->Open(song, session), 0);
        return doc;
    }
    // The song's samples once the document is closed (a session committed first).
    std::vector<int64_t> Finish(CSongDocument& doc) {
        EXPECT_TRUE(doc.Close(true, true));
        WaveContents w;
        EXPECT_TRUE(ReadWave(doc.Path(), w));
        return DecodeSamples(16, w.data);
    }
    bool Shown(int id) const {
        for (const auto& m : services.Messages()) {
            if (m.text == FormatString(id)) return true;
        }
        return false;
    }

    CFilterRunner runner;
    CRecordingPlayer player;
};

}  // namespace

TEST_F(FinalTouchesTest, LengthStepsFollowTheirRules) {
    struct Steps {
        uint32_t (*next)(uint32_t, bool);
        uint32_t from;
        bool more;
        std::vector<uint32_t> expected;
    };
    const std::vector<Steps> cases = {
        {CFinalTouches::NextTrimLength, 4000, true, {4250, 4500}},
        {CFinalTouches::NextTrimLength, 4000, false, {3750}},
        {CFinalTouches::NextTrimLength, 250, false, {125, 62, 31, 15, 10, 10}},
        {CFinalTouches::NextTrimLength, 10, true, {20, 40, 80, 160, 320, 570, 820}},
        {CFinalTouches::NextFadeLength, 250, false, {10}},
        {CFinalTouches::NextFadeLength, 240, false, {120, 60}},
        {CFinalTouches::NextFadeLength, 240, true, {480, 730}},
        {CFinalTouches::NextTrimLength, UINT32_MAX, true, {UINT32_MAX}},
    };
    for (const Steps& c : cases) {
        uint32_t ms = c.from;
        for (uint32_t want : c.expected) {
            ms = c.next(ms, c.more);
            EXPECT_EQ(ms, want) << "from " << c.from << (c.more ? " more" : " less");
        }
    }
}

TEST_F(FinalTouchesTest, TrimsAndFadesSelectTheirSideWithinTheSong) {
    auto doc = Open(MakeSong("Short.wav", Ramp(3)), true);
    CFinalTouches touches(*doc);
    const uint32_t data = 3 * kSecond;

    // A 3 s song refuses a 4 s trim and keeps what it had; More stops where the song ends.
    touches.StartTrim(CFinalTouches::Side::End);
    EXPECT_EQ(touches.TrimLength(), 2000u);
    EXPECT_EQ(std::make_pair(doc->SelStart(), doc->SelEnd()), std::make_pair(data - 2 * kSecond, data));
    for (int i = 0; i < 6; ++i) touches.TrimMore();
    EXPECT_EQ(touches.TrimLength(), 3000u);
    EXPECT_EQ(doc->SelStart(), 0u);

    // The preview plays the 4 s next to what the trim leaves, clamped to the song.
    touches.TrimLess();
    touches.TrimLess();
    EXPECT_TRUE(touches.PreviewTrim());
    touches.StartTrim(CFinalTouches::Side::Start);
    EXPECT_TRUE(touches.PreviewTrim());
    const std::vector<std::pair<uint32_t, uint32_t>> played = {{0, data / 6}, {data * 5 / 6, data}};
    EXPECT_EQ(player.ranges, played);

    // A fade in longer than the song takes all of it; a fade out that long takes nothing and does nothing.
    touches.StartFade(true);
    touches.SetFadeLength(5000);
    EXPECT_EQ(std::make_pair(doc->SelStart(), doc->SelEnd()), std::make_pair(0u, data));
    touches.StartFade(false);
    EXPECT_EQ(std::make_pair(doc->SelStart(), doc->SelEnd()), std::make_pair(data, data));
    EXPECT_FALSE(touches.ApplyFade());
    EXPECT_EQ(doc->Wave().Session().Steps().size(), 1u);
    EXPECT_FALSE(doc->Modified());
}

TEST_F(FinalTouchesTest, FadesStartFromSilenceAndLeaveTheRestUnchanged) {
    const std::vector<int64_t> flat(kRate * 3, 20000);
    for (const bool session : {true, false}) {
        for (const bool fadeIn : {true, false}) {
            SCOPED_TRACE(std::string(session ? "session" : "plain") + (fadeIn ? " in" : " out"));
            auto doc =
                Open(MakeSong(std::string(session ? "S" : "P") + (fadeIn ? "In.wav" : "Out.wav"), flat), session);
            CFinalTouches touches(*doc);
            touches.StartFade(fadeIn);
            touches.SetFadeLength(1000);
            ASSERT_TRUE(touches.ApplyFade());
            EXPECT_TRUE(doc->Modified());
            std::vector<int64_t> out = Finish(*doc);
            ASSERT_EQ(out.size(), flat.size());
            if (!fadeIn) std::reverse(out.begin(), out.end());  // read from the silent end
            EXPECT_EQ(out[0], 0);
            for (size_t i = 1; i < kRate; ++i) ASSERT_GE(out[i], out[i - 1]) << i;  // rising all the way
            EXPECT_LT(out[kRate / 2], 20000 / 100);                                 // exponential: still quiet half way
            EXPECT_GT(out[kRate - 1], 19900);
            EXPECT_EQ(std::vector<int64_t>(out.begin() + kRate, out.end()),
                      std::vector<int64_t>(flat.begin() + kRate, flat.end()));
        }
    }
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(FinalTouchesTest, AFadePreviewRestartsWithTheNewLengthAndStoresNothing) {
    const std::vector<int64_t> flat(kRate * 3, 20000);
    for (const bool session : {true, false}) {
        SCOPED_TRACE(session ? "session" : "plain");
        const std::string song = MakeSong(session ? "SPreview.wav" : "PPreview.wav", flat);
        auto doc = Open(song, session);
        CFilePreviewPlayer preview(dir.File("heard.wav"));
        runner.SetPlayer(&preview);
        CFinalTouches touches(*doc);
        touches.StartFade(true);
        touches.SetFadeLength(1000);
        // Fade More pressed while the first preview plays.
        services.onPump = [&](int) {
            services.onPump = nullptr;
            touches.FadeMore();
        };
        EXPECT_TRUE(touches.PreviewFade());
        runner.SetPlayer(nullptr);
        EXPECT_EQ(touches.FadeLength(), 1250u);
        EXPECT_EQ(preview.StreamLength(), kSecond * 5 / 4);
        WaveContents heard;
        ASSERT_TRUE(ReadWave(dir.File("heard.wav"), heard));
        EXPECT_EQ(heard.data.size(), kSecond * 5 / 4);  // the whole of the new fade was played
        EXPECT_FALSE(doc->Modified());
        EXPECT_EQ(fs::exists(SessionFileName(song)), session);  // plain mode makes no session
        if (session) {
            EXPECT_EQ(doc->Wave().Session().Steps().size(), 1u);
        }
        EXPECT_EQ(Finish(*doc), flat);
    }
}

TEST_F(FinalTouchesTest, MaximizeRaisesThePeakToFullScaleOrLeavesTheSongAlone) {
    struct Case {
        const char* name;
        std::vector<int64_t> values;
        bool changes;
        double gain;
    };
    std::vector<int64_t> full = Ramp(2);
    full[100] = 32767;
    full[101] = -32767;
    std::vector<int64_t> half = Ramp(2, 0);
    half[7] = 16383;
    const std::vector<Case> cases = {
        {"full", full, true, 1.0},
        {"half", half, true, 2.0},
        {"silent", std::vector<int64_t>(kRate, 0), false, 0.0},
    };
    for (const bool session : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(session ? "session " : "plain ") + c.name);
            // A name of its own per song: a peak file no older than its wave counts as current.
            auto doc = Open(MakeSong(std::string(session ? "S" : "P") + c.name + ".wav", c.values), session);
            CFinalTouches touches(*doc);
            EXPECT_EQ(touches.MaximizeGain(), c.changes);
            EXPECT_EQ(touches.LastWasSilent(), !c.changes);
            EXPECT_DOUBLE_EQ(touches.LastGain(), c.gain);
            EXPECT_EQ(doc->Modified(), c.changes);
            EXPECT_EQ(std::make_pair(doc->SelStart(), doc->SelEnd()), std::make_pair(0u, doc->DataLength()));
            const std::vector<int64_t> out = Finish(*doc);
            ASSERT_EQ(out.size(), c.values.size());
            for (size_t i = 0; i < out.size(); ++i) {
                ASSERT_EQ(out[i], static_cast<int64_t>(c.values[i] * (c.changes ? c.gain : 1.0))) << i;
            }
        }
    }
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(FinalTouchesTest, CancelledMaximizeLeavesNoTemporaryWaveAndNoStep) {
    auto doc = Open(MakeSong("Long.wav", Ramp(20, 4000)), true);
    services.onPump = [](int) { CancelFlag().store(true); };
    CFinalTouches touches(*doc);
    EXPECT_FALSE(touches.MaximizeGain());
    services.onPump = nullptr;
    EXPECT_GT(touches.LastPeak(), 0u);  // the pass itself was cut short
    EXPECT_FALSE(doc->Modified());
    EXPECT_EQ(doc->Wave().Session().Steps().size(), 1u);
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(FinalTouchesTest, SessionAndPlainCutsGiveTheSameFile) {
    const std::vector<int64_t> values = Ramp(4);
    std::vector<int64_t> expected = values;
    expected.erase(expected.begin() + kRate, expected.begin() + 2 * kRate + 500);
    std::vector<std::vector<uint8_t>> files;
    for (const bool session : {true, false}) {
        SCOPED_TRACE(session ? "session" : "plain");
        auto doc = Open(MakeSong(session ? "A.wav" : "B.wav", values), session);
        CFinalTouches touches(*doc);
        EXPECT_TRUE(touches.CutRange(1000, 1000));  // empty: nothing removed, no step
        EXPECT_FALSE(touches.CutRange(kSecond, 4 * kSecond + 2));
        EXPECT_TRUE(Shown(61804));
        services.ClearMessages();
        EXPECT_EQ(doc->DataLength(), 4 * kSecond);
        if (session) {
            EXPECT_EQ(doc->Wave().Session().Steps().size(), 1u);
        }

        ASSERT_TRUE(touches.CutRange(kSecond + 1, 2 * kSecond + 1001));  // rounded down to whole frames
        EXPECT_EQ(doc->DataLength(), 3 * kSecond - 1000);
        doc->SetModified();
        EXPECT_EQ(Finish(*doc), expected);
        files.push_back(ReadBytes(doc->Path()));
    }
    EXPECT_EQ(files[0], files[1]);
}

TEST_F(FinalTouchesTest, CutTrackMovesLaterDividersAndRefusesTheWholeFile) {
    for (const bool session : {true, false}) {
        SCOPED_TRACE(session ? "session" : "plain");
        auto doc = Open(MakeSong(session ? "SideS.wav" : "SideP.wav", Ramp(40)), session);
        CFinalTouches touches(*doc);
        EXPECT_FALSE(touches.CutTrack());  // no dividers: not even asked
        EXPECT_TRUE(services.Messages().empty());
        for (uint32_t s : {0u, 10u, 15u, 20u, 30u}) doc->Dividers().Append(s * kSecond, "T" + std::to_string(s));
        doc->SaveDividers();

        services.QueueAnswer(MsgAnswer::Yes);
        EXPECT_FALSE(touches.CutTrack());  // the whole file is selected
        EXPECT_TRUE(Shown(360));
        services.QueueAnswer(MsgAnswer::No);
        doc->Select(10 * kSecond, 20 * kSecond);
        EXPECT_FALSE(touches.CutTrack());
        EXPECT_EQ(doc->DataLength(), 40 * kSecond);

        services.QueueAnswer(MsgAnswer::Yes);
        ASSERT_TRUE(touches.CutTrack());
        EXPECT_TRUE(doc->Modified());
        EXPECT_EQ(doc->DataLength(), 30 * kSecond);
        const CDividerList& d = doc->Dividers();
        ASSERT_EQ(d.Count(), 3);
        EXPECT_EQ(std::make_pair(d.Position(1), d.Name(1)), std::make_pair(10 * kSecond, std::string("T20")));
        EXPECT_EQ(std::make_pair(d.Position(2), d.Name(2)), std::make_pair(20 * kSecond, std::string("T30")));
        EXPECT_EQ(std::make_pair(doc->SelStart(), doc->SelEnd()), std::make_pair(0u, 10 * kSecond));

        // A trim cuts the same way and selects everything; the stored dividers follow.
        touches.StartTrim(CFinalTouches::Side::Start);
        ASSERT_TRUE(touches.ApplyTrim());
        EXPECT_EQ(std::make_pair(doc->SelStart(), doc->SelEnd()), std::make_pair(0u, 26 * kSecond));
        ASSERT_TRUE(doc->Close(true, true));
        CSongDocument again;
        ASSERT_EQ(again.Open(doc->Path(), false), 0);
        EXPECT_EQ(again.DataLength(), 26 * kSecond);
        ASSERT_EQ(again.Dividers().Count(), 2);
        EXPECT_EQ(again.Dividers().Position(0), 6 * kSecond);
        EXPECT_EQ(again.Dividers().Position(1), 16 * kSecond);
        services.ClearMessages();
    }
}

TEST_F(FinalTouchesTest, AFailedPlainCutLeavesTheSongWhole) {
    const std::string song = MakeSong("Song.wav", Ramp(10));
    auto doc = Open(song, false);
    const std::vector<uint8_t> before = ReadBytes(song);
    const std::vector<uint8_t> peaksBefore = ReadBytes(PeakFileName(song));
    // Writes beyond 40000 bytes fail in the child, even for root, as on a full disk.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{40000, 40000};
        setrlimit(RLIMIT_FSIZE, &limit);
        CFinalTouches touches(*doc);
        const bool cut = touches.CutRange(0, kSecond);
        _exit(!cut && Shown(123) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadBytes(song), before);
    EXPECT_EQ(ReadBytes(PeakFileName(song)), peaksBefore);
    std::vector<std::string> songs;  // no scratch wave left beside the song
    for (const auto& e : fs::directory_iterator(dir.Path())) {
        if (e.path().filename().string().rfind("Song", 0) == 0) songs.push_back(e.path().filename().string());
    }
    std::sort(songs.begin(), songs.end());
    EXPECT_EQ(songs, (std::vector<std::string>{"Song.pkf", "Song.wav"}));
}
