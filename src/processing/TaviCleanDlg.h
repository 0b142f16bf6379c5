// CTaviCleanDlg: the logic of the Clean pane without any window. Three
// sliders (Scratch, Crackle, Hiss), the hum choice, Bypass and Keep Residue
// drive a TaviClean filter; Process and Preview run it through the runner over
// the whole song; a 100 ms timer reads the filter's meters, and the activity
// display's four lanes are computed here for the pane to paint.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "audiofile/WaveFile.h"
#include "processing/FilterDlg.h"
#include "processing/TaviClean.h"

class CTaviCleanDlg : public CFilterDlg {
public:
    static constexpr int kDialogId = 169;
    // A slider with its edit field: range, start value and step of the slider's value.
    struct SliderRange {
        int id;
        int editId;
        int min;
        int max;
        int start;
        int step;
    };
    static constexpr SliderRange kScratch{3565, 3566, 0, 1000, 500, 10};
    static constexpr SliderRange kCrackle{1794, 1796, 0, 1000, 600, 10};
    static constexpr SliderRange kHiss{1577, 1574, 0, 100, 20, 1};
    static constexpr int kIdHumOff = 3567;
    static constexpr int kIdHum60 = 3568;
    static constexpr int kIdHum50 = 3569;
    static constexpr int kIdKeepResidue = 1028;
    static constexpr int kIdActivity = 1590;
    static constexpr int kIdSongName = 1049;
    static constexpr int kTimerId = 67;
    static constexpr int kTimerMs = 100;
    static constexpr int kMeterMinMs = 95;  // readings are taken at most this often
    static constexpr int kLanes = 4;

    // One lane's bar of the newest strip: height in pixels and colour.
    struct Bar {
        int height = 0;
        uint8_t red = 0;
        uint8_t green = 0;
        uint8_t blue = 0;
        bool operator==(const Bar&) const = default;
    };

    explicit CTaviCleanDlg(CFilterRunner* runner = nullptr);
    ~CTaviCleanDlg() override;

    // Sets up the pane for the song at songPath: slider start values, the filter and its last or
    // default preset, the "Working on:" name, the activity display's scroll step (its width / 40
    // pixels) and the timer. False when the filter could not be made.
    bool InitPane(const std::string& songPath, int activityWidth);

    // A slider moved (control id, new value, clamped to its range): applied at once.
    void OnSlider(int id, int value);
    // Hum radio button: 0 "OFF", 1 "60 Hz (US)", 2 "50Hz (Europe)".
    void OnHumChoice(int choice);
    // The Bypass button's new state.
    void OnBypassButton(bool on);
    // The Keep Residue box's new state.
    void OnKeepResidue(bool on);
    // Runs the filter over the whole song (or, while the preview flag is set, into the player).
    // The result is the cancel flag: true when the user cancelled or the song could not be opened.
    bool OnProcess();
    // Process with the preview flag set; a running preview is stopped instead.
    bool OnPreview();
    // The 100 ms timer; true when new readings were taken (the pane then scrolls and paints).
    bool OnTimer(int64_t nowMs);
    // The user closes the pane: false while a run keeps it open; otherwise the timer stops, the
    // cancel flag is set and the runner lets go of the song.
    bool OnClosePane();

    // The newest strip of the activity display for these readings, lanes top to bottom.
    static std::array<Bar, kLanes> ActivityBars(const CTaviClean::Meters& meters, int laneHeight, int humChoice);
    // Slider position for a value: the largest value sits at the left end.
    static int SliderPosition(const SliderRange& range, int value) { return range.max - (value - range.min); }

    int Scratch() const { return m_scratch; }
    int Crackle() const { return m_crackle; }
    int Hiss() const { return m_hiss; }
    int HumChoice() const { return m_hum; }
    bool Bypass() const { return m_bypass; }
    bool KeepResidue() const { return m_keepResidue; }
    bool IsPreview() const { return m_preview; }
    bool TimerRunning() const { return m_timer; }
    const CTaviClean::Meters& Readings() const { return m_meters; }
    int ScrollStep() const { return m_scrollStep; }
    const std::string& SongName() const { return m_songName; }
    // How often the controls were refreshed from the filter (LoadControls).
    int Refreshes() const { return m_refreshes; }

protected:
    bool ValidateControls() override;
    void ApplyControls() override;
    void LoadControls() override;

private:
    CTaviClean* Clean() const;

    CWaveFile m_song{4096, 4096};
    std::string m_songPath;
    int m_scratch = kScratch.start;
    int m_crackle = kCrackle.start;
    int m_hiss = kHiss.start;
    int m_hum = 0;
    bool m_bypass = false;
    bool m_keepResidue = false;
    bool m_preview = false;
    bool m_timer = false;
    int64_t m_lastReading = INT64_MIN / 2;
    CTaviClean::Meters m_meters;
    int m_scrollStep = 0;
    std::string m_songName;
    int m_refreshes = 0;
    CFilterRunner* m_runner;
};
