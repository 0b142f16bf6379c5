// Peak files on disk: the builder's layout and results, dividers, freshness
// and the loading of a session step's peak data, including damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/QueEdit.h"
#include "audiofile/WaveFile.h"
#include "shell/HeadlessServices.h"
#include "shell/StringTable.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kHeader = CPeakFile::kHeaderBytes;

uint32_t U32At(const Bytes& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::vector<uint16_t> ValuesOf(const Bytes& file) {
    std::vector<uint16_t> v;
    for (size_t i = kHeader; i + 1 < file.size(); i += 2)
        v.push_back(static_cast<uint16_t>(file[i] | file[i + 1] << 8));
    return v;
}

// A peak file written byte by byte, independently of the code under test.
Bytes HandMadePeakFile(const DividerBlock& block, uint32_t count, const std::vector<uint16_t>& values,
                       const uint8_t* id = CPeakFile::kIdentifier) {
    Bytes b;
    b.reserve(kHeader + 2 * values.size());
    b.insert(b.end(), id, id + 16);
    b.insert(b.end(), block.Bytes(), block.Bytes() + sizeof(DividerBlock));
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(count >> (8 * i)));
    for (uint16_t v : values) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    }
    return b;
}

const uint8_t kOtherId[16] = {0x41, 0x1F, 0x07, 0xF6, 0x0A, 0x32, 0xD3, 0x11, 0, 0, 0, 0, 0, 0, 0, 0};

void ShiftTime(const std::string& path, int seconds) {
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(seconds));
}

// A block with two dividers, the status flags and the seven carried bytes set.
DividerBlock SampleDividers() {
    DividerBlock b{};
    b.records[0].position = 0;
    b.SetName(0, "Side A");
    b.records[1].position = 4 * 1000;
    b.SetName(1, "Second song");
    b.SetStatusDone(0, true);
    b.SetStatusDone(2, true);
    for (size_t i = 3; i < DividerBlock::kCarriedBytes; ++i) b.Bytes()[DividerBlock::kStatusOffset + i] = 0xA0 + i;
    return b;
}

// A session step over bytes [0, end) of wave.
CQueEdit StepOf(const std::string& wave, uint32_t type, uint32_t end) {
    CQueEdit step;
    step.fileName = wave;
    step.type = type;
    step.end = step.newEnd = end;
    return step;
}

class PeakFileTest : public ::testing::Test {
protected:
    void SetUp() override { SetServices(&m_services); }
    void TearDown() override { SetServices(nullptr); }

    int Shown(int id) const {
        return static_cast<int>(std::count_if(m_services.Messages().begin(), m_services.Messages().end(),
                                              [&](const auto& m) { return m.text == LoadString(id); }));
    }

    // Builds the peak file of a wave; returns the builder's result.
    int Build(const std::string& wave, PeakResults& r, const DividerBlock* block = nullptr, uint32_t count = 0,
              uint32_t first = 0, uint32_t last = 0) {
        CWaveFile file;
        int rc = file.OpenRead(wave);
        if (rc != 0) return rc;
        return CPeakFile::BuildPeakFile(file, first, last, block, count, r);
    }

    CHeadlessServices m_services;
    TempDir m_dir;
};

}  // namespace

// --- building ------------------------------------------------------------------------

TEST_F(PeakFileTest, LayoutForMonoAndStereoSizes) {
    const std::string wave = m_dir.File("mono.wav");
    std::vector<int64_t> mono(408, 0);
    mono[100] = -1234;
    mono[203] = 3000;  // closes the first group and opens the second
    mono[300] = 2000;
    ASSERT_TRUE(WriteWave(wave, 1, 44100, 16, mono));
    PeakResults r;
    ASSERT_EQ(Build(wave, r), 0);
    Bytes pkf = ReadBytes(PeakFileName(wave));
    ASSERT_EQ(pkf.size(), 26024u);
    EXPECT_TRUE(std::equal(CPeakFile::kIdentifier, CPeakFile::kIdentifier + 16, pkf.begin()));
    EXPECT_TRUE(std::all_of(pkf.begin() + 16, pkf.begin() + kHeader, [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(ValuesOf(pkf), (std::vector<uint16_t>{3000, 3000}));

    struct Case {
        size_t frames;
        size_t size;
    };
    for (Case c : {Case{204, 26024}, Case{305, 26024}, Case{306, 26028}}) {
        const std::string w = m_dir.File("st" + std::to_string(c.frames) + ".wav");
        std::vector<int64_t> st(2 * c.frames, 0);
        st[0] = 10;
        st[1] = -20;
        st.back() = -32768;  // 16-bit full scale negative: 32768 where a last group is kept
        ASSERT_TRUE(WriteWave(w, 2, 44100, 16, st));
        ASSERT_EQ(Build(w, r), 0);
        Bytes b = ReadBytes(PeakFileName(w));
        EXPECT_EQ(b.size(), c.size) << c.frames;
        if (c.frames == 306) {
            EXPECT_EQ(ValuesOf(b), (std::vector<uint16_t>{10, 20, 0, 32768}));
        }
    }
}

TEST_F(PeakFileTest, ResultsMatchDirectComputation) {
    std::mt19937 rng(7);
    for (uint16_t channels : {1, 2}) {
        const std::string wave = m_dir.File("r" + std::to_string(channels) + ".wav");
        std::vector<int64_t> s(channels * 50000);
        for (auto& v : s) v = static_cast<int16_t>(rng()) / (1 + static_cast<int>(rng() % 8));
        ASSERT_TRUE(WriteWave(wave, channels, 22050, 16, s));
        PeakResults r;
        ASSERT_EQ(Build(wave, r), 0);
        std::vector<uint16_t> values = ValuesOf(ReadBytes(PeakFileName(wave)));
        ASSERT_EQ(values.size(), channels * (50000u / 204));  // the last 20 frames make no value
        EXPECT_EQ(r.maxPeak, static_cast<uint32_t>(*std::max_element(values.begin(), values.end())) << 8);
        EXPECT_EQ(r.minPeak, static_cast<uint32_t>(*std::min_element(values.begin(), values.end())) << 8);
        double sum = 0;
        for (int64_t v : s) sum += static_cast<double>(v * 256) * (v * 256);
        EXPECT_NEAR(r.rms, std::sqrt(sum / channels / 50000), 1e-6 * r.rms);
    }
}

TEST_F(PeakFileTest, PartialRebuildPutsValuesWhereAFullBuildWould) {
    // 24-bit stereo is the format whose peak positions round to pairs of groups.
    for (uint16_t bits : {16, 24}) {
        const std::string wave = m_dir.File("part" + std::to_string(bits) + ".wav");
        const size_t frames = 20000;
        std::vector<int64_t> s(2 * frames, 100);
        ASSERT_TRUE(WriteWave(wave, 2, 44100, bits, s));
        PeakResults r;
        ASSERT_EQ(Build(wave, r), 0);
        Bytes before = ReadBytes(PeakFileName(wave));

        s[2 * 9000] = 5000;  // a click in the left channel
        ASSERT_TRUE(WriteWave(wave, 2, 44100, bits, s));
        const uint32_t frameBytes = 2 * bits / 8;
        ASSERT_EQ(Build(wave, r, nullptr, 0, 9000 * frameBytes, 9001 * frameBytes), 0);
        Bytes partial = ReadBytes(PeakFileName(wave));
        ASSERT_TRUE(fs::remove(PeakFileName(wave)));
        ASSERT_EQ(Build(wave, r), 0);
        Bytes full = ReadBytes(PeakFileName(wave));
        EXPECT_EQ(partial, full) << bits;
        EXPECT_NE(before, full);
    }
}

TEST_F(PeakFileTest, RebuildKeepsGivenDividersAndDropsStaleValues) {
    const std::string wave = m_dir.File("song.wav");
    ASSERT_TRUE(WriteWave(wave, 2, 44100, 16, std::vector<int64_t>(2 * 5000, 300)));
    // An older, longer peak file of the same name.
    ASSERT_TRUE(WriteBytes(PeakFileName(wave), HandMadePeakFile(DividerBlock{}, 0, std::vector<uint16_t>(900, 7))));
    DividerBlock block = SampleDividers();
    PeakResults r;
    ASSERT_EQ(Build(wave, r, &block, 2), 0);
    Bytes pkf = ReadBytes(PeakFileName(wave));
    EXPECT_EQ(pkf.size(), kHeader + 2 * 2 * (5000 / 204 + 1));
    EXPECT_TRUE(std::memcmp(pkf.data() + 16, block.Bytes(), sizeof block) == 0);
    EXPECT_EQ(U32At(pkf, CPeakFile::kCountOffset), 2u);
    std::vector<uint16_t> values = ValuesOf(pkf);
    EXPECT_TRUE(std::all_of(values.begin(), values.end(), [](uint16_t v) { return v == 300; }));
}

TEST_F(PeakFileTest, ShortWaveIsPaddedWithZerosAndReported) {
    const std::string wave = m_dir.File("short.wav");
    WaveLayout layout;
    layout.channels = 1;
    layout.claimedDataSize = 2 * 2040;  // ten groups claimed, one present
    ASSERT_TRUE(WriteBytes(wave, BuildWave(layout, EncodeSamples(16, std::vector<int64_t>(204, 512)))));
    PeakResults r;
    ASSERT_EQ(Build(wave, r), 0);
    EXPECT_EQ(Shown(468), 1);
    std::vector<uint16_t> values = ValuesOf(ReadBytes(PeakFileName(wave)));
    ASSERT_EQ(values.size(), 10u);
    EXPECT_EQ(values[0], 512);
    EXPECT_TRUE(std::all_of(values.begin() + 1, values.end(), [](uint16_t v) { return v == 0; }));

    // A header claiming gigabytes costs one buffer of zeros, not gigabytes.
    layout.claimedDataSize = 0x7FFFFFF0u;
    ASSERT_TRUE(WriteBytes(wave, BuildWave(layout, EncodeSamples(16, std::vector<int64_t>(204, 512)))));
    ASSERT_EQ(Build(wave, r), 0);
    EXPECT_EQ(ValuesOf(ReadBytes(PeakFileName(wave))).size(), 1u + 4096u);

    // A complete wave shows nothing.
    m_services.ClearMessages();
    ASSERT_TRUE(WriteWave(wave, 1, 44100, 16, std::vector<int64_t>(2040, 512)));
    ASSERT_EQ(Build(wave, r), 0);
    EXPECT_EQ(Shown(468), 0);
}

TEST_F(PeakFileTest, BuilderFailuresAreReturned) {
    CWaveFile never;
    PeakResults r;
    EXPECT_NE(CPeakFile::BuildPeakFile(never, 0, 0, nullptr, 0, r), 0);

    // A peak file that cannot be created: its name is taken by a folder.
    const std::string wave = m_dir.File("blocked.wav");
    ASSERT_TRUE(WriteWave(wave, 1, 44100, 16, std::vector<int64_t>(1000, 1)));
    fs::create_directory(PeakFileName(wave));
    EXPECT_EQ(Build(wave, r), -1);
}

// --- dividers -------------------------------------------------------------------------

TEST_F(PeakFileTest, WrittenDividersLeavePeakValuesAndCarriedBytes) {
    const std::string wave = m_dir.File("div.wav");
    std::vector<int64_t> s(2 * 3000);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int64_t>((i * 7919) % 30000) - 15000;
    ASSERT_TRUE(WriteWave(wave, 2, 44100, 16, s));
    PeakResults r;
    ASSERT_EQ(Build(wave, r), 0);
    const Bytes before = ReadBytes(PeakFileName(wave));

    DividerBlock block = SampleDividers();
    ASSERT_TRUE(CPeakFile::WriteDividers(wave, block, 2));
    const Bytes after = ReadBytes(PeakFileName(wave));
    ASSERT_EQ(after.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin() + kHeader, before.end(), after.begin() + kHeader));
    EXPECT_TRUE(std::memcmp(after.data() + 16 + DividerBlock::kStatusOffset,
                            block.Bytes() + DividerBlock::kStatusOffset, DividerBlock::kCarriedBytes) == 0);

    DividerBlock read{};
    uint32_t count = 0;
    ASSERT_TRUE(CPeakFile::ReadDividers(wave, read, count));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(read.Name(1), "Second song");
    EXPECT_TRUE(read.StatusDone(0));
    EXPECT_FALSE(read.StatusDone(1));
    EXPECT_TRUE(std::memcmp(read.Bytes(), block.Bytes(), sizeof block) == 0);

    // Writing needs an existing peak file; none is made.
    EXPECT_FALSE(CPeakFile::WriteDividers(m_dir.File("none.wav"), block, 1));
    EXPECT_FALSE(fs::exists(m_dir.File("none.pkf")));
}

TEST_F(PeakFileTest, OtherFormatIsReportedAndNeverOverwrittenByDividerCalls) {
    const std::string wave = m_dir.File("old.wav");
    const Bytes old = HandMadePeakFile(SampleDividers(), 2, {1, 2, 3}, kOtherId);
    ASSERT_TRUE(WriteBytes(PeakFileName(wave), old));
    DividerBlock block{};
    uint32_t count = 99;
    EXPECT_FALSE(CPeakFile::ReadDividers(wave, block, count));
    EXPECT_EQ(Shown(217), 1);
    EXPECT_EQ(count, 99u);
    EXPECT_FALSE(CPeakFile::WriteDividers(wave, SampleDividers(), 1));
    EXPECT_EQ(ReadBytes(PeakFileName(wave)), old);

    // Rebuilding, which message 217 asks for, replaces it with a proper file.
    ASSERT_TRUE(WriteWave(wave, 1, 44100, 16, std::vector<int64_t>(408, 256)));
    PeakResults r;
    ASSERT_EQ(Build(wave, r), 0);
    Bytes rebuilt = ReadBytes(PeakFileName(wave));
    EXPECT_EQ(rebuilt.size(), 26024u);
    EXPECT_TRUE(CPeakFile::ReadDividers(wave, block, count));
}

TEST_F(PeakFileTest, HostileDividerHeadersReadSafely) {
    const std::string wave = m_dir.File("bad.wav");
    DividerBlock block{};
    uint32_t count = 0;
    // A count beyond the 100 records is clamped.
    ASSERT_TRUE(WriteBytes(PeakFileName(wave), HandMadePeakFile(SampleDividers(), 0xFFFFFFFFu, {})));
    ASSERT_TRUE(CPeakFile::ReadDividers(wave, block, count));
    EXPECT_EQ(count, 100u);
    // Truncated headers and empty files fail quietly.
    for (size_t size : {size_t{0}, size_t{5}, size_t{16}, size_t{26019}}) {
        Bytes b = HandMadePeakFile(DividerBlock{}, 1, {});
        b.resize(size);
        ASSERT_TRUE(WriteBytes(PeakFileName(wave), b));
        EXPECT_FALSE(CPeakFile::ReadDividers(wave, block, count)) << size;
    }
    EXPECT_FALSE(CPeakFile::ReadDividers(m_dir.File("missing.wav"), block, count));
    EXPECT_EQ(Shown(217), 0);
}

TEST_F(PeakFileTest, CurrentMeansNotOlderThanTheWave) {
    const std::string wave = m_dir.File("t.wav");
    ASSERT_TRUE(WriteWave(wave, 1, 44100, 16, std::vector<int64_t>(10, 0)));
    EXPECT_FALSE(CPeakFile::PeakFileIsCurrent(wave, PeakFileName(wave)));
    ASSERT_TRUE(WriteBytes(PeakFileName(wave), HandMadePeakFile(DividerBlock{}, 0, {})));
    ShiftTime(PeakFileName(wave), 5);
    EXPECT_TRUE(CPeakFile::PeakFileIsCurrent(wave, PeakFileName(wave)));
    ShiftTime(PeakFileName(wave), -10);
    EXPECT_FALSE(CPeakFile::PeakFileIsCurrent(wave, PeakFileName(wave)));
}

// --- session steps -----------------------------------------------------------------

TEST_F(PeakFileTest, StepPeaksTolerateEightMissingBytes) {
    const std::string wave = m_dir.File("step.wav");
    const WAVEFORMATEX fmt = MakeWaveFormat(1, 1, 44100, 16);
    ASSERT_TRUE(WriteWave(wave, 1, 44100, 16, std::vector<int64_t>(1224, 0)));
    CQueEdit step = StepOf(wave, kStepFilter, 2448);  // six values, twelve bytes
    for (size_t count : {6, 2}) {
        std::vector<uint16_t> values;
        for (size_t i = 0; i < count; ++i) values.push_back(static_cast<uint16_t>(0x1100 + i));
        ASSERT_TRUE(WriteBytes(PeakFileName(wave), HandMadePeakFile(SampleDividers(), 2, values)));
        ShiftTime(PeakFileName(wave), 5);
        step.peaks.reset();
        EXPECT_TRUE(CPeakFile::LoadStepPeaks(step, fmt, 204)) << count;
        ASSERT_TRUE(step.peaks);
        ASSERT_EQ(step.peaks->size(), 12u);
        EXPECT_EQ(step.dividerCount, 2u);
        EXPECT_EQ(step.dividers.Name(0), "Side A");
        if (count == 2) {
            // The last byte read (0x11, high byte of 0x1101) fills the rest.
            EXPECT_EQ((*step.peaks)[2], 0x01);
            EXPECT_TRUE(std::all_of(step.peaks->begin() + 3, step.peaks->end(), [](uint8_t b) { return b == 0x11; }));
        }
    }
    EXPECT_EQ(Shown(1414), 0);
}

TEST_F(PeakFileTest, ShortOrStalePeakFileIsRebuiltKeepingItsDividers) {
    // A crash while a peak file was being built leaves a current but short file; the song must still open.
    const std::string wave = m_dir.File("cut.wav");
    const WAVEFORMATEX fmt = MakeWaveFormat(1, 2, 44100, 16);
    ASSERT_TRUE(WriteWave(wave, 2, 44100, 16, std::vector<int64_t>(2 * 2040, 1024)));
    struct Case {
        size_t values;
        int shift;  // seconds the peak file is newer than the wave
    };
    for (Case c : {Case{1, 5}, Case{3, -10}}) {
        ASSERT_TRUE(
            WriteBytes(PeakFileName(wave), HandMadePeakFile(SampleDividers(), 2, std::vector<uint16_t>(c.values, 9))));
        ShiftTime(PeakFileName(wave), c.shift);
        CQueEdit step = StepOf(wave, kStepOriginal, 4 * 2040);  // fresh from a session file: no dividers in memory
        ASSERT_TRUE(CPeakFile::LoadStepPeaks(step, fmt, 204)) << c.values;
        ASSERT_TRUE(step.peaks);
        ASSERT_EQ(step.peaks->size(), 40u);
        EXPECT_EQ((*step.peaks)[0] | (*step.peaks)[1] << 8, 1024);  // 16-bit 1024 is 1024 << 8 internally
        EXPECT_EQ(step.dividerCount, 2u);
        EXPECT_EQ(step.dividers.Name(1), "Second song");
        EXPECT_TRUE(CPeakFile::PeakFileIsCurrent(wave, PeakFileName(wave)));
    }
    EXPECT_EQ(Shown(1414), 0);

    // When the audio is gone too, nothing can be rebuilt: 1414.
    ASSERT_TRUE(WriteBytes(PeakFileName(wave), HandMadePeakFile(SampleDividers(), 2, {0x1100})));
    ShiftTime(PeakFileName(wave), 5);
    std::filesystem::remove(wave);
    CQueEdit step = StepOf(wave, kStepFilter, 4 * 2040);
    EXPECT_FALSE(CPeakFile::LoadStepPeaks(step, fmt, 204));
    EXPECT_EQ(Shown(1414), 1);
}

TEST_F(PeakFileTest, StepPeaksFailOnOtherFormatMissingFileAndBrokenStep) {
    const WAVEFORMATEX fmt = MakeWaveFormat(1, 2, 44100, 16);
    CQueEdit step = StepOf(m_dir.File("gone.wav"), kStepFilter, 4 * 2040);
    EXPECT_FALSE(CPeakFile::LoadStepPeaks(step, fmt, 204));
    EXPECT_EQ(Shown(1414), 1);

    const std::string wave = m_dir.File("oldstep.wav");
    ASSERT_TRUE(WriteWave(wave, 2, 44100, 16, std::vector<int64_t>(2 * 2040, 0)));
    ASSERT_TRUE(
        WriteBytes(PeakFileName(wave), HandMadePeakFile(DividerBlock{}, 0, std::vector<uint16_t>(20), kOtherId)));
    ShiftTime(PeakFileName(wave), 5);
    step.fileName = wave;
    m_services.ClearMessages();
    EXPECT_FALSE(CPeakFile::LoadStepPeaks(step, fmt, 204));
    ASSERT_EQ(m_services.Messages().size(), 2u);
    EXPECT_EQ(m_services.Messages()[0].text, LoadString(217));
    EXPECT_EQ(m_services.Messages()[1].text, LoadString(1414));

    // A range that ends before it starts, or a step claiming far more than the file holds.
    ASSERT_TRUE(WriteBytes(PeakFileName(wave), HandMadePeakFile(DividerBlock{}, 0, std::vector<uint16_t>(20))));
    ShiftTime(PeakFileName(wave), 5);
    step.start = 100;
    step.newEnd = 10;
    EXPECT_FALSE(CPeakFile::LoadStepPeaks(step, fmt, 204));
    step.start = 0;
    step.newEnd = 0xFFFFFFF0u;
    EXPECT_FALSE(CPeakFile::LoadStepPeaks(step, fmt, 204));
}

TEST_F(PeakFileTest, CutStepReadsOnlyDividers) {
    const std::string placeholder = m_dir.File("cut.wav");
    ASSERT_TRUE(WriteBytes(placeholder, {}));
    ASSERT_TRUE(WriteBytes(PeakFileName(placeholder), {}));
    CQueEdit step;
    step.fileName = placeholder;
    step.type = kStepCut;
    step.start = step.sourceOffset = 1000;
    step.end = step.newEnd = 5000;
    step.dividers = SampleDividers();
    step.dividerCount = 2;
    // An empty placeholder peak file keeps the dividers the step was given.
    EXPECT_TRUE(CPeakFile::LoadStepPeaks(step, MakeWaveFormat(1, 2, 44100, 16), 204));
    EXPECT_EQ(step.dividerCount, 2u);
    EXPECT_FALSE(step.peaks);

    DividerBlock one{};
    one.SetName(0, "Only");
    ASSERT_TRUE(CPeakFile::WriteDividers(placeholder, one, 1));
    EXPECT_TRUE(CPeakFile::LoadStepPeaks(step, MakeWaveFormat(1, 2, 44100, 16), 204));
    EXPECT_EQ(step.dividerCount, 1u);
    EXPECT_EQ(step.dividers.Name(0), "Only");
    EXPECT_EQ(Shown(1414), 0);
}
