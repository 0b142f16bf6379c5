// The processing stages: Clean and Enhance, and the waveform pane's divider
// and Final Touches actions.
#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "base/StringTable.h"
#include "cd/SongList.h"
#include "devices/TrackPlayer.h"
#include "enhance/EnhancerDlg.h"
#include "processing/TaviCleanDlg.h"
#include "shell/ShellDlg.h"
#include "shell/SongFiles.h"
#include "shell/WavePane.h"
#include "shell/WorkList.h"

bool CShellDlg::OpenClean() {
    if (!WorklistSupplies()) return false;
    ClosePanes();
    m_clean = std::make_unique<CTaviCleanDlg>(&m_runner);
    m_clean->InitPane(m_songs.Current(), kActivityWidth);
    Notify(Change::Panes);
    return true;
}

bool CShellDlg::OpenEnhance() {
    if (!WorklistSupplies()) return false;
    ClosePanes();
    m_enhance = std::make_unique<CEnhancerDlg>(&m_runner);
    m_enhance->OnInitDialog();
    // The runner reopens the song by its name for every run.
    m_enhanceSong = std::make_unique<CWaveFile>(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
    const std::string song = m_songs.Current();
    const int rc = m_enhanceSong->OpenRead(song);
    if (rc != kFileOk) CWaveFile::ReportFileError(rc, song);
    m_enhanceSong->Close();
    m_enhance->SetSong(rc == kFileOk ? m_enhanceSong.get() : nullptr);
    Notify(Change::Panes);
    return true;
}

bool CShellDlg::RunProcess(bool clean) {
    if (clean ? !m_clean : !m_enhance) return true;
    ShowCancel(1);
    bool finished;
    if (clean) {
        const bool cancelled = m_clean->OnProcess();
        // A run that failed has not cleaned the song any more than a cancelled one.
        finished = !cancelled && m_runner.LastResult() == CFilterRunner::kRunOk;
    } else {
        finished = m_enhance->OnProcess() && !CancelFlag().load();
    }
    if (!finished) {
        SetButtons(m_state);
        return false;
    }
    if (m_trackPlayer && m_trackPlayer->IsPlaying()) m_trackPlayer->Stop();
    if (m_settings.UseSounds) Services().PlayChime(m_settings.ChimeSndPath);
    const std::string song = m_songs.Current();
    ClosePanes();
    CSongFiles::SetStatus(song, clean ? CSongFiles::kClean : CSongFiles::kEnhance, true);
    OpenWorklist();
    return true;
}

bool CShellDlg::RunStageAction(int action) {
    switch (action) {
        case kActOpenClean:
            return OpenClean();
        case kActOpenEnhance:
            return OpenEnhance();
        case kActRunClean:
            return RunProcess(true);
        case kActRunEnhance:
            return RunProcess(false);
        case kActPreviewClean:
            if (!m_clean) return true;
            ShowCancel(0);
            m_clean->OnPreview();
            return true;
        case kActPreviewEnhance:
            if (!m_enhance) return true;
            ShowCancel(0);
            m_enhance->OnPreview();
            SetButtons(m_state);
            return true;
        default:
            break;
    }
    return true;
}

void CShellDlg::FinishSong(bool markFinal) {
    const std::string path = m_wave->Doc().Path();
    // Only what reached the wave is marked as finished.
    if (!m_wave->CloseSong(true)) return;
    if (markFinal) CSongFiles::SetStatus(path, CSongFiles::kFinalTouches, true);
}

bool CShellDlg::RunFinalTouchesAction(int action) {
    if (action == kActMaximizeGain && !m_wave) {
        ShowMessage(kMsgWrongState, MsgIcon::Stop);
        return true;
    }
    if (action == kActFinishFinalTouches) {
        if (m_wave) {
            if (m_trackPlayer && m_trackPlayer->IsPlaying()) return false;
            FinishSong(true);
        }
        OpenWorklist();
        return true;
    }
    if (action == kActOpenFinalTouches && !m_wave) {
        if (!WorklistSupplies()) return false;
        OpenWaveform(m_songs.Current());
        Services().PumpMessages();
    }
    if (!m_wave) return true;
    CWavePane& wave = *m_wave;
    CFinalTouches& touches = wave.Touches();
    switch (action) {
        case kActOpenFinalTouches:
            wave.SetView(true, false, true);
            wave.Redraw();
            break;
        case kActTrimView:
        case kActFadeView:
            wave.SetView(false, false, true);
            wave.Redraw();
            break;
        case kActPreviewTrim:
            touches.PreviewTrim();
            break;
        case kActDoTrim:
            touches.ApplyTrim();
            wave.SetView(false, false, true);
            wave.Redraw();
            break;
        case kActLeaveTrim:
        case kActLeaveFade:
            if (wave.Doc().Modified()) {
                const std::string path = wave.Doc().Path();
                if (wave.CommitAndReopen()) CSongFiles::SetStatus(path, CSongFiles::kFinalTouches, true);
            }
            wave.SetView(true, false, true);
            wave.Redraw();
            if (action == kActLeaveFade) touches.FadeMore();
            break;
        case kActShowTrimStart:
        case kActShowTrimEnd:
            wave.SetView(wave.EditGraph(), wave.TrackList(), false);
            wave.SetFocus(CWavePane::Focus::Trim);
            touches.StartTrim(action == kActShowTrimStart ? CFinalTouches::Side::Start : CFinalTouches::Side::End);
            break;
        case kActTrimMore:
            touches.TrimMore();
            break;
        case kActTrimLess:
            touches.TrimLess();
            break;
        case kActShowFadeIn:
        case kActShowFadeOut:
            wave.SetView(wave.EditGraph(), wave.TrackList(), false);
            wave.SetFocus(CWavePane::Focus::Fade);
            touches.StartFade(action == kActShowFadeIn);
            break;
        case kActFadeMore:
            touches.FadeMore();
            break;
        case kActFadeLess:
            touches.FadeLess();
            break;
        case kActPreviewFade:
            touches.PreviewFade();
            break;
        case kActDoFade:
            touches.ApplyFade();
            wave.SetView(false, false, true);
            wave.Redraw();
            break;
        case kActMaximizeGain:
            touches.MaximizeGain();
            break;
        case kActReindexTracks:
            if (wave.IndexTracks(true, true) && m_settings.UseSounds) Services().PlayChime(m_settings.ChimeSndPath);
            wave.SetView(false, true, wave.FinalTouchesView());
            wave.Redraw();
            break;
        default:
            break;
    }
    return true;
}
