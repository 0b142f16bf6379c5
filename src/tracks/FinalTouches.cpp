#include "tracks/FinalTouches.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <new>
#include <vector>

#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "devices/PreviewPlayer.h"
#include "devices/TrackPlayer.h"
#include "processing/FileReports.h"
#include "processing/FilterRunner.h"
#include "processing/GainChange.h"
#include "tracks/SongDocument.h"

namespace {

// Gain-change shapes and the channel modes of a runner pass.
constexpr int kShapeRise = 0;
constexpr int kShapeFall = 1;
constexpr int kShapeLinear = 2;
constexpr int kModeStereo = 3;
constexpr int kModeMono = 0;

// A track starting at or before this byte and running to the end is the whole file.
constexpr uint32_t kWholeFileStart = 44;
// Unit of the plain-mode copy (bytes).
constexpr size_t kCopyBytes = 64 * 1024;
// Scratch waves beside the song are numbered from here, as the session commit numbers its own.
constexpr int kScratchNumber = 1000;

// The progress texts end in a space for the file name that the runner adds with its own space.
std::string CaptionOf(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

void RemoveWave(const std::string& path) {
    ::unlink(path.c_str());
    ::unlink(PeakFileName(path).c_str());
}

// Copies bytes [start, end) of from's audio data to the end of to. False on a seek, read or write failure.
bool CopyRange(CWaveFile& from, uint32_t start, uint32_t end, CWaveFile& to, std::vector<uint8_t>& buffer) {
    if (start >= end) return true;
    if (from.Seek(start, 0) != static_cast<int64_t>(start)) return false;
    uint32_t left = end - start;
    while (left > 0) {
        const int64_t want = static_cast<int64_t>(std::min<size_t>(buffer.size(), left));
        const int64_t got = from.Read(buffer.data(), want);
        if (got <= 0 || got > want) return false;
        if (to.Write(buffer.data(), got) != got) return false;
        left -= static_cast<uint32_t>(got);
    }
    return true;
}

bool IsPreviewPlaying(const IPreviewPlayer* player) {
    return player && (player->State() == kPlayerPlaying || player->State() == kPlayerPaused);
}

}  // namespace

CFinalTouches::CFinalTouches(CSongDocument& doc) : m_doc(doc) {}

// ---------------------------------------------------------------------------
// Lengths and selections

uint32_t CFinalTouches::NextTrimLength(uint32_t ms, bool more) {
    uint32_t next;
    if (ms < kStepMs + 1) {
        next = more ? ms * 2 : ms / 2;
    } else {
        next = more ? (ms > UINT32_MAX - kStepMs ? UINT32_MAX : ms + kStepMs) : ms - kStepMs;
    }
    return std::max(next, kMinLengthMs);
}

uint32_t CFinalTouches::NextFadeLength(uint32_t ms, bool more) {
    uint32_t next;
    if (ms >= kStepMs) {
        next = more ? (ms > UINT32_MAX - kStepMs ? UINT32_MAX : ms + kStepMs) : ms - kStepMs;
    } else {
        next = more ? ms * 2 : ms / 2;
    }
    return std::max(next, kMinLengthMs);
}

uint64_t CFinalTouches::LengthBytes(uint32_t ms) const {
    const WAVEFORMATEX& f = m_doc.Format();
    const uint64_t perSecond = uint64_t(BytesPerSampleOf(f)) * f.nChannels * f.nSamplesPerSec;
    return perSecond * ms / 1000;
}

uint32_t CFinalTouches::FrameBytes() const {
    return std::max<uint32_t>(m_doc.Format().nBlockAlign, 1);
}

void CFinalTouches::SideRange(Side side, uint32_t ms, uint32_t& start, uint32_t& end) const {
    const uint32_t data = m_doc.DataLength();
    const uint64_t length = LengthBytes(ms);
    if (side == Side::Start) {
        start = 0;
        end = static_cast<uint32_t>(std::min<uint64_t>(length, data));
    } else {
        // A length beyond the data selects nothing rather than wrapping around.
        start = length > data ? data : data - static_cast<uint32_t>(length);
        end = data;
    }
}

void CFinalTouches::SelectSide(Side side, uint32_t ms) {
    uint32_t start = 0;
    uint32_t end = 0;
    SideRange(side, ms, start, end);
    m_doc.Select(start, end);
}

// ---------------------------------------------------------------------------
// Trim

void CFinalTouches::StartTrim(Side side) {
    m_trimSide = side;
    if (LengthBytes(kStartTrimMs) <= m_doc.DataLength()) m_trimMs = kStartTrimMs;
    SelectSide(m_trimSide, m_trimMs);
}

bool CFinalTouches::SetTrimLength(uint32_t ms) {
    if (ms == 0 || LengthBytes(ms) > m_doc.DataLength()) return false;
    m_trimMs = ms;
    SelectSide(m_trimSide, m_trimMs);
    return true;
}

void CFinalTouches::TrimMore() {
    // A length longer than the song is refused; the old one is selected again.
    if (!SetTrimLength(NextTrimLength(m_trimMs, true))) SelectSide(m_trimSide, m_trimMs);
    if (m_doc.Player() && m_doc.Player()->IsPlaying()) PlayTrimPreview();
}

void CFinalTouches::TrimLess() {
    if (!SetTrimLength(NextTrimLength(m_trimMs, false))) SelectSide(m_trimSide, m_trimMs);
    if (m_doc.Player() && m_doc.Player()->IsPlaying()) PlayTrimPreview();
}

bool CFinalTouches::PreviewTrim() {
    ITrackPlayer* player = m_doc.Player();
    if (!player) return false;
    if (player->IsPlaying()) {
        player->Stop();
        return true;
    }
    return PlayTrimPreview();
}

bool CFinalTouches::PlayTrimPreview() {
    ITrackPlayer* player = m_doc.Player();
    if (!player) return false;
    if (player->IsPlaying()) player->Stop();
    const uint64_t span = LengthBytes(kPreviewMs);
    const uint32_t data = m_doc.DataLength();
    if (m_trimSide == Side::Start) {
        const uint32_t from = m_doc.SelEnd();
        return m_doc.PlayRange(from, static_cast<uint32_t>(std::min<uint64_t>(uint64_t{from} + span, data)));
    }
    const uint32_t to = m_doc.SelStart();
    return m_doc.PlayRange(to - static_cast<uint32_t>(std::min<uint64_t>(span, to)), to);
}

bool CFinalTouches::ApplyTrim() {
    if (m_doc.SelStart() >= m_doc.SelEnd()) return false;
    if (!CutAndUpdate(m_doc.SelStart(), m_doc.SelEnd())) return false;
    m_doc.SelectAll();
    return true;
}

// ---------------------------------------------------------------------------
// Fade

void CFinalTouches::Reselect() {
    SelectSide(m_fadeIn ? Side::Start : Side::End, m_fadeMs);
}

void CFinalTouches::StartFade(bool fadeIn) {
    m_fadeIn = fadeIn;
    Reselect();
}

bool CFinalTouches::SetFadeLength(uint32_t ms) {
    if (ms == 0) return false;
    m_fadeMs = ms;
    Reselect();
    if (m_fadePreviewing) {
        // The running preview ends; PreviewFade then plays the new selection.
        m_restartFade = true;
        CancelFlag().store(true);
        if (CFilterRunner* runner = m_doc.Runner(); runner && runner->Player()) runner->Player()->Stop();
    }
    return true;
}

void CFinalTouches::FadeMore() {
    SetFadeLength(NextFadeLength(m_fadeMs, true));
}

void CFinalTouches::FadeLess() {
    SetFadeLength(NextFadeLength(m_fadeMs, false));
}

bool CFinalTouches::PreviewFade() {
    CFilterRunner* runner = m_doc.Runner();
    if (!runner) return false;
    // A second press while the preview plays (or any run is busy) stops it.
    if (m_fadePreviewing || runner->IsBusy() || IsPreviewPlaying(runner->Player())) {
        m_restartFade = false;
        CancelFlag().store(true);
        if (runner->Player()) runner->Player()->Stop();
        return false;
    }
    m_fadePreviewing = true;
    bool ok = false;
    do {
        m_restartFade = false;
        ok = RunFade(true);
    } while (m_restartFade);
    m_fadePreviewing = false;
    return ok;
}

bool CFinalTouches::ApplyFade() {
    if (m_fadePreviewing) return false;  // pressed from inside a running preview
    StopPlayback();
    const bool ok = RunFade(false);
    m_doc.Refresh();
    if (ok) m_doc.SetModified();
    return ok;
}

void CFinalTouches::SetUpFade(CGainChange& gain, uint32_t& start, uint32_t& end) const {
    const uint32_t frame = FrameBytes();
    start = m_doc.SelStart() / frame * frame;
    end = m_doc.SelEnd() / frame * frame;
    CFilter::Params params{};
    params[0] = m_fadeIn ? kShapeRise : kShapeFall;
    params[1] = m_fadeIn ? 0 : 1000;
    params[2] = m_fadeIn ? 1000 : 0;
    gain.SetRunRange(start, end);
    gain.SetParams(params);
}

std::vector<double> CFinalTouches::FadeCurve(int count) const {
    CGainChange gain;
    uint32_t start = 0;
    uint32_t end = 0;
    SetUpFade(gain, start, end);
    std::vector<double> gains;
    if (start >= end || count < 2) return gains;
    for (int i = 0; i < count; ++i) {
        gains.push_back(gain.GainAt(static_cast<uint32_t>(static_cast<uint64_t>(end - start) * i / (count - 1))));
    }
    return gains;
}

bool CFinalTouches::RunFade(bool preview) {
    CFilterRunner* runner = m_doc.Runner();
    CGainChange gain;
    uint32_t start = 0;
    uint32_t end = 0;
    SetUpFade(gain, start, end);
    if (!runner || start >= end) return false;
    const std::string caption = CaptionOf(LoadString(m_fadeIn ? kMsgFadeIn : kMsgFadeOut));

    if (m_doc.SessionMode()) {
        // The runner records the pass as a step of the session, as for every filter.
        const std::string previous = runner->Caption();
        runner->SetSource(&m_doc.Wave());
        runner->SetCaption(caption);
        const bool ok = runner->RunFilter(start, end, &gain, nullptr, preview);
        runner->SetCaption(previous);
        return ok;
    }
    if (preview) return RunPass(gain, start, end, std::string(), caption) == CFilterRunner::kRunOk;

    // Plain mode: the faded range goes into a temporary wave, which then replaces the range in the song.
    const std::string faded = CFilterRunner::NewTempWave();
    if (RunPass(gain, start, end, faded, caption) != CFilterRunner::kRunOk) return false;
    const bool ok = ReplacePlain(start, end, faded);
    RemoveWave(faded);
    return ok;
}

int CFinalTouches::RunPass(CFilter& filter, uint32_t start, uint32_t end, const std::string& output,
                           const std::string& caption) {
    CFilterRunner* runner = m_doc.Runner();
    if (!runner) return CFilterRunner::kRunNoSource;
    if (runner->IsBusy()) {
        CancelFlag().store(true);
        return CFilterRunner::kRunBusy;
    }
    CWaveFile& wave = m_doc.Wave();
    if (ReportOpening(wave, wave.Reopen(kOpenRead), m_doc.Path()) != kFileOk) return CFilterRunner::kRunCannotRead;
    const std::string previous = runner->Caption();
    runner->SetSource(&wave);
    runner->SetCaption(caption);
    runner->SetRange(start, end);
    CancelFlag().store(false);
    const int mode = wave.Format().nChannels == 2 ? kModeStereo : kModeMono;
    const int result = runner->ExecuteFilter(output, nullptr, output.empty(), filter, mode);
    runner->SetCaption(previous);
    wave.Close();
    return result;
}

// ---------------------------------------------------------------------------
// Maximize gain

bool CFinalTouches::MaximizeGain() {
    StopPlayback();
    CancelFlag().store(false);
    m_lastPeak = 0;
    m_lastGain = 0.0;
    m_lastSilent = false;
    IServices& ui = Services();
    CWaveFile& wave = m_doc.Wave();
    const uint32_t length = m_doc.DataLength();
    auto finish = [&](bool changed) {
        wave.Close();
        if (ui.ProgressIsOpen()) ui.ProgressClose();
        m_doc.Refresh();
        m_doc.SelectAll();
        return changed;
    };
    ui.ProgressOpen(0, 100, FormatString(kMsgNormalizing, m_doc.Title()));

    uint32_t peak = 0;
    if (m_doc.SessionMode()) {
        if (ReportOpening(wave, wave.Reopen(kOpenRead), m_doc.Path()) != kFileOk) return finish(false);
        peak = wave.Session().StreamPeak(0, length);
    } else {
        PeakResults results;
        const CDividerList& dividers = m_doc.Dividers();
        const int rc = CPeakFile::BuildPeakFile(wave, 0, 0, &dividers.Block(), static_cast<uint32_t>(dividers.Count()),
                                                results, ProgressInWindow());
        if (rc == 0 && results.shortWave) ReportFileFaults({{FaultKind::kSizeInconsistent, m_doc.Path()}});
        if (rc != 0) {
            if (rc == -1) {
                ShowMessage(kMsgNoPeakFile, MsgIcon::Stop);
            } else {
                CWaveFile::ReportFileError(rc, m_doc.Path());
            }
            return finish(false);
        }
        peak = results.maxPeak;
    }
    wave.Close();
    m_lastPeak = peak;
    if (peak == 0 || length == 0) {
        m_lastSilent = true;
        return finish(false);
    }

    // The gain filter takes its value in thousandths: rounding down keeps the peak at or under full scale.
    const double wanted = static_cast<double>(kFullScale) / peak;
    const int thousandths = static_cast<int>(std::min(std::floor(wanted * 1000.0), double{INT_MAX}));
    CGainChange gain;
    CFilter::Params params{};
    params[0] = kShapeLinear;
    params[1] = thousandths;
    params[2] = thousandths;
    gain.SetParams(params);
    m_lastGain = thousandths * 0.001;

    // The pass opens its own progress window with the same text.
    ui.ProgressClose();
    const std::string caption = CaptionOf(FormatString(kMsgNormalizing));
    const bool changed =
        m_doc.SessionMode() ? MaximizeSession(gain, length, caption) : MaximizePlain(gain, length, caption);
    if (changed) m_doc.SetModified();
    return finish(changed);
}

bool CFinalTouches::MaximizeSession(CFilter& gain, uint32_t length, const std::string& caption) {
    const std::string tempDir = CFilterRunner::TempFolder();
    const std::string output = CFilterRunner::NewTempWave();
    // A cancelled or failed pass has removed its output already.
    if (RunPass(gain, 0, length, output, caption) != CFilterRunner::kRunOk) return false;
    CWaveFile& wave = m_doc.Wave();
    wave.Session().SetTempPath(tempDir);
    const int added = wave.Session().AddReplaceStep(output, 0, length);
    ReportFileFaults(wave.Session().TakeFaults());
    if (added < 0) {
        RemoveWave(output);
        return false;
    }
    return true;
}

bool CFinalTouches::MaximizePlain(CFilter& gain, uint32_t length, const std::string& caption) {
    const std::string scratch = NumberedVariant(m_doc.Path(), kScratchNumber);
    // A cancelled or failed pass has removed its output already.
    if (RunPass(gain, 0, length, scratch, caption) != CFilterRunner::kRunOk) return false;
    return InstallScratch(scratch);
}

// ---------------------------------------------------------------------------
// Cuts

void CFinalTouches::StopPlayback() {
    if (m_doc.Player() && m_doc.Player()->IsPlaying()) m_doc.Player()->Stop();
}

bool CFinalTouches::CutRange(uint32_t start, uint32_t end) {
    if (start > end) return false;
    StopPlayback();
    const uint32_t frame = FrameBytes();
    start = start / frame * frame;
    end = end / frame * frame;
    if (!m_doc.SessionMode()) {
        const bool ok = CutPlain(start, end);
        m_doc.Refresh();
        return ok;
    }

    CWaveFile& wave = m_doc.Wave();
    if (ReportOpening(wave, wave.Reopen(kOpenRead), m_doc.Path()) != kFileOk) return false;
    bool ok = true;
    if (end > wave.DataLength()) {
        ShowMessage(kMsgCutSize, MsgIcon::Exclamation);
        ok = false;
    } else if (start < end) {
        wave.Session().SetTempPath(CFilterRunner::TempFolder());
        ok = wave.Session().AddCutStep(start, end) >= 0;
        ReportFileFaults(wave.Session().TakeFaults());
    }
    wave.Close();
    m_doc.Refresh();
    return ok;
}

bool CFinalTouches::CutAndUpdate(uint32_t start, uint32_t end) {
    const uint32_t frame = FrameBytes();
    if (!CutRange(start, end)) return false;
    m_doc.Dividers().UpdateAfterCut(start / frame * frame, end / frame * frame);
    m_doc.SaveDividers();
    m_doc.SetModified();
    return true;
}

bool CFinalTouches::CutTrack() {
    if (m_doc.Dividers().Count() == 0) return false;
    const uint32_t start = m_doc.SelStart();
    const uint32_t end = m_doc.SelEnd();
    if (ShowMessage(kMsgDeleteTrack, MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes) return false;
    if (start <= kWholeFileStart && end >= m_doc.DataLength()) {
        ShowMessage(kMsgEntireFile, MsgIcon::Stop);
        return false;
    }
    if (start >= end || !CutAndUpdate(start, end)) return false;
    m_doc.SelectTrackAround(start / FrameBytes() * FrameBytes());
    return true;
}

bool CFinalTouches::CutPlain(uint32_t start, uint32_t end) {
    return ReplacePlain(start, end, std::string());
}

// The song rewritten with bytes [start, end) replaced by the audio of insert (none: removed), through a
// scratch wave in the song's folder that is synced and renamed over the song.
bool CFinalTouches::ReplacePlain(uint32_t start, uint32_t end, const std::string& insert) {
    CWaveFile& song = m_doc.Wave();
    const std::string& path = m_doc.Path();
    int rc = song.Reopen(kOpenRead);
    if (rc != kFileOk) {
        CWaveFile::ReportFileError(rc, path);
        return false;
    }
    const uint32_t length = song.DataLength();
    if (end > length) {
        song.Close();
        ShowMessage(kMsgCutSize, MsgIcon::Exclamation);
        return false;
    }
    if (start == end && insert.empty()) {
        song.Close();
        return true;  // nothing to remove
    }
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(kCopyBytes);
    } catch (const std::bad_alloc&) {
        song.Close();
        ShowMessage(kMsgNoBuffer, MsgIcon::Exclamation);
        return false;
    }
    CWaveFile inserted;
    uint32_t insertLength = 0;
    if (!insert.empty()) {
        if (inserted.OpenRead(insert) != kFileOk) {
            song.Close();
            ShowMessage(kMsgCannotRead, MsgIcon::Exclamation);
            return false;
        }
        insertLength = inserted.DataLength();
    }

    const std::string scratch = NumberedVariant(path, kScratchNumber);
    CWaveFile out;
    WAVEFORMATEX format = song.Format();
    rc = out.OpenWrite(scratch, format, kWriteCreate);
    if (rc != kFileOk) {
        song.Close();
        ::unlink(scratch.c_str());  // opening may have made it before failing
        CWaveFile::ReportFileError(rc, path);
        return false;
    }
    out.SetPartLimit(UINT64_MAX);  // one file, whatever its size
    const bool copied = CopyRange(song, 0, start, out, buffer) && CopyRange(inserted, 0, insertLength, out, buffer) &&
                        CopyRange(song, end, length, out, buffer) && out.FinishWrite() == 0;
    out.Close();
    song.Close();
    inserted.Close();
    if (!copied) {
        ::unlink(scratch.c_str());
        ShowMessage(kMsgCannotRead, MsgIcon::Exclamation);
        return false;
    }
    return InstallScratch(scratch);
}

// Puts a finished scratch wave in the song's place: synced, given a peak file with the song's dividers,
// then renamed over the song, so the song's name always holds either the old or the new audio.
bool CFinalTouches::InstallScratch(const std::string& scratch) {
    const std::string& path = m_doc.Path();
    const std::string scratchPeaks = PeakFileName(scratch);
    if (!SyncPath(scratch, false)) {
        ::unlink(scratch.c_str());
        CWaveFile::ReportFileError(kErrCannotWrite, path);
        return false;
    }
    CWaveFile wave;
    PeakResults results;
    const CDividerList& dividers = m_doc.Dividers();
    int rc = wave.OpenRead(scratch);
    if (rc == kFileOk) {
        rc = CPeakFile::BuildPeakFile(wave, 0, 0, &dividers.Block(), static_cast<uint32_t>(dividers.Count()), results,
                                      ProgressInWindow());
    }
    wave.Close();
    if (rc != 0 || !SyncPath(scratchPeaks, false)) {
        RemoveWave(scratch);
        ShowMessage(kMsgNoPeakFile, MsgIcon::Stop);
        return false;
    }
    if (::rename(scratch.c_str(), path.c_str()) != 0) {
        RemoveWave(scratch);
        CWaveFile::ReportFileError(kErrCannotWrite, path);
        return false;
    }
    // The wave first, then its peak file: a peak file older than its wave is rebuilt before use.
    if (::rename(scratchPeaks.c_str(), PeakFileName(path).c_str()) != 0) ::unlink(scratchPeaks.c_str());
    SyncPath(FolderOf(path), true);
    return true;
}
