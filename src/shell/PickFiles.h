// CPickFiles: the Bin1 pane ("My Song Files") without its window: the list of
// the bin's waves and MP3s with their size and date, sorting, the information
// text, preview, deleting, importing files into the bin, and handing the
// chosen songs to the program's song list. Interface thread only.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class AppSettings;
class CSettingsStore;
class CSongList;
class CWaveFile;
class ITrackPlayer;

struct Bin1Row {
    std::string name;      // "Filename"
    uint64_t size = 0;     // bytes
    std::time_t time = 0;  // creation time (the last change where the file system keeps none)
    std::string sizeText;  // "Size"
    std::string dateText;  // "Date Created"
    bool selected = false;
};

class CPickFiles {
public:
    static constexpr int kDialogId = 158;
    enum Column : int { kColumnName = 0, kColumnSize = 1, kColumnDate = 2 };

    CPickFiles(AppSettings& settings, CSettingsStore& store, CSongList& songs);
    ~CPickFiles();
    CPickFiles(const CPickFiles&) = delete;
    CPickFiles& operator=(const CPickFiles&) = delete;

    // Plays previews (not owned; may be null: Preview then does nothing).
    void SetPlayer(ITrackPlayer* player) { m_player = player; }
    // Rows for every wave, then every MP3 of Bin1 (extensions in any case), in the order the folder
    // lists them; the chosen songs are cleared.
    void FillBin1List();
    const std::vector<Bin1Row>& Rows() const { return m_rows; }
    // Index of the row of this file name, or -1.
    int FindRow(const std::string& name) const;
    std::string PathOf(size_t row) const;
    // Sorts by a column, ascending; names compare without regard to case.
    void Sort(Column column);

    // Selecting a row shows its format in the information text and makes it the current song.
    void SetSelected(size_t row, bool selected);
    void SelectOnly(size_t row);
    void SelectAll();
    size_t SelectedCount() const;
    const std::string& InfoText() const { return m_info; }

    // "Preview": stops a preview that plays, else plays the first selected file from its start.
    // True when playback started.
    bool Preview();
    // The button's text: "Stop" while the preview plays, else "Preview".
    std::string PreviewCaption() const;

    // "Delete File": after the question, removes each selected file with its companions and refills.
    // True when files were removed.
    bool DeleteSelected();

    // The import dialog's filter, its last filter index and folder.
    static const std::string& ImportFilter();
    int LastOpenType() const;
    std::string LastPath() const;
    // The dialog's OK with these files and filter index: each is decoded, converted or copied into
    // Bin1 as a wave, after its questions. Then the list is refilled with the last imported file
    // selected. True when at least one file arrived (the prompt then becomes message 204).
    bool ImportFiles(const std::vector<std::string>& files, int filterIndex);
    // The row the last import selected (to scroll to), or -1.
    int LastImportedRow() const { return m_lastImported; }

    // Edit File: the chosen songs become the selected rows, the first of them the current song.
    // False when no row is selected.
    bool PrepareBin1Selection();
    // The pane closes: playback stops and the selected rows join the chosen songs.
    void Close();

    // "%6ld B" below 10000 bytes, "%6d kB" below 10^7, "%6d MB" below 10^9, else "%6d GB" (decimal units).
    static std::string SizeText(uint64_t bytes);

private:
    // One file of an import; the wave that arrived in Bin1 (empty: none), or false when the import ends.
    bool ImportOne(const std::string& file, std::string& arrived);
    bool DecodeInto(const std::string& file, const std::string& target, bool mp3);
    bool ConvertInto(const std::string& file, const std::string& base, std::string& arrived);
    void StopPreview();

    AppSettings& m_settings;
    CSettingsStore& m_store;
    CSongList& m_songs;
    ITrackPlayer* m_player = nullptr;
    std::unique_ptr<CWaveFile> m_previewWave;
    std::vector<Bin1Row> m_rows;
    std::string m_info;
    int m_lastImported = -1;
};
