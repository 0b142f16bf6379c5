// The rip pane's working side: ripping the selected tracks and playing them,
// each on a worker thread that the interface thread waits for.
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "cd/CdDevice.h"
#include "cd/CdRipper.h"
#include "cd/SongList.h"

namespace {

std::mutex g_mp3Lock;
CCdRipper::Mp3SinkFactory g_mp3Factory;

CCdRipper::Mp3SinkFactory Mp3Factory() {
    std::lock_guard lock(g_mp3Lock);
    return g_mp3Factory;
}

// The thread's end, so that the waiting interface thread wakes at once rather than at its next step.
std::mutex g_endLock;
std::condition_variable g_ended;

}  // namespace

// Where one rip writes: a wave per track, one wave for the whole rip (with a divider per track
// and the peak values gathered on the way), an MP3 encoder, or the player.
struct CCdRipper::RipTarget : ICdAudioSink {
    CdDriveEntry drive;
    bool jitter = false;
    std::string path;
    bool oneFile = false;
    CWaveFile wave;
    bool waveOpen = false;
    ICdAudioSink* sink = nullptr;  // the MP3 encoder or the player instead of the wave
    std::unique_ptr<ICdAudioSink> ownedSink;
    CPeakFile::Scanner scanner{2, CPeakFile::kSamplesPerPeak, false};
    std::vector<uint16_t> peaks;
    DividerBlock dividers{};
    uint32_t dividerCount = 0;
    uint64_t bytes = 0;

    bool Write(const uint8_t* data, size_t size) override {
        if (sink) return sink->Write(data, size);
        if (wave.Write(data, static_cast<int64_t>(size)) != static_cast<int64_t>(size)) return false;
        if (oneFile) scanner.Add16(reinterpret_cast<const int16_t*>(data), size / 2, peaks);
        bytes += size;
        return true;
    }

    void Discard() {
        if (waveOpen) {
            wave.Close();
            waveOpen = false;
            std::error_code ec;
            std::filesystem::remove(path, ec);
        }
    }
};

CCdRipper::CCdRipper(CSettingsStore& store, AppSettings& settings)
    : m_store(store), m_settings(settings), m_playCaption(LoadString(kMsgPlayTracks)) {
    m_options = CdRipOptions::Load(store, settings);
}

// Built and destroyed here, where the rip target is a complete type.
CCdRipper::~CCdRipper() {
    m_cancel.store(true);
    if (m_thread.joinable()) m_thread.join();
}

void CCdRipper::SetMp3SinkFactory(Mp3SinkFactory factory) {
    std::lock_guard lock(g_mp3Lock);
    g_mp3Factory = std::move(factory);
}

bool CCdRipper::PrepareFolder(std::string& folder) {
    folder = m_options.path;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    std::vector<std::string> levels;
    if (m_options.subFolders) {
        if (!m_artist.empty()) levels.push_back(CleanName(m_artist));
        if (!m_album.empty()) levels.push_back(CleanName(m_album));
    }
    std::string full = folder;
    for (const auto& l : levels) full += l + "/";
    std::error_code ec;
    if (!std::filesystem::is_directory(full, ec)) {
        if (ShowMessage(kMsgCreatePath, MsgIcon::Question, MsgButtons::YesNo, full) != MsgAnswer::Yes) return false;
        std::string level = folder;
        bool made = std::filesystem::is_directory(level, ec) || std::filesystem::create_directories(level, ec);
        for (size_t i = 0; made && i < levels.size(); ++i) {
            level += levels[i] + "/";
            made = std::filesystem::is_directory(level, ec) || std::filesystem::create_directory(level, ec);
        }
        if (!made) {
            ShowMessage(kMsgCannotCreateFolder, MsgIcon::Stop);
            return false;
        }
    }
    folder = full;
    return true;
}

void CCdRipper::RipThread(RipTarget* target, int trackNumber, std::string name) {
    auto finish = [this](int result, const std::string& error) {
        m_threadResult = result;
        m_threadError = error;
        std::lock_guard lock(g_endLock);
        m_threadRunning.store(false);
        g_ended.notify_all();
    };
    auto device = CCdDriveList::Open(target->drive, target->jitter);
    if (!device) return finish(CCdTrackReader::kReadFailed, LoadString(kMsgCannotGetHandle));
    CCdToc toc;
    const CdTrack* track = device->ReadToc(toc) ? toc.Find(trackNumber) : nullptr;
    if (!track) return finish(CCdTrackReader::kReadFailed, LoadString(kMsgErrorReadingToc));
    if (!target->sink && !target->waveOpen) {
        WAVEFORMATEX fmt = MakeWaveFormat(1, 2, 44100, 16);
        if (target->wave.OpenWrite(target->path, fmt, kWriteCreate) != kFileOk)
            return finish(CCdTrackReader::kReadFailed, LoadString(kMsgFileCreationError));
        target->waveOpen = true;
    }
    if (target->oneFile && target->dividerCount < kMaxDividers) {
        const uint32_t i = target->dividerCount++;
        target->dividers.records[i].position = static_cast<uint32_t>(target->bytes);
        target->dividers.SetName(static_cast<int>(i), name);
    }
    CCdTrackReader reader(m_cancel, m_percent);
    const auto result = reader.Read(*device, *track, *target);
    std::string error = reader.Error();
    if (result == CCdTrackReader::kSinkFailed) error = LoadString(kMsgFileCreationError);
    if (!target->oneFile && target->waveOpen) {
        if (result == CCdTrackReader::kReadOk && target->wave.FinishWrite() == kFileOk) {
            target->wave.Close();
            target->waveOpen = false;
        } else {
            target->Discard();
        }
    }
    finish(result, error);
}

bool CCdRipper::StartRip(RipTarget& target, const CdRipRow& row, bool askOverwrite) {
    if (m_threadRunning.load()) {
        ShowMessage(kMsgOneRipAtATime, MsgIcon::Exclamation);
        return false;
    }
    std::error_code ec;
    if (askOverwrite && !target.sink && !m_options.overwrite && std::filesystem::exists(target.path, ec)) {
        const MsgAnswer a =
            Services().MessageBox(FormatString(kMsgOverwriteTrack, target.path), LoadString(kMsgOverwriteCaption),
                                  MsgIcon::Question, MsgButtons::YesNo);
        if (a != MsgAnswer::Yes) return false;
    }
    if (m_thread.joinable()) m_thread.join();
    m_threadRunning.store(true);
    try {
        m_thread = std::thread(&CCdRipper::RipThread, this, &target, row.track, row.name);
    } catch (...) {
        m_threadRunning.store(false);
        ShowMessage(kMsgCannotStartRip, MsgIcon::Stop);
        return false;
    }
    return true;
}

void CCdRipper::WaitForThread(std::thread& thread, const std::atomic<bool>& running) {
    while (running.load()) {
        {
            std::unique_lock lock(g_endLock);
            g_ended.wait_for(lock, std::chrono::milliseconds(kWaitMs), [&] { return !running.load(); });
        }
        Services().PumpMessages();
        if (CancelFlag().load()) m_cancel.store(true);
        const int progress = static_cast<int>(m_percent.load());
        if (progress != m_progress) {
            m_progress = progress;
            Notify(Change::Progress);
        }
    }
    if (thread.joinable()) thread.join();
}

void CCdRipper::FinishLoop(bool cancelled) {
    SetStatus(LoadString(cancelled ? kMsgCanceled : kMsgDone));
    SetPrompt(cancelled ? kMsgRipCanceledPrompt : kMsgRipDonePrompt);
    m_loopRunning = false;
    if (m_settings.UseSounds) Services().PlayChime(m_settings.ChimeSndPath);
    Notify(Change::Rows);
}

bool CCdRipper::RipAll() {
    SelectAll();
    SetPrompt(kMsgRipAllPrompt);
    return RipSelected();
}

bool CCdRipper::RipSelected() {
    if (m_loopRunning) {
        m_cancel.store(true);
        return false;
    }
    std::vector<size_t> rows;
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].selected && m_rows[i].audio) rows.push_back(i);
    if (rows.empty()) {
        ShowMessage(kMsgNoTracksSelected, MsgIcon::Exclamation);
        SetPrompt(kMsgCdRipPrompt);
        return false;
    }
    Mp3SinkFactory mp3 = m_options.ripToMp3 ? Mp3Factory() : nullptr;
    if (m_options.ripToMp3 && !mp3) {
        ShowMessage(kMsgMp3NotAvailable, MsgIcon::Exclamation);
        return false;
    }
    std::string folder;
    if (!PrepareFolder(folder)) return false;
    const std::string ext = m_options.ripToMp3 ? ".mp3" : ".wav";
    const bool oneFile = m_options.oneFile && !m_options.ripToMp3;

    m_loopRunning = true;
    m_cancel.store(false);
    m_progress = 0;
    m_ripped.clear();
    Notify(Change::Progress);
    bool cancelled = false;
    bool allOk = true;
    if (oneFile) {
        m_target = std::make_unique<RipTarget>();
        const std::string name = m_album.empty() ? m_rows[rows[0]].name : m_album;
        m_target->path = folder + CleanName(name) + ext;
        m_target->oneFile = true;
    }
    for (size_t k = 0; k < rows.size() && !cancelled; ++k) {
        const CdRipRow row = m_rows[rows[k]];
        if (!oneFile) {
            m_target = std::make_unique<RipTarget>();
            m_target->path = folder + CleanName(row.name) + ext;
            if (mp3) {
                // The title lookup's names reach the file's tags, not only its name.
                m_target->ownedSink = mp3(m_target->path, AudioTags{row.name, row.artist, row.album, row.track});
                m_target->sink = m_target->ownedSink.get();
            }
        }
        m_target->drive = m_drives[static_cast<size_t>(m_options.drvIdx)];
        m_target->jitter = m_options.jitter;
        SetStatus(FormatString(kMsgRippingTrack, {std::to_string(rows[k] + 1), FileNameOf(m_target->path)}));
        if ((mp3 && !m_target->sink) || !StartRip(*m_target, row, !oneFile || k == 0)) {
            allOk = false;
            if (oneFile) break;
            continue;
        }
        WaitForThread(m_thread, m_threadRunning);
        cancelled = m_cancel.load() || m_threadResult == CCdTrackReader::kReadCancelled;
        if (m_threadResult != CCdTrackReader::kReadOk) {
            allOk = false;
            if (m_target->sink) m_target->sink->Abandon();
            if (!cancelled) Services().MessageBox(m_threadError, kAppCaption, MsgIcon::Stop, MsgButtons::Ok);
            // A one-file rip missing a track would put every later divider in the wrong place.
            if (oneFile) break;
            continue;
        }
        m_rows[rows[k]].selected = false;
        Notify(Change::Rows);
        if (!oneFile) {
            m_ripped.push_back(m_target->path);
            SongList().Append(m_target->path);
            if (m_options.openFiles && !m_options.ripToMp3 && m_opener) m_opener(m_target->path);
        }
    }
    if (oneFile) {
        RipTarget& t = *m_target;
        if (!cancelled && allOk && t.waveOpen && t.wave.FinishWrite() == kFileOk) {
            t.wave.Close();
            t.waveOpen = false;
            t.scanner.Finish(t.peaks);
            if (CPeakFile::WritePeakFile(t.path, t.peaks, &t.dividers, t.dividerCount) != 0)
                ShowMessage(kMsgNoPeakFile, MsgIcon::Stop);
            m_ripped.push_back(t.path);
            SongList().Append(t.path);
            if (m_options.openFiles && m_opener) m_opener(t.path);
        } else {
            t.Discard();
            allOk = false;
        }
    }
    m_target.reset();
    FinishLoop(cancelled);
    return allOk && !cancelled;
}

void CCdRipper::PlayTrack() {
    if (m_playRunning) {
        m_cancel.store(true);
        return;
    }
    std::vector<size_t> rows;
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].selected && m_rows[i].audio) rows.push_back(i);
    if (rows.empty()) {
        ShowMessage(kMsgNoTrackToPlay, MsgIcon::Exclamation);
        return;
    }
    if (!m_player) {
        ShowMessage(kMsgNoPlayer, MsgIcon::Exclamation);
        return;
    }
    m_playRunning = true;
    m_cancel.store(false);
    m_playCaption = LoadString(kMsgStop);
    Notify(Change::PlayCaption);
    bool cancelled = false;
    for (size_t k = 0; k < rows.size() && !cancelled; ++k) {
        const CdRipRow row = m_rows[rows[k]];
        SetStatus(FormatString(kMsgPlayingTrack, {std::to_string(rows[k] + 1), row.name}));
        m_target = std::make_unique<RipTarget>();
        m_target->drive = m_drives[static_cast<size_t>(m_options.drvIdx)];
        m_target->jitter = m_options.jitter;
        m_target->sink = m_player;
        if (!StartRip(*m_target, row, false)) break;
        WaitForThread(m_thread, m_threadRunning);
        cancelled = m_cancel.load() || m_threadResult == CCdTrackReader::kReadCancelled;
    }
    m_target.reset();
    SetStatus(LoadString(cancelled ? kMsgCanceled : kMsgDone));
    m_playCaption = LoadString(kMsgPlayTracks);
    m_playRunning = false;
    Notify(Change::PlayCaption);
}
