// Each action of the stage machine as a call into the pane or part that owns it.
#include "audiofile/FileNames.h"
#include "base/AppSettings.h"
#include "base/StringTable.h"
#include "cd/CdBurner.h"
#include "cd/CdRipper.h"
#include "cd/SongList.h"
#include "codecs/CompressedExport.h"
#include "devices/TrackPlayer.h"
#include "enhance/EnhancerDlg.h"
#include "processing/TaviCleanDlg.h"
#include "shell/PickFiles.h"
#include "shell/ShellDlg.h"
#include "shell/WavePane.h"
#include "shell/WorkList.h"

bool CShellDlg::RunAction(const TransitionRow& row) {
    switch (row.action) {
        case kActNone:
        case kActNoneBack:
            return true;
        case kActClosePanes:
            ClosePanes();
            return true;
        case kActToggleTrainingWheels:
            ToggleTrainingWheels();
            return true;
        case kActShowMp3Folder:
            ShowFolder("Mp3Files");
            return true;
        case kActShowWmaFolder:
            ShowFolder("WmaFiles");
            return true;
        case kActSpeedLp:
        case kActSpeed45:
        case kActSpeed78:
            m_tape = false;
            m_recordSpeed = m_turntableSpeed = row.action == kActSpeedLp ? 33 : row.action == kActSpeed45 ? 45 : 78;
            return true;
        case kActTurntable33Record78:
        case kActTurntable45Record78:
        case kActTurntable78Record78:
            m_tape = false;
            m_recordSpeed = 78;
            m_turntableSpeed = row.action == kActTurntable33Record78   ? 33
                               : row.action == kActTurntable45Record78 ? 45
                                                                       : 78;
            return true;
        case kActSelectTape:
            m_tape = true;
            return true;
        case kActRenameTrack:
            // The prompt tells what to do while the name is asked for.
            SetPrompt(static_cast<MsgId>(row.prompt));
            if (m_wave) m_wave->RenameSelectedTrack();
            return true;
        case kActMonitorInput:
        case kActOpenMixer:
        case kActCloseMixer:
        case kActStartRecording:
        case kActPauseRecording:
        case kActRestartRecording:
        case kActStopAndSaveRecording:
            return RunRecordAction(row);
        case kActOpenCdRip:
        case kActOpenCdWriter:
        case kActWriteCd:
        case kActImportPlaylist:
        case kActCreateWmaFiles:
        case kActCreateMp3Files:
        case kActRipSelectedTracks:
        case kActRipAllTracks:
            return RunCdAction(row.action);
        case kActRunClean:
        case kActPreviewClean:
        case kActOpenEnhance:
        case kActRunEnhance:
        case kActPreviewEnhance:
        case kActOpenClean:
            return RunStageAction(row.action);
        case kActFinishFinalTouches:
        case kActOpenFinalTouches:
        case kActTrimView:
        case kActPreviewTrim:
        case kActDoTrim:
        case kActLeaveTrim:
        case kActShowTrimEnd:
        case kActShowTrimStart:
        case kActTrimMore:
        case kActTrimLess:
        case kActFadeView:
        case kActShowFadeIn:
        case kActShowFadeOut:
        case kActFadeMore:
        case kActFadeLess:
        case kActLeaveFade:
        case kActPreviewFade:
        case kActDoFade:
        case kActMaximizeGain:
        case kActReindexTracks:
            return RunFinalTouchesAction(row.action);
        default:
            break;
    }
    return RunPaneAction(row.action);
}

bool CShellDlg::RunPaneAction(int action) {
    switch (action) {
        case kActOpenBin1:
            OpenBin1();
            return true;
        case kActOpenWorklist:
            OpenWorklist();
            return true;
        case kActEditSelectedFile: {
            if (!m_bin1 || !m_bin1->PrepareBin1Selection()) {
                ShowMessage(kMsgSelectTrackFirst, MsgIcon::Information);
                return false;
            }
            if (OpenWaveform(m_songs.Current())) {
                m_wave->SetView(false, true, m_wave->FinalTouchesView());
                m_wave->Redraw();
            }
            return true;
        }
        case kActCopyToWorklist:
            // Work on the song so far reaches its wave before the wave is copied.
            if (m_wave) m_wave->CloseSong(true);
            OpenWorklist();
            Services().PumpMessages();
            CancelFlag().store(false);
            m_worklist->CopyToWorklist();
            return true;
        case kActSendToCdWriter:
            if (m_worklist) {
                CancelFlag().store(false);
                m_worklist->SendToCdWriter();
            }
            return RunCdAction(kActOpenCdWriter);
        case kActDividerEditOn:
            if (m_wave) m_wave->SetView(true, false, true);
            return true;
        case kActArmAddDivider:
            if (m_wave) m_wave->ArmAddDivider();
            return true;
        case kActDeleteDivider:
            // With none selected nothing goes: the editor's "all" is not what Delete Divider means.
            if (m_wave && m_wave->Doc().SelectedDivider() >= 0) {
                m_wave->Editor().DeleteDivider(m_wave->Doc().SelectedDivider());
                m_wave->Doc().SetSelectedDivider(-1);
            }
            return true;
        case kActDividerEditOff:
            if (m_wave) m_wave->SetView(false, true, m_wave->FinalTouchesView());
            return true;
        default:
            break;
    }
    return true;
}

bool CShellDlg::CreateCompressedFiles(bool wma) {
    if (!m_cdWriter) return true;
    std::vector<ExportSong> songs;
    for (const CdSongRow& row : m_cdWriter->Rows()) {
        // Track files carry their divider's name.
        if (row.selected) songs.push_back({row.path, AudioTags{FileTitle(row.path), {}, {}, 0}});
    }
    if (wma) {
        CreateWmaFiles(songs, m_settings, m_store, m_wmaChooser);
    } else {
        CreateMp3Files(songs, m_settings, m_store);
    }
    return true;
}

bool CShellDlg::RunCdAction(int action) {
    switch (action) {
        case kActOpenCdRip:
            ClosePanes();
            m_cdRip = std::make_unique<CCdRipper>(m_store, m_settings);
            m_cdRip->Open();
            Notify(Change::Panes);
            return true;
        case kActOpenCdWriter:
            ClosePanes();
            m_cdWriter = std::make_unique<CCdBurner>(m_settings, m_songs, m_cdDrives);
            m_cdWriter->Open();
            Notify(Change::Panes);
            Services().PumpMessages();
            return true;
        case kActRipSelectedTracks:
        case kActRipAllTracks:
            if (!m_cdRip) return true;
            ShowCancel(action == kActRipSelectedTracks ? 1 : 2);
            if (action == kActRipSelectedTracks) {
                m_cdRip->RipSelected();
            } else {
                m_cdRip->RipAll();
            }
            return true;
        case kActWriteCd:
            if (!m_cdWriter) return true;
            if (m_cdWriter->ImageRecorderSelected() && m_saveChooser) {
                const std::string cue = m_saveChooser(LoadString(kMsgImageSaveTitle), LoadString(kMsgImageFilter),
                                                      m_cdWriter->DefaultImagePath());
                if (cue.empty() || !m_cdWriter->SetImagePath(cue)) return true;
            }
            m_cdWriter->WriteCd();
            return true;
        case kActImportPlaylist: {
            if (!m_cdWriter || !m_chooser) return true;
            const std::string file = m_chooser(LoadString(kMsgImportPlaylistTitle), LoadString(kMsgPlaylistFilter));
            if (!file.empty() && m_cdWriter->ImportPlaylist(file)) m_cdWriter->SaveCdPlaylist();
            return true;
        }
        case kActCreateMp3Files:
        case kActCreateWmaFiles:
            return CreateCompressedFiles(action == kActCreateWmaFiles);
        default:
            break;
    }
    return true;
}
