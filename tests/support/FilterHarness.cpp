#include "support/FilterHarness.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "audiofile/WaveFile.h"
#include "processing/FilterRunner.h"
#include "support/WaveBuilder.h"

void ProcessingTest::SetUp() {
    settings.TempPath = dir.File("temp");
    settings.PresetPath = dir.File("Presets");
    std::filesystem::create_directories(settings.TempPath);
    SetSettings(&settings);
    SetProfile(&profile);
    SetServices(&services);
    CancelFlag().store(false);
}

void ProcessingTest::TearDown() {
    SetServices(nullptr);
    SetProfile(nullptr);
    SetSettings(nullptr);
    CancelFlag().store(false);
}

std::filesystem::path ProcessingTest::PresetFolder(const std::string& filter) const {
    const auto folder = std::filesystem::path(settings.PresetPath) / filter;
    std::filesystem::create_directories(folder);
    return folder;
}

std::vector<std::string> ProcessingTest::TempFiles() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(settings.TempPath)) {
        const std::string name = e.path().filename().string();
        // This process's record of its temporary files is not one of them.
        if (name.rfind("restova-", 0) != 0) names.push_back(name);
    }
    return names;
}

std::vector<int32_t> FeedFilter(CFilter& filter, const std::vector<int32_t>& in, int channels,
                                const FeedOptions& options) {
    TempDir dir;
    const std::string wave = dir.File("in.wav");
    EXPECT_TRUE(WriteInternal(wave, 1, static_cast<uint16_t>(channels), 44100, 24, in));
    return FeedFilterFrom(filter, wave, options);
}

std::vector<int32_t> FeedFilterFrom(CFilter& filter, const std::string& wave, const FeedOptions& options) {
    CancelFlag().store(false);
    CWaveFile source(options.block, CFilterRunner::kOutputHistory);
    EXPECT_EQ(source.OpenRead(wave), kFileOk);
    const uint32_t frameBytes = source.Format().nBlockAlign;
    const uint32_t start = options.startFrame * frameBytes;
    const uint32_t history = static_cast<uint32_t>(std::max(filter.GetHistory(), 0));
    // Room for whatever a filter emits from one block, even one that stretches it.
    CWaveFile output(1u << 18, 0);
    const WAVEFORMATEX& f = source.Format();
    output.SetFormat(f.wFormatTag, f.nChannels, f.nSamplesPerSec, f.wBitsPerSample);
    output.SetClipping(options.clamp);

    const uint32_t end = source.SetRange(start, options.endFrame * frameBytes);
    EXPECT_EQ(source.Seek(start, 0), int64_t{start});
    filter.SetRunRange(start, end);
    EXPECT_TRUE(filter.Prepare(source, output));
    source.SetHistory(history);
    source.SetLookahead(static_cast<uint32_t>(std::max(filter.GetLookahead(), 0)));
    if (start >= uint64_t{history} * source.BytesPerSample() && !filter.WantsSilentHistory()) source.StepBack();

    std::vector<int32_t> out;
    auto collect = [&] {
        out.insert(out.end(), output.BlockStart(), output.EndCursor());
        output.KeepHistory();
    };
    int32_t* first = nullptr;
    int32_t* last = nullptr;
    for (size_t at = 0; source.ReadNextBlock(first, last) == 0;) {
        const size_t count = static_cast<size_t>(last - source.ReadCursor());
        if (options.beforeBlock) options.beforeBlock(at);
        EXPECT_TRUE(filter.Process(source, output));
        collect();
        at += count;
    }
    EXPECT_TRUE(filter.Finish(source, output));
    collect();
    return out;
}

bool RunIntoFile(CFilter& filter, const std::string& in, const std::string& out, uint32_t start, uint32_t end,
                 bool editLeft, bool editRight) {
    CWaveFile source(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
    if (source.OpenRead(in) != kFileOk) return false;
    CFilterRunner runner;
    runner.SetSource(&source);
    runner.SetEditChannels(editLeft, editRight);
    bool ok = runner.RunFilter(start, end, &filter, nullptr, false);
    if (ok) ok = source.Session().CommitSession(out);
    source.Close();
    source.Session().DiscardSession(false);
    return ok;
}

std::vector<int32_t> ExpectFlagsPassTheInput(CFilter& filter, const std::vector<int32_t>& in) {
    filter.SetBypass(1);
    EXPECT_EQ(FeedFilter(filter, in, 2), in);
    filter.SetBypass(0);
    filter.SetChannelPass(1, 0);
    const std::vector<int32_t> out = FeedFilter(filter, in, 2);
    filter.SetChannelPass(0, 0);
    EXPECT_EQ(out.size(), in.size());
    for (size_t i = 1; i < std::min(in.size(), out.size()); i += 2) EXPECT_EQ(out[i], in[i]) << i;
    EXPECT_NE(out, in);
    return out;
}

std::vector<int32_t> Noise(size_t count, double amplitude, uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> d(-amplitude, amplitude);
    std::vector<int32_t> v(count);
    for (auto& s : v) s = static_cast<int32_t>(d(rng));
    return v;
}

double Rms(const std::vector<int32_t>& v, size_t from, size_t to, int channels, int channel) {
    double sum = 0;
    for (size_t f = from; f < to; ++f) sum += double(v[f * channels + channel]) * v[f * channels + channel];
    return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
}

std::vector<int32_t> Tone(double hz, size_t frames, int channels, double a, double phase) {
    const std::vector<int64_t> s = SineWave(frames, channels, hz / 44100.0, a, phase);
    return std::vector<int32_t>(s.begin(), s.end());
}

std::vector<int64_t> SineWave(size_t frames, int channels, double f, double a, double phase) {
    std::vector<int64_t> s(frames * channels);
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c)
            s[i * channels + c] = std::llround(a * std::sin(2 * M_PI * f * i + c * phase));
    }
    return s;
}
