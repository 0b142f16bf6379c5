#include "devices/LevelMeter.h"

#include <climits>

#include "audiofile/SampleCodec.h"
#include "audiofile/WaveFile.h"

namespace {

// One sample's magnitude on the 24-bit scale.
int32_t Magnitude(SampleKind kind, const uint8_t* p) {
    int32_t v = 0;
    CSampleCodec::Decode(kind, p, &v, 1);
    return v < 0 ? (v == INT32_MIN ? INT32_MAX : -v) : v;
}

}  // namespace

void CLevelMeter::PeaksOf(const WAVEFORMATEX& format, const uint8_t* bytes, size_t byteCount, int32_t& left,
                          int32_t& right) {
    left = right = 0;
    const SampleKind kind = CSampleCodec::KindOf(format);
    const size_t bps = static_cast<size_t>(BytesPerSampleOf(format));
    const size_t frame = format.nBlockAlign;
    if (!bytes || kind == SampleKind::None || bps == 0 || frame < bps) return;
    const bool stereo = format.nChannels >= 2;
    for (size_t at = 0; at + frame <= byteCount; at += frame) {
        const int32_t l = Magnitude(kind, bytes + at);
        if (l > left) left = l;
        if (stereo) {
            const int32_t r = Magnitude(kind, bytes + at + bps);
            if (r > right) right = r;
        }
    }
    if (!stereo) right = left;
}

void CLevelMeter::Feed(const WAVEFORMATEX& format, const uint8_t* bytes, size_t byteCount) {
    int32_t left = 0, right = 0;
    PeaksOf(format, bytes, byteCount, left, right);
    Set(left, right);
}
