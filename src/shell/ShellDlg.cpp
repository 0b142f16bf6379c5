// The stage machine's step, the buttons, the help pictures, the panes and
// the main window's own buttons.
#include "shell/ShellDlg.h"

#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "base/ProgramPaths.h"
#include "base/StringTable.h"
#include "cd/CdBurner.h"
#include "cd/CdRipper.h"
#include "cd/SongList.h"
#include "devices/Player.h"
#include "devices/PreviewPlayer.h"
#include "devices/Recorder.h"
#include "devices/TrackPlayer.h"
#include "enhance/EnhancerDlg.h"
#include "processing/TaviCleanDlg.h"
#include "shell/PickFiles.h"
#include "shell/WavePane.h"
#include "shell/WorkList.h"

CShellDlg::CShellDlg(AppSettings& settings, CSettingsStore& store, CSongList& songs)
    : m_settings(settings), m_store(store), m_songs(songs) {
    SetButtons(m_state);
}

CShellDlg::~CShellDlg() {
    ClosePanes();
}

void CShellDlg::SetPlayers(IPreviewPlayer* preview, ITrackPlayer* tracks) {
    m_previewPlayer = preview;
    m_trackPlayer = tracks;
    m_runner.SetPlayer(preview);
    OnPreferencesChanged();
}

void CShellDlg::SetPlayer(CPlayer* player) {
    m_player = player;
    SetPlayers(player, player);
}

CPreferences CShellDlg::OpenPreferences() const {
    return CPreferences(m_settings);
}

void CShellDlg::ApplyPreferences(const CPreferences& preferences) {
    const int wdm = m_settings.UseWDM;
    preferences.Apply(m_settings);
    if (m_settings.UseWDM != wdm) RecreateAudioEngine();
    OnPreferencesChanged();
}

void CShellDlg::RecreateAudioEngine() {
    if (m_recreateEngine) m_recreateEngine();
}

void CShellDlg::OnPreferencesChanged() {
    if (m_previewPlayer) m_previewPlayer->SetLoop(m_settings.LoopPreview != 0);
    if (m_player) m_player->Device().SetReInitOnPlay(m_settings.ReInitOnPlay != 0);
}

void CShellDlg::Notify(Change change) {
    if (m_observer) m_observer(change);
}

void CShellDlg::OnInitDialog() {
    SetPrompt(kMsgPromptWelcome);
    m_state = kStateWelcome;
    Dispatch(kEventStartOver);
}

bool CShellDlg::JobRunning() const {
    return m_acting || Services().ProgressIsOpen() || m_runner.IsBusy() || (m_cdRip && m_cdRip->Ripping()) ||
           (m_cdWriter && m_cdWriter->Burning());
}

void CShellDlg::Dispatch(int event) {
    // A click while a job runs only asks the job to stop: panes the job works in must not go, Start
    // Over included.
    if (JobRunning()) {
        CancelFlag().store(true);
        SetButtons(m_state);
        Services().PumpMessages();
        return;
    }
    if (event == kEventStartOver) {
        m_state = kStateWelcome;
        SetButtons(m_state);
        ClosePanes();
    }
    m_previous = m_state;
    const TransitionRow* row = CTransitionTable::Get().Find(m_state, event);
    m_lastAction = kActNoAction;
    if (!row) return;
    m_lastAction = row->action;
    // An action may pump messages before any progress shows (opening a song builds its peaks): a
    // click arriving then must not close the pane the action works in.
    m_acting = true;
    const bool carriedOut = RunAction(*row);
    m_acting = false;
    if (!carriedOut) return;
    m_state = row->next;
    SetButtons(m_state);
    ShowHelpPicture(m_state, row->action);
    SetPrompt(static_cast<MsgId>(row->prompt));
}

void CShellDlg::SetState(int state) {
    m_previous = m_state;
    m_state = state;
    SetButtons(m_state);
}

void CShellDlg::SetButtons(int state) {
    const StateInfo* info = CTransitionTable::Info(state);
    for (size_t i = 0; i < m_captions.size(); ++i) {
        m_captions[i] = info && info->captions[i] != kMsgNone ? LoadString(info->captions[i]) : std::string();
    }
    Notify(Change::Buttons);
}

void CShellDlg::ShowCancel(int button) {
    m_captions[static_cast<size_t>(button)] = LoadString(kMsgBtnCancel);
    Notify(Change::Buttons);
}

void CShellDlg::SetPrompt(MsgId id) {
    m_prompt = id == kMsgNone ? std::string() : LoadString(id);
    Notify(Change::Prompt);
}

const char* CShellDlg::PictureFor(int state, int previousState) {
    if (state == kStateMeterCheck && previousState == kStateTapeHookup) return "tapeready.gif";
    const StateInfo* info = CTransitionTable::Info(state);
    return info ? info->picture : CTransitionTable::kDefaultPicture;
}

void CShellDlg::ShowHelpPicture(int state, int action) {
    (void)action;  // every action of a state shows the same picture
    if (!m_trainingWheels) return;
    m_picture =
        CProgramPaths::Join(CProgramPaths::Join(m_settings.ShareFolder(), "hlp"), PictureFor(state, m_previous));
    Notify(Change::Picture);
}

void CShellDlg::ToggleTrainingWheels() {
    m_trainingWheels = !m_trainingWheels;
    m_picture.clear();
    Notify(Change::TrainingWheels);
    ShowHelpPicture(m_state, kActNoAction);
}

void CShellDlg::ClosePanes() {
    const bool any = m_cdRip || m_bin1 || m_worklist || m_clean || m_enhance || m_wave || m_record || m_cdWriter;
    if (m_cdRip) {
        m_cdRip->Close();
        m_cdRip.reset();
    }
    if (m_bin1) {
        if (m_trackPlayer) m_trackPlayer->Stop();
        m_bin1->Close();
        m_bin1.reset();
    }
    if (m_worklist) {
        m_worklist->Close();
        m_worklist.reset();
    }
    if (m_clean) {
        m_clean->OnClosePane();
        m_clean.reset();
    }
    if (m_enhance) {
        m_enhance->OnClose();
        m_enhance.reset();
        m_enhanceSong.reset();
    }
    m_wave.reset();
    if (m_record) {
        m_record->Close();
        m_record.reset();
    }
    if (m_cdWriter) {
        if (m_cdWriter->ListChanged()) m_cdWriter->SaveCdPlaylist();
        m_cdWriter.reset();
    }
    // Panes stop their runs on closing through the cancel flag; no run is left to hear it.
    CancelFlag().store(false);
    if (any) Notify(Change::Panes);
}

void CShellDlg::OnExit(bool fromMenu) {
    if (!fromMenu && JobRunning()) {
        // The job's panes stay until it has stopped; the next press ends the program.
        CancelFlag().store(true);
        Services().PumpMessages();
        return;
    }
    if (m_trackPlayer && m_trackPlayer->IsPlaying()) {
        CancelFlag().store(true);
        m_trackPlayer->Stop();
        return;
    }
    if (m_previewPlayer) m_previewPlayer->Stop();
    Services().PumpMessages();
    ClosePanes();
    m_exit = true;
    Notify(Change::Exit);
}

void CShellDlg::OnAdvancedEditor() {
    if (m_settings.Zarvo6Path.empty()) {
        ShowMessage(kMsgNoEditor, MsgIcon::Information);
        Notify(Change::ConfigureEditor);
        return;
    }
    const std::string song = m_songs.Current();
    if (song.empty()) {
        ShowMessage(kMsgNoTrackSelected, MsgIcon::Information);
        return;
    }
    if (Services().RunProgram({m_settings.Zarvo6Path, song}, false) != 0) {
        ShowMessage(kMsgCannotRunFile, MsgIcon::Information, MsgButtons::Ok, m_settings.Zarvo6Path);
        Notify(Change::ConfigureEditor);
    }
}

void CShellDlg::ShowFolder(const char* name) {
    const std::string folder = CProgramPaths::Join(m_settings.Bin3Path, name);
    if (!Services().OpenDocument(folder)) ShowMessage(kMsgCannotRunFile, MsgIcon::Information, MsgButtons::Ok, folder);
}

bool CShellDlg::ImportFiles(const std::vector<std::string>& files, int filterIndex) {
    if (!m_bin1 || !m_bin1->ImportFiles(files, filterIndex)) return false;
    SetPrompt(kMsgImported);
    return true;
}

void CShellDlg::OpenBin1() {
    ClosePanes();
    m_bin1 = std::make_unique<CPickFiles>(m_settings, m_store, m_songs);
    m_bin1->SetPlayer(m_trackPlayer);
    m_bin1->FillBin1List();
    Notify(Change::Panes);
}

void CShellDlg::OpenWorklist() {
    ClosePanes();
    m_worklist = std::make_unique<CWorkList>(m_settings, m_songs);
    m_worklist->SetPlayer(m_trackPlayer);
    m_worklist->Open();
    Notify(Change::Panes);
}

bool CShellDlg::WorklistSupplies() {
    if (!m_worklist || m_worklist->PrepareWorklistSelection()) return true;
    ShowMessage(kMsgSelectTrackFirst, MsgIcon::Information);
    return false;
}

bool CShellDlg::OpenWaveform(const std::string& path) {
    ClosePanes();
    m_wave = std::make_unique<CWavePane>(m_runner, m_trackPlayer);
    m_wave->Open(path);
    Notify(Change::Panes);
    return m_wave->Doc().IsOpen();
}
