// CWorkList: the worklist pane (Bin2, "Working On") without its window: one
// row per song with its length, the three stage flags and the last edit,
// copying the chosen songs in, sending songs on to Bin3 and the CD playlist,
// preview, rename and delete. Interface thread only.
#pragma once

#include <ctime>
#include <memory>
#include <string>
#include <vector>

class AppSettings;
class CSongList;
class CWaveFile;
class ITrackPlayer;

struct WorkRow {
    std::string name;    // "Name"
    std::string length;  // "Length"
    bool clean = false;  // "Clean"
    bool enhance = false;  // "Enh"
    bool final = false;    // "Final"
    std::string lastEdit;  // "Last Edit"
    bool selected = false;
};

class CWorkList {
public:
    static constexpr int kDialogId = 162;

    CWorkList(AppSettings& settings, CSongList& songs);
    ~CWorkList();
    CWorkList(const CWorkList&) = delete;
    CWorkList& operator=(const CWorkList&) = delete;

    void SetPlayer(ITrackPlayer* player) { m_player = player; }

    // Takes the bin's path as it is now and fills the list.
    void Open();
    // One row per wave of the folder; then the remembered row is selected.
    void FillWorklist();
    const std::vector<WorkRow>& Rows() const { return m_rows; }
    const std::string& Folder() const { return m_folder; }
    int FindRow(const std::string& name) const;
    std::string PathOf(size_t row) const;

    // Selecting a row stops playback, makes it the current song and remembers it for the next opening.
    void SetSelected(size_t row, bool selected);
    void SelectOnly(size_t row);
    void SelectAll();
    size_t SelectedCount() const;
    // The row selected when the pane next opens (-1: none); one for the whole program.
    static int& RememberedRow();

    // "Y" or "N".
    static const char* YesNo(bool done) { return done ? "Y" : "N"; }
    // The song's duration: "--:--:--" when not above 0, "%6.1fms" below a second, else "MM:SS" or
    // "HH:MM:SS" with ".%04ld" ten-thousandths.
    static std::string FormatDuration(double seconds);

    // Copies (MP3s decoded) every chosen song into the bin, asking before replacing one; then refills
    // with the last song copied selected.
    void CopyToWorklist();
    // Clean, Enhance, Final Touches: the first selected row becomes the current song. False when none is.
    bool PrepareWorklistSelection();
    // Each selected song goes to Bin3: split at its dividers when it has any, else copied; every file
    // written joins the CD playlist, which is saved.
    void SendToCdWriter();
    // "Delete": after the question, removes the selected songs with their companions. True when any went.
    bool DeleteSelected();
    // The in-place edit of row's name ended with text (empty: cancelled). True when renamed.
    bool Rename(size_t row, const std::string& text);
    // "Preview": plays the first selected song, or stops it. True when playback started.
    bool Preview();
    std::string PreviewCaption() const;
    // The pane closes: playback stops.
    void Close();

private:
    // Writes one song into target (MP3 decoded); false after a message when it could not.
    bool WriteSong(const std::string& source, const std::string& target, int base, int span);
    void StopPreview();

    AppSettings& m_settings;
    CSongList& m_songs;
    ITrackPlayer* m_player = nullptr;
    std::unique_ptr<CWaveFile> m_previewWave;
    std::string m_folder;
    std::vector<WorkRow> m_rows;
};
