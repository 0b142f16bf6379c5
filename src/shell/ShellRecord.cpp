// Recording from a record player or a tape deck: the record pane's steps and
// what follows Stop and Save (speed correction, record equalisation, track
// indexing on the new take).
#include <unistd.h>

#include "audiofile/FileNames.h"
#include "base/AppSettings.h"
#include "base/StringTable.h"
#include "cd/SongList.h"
#include "devices/Player.h"
#include "devices/Recorder.h"
#include "enhance/Riaa.h"
#include "enhance/SpeedCorrection.h"
#include "shell/ShellDlg.h"
#include "shell/WavePane.h"

bool CShellDlg::OpenRecordPane(int state) {
    if (!m_player) {
        ShowMessage(kMsgRecordingNotAvailable, MsgIcon::Information);
        return false;
    }
    if (!m_record) {
        ClosePanes();
        m_record = std::make_unique<CRecorder>(*m_player, m_settings);
        Notify(Change::Panes);
    }
    m_record->SetSpeeds(m_turntableSpeed, m_recordSpeed, m_tape);
    m_record->SetWorkflowState(state);
    return true;
}

void CShellDlg::NoteTake() {
    // The take becomes the current song as soon as it has a file; a new file is a new recording.
    const std::string& take = m_record->TakePath();
    if (take.empty() || take == m_songs.Current()) return;
    m_songs.SetCurrent(take);
    m_newRecording = true;
}

bool CShellDlg::RunRecordAction(const TransitionRow& row) {
    switch (row.action) {
        case kActMonitorInput:
            if (!OpenRecordPane(row.next)) return false;
            m_record->Monitor();
            break;
        case kActStartRecording:
            if (!OpenRecordPane(row.next)) return false;
            m_record->Record();
            break;
        case kActRestartRecording:
            if (!OpenRecordPane(row.next)) return false;
            m_record->Restart();
            break;
        case kActOpenMixer:
        case kActCloseMixer:
        case kActPauseRecording:
            // These act on the pane the state opened; without it there is nothing to do.
            if (!m_record) return true;
            m_record->SetWorkflowState(row.next);
            if (row.action == kActOpenMixer) m_record->OpenMixer();
            if (row.action == kActCloseMixer) m_record->CloseMixer();
            if (row.action == kActPauseRecording) m_record->Pause();
            return true;
        case kActStopAndSaveRecording:
            return StopAndSaveRecording();
        default:
            return true;
    }
    NoteTake();
    return true;
}

bool CShellDlg::StopAndSaveRecording() {
    if (m_record) {
        m_record->Stop();
        m_applyRiaa = m_record->FlatPreamp() && !m_tape;
        if (!m_record->SaveAs()) return false;
        // Saving may have renamed the take.
        NoteTake();
        m_songs.SetCurrent(m_record->TakePath());
        // The take is the song chosen now, so that Done copies it into the worklist.
        m_songs.Clear();
        m_songs.Append(m_record->TakePath());
    }
    const std::string song = m_songs.Current();
    ClosePanes();
    m_wave = std::make_unique<CWavePane>(m_runner, m_trackPlayer);
    Notify(Change::Panes);
    Services().PumpMessages();
    if (!m_newRecording) {
        if (!song.empty()) m_wave->Open(song);
        return true;
    }
    // A tape has no turntable: speeds left from an earlier record must not re-time it.
    if (!m_tape && m_turntableSpeed != m_recordSpeed) {
        CSpeedCorrection::DoCorrectSpeed(m_runner, song, CSpeedCorrection::Ratio(m_recordSpeed, m_turntableSpeed));
    }
    if (m_applyRiaa) {
        CRiaa riaa;
        m_runner.RunFilterOnFile(riaa, song, std::string(), kMsgRiaaCaption, false);
        // The take's waveform no longer matches its audio; the pane builds it again.
        ::unlink(PeakFileName(song).c_str());
    }
    if (m_wave->Open(song) == 0) {
        m_wave->IndexTracks(false, true);
        m_wave->SetView(false, true, false);
        m_wave->Redraw();
    }
    m_newRecording = false;
    return true;
}
