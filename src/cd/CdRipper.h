// CCdRipper: everything the CD rip pane does, without a window. The pane (or
// the command line) binds to it: the drive list, the track list with titles
// from the title database, renaming, ripping the selected tracks into wave
// files on a worker thread, and playing tracks. Every operation runs on the
// interface thread; while a rip or play thread works, the interface thread
// waits in steps of 200 ms and dispatches messages (IServices::PumpMessages).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "audiofile/DividerBlock.h"
#include "base/StringTable.h"
#include "cd/CdDriveList.h"
#include "cd/CdRipOptions.h"
#include "cd/CdToc.h"
#include "cd/CdTrackReader.h"
#include "cd/CddbClient.h"
#include "codecs/AudioTags.h"

class AppSettings;
class CSettingsStore;

struct CdRipRow {
    std::string name;    // " Track Name    "
    std::string time;    // "Time"
    std::string artist;  // "Artist"
    std::string album;   // "Disk Title"
    int track = 0;       // track number on the disc
    bool audio = true;
    bool selected = false;
};

class CCdRipper {
public:
    // What changed, for the pane to redraw.
    enum class Change { Drives, Rows, Status, Progress, Prompt, PlayCaption };
    static constexpr int kWaitMs = 200;
    static constexpr int kProbeMs = 2500;  // the pane's probe timer

    // Makes the sink an MP3 rip writes into, tagged with the track's title data (null when it
    // cannot be made).
    using Mp3SinkFactory = std::function<std::unique_ptr<ICdAudioSink>(const std::string& path, const AudioTags& tags)>;

    CCdRipper(CSettingsStore& store, AppSettings& settings);
    ~CCdRipper();
    CCdRipper(const CCdRipper&) = delete;
    CCdRipper& operator=(const CCdRipper&) = delete;

    void SetObserver(std::function<void(Change)> observer) { m_observer = std::move(observer); }
    // Plays CD tracks: its Write is called on the play thread and may block to pace the audio.
    // Without one PlayTrack tells that no output is available.
    void SetPlayer(ICdAudioSink* player) { m_player = player; }
    // Opens each ripped file in the program when OpenFiles is on.
    void SetFileOpener(std::function<void(const std::string&)> opener) { m_opener = std::move(opener); }
    // Until an MP3 encoder is registered, ripping to MP3 is refused with a message.
    static void SetMp3SinkFactory(Mp3SinkFactory factory);

    // Reads the options and lists the drives; false (message shown) when there is none.
    bool Open();
    // The drives and images; the selected index is DrvIdx kept within the list.
    bool ListDrives();
    const std::vector<CdDriveEntry>& Drives() const { return m_drives; }
    int SelectedDrive() const { return m_options.drvIdx; }
    void SelectDrive(int index);
    // Lists an image file as a drive (the "Open Image..." entry) and selects it.
    void OpenImage(const std::string& path);
    // The timer's probe: reads the list when a disc has appeared (and titles with AutoCDDB),
    // clears it when the disc has gone. Does nothing while a rip or play runs.
    void Probe();

    bool ReadTrackList();
    bool LookUpTitles();
    // Names rows "Audio Track NN", "<artist> NN", "<album> NN" or "<artist>_<album> NN".
    void RenameTracks(bool useArtist, bool useAlbum);
    // Renames one row (the in-place edit).
    void SetRowName(size_t row, const std::string& name);
    void SetSelected(size_t row, bool selected);
    void SelectAll();
    // "Browse...": the folder the tracks are ripped into from now on, stored as Path at once so
    // that a crash or a refused close does not lose the choice. False when it could not be stored.
    bool SetRipFolder(const std::string& folder);
    const std::string& RipFolder() const { return m_options.path; }

    // Rips the selected audio rows; while a rip loop runs it cancels it instead. True when every
    // selected track was ripped.
    bool RipSelected();
    // Selects every audio row and rips them.
    bool RipAll();
    // Plays the selected rows through the player; a second call while playing stops it.
    void PlayTrack();
    // False (message 1464) while a rip runs; else writes the options and returns true.
    bool Close();

    CdRipOptions& Options() { return m_options; }
    const std::vector<CdRipRow>& Rows() const { return m_rows; }
    const CCdToc& Toc() const { return m_toc; }
    const std::string& Status() const { return m_status; }
    const std::string& TotalText() const { return m_total; }
    MsgId Prompt() const { return m_prompt; }
    int Progress() const { return m_progress; }
    const std::string& PlayCaption() const { return m_playCaption; }
    const std::string& Artist() const { return m_artist; }
    const std::string& Album() const { return m_album; }
    bool CdPresent() const { return m_cdPresent; }
    bool Ripping() const { return m_loopRunning; }
    bool Playing() const { return m_playRunning; }
    // Files ripped by the last rip, in order.
    const std::vector<std::string>& RippedFiles() const { return m_ripped; }
    // A name with the characters that cannot stand in a file name replaced ('<' '(', '>' ')',
    // ':' and '"' blank, '/' '-', control characters blank); "." and ".." become "_".
    static std::string CleanName(const std::string& name);

private:
    struct RipTarget;
    void Notify(Change change);
    void SetStatus(const std::string& text);
    void SetPrompt(MsgId prompt);
    std::unique_ptr<ICdDevice> OpenSelected() const;
    bool PrepareFolder(std::string& folder);
    bool StartRip(RipTarget& target, const CdRipRow& row, bool firstOfOneFile);
    void RipThread(RipTarget* target, int track, std::string name);
    void WaitForThread(std::thread& thread, const std::atomic<bool>& running);
    void FinishLoop(bool cancelled);

    CSettingsStore& m_store;
    AppSettings& m_settings;
    CdRipOptions m_options;
    std::function<void(Change)> m_observer;
    std::function<void(const std::string&)> m_opener;
    ICdAudioSink* m_player = nullptr;

    std::vector<CdDriveEntry> m_drives;
    std::vector<CdDriveEntry> m_openedImages;
    CCdToc m_toc;
    std::vector<CdRipRow> m_rows;
    std::string m_status;
    std::string m_total;
    std::string m_playCaption;
    MsgId m_prompt = kMsgCdRipPrompt;
    std::string m_artist;
    std::string m_album;
    bool m_cdPresent = false;
    int m_progress = 0;
    std::vector<std::string> m_ripped;

    bool m_loopRunning = false;
    bool m_playRunning = false;
    std::atomic<bool> m_threadRunning{false};
    std::atomic<bool> m_cancel{false};
    std::atomic<double> m_percent{0.0};
    std::thread m_thread;
    std::unique_ptr<RipTarget> m_target;
    std::string m_threadError;  // written by the thread, read after it has ended
    int m_threadResult = 0;
};
