#include "cd/CdTrackReader.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "base/StringTable.h"
#include "cd/CdDevice.h"

namespace {

// One tick stamp for every reader, so that progress reaches the window at most every 400 ms.
std::atomic<int64_t> g_lastProgressMs{0};

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

CCdTrackReader::Result CCdTrackReader::Read(ICdDevice& device, const CdTrack& track, ICdAudioSink& sink) {
    m_error.clear();
    std::vector<uint8_t> buffer(static_cast<size_t>(kBlockFrames) * kCdFrameBytes);
    const uint32_t total = track.frames;
    uint32_t remaining = total;
    int32_t lsn = track.startLsn;
    while (remaining > 0) {
        if (m_cancel.load()) return kReadCancelled;
        const uint32_t n = remaining < kBlockFrames ? remaining : kBlockFrames;
        std::memset(buffer.data(), 0, static_cast<size_t>(n) * kCdFrameBytes);
        int got = -1;
        for (int attempt = 0; attempt < kTries && got <= 0; ++attempt) got = device.ReadAudio(lsn, n, buffer.data());
        if (got <= 0) {
            m_error = FormatString(kMsgReadErrorAt, {std::to_string(lsn + kCdPregapFrames), device.LastError()});
            return kReadFailed;
        }
        // A device may return fewer frames than asked; it is advanced by what it gave.
        const uint32_t advance = static_cast<uint32_t>(got) < n ? static_cast<uint32_t>(got) : n;
        if (!sink.Write(buffer.data(), static_cast<size_t>(advance) * kCdFrameBytes)) return kSinkFailed;
        lsn += static_cast<int32_t>(advance);
        remaining -= advance;
        const int64_t now = NowMs();
        int64_t last = g_lastProgressMs.load();
        if (now - last >= kProgressMs && g_lastProgressMs.compare_exchange_strong(last, now))
            m_percent.store((total - remaining) * 100.0 / total);
    }
    m_percent.store(100.0);
    return kReadOk;
}
