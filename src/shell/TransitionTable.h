// The main window's stage machine as data: its states, events and actions,
// the transition rows that join them, and per state the four button
// captions and the help picture. CShellDlg walks these; nothing here acts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/StringTable.h"

enum ShellState : int32_t {
    kStateNone = 0,  // no row has it: unused rows never match
    kStateWelcome = 10,
    kStateCompressedFiles = 11,
    kStateChooseSource = 12,
    kStateCdRip = 13,
    kStateTapeHookup = 14,
    kStateMeterCheck = 15,
    kStateLevelCheck = 16,
    kStateInputHelp = 17,
    kStateAdjustDividers = 18,
    kStateTurntableSpeed = 19,
    kStateTurntableHookup = 20,
    kStateReadyToRecord = 21,
    kStateRecording = 22,
    kStateRecordingPaused = 23,
    kStateRecordType = 25,
    kStateMySongFiles = 26,
    kStateWorkingOn = 27,
    kStateTrackReview = 29,
    kStateFadeSelect = 30,
    kStateFadeIn = 31,
    kStateFadeOut = 32,
    kStateCleanStage = 34,
    kStateEnhanceStage = 35,
    kStateReadyForCd = 36,
    kStateFinalTouches = 37,
    kStateTrimSelect = 38,
    kStateTrimStart = 39,
    kStateTrimEnd = 40,
};

enum ShellEvent : int32_t {
    kEventStartOver = 0,
    kEventButton1 = 1,
    kEventButton2 = 2,
    kEventButton3 = 3,
    kEventButton4 = 4,
    kEventBack = 5,
    kEventBin1 = 6,
    kEventBin2 = 7,
    kEventBin3 = 8,
};

enum ShellAction : int32_t {
    kActNoAction = 0,   // no row dispatched yet
    kActNoneBack = 36,  // "None", the row back from the compressed-files screen
    kActNone = 42,
    kActClosePanes = 43,
    kActShowMp3Folder = 44,
    kActShowWmaFolder = 45,
    kActMonitorInput = 46,
    kActToggleTrainingWheels = 47,
    kActOpenCdRip = 48,
    kActSpeedLp = 50,
    kActSpeed45 = 51,
    kActSpeed78 = 52,
    kActTurntable33Record78 = 54,
    kActTurntable45Record78 = 55,
    kActTurntable78Record78 = 56,
    kActOpenMixer = 58,
    kActSelectTape = 59,
    kActCloseMixer = 60,
    kActStartRecording = 61,
    kActPauseRecording = 62,
    kActRestartRecording = 64,
    kActEditSelectedFile = 66,
    kActOpenBin1 = 70,
    kActOpenCdWriter = 71,
    kActCopyToWorklist = 73,
    kActSendToCdWriter = 74,
    kActOpenWorklist = 75,
    kActOpenClean = 77,
    kActDividerEditOn = 78,
    kActArmAddDivider = 79,
    kActDeleteDivider = 80,
    kActDividerEditOff = 81,
    kActRenameTrack = 82,
    kActRunClean = 83,
    kActPreviewClean = 84,
    kActOpenEnhance = 86,
    kActRunEnhance = 87,
    kActPreviewEnhance = 88,
    kActFinishFinalTouches = 90,
    kActOpenFinalTouches = 91,
    kActTrimView = 92,
    kActPreviewTrim = 93,
    kActDoTrim = 94,
    kActLeaveTrim = 95,
    kActShowTrimEnd = 96,
    kActShowTrimStart = 97,
    kActTrimMore = 98,
    kActTrimLess = 99,
    kActFadeView = 100,
    kActShowFadeIn = 101,
    kActShowFadeOut = 102,
    kActFadeMore = 103,
    kActFadeLess = 104,
    kActLeaveFade = 105,
    kActPreviewFade = 106,
    kActDoFade = 107,
    kActMaximizeGain = 108,
    kActStopAndSaveRecording = 110,
    kActWriteCd = 112,
    kActImportPlaylist = 116,
    kActCreateWmaFiles = 117,
    kActCreateMp3Files = 118,
    kActRipSelectedTracks = 119,
    kActRipAllTracks = 120,
    kActReindexTracks = 121,
};

// One row: in state, event leads to next with action, showing prompt (0: an empty prompt).
struct TransitionRow {
    int32_t state = 0;
    int32_t next = 0;
    int32_t event = 0;
    int32_t action = 0;
    int32_t prompt = 0;
};

// What a state shows: its name, the captions of Button1 to Button4 (kMsgNone: hidden) and the
// help picture's file name.
struct StateInfo {
    ShellState state;
    const char* name;
    std::array<MsgId, 4> captions;
    const char* picture;
};

class CTransitionTable {
public:
    // Room of the table; rows past the filled ones stay zero.
    static constexpr size_t kCapacity = 188;
    // The picture of a state without one of its own.
    static constexpr const char* kDefaultPicture = "Intrototrainingwheels.gif";

    // The program's table, filled once.
    static const CTransitionTable& Get();

    // The first row of (state, event), or null.
    const TransitionRow* Find(int state, int event) const;
    size_t Count() const { return m_count; }
    const TransitionRow& Row(size_t i) const { return m_rows[i]; }

    // The state's captions, name and picture; null for an unknown state.
    static const StateInfo* Info(int state);
    // Every state, in ascending order.
    static const StateInfo* States(size_t& count);
    // The name of an action ("" for an unknown one).
    static const char* ActionName(int action);
    // The event a script names: "start-over", "b1".."b4", "back", "bin1".."bin3" or its number; -1 for none.
    static int EventOf(const std::string& name);

private:
    CTransitionTable();

    std::array<TransitionRow, kCapacity> m_rows{};
    size_t m_count = 0;
};
