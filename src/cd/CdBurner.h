// CCdBurner: everything the CD writer pane does, without a window. The pane
// (or the command line) binds to it: the songs of Bin3 in playing order with
// their four columns, reordering, deleting and importing, the recorders with
// the disc in the selected one, the space display, and writing the CD.
// Interface thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cd/CdPlaylist.h"
#include "cd/DiscMaster.h"

class AppSettings;
class CSongList;
class CWaveFile;
class ITrackPlayer;

struct CdSongRow {
    std::string name;    // "Name": the file name
    std::string length;  // "Length"
    std::string date;    // "Date": last written, local time
    std::string path;    // "Full Path"
    uint32_t dataBytes = 0;
    bool selected = false;
    CdPlaylistEntry entry;  // carried back into the playlist unchanged
};

class CCdBurner {
public:
    static constexpr int kSpaceRange = 1000;
    static constexpr int kDiscInfoMs = 1500;  // the pane's refresh timer

    // withDrives: list the machine's CD writers besides the image recorder.
    CCdBurner(AppSettings& settings, CSongList& songs, bool withDrives = true);
    ~CCdBurner();

    // Prepares Bin3 (conversion, playlist), fills the rows, lists the recorders, selects the first
    // and reads its disc.
    bool Open();
    // Lists the recorders, selects the first and reads its disc; false (message 354) when there is none.
    bool OpenRecorders();
    // Fills the rows from the song list.
    void FillRows();
    const std::vector<CdSongRow>& Rows() const { return m_rows; }
    void SetSelected(size_t row, bool selected);
    // Moves a row to a new place in the playing order.
    void MoveRow(size_t from, size_t to);
    // Moves the selected rows, in their order, to stand before row `before` of the present order
    // (the row count: to the end), as a drag does. True when the order changed.
    bool MoveSelectedBefore(size_t before);
    // Deletes the selected songs from Bin3 after the question; true when the rows went.
    bool DeleteSelected();
    // Adds the existing files of a ".wls" or ".m3u" list; false (message 186) when it cannot be read.
    bool ImportPlaylist(const std::string& file);
    // Writes the rows in their order into the CD playlist.
    bool SaveCdPlaylist();
    bool ListChanged() const { return m_listChanged; }
    // Plays the first selected song; while the player plays, stops it.
    bool Preview(ITrackPlayer& player);

    std::vector<std::string> RecorderNames() const;
    int SelectedRecorder() const { return m_recorder; }
    void SelectRecorder(int index);
    CDiscMaster& Master() { return *m_master; }
    bool Simulate() const { return m_simulate; }
    void SetSimulate(bool on) { m_simulate = on; }

    // Reads the selected recorder's disc: its text and free blocks (the timer's refresh).
    void ShowDiscInfo();
    const std::string& DiscText() const { return m_discText; }
    // The text of a disc's media type and flags.
    static std::string MediaText(const DiscMedia& media);
    // Blocks of 2352 bytes the rows need, each song rounded up.
    uint32_t UsedBlocks() const;
    // The "Space Used" bar, 0..1000 of the disc's free blocks, and its text "mm:ss.sss".
    int SpaceBar() const;
    std::string SpaceText() const;

    // The disc image recorder is the selected one: writing needs a path for its CUE sheet first.
    bool ImageRecorderSelected() const;
    // Where the image's path chooser starts: "Restova CD.cue" in the folder last written to, else
    // the CD rip folder, else the user's music folder, else home.
    std::string DefaultImagePath() const;
    // The CUE sheet the image recorder writes next (".cue" is added when the name has no such
    // extension; a ".bin" one is replaced). When that CUE or its BIN exists and the write is real,
    // message 294 asks first; No leaves everything as it was (false). The folder is stored for the
    // next time.
    bool SetImagePath(const std::string& cuePath);

    // Writes the rows to the selected recorder's disc. True when the disc was recorded.
    bool WriteCd();
    bool Burning() const { return m_burning; }

    // "--:--:--", "%6.1fms" below a second, else "M:SS" or "H:MM:SS" and ".%04ld" (seconds).
    static std::string FormatDuration(double seconds);

private:
    bool WriteTracks();
    uint32_t CheckDisc(IDiscRecorder& recorder, DiscMedia& media);
    void ReportResult(uint32_t code, const std::string& what);

    AppSettings& m_settings;
    CSongList& m_songs;
    bool m_withDrives;
    std::unique_ptr<CDiscMaster> m_master;
    std::vector<CdSongRow> m_rows;
    std::unique_ptr<CWaveFile> m_preview;
    int m_recorder = -1;
    bool m_simulate = false;
    bool m_listChanged = false;
    bool m_burning = false;
    std::string m_discText;
    uint32_t m_capacity = 0;
};
