#include <gmock/gmock.h>

#include "CdFixture.h"
#include "CddbTestServer.h"
#include "base/SettingsStore.h"
#include "cd/CdRipper.h"
#include "cd/Mp3RipSink.h"
#include "support/CdImageBuilder.h"
#include "support/CliHarness.h"
#include "support/TempDir.h"

namespace {

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::StartsWith;

const char* kRecord =
    "210 rock 0b00c303 CD database entry follows (until terminating `.')\r\n"
    "# xmcd\r\n"
    "#\r\n"
    "# Track frame offsets:\r\n"
    "#\t150\r\n"
    "#\t900\r\n"
    "#\t1200\r\n"
    "#\r\n"
    "# Disc length: 19 seconds\r\n"
    "#\r\n"
    "# Revision: 1\r\n"
    "#\r\n"
    "DISCID=0b00c303\r\n"
    "DTITLE=The Artist / The Album\r\n"
    "TTITLE0=First Song\r\n"
    "TTITLE1=Second \r\n"
    "TTITLE2=Third: Part/One\r\n"
    "EXTD=\r\n"
    ".\r\n";

std::string Sites(int port) {
    return "210 OK, site information follows (until terminating `.')\r\n127.0.0.1 http " + std::to_string(port) +
           " /~cddb/cddb.cgi N000.00 W000.00 Test mirror\r\n.\r\n";
}

// A server for one disc: the query reply is the scenario's, a read gives the record.
CCddbTestServer::Handler Answering(std::string queryReply) {
    return [queryReply](const std::string&, const std::string& cmd) -> std::string {
        if (cmd.rfind("cddb query", 0) == 0) return queryReply;
        if (cmd.rfind("cddb read", 0) == 0) return kRecord;
        return "500 Unrecognized command.\r\n";
    };
}

class CddbTest : public CdFixture {
protected:
    void SetUp() override {
        CdFixture::SetUp();
        MakeCueImage(dir.Path().string(), "disc", {{750}, {300}, {226}});
        store.WriteProfileString("CDDB", "CDDBServer", "127.0.0.1");
    }
    std::unique_ptr<CCdRipper> Ripper(int port) {
        store.WriteProfileInt("CDDB", "ServerPort", port);
        return ImageRipper(dir.Path().string());
    }
};

TEST_F(CddbTest, FirstMatchGivesArtistAlbumAndTrackTitles) {
    const char* exact = "200 rock 0b00c303 The Artist / The Album\r\n";
    const char* several =
        "211 Found inexact matches, list follows (until terminating `.')\r\n"
        "rock 0b00c303  The Artist  /  The Album \r\n"
        "jazz 0b00c304 Someone Else / Another\r\n.\r\n";
    for (const char* reply : {exact, several}) {
        CCddbTestServer server(Answering(reply));
        auto r = Ripper(server.Port());
        ASSERT_TRUE(r->LookUpTitles());
        EXPECT_EQ(r->Artist(), "The Artist");
        EXPECT_EQ(r->Album(), "The Album");
        EXPECT_EQ(r->Rows()[0].name, "First Song");
        EXPECT_EQ(r->Rows()[1].name, "Second");
        EXPECT_EQ(r->Rows()[2].name, "Third: Part/One");
        EXPECT_EQ(r->Rows()[2].artist, "The Artist");
        EXPECT_EQ(r->Rows()[2].album, "The Album");
        EXPECT_EQ(r->Status(), "Ready");
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_THAT(requests[0], AllOf(StartsWith("GET /~cddb/cddb.cgi?cmd=cddb+query+"),
                                       HasSubstr("hello=restova+parlowe.invalid+Korrin+6.0")));
        EXPECT_THAT(requests[1], HasSubstr("cmd=cddb+read+rock+"));
    }
}

// Ripping to MP3 after the lookup tags each file with its title, the disc's artist and album and the
// track number, as ffprobe reads them back.
TEST_F(CddbTest, Mp3RipCarriesTheTitleData) {
    if (!HaveProgram("ffprobe")) GTEST_SKIP() << "ffprobe missing";
    store.WriteProfileString(kSectionRestova, "MP3EncoderPath", (BuiltProgramFolder() / "lame_enc.dll").string());
    SetProfile(&store);  // the encoder reads the program's own settings
    InstallMp3Ripping();
    CCddbTestServer server(Answering("200 rock 0b00c303 The Artist / The Album\r\n"));
    auto r = Ripper(server.Port());
    ASSERT_TRUE(r->LookUpTitles());
    r->Options().ripToMp3 = true;
    r->SetSelected(1, true);
    EXPECT_TRUE(r->RipSelected());
    CCdRipper::SetMp3SinkFactory(nullptr);
    SetProfile(nullptr);
    ASSERT_EQ(r->RippedFiles().size(), 1u);
    const std::string probe = dir.File("probe.txt");
    RunShell("ffprobe -v error -show_entries format_tags=title,artist,album,track -of default=nw=1 " +
             ShellQuote(r->RippedFiles()[0]) + " > " + ShellQuote(probe));
    EXPECT_EQ(ReadText(probe), "TAG:title=Second\nTAG:artist=The Artist\nTAG:album=The Album\nTAG:track=2\n");
}

TEST_F(CddbTest, RenamingUsesArtistAndAlbumAndCleansTheName) {
    CCddbTestServer server(Answering("200 rock 0b00c303 AC:DC / Live/Loud\r\n"));
    auto r = Ripper(server.Port());
    ASSERT_TRUE(r->LookUpTitles());
    r->RenameTracks(true, true);
    EXPECT_EQ(r->Rows()[0].name, "AC DC_Live-Loud 01");
    r->RenameTracks(false, true);
    EXPECT_EQ(r->Rows()[2].name, "Live-Loud 03");
    r->RenameTracks(false, false);
    EXPECT_EQ(r->Rows()[1].name, "Audio Track 02");
}

TEST_F(CddbTest, UnknownDiscLeavesTheListAsItWas) {
    CCddbTestServer server(Answering("202 No match for disc ID 0b00c303.\r\n"));
    auto r = Ripper(server.Port());
    EXPECT_FALSE(r->LookUpTitles());
    EXPECT_EQ(r->Status(), "Could not find track titles for this CD.");
    EXPECT_EQ(r->Rows()[0].name, "Audio Track 01");
    EXPECT_TRUE(services.Messages().empty());
}

TEST_F(CddbTest, ServerListIsTriedWhenTheServerGivesNoAnswer) {
    CCddbTestServer mirror(Answering("200 rock 0b00c303 The Artist / The Album\r\n"));
    CCddbTestServer broken([&](const std::string&, const std::string& cmd) -> std::string {
        if (cmd == "sites") return Sites(mirror.Port());
        return "402 Server error.\r\n";
    });
    auto r = Ripper(broken.Port());
    ASSERT_TRUE(r->LookUpTitles());
    EXPECT_EQ(r->Rows()[0].name, "First Song");
    EXPECT_THAT(broken.Requests(), Contains(HasSubstr("cmd=sites")));
    EXPECT_EQ(mirror.Requests().size(), 2u);
}

TEST_F(CddbTest, ServerDownShowsTheMessageAndKeepsTheList) {
    int port = 0;
    {
        CCddbTestServer server(Answering(""));
        port = server.Port();
        server.Stop();
    }
    auto r = Ripper(port);
    EXPECT_FALSE(r->LookUpTitles());
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].text, "Could not find the CDDB Server");
    EXPECT_EQ(r->Status(), "Unable to read track list. Could not find the CDDB Server. ");
    EXPECT_EQ(r->Rows()[0].name, "Audio Track 01");
    EXPECT_EQ(r->Artist(), "");
}

TEST_F(CddbTest, ProxyGetsTheWholeAddress) {
    CCddbTestServer proxy(Answering("200 rock 0b00c303 The Artist / The Album\r\n"));
    store.WriteProfileString("CDDB", "CDDBServer", "cddb.example.invalid");
    store.WriteProfileInt("CDDB", "UseProxy", 1);
    store.WriteProfileString("CDDB", "ProxyServer", "127.0.0.1");
    store.WriteProfileInt("CDDB", "ProxyPort", proxy.Port());
    auto r = Ripper(80);
    ASSERT_TRUE(r->LookUpTitles());
    ASSERT_FALSE(proxy.Requests().empty());
    EXPECT_THAT(proxy.Requests()[0], StartsWith("GET http://cddb.example.invalid:80/~cddb/cddb.cgi?cmd=cddb+query"));
}

TEST(CddbSplitTest, MatchTitleSplitsAtTheFirstSlash) {
    struct Case {
        const char* title;
        const char* artist;
        const char* album;
    };
    for (const Case c : {Case{"  Artist  /  Album ", "Artist", "Album"}, Case{"A/B/C", "A", "B/C"},
                         Case{"Only Album", "", "Only Album"}, Case{"/", "", ""}}) {
        std::string artist, album;
        CCddbClient::SplitTitle(c.title, artist, album);
        EXPECT_EQ(artist, c.artist) << c.title;
        EXPECT_EQ(album, c.album) << c.title;
    }
}

}  // namespace
