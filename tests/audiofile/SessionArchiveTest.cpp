#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audiofile/SessionArchive.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Hand-made archive bytes, little-endian.
struct B {
    Bytes b;
    B& u8(uint8_t v) {
        b.push_back(v);
        return *this;
    }
    B& u16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    B& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    B& chars(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    B& str(const std::string& s) { return u8(static_cast<uint8_t>(s.size())).chars(s); }  // short form only
    B& fmt(const WAVEFORMATEX& f) {
        return u16(f.cbSize)
            .u32(f.nAvgBytesPerSec)
            .u16(f.nBlockAlign)
            .u16(f.nChannels)
            .u32(f.nSamplesPerSec)
            .u16(f.wBitsPerSample)
            .u16(f.wFormatTag);
    }
};

const std::string kId = "{0B5976BC-2C27-4f04-9D26-362AD54A1139}";

CQueEdit Step(uint32_t type, const std::string& file, const std::string& label, uint32_t start, uint32_t end,
              uint32_t newEnd, uint32_t offset, uint32_t dataOffset, const WAVEFORMATEX& f) {
    CQueEdit s;
    s.type = type;
    s.fileName = file;
    s.label = label;
    s.start = start;
    s.end = end;
    s.newEnd = newEnd;
    s.sourceOffset = offset;
    s.dataOffset = dataOffset;
    s.format = f;
    return s;
}

TEST(SessionArchiveTest, WritesTheFileByteForByte) {
    const WAVEFORMATEX stereo = MakeWaveFormat(1, 2, 44100, 16);
    const WAVEFORMATEX mono = MakeWaveFormat(1, 1, 22050, 24);
    std::vector<CQueEdit> steps = {
        Step(5, "/m/Song.wav", "", 0, 10000, 10000, 0, 44, stereo),
        Step(4, "/t/dctmp1.wav", "Clean", 1000, 2000, 2000, 0, 44, stereo),
        Step(7, "/t/dctmp2.wav", "Pitch", 0, 8, 12, 4, 80, mono),
    };
    Bytes out;
    ASSERT_TRUE(CSessionArchive::Write("/m/Song.wav", stereo, steps, out));

    B e;
    e.str(kId).str("/m/Song.wav");
    e.u16(18).u32(176400).u16(4).u16(2).u32(44100).u16(16).u16(1);
    e.u16(3);
    e.u16(0xFFFF).u16(0).u16(8).chars("CQueEdit");
    e.str("/m/Song.wav").str("").u32(44).u32(0).u32(10000).u32(10000).u32(0).fmt(stereo).u32(5);
    e.u16(0x8001);
    e.str("/t/dctmp1.wav").str("Clean").u32(44).u32(1000).u32(2000).u32(2000).u32(0).fmt(stereo).u32(4);
    e.u16(0x8001);
    e.str("/t/dctmp2.wav").str("Pitch").u32(80).u32(0).u32(8).u32(12).u32(4);
    e.u16(18).u32(66150).u16(3).u16(1).u32(22050).u16(24).u16(1).u32(7);
    EXPECT_EQ(out, e.b);

    // Reading it back and writing again gives the same bytes: every field survives the trip.
    CSessionArchive::Contents back;
    ASSERT_EQ(CSessionArchive::Read(out.data(), out.size(), back), CSessionArchive::kOk);
    Bytes again;
    ASSERT_TRUE(CSessionArchive::Write(back.songPath, back.format, back.steps, again));
    EXPECT_EQ(again, out);
}

TEST(SessionArchiveTest, StringsTakeTheirThreeLengthForms) {
    struct Case {
        size_t length;
        Bytes head;
    };
    const Case cases[] = {{0, {0x00}},
                          {254, {0xFE}},
                          {255, {0xFF, 0xFF, 0x00}},
                          {0xFFFD, {0xFF, 0xFD, 0xFF}},
                          {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
                          {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string text(c.length, 'q');
        Bytes out;
        ASSERT_TRUE(CSessionArchive::AppendString(out, text));
        ASSERT_EQ(out.size(), c.head.size() + c.length);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<long>(c.head.size())), c.head);
        size_t pos = 0;
        std::string back;
        ASSERT_TRUE(CSessionArchive::ReadString(out.data(), out.size(), pos, back));
        EXPECT_EQ(pos, out.size());
        EXPECT_EQ(back, text);
        // Any cut leaves the string unreadable, never read past the end.
        if (!out.empty()) {
            pos = 0;
            EXPECT_FALSE(CSessionArchive::ReadString(out.data(), out.size() - 1, pos, back));
        }
    }
}

TEST(SessionArchiveTest, ReadsHandMadeFilesWithWideStringsAndLongForms) {
    const WAVEFORMATEX f = MakeWaveFormat(1, 2, 48000, 16);
    const std::string longLabel(300, 'L');
    B e;
    // The identifier in other letter case, the song path as a wide string of five units.
    e.str("{0b5976bc-2c27-4F04-9d26-362ad54a1139}");
    e.u8(0xFF).u16(0xFFFE).u8(5).u16('S').u16(0xF6).u16(0x43D).u16(0xD83C).u16(0xDFB5);
    e.fmt(f);
    e.u16(0xFFFF).u32(2);  // the count in its escaped form
    e.u16(0xFFFF).u16(0).u16(8).chars("CQueEdit");
    e.str("/m/a.wav").u8(0xFF).u16(longLabel.size()).chars(longLabel);
    e.u32(44).u32(0).u32(400).u32(400).u32(0).fmt(f).u32(5);
    e.u16(0x8001);
    // A wide file name whose length uses the 0xFF + u16 form.
    e.u8(0xFF).u16(0xFFFE).u8(0xFF).u16(3).u16('x').u16('.').u16('w');
    e.u8(0xFF).u16(0xFFFF).u32(2).chars("ab");
    e.u32(46).u32(100).u32(200).u32(200).u32(100).fmt(f).u32(4);

    CSessionArchive::Contents c;
    ASSERT_EQ(CSessionArchive::Read(e.b.data(), e.b.size(), c), CSessionArchive::kOk);
    // The last two wide units are a surrogate pair.
    EXPECT_EQ(c.songPath, "S\xC3\xB6\xD0\xBD\xF0\x9F\x8E\xB5");
    ASSERT_EQ(c.steps.size(), 2u);
    EXPECT_EQ(c.steps[0].label, longLabel);
    EXPECT_EQ(c.steps[1].fileName, "x.w");
    EXPECT_EQ(c.steps[1].label, "ab");
    EXPECT_EQ(c.steps[1].dataOffset, 46u);
    EXPECT_EQ(c.steps[1].type, 4u);
}

TEST(SessionArchiveTest, ForeignOrDamagedFilesFailCleanly) {
    const WAVEFORMATEX f = MakeWaveFormat(1, 2, 44100, 16);
    std::vector<CQueEdit> steps = {Step(5, "/m/S.wav", "", 0, 40, 40, 0, 44, f),
                                   Step(0, "/t/c.wav", "", 4, 8, 8, 4, 44, f)};
    Bytes good;
    ASSERT_TRUE(CSessionArchive::Write("/m/S.wav", f, steps, good));
    CSessionArchive::Contents c;

    // Another identifier: not a session of ours.
    Bytes other = good;
    other[5] = 'X';
    EXPECT_EQ(CSessionArchive::Read(other.data(), other.size(), c), CSessionArchive::kNotSession);

    // Every cut: the head unreadable is no session; a cut in the steps keeps the whole steps before it.
    const size_t headEnd = 1 + kId.size() + 1 + 8 + 18;
    for (size_t n = 0; n < good.size(); ++n) {
        auto r = CSessionArchive::Read(good.data(), n, c);
        if (n < headEnd) {
            EXPECT_EQ(r, CSessionArchive::kNotSession) << n;
        } else {
            EXPECT_EQ(r, CSessionArchive::kStepsDamaged) << n;
            EXPECT_LE(c.steps.size(), 1u);
        }
    }

    // A wrong class record, a reference before any class, a later new-class record, a huge count.
    auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) {
        Bytes b = good;
        size_t i = at;
        for (uint8_t v : bytes) b[i++] = v;
        return b;
    };
    const size_t classAt = headEnd + 2;
    for (const Bytes& bad : {patched(classAt + 2, {1}), patched(classAt + 6, {'X'}), patched(classAt, {0x01, 0x80}),
                             patched(headEnd, {0xFF, 0xFF})}) {
        EXPECT_EQ(CSessionArchive::Read(bad.data(), bad.size(), c), CSessionArchive::kStepsDamaged);
    }
    Bytes huge(good.begin(), good.begin() + static_cast<long>(headEnd));
    huge.insert(huge.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});  // the escaped count 0xFFFFFFFF
    EXPECT_EQ(CSessionArchive::Read(huge.data(), huge.size(), c), CSessionArchive::kStepsDamaged);
}

}  // namespace
