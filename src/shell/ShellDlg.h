// CShellDlg: the main window without its window. Every click on a stage
// button, Back or a bin button is an event of the stage machine: the row of
// (state, event) names an action, the next state and the prompt. The action
// opens the pane of a stage or calls the part that does the work; then the
// buttons are relabelled, the help picture changes and the prompt shows. It
// owns the one open pane, the Training Wheels state and the filter runner.
// The window binds to it and only draws. Interface thread only.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "processing/FilterRunner.h"
#include "shell/Preferences.h"
#include "shell/TransitionTable.h"

class AppSettings;
class CCdBurner;
class CCdRipper;
class CEnhancerDlg;
class CPickFiles;
class CPlayer;
class CRecorder;
class CSettingsStore;
class CSongList;
class CTaviCleanDlg;
class CWaveFile;
class CWavePane;
class CWorkList;
class IPreviewPlayer;
class ITrackPlayer;

class CShellDlg {
public:
    static constexpr int kDialogId = 102;
    // What changed, for the window to draw again.
    enum class Change { Buttons, Prompt, Picture, Panes, TrainingWheels, Exit, ConfigureEditor };
    // Width in pixels the Clean pane's activity display is laid out for.
    static constexpr int kActivityWidth = 400;

    CShellDlg(AppSettings& settings, CSettingsStore& store, CSongList& songs);
    ~CShellDlg();
    CShellDlg(const CShellDlg&) = delete;
    CShellDlg& operator=(const CShellDlg&) = delete;

    void SetObserver(std::function<void(Change)> observer) { m_observer = std::move(observer); }
    // The program's player (not owned; null: previews and auditions do not start).
    void SetPlayers(IPreviewPlayer* preview, ITrackPlayer* tracks);
    // The program's player over the audio engine: previews, auditions and recording (not owned).
    void SetPlayer(CPlayer* player);
    // The player that auditions songs (previews in the list panes); null without one.
    ITrackPlayer* TrackPlayer() const { return m_trackPlayer; }
    // Asked before the first WMA of a Create WMA run (see CreateWmaFiles); none keeps the stored choice.
    void SetWmaChooser(std::function<bool(int& codecIdx, int& formatIdx)> chooser) {
        m_wmaChooser = std::move(chooser);
    }
    // Makes the audio engine anew from the device settings, moving the player onto it (the front
    // end's CRestovaApp::CreateAudioEngine). Without one a device choice waits for the next start.
    void SetEngineRecreator(std::function<void()> recreate) { m_recreateEngine = std::move(recreate); }
    // After a device choice: the engine made anew; a preview or recording that ran has stopped.
    void RecreateAudioEngine();
    // Lists the machine's CD writers in the CD writer pane (off: only the image recorder).
    void SetCdDrives(bool on) { m_cdDrives = on; }

    // The window has initialised: prompt 108, state 10 and Start Over.
    void OnInitDialog();
    // One event (ShellEvent) of the stage machine.
    void Dispatch(int event);

    int State() const { return m_state; }
    // Puts the machine in a state without running an action (the CLI's state: event, tests).
    void SetState(int state);
    int PreviousState() const { return m_previous; }
    // The action of the last row dispatched (kActNoAction before the first).
    int LastAction() const { return m_lastAction; }
    // Button1..Button4's caption; empty means hidden.
    const std::string& Caption(int button) const { return m_captions[static_cast<size_t>(button)]; }
    const std::string& Prompt() const { return m_prompt; }
    // Sets the captions of a state's buttons.
    void SetButtons(int state);

    // Training Wheels: toggled by its button; while on, every transition shows the state's picture.
    void ToggleTrainingWheels();
    bool TrainingWheels() const { return m_trainingWheels; }
    // The picture shown in the Training Wheels window (full path); empty while it is off.
    const std::string& HelpPicture() const { return m_picture; }
    // The picture's file name for a state (and the state before it).
    static const char* PictureFor(int state, int previousState);

    // The Exit button; the context menu's Exit skips the test for a running job.
    void OnExit(bool fromMenu = false);
    bool ExitRequested() const { return m_exit; }
    // The Advanced-editor button: starts Zarvo6Path on the current song.
    void OnAdvancedEditor();
    // The Preferences dialog's model, filled from the settings.
    CPreferences OpenPreferences() const;
    // Its OK: the settings take its values (stored when the main window closes), the player's loop
    // flag follows LoopPreview and the engine's ReInitOnPlay; a changed UseWDM makes the engine anew.
    void ApplyPreferences(const CPreferences& preferences);
    void OnPreferencesChanged();

    // Whether a job (a filter run, a preview, a copy, a rip, a CD) or any action is running, during
    // which every click only cancels it.
    bool JobRunning() const;

    // The open pane, each null while closed.
    CCdRipper* CdRipPane() const { return m_cdRip.get(); }
    CPickFiles* Bin1Pane() const { return m_bin1.get(); }
    CWorkList* WorklistPane() const { return m_worklist.get(); }
    CTaviCleanDlg* CleanPane() const { return m_clean.get(); }
    CEnhancerDlg* EnhancePane() const { return m_enhance.get(); }
    CWavePane* WaveformPane() const { return m_wave.get(); }
    CCdBurner* CdWriterPane() const { return m_cdWriter.get(); }
    CRecorder* RecordPane() const { return m_record.get(); }
    void ClosePanes();

    // Bin1's Import...: the files chosen in its dialog; the prompt becomes message 204 when any arrived.
    bool ImportFiles(const std::vector<std::string>& files, int filterIndex);
    // The file the next file dialog of an action (playlist import) returns; empty: cancelled.
    void SetFileChooser(std::function<std::string(const std::string& title, const std::string& filter)> chooser) {
        m_chooser = std::move(chooser);
    }
    // The file the next save dialog of an action (the disc image of Write CD) returns, starting at
    // proposed; empty: cancelled. Without one the image goes where its recorder was already told.
    void SetSaveChooser(
        std::function<std::string(const std::string& title, const std::string& filter, const std::string& proposed)>
            chooser) {
        m_saveChooser = std::move(chooser);
    }

    // Record-player set-up chosen so far.
    int RecordSpeed() const { return m_recordSpeed; }
    int TurntableSpeed() const { return m_turntableSpeed; }
    bool Tape() const { return m_tape; }

    CFilterRunner& Runner() { return m_runner; }

private:
    void Notify(Change change);
    void SetPrompt(MsgId id);
    void ShowHelpPicture(int state, int action);
    // Runs a row's action; false when the step ends there (no transition).
    bool RunAction(const TransitionRow& row);
    bool RunPaneAction(int action);
    bool RunStageAction(int action);
    bool RunFinalTouchesAction(int action);
    bool RunCdAction(int action);
    bool RunRecordAction(const TransitionRow& row);
    // Opens the record pane (when closed) for state with the speeds chosen; false without a player.
    bool OpenRecordPane(int state);
    // The take's file is the current song; a new one marks a new recording.
    void NoteTake();
    bool StopAndSaveRecording();
    bool CreateCompressedFiles(bool wma);

    void OpenBin1();
    void OpenWorklist();
    // The worklist, when open, must have a song selected; false (message 310) otherwise.
    bool WorklistSupplies();
    bool OpenClean();
    bool OpenEnhance();
    bool OpenWaveform(const std::string& path);
    bool RunProcess(bool clean);
    void FinishSong(bool markFinal);
    void ShowFolder(const char* name);
    // Caption i becomes "Cancel" while a job of this step runs.
    void ShowCancel(int button);

    AppSettings& m_settings;
    CSettingsStore& m_store;
    CSongList& m_songs;
    CFilterRunner m_runner;
    IPreviewPlayer* m_previewPlayer = nullptr;
    ITrackPlayer* m_trackPlayer = nullptr;
    CPlayer* m_player = nullptr;
    std::function<void(Change)> m_observer;
    std::function<bool(int&, int&)> m_wmaChooser;
    std::function<std::string(const std::string&, const std::string&)> m_chooser;
    std::function<std::string(const std::string&, const std::string&, const std::string&)> m_saveChooser;
    std::function<void()> m_recreateEngine;
    bool m_cdDrives = true;

    int m_state = kStateWelcome;
    int m_previous = kStateWelcome;
    int m_lastAction = kActNoAction;
    std::array<std::string, 4> m_captions;
    std::string m_prompt;
    bool m_trainingWheels = false;
    std::string m_picture;
    bool m_exit = false;
    bool m_acting = false;  // an action is running (and may pump messages)

    int m_recordSpeed = 33;
    int m_turntableSpeed = 33;
    bool m_tape = false;
    bool m_applyRiaa = false;
    // Set when a take got its file, cleared once Stop and Save has processed it.
    bool m_newRecording = false;

    std::unique_ptr<CCdRipper> m_cdRip;
    std::unique_ptr<CPickFiles> m_bin1;
    std::unique_ptr<CWorkList> m_worklist;
    std::unique_ptr<CTaviCleanDlg> m_clean;
    std::unique_ptr<CEnhancerDlg> m_enhance;
    std::unique_ptr<CWaveFile> m_enhanceSong;
    std::unique_ptr<CWavePane> m_wave;
    std::unique_ptr<CRecorder> m_record;
    std::unique_ptr<CCdBurner> m_cdWriter;
};
