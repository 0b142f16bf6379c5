// What the record pane does, without the pane: it monitors the line input,
// records a take into Bin1 under a name of its own, pauses, restarts,
// stops, renames, keeps the timer text and starts the recording mixer. The
// pane binds its buttons, its input list, its meter and a 75 ms timer to
// this. Interface thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "devices/AudioHost.h"
#include "devices/RecordMixer.h"

class AppSettings;
class CPlayer;

class CRecorder {
public:
    static constexpr int kTimerPeriodMs = 75;
    static constexpr int kTicksPerText = 11;

    // The record pane's workflow states in which the input list acts.
    static constexpr int kStateMeterCheck = 15;
    static constexpr int kStateLevelCheck = 16;
    static constexpr int kStateReadyToRecord = 21;
    static constexpr int kStateRecording = 22;
    static constexpr int kStateRecordingPaused = 23;

    // The meter's two looks: plain, and with the target zone the level check aims at.
    static constexpr int kMeterPlain = 0;
    static constexpr int kMeterTargetZone = 1;
    // What the pane shows in a workflow state; everything else stays hidden.
    struct Stage {
        bool inputs = false;  // the input device list
        bool meter = false;
        int meterStyle = kMeterPlain;
        bool time = false;  // the take's time text
    };
    static Stage StageOf(int state);

    CRecorder(CPlayer& player, AppSettings& settings);
    ~CRecorder();
    CRecorder(const CRecorder&) = delete;
    CRecorder& operator=(const CRecorder&) = delete;

    // Turntable and record speed (33, 45 or 78) and whether the source is a tape.
    void SetSpeeds(int turntableSpeed, int recordSpeed, bool tape);
    int TurntableSpeed() const { return m_turntable; }
    int RecordSpeed() const { return m_recordSpeed; }
    bool IsTape() const { return m_tape; }
    // The pane's check boxes: "Using Flat Preamp" and "Auto Detect Audio".
    void SetFlatPreamp(bool on) { m_flatPreamp = on; }
    bool FlatPreamp() const { return m_flatPreamp; }
    void SetAutoDetect(bool on);
    // The workflow state the pane shows (15 to 23).
    void SetWorkflowState(int state) { m_workflowState = state; }
    int WorkflowState() const { return m_workflowState; }

    // The input list: the default entry, then the capture devices in enumeration order.
    std::vector<std::string> InputNames() const;
    // The entry of the stored device choice.
    int SelectedInput() const;
    // The user picks another input: stored as the device choice, the engine made anew through
    // recreate, and monitoring or recording started again (states 15 and 22 only).
    void SelectInput(int index, const std::function<void()>& recreate);

    // Monitor input (and the first step of recording): meters run, nothing is written. False
    // when the device or the take's file failed (the message was shown).
    bool Monitor();
    // Record (and Continue): writing begins or goes on.
    bool Record();
    // Capture goes on, nothing is written.
    void Pause();
    // Stops, deletes the take and records a new one.
    bool Restart();
    // Stops playing or recording; the take stays.
    void Stop();
    // Renames the take (to a name in Bin1, ".wav" added when missing) after asking for it; false
    // when the user cancelled or the move failed.
    bool SaveAs();
    // Ends recording and any playback; stores the check boxes. The pane closes.
    void Close();

    // The timer: every kTimerPeriodMs; the time text is new every kTicksPerText ticks.
    void OnTimer();
    const std::string& TimeText() const { return m_timeText; }
    // The level meter values (24-bit scale).
    int32_t MeterLeft() const;
    int32_t MeterRight() const;

    // The recording mixer program.
    bool OpenMixer();
    void CloseMixer() { m_mixer.Close(); }

    // The take: its first file (empty before one exists), whether it was recorded, and every file
    // it spans. With the speeds and FlatPreamp, what the steps after recording need.
    const std::string& TakePath() const { return m_takePath; }
    bool HasTake() const { return m_hasTake; }
    std::vector<std::string> TakeFiles() const;

private:
    // Monitor input, or with write, record from the first buffer.
    bool StartCapture(bool write);
    void RefreshTimeText();

    CPlayer& m_player;
    AppSettings& m_settings;
    CRecordMixer m_mixer;
    int m_turntable = 33;
    int m_recordSpeed = 33;
    bool m_tape = true;
    bool m_flatPreamp = false;
    bool m_autoDetect = false;
    int m_workflowState = 16;
    std::string m_takePath;
    bool m_hasTake = false;
    bool m_recorded = false;  // Record ran (or the take was named) since the take was opened
    bool m_newTake = true;
    int m_ticks = 0;
    std::string m_timeText;
};
