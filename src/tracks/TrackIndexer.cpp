#include "tracks/TrackIndexer.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "audiofile/PeakFile.h"
#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "processing/FileReports.h"
#include "processing/FilterRunner.h"
#include "tracks/DividerList.h"
#include "tracks/MarkSilence.h"
#include "tracks/SongDocument.h"

namespace {

constexpr double kFullScale16 = 8388352.0;  // 16-bit full scale on the 24-bit scale
constexpr int kBelowRms = 12;               // dB between the RMS level and the threshold
// A threshold whose amplitude rounds to 0: the envelope, never negative, is never below it.
constexpr int kNeverSilent = -200;

// The progress text without its trailing space: the runner puts one before the file name.
std::string FindingCaption() {
    std::string text = LoadString(kMsgFindingIndex);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

int CTrackIndexer::ThresholdFor(double rms) {
    if (!(rms > 0.0) || !std::isfinite(rms)) return kNeverSilent;
    const double below = -20.0 * std::log10(rms / kFullScale16);  // finite for any positive finite rms
    const double threshold = -kBelowRms - std::trunc(below);
    return static_cast<int>(std::clamp(threshold, double{kNeverSilent}, 100.0));
}

double CTrackIndexer::SongRms(CSongDocument& doc) {
    CWaveFile& wave = doc.Wave();
    wave.SetSessionMode(doc.SessionMode());
    const int opened = wave.Reopen(kOpenRead);
    ReportFileFaults(wave.Session().TakeFaults());
    if (opened != kFileOk) return -1.0;
    const uint32_t length = wave.SetRange(0, 0);
    wave.SetHistory(0);
    wave.SetLookahead(0);

    int shift = 0;
    while ((length >> shift) > static_cast<uint32_t>(INT_MAX)) ++shift;
    IServices& ui = Services();
    ui.ProgressOpen(0, static_cast<int>(length >> shift), FindingCaption() + " " + doc.Title());
    CancelFlag().store(false);

    CPeakFile::Scanner scanner(wave.Format().nChannels);
    std::vector<uint16_t> peaks;  // the scanner's peak values are not needed; only its level is
    int32_t* first = nullptr;
    int32_t* last = nullptr;
    int blocks = 0;
    while (wave.ReadNextBlock(first, last) == 0) {
        peaks.clear();
        scanner.Add(wave.BlockStart(), static_cast<size_t>(wave.EndCursor() - wave.BlockStart()), peaks);
        if (++blocks % CFilterRunner::kProgressEvery == 0)
            ui.ProgressSetPos(static_cast<int>(wave.DataCursor() >> shift));
    }
    const bool complete = !CancelFlag().load() && wave.DataCursor() >= length;
    if (ui.ProgressIsOpen()) ui.ProgressClose();
    wave.Close();
    if (!complete) {
        if (!CancelFlag().load()) CWaveFile::ReportFileError(kErrRead, wave.FileName());
        return -1.0;
    }
    return scanner.Results().rms;
}

bool CTrackIndexer::IndexTracks(CSongDocument& doc, bool confirm, bool clear) {
    m_result = kFailed;
    CFilterRunner* runner = doc.Runner();
    if (!doc.IsOpen() || !runner) return false;

    CDividerList& dividers = doc.Dividers();
    if (confirm && dividers.Count() > 0 &&
        ShowMessage(kMsgAlreadyIndexed, MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes) {
        m_result = kDeclined;
        return false;
    }

    // The level is measured before anything changes: a scan that is cancelled or cannot read the
    // song leaves the dividers as they were.
    const double rms = SongRms(doc);
    if (rms < 0.0) {
        m_result = CancelFlag().load() ? kCancelled : kFailed;
        return false;
    }

    const CDividerList before = dividers;
    if (clear) dividers.Clear();

    CMarkSilence filter;
    CFilter::Params params = filter.GetParams();
    params[0] = ThresholdFor(rms);
    params[1] = kMinSilence;
    params[2] = kMinTrack;
    filter.SetParams(params);
    filter.SetDividerList(&dividers);

    CWaveFile* const previousSource = runner->Source();
    const std::string previousCaption = runner->Caption();
    runner->SetSource(&doc.Wave());
    runner->SetCaption(FindingCaption());
    const bool ran = runner->RunFilter(0, 0, &filter, nullptr, false);
    const int result = runner->LastResult();
    runner->SetCaption(previousCaption);
    runner->SetSource(previousSource);
    doc.Wave().Close();

    if (!ran && result != CFilterRunner::kRunCancelled) {
        dividers = before;
        return false;
    }
    // The filter appends in ascending order, but without clearing the old dividers are mixed in.
    dividers.Sort();
    dividers.NameAfter(doc.Title());
    doc.SaveDividers();
    m_result = ran ? kIndexed : kCancelled;
    return ran;
}

void CTrackIndexer::ShowIndexed() {
    ShowMessage(kMsgReindexed, MsgIcon::Information);
}
