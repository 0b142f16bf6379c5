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
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "audiofile/FileNames.h"
#include "base/StringTable.h"
#include "devices/FilePreviewPlayer.h"
#include "processing/FilterRunner.h"
#include "support/CliHarness.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"
#include "tracks/DividerEntries.h"
#include "tracks/FinalTouches.h"
#include "tracks/SongDocument.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRate = 8000;
constexpr uint32_t kSecond = kRate * 2;  // bytes of one second of 16-bit mono

using Range = std::pair<uint32_t, uint32_t>;

// Values that differ from frame to frame, so that a misplaced byte shows.
std::vector<int64_t> Ramp(uint32_t seconds, int64_t level = 12000) {
    std::vector<int64_t> v(kRate * seconds);
    for (size_t i = 0; i < v.size(); ++i) v[i] = static_cast<int64_t>(i % 2001) - 1000 + level * (i % 2 ? 1 : -1) / 2;
    return v;
}

class FinalTouchesTest : public ProcessingTest {
protected:
    // Writes a mono song (its name prefixed by the mode, so that every case has a song of its own and no
    // peak file of an earlier one counts as current) and opens it with the runner and the player attached.
    std::unique_ptr<CSongDocument> Open(const std::string& name, const std::vector<int64_t>& values, bool session) {
        const std::string path = dir.File((session ? "S" : "P") + name + ".wav");
        EXPECT_TRUE(WriteWave(path, 1, kRate, 16, values));
        auto doc = std::make_unique<CSongDocument>();
        doc->SetRunner(&runner);
        EXPECT_EQ(doc->Open(path, session), 0);
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
        const auto& shown = services.Messages();
        return std::any_of(shown.begin(), shown.end(),
                           [&](const auto& m) { return m.text == FormatString(MsgId(id)); });
    }
    static Range Selection(const CSongDocument& doc) { return {doc.SelStart(), doc.SelEnd()}; }

    CFilterRunner runner;
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
    auto doc = Open("Short", Ramp(3), true);
    CFinalTouches touches(*doc);
    const uint32_t data = 3 * kSecond;

    // A 3 s song refuses a 4 s trim and keeps what it had; More stops where the song ends.
    touches.StartTrim(CFinalTouches::Side::End);
    EXPECT_EQ(touches.TrimLength(), 2000u);
    EXPECT_EQ(Selection(*doc), Range(data - 2 * kSecond, data));
    for (int i = 0; i < 6; ++i) touches.TrimMore();
    EXPECT_EQ(touches.TrimLength(), 3000u);
    EXPECT_EQ(doc->SelStart(), 0u);

    // A fade in longer than the song takes all of it; a fade out that long takes nothing and does nothing.
    touches.StartFade(true);
    touches.SetFadeLength(5000);
    EXPECT_EQ(Selection(*doc), Range(0, data));
    touches.StartFade(false);
    EXPECT_EQ(Selection(*doc), Range(data, data));
    EXPECT_FALSE(touches.ApplyFade());
    EXPECT_EQ(doc->Wave().Session().Steps().size(), 1u);
    EXPECT_FALSE(doc->Modified());
}

TEST_F(FinalTouchesTest, FadesStartFromSilenceLeaveTheRestUnchangedAndTheirPreviewsStoreNothing) {
    const std::vector<int64_t> flat(kRate * 3, 20000);
    for (const bool session : {true, false}) {
        for (const bool fadeIn : {true, false}) {
            SCOPED_TRACE(std::string(session ? "session" : "plain") + (fadeIn ? " in" : " out"));
            auto doc = Open(fadeIn ? "In" : "Out", flat, session);
            CFinalTouches touches(*doc);
            touches.StartFade(fadeIn);
            touches.SetFadeLength(fadeIn ? 750 : 1000);
            if (fadeIn) {
                // Fade More pressed while the preview plays: it starts again and plays all of the new fade.
                const Bytes before = ReadBytes(doc->Path());
                CFilePreviewPlayer preview(dir.File("heard.wav"));
                runner.SetPlayer(&preview);
                services.onPump = [&](int) {
                    services.onPump = nullptr;
                    touches.FadeMore();
                };
                EXPECT_TRUE(touches.PreviewFade());
                runner.SetPlayer(nullptr);
                EXPECT_EQ(touches.FadeLength(), 1000u);
                WaveContents heard;
                ASSERT_TRUE(ReadWave(dir.File("heard.wav"), heard));
                EXPECT_EQ(heard.data.size(), kSecond);
                EXPECT_FALSE(doc->Modified());
                EXPECT_EQ(fs::exists(SessionFileName(doc->Path())), session);  // plain mode makes no session
                EXPECT_EQ(session ? doc->Wave().Session().Steps().size() : 1u, 1u);
                EXPECT_EQ(ReadBytes(doc->Path()), before);
            }
            ASSERT_TRUE(touches.ApplyFade());
            EXPECT_TRUE(doc->Modified());
            std::vector<int64_t> out = Finish(*doc);
            ASSERT_EQ(out.size(), flat.size());
            if (!fadeIn) std::reverse(out.begin(), out.end());  // read from the silent end
            EXPECT_EQ(out[0], 0);
            for (size_t i = 1; i < kRate; ++i) ASSERT_GE(out[i], out[i - 1]) << i;  // rising all the way
            EXPECT_LT(out[kRate / 2], 20000 / 100);                                 // exponential: still quiet half way
            EXPECT_GT(out[kRate - 1], 19900);
            EXPECT_TRUE(std::equal(out.begin() + kRate, out.end(), flat.begin() + kRate));
        }
    }
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(FinalTouchesTest, MaximizeRaisesThePeakToFullScaleOrLeavesTheSongAlone) {
    std::vector<int64_t> full = Ramp(2);
    full[100] = 32767;
    full[101] = -32767;
    std::vector<int64_t> half = Ramp(2, 0);
    half[7] = 16383;
    const struct {
        const char* name;
        std::vector<int64_t> values;
        double gain;  // 0: silent, left alone
    } cases[] = {{"full", full, 1.0}, {"half", half, 2.0}, {"silent", std::vector<int64_t>(kRate, 0), 0.0}};
    for (const bool session : {true, false}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(session ? "session " : "plain ") + c.name);
            auto doc = Open(c.name, c.values, session);
            CFinalTouches touches(*doc);
            const bool changes = c.gain > 0;
            EXPECT_EQ(touches.MaximizeGain(), changes);
            EXPECT_EQ(touches.LastWasSilent(), !changes);
            EXPECT_DOUBLE_EQ(touches.LastGain(), c.gain);
            EXPECT_EQ(doc->Modified(), changes);
            EXPECT_EQ(Selection(*doc), Range(0, doc->DataLength()));
            const std::vector<int64_t> out = Finish(*doc);
            ASSERT_EQ(out.size(), c.values.size());
            for (size_t i = 0; i < out.size(); ++i) {
                ASSERT_EQ(out[i], static_cast<int64_t>(c.values[i] * (changes ? c.gain : 1.0))) << i;
            }
        }
    }
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(FinalTouchesTest, CancelledMaximizeLeavesNoTemporaryWaveAndNoStep) {
    auto doc = Open("Long", Ramp(20, 4000), true);
    services.onPump = [](int) { CancelFlag().store(true); };
    CFinalTouches touches(*doc);
    EXPECT_FALSE(touches.MaximizeGain());
    services.onPump = nullptr;
    EXPECT_GT(touches.LastPeak(), 0u);  // the pass itself was cut short
    EXPECT_FALSE(doc->Modified());
    EXPECT_EQ(doc->Wave().Session().Steps().size(), 1u);
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(FinalTouchesTest, CutsMoveLaterDividersDropTheOnesInsideAndGiveTheSameFileInBothModes) {
    const std::vector<int64_t> values = Ramp(40);
    std::vector<int64_t> expected = values;
    expected.erase(expected.begin() + 10 * kRate, expected.begin() + 20 * kRate - 500);
    std::vector<Bytes> files;
    for (const bool session : {true, false}) {
        SCOPED_TRACE(session ? "session" : "plain");
        services.ClearMessages();
        auto doc = Open("Side", values, session);
        CFinalTouches touches(*doc);
        EXPECT_FALSE(touches.CutTrack());  // no dividers: not even asked
        EXPECT_TRUE(services.Messages().empty());
        EXPECT_TRUE(touches.CutRange(1000, 1000));  // empty: nothing removed, no step
        EXPECT_FALSE(touches.CutRange(kSecond, 40 * kSecond + 2));
        EXPECT_TRUE(Shown(kMsgCutSize));
        EXPECT_EQ(doc->DataLength(), 40 * kSecond);
        EXPECT_EQ(session ? doc->Wave().Session().Steps().size() : 1u, 1u);
        for (uint32_t s : {0u, 10u, 15u, 20u, 30u}) doc->Dividers().Append(s * kSecond, "T" + std::to_string(s));
        doc->SaveDividers();

        services.QueueAnswer(MsgAnswer::Yes);
        EXPECT_FALSE(touches.CutTrack());  // the whole file is selected
        EXPECT_TRUE(Shown(kMsgEntireFile));
        services.QueueAnswer(MsgAnswer::No);
        doc->Select(10 * kSecond + 1, 20 * kSecond - 999);  // rounded down to whole frames
        EXPECT_FALSE(touches.CutTrack());
        EXPECT_EQ(doc->DataLength(), 40 * kSecond);

        services.QueueAnswer(MsgAnswer::Yes);
        ASSERT_TRUE(touches.CutTrack());
        EXPECT_TRUE(doc->Modified());
        const uint32_t moved = 10 * kSecond + 1000;
        EXPECT_EQ(Selection(*doc), Range(0, moved));
        // Stored as they are shown, once the song is closed and opened again.
        EXPECT_EQ(Finish(*doc), expected);
        files.push_back(ReadBytes(doc->Path()));
        CSongDocument again;
        ASSERT_EQ(again.Open(doc->Path(), false), 0);
        EXPECT_EQ(EntriesOf(again.Dividers()), (Entries{{0, "T0"}, {moved, "T20"}, {moved + 10 * kSecond, "T30"}}));
    }
    EXPECT_EQ(files[0], files[1]);
}

TEST_F(FinalTouchesTest, AFailedPlainCutLeavesTheSongWhole) {
    auto doc = Open("Song", Ramp(10), false);
    const std::string song = doc->Path();
    const Bytes before = ReadBytes(song);
    const Bytes peaksBefore = ReadBytes(PeakFileName(song));
    // Writes beyond 40000 bytes fail in the child, even for root, as on a full disk.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{40000, 40000};
        setrlimit(RLIMIT_FSIZE, &limit);
        CFinalTouches touches(*doc);
        const bool cut = touches.CutRange(0, kSecond);
        _exit(!cut && Shown(kMsgCannotRead) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadBytes(song), before);
    EXPECT_EQ(ReadBytes(PeakFileName(song)), peaksBefore);
    EXPECT_EQ(FilesUnder(dir.Path()), (std::vector<std::string>{"PSong.pkf", "PSong.wav"}));  // no scratch wave
}
