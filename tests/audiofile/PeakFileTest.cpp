// Peak files on disk: the builder's layout, dividers, and the loading of a
// session step's peak data, including damaged, short and stale files.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/QueEdit.h"
#include "audiofile/WaveFile.h"
#include "base/StringTable.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"

namespace fs = std::filesystem;

namespace {

std::vector<uint16_t> ValuesOf(const Bytes& file) {
    std::vector<uint16_t> v;
    for (size_t i = CPeakFile::kHeaderBytes; i + 1 < file.size(); i += 2)
        v.push_back(static_cast<uint16_t>(file[i] | file[i + 1] << 8));
    return v;
}

// A peak file written byte by byte, independently of the code under test.
Bytes HandMadePeakFile(const DividerBlock& block, uint32_t count, const std::vector<uint16_t>& values,
                       const uint8_t* id = CPeakFile::kIdentifier) {
    Bytes b(id, id + 16);
    b.insert(b.end(), block.Bytes(), block.Bytes() + sizeof(DividerBlock));
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(count >> (8 * i)));
    for (uint16_t v : values) b.insert(b.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
    return b;
}

const uint8_t kOtherId[16] = {0x41, 0x1F, 0x07, 0xF6, 0x0A, 0x32, 0xD3, 0x11, 0, 0, 0, 0, 0, 0, 0, 0};

// Writes the peak file of wave, `newer` seconds newer than the wave (negative: older).
void WritePeaks(const std::string& wave, const Bytes& bytes, int newer = 5) {
    ASSERT_TRUE(WriteBytes(PeakFileName(wave), bytes));
    if (fs::exists(wave))
        fs::last_write_time(PeakFileName(wave), fs::last_write_time(wave) + std::chrono::seconds(newer));
}

// A block with two dividers, the status flags and the seven carried bytes set.
DividerBlock SampleDividers() {
    DividerBlock b{};
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

// The kinds of the faults, in order.
std::vector<FaultKind> KindsOf(const FileFaults& faults) {
    std::vector<FaultKind> kinds;
    for (const FileFault& f : faults) kinds.push_back(f.kind);
    return kinds;
}

class PeakFileTest : public ProcessingTest {
protected:
    void TearDown() override {
        // These layers leave every message to their callers.
        EXPECT_TRUE(services.Messages().empty());
        ProcessingTest::TearDown();
    }

    // Builds the peak file of a wave; the builder's result.
    int Build(const std::string& wave, const DividerBlock* block = nullptr, uint32_t count = 0, uint32_t first = 0,
              uint32_t last = 0) {
        CWaveFile file;
        PeakResults r;
        const int rc = file.OpenRead(wave);
        shortWave = false;
        if (rc != 0) return rc;
        const int built = CPeakFile::BuildPeakFile(file, first, last, block, count, r);
        shortWave = r.shortWave;
        return built;
    }

    bool shortWave = false;  // the last Build padded a wave shorter than its header
};

}  // namespace

// --- building ------------------------------------------------------------------------

TEST_F(PeakFileTest, LayoutAndTheHalfGroupRule) {
    // Mono: a group's value also takes in the frame that closed the group before it.
    std::vector<int64_t> mono(408, 0);
    mono[100] = -1234;
    mono[203] = 3000;
    mono[300] = 2000;
    ASSERT_TRUE(WriteWave(dir.File("mono.wav"), 1, 44100, 16, mono));
    ASSERT_EQ(Build(dir.File("mono.wav")), 0);
    EXPECT_EQ(ReadBytes(dir.File("mono.pkf")), HandMadePeakFile(DividerBlock{}, 0, {3000, 3000}));

    // Stereo: a last group of fewer than half of 204 frames makes no value; 16-bit -32768 makes 32768.
    struct Case {
        size_t frames;
        std::vector<uint16_t> values;
    };
    for (const Case& c : {Case{204, {10, 32768}}, Case{305, {10, 20}}, Case{306, {10, 20, 0, 32768}}}) {
        std::vector<int64_t> st(2 * c.frames, 0);
        st[0] = 10;
        st[1] = -20;
        st.back() = -32768;
        ASSERT_TRUE(WriteWave(dir.File("st.wav"), 2, 44100, 16, st));
        ASSERT_EQ(Build(dir.File("st.wav")), 0);
        EXPECT_EQ(ReadBytes(dir.File("st.pkf")), HandMadePeakFile(DividerBlock{}, 0, c.values)) << c.frames;
    }
}

TEST_F(PeakFileTest, PartialRebuildPutsValuesWhereAFullBuildWould) {
    // 24-bit stereo is the format whose peak positions round to pairs of groups.
    for (uint16_t bits : {16, 24}) {
        const std::string wave = dir.File("part.wav");
        std::vector<int64_t> s(2 * 20000, 100);
        ASSERT_TRUE(WriteWave(wave, 2, 44100, bits, s));
        ASSERT_EQ(Build(wave), 0);
        s[2 * 9000] = 5000;  // a click in the left channel
        ASSERT_TRUE(WriteWave(wave, 2, 44100, bits, s));
        const uint32_t frameBytes = 2 * bits / 8;
        ASSERT_EQ(Build(wave, nullptr, 0, 9000 * frameBytes, 9001 * frameBytes), 0);
        const Bytes partial = ReadBytes(PeakFileName(wave));
        ASSERT_TRUE(fs::remove(PeakFileName(wave)));
        ASSERT_EQ(Build(wave), 0);
        EXPECT_EQ(partial, ReadBytes(PeakFileName(wave))) << bits;
        const std::vector<uint16_t> values = ValuesOf(partial);  // the click is in
        EXPECT_EQ(*std::max_element(values.begin(), values.end()), 5000 >> (bits - 16));
    }
}

TEST_F(PeakFileTest, RebuildKeepsGivenDividersAndDropsStaleValues) {
    const std::string wave = dir.File("song.wav");
    ASSERT_TRUE(WriteWave(wave, 2, 44100, 16, std::vector<int64_t>(2 * 5000, 300)));
    // An older, longer peak file of the same name.
    WritePeaks(wave, HandMadePeakFile(DividerBlock{}, 0, std::vector<uint16_t>(900, 7)));
    const DividerBlock block = SampleDividers();
    ASSERT_EQ(Build(wave, &block, 2), 0);
    EXPECT_EQ(ReadBytes(PeakFileName(wave)), HandMadePeakFile(block, 2, std::vector<uint16_t>(2 * 25, 300)));
}

TEST_F(PeakFileTest, ShortWaveIsPaddedWithZerosAndReported) {
    const std::string wave = dir.File("short.wav");
    WaveLayout layout;
    layout.channels = 1;
    layout.claimedDataSize = 2 * 2040;  // ten groups claimed, one present
    ASSERT_TRUE(WriteBytes(wave, BuildWave(layout, EncodeSamples(16, std::vector<int64_t>(204, 512)))));
    ASSERT_EQ(Build(wave), 0);
    EXPECT_TRUE(shortWave);
    EXPECT_EQ(ValuesOf(ReadBytes(PeakFileName(wave))), (std::vector<uint16_t>{512, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    // A header claiming gigabytes costs one buffer of zeros, not gigabytes.
    layout.claimedDataSize = 0x7FFFFFF0u;
    ASSERT_TRUE(WriteBytes(wave, BuildWave(layout, EncodeSamples(16, std::vector<int64_t>(204, 512)))));
    ASSERT_EQ(Build(wave), 0);
    EXPECT_EQ(ValuesOf(ReadBytes(PeakFileName(wave))).size(), 1u + 4096u);

    // A complete wave is no short one.
    ASSERT_TRUE(WriteWave(wave, 1, 44100, 16, std::vector<int64_t>(2040, 512)));
    ASSERT_EQ(Build(wave), 0);
    EXPECT_FALSE(shortWave);
}

TEST_F(PeakFileTest, BuilderFailuresAreReturned) {
    CWaveFile never;
    PeakResults r;
    EXPECT_NE(CPeakFile::BuildPeakFile(never, 0, 0, nullptr, 0, r), 0);
    // A peak file that cannot be created: its name is taken by a folder.
    const std::string wave = dir.File("blocked.wav");
    ASSERT_TRUE(WriteWave(wave, 1, 44100, 16, std::vector<int64_t>(1000, 1)));
    fs::create_directory(PeakFileName(wave));
    EXPECT_EQ(Build(wave), -1);
}

// --- dividers -------------------------------------------------------------------------

TEST_F(PeakFileTest, WrittenDividersLeavePeakValuesAndCarriedBytes) {
    const std::string wave = dir.File("div.wav");
    std::vector<int64_t> s(2 * 3000);
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int64_t>((i * 7919) % 30000) - 15000;
    ASSERT_TRUE(WriteWave(wave, 2, 44100, 16, s));
    ASSERT_EQ(Build(wave), 0);
    const Bytes before = ReadBytes(PeakFileName(wave));

    const DividerBlock block = SampleDividers();
    ASSERT_TRUE(CPeakFile::WriteDividers(wave, block, 2));
    EXPECT_EQ(ReadBytes(PeakFileName(wave)), HandMadePeakFile(block, 2, ValuesOf(before)));
    DividerBlock read{};
    uint32_t count = 0;
    ASSERT_TRUE(CPeakFile::ReadDividers(wave, read, count));
    EXPECT_EQ(count, 2u);
    EXPECT_TRUE(std::memcmp(read.Bytes(), block.Bytes(), sizeof block) == 0);

    // Writing needs an existing peak file; none is made.
    EXPECT_FALSE(CPeakFile::WriteDividers(dir.File("none.wav"), block, 1));
    EXPECT_FALSE(fs::exists(dir.File("none.pkf")));
}

TEST_F(PeakFileTest, ForeignAndDamagedHeadersFailSafelyAndStayUntouched) {
    const std::string wave = dir.File("bad.wav");
    DividerBlock block{};
    uint32_t count = 0;
    // A count beyond the 100 records is clamped.
    WritePeaks(wave, HandMadePeakFile(SampleDividers(), 0xFFFFFFFFu, {}));
    ASSERT_TRUE(CPeakFile::ReadDividers(wave, block, count));
    EXPECT_EQ(count, 100u);
    // Truncated headers, empty and missing files fail quietly.
    for (size_t size : {size_t{0}, size_t{5}, size_t{16}, size_t{26019}}) {
        Bytes b = HandMadePeakFile(DividerBlock{}, 1, {});
        b.resize(size);
        WritePeaks(wave, b);
        EXPECT_FALSE(CPeakFile::ReadDividers(wave, block, count)) << size;
    }
    bool oldFormat = true;
    EXPECT_FALSE(CPeakFile::ReadDividers(dir.File("missing.wav"), block, count, &oldFormat));
    EXPECT_FALSE(oldFormat);

    // Another program's format is told apart (for message 217) and never overwritten by divider calls.
    const Bytes old = HandMadePeakFile(SampleDividers(), 2, {1, 2, 3}, kOtherId);
    WritePeaks(wave, old);
    count = 99;
    EXPECT_FALSE(CPeakFile::ReadDividers(wave, block, count, &oldFormat));
    EXPECT_TRUE(oldFormat);
    EXPECT_EQ(count, 99u);
    oldFormat = false;
    EXPECT_FALSE(CPeakFile::WriteDividers(wave, SampleDividers(), 1, &oldFormat));
    EXPECT_TRUE(oldFormat);
    EXPECT_EQ(ReadBytes(PeakFileName(wave)), old);
    // Rebuilding, which message 217 asks for, replaces it with a proper file.
    ASSERT_TRUE(WriteWave(wave, 1, 44100, 16, std::vector<int64_t>(408, 256)));
    ASSERT_EQ(Build(wave), 0);
    EXPECT_EQ(ReadBytes(PeakFileName(wave)), HandMadePeakFile(DividerBlock{}, 0, {256, 256}));
}

// --- session steps -----------------------------------------------------------------

TEST_F(PeakFileTest, StepPeaksTolerateEightMissingBytes) {
    const std::string wave = dir.File("step.wav");
    ASSERT_TRUE(WriteWave(wave, 1, 44100, 16, std::vector<int64_t>(1224, 0)));
    CQueEdit step = StepOf(wave, kStepFilter, 2448);  // six values, twelve bytes
    for (size_t count : {6, 2}) {
        std::vector<uint16_t> values;
        Bytes want;  // the last byte read (0x11, high byte of the last value) fills the rest
        for (size_t i = 0; i < 6; ++i) {
            if (i < count) values.push_back(static_cast<uint16_t>(0x1100 + i));
            want.insert(want.end(), {static_cast<uint8_t>(i < count ? i : 0x11), 0x11});
        }
        WritePeaks(wave, HandMadePeakFile(SampleDividers(), 2, values));
        step.peaks.reset();
        EXPECT_TRUE(CPeakFile::LoadStepPeaks(step, MakeWaveFormat(1, 1, 44100, 16))) << count;
        ASSERT_TRUE(step.peaks);
        EXPECT_EQ(*step.peaks, want);
        EXPECT_EQ(step.dividerCount, 2u);
        EXPECT_EQ(step.dividers.Name(0), "Side A");
    }
}

TEST_F(PeakFileTest, ShortOrStalePeakFileIsRebuiltKeepingItsDividers) {
    // A crash while a peak file was being built leaves a current but short file; the song must still open.
    const std::string wave = dir.File("cut.wav");
    const WAVEFORMATEX fmt = MakeWaveFormat(1, 2, 44100, 16);
    ASSERT_TRUE(WriteWave(wave, 2, 44100, 16, std::vector<int64_t>(2 * 2040, 1024)));
    for (int newer : {5, -10}) {
        WritePeaks(wave, HandMadePeakFile(SampleDividers(), 2, std::vector<uint16_t>(newer > 0 ? 1 : 3, 9)), newer);
        CQueEdit step = StepOf(wave, kStepOriginal, 4 * 2040);  // fresh from a session file: no dividers in memory
        FileFaults faults;
        ASSERT_TRUE(CPeakFile::LoadStepPeaks(step, fmt, &faults)) << newer;
        EXPECT_TRUE(faults.empty());
        ASSERT_TRUE(step.peaks);
        ASSERT_EQ(step.peaks->size(), 40u);
        EXPECT_EQ((*step.peaks)[0] | (*step.peaks)[1] << 8, 1024);  // 16-bit 1024 is 1024 << 8 internally
        EXPECT_EQ(step.dividerCount, 2u);
        EXPECT_EQ(step.dividers.Name(1), "Second song");
        EXPECT_TRUE(CPeakFile::PeakFileIsCurrent(wave, PeakFileName(wave)));
    }

    // When the audio is gone too, nothing can be rebuilt (1414).
    WritePeaks(wave, HandMadePeakFile(SampleDividers(), 2, {0x1100}));
    fs::remove(wave);
    CQueEdit step = StepOf(wave, kStepFilter, 4 * 2040);
    FileFaults faults;
    EXPECT_FALSE(CPeakFile::LoadStepPeaks(step, fmt, &faults));
    EXPECT_EQ(KindsOf(faults), std::vector<FaultKind>{FaultKind::kNoPeakFile});
}

TEST_F(PeakFileTest, StepPeaksFailOnOtherFormatMissingFileAndBrokenStep) {
    const WAVEFORMATEX fmt = MakeWaveFormat(1, 2, 44100, 16);
    CQueEdit step = StepOf(dir.File("gone.wav"), kStepFilter, 4 * 2040);
    FileFaults faults;
    EXPECT_FALSE(CPeakFile::LoadStepPeaks(step, fmt, &faults));
    ASSERT_EQ(KindsOf(faults), std::vector<FaultKind>{FaultKind::kNoPeakFile});
    EXPECT_FALSE(faults[0].oldFormat);

    // Another format: 217 goes before 1414.
    step.fileName = dir.File("oldstep.wav");
    ASSERT_TRUE(WriteWave(step.fileName, 2, 44100, 16, std::vector<int64_t>(2 * 2040, 0)));
    WritePeaks(step.fileName, HandMadePeakFile(DividerBlock{}, 0, std::vector<uint16_t>(20), kOtherId));
    faults.clear();
    EXPECT_FALSE(CPeakFile::LoadStepPeaks(step, fmt, &faults));
    ASSERT_EQ(KindsOf(faults), std::vector<FaultKind>{FaultKind::kNoPeakFile});
    EXPECT_TRUE(faults[0].oldFormat);

    // A range that ends before it starts, or a step claiming far more than the file holds.
    WritePeaks(step.fileName, HandMadePeakFile(DividerBlock{}, 0, std::vector<uint16_t>(20)));
    for (auto [start, end] : {std::pair{100u, 10u}, std::pair{0u, 0xFFFFFFF0u}}) {
        step.start = start;
        step.newEnd = end;
        EXPECT_FALSE(CPeakFile::LoadStepPeaks(step, fmt)) << start << ".." << end;
    }
}

TEST_F(PeakFileTest, CutStepReadsOnlyDividers) {
    const std::string placeholder = dir.File("cut.wav");
    ASSERT_TRUE(WriteBytes(placeholder, {}));
    ASSERT_TRUE(WriteBytes(PeakFileName(placeholder), {}));
    CQueEdit step = StepOf(placeholder, kStepCut, 5000);
    step.start = step.sourceOffset = 1000;
    step.dividers = SampleDividers();
    step.dividerCount = 2;
    // An empty placeholder peak file keeps the dividers the step was given.
    EXPECT_TRUE(CPeakFile::LoadStepPeaks(step, MakeWaveFormat(1, 2, 44100, 16)));
    EXPECT_EQ(step.dividerCount, 2u);
    EXPECT_FALSE(step.peaks);

    DividerBlock one{};
    one.SetName(0, "Only");
    ASSERT_TRUE(CPeakFile::WriteDividers(placeholder, one, 1));
    EXPECT_TRUE(CPeakFile::LoadStepPeaks(step, MakeWaveFormat(1, 2, 44100, 16)));
    EXPECT_EQ(step.dividerCount, 1u);
    EXPECT_EQ(step.dividers.Name(0), "Only");
}
