#include "processing/FilterRunner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <thread>

#include "audiofile/FileNames.h"
#include "base/AppSettings.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "devices/PreviewPlayer.h"
#include "processing/FileReports.h"
#include "processing/Filter.h"

namespace {

// Channel modes: stereo to stereo, mono to mono.
constexpr int kModeStereo = 3;
constexpr int kModeMono = 0;

bool IsPlaying(const IPreviewPlayer* player) {
    if (!player) return false;
    const int state = player->State();
    return state == kPlayerPlaying || state == kPlayerRecording || state == kPlayerRecordingWhilePlaying;
}

}  // namespace

CFilterRunner::CFilterRunner() : m_caption(LoadString(kMsgFilteringCaption)) {}

CFilterRunner::~CFilterRunner() = default;

uint32_t CFilterRunner::SetRange(uint32_t startBytes, uint32_t endBytes) {
    if (!m_source) return 0;
    m_rangeEnd = m_source->SetRange(startBytes, endBytes);
    m_rangeStart = m_source->DataCursor();
    return m_rangeEnd;
}

void CFilterRunner::CloseSource() {
    if (m_source) m_source->Close();
}

std::string CFilterRunner::TempFolder() {
    if (!Settings().TempPath.empty()) return Settings().TempPath;
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    return ec ? std::string("/tmp") : dir.string();
}

std::string CFilterRunner::NewTempWave() {
    bool crowded = false;
    std::string name = TempWaveName(TempFolder(), 1, &crowded);
    if (crowded) ReportFileFaults({{FaultKind::kTooManyTempFiles, TempFolder()}});
    return name;
}

namespace {
int g_runThreads = 0;  // 0: from the environment and the machine
}  // namespace

void CFilterRunner::SetRunThreads(int threads) {
    g_runThreads = std::max(threads, 0);
}

int CFilterRunner::RunThreads() {
    if (g_runThreads > 0) return g_runThreads;
    // RESTOVA_THREADS=1 keeps every run on one thread (batch jobs that already fill the cores).
    static const int fromMachine = [] {
        if (const char* env = std::getenv("RESTOVA_THREADS")) {
            const int n = std::atoi(env);
            if (n >= 1) return n;
        }
        return std::thread::hardware_concurrency() > 1 ? 2 : 1;
    }();
    return fromMachine;
}

bool CFilterRunner::RunFilter(uint32_t startBytes, uint32_t endBytes, CFilter* filter, CFilterDlg* owner, bool preview,
                              int channelMode) {
    // A press of Preview or Process while a preview plays, or any press while a run is busy, only stops it.
    if (IsPlaying(m_player)) {
        CancelFlag().store(true);
        m_player->Stop();
        m_lastResult = kRunBusy;
        return false;
    }
    if (m_busy) {
        CancelFlag().store(true);
        m_lastResult = kRunBusy;
        return false;
    }
    if (!m_source || !filter) {
        Services().MessageBox(LoadString(kMsgNullFilter), kAppCaption, MsgIcon::Stop, MsgButtons::Ok);
        m_lastResult = kRunNoSource;
        return false;
    }
    // A stale request is dropped here, before the song opens: opening may build its peaks and pump
    // messages, and a click then is meant for this run.
    CancelFlag().store(false);
    // A run that records no step reads the source as it is open (its plain file when the song is
    // edited without a session); every other run reads and extends the session.
    const bool noStep = filter->HasTrait(kTraitNoStep);
    if (!noStep) m_source->SetSessionMode(true);
    UseWindowFor(m_source->Session());
    const int opened = m_source->Reopen(kOpenRead);
    ReportFileFaults(m_source->Session().TakeFaults());
    if (opened != kFileOk) {
        m_lastResult = kRunCannotRead;
        return false;
    }
    // An end of 0 runs to the end of the audio, also from a later start; a range the wrong way
    // round is refused rather than quietly turned into another one.
    if (endBytes == 0) endBytes = m_source->DataLength();
    if (startBytes > endBytes) {
        m_source->Close();
        m_lastResult = kRunBadRange;
        return false;
    }
    startBytes = m_source->AlignToFrame(startBytes);
    endBytes = m_source->AlignToFrame(endBytes);

    const std::string tempDir = TempFolder();
    m_source->Session().SetTempPath(tempDir);
    const std::string outputName = preview || filter->HasTrait(kTraitNoOutput) ? std::string() : NewTempWave();

    if (channelMode == -1) channelMode = m_source->Format().nChannels == 2 ? kModeStereo : kModeMono;
    SetRange(startBytes, endBytes);
    const uint32_t start = m_rangeStart;
    const uint32_t end = m_rangeEnd;

    const int result = ExecuteFilter(outputName, owner, preview, *filter, channelMode);
    if (Services().ProgressIsOpen()) Services().ProgressClose();
    if (noStep || preview) return result == kRunOk;
    // ExecuteFilter removed an output it could not complete; nothing to record then. A run that
    // ended before it created its output leaves the claimed name to remove.
    if (result != kRunOk) {
        struct stat claimed;
        if (!outputName.empty() && ::stat(outputName.c_str(), &claimed) == 0 && claimed.st_size == 0) {
            ::unlink(outputName.c_str());
        }
        return false;
    }

    int rc;
    if (filter->HasTrait(kTraitChangesLength)) {
        WaveFileInfo info;
        rc = CWaveFile::FileInfo(outputName, info, true) == kFileOk
                 ? m_source->Session().AddResizeStep(outputName, start, end, filter->GetDisplayName(), 0)
                 : -1;
    } else {
        rc = m_source->Session().AddFilterStep(outputName, start, end, filter->GetDisplayName(), 0);
    }
    ReportFileFaults(m_source->Session().TakeFaults());
    if (rc < 0) {
        // A step file the session would not take is of no use to anyone.
        ::unlink(outputName.c_str());
        ::unlink(PeakFileName(outputName).c_str());
        m_lastResult = kRunStepNotRecorded;
        return false;
    }
    m_produced = true;
    return true;
}

int CFilterRunner::ExecuteFilter(const std::string& outputName, CFilterDlg* owner, bool preview, CFilter& filter,
                                 int channelMode) {
    (void)owner;  // the dialog learns about the run through the filter's running flag
    m_busy = true;
    m_lastOutput = outputName;
    if (!m_output) m_output = std::make_unique<CWaveFile>(kOutputBlock, kOutputHistory);
    CWaveFile& source = *m_source;
    CWaveFile& output = *m_output;
    output.TakeClipStats();  // a run reports only its own clamping
    const uint32_t start = m_rangeStart;
    const uint32_t end = m_rangeEnd;
    const bool noOutput = filter.HasTrait(kTraitNoOutput);
    std::atomic<bool>& cancel = CancelFlag();
    bool fileOpen = false;
    bool created = false;
    bool streaming = false;

    // Every way out closes both waves, lets the player go and removes an output that is not complete.
    auto endRun = [&](int result) {
        if (Services().ProgressIsOpen()) Services().ProgressClose();
        source.SetBlockConsumer(nullptr);
        source.Close();
        output.Close();
        if (m_player && streaming) m_player->ForgetStream();
        filter.SetRunning(0);
        if (result == kRunOk && cancel.load()) result = kRunCancelled;
        if (created && result != kRunOk) ::unlink(outputName.c_str());
        m_busy = false;
        m_lastResult = result;
        m_lastClip = output.TakeClipStats();
        return result;
    };

    if (source.Reopen(kOpenRead) != kFileOk) {
        if (!cancel.load()) ShowMessage(kMsgCannotRead, MsgIcon::Stop);
        return endRun(kRunCannotRead);
    }
    const uint32_t history = static_cast<uint32_t>(std::clamp(filter.GetHistory(), 0, int{kOutputHistory}));
    const uint32_t lookahead = static_cast<uint32_t>(std::clamp(filter.GetLookahead(), 0, int{kOutputHistory}));
    // Reopening left the data cursor at 0, where stepping back only clears the history: a run
    // never sees what an earlier run left in front of the block.
    source.SetHistory(history);
    source.StepBack();

    // An empty file is a temporary name claimed for this run, not something to keep.
    struct stat existing;
    if (!preview && !noOutput && ::stat(outputName.c_str(), &existing) == 0 && existing.st_size > 0) {
        std::string question = LoadString(kMsgOverwriteDestination);
        const size_t at = question.find("%s");
        if (at != std::string::npos) question.replace(at, 2, outputName);
        if (Services().MessageBox(question, kAppCaption, MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes) {
            return endRun(kRunNotOverwritten);
        }
    }

    const WAVEFORMATEX& in = source.Format();
    const uint16_t channels = channelMode == kModeStereo ? 2 : 1;
    WAVEFORMATEX format = MakeWaveFormat(in.wFormatTag, channels, in.nSamplesPerSec, in.wBitsPerSample);

    if (!outputName.empty() && !noOutput) {
        if (output.OpenWrite(outputName, format, kWriteCreate) != kFileOk) {
            // OpenWrite may have made the file before failing.
            created = PathExists(outputName);
            ShowMessage(kMsgIncompatible, MsgIcon::Stop);
            return endRun(kRunCannotCreate);
        }
        created = true;
        fileOpen = true;
        output.SetOutputMode(kOutFile);
        // A step is one file: the output never spills into part files (a run is at most 4 GB).
        output.SetPartLimit(std::numeric_limits<uint64_t>::max());
    } else {
        output.Close();  // also puts the write cursor at the block start
        output.SetFormat(format.wFormatTag, format.nChannels, format.nSamplesPerSec, format.wBitsPerSample);
        output.SetOutputMode(kOutBlock);
    }
    if (fileOpen && output.PrepareDirectWrite() != kFileOk) {
        Services().MessageBox(LoadString(kMsgUnknownError), kAppCaption, MsgIcon::Exclamation, MsgButtons::Ok);
        return endRun(kRunNoDirectWrite);
    }

    // Reopening forgot the range; set it again and make sure its start can be reached.
    source.SetRange(start, end);
    if (source.Seek(start, 0) != static_cast<int64_t>(start) || source.DataCursor() != start) {
        CWaveFile::ReportFileError(kErrSeekWave, source.FileName());
        return endRun(kRunSeekFailed);
    }

    m_progressShift = 0;
    while ((end >> m_progressShift) > static_cast<uint32_t>(INT_MAX)) ++m_progressShift;
    Services().ProgressOpen(static_cast<int>(start >> m_progressShift), static_cast<int>(end >> m_progressShift),
                            m_caption + " " + FileTitle(source.FileName()));

    if (!fileOpen && !noOutput &&
        !(m_player && (m_player->State() == kPlayerPlaying || m_player->State() == kPlayerPaused))) {
        if (!m_player || !m_player->StartStream(output, format, end - start)) return endRun(kRunNoPlayback);
        streaming = true;
        // The source asks the player whether to rewind at the range end.
        source.SetBlockConsumer(m_player);
    }

    filter.SetRunning(1);
    const bool leftOnly = m_editLeft && !m_editRight;
    const bool rightOnly = m_editRight && !m_editLeft;
    filter.SetChannelPass(leftOnly ? 1 : 0, rightOnly ? 1 : 0);
    filter.SetRunRange(start, end);
    // A run into a file may spread over the cores; a preview feeds the player from this thread.
    filter.SetWorkerThreads(fileOpen ? RunThreads() : 1);
    if (!filter.Prepare(source, output)) return endRun(kRunPrepareFailed);

    const uint32_t bps = static_cast<uint32_t>(std::max(source.BytesPerSample(), 1));
    source.SetHistory(history);
    source.SetLookahead(lookahead);
    if (history > 0 && start >= uint64_t{history} * bps && !filter.WantsSilentHistory()) {
        if (!source.StepBack()) {
            CWaveFile::ReportFileError(kErrRead, source.FileName());
            return endRun(kRunHistoryFailed);
        }
    }

    int32_t* first = nullptr;
    int32_t* last = nullptr;
    int countdown = 0;
    bool stopped = false;
    while (source.ReadNextBlock(first, last) == 0) {
        if (countdown-- == 0) {
            SetProgress(source.DataCursor());
            countdown = kProgressEvery - 1;
        }
        if (!filter.Process(source, output)) {
            stopped = true;
            break;
        }
    }
    if (!stopped && !filter.Finish(source, output)) stopped = true;
    const bool cancelled = cancel.load();

    int result = kRunOk;
    if (!cancelled && !stopped && source.DataCursor() < end) {
        // Block reading ends quietly when the stream cannot be read; that is no finished run.
        CWaveFile::ReportFileError(kErrRead, source.FileName());
        result = kRunReadFailed;
    }
    if (fileOpen) {
        const int rc = output.FinishDirectWrite(1);
        if (!cancelled && (rc != kFileOk || stopped)) {
            ShowMessage(kMsgCannotWrite, MsgIcon::Stop);
            if (result == kRunOk) result = stopped ? kRunStopped : kRunWriteFailed;
        } else if (result == kRunOk && !cancelled && !filter.HasTrait(kTraitChangesLength) &&
                   output.DataBytesWritten() != end - start) {
            ShowMessage(kMsgInternalError, MsgIcon::Stop);
            result = kRunWrongLength;
        }
    } else if (stopped && result == kRunOk && !cancelled) {
        result = kRunStopped;
    }

    if (streaming && !cancelled && !stopped) {
        // The last, partial block goes to the player too.
        const size_t rest = static_cast<size_t>(output.EndCursor() - output.BlockStart());
        if (rest > 0 && !m_player->TakeBlock(output.BlockStart(), rest) && result == kRunOk) result = kRunStopped;
    }
    if (streaming) {
        // Let the preview play out, unless the user stops it.
        while (IsPlaying(m_player) && !cancel.load() && m_player->PlayPosition() < uint64_t{end - start}) {
            Services().PumpMessages();
            if (IsPlaying(m_player) && !cancel.load() && m_player->PlayPosition() < uint64_t{end - start}) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        if (m_player->State() == kPlayerPlaying || m_player->State() == kPlayerPaused) m_player->Stop();
    }
    return endRun(result);
}

void CFilterRunner::SetProgress(uint32_t position) {
    Services().ProgressSetPos(static_cast<int>(position >> m_progressShift));
}

bool CFilterRunner::RunFilterOnFile(CFilter& filter, const std::string& fileName, const std::string& presetName,
                                    MsgId captionId, bool preview) {
    if (!presetName.empty()) filter.LoadPreset(presetName);
    CWaveFile wave(kOutputBlock, kOutputHistory);
    const int rc = wave.OpenRead(fileName);
    if (rc != kFileOk) {
        CWaveFile::ReportFileError(rc, fileName);
        return false;
    }
    SetSource(&wave);
    SetCaption(LoadString(captionId));
    bool ok = RunFilter(0, 0, &filter, nullptr, preview, -1);
    if (!FinishRun()) ok = false;
    SetSource(nullptr);
    return ok;
}

bool CFilterRunner::FinishRun() {
    if (!m_source) return false;
    if (!m_produced) {
        CloseSource();
        return true;
    }
    IServices& ui = Services();
    const std::string name = m_source->FileName();
    ui.ProgressOpen(0, 100, FormatString(kMsgSaving, name));
    const bool ok = CommitInWindow(m_source->Session(), name);
    CloseSource();
    ui.ProgressClose();
    if (ok) m_produced = false;
    return ok;
}
