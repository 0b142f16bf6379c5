// The Enhance stage: the composite's flags, block between
// the stages, clipping query and presets (its own and the shipped ones), a
// run through the runner, and the pane controller's controls, Bypass,
// Process, Preview refusal and "Clip" lamp.
#include <fstream>
#include <string>

#include "base/ProgramPaths.h"
#include "devices/FilePreviewPlayer.h"
#include "enhance/EnhancerDlg.h"
#include "enhance/TaviEnhance.h"
#include "processing/FilterRunner.h"
#include "support/CliHarness.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
using Params = CFilter::Params;

// Stereo music-like material at 120 bpm (kick, bass, chords, noise bursts), RMS -18 dBFS.
std::vector<int32_t> Music(double seconds) {
    std::vector<double> x(2 * static_cast<size_t>(seconds * 44100));
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> noise(-1, 1);
    const double roots[] = {55.0, 73.42, 82.41, 65.41};
    double sum = 0;
    for (size_t i = 0; i < x.size() / 2; ++i) {
        const double t = i / 44100.0, beat = std::fmod(t, 0.5), root = roots[static_cast<int>(t / 2) % 4];
        double common =
            0.6 * std::exp(-beat / 0.12) * std::sin(2 * kPi * (50 * beat + 3 * (1 - std::exp(-beat / 0.03))));
        common += 0.2 * std::exp(-std::fmod(t + 0.5, 1.0) / 0.06) * noise(rng);
        double chord = 0;
        for (int h = 1; h <= 6; ++h) {
            if (h <= 5) common += 0.2 * std::sin(2 * kPi * root * h * t) / h;
            for (double f : {4.0, 5.04, 6.0}) chord += 0.05 * std::sin(2 * kPi * root * f * h * t) / std::pow(h, 1.5);
        }
        x[2 * i] = common + chord;
        x[2 * i + 1] = common + 0.8 * chord;
        sum += x[2 * i] * x[2 * i] + x[2 * i + 1] * x[2 * i + 1];
    }
    const double scale = std::pow(10.0, -18 / 20.0) / std::sqrt(sum / x.size()) * 8388608.0;
    std::vector<int32_t> out(x.size());
    std::transform(x.begin(), x.end(), out.begin(), [&](double v) { return static_cast<int32_t>(v * scale); });
    return out;
}

double RmsDb(const std::vector<int32_t>& v) {
    return 20 * std::log10(Rms(v, 0, v.size()) / 8388608.0);
}

class TaviEnhanceTest : public ProcessingTest {
protected:
    void SetUp() override {
        ProcessingTest::SetUp();
        PresetFolder("TaviEnhance");
    }
};

// A preset holds one section per stage plus the stage's own; loading takes both stages or
// neither, and the controls follow from the stages.
TEST_F(TaviEnhanceTest, PresetsKeepEachStageInItsOwnSection) {
    CTaviEnhance saved;
    saved.Punch().SetParams({-200, -210, -220, -230, 15, 80, 40, 12, 1, 1, 0});
    saved.Valve().SetParams({0, 90, 40, 60, 3, 1, 0, 0, 0, 0, 0});
    saved.SetParams({25, 8, -300, 150, 200, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(saved.SavePreset("Mine"));
    const std::string text = ReadText(settings.PresetPath + "/TaviEnhance/Mine.pst");
    EXPECT_NE(text.find("[PunchAndCrunch_1]\nSet=-200,-210,-220,-230,15,80,40,12,1,1,8"), std::string::npos) << text;
    EXPECT_NE(text.find("[VirtualValve_2]\nSet=25,90,40,60,3,1,-300,150,200,0,0"), std::string::npos) << text;
    EXPECT_NE(text.find("[TaviEnhance]\nSet=25,8,-300,150,200,0,0,0,0,0,0"), std::string::npos) << text;

    CTaviEnhance loaded;
    ASSERT_EQ(loaded.LoadPreset("Mine"), 0);
    EXPECT_EQ(loaded.Punch().GetParams(), saved.Punch().GetParams());
    EXPECT_EQ(loaded.Valve().GetParams(), saved.Valve().GetParams());
    EXPECT_EQ(loaded.GetParams(), (Params{25, 8, -300, 150, 200, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(loaded.CurrentPreset(), "Mine");

    // Without its dynamics section the preset is refused and nothing changes.
    std::ofstream(settings.PresetPath + "/TaviEnhance/Half.pst") << "[VirtualValve_2]\nSet=1,2,3,4,5,6,7,8,9,0,0\n";
    EXPECT_EQ(loaded.LoadPreset("Half"), 1);
    EXPECT_EQ(loaded.Valve().GetParams(), saved.Valve().GetParams());
    EXPECT_EQ(loaded.CurrentPreset(), "Mine");
}

// The shipped presets load whole, keep the controls in the pane's ranges, and at a typical
// level leave music unclipped with its loudness about where it was.
TEST_F(TaviEnhanceTest, ShippedPresetsAreSoundAtTypicalLevels) {
    settings.PresetPath = CProgramPaths::Join(CProgramPaths::ShareFolder(), "Presets");
    const std::vector<std::string> names = CPresetStore::ListPresetNames(settings.PresetPath + "/TaviEnhance");
    ASSERT_GE(names.size(), 4u);
    ASSERT_NE(std::find(names.begin(), names.end(), "Default"), names.end());
    const std::vector<int32_t> music = Music(6.0);
    const double before = RmsDb(music);
    for (const std::string& name : names) {
        CTaviEnhance enhancer;
        ASSERT_EQ(enhancer.LoadPreset(name), 0) << name;
        const Params& p = enhancer.GetParams();
        EXPECT_TRUE(p[0] >= 0 && p[0] <= 100 && p[1] >= -100 && p[1] <= 100) << name;
        for (int i = 2; i <= 4; ++i) EXPECT_TRUE(p[i] >= -1000 && p[i] <= 1000) << name;
        EXPECT_NE(enhancer.Punch().GetParams()[4], 0) << name;

        const std::vector<int32_t> out = FeedFilter(enhancer, music, 2);
        ASSERT_EQ(out.size(), music.size());
        EXPECT_FALSE(enhancer.TakeClipping()) << name;
        EXPECT_NEAR(RmsDb(out) - before, 0.0, 3.0) << name;
        EXPECT_NE(out, music) << name;
    }
}

// Bypass gives the input back through both stages, also when the source's blocks are longer
// than the block between the stages, and an untouched channel passes both; a clamp anywhere is
// reported once.
TEST_F(TaviEnhanceTest, BlocksFlowThroughBothStagesWhole) {
    const std::vector<int32_t> music = Music(1.0);
    CTaviEnhance enhancer;
    ExpectFlagsPassTheInput(enhancer, music);
    enhancer.SetBypass(1);
    EXPECT_EQ(FeedFilter(enhancer, music, 2, {.block = 10000}), music);
    enhancer.SetBypass(0);

    enhancer.SetParams({10, -5, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    FeedFilter(enhancer, music, 2);
    EXPECT_FALSE(enhancer.TakeClipping());
    enhancer.SetParams({10, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // Level +100: twice the input and more
    std::vector<int32_t> loud = music;
    for (int32_t& s : loud) s *= 3;
    EXPECT_EQ(FeedFilter(enhancer, loud, 2, {.block = 10000}).size(), loud.size());
    EXPECT_TRUE(enhancer.TakeClipping());
    EXPECT_FALSE(enhancer.TakeClipping());
}

// A second thread writes the same file, clipping report included.
TEST_F(TaviEnhanceTest, TwoThreadsWriteTheSameFileAsOne) {
    std::vector<int32_t> loud = Music(3.0);
    for (int32_t& s : loud) s *= 2;
    const std::string in = dir.File("in.wav");
    ASSERT_TRUE(WriteInternal(in, 1, 2, 44100, 24, loud));
    std::vector<std::vector<int32_t>> outs;
    for (int threads : {1, 2}) {
        CFilterRunner::SetRunThreads(threads);
        CTaviEnhance enhancer;
        enhancer.SetParams({60, 80, 3, 0, 5, 0, 0, 0, 0, 0, 0});
        const std::string out = dir.File("out" + std::to_string(threads) + ".wav");
        ASSERT_TRUE(RunIntoFile(enhancer, in, out));
        outs.push_back(ReadInternal(out));
        EXPECT_TRUE(enhancer.TakeClipping()) << threads;
    }
    CFilterRunner::SetRunThreads(0);
    ASSERT_EQ(outs[0].size(), loud.size());
    EXPECT_TRUE(outs[0] == outs[1]);
}

class EnhancerDlgTest : public TaviEnhanceTest {
protected:
    void SetUp() override {
        TaviEnhanceTest::SetUp();
        std::ofstream(settings.PresetPath + "/TaviEnhance/Default.pst")
            << "[PunchAndCrunch_1]\nSet=-240,-220,-260,-320,14,100,50,15,0,0,-5\n"
            << "[VirtualValve_2]\nSet=20,100,50,50,0,0,-100,0,200,0,0\n";
        song = dir.File("song.wav");
        ASSERT_TRUE(WriteWave(song, 2, 44100, 16, std::vector<int64_t>(2 * 50000, 1000)));
    }
    void TearDown() override {
        if (wave.IsOpen()) wave.Close();
        wave.Session().DiscardSession(false);
        TaviEnhanceTest::TearDown();
    }
    // Opens the pane and gives it the song.
    bool OpenSong(CEnhancerDlg& dlg) {
        if (!dlg.OnInitDialog() || wave.OpenRead(song) != kFileOk) return false;
        dlg.SetSong(&wave);
        return true;
    }

    std::string song;
    CFilterRunner runner;
    CWaveFile wave{CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory};
};

// The five controls with their ranges and mirrored number boxes, applied at once by vertical
// scrolls and, of the horizontal ones, only by Level and Exciter; Bypass reaches the filter.
// A number box holding no value in range stops Process and Save with a message.
TEST_F(EnhancerDlgTest, ControlsDriveTheFilter) {
    CEnhancerDlg dlg(&runner);
    ASSERT_TRUE(OpenSong(dlg));
    CTaviEnhance* enhancer = dlg.Enhancer();
    ASSERT_NE(enhancer, nullptr);
    // The start preset is shown: controls from the stages.
    EXPECT_EQ(dlg.GetControl(CEnhancerDlg::kIdLevelBox), -5);
    EXPECT_EQ(dlg.GetControl(CEnhancerDlg::kIdTreble), 200);

    dlg.SetControl(CEnhancerDlg::kIdLevelBox, 500);
    EXPECT_EQ(dlg.GetControl(CEnhancerDlg::kIdLevel), 100);

    dlg.OnVScroll(CEnhancerDlg::kIdMids, -700);
    EXPECT_EQ(enhancer->Valve().GetParams()[7], -700);
    EXPECT_EQ(enhancer->Punch().GetParams()[10], 100);
    dlg.OnHScroll(CEnhancerDlg::kIdBass, 900);
    EXPECT_EQ(enhancer->Valve().GetParams()[6], -100);
    dlg.OnHScroll(CEnhancerDlg::kIdExciter, 55);
    EXPECT_EQ(enhancer->Valve().GetParams()[0], 55);
    EXPECT_EQ(enhancer->Valve().GetParams()[6], 900);

    EXPECT_EQ(dlg.OnBypass(), 1);
    EXPECT_EQ(enhancer->Valve().GetBypass(), 1);
    EXPECT_EQ(dlg.OnBypass(), 0);

    dlg.OnNumberBoxEdit(CEnhancerDlg::kIdLevelBox, " 42 ");
    EXPECT_EQ(dlg.GetControl(CEnhancerDlg::kIdLevel), 42);
    dlg.OnNumberBoxEdit(CEnhancerDlg::kIdLevelBox, "101");
    EXPECT_EQ(dlg.GetControl(CEnhancerDlg::kIdLevel), 42);
    services.ClearMessages();
    EXPECT_FALSE(dlg.OnProcess());
    EXPECT_EQ(dlg.OnSave(), 1);
    ASSERT_EQ(services.Messages().size(), 2u);
    EXPECT_EQ(services.Messages()[0].text, "Please enter a whole number from -100 to 100.");
    EXPECT_LE(wave.Session().Steps().size(), 1u);
    dlg.OnNumberBoxEdit(CEnhancerDlg::kIdLevelBox, "-12");
    services.ClearMessages();
    EXPECT_TRUE(dlg.OnProcess());
    EXPECT_TRUE(services.Messages().empty());
}

// Process runs the stage over the whole song into a new step of its session with the
// caption "Enhancing ", the timer running meanwhile; a clip lights the lamp for 500 ms.
TEST_F(EnhancerDlgTest, ProcessRecordsAStepAndTheLampShowsClipping) {
    // Music 12 dB hotter than typical, as 16-bit samples.
    std::vector<int64_t> hot;
    for (int32_t s : Music(2.0)) hot.push_back(std::clamp<int64_t>(s / 64, -32768, 32767));
    ASSERT_TRUE(WriteWave(song, 2, 44100, 16, hot));
    CEnhancerDlg dlg(&runner);
    ASSERT_TRUE(OpenSong(dlg));
    EXPECT_EQ(dlg.WorkingOn(), "song.wav");
    dlg.SetControl(CEnhancerDlg::kIdLevel, 100);

    int64_t now = 1000;
    bool timerSeen = false, lampSeen = false;
    std::string caption;
    services.onPump = [&](int) {
        now += 200;
        timerSeen = timerSeen || dlg.TimerRunning();
        dlg.OnTimer(now);
        lampSeen = lampSeen || dlg.ClipLampLit(now);
        if (services.ProgressIsOpen()) caption = services.ProgressText();
    };
    ASSERT_TRUE(dlg.OnProcess());
    services.onPump = nullptr;
    EXPECT_TRUE(timerSeen);
    EXPECT_FALSE(dlg.TimerRunning());
    EXPECT_TRUE(lampSeen);
    EXPECT_EQ(caption.rfind("Enhancing  song", 0), 0u) << caption;

    // The lamp stays lit 500 ms from the tick that saw the clip.
    FeedFilter(*dlg.Enhancer(), std::vector<int32_t>(20000, 8388607), 2);
    dlg.OnTimer(100000);
    dlg.OnTimer(100200);
    EXPECT_TRUE(dlg.ClipLampLit(100499));
    EXPECT_FALSE(dlg.ClipLampLit(100500));

    ASSERT_EQ(wave.Session().Steps().size(), 2u);
    EXPECT_EQ(wave.Session().Steps().back().label, "TaviEnhancer");
}

// Preview plays the stage's output instead of writing a step; pressing Process while a
// preview plays only stops it, and the next press runs.
TEST_F(EnhancerDlgTest, PreviewPlaysAndProcessFirstStopsIt) {
    CFilePreviewPlayer player(dir.File("preview.wav"));
    player.SetLoop(false);
    runner.SetPlayer(&player);
    CEnhancerDlg dlg(&runner);
    ASSERT_TRUE(OpenSong(dlg));

    ASSERT_TRUE(dlg.OnPreview());
    EXPECT_LE(wave.Session().Steps().size(), 1u);
    WaveContents in, played;
    ASSERT_TRUE(ReadWave(song, in));
    ASSERT_TRUE(ReadWave(dir.File("preview.wav"), played));
    EXPECT_EQ(played.data.size(), in.data.size());

    // Process pressed during the next preview: the preview ends and nothing is processed.
    bool pressed = false, refused = false;
    services.onPump = [&](int) {
        if (pressed || player.State() != kPlayerPlaying) return;
        pressed = true;
        refused = !dlg.OnProcess();
    };
    EXPECT_FALSE(dlg.OnPreview());
    services.onPump = nullptr;
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(refused);
    EXPECT_LE(wave.Session().Steps().size(), 1u);
    runner.SetPlayer(nullptr);
    EXPECT_TRUE(dlg.OnProcess());
    EXPECT_EQ(wave.Session().Steps().size(), 2u);
}

}  // namespace
