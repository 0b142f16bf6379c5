#include <gmock/gmock.h>

#include "cd/CdPlaylist.h"
#include "cd/PlaylistImport.h"
#include "support/TempDir.h"

namespace {

using ::testing::ElementsAre;

std::string Prefixed(const std::string& s) {
    std::string out;
    const size_t n = s.size();
    if (n < 255) {
        out += static_cast<char>(n);
    } else if (n < 0xFFFE) {
        out += '\xFF';
        out += static_cast<char>(n & 0xFF);
        out += static_cast<char>(n >> 8);
    } else {
        out += "\xFF\xFF\xFF";
        for (int i = 0; i < 4; ++i) out += static_cast<char>(n >> (8 * i));
    }
    return out + s;
}

TEST(CdPlaylistTest, FileIsWrittenByteForByteWithEachStringPrefix) {
    const std::string name300 = "/bin3/" + std::string(300, 'n') + ".wav";  // 3-byte prefix
    const std::string title300 = std::string(300, 'n');
    const std::string long70k(70000, 'x');  // 7-byte prefix
    CdPlaylistData data;
    data.current = "/bin3/cur.wav";
    data.entries.push_back(CdPlaylistEntry::FromPath("/bin3/One.wav"));
    data.entries.push_back(CdPlaylistEntry::FromPath(name300));
    CdPlaylistEntry odd = CdPlaylistEntry::FromPath("C:\\\\Music\\\\x.wav");
    odd.text2 = "kept";
    odd.text4 = long70k;
    odd.value = 0x01020304;
    odd.flags = {1, 2, 3, 4, 5};
    data.entries.push_back(odd);

    const std::string id = "{C2E9A8F2-98AE-4f2e-85D8-A6BDB30FD2B4}";
    std::string expected = Prefixed(id) + Prefixed(data.current) + std::string("\x03\0\0\0", 4);
    const std::string zeroTail("\0\0\0\0\0\0\0\0\0", 9);
    expected += Prefixed("One") + Prefixed("") + Prefixed("/bin3/One.wav") + Prefixed("") + zeroTail;
    expected += Prefixed(title300) + Prefixed("") + Prefixed(name300) + Prefixed("") + zeroTail;
    expected += Prefixed(odd.title) + Prefixed("kept") + Prefixed(odd.path) + Prefixed(long70k) +
                std::string("\x04\x03\x02\x01\x01\x02\x03\x04\x05", 9);
    const std::string bytes = CCdPlaylist::Serialize(data);
    ASSERT_EQ(bytes, expected);
    EXPECT_EQ(bytes.substr(bytes.find(name300) - 3, 3), "\xFF\x36\x01");

    CdPlaylistData back;
    ASSERT_TRUE(CCdPlaylist::Parse(bytes, back));
    EXPECT_EQ(CCdPlaylist::Serialize(back), bytes);
    EXPECT_EQ(back.entries[2].path, "C:\\Music\\x.wav");

    TempDir dir;
    ASSERT_TRUE(CCdPlaylist::Save(dir.File(CCdPlaylist::kFileName), back));
    CdPlaylistData loaded;
    ASSERT_TRUE(CCdPlaylist::Load(dir.File(CCdPlaylist::kFileName), loaded));
    EXPECT_EQ(CCdPlaylist::Serialize(loaded), bytes);
}

TEST(CdPlaylistTest, ForeignOrCutFilesAreRefused) {
    CdPlaylistData data;
    data.entries.push_back(CdPlaylistEntry::FromPath("/a.wav"));
    const std::string good = CCdPlaylist::Serialize(data);
    CdPlaylistData out;
    for (size_t cut = 0; cut < good.size(); ++cut) EXPECT_FALSE(CCdPlaylist::Parse(good.substr(0, cut), out)) << cut;
    std::string other = good;
    other[5] = 'Z';
    EXPECT_FALSE(CCdPlaylist::Parse(other, out));
    // A wide-string marker is not ours.
    EXPECT_FALSE(CCdPlaylist::Parse(std::string("\xFF\xFE\xFF\x01\0a", 6), out));
}

std::string WlsRecord(const std::string& path) {
    std::string r = path;
    r.resize(CPlaylistImport::kWlsRecordBytes, '\0');
    return r;
}

TEST(PlaylistImportTest, WlsListsNeedTheHeaderAndWholeRecords) {
    std::string header = CPlaylistImport::kWlsHeader;
    header.resize(CPlaylistImport::kWlsHeaderBytes, '\0');
    const std::string full = WlsRecord(std::string(600, 'p'));  // no terminator inside the record
    struct Case {
        const char* name;
        std::string bytes;
        bool ok;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {"shorter than a record", header + "tail", true, {}},
        {"no header", std::string(524, 'x'), false, {}},
        {"two records",
         header + WlsRecord("/m/a.wav") + WlsRecord("/m/\xE9t\xE9.wav"),
         true,
         {"/m/a.wav", "/m/\xE9t\xE9.wav"}},
        {"short last record", header + WlsRecord("/m/a.wav") + "/m/b.wav", true, {"/m/a.wav"}},
        {"unterminated path", header + full, true, {std::string(524, 'p')}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> paths;
        EXPECT_EQ(CPlaylistImport::ParseWls(c.bytes, paths), c.ok) << c.name;
        EXPECT_EQ(paths, c.paths) << c.name;
    }
}

TEST(PlaylistImportTest, M3uSkipsCommentsAndBlankLinesAndResolvesRelativePaths) {
    const std::string text =
        "\xEF\xBB\xBF#EXTM3U\r\n"
        "#EXTINF:123,Artist - Song\r\n"
        "  song one.wav\r\n"
        "\r\n"
        "   \t\n"
        "    # indented comment\n"
        "/abs/two.wav\n"
        "sub/caf\xE9.wav";
    EXPECT_THAT(CPlaylistImport::ParseM3u(text, "/lists"),
                ElementsAre("/lists/song one.wav", "/abs/two.wav", "/lists/sub/caf\xE9.wav"));
    EXPECT_TRUE(CPlaylistImport::ParseM3u("", "/x").empty());
}

}  // namespace
