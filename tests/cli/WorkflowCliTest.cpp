// restova-cli workflow from the outside: a real wave walked from the welcome
// screen through Bin1, the worklist stages and on to Bin3.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/CliHarness.h"
#include "support/TempDir.h"
#include "support/WaveBuilder.h"

namespace {

// The value of each "state: " line of the walk's output.
std::vector<std::string> States(const std::string& out) {
    std::vector<std::string> states;
    for (size_t at = out.find("state: "); at != std::string::npos; at = out.find("state: ", at + 1)) {
        states.push_back(out.substr(at + 7, out.find('\n', at) - at - 7));
    }
    return states;
}

TEST(WorkflowCliTest, SongWalksFromBin1ThroughEveryStageToBin3) {
    TempDir home;
    const CliHarness cli = BuiltCli(home.Path());
    const std::string root = home.File("Restova");
    for (const char* bin : {"Bin1_My_Song_Files", "Bin2_Working_On", "Bin3_Ready_For_CD", "Temp"}) {
        std::filesystem::create_directories(root + "/" + bin);
    }
    std::vector<int64_t> samples;
    for (int i = 0; i < 2 * 44100 * 2; ++i) samples.push_back((i * 7919) % 16000 - 8000);
    ASSERT_TRUE(WriteBytes(home.File("song.wav"), BuildWave({}, EncodeSamples(16, samples))));

    // Welcome, Bin1, import, the worklist's three stages, Bin3, then MP3 and WMA of the song.
    std::vector<std::string> args = {
        "--quiet", "workflow", "--answers", "n,n", "b1", "b1", "import:" + home.File("song.wav")};
    std::istringstream walk("select:song.wav b2 b1 b1 b2 b2 b2 b3 b1 select:song.wav b4 b2 select:song.wav b1 b2 b3");
    for (std::string event; walk >> event;) args.push_back(event);
    const CliRun r = cli.Run(args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(States(r.out),
              (std::vector<std::string>{"12 ChooseSource", "26 MySongFiles", "26 MySongFiles", "26 MySongFiles",
                                        "29 TrackReview", "27 WorkingOn", "34 CleanStage", "27 WorkingOn",
                                        "35 EnhanceStage", "27 WorkingOn", "37 FinalTouches", "27 WorkingOn",
                                        "27 WorkingOn", "36 ReadyForCd", "11 CompressedFiles", "11 CompressedFiles",
                                        "36 ReadyForCd", "11 CompressedFiles", "36 ReadyForCd"}));
    EXPECT_NE(r.out.rfind("action: 117 CreateWmaFiles\nprompt: This is your CD Writing window."), std::string::npos);
    for (const char* file : {"Mp3Files/song.mp3", "WmaFiles/song.wma"}) {
        EXPECT_GT(std::filesystem::file_size(root + "/Bin3_Ready_For_CD/" + file), 1000u) << file;
    }

    // Bin1 keeps the untouched import; Bin2 and Bin3 hold the song with every stage done.
    CliRun list = cli.Run({"worklist", "list"});
    EXPECT_NE(list.out.find("song.wav\t00:02.0000\tY\tY\tY\t"), std::string::npos) << list.out;
    for (const std::string bin : {"Bin1_My_Song_Files", "Bin3_Ready_For_CD"}) {
        const CliRun d = cli.Run({"dividers", root + "/" + bin + "/song.wav"});
        const char* want = bin[3] == '1' ? "clean: N\nenhance: N\nfinal: N\n" : "clean: Y\nenhance: Y\nfinal: Y\n";
        EXPECT_NE(d.out.find(want), std::string::npos) << bin << "\n" << d.out;
    }
    EXPECT_TRUE(std::filesystem::exists(root + "/Bin3_Ready_For_CD/RestovaCdPlaylist.pl"));
}

// A record played into the virtual card: set-up, meter and level checks, recording, pause, Stop and
// Save under a new name, and the take opens in Track Review with its dividers.
TEST(WorkflowCliTest, RecordPlayerTakeReachesTrackReview) {
    TempDir home;
    const CliHarness cli = BuiltCli(home.Path());
    const std::string bin1 = home.File("Restova/Bin1_My_Song_Files");
    std::filesystem::create_directories(bin1);
    std::vector<int64_t> samples;
    for (int i = 0; i < 44100 / 2 * 2; ++i) samples.push_back((i * 7919) % 16000 - 8000);
    ASSERT_TRUE(WriteWave(home.File("line-in.wav"), 2, 44100, 16, samples));

    const CliRun r = cli.Run({"--quiet", "workflow", "--source", home.File("line-in.wav"), "b1", "b3", "b1", "b1", "b1",
                              "b1", "b1", "wait", "b1", "name:My Record", "b2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(States(r.out),
              (std::vector<std::string>{"12 ChooseSource", "25 RecordType", "20 TurntableHookup", "15 MeterCheck",
                                        "16 LevelCheck", "21 ReadyToRecord", "22 Recording", "22 Recording",
                                        "23 RecordingPaused", "23 RecordingPaused", "29 TrackReview"}));
    EXPECT_GT(std::filesystem::file_size(bin1 + "/My Record.wav"), 44100u);
    EXPECT_TRUE(std::filesystem::exists(bin1 + "/My Record.pkf"));
}

}  // namespace
