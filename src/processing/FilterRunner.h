// CFilterRunner: the one loop that feeds a filter block by block from a range
// of the song's current audio (its session stream) into a new temporary wave,
// or into the player for a preview, and records a finished run as a new
// processing step of the song's session. One object serves the whole program;
// it owns only its output wave.
//
// Positions are bytes of audio data; history and lookahead are samples
// (interleaved values). Everything runs on the interface thread: messages are
// pumped between blocks, so a handler may re-enter RunFilter, which then only
// cancels.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "audiofile/WaveFile.h"
#include "base/StringTable.h"

class CFilter;
class CFilterDlg;
class IPreviewPlayer;

class CFilterRunner {
public:
    // Results of ExecuteFilter: 0, or which step ended the run.
    enum Result : int {
        kRunOk = 0,
        kRunCannotRead = 1,        // the source could not be reopened (message 123)
        kRunNotOverwritten = 2,    // the user kept an existing output file
        kRunCannotCreate = 3,      // the output could not be created (message 308)
        kRunNoDirectWrite = 4,     // direct output could not be prepared ("Unknown error")
        kRunSeekFailed = 5,        // the range start could not be reached (file error 110)
        kRunNoPlayback = 6,        // the preview's playback could not start
        kRunPrepareFailed = 7,     // the filter refused to start
        kRunHistoryFailed = 8,     // the audio before the range could not be read
        kRunStopped = 9,           // the filter stopped the run (message 190 with a file open)
        kRunReadFailed = 10,       // the source ended before the range did
        kRunWriteFailed = 11,      // the output could not be finished (message 190)
        kRunWrongLength = 12,      // the filter did not emit one value per value consumed
        kRunCancelled = 13,        // the cancel flag ended the run
        kRunBusy = 14,             // a run was in progress or a preview playing: this call only cancelled
        kRunNoSource = 15,         // no source or no filter
        kRunStepNotRecorded = 16,  // the session refused the step
        kRunBadRange = 17,         // the range starts after its end
    };

    // Block length and history capacity of the output wave (samples).
    static constexpr uint32_t kOutputBlock = 4096;
    static constexpr uint32_t kOutputHistory = 4096;
    // The progress position is set on the first block and then on every sixth.
    static constexpr int kProgressEvery = 6;

    CFilterRunner();
    ~CFilterRunner();
    CFilterRunner(const CFilterRunner&) = delete;
    CFilterRunner& operator=(const CFilterRunner&) = delete;

    // The song's current wave (not owned), set before each run.
    void SetSource(CWaveFile* source) { m_source = source; }
    CWaveFile* Source() const { return m_source; }
    // The first word of the progress window's title.
    void SetCaption(const std::string& caption) { m_caption = caption; }
    const std::string& Caption() const { return m_caption; }
    // Sets the source's range (bytes; both 0 = all of it); returns the range end in force.
    uint32_t SetRange(uint32_t startBytes, uint32_t endBytes);
    void CloseSource();
    void MarkProduced() { m_produced = true; }
    bool Produced() const { return m_produced; }
    bool IsBusy() const { return m_busy; }

    // The program's player for previews (not owned); without one a preview cannot start.
    void SetPlayer(IPreviewPlayer* player) { m_player = player; }
    IPreviewPlayer* Player() const { return m_player; }
    // The channels selected for editing: with only one of them, the other is handed through untouched.
    void SetEditChannels(bool left, bool right) {
        m_editLeft = left;
        m_editRight = right;
    }

    // Threads a run into a file may use: RESTOVA_THREADS when set, else 2 on a machine with more than one core.
    static int RunThreads();
    // Overrides RunThreads for this process (0 restores it).
    static void SetRunThreads(int threads);

    // Where runs and edits put their temporary waves: the TempPath setting, else the system's.
    static std::string TempFolder();
    // A new temporary wave's name in TempFolder(), kept from sweeps while this process runs; message 107
    // when the folder is crowded.
    static std::string NewTempWave();

    // Runs filter over [start, end) of the source (bytes; both 0 = all), into a new temporary
    // wave recorded as a session step, or for a preview into the player. channelMode -1 picks
    // stereo-to-stereo or mono-to-mono. True when the run finished (and, unless it was a preview
    // or by a filter that records no step, its step was recorded).
    bool RunFilter(uint32_t startBytes, uint32_t endBytes, CFilter* filter, CFilterDlg* owner, bool preview,
                   int channelMode = -1);
    // One run over the range set on the source, into outputName (empty: the player). A Result.
    // An output file this call created is removed again unless the run succeeded.
    int ExecuteFilter(const std::string& outputName, CFilterDlg* owner, bool preview, CFilter& filter, int channelMode);
    // Runs filter (after loading the named preset, if any) over the whole file, then commits the
    // result into the file itself. captionId is the progress caption's string number.
    bool RunFilterOnFile(CFilter& filter, const std::string& fileName, const std::string& presetName, MsgId captionId,
                         bool preview);
    // Commits the source's session into the source's own file when a run produced a step (progress
    // text 314), then closes the source. False only when a commit failed.
    bool FinishRun();

    // What clamping did to the output of the last ExecuteFilter: samples clamped and the largest overshoot.
    const ClipStats& LastClipStats() const { return m_lastClip; }

    // The result of the last ExecuteFilter, and the output file name it was given.
    int LastResult() const { return m_lastResult; }
    const std::string& LastOutputName() const { return m_lastOutput; }

private:
    void SetProgress(uint32_t position);

    CWaveFile* m_source = nullptr;
    std::unique_ptr<CWaveFile> m_output;
    bool m_busy = false;
    bool m_produced = false;
    std::string m_caption;
    IPreviewPlayer* m_player = nullptr;
    bool m_editLeft = true;
    bool m_editRight = true;
    uint32_t m_rangeStart = 0;
    uint32_t m_rangeEnd = 0;
    int m_progressShift = 0;  // positions are shifted right by this to fit the progress window's int range
    int m_lastResult = kRunOk;
    std::string m_lastOutput;
    ClipStats m_lastClip;
};
