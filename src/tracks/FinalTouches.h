// CFinalTouches: the edits of the Final Touches stage on the song open in a
// CSongDocument: trimming the start or the end, fading in or out, raising the
// whole song to full scale, and cutting ranges or whole tracks out. In session
// mode every edit becomes a step of the song's session; in plain mode the song
// is rewritten through a scratch wave in its own folder that replaces it in one
// rename, so that a failure or a crash leaves the old song whole.
//
// Lengths are milliseconds, positions bytes of audio data (the session stream
// in session mode).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CFilter;
class CGainChange;
class CSongDocument;
class CWaveFile;

class CFinalTouches {
public:
    enum class Side { Start, End };

    static constexpr uint32_t kInitialTrimMs = 2000;
    static constexpr uint32_t kStartTrimMs = 4000;  // the trim length when a trim starts
    static constexpr uint32_t kInitialFadeMs = 2000;
    static constexpr uint32_t kStepMs = 250;         // one press of More or Less
    static constexpr uint32_t kMinLengthMs = 10;     // lengths never go below this
    static constexpr uint32_t kPreviewMs = 4000;     // what a trim preview plays
    static constexpr uint32_t kFullScale = 8388352;  // 16-bit full scale on the 24-bit scale

    explicit CFinalTouches(CSongDocument& doc);
    CFinalTouches(const CFinalTouches&) = delete;
    CFinalTouches& operator=(const CFinalTouches&) = delete;

    // --- lengths and selections ----------------------------------------------
    uint32_t TrimLength() const { return m_trimMs; }
    Side TrimSide() const { return m_trimSide; }
    uint32_t FadeLength() const { return m_fadeMs; }
    bool FadeIn() const { return m_fadeIn; }
    // The next trim length (ms) after More or Less, before the data length is checked:
    // below 251 ms doubled or halved, else 250 ms added or taken; at least 10 ms.
    static uint32_t NextTrimLength(uint32_t ms, bool more);
    // The next fade length (ms): from 250 ms on 250 ms added or taken, below doubled or halved; at least 10 ms.
    static uint32_t NextFadeLength(uint32_t ms, bool more);
    // floor(bytes per sample x channels x rate x ms / 1000) bytes of the song, without overflow.
    uint64_t LengthBytes(uint32_t ms) const;
    // The selection of a length (ms) at one side: [0, min(length, data)) at the start,
    // [data - length, data) at the end, or nothing ([data, data)) when the length exceeds the data.
    void SideRange(Side side, uint32_t ms, uint32_t& start, uint32_t& end) const;

    // --- trim ------------------------------------------------------------------
    // Trim length := 4000 ms (kept as it was when the song is shorter) and that side selected.
    void StartTrim(Side side);
    // Steps the trim length; a length longer than the song keeps the old one. Reselects and
    // restarts a playing preview.
    void TrimMore();
    void TrimLess();
    // Sets the trim length (ms) and reselects; false (length kept) when 0 or longer than the song.
    bool SetTrimLength(uint32_t ms);
    // Plays the 4 seconds the trim leaves next to the cut, or stops a playing preview instead.
    // False without a player or when playback could not start.
    bool PreviewTrim();
    // Cuts the selection out, moves the dividers, marks the song modified and selects it all.
    bool ApplyTrim();

    // --- fade ------------------------------------------------------------------
    // Fade in (true) or out over the fade length: selects the start or the end.
    void StartFade(bool fadeIn);
    // Steps the fade length (not limited by the song), reselects, restarts a playing preview.
    void FadeMore();
    void FadeLess();
    // Sets the fade length (ms) and reselects; false (kept) for 0.
    bool SetFadeLength(uint32_t ms);
    // The fade's gain (0..1) at count points spread evenly over the selection, first to last, as
    // ApplyFade would apply it; empty for an empty selection.
    std::vector<double> FadeCurve(int count) const;
    // Plays the fade over the selection through the runner's preview player; stored nowhere.
    bool PreviewFade();
    // Fades the selection for real: a session step, or the song rewritten in plain mode.
    bool ApplyFade();

    // --- gain ------------------------------------------------------------------
    // Raises the song so that its peak lands on 16-bit full scale. True when the song changed;
    // false for silence (nothing to do), a cancel (no step, no file left) or a failure.
    bool MaximizeGain();
    // The peak (24-bit scale) and the gain applied by the last MaximizeGain; 0 when it found none.
    uint32_t LastPeak() const { return m_lastPeak; }
    double LastGain() const { return m_lastGain; }
    // Whether the last MaximizeGain found a silent song (and so had nothing to do).
    bool LastWasSilent() const { return m_lastSilent; }

    // --- cuts ------------------------------------------------------------------
    // Removes bytes [start, end) (rounded down to whole frames); true on success. Dividers are
    // the caller's: see ApplyTrim and CutTrack.
    bool CutRange(uint32_t start, uint32_t end);
    // Asks, then removes the selected track (not the entire file), moves the dividers, marks
    // the song modified and selects the track around the cut.
    bool CutTrack();

private:
    uint32_t FrameBytes() const;
    void SelectSide(Side side, uint32_t ms);
    void Reselect();
    bool PlayTrimPreview();
    bool CutAndUpdate(uint32_t start, uint32_t end);
    void StopPlayback();
    // The fade's filter over the selection (whole frames).
    void SetUpFade(CGainChange& gain, uint32_t& start, uint32_t& end) const;
    bool RunFade(bool preview);
    int RunPass(CFilter& filter, uint32_t start, uint32_t end, const std::string& output, const std::string& caption);
    bool CutPlain(uint32_t start, uint32_t end);
    bool ReplacePlain(uint32_t start, uint32_t end, const std::string& insert);
    bool InstallScratch(const std::string& scratch);
    bool MaximizeSession(CFilter& gain, uint32_t length, const std::string& caption);
    bool MaximizePlain(CFilter& gain, uint32_t length, const std::string& caption);

    CSongDocument& m_doc;
    uint32_t m_trimMs = kInitialTrimMs;
    Side m_trimSide = Side::Start;
    uint32_t m_fadeMs = kInitialFadeMs;
    bool m_fadeIn = true;
    bool m_fadePreviewing = false;  // PreviewFade's run is in progress
    bool m_restartFade = false;     // the running fade preview is to start again with the new selection
    uint32_t m_lastPeak = 0;
    double m_lastGain = 0.0;
    bool m_lastSilent = false;
};
