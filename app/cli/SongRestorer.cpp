#include "SongRestorer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "CliOutput.h"
#include "CliSupport.h"
#include "Commands.h"
#include "audiofile/DividerBlock.h"
#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "base/ProgramPaths.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "enhance/Pitch.h"
#include "enhance/Riaa.h"
#include "enhance/TaviEnhance.h"
#include "processing/FilterRunner.h"
#include "processing/TaviClean.h"
#include "tracks/FinalTouches.h"
#include "tracks/SongDocument.h"
#include "tracks/TrackIndexer.h"
#include "tracks/TrackSplitter.h"

namespace fs = std::filesystem;

// A hidden folder of our own inside the output folder (so that results move out by renaming), removed
// with whatever is left in it.
class CWorkFolder {
public:
    explicit CWorkFolder(const std::string& parent) {
        std::string pattern = CProgramPaths::Join(parent, ".restova-restore-XXXXXX");
        if (::mkdtemp(pattern.data()) != nullptr) m_path = pattern;
    }
    ~CWorkFolder() {
        std::error_code ec;
        if (!m_path.empty()) fs::remove_all(m_path, ec);
    }
    CWorkFolder(const CWorkFolder&) = delete;
    CWorkFolder& operator=(const CWorkFolder&) = delete;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

namespace {

bool HasDividers(const std::string& path) {
    auto block = std::make_unique<DividerBlock>();
    uint32_t count = 0;
    WAVEFORMATEX format;
    return ReadDividersOf(path, *block, count, format) == DividerRead::Read && count > 0;
}

bool Interrupt() {
    return Interrupted().load() || CancelFlag().load();
}

// Copies from to to (a new file); false (told) when it fails.
bool CopyInto(const std::string& from, const std::string& to) {
    std::error_code ec;
    if (fs::copy_file(from, to, ec)) return true;
    Tell("restova-cli restore: cannot copy " + from + " to " + to + ": " + ec.message());
    return false;
}

}  // namespace

bool MeasureSong(const std::string& path, RestoredSong& song) {
    WaveFileInfo info;
    if (CWaveFile::FileInfo(path, info, true) != kFileOk) return false;
    song.path = path;
    song.seconds = info.duration;
    song.peak = 0;
    CWaveFile wave(CFilterRunner::kOutputBlock, CFilterRunner::kOutputHistory);
    if (wave.OpenRead(path) != kFileOk) return false;
    wave.SetRange(0, 0);
    wave.SetHistory(0);
    wave.SetLookahead(0);
    int32_t* first = nullptr;
    int32_t* last = nullptr;
    while (wave.ReadNextBlock(first, last) == 0) {
        for (const int32_t* s = wave.BlockStart(); s < wave.EndCursor(); ++s) {
            const uint32_t magnitude = *s < 0 ? static_cast<uint32_t>(-static_cast<int64_t>(*s)) : *s;
            if (magnitude > song.peak) song.peak = magnitude;
        }
    }
    wave.Close();
    return true;
}

void CSongRestorer::Say(const std::string& what) const {
    Tell("restova-cli restore: " + m_label + ": " + what);
}

CSongRestorer::CSongRestorer(const RestoreSettings& settings, const std::string& in, int number, int count)
    : m_settings(settings),
      m_in(in),
      m_label("[" + std::to_string(number) + "/" + std::to_string(count) + "] " + FileTitle(in)) {}

CSongRestorer::~CSongRestorer() = default;

bool CSongRestorer::Prepare() {
    const std::string& in = m_in;
    if (CWaveFile::FileTypeOf(in) != kTypeWav) {
        Tell("restova-cli restore: " + in + ": only WAV recordings can be restored for now");
        return false;
    }
    WaveFileInfo info;
    if (const int rc = CWaveFile::FileInfo(in, info); rc != kFileOk) {
        ReportUnreadable(rc, in);
        return false;
    }
    // The road ends by discarding the copy's session; the user's own session stays with in.
    if (!HasNoSession("restore", in)) return false;
    if (m_settings.split && !m_settings.index && !HasDividers(in)) {
        Say("no track dividers to split at; give --index to place them in the silences");
        return false;
    }

    m_work = std::make_unique<CWorkFolder>(m_settings.folder);
    if (m_work->Path().empty()) {
        Tell("restova-cli restore: cannot make a working folder in " + m_settings.folder + ": " + std::strerror(errno));
        return false;
    }
    // The copy keeps the recording's name (dividers are named after it) and its dividers.
    m_song = m_work->Path() + "/" + FileTitle(in) + ".wav";
    if (!CopyInto(in, m_song)) return false;
    return !PathExists(PeakFileName(in)) || CopyInto(PeakFileName(in), PeakFileName(m_song));
}

bool CSongRestorer::RunRoad() {
    m_results.clear();
    if (m_song.empty()) return false;
    // The step waves stay with the copy: roads running side by side must not pick the same names.
    const std::string temp = m_work->Path() + "/temp";
    std::error_code ec;
    fs::create_directory(temp, ec);
    if (ec) {
        Tell("restova-cli restore: cannot make " + temp + ": " + ec.message());
        return false;
    }
    struct TempPathScope {
        std::string kept = Settings().TempPath;
        ~TempPathScope() { Settings().TempPath = kept; }
    } scope;
    Settings().TempPath = temp;

    const std::string& song = m_song;
    CFilterRunner runner;
    CSongDocument doc;
    doc.SetRunner(&runner);
    if (doc.Open(song, true) != kFileOk) return false;
    if (!RunStages(doc)) {
        // Discarding the session removes the step waves.
        doc.Close(false, true);
        return false;
    }
    Say("saving");
    doc.SetModified();
    if (!doc.Close(true, true) || Interrupt()) return false;
    if (!m_settings.split) {
        m_results = {song};
        return true;
    }

    Say("splitting");
    const std::string songs = (fs::path(song).parent_path() / "songs").string();
    CTrackSplitter splitter;
    IServices& ui = Services();
    ui.ProgressOpen(0, 100, LoadString(kMsgChopTitle));
    const CTrackSplitter::Result result =
        splitter.SplitIntoTracks(song, songs, true, CTrackSplitter::kNamingDividers, &m_results, false);
    ui.ProgressClose();
    if (result == CTrackSplitter::Result::NoDividers) {
        Say("no track dividers to split at; give --index to place them in the silences");
        return false;
    }
    return result == CTrackSplitter::Result::Done && !Interrupt();
}

std::string CSongRestorer::ResultsList() const {
    return m_work ? m_work->Path() + "/results" : std::string();
}

bool CSongRestorer::SaveResults() const {
    std::FILE* f = std::fopen(ResultsList().c_str(), "w");
    if (!f) return false;
    bool ok = true;
    for (const std::string& path : m_results) ok = ok && std::fprintf(f, "%s\n", path.c_str()) > 0;
    return std::fclose(f) == 0 && ok;
}

bool CSongRestorer::LoadResults() {
    m_results.clear();
    std::FILE* f = std::fopen(ResultsList().c_str(), "r");
    if (!f) return false;
    std::string line;
    for (int c; (c = std::fgetc(f)) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
        } else if (!line.empty()) {
            m_results.push_back(line);
            line.clear();
        }
    }
    std::fclose(f);
    return !m_results.empty();
}

bool CSongRestorer::RunStages(CSongDocument& doc) {
    CFilterRunner& runner = *doc.Runner();
    auto stage = [&](CFilter& filter, MsgId caption, const char* name) {
        if (Interrupt()) return false;
        Say(name);
        runner.SetSource(&doc.Wave());
        runner.SetCaption(LoadString(caption));
        const uint64_t samples = doc.DataLength() / std::max(1, doc.Wave().BytesPerSample());
        const bool ok = runner.RunFilter(0, 0, &filter, nullptr, false);
        if (ok && ClippedMoreThanATrace(runner.LastClipStats(), samples)) {
            char text[120];
            std::snprintf(text, sizeof text, "%s clipped %llu samples, by up to %.2f dB", name,
                          static_cast<unsigned long long>(runner.LastClipStats().samples),
                          runner.LastClipStats().OvershootDb());
            Say(text);
        }
        doc.Refresh();
        doc.SelectAll();
        return ok && !Interrupt();
    };

    if (m_settings.speedRatio) {
        CPitch pitch;
        SetUpSpeed(pitch, *m_settings.speedRatio);
        if (!stage(pitch, kMsgSpeedCaption, "speed correction")) return false;
    }
    if (m_settings.riaa) {
        CRiaa riaa;
        if (!stage(riaa, kMsgRiaaCaption, "RIAA equalisation")) return false;
    }
    CTaviClean clean;
    CleanRequest cleanRequest;
    cleanRequest.preset = m_settings.cleanPreset;
    if (!SetUpClean(clean, cleanRequest) || !stage(clean, kMsgCleaningCaption, "Clean")) return false;
    if (m_settings.enhance) {
        CTaviEnhance enhancer;
        if (enhancer.LoadPreset(m_settings.enhancePreset) != 0) {
            Tell("restova-cli restore: cannot load the Enhance preset " + m_settings.enhancePreset +
                 "; 'restova-cli presets enhance' lists them");
            return false;
        }
        if (!stage(enhancer, kMsgEnhancingCaption, "Enhance")) return false;
    }
    if (m_settings.index) {
        if (Interrupt()) return false;
        Say("indexing");
        CTrackIndexer indexer;
        if (!indexer.IndexTracks(doc, false, true) || Interrupt()) return false;
    }
    if (Interrupt()) return false;
    Say("maximising");
    CFinalTouches touches(doc);
    const bool raised = touches.MaximizeGain();
    return (raised || touches.LastWasSilent()) && !Interrupt();
}

bool CSongRestorer::Finish(std::vector<RestoredSong>& songs) {
    const std::vector<std::string>& results = m_results;
    std::vector<std::string> targets;
    std::string existing;
    for (const std::string& result : results) {
        targets.push_back(m_settings.folder + "/" + fs::path(result).filename().string());
        std::error_code ec;
        if (fs::equivalent(targets.back(), m_in, ec)) {
            Say("the result " + targets.back() + " would replace the recording; choose another folder with --to");
            return false;
        }
        // A song with a session of its own would be read through it, not as written here.
        if (!HasNoSession("restore", targets.back())) return false;
        if (PathExists(targets.back())) existing += (existing.empty() ? "" : ", ") + targets.back();
    }
    if (!existing.empty()) {
        const Consent consent = Ask("restova-cli restore: " + existing + " exist. Replace them?");
        if (consent != Consent::Given) {
            Say(consent == Consent::Refused ? "kept what is there; nothing written"
                                            : existing + " exist; give --yes to replace them");
            return false;
        }
    }
    for (size_t i = 0; i < results.size(); ++i) {
        const std::string& target = targets[i];
        if (std::rename(results[i].c_str(), target.c_str()) != 0) {
            Tell("restova-cli restore: cannot move " + results[i] + " to " + target + ": " + std::strerror(errno));
            return false;
        }
        // The song's own peak file goes with it; an older one of the name would lend it stale dividers.
        const std::string peaks = PeakFileName(results[i]);
        if (PathExists(peaks)) {
            std::rename(peaks.c_str(), PeakFileName(target).c_str());
        } else {
            std::remove(PeakFileName(target).c_str());
        }
        RestoredSong measured;
        if (!MeasureSong(target, measured)) measured.path = target;
        songs.push_back(measured);
    }
    return true;
}
