#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "base/AppSettings.h"
#include "base/HeadlessServices.h"
#include "base/SettingsStore.h"
#include "base/StringTable.h"
#include "cd/SongList.h"
#include "devices/AudioHost.h"
#include "devices/Player.h"
#include "devices/Recorder.h"
#include "shell/ShellDlg.h"
#include "shell/ShellFixture.h"
#include "shell/WorkList.h"
#include "support/WaveBuilder.h"

namespace {

struct Row {
    int state, event, next, action, prompt;
};

// clang-format off
// The stage rows as the user guide's table lists them: state, event, next state, action, prompt.
const Row kListedRows[] = {
    {10, 0, 10, 43, 108}, {10, 1, 12, 42, 109}, {10, 4, 10, 47, 108}, {10, 5, 10, 43, 108}, {12, 1, 26, 70, 110},
    {12, 2, 13, 48, 111}, {12, 3, 25, 42, 112}, {12, 4, 14, 59, 120}, {12, 5, 10, 43, 108}, {25, 1, 20, 50, 119},
    {25, 2, 20, 51, 119}, {25, 3, 19, 52, 113}, {25, 5, 12, 42, 109}, {25, 6, 26, 70, 110}, {19, 1, 20, 54, 146},
    {19, 2, 20, 55, 146}, {19, 3, 20, 56, 147}, {19, 5, 25, 50, 112}, {20, 1, 15, 46, 104}, {20, 5, 25, 42, 112},
    {14, 1, 15, 46, 104}, {14, 5, 12, 42, 109}, {15, 1, 16, 46, 114}, {15, 2, 17, 58, 125}, {15, 5, 12, 43, 109},
    {16, 1, 21, 60, 121}, {16, 2, 17, 58, 115}, {16, 5, 15, 46, 114}, {17, 1, 21, 60, 121}, {17, 5, 16, 46, 114},
    {21, 1, 22, 61, 122}, {21, 5, 16, 46, 121}, {22, 1, 23, 62, 309}, {22, 2, 22, 64, 122}, {22, 5, 21, 46, 121},
    {23, 1, 22, 61, 121}, {23, 2, 29, 110, 351}, {23, 3, 22, 64, 121}, {23, 5, 21, 46, 121}, {29, 1, 27, 73, 301},
    {29, 2, 18, 78, 394}, {29, 3, 29, 82, 395}, {29, 4, 29, 121, 216}, {29, 5, 12, 43, 109}, {18, 1, 29, 81, 321},
    {18, 2, 18, 79, 149}, {18, 3, 18, 80, 200}, {18, 5, 29, 81, 351}, {13, 1, 26, 70, 110}, {13, 2, 13, 119, 111},
    {13, 3, 13, 120, 111}, {13, 5, 12, 43, 109}, {13, 7, 27, 75, 301}, {26, 1, 27, 73, 301}, {26, 2, 29, 66, 359},
    {26, 5, 12, 43, 109}, {27, 1, 34, 77, 391}, {27, 2, 35, 86, 303}, {27, 3, 37, 91, 392}, {27, 4, 36, 74, 312},
    {27, 5, 26, 70, 110}, {34, 1, 34, 84, 391}, {34, 2, 27, 83, 408}, {34, 5, 27, 75, 301}, {34, 7, 27, 75, 301},
    {35, 1, 35, 88, 303}, {35, 2, 27, 87, 410}, {35, 5, 27, 75, 301}, {37, 1, 27, 90, 208}, {37, 2, 37, 108, 392},
    {37, 3, 38, 92, 153}, {37, 4, 30, 100, 497}, {37, 5, 27, 75, 301}, {38, 1, 37, 95, 392}, {38, 2, 39, 97, 157},
    {38, 3, 40, 96, 156}, {38, 5, 37, 91, 392}, {39, 1, 38, 94, 153}, {39, 2, 39, 98, 157}, {39, 3, 39, 99, 157},
    {39, 4, 39, 93, 154}, {39, 5, 38, 92, 153}, {40, 1, 38, 94, 153}, {40, 2, 40, 98, 156}, {40, 3, 40, 99, 156},
    {40, 4, 40, 93, 154}, {40, 5, 38, 92, 153}, {30, 1, 37, 105, 392}, {30, 2, 31, 101, 150}, {30, 3, 32, 102,
    151}, {30, 5, 37, 91, 392}, {31, 1, 30, 107, 497}, {31, 2, 31, 103, 150}, {31, 3, 31, 104, 150}, {31, 4, 31,
    106, 495}, {31, 5, 30, 100, 497}, {32, 1, 30, 107, 497}, {32, 2, 32, 103, 151}, {32, 3, 32, 104, 151}, {32, 4,
    32, 106, 495}, {32, 5, 30, 100, 497}, {36, 1, 36, 112, 312}, {36, 2, 11, 42, 219}, {36, 4, 36, 116, 312}, {36,
    5, 27, 75, 301}, {11, 1, 36, 118, 312}, {11, 2, 36, 44, 220}, {11, 3, 36, 117, 312}, {11, 4, 36, 45, 221}, {11,
    5, 36, 36, 312},
};
// clang-format on

// The whole table: each state's listed rows and the bin rows it has and does not list itself, by
// event within a state (no state has two rows for one event, so only the order of states matters).
std::vector<Row> ExpectedTable() {
    const std::set<std::pair<int, int>> noBinRow = {{21, 6}, {21, 7}, {21, 8}, {22, 6}, {22, 7}, {22, 8},
                                                    {23, 6}, {23, 7}, {23, 8}, {26, 6}, {27, 7}, {36, 8}};
    const Row bins[] = {{0, 6, 26, 70, 405}, {0, 7, 27, 75, 131}, {0, 8, 36, 71, 312}};
    std::vector<Row> rows;
    const size_t n = std::size(kListedRows);
    for (size_t i = 0; i < n; ++i) {
        rows.push_back(kListedRows[i]);
        const int state = kListedRows[i].state;
        if (i + 1 < n && kListedRows[i + 1].state == state) continue;
        for (Row bin : bins) {
            const bool listed = std::any_of(std::begin(kListedRows), std::end(kListedRows),
                                            [&](const Row& r) { return r.state == state && r.event == bin.event; });
            if (listed || noBinRow.count({state, bin.event})) continue;
            bin.state = state;
            rows.push_back(bin);
        }
        auto first = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.state == state; });
        std::sort(first, rows.end(), [](const Row& a, const Row& b) { return a.event < b.event; });
    }
    return rows;
}

class ShellDlgTest : public ShellFixture {
protected:
    std::vector<std::string> Captions(const CShellDlg& shell) const {
        return {shell.Caption(0), shell.Caption(1), shell.Caption(2), shell.Caption(3)};
    }
    bool Shown(MsgId id) const {
        return std::any_of(services.Messages().begin(), services.Messages().end(),
                           [&](const CHeadlessServices::Shown& m) { return m.text == LoadString(id); });
    }
};

}  // namespace

// Every row dispatched from its state with no pane open, on the virtual sound card: the step lands
// in the next state with its prompt, or, where the action needs a selected song, stays
// put and says why. The record rows open the record pane and run it for real.
TEST_F(ShellDlgTest, EveryRowDispatches) {
    CAudioHost host(false);
    auto engine = CreateAudioDevice(settings, host);
    CPlayer player(*engine);
    const std::map<int, int> playerState = {{46, kPlayerCapturing}, {61, kPlayerRecording}, {64, kPlayerRecording}};
    const std::vector<Row> rows = ExpectedTable();
    ASSERT_EQ(CTransitionTable::Get().Count(), rows.size());  // no row beyond the listed ones
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "state " << row.state << " event " << row.event);
        CShellDlg shell(settings, profile, songs);
        shell.SetPlayer(&player);
        shell.SetState(row.state);
        services.ClearMessages();
        shell.Dispatch(row.event);
        EXPECT_EQ(shell.LastAction(), row.action);
        if (row.action == kActEditSelectedFile) {
            EXPECT_EQ(shell.State(), row.state);
            EXPECT_TRUE(Shown(kMsgSelectTrackFirst));
            continue;
        }
        EXPECT_EQ(shell.State(), row.next);
        EXPECT_EQ(shell.Prompt(), LoadString(MsgId(row.prompt)));
        auto recording = playerState.find(row.action);
        if (recording != playerState.end()) {
            ASSERT_NE(shell.RecordPane(), nullptr);
            EXPECT_TRUE(services.Messages().empty());
            EXPECT_EQ(player.State(), recording->second);
            EXPECT_EQ(songs.Current(), shell.RecordPane()->TakePath());
        }
    }
}

TEST_F(ShellDlgTest, EventsWithoutRowChangeNothing) {
    CShellDlg shell(settings, profile, songs);
    shell.OnInitDialog();
    shell.Dispatch(kEventButton1);  // 12
    for (int state : {21, 22, 23}) {
        shell.SetState(state);
        for (int bin : {6, 7, 8}) {
            shell.Dispatch(bin);
            EXPECT_EQ(shell.State(), state);
        }
    }
    for (auto [state, bin] : {std::pair{26, 6}, {27, 7}, {36, 8}, {10, 2}, {14, 4}}) {
        shell.SetState(state);
        const std::string prompt = shell.Prompt();
        shell.Dispatch(bin);
        EXPECT_EQ(shell.State(), state);
        EXPECT_EQ(shell.Prompt(), prompt);
        EXPECT_EQ(shell.LastAction(), kActNoAction);
    }
}

TEST_F(ShellDlgTest, ClickDuringProgressCancelsAndStartOverResets) {
    CShellDlg shell(settings, profile, songs);
    shell.OnInitDialog();
    shell.Dispatch(kEventButton1);
    shell.Dispatch(kEventButton1);  // Bin1
    ASSERT_EQ(shell.State(), kStateMySongFiles);
    CancelFlag().store(false);
    Services().ProgressOpen(0, 100, "");
    for (int event : {kEventButton1, kEventBack, kEventBin2, kEventStartOver}) {
        shell.Dispatch(event);
        EXPECT_EQ(shell.State(), kStateMySongFiles);
        EXPECT_TRUE(CancelFlag().load());
        EXPECT_NE(shell.Bin1Pane(), nullptr);
        CancelFlag().store(false);
    }
    Services().ProgressClose();
    shell.Dispatch(kEventStartOver);
    EXPECT_EQ(shell.State(), kStateWelcome);
    EXPECT_EQ(shell.Bin1Pane(), nullptr);
    EXPECT_EQ(shell.Prompt(), LoadString(kMsgPromptWelcome));
    EXPECT_EQ(Captions(shell), (std::vector<std::string>{"Start", "", "", "Training Wheels"}));
}

// Opening the song for a run builds its peaks and pumps messages before any progress shows: a
// click arriving then must only cancel, not close the pane the run works in.
TEST_F(ShellDlgTest, ClickWhileAnActionPumpsOnlyCancels) {
    // As a window's services do: every progress step dispatches what is pending.
    struct PumpingServices : CHeadlessServices {
        void ProgressSetPos(int pos) override {
            CHeadlessServices::ProgressSetPos(pos);
            PumpMessages();
        }
    } pumping;
    SetServices(&pumping);
    const std::string song = settings.Bin2Path + "/Side A.wav";
    ASSERT_TRUE(WriteWave(song, 2, 44100, 16, std::vector<int64_t>(2 * 44100, 1000)));
    CShellDlg shell(settings, profile, songs);
    shell.OnInitDialog();
    shell.Dispatch(kEventBin2);
    shell.WorklistPane()->SelectOnly(0);
    shell.Dispatch(kEventButton1);  // Clean
    ASSERT_NE(shell.CleanPane(), nullptr);
    bool delivered = false;
    pumping.PostMessage([&] {
        delivered = true;
        shell.Dispatch(kEventBin1);
    });
    shell.Dispatch(kEventButton2);  // Process
    EXPECT_TRUE(delivered);
    EXPECT_EQ(shell.State(), kStateCleanStage);
    EXPECT_NE(shell.CleanPane(), nullptr);
    EXPECT_EQ(shell.Bin1Pane(), nullptr);
    CancelFlag().store(false);
    SetServices(&services);
}

TEST_F(ShellDlgTest, HelpPictureFollowsStateWhileTrainingWheelsIsOn) {
    EXPECT_STREQ(CShellDlg::PictureFor(15, 14), "tapeready.gif");
    for (int from : {16, 17, 20}) EXPECT_STREQ(CShellDlg::PictureFor(15, from), "readytorecord.gif");
    EXPECT_STREQ(CShellDlg::PictureFor(27, 26), "restovaprocessingscreen.gif");
    EXPECT_STREQ(CShellDlg::PictureFor(24, 10), "Intrototrainingwheels.gif");

    CShellDlg shell(settings, profile, songs);
    shell.OnInitDialog();
    shell.Dispatch(kEventButton1);
    EXPECT_EQ(shell.HelpPicture(), "");  // off: no picture
    shell.SetState(kStateWelcome);
    shell.Dispatch(kEventButton4);  // Training Wheels on
    EXPECT_TRUE(shell.TrainingWheels());
    const std::string hlp = dir.File("share") + "/hlp/";
    EXPECT_EQ(shell.HelpPicture(), hlp + "Intrototrainingwheels.gif");
    shell.Dispatch(kEventButton1);
    EXPECT_EQ(shell.HelpPicture(), hlp + "Iwanttorestorematerialfroma.gif");
    shell.Dispatch(kEventButton4);  // tape
    EXPECT_EQ(shell.HelpPicture(), hlp + "tapehookup.gif");
    shell.ToggleTrainingWheels();
    EXPECT_EQ(shell.HelpPicture(), "");
}

TEST_F(ShellDlgTest, RecordSpeedsFollowTheChoices) {
    CShellDlg shell(settings, profile, songs);
    struct Case {
        std::vector<int> path;
        int record, turntable;
        bool tape;
    };
    // A tape keeps the speeds it finds (here the built-in ones): it is never corrected.
    const Case cases[] = {{{4}, 33, 33, true},        {{3, 1}, 33, 33, false},    {{3, 2}, 45, 45, false},
                          {{3, 3, 1}, 78, 33, false}, {{3, 3, 2}, 78, 45, false}, {{3, 3, 3}, 78, 78, false}};
    for (const Case& c : cases) {
        shell.Dispatch(kEventStartOver);
        shell.Dispatch(kEventButton1);
        for (int event : c.path) shell.Dispatch(event);
        EXPECT_EQ(shell.RecordSpeed(), c.record);
        EXPECT_EQ(shell.TurntableSpeed(), c.turntable);
        EXPECT_EQ(shell.Tape(), c.tape);
    }
}
