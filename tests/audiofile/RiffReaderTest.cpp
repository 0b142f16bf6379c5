#include <gtest/gtest.h>

#include <cstring>

#include "audiofile/RiffReader.h"
#include "audiofile/WaveFile.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

TEST(RiffReader, FindsDataPastUnknownChunksAndLongFmt) {
    WaveLayout l;
    l.fmtExtra = ExtensibleFmtExtra(16, 3, 1);  // 40-byte "fmt "
    l.chunksBeforeFmt = {ListInfoChunk("ISFT", "odd")};
    l.chunksBetween = {FactChunk(5), {"junk", Bytes(3, 9)}};  // odd-sized chunk with its pad byte
    l.chunksAfter = {ListInfoChunk("ICMT", "after")};
    const Bytes file = BuildWave(l, PatternBytes(20, 0));
    CRiffReader::Header h;
    ASSERT_EQ(CRiffReader::ParseHeader(file.data(), file.size(), h), 0);
    EXPECT_EQ(h.fmt.size(), 40u);
    EXPECT_EQ(h.dataSize, 20u);
    EXPECT_EQ(h.dataAvailable, 20u);
    EXPECT_EQ(
        Bytes(file.begin() + static_cast<long>(h.dataOffset), file.begin() + static_cast<long>(h.dataOffset) + 20),
        PatternBytes(20, 0));

    // The same through a file (descriptors are every wave's way in).
    TempDir dir;
    ASSERT_TRUE(WriteBytes(dir.File("a.wav"), file));
    CRiffReader::Header h2;
    ASSERT_EQ(CRiffReader::ReadHeader(dir.File("a.wav"), h2), 0);
    EXPECT_EQ(h2.dataOffset, h.dataOffset);
    EXPECT_EQ(CRiffReader::ReadHeader(dir.File("missing.wav"), h2), kErrCannotOpen);
}

TEST(RiffReader, TrustsNoSizeBeyondTheFile) {
    WaveLayout l;
    l.claimedDataSize = 1000000;  // claims far more than is there
    l.claimedRiffSize = 0;        // a writer that never finished
    Bytes file = BuildWave(l, PatternBytes(10, 0));
    CRiffReader::Header h;
    ASSERT_EQ(CRiffReader::ParseHeader(file.data(), file.size(), h), 0);
    EXPECT_EQ(h.dataSize, 1000000u);
    EXPECT_EQ(h.dataAvailable, 10u);

    // A chunk whose size runs past the end hides everything after it.
    WaveLayout big;
    big.chunksBetween = {{"junk", Bytes(4)}};
    file = BuildWave(big, PatternBytes(10, 0));
    file[12 + 8 + 16 + 4] = 0xFF;  // "junk" size -> huge
    file[12 + 8 + 16 + 7] = 0xFF;
    EXPECT_EQ(CRiffReader::ParseHeader(file.data(), file.size(), h), kErrFormat);
}

TEST(RiffReader, RefusesWhatIsNotAWave) {
    const Bytes good = BuildWave(WaveLayout{}, PatternBytes(8, 0));
    CRiffReader::Header h;
    // Every cut inside the header leaves something missing.
    for (size_t n = 0; n < 44; ++n) EXPECT_EQ(CRiffReader::ParseHeader(good.data(), n, h), kErrFormat) << n;
    EXPECT_EQ(CRiffReader::ParseHeader(good.data(), 44, h), 0);  // empty data is still a wave
    EXPECT_EQ(CRiffReader::ParseHeader(nullptr, 100, h), kErrFormat);

    Bytes bad = good;
    std::memcpy(bad.data() + 8, "AVI ", 4);
    EXPECT_EQ(CRiffReader::ParseHeader(bad.data(), bad.size(), h), kErrFormat);
    bad = good;
    std::memcpy(bad.data() + 12, "fmtx", 4);
    EXPECT_EQ(CRiffReader::ParseHeader(bad.data(), bad.size(), h), kErrFormat);
    bad = good;
    std::memcpy(bad.data() + 36, "dat ", 4);
    EXPECT_EQ(CRiffReader::ParseHeader(bad.data(), bad.size(), h), kErrFormat);
}

TEST(RiffReader, StopsOnEndlessEmptyChunks) {
    Bytes file = BuildWave(WaveLayout{}, PatternBytes(2, 0));
    Bytes junk;
    for (int i = 0; i < 200000; ++i) junk.insert(junk.end(), {'j', 'u', 'n', 'k', 0, 0, 0, 0});
    file.insert(file.begin() + 12, junk.begin(), junk.end());
    CRiffReader::Header h;
    EXPECT_EQ(CRiffReader::ParseHeader(file.data(), file.size(), h), kErrFormat);
}

}  // namespace
