#include "shell/TransitionTable.h"

#include <algorithm>
#include <iterator>

namespace {

// clang-format off
// Every row but those of the bin buttons, in the order lookup meets them: state, next state,
// event, action, prompt.
constexpr TransitionRow kStageRows[] = {
    {kStateWelcome, kStateWelcome, kEventStartOver, kActClosePanes, kMsgPromptWelcome},
    {kStateWelcome, kStateChooseSource, kEventButton1, kActNone, kMsgPromptChooseSource},
    {kStateWelcome, kStateWelcome, kEventButton4, kActToggleTrainingWheels, kMsgPromptWelcome},
    {kStateWelcome, kStateWelcome, kEventBack, kActClosePanes, kMsgPromptWelcome},
    {kStateChooseSource, kStateMySongFiles, kEventButton1, kActOpenBin1, kMsgPromptSelectSongs},
    {kStateChooseSource, kStateCdRip, kEventButton2, kActOpenCdRip, kMsgCdRipPrompt},
    {kStateChooseSource, kStateRecordType, kEventButton3, kActNone, kMsgPromptRecordType},
    {kStateChooseSource, kStateTapeHookup, kEventButton4, kActSelectTape, kMsgPromptHookupTape},
    {kStateChooseSource, kStateWelcome, kEventBack, kActClosePanes, kMsgPromptWelcome},
    {kStateRecordType, kStateTurntableHookup, kEventButton1, kActSpeedLp, kMsgPromptHookupPreamp},
    {kStateRecordType, kStateTurntableHookup, kEventButton2, kActSpeed45, kMsgPromptHookupPreamp},
    {kStateRecordType, kStateTurntableSpeed, kEventButton3, kActSpeed78, kMsgPromptTurntableSpeed},
    {kStateRecordType, kStateChooseSource, kEventBack, kActNone, kMsgPromptChooseSource},
    {kStateTurntableSpeed, kStateTurntableHookup, kEventButton1, kActTurntable33Record78, kMsgPromptHookupSpeedFix},
    {kStateTurntableSpeed, kStateTurntableHookup, kEventButton2, kActTurntable45Record78, kMsgPromptHookupSpeedFix},
    {kStateTurntableSpeed, kStateTurntableHookup, kEventButton3, kActTurntable78Record78, kMsgPromptHookup78},
    {kStateTurntableSpeed, kStateRecordType, kEventBack, kActSpeedLp, kMsgPromptRecordType},
    {kStateTurntableHookup, kStateMeterCheck, kEventButton1, kActMonitorInput, kMsgPromptMetersDancing},
    {kStateTurntableHookup, kStateRecordType, kEventBack, kActNone, kMsgPromptRecordType},
    {kStateTapeHookup, kStateMeterCheck, kEventButton1, kActMonitorInput, kMsgPromptMetersDancing},
    {kStateTapeHookup, kStateChooseSource, kEventBack, kActNone, kMsgPromptChooseSource},
    {kStateMeterCheck, kStateLevelCheck, kEventButton1, kActMonitorInput, kMsgPromptLevelsRight},
    {kStateMeterCheck, kStateInputHelp, kEventButton2, kActOpenMixer, kMsgPromptInputHelp},
    {kStateMeterCheck, kStateChooseSource, kEventBack, kActClosePanes, kMsgPromptChooseSource},
    {kStateLevelCheck, kStateReadyToRecord, kEventButton1, kActCloseMixer, kMsgPromptReadyToRecord},
    {kStateLevelCheck, kStateInputHelp, kEventButton2, kActOpenMixer, kMsgPromptAdjustLevels},
    {kStateLevelCheck, kStateMeterCheck, kEventBack, kActMonitorInput, kMsgPromptLevelsRight},
    {kStateInputHelp, kStateReadyToRecord, kEventButton1, kActCloseMixer, kMsgPromptReadyToRecord},
    {kStateInputHelp, kStateLevelCheck, kEventBack, kActMonitorInput, kMsgPromptLevelsRight},
    {kStateReadyToRecord, kStateRecording, kEventButton1, kActStartRecording, kMsgPromptRecording},
    {kStateReadyToRecord, kStateLevelCheck, kEventBack, kActMonitorInput, kMsgPromptReadyToRecord},
    {kStateRecording, kStateRecordingPaused, kEventButton1, kActPauseRecording, kMsgPromptPaused},
    {kStateRecording, kStateRecording, kEventButton2, kActRestartRecording, kMsgPromptRecording},
    {kStateRecording, kStateReadyToRecord, kEventBack, kActMonitorInput, kMsgPromptReadyToRecord},
    {kStateRecordingPaused, kStateRecording, kEventButton1, kActStartRecording, kMsgPromptReadyToRecord},
    {kStateRecordingPaused, kStateTrackReview, kEventButton2, kActStopAndSaveRecording, kMsgPromptRecordingMade},
    {kStateRecordingPaused, kStateRecording, kEventButton3, kActRestartRecording, kMsgPromptReadyToRecord},
    {kStateRecordingPaused, kStateReadyToRecord, kEventBack, kActMonitorInput, kMsgPromptReadyToRecord},
    {kStateTrackReview, kStateWorkingOn, kEventButton1, kActCopyToWorklist, kMsgPromptWorklist},
    {kStateTrackReview, kStateAdjustDividers, kEventButton2, kActDividerEditOn, kMsgPromptAdjustDividers},
    {kStateTrackReview, kStateTrackReview, kEventButton3, kActRenameTrack, kMsgPromptRenameTrack},
    {kStateTrackReview, kStateTrackReview, kEventButton4, kActReindexTracks, kMsgReindexed},
    {kStateTrackReview, kStateChooseSource, kEventBack, kActClosePanes, kMsgPromptChooseSource},
    {kStateAdjustDividers, kStateTrackReview, kEventButton1, kActDividerEditOff, kMsgPromptRenameTracks},
    {kStateAdjustDividers, kStateAdjustDividers, kEventButton2, kActArmAddDivider, kMsgPromptAddDivider},
    {kStateAdjustDividers, kStateAdjustDividers, kEventButton3, kActDeleteDivider, kMsgPromptDividerDeleted},
    {kStateAdjustDividers, kStateTrackReview, kEventBack, kActDividerEditOff, kMsgPromptRecordingMade},
    {kStateCdRip, kStateMySongFiles, kEventButton1, kActOpenBin1, kMsgPromptSelectSongs},
    {kStateCdRip, kStateCdRip, kEventButton2, kActRipSelectedTracks, kMsgCdRipPrompt},
    {kStateCdRip, kStateCdRip, kEventButton3, kActRipAllTracks, kMsgCdRipPrompt},
    {kStateCdRip, kStateChooseSource, kEventBack, kActClosePanes, kMsgPromptChooseSource},
    {kStateMySongFiles, kStateWorkingOn, kEventButton1, kActCopyToWorklist, kMsgPromptWorklist},
    {kStateMySongFiles, kStateTrackReview, kEventButton2, kActEditSelectedFile, kMsgPromptFileOpened},
    {kStateMySongFiles, kStateChooseSource, kEventBack, kActClosePanes, kMsgPromptChooseSource},
    {kStateWorkingOn, kStateCleanStage, kEventButton1, kActOpenClean, kMsgPromptClean},
    {kStateWorkingOn, kStateEnhanceStage, kEventButton2, kActOpenEnhance, kMsgPromptEnhance},
    {kStateWorkingOn, kStateFinalTouches, kEventButton3, kActOpenFinalTouches, kMsgPromptFinalTouches},
    {kStateWorkingOn, kStateReadyForCd, kEventButton4, kActSendToCdWriter, kMsgPromptCdWriter},
    {kStateWorkingOn, kStateMySongFiles, kEventBack, kActOpenBin1, kMsgPromptSelectSongs},
    {kStateCleanStage, kStateCleanStage, kEventButton1, kActPreviewClean, kMsgPromptClean},
    {kStateCleanStage, kStateWorkingOn, kEventButton2, kActRunClean, kMsgPromptCleaned},
    {kStateCleanStage, kStateWorkingOn, kEventBack, kActOpenWorklist, kMsgPromptWorklist},
    {kStateEnhanceStage, kStateEnhanceStage, kEventButton1, kActPreviewEnhance, kMsgPromptEnhance},
    {kStateEnhanceStage, kStateWorkingOn, kEventButton2, kActRunEnhance, kMsgPromptEnhanced},
    {kStateEnhanceStage, kStateWorkingOn, kEventBack, kActOpenWorklist, kMsgPromptWorklist},
    {kStateFinalTouches, kStateWorkingOn, kEventButton1, kActFinishFinalTouches, kMsgPromptFinalized},
    {kStateFinalTouches, kStateFinalTouches, kEventButton2, kActMaximizeGain, kMsgPromptFinalTouches},
    {kStateFinalTouches, kStateTrimSelect, kEventButton3, kActTrimView, kMsgPromptTrimSelect},
    {kStateFinalTouches, kStateFadeSelect, kEventButton4, kActFadeView, kMsgPromptFadeSelect},
    {kStateFinalTouches, kStateWorkingOn, kEventBack, kActOpenWorklist, kMsgPromptWorklist},
    {kStateTrimSelect, kStateFinalTouches, kEventButton1, kActLeaveTrim, kMsgPromptFinalTouches},
    {kStateTrimSelect, kStateTrimStart, kEventButton2, kActShowTrimStart, kMsgPromptTrimStart},
    {kStateTrimSelect, kStateTrimEnd, kEventButton3, kActShowTrimEnd, kMsgPromptTrimEnd},
    {kStateTrimSelect, kStateFinalTouches, kEventBack, kActOpenFinalTouches, kMsgPromptFinalTouches},
    {kStateTrimStart, kStateTrimSelect, kEventButton1, kActDoTrim, kMsgPromptTrimSelect},
    {kStateTrimStart, kStateTrimStart, kEventButton2, kActTrimMore, kMsgPromptTrimStart},
    {kStateTrimStart, kStateTrimStart, kEventButton3, kActTrimLess, kMsgPromptTrimStart},
    {kStateTrimStart, kStateTrimStart, kEventButton4, kActPreviewTrim, kMsgPromptPreviewTrim},
    {kStateTrimStart, kStateTrimSelect, kEventBack, kActTrimView, kMsgPromptTrimSelect},
    {kStateTrimEnd, kStateTrimSelect, kEventButton1, kActDoTrim, kMsgPromptTrimSelect},
    {kStateTrimEnd, kStateTrimEnd, kEventButton2, kActTrimMore, kMsgPromptTrimEnd},
    {kStateTrimEnd, kStateTrimEnd, kEventButton3, kActTrimLess, kMsgPromptTrimEnd},
    {kStateTrimEnd, kStateTrimEnd, kEventButton4, kActPreviewTrim, kMsgPromptPreviewTrim},
    {kStateTrimEnd, kStateTrimSelect, kEventBack, kActTrimView, kMsgPromptTrimSelect},
    {kStateFadeSelect, kStateFinalTouches, kEventButton1, kActLeaveFade, kMsgPromptFinalTouches},
    {kStateFadeSelect, kStateFadeIn, kEventButton2, kActShowFadeIn, kMsgPromptFadeIn},
    {kStateFadeSelect, kStateFadeOut, kEventButton3, kActShowFadeOut, kMsgPromptFadeOut},
    {kStateFadeSelect, kStateFinalTouches, kEventBack, kActOpenFinalTouches, kMsgPromptFinalTouches},
    {kStateFadeIn, kStateFadeSelect, kEventButton1, kActDoFade, kMsgPromptFadeSelect},
    {kStateFadeIn, kStateFadeIn, kEventButton2, kActFadeMore, kMsgPromptFadeIn},
    {kStateFadeIn, kStateFadeIn, kEventButton3, kActFadeLess, kMsgPromptFadeIn},
    {kStateFadeIn, kStateFadeIn, kEventButton4, kActPreviewFade, kMsgPromptPreviewFade},
    {kStateFadeIn, kStateFadeSelect, kEventBack, kActFadeView, kMsgPromptFadeSelect},
    {kStateFadeOut, kStateFadeSelect, kEventButton1, kActDoFade, kMsgPromptFadeSelect},
    {kStateFadeOut, kStateFadeOut, kEventButton2, kActFadeMore, kMsgPromptFadeOut},
    {kStateFadeOut, kStateFadeOut, kEventButton3, kActFadeLess, kMsgPromptFadeOut},
    {kStateFadeOut, kStateFadeOut, kEventButton4, kActPreviewFade, kMsgPromptPreviewFade},
    {kStateFadeOut, kStateFadeSelect, kEventBack, kActFadeView, kMsgPromptFadeSelect},
    {kStateReadyForCd, kStateReadyForCd, kEventButton1, kActWriteCd, kMsgPromptCdWriter},
    {kStateReadyForCd, kStateCompressedFiles, kEventButton2, kActNone, kMsgPromptCompressedFiles},
    {kStateReadyForCd, kStateReadyForCd, kEventButton4, kActImportPlaylist, kMsgPromptCdWriter},
    {kStateReadyForCd, kStateWorkingOn, kEventBack, kActOpenWorklist, kMsgPromptWorklist},
    {kStateCompressedFiles, kStateReadyForCd, kEventButton1, kActCreateMp3Files, kMsgPromptCdWriter},
    {kStateCompressedFiles, kStateReadyForCd, kEventButton2, kActShowMp3Folder, kMsgPromptMp3Shown},
    {kStateCompressedFiles, kStateReadyForCd, kEventButton3, kActCreateWmaFiles, kMsgPromptCdWriter},
    {kStateCompressedFiles, kStateReadyForCd, kEventButton4, kActShowWmaFolder, kMsgPromptWmaShown},
    {kStateCompressedFiles, kStateReadyForCd, kEventBack, kActNoneBack, kMsgPromptCdWriter},
};

const StateInfo kStates[] = {
    {kStateWelcome, "Welcome", {kMsgBtnStart, kMsgNone, kMsgNone, kMsgBtnTrainingWheels}, "Intrototrainingwheels.gif"},
    {kStateCompressedFiles, "CompressedFiles", {kMsgBtnCreateMp3, kMsgBtnShowMp3, kMsgBtnCreateWma, kMsgBtnShowWma}, "mp3wmawindow.gif"},
    {kStateChooseSource, "ChooseSource", {kMsgBtnFile, kMsgBtnCd, kMsgBtnRecordPlayer, kMsgBtnTape}, "Iwanttorestorematerialfroma.gif"},
    {kStateCdRip, "CdRip", {kMsgDone, kMsgBtnRipTracks, kMsgBtnRipAllTracks, kMsgNone}, "cdloadinginstructions.gif"},
    {kStateTapeHookup, "TapeHookup", {kMsgBtnReady, kMsgNone, kMsgNone, kMsgNone}, "tapehookup.gif"},
    {kStateMeterCheck, "MeterCheck", {kMsgBtnDancing, kMsgBtnNotDancing, kMsgNone, kMsgNone}, "readytorecord.gif"},
    {kStateLevelCheck, "LevelCheck", {kMsgBtnRightOn, kMsgBtnTooHighOrLow, kMsgNone, kMsgNone}, "dancingmeters.gif"},
    {kStateInputHelp, "InputHelp", {kMsgDone, kMsgNone, kMsgNone, kMsgNone}, "metersnotdancing.gif"},
    {kStateAdjustDividers, "AdjustDividers", {kMsgDone, kMsgBtnAddDivider, kMsgBtnDeleteDivider, kMsgNone}, "Adjustdividers.gif"},
    {kStateTurntableSpeed, "TurntableSpeed", {kMsgBtnSpeed33, kMsgBtnSpeed45, kMsgBtnSpeed78, kMsgNone}, "restovattspeed6.gif"},
    {kStateTurntableHookup, "TurntableHookup", {kMsgBtnReady, kMsgNone, kMsgNone, kMsgNone}, "vinylhookup.gif"},
    {kStateReadyToRecord, "ReadyToRecord", {kMsgBtnStartRecording, kMsgNone, kMsgNone, kMsgNone}, "record.gif"},
    {kStateRecording, "Recording", {kMsgStop, kMsgBtnRestart, kMsgNone, kMsgNone}, "Recordinghappening.gif"},
    {kStateRecordingPaused, "RecordingPaused", {kMsgBtnContinue, kMsgBtnStopAndSave, kMsgBtnRestartPaused, kMsgNone}, "recordpause.gif"},
    {kStateRecordType, "RecordType", {kMsgBtnLp, kMsgBtnSpeed45, kMsgBtnSpeed78, kMsgNone}, "selectrecordspeed.gif"},
    {kStateMySongFiles, "MySongFiles", {kMsgDone, kMsgBtnEditFile, kMsgNone, kMsgNone}, "mysongfiles.gif"},
    {kStateWorkingOn, "WorkingOn", {kMsgBtnClean, kMsgBtnEnhance, kMsgBtnFinalTouches, kMsgBtnWriteToCd}, "restovaprocessingscreen.gif"},
    {kStateTrackReview, "TrackReview", {kMsgDone, kMsgBtnAdjustDividers, kMsgBtnRenameTrack, kMsgBtnReIndexTracks}, "recordingcomplete.gif"},
    {kStateFadeSelect, "FadeSelect", {kMsgDone, kMsgBtnFadeIn, kMsgBtnFadeOut, kMsgNone}, "fadeselect.gif"},
    {kStateFadeIn, "FadeIn", {kMsgBtnDoFade, kMsgBtnFadeMore, kMsgBtnFadeLess, kMsgBtnPreviewFade}, "fadein.gif"},
    {kStateFadeOut, "FadeOut", {kMsgBtnDoFade, kMsgBtnFadeMore, kMsgBtnFadeLess, kMsgBtnPreviewFade}, "fadeout.gif"},
    {kStateCleanStage, "CleanStage", {kMsgPreview, kMsgBtnProcess, kMsgNone, kMsgNone}, "clean.gif"},
    {kStateEnhanceStage, "EnhanceStage", {kMsgPreview, kMsgBtnProcess, kMsgNone, kMsgNone}, "enhance.gif"},
    {kStateReadyForCd, "ReadyForCd", {kMsgBtnCreateCd, kMsgBtnMp3Wma, kMsgNone, kMsgBtnImportPlaylist}, "writetocd.gif"},
    {kStateFinalTouches, "FinalTouches", {kMsgDone, kMsgBtnMaximizeGain, kMsgBtnTrimStartEnd, kMsgBtnFadeInOut}, "finaltouches.gif"},
    {kStateTrimSelect, "TrimSelect", {kMsgDone, kMsgBtnTrimStart, kMsgBtnTrimEnd, kMsgNone}, "trimselect.gif"},
    {kStateTrimStart, "TrimStart", {kMsgBtnDoTrim, kMsgBtnTrimMore, kMsgBtnTrimLess, kMsgBtnPreviewTrim}, "trimstart.gif"},
    {kStateTrimEnd, "TrimEnd", {kMsgBtnDoTrim, kMsgBtnTrimMore, kMsgBtnTrimLess, kMsgBtnPreviewTrim}, "trimend.gif"},
};
// clang-format on

// The bin buttons: where each leads, with which action and prompt, in every state that has them.
struct BinRow {
    ShellEvent event;
    ShellState next;
    ShellAction action;
    MsgId prompt;
};
constexpr BinRow kBinRows[] = {
    {kEventBin1, kStateMySongFiles, kActOpenBin1, kMsgPromptUnprocessed},
    {kEventBin2, kStateWorkingOn, kActOpenWorklist, kMsgPromptWorksInProgress},
    {kEventBin3, kStateReadyForCd, kActOpenCdWriter, kMsgPromptCdWriter},
};

// The bin buttons do nothing while recording, nor lead to the bin already shown.
bool HasBinRow(int state, int event) {
    if (state == kStateReadyToRecord || state == kStateRecording || state == kStateRecordingPaused) return false;
    return !(state == kStateMySongFiles && event == kEventBin1) && !(state == kStateWorkingOn && event == kEventBin2) &&
           !(state == kStateReadyForCd && event == kEventBin3);
}

// Where a bin button keeps the prompt of the screen it comes from rather than its own.
MsgId BinPrompt(int state, const BinRow& bin) {
    if (state == kStateRecordType && bin.event == kEventBin1) return kMsgPromptSelectSongs;
    if ((state == kStateCdRip || state == kStateCleanStage) && bin.event == kEventBin2) return kMsgPromptWorklist;
    return bin.prompt;
}

struct NamedAction {
    ShellAction action;
    const char* name;
};
constexpr NamedAction kActionNames[] = {
    {kActNoneBack, "None"},
    {kActNone, "None"},
    {kActClosePanes, "ClosePanes"},
    {kActShowMp3Folder, "ShowMp3Folder"},
    {kActShowWmaFolder, "ShowWmaFolder"},
    {kActMonitorInput, "MonitorInput"},
    {kActToggleTrainingWheels, "ToggleTrainingWheels"},
    {kActOpenCdRip, "OpenCdRip"},
    {kActSpeedLp, "SpeedLp"},
    {kActSpeed45, "Speed45"},
    {kActSpeed78, "Speed78"},
    {kActTurntable33Record78, "Turntable33Record78"},
    {kActTurntable45Record78, "Turntable45Record78"},
    {kActTurntable78Record78, "Turntable78Record78"},
    {kActOpenMixer, "OpenMixer"},
    {kActSelectTape, "SelectTape"},
    {kActCloseMixer, "CloseMixer"},
    {kActStartRecording, "StartRecording"},
    {kActPauseRecording, "PauseRecording"},
    {kActRestartRecording, "RestartRecording"},
    {kActEditSelectedFile, "EditSelectedFile"},
    {kActOpenBin1, "OpenBin1"},
    {kActOpenCdWriter, "OpenCdWriter"},
    {kActCopyToWorklist, "CopyToWorklist"},
    {kActSendToCdWriter, "SendToCdWriter"},
    {kActOpenWorklist, "OpenWorklist"},
    {kActOpenClean, "OpenClean"},
    {kActDividerEditOn, "DividerEditOn"},
    {kActArmAddDivider, "ArmAddDivider"},
    {kActDeleteDivider, "DeleteDivider"},
    {kActDividerEditOff, "DividerEditOff"},
    {kActRenameTrack, "RenameTrack"},
    {kActRunClean, "RunClean"},
    {kActPreviewClean, "PreviewClean"},
    {kActOpenEnhance, "OpenEnhance"},
    {kActRunEnhance, "RunEnhance"},
    {kActPreviewEnhance, "PreviewEnhance"},
    {kActFinishFinalTouches, "FinishFinalTouches"},
    {kActOpenFinalTouches, "OpenFinalTouches"},
    {kActTrimView, "FinalTouchesView"},
    {kActPreviewTrim, "PreviewTrim"},
    {kActDoTrim, "DoTrim"},
    {kActLeaveTrim, "LeaveTrim"},
    {kActShowTrimEnd, "ShowTrimEnd"},
    {kActShowTrimStart, "ShowTrimStart"},
    {kActTrimMore, "TrimMore"},
    {kActTrimLess, "TrimLess"},
    {kActFadeView, "FinalTouchesView"},
    {kActShowFadeIn, "ShowFadeIn"},
    {kActShowFadeOut, "ShowFadeOut"},
    {kActFadeMore, "FadeMore"},
    {kActFadeLess, "FadeLess"},
    {kActLeaveFade, "LeaveFade"},
    {kActPreviewFade, "PreviewFade"},
    {kActDoFade, "DoFade"},
    {kActMaximizeGain, "MaximizeGain"},
    {kActStopAndSaveRecording, "StopAndSaveRecording"},
    {kActWriteCd, "WriteCd"},
    {kActImportPlaylist, "ImportPlaylist"},
    {kActCreateWmaFiles, "CreateWmaFiles"},
    {kActCreateMp3Files, "CreateMp3Files"},
    {kActRipSelectedTracks, "RipSelectedTracks"},
    {kActRipAllTracks, "RipAllTracks"},
    {kActReindexTracks, "ReindexTracks"},
};

}  // namespace

const CTransitionTable& CTransitionTable::Get() {
    static const CTransitionTable table;
    return table;
}

CTransitionTable::CTransitionTable() {
    // Each state's own rows, then its bin rows.
    const size_t stageRows = std::size(kStageRows);
    for (size_t i = 0; i < stageRows; ++i) {
        m_rows[m_count++] = kStageRows[i];
        const int state = kStageRows[i].state;
        if (i + 1 < stageRows && kStageRows[i + 1].state == state) continue;
        for (const BinRow& bin : kBinRows) {
            if (!HasBinRow(state, bin.event)) continue;
            m_rows[m_count++] = {state, bin.next, bin.event, bin.action, BinPrompt(state, bin)};
        }
    }
}

const TransitionRow* CTransitionTable::Find(int state, int event) const {
    for (size_t i = 0; i < m_count; ++i) {
        if (m_rows[i].state == state && m_rows[i].event == event) return &m_rows[i];
    }
    return nullptr;
}

const StateInfo* CTransitionTable::Info(int state) {
    auto it =
        std::find_if(std::begin(kStates), std::end(kStates), [state](const StateInfo& s) { return s.state == state; });
    return it == std::end(kStates) ? nullptr : &*it;
}

const StateInfo* CTransitionTable::States(size_t& count) {
    count = std::size(kStates);
    return kStates;
}

const char* CTransitionTable::ActionName(int action) {
    for (const NamedAction& a : kActionNames) {
        if (a.action == action) return a.name;
    }
    return "";
}

int CTransitionTable::EventOf(const std::string& name) {
    static const char* const kNames[] = {"start-over", "b1", "b2", "b3", "b4", "back", "bin1", "bin2", "bin3"};
    for (int i = 0; i <= kEventBin3; ++i) {
        if (name == kNames[i] || name == std::to_string(i)) return i;
    }
    return -1;
}
