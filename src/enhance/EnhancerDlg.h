// CEnhancerDlg: the controller behind the Enhance pane, without any window.
// It keeps the five controls (Level, Exciter, Bass, Mids, Treble; each a
// trackbar mirrored by a number box), the Bypass state, the "Working on:"
// text and the "Clip" lamp, moves them into the stage's filter, and runs
// the filter over the current song (or previews it) through the runner.
// The pane forwards its events here and shows the values; it provides the
// timer by overriding StartTimer and KillTimer and calling OnTimer.
#pragma once

#include <cstdint>
#include <string>

#include "processing/FilterDlg.h"

class CTaviEnhance;
class CWaveFile;

class CEnhancerDlg : public CFilterDlg {
public:
    static constexpr int kDialogId = 170;
    // Trackbars and their number boxes.
    static constexpr int kIdExciter = 1019;
    static constexpr int kIdLevel = 1020;
    static constexpr int kIdExciterBox = 1040;
    static constexpr int kIdLevelBox = 1041;
    static constexpr int kIdBass = 1044;
    static constexpr int kIdTreble = 1045;
    static constexpr int kIdMids = 1046;
    static constexpr int kIdClipLamp = 1086;
    static constexpr int kIdWorkingOn = 1049;
    // The clip check runs every kTimerMs while a run is going; a clip lights the lamp for kClipLampMs.
    static constexpr int kTimerMs = 200;
    static constexpr int kClipLampMs = 500;

    struct Range {
        int min = 0;
        int max = 0;
        int tick = 0;  // 0: no ticks
    };
    // The range of a trackbar or number box; {0, 0, 0} for an unknown control.
    static Range RangeOf(int id);

    explicit CEnhancerDlg(CFilterRunner* runner = nullptr);
    ~CEnhancerDlg() override;

    // The song that Process and Preview run over (not owned); "Working on:" shows its file name.
    void SetSong(CWaveFile* song);
    const std::string& WorkingOn() const { return m_workingOn; }

    // The value of a trackbar or its number box (both show the same); 0 for an unknown control.
    int GetControl(int id) const;
    // Sets a trackbar or its number box (and so the other), clamped to the range; false for an unknown control.
    bool SetControl(int id, int value);
    // The user typed into a number box: a whole number in range moves the trackbar, anything
    // else leaves the box invalid until corrected (Process and Save then refuse to start).
    void OnNumberBoxEdit(int boxId, const std::string& text);
    // A trackbar moved vertically: the controls reach the filter at once (a preview hears it).
    void OnVScroll(int id, int position);
    // A horizontal scroll moves any trackbar but reaches the filter only for Level and Exciter.
    void OnHScroll(int id, int position);
    // "Bypass": toggles the pane's bypass state, passes it to the filter and applies the controls.
    int OnBypass();
    bool Bypass() const { return m_bypass != 0; }

    // Process: runs the stage over the whole song into a new step of its session. False when
    // the controls are invalid, a preview was stopped instead, or the run failed.
    bool OnProcess();
    // Preview: the same run with its output going to the player.
    bool OnPreview();

    // A timer tick at nowMs (any steady millisecond clock): a clip since the last tick lights the lamp.
    void OnTimer(int64_t nowMs);
    bool ClipLampLit(int64_t nowMs) const { return nowMs < m_lampOffAt; }
    bool TimerRunning() const { return m_timerRunning; }
    // Milliseconds of a steady clock, for the pane's ticks.
    static int64_t NowMs();

    CTaviEnhance* Enhancer() const;

protected:
    bool ValidateControls() override;
    void ApplyControls() override;
    void LoadControls() override;
    // The pane starts and stops its window timer here; the base only keeps the state.
    virtual void StartTimer(int ms);
    virtual void KillTimer();

private:
    bool Run(bool preview);
    int* ValueOf(int id);

    CFilterRunner* m_runner;
    CWaveFile* m_song = nullptr;
    std::string m_workingOn;
    int m_exciter = 10;
    int m_level = 60;
    int m_bass = 0;
    int m_mids = 0;
    int m_treble = 0;
    int m_bypass = 0;
    int m_invalidBox = 0;  // the number box holding text that is no value in range, or 0
    bool m_timerRunning = false;
    int64_t m_lampOffAt = INT64_MIN;
};
