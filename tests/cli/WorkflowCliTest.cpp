// restova-cli workflow from the outside: a real wave walked from the welcome
// screen through Bin1, the worklist stages and on to Bin3.
#include <gtest/gtest.h>

#include <filesystem>
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

    const CliRun r = cli.Run({"--quiet", "workflow", "b1", "b1", "import:" + home.File("song.wav"), "select:song.wav",
                              "b2", "b1", "b1", "b2", "b2", "b2", "b3", "b1", "select:song.wav", "b4", "b2", "b1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(States(r.out),
              (std::vector<std::string>{"12 ChooseSource", "26 MySongFiles", "26 MySongFiles", "26 MySongFiles",
                                        "29 TrackReview", "27 WorkingOn", "34 CleanStage", "27 WorkingOn",
                                        "35 EnhanceStage", "27 WorkingOn", "37 FinalTouches", "27 WorkingOn",
                                        "27 WorkingOn", "36 ReadyForCd", "11 CompressedFiles", "11 CompressedFiles"}));
    // The last block: MP3 output is not there yet, so the state and its buttons stay.
    EXPECT_NE(r.out.rfind("action: 118 CreateMp3Files\nprompt: Here you can create MP3 and WMA files"),
              std::string::npos);
    EXPECT_NE(r.out.rfind("buttons: Create MP3 | Show MP3 | Create WMA | Show WMA\n"), std::string::npos);

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

}  // namespace
