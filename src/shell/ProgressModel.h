// CProgressModel: the one progress window every long job shares, without the
// window: its range, text line, percentage and bar, the Cancel button and
// where it sits on the screen (remembered between runs). A front end's
// IServices progress calls drive it and draw what it says.
#pragma once

#include <string>

class CSettingsStore;

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

class CProgressModel {
public:
    static constexpr int kDialogId = 173;
    static constexpr int kBarRange = 1000;
    static constexpr const char* kLeftKey = "ProgressPosLeft";
    static constexpr const char* kTopKey = "PrograssPosTop";  // the stored key is spelled so

    explicit CProgressModel(CSettingsStore& store) : m_store(store) {}

    // Opens with a range (an open window only goes back to 0): 0 %, the bar empty, the text
    // "Please Wait...".
    void Open(int rangeMin, int rangeMax);
    void SetText(const std::string& text) { m_text = text; }
    // The percentage of pos in the range, truncated and held within 0..100.
    void SetPos(int pos);
    // Closes and stores where the window was.
    void Close();
    bool IsOpen() const { return m_open; }

    const std::string& Text() const { return m_text; }
    int Percent() const { return m_percent; }
    // "%d%%" of the percentage.
    std::string PercentText() const;
    // The bar's position, 0..1000.
    int BarPos() const { return m_percent * 10; }

    // The Cancel button: asks the running job to stop. The job may disable the button.
    void OnCancel();
    void EnableCancel(bool on) { m_cancelEnabled = on; }
    bool CancelEnabled() const { return m_cancelEnabled; }

    // Where a window of this size opens: the stored place kept within the desktop, by default centred
    // across the main window's width on its bottom edge; centred on the main window when a stored
    // value is negative.
    void Place(const ScreenRect& mainWindow, int width, int height, const ScreenRect& desktop);
    // The user moved the window.
    void Moved(int left, int top) {
        m_left = left;
        m_top = top;
    }
    int Left() const { return m_left; }
    int Top() const { return m_top; }

private:
    CSettingsStore& m_store;
    bool m_open = false;
    int m_min = 0;
    int m_max = 100;
    int m_percent = 0;
    std::string m_text;
    bool m_cancelEnabled = true;
    int m_left = 0;
    int m_top = 0;
};
