#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

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

// Every row of the table dispatched from its state with no pane open, on the virtual sound card: the
// step lands in the row's next state with its prompt, or, where the action needs a selected song, stays
// put and says why. The record rows open the record pane and run it for real.
TEST_F(ShellDlgTest, EveryRowDispatches) {
    CAudioHost host(false);
    auto engine = CreateAudioDevice(settings, host);
    CPlayer player(*engine);
    const std::map<int, int> playerState = {{kActMonitorInput, kPlayerCapturing},
                                            {kActStartRecording, kPlayerRecording},
                                            {kActRestartRecording, kPlayerRecording}};
    const CTransitionTable& table = CTransitionTable::Get();
    for (size_t i = 0; i < table.Count(); ++i) {
        const TransitionRow& row = table.Row(i);
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
