#include "codecs/Mp3Decoder.h"

#include <mpg123.h>

#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>
#include <vector>

#include "audiofile/FileError.h"
#include "audiofile/WaveProbe.h"
#include "base/Services.h"
#include "codecs/WaveSink.h"

namespace {

struct HandleDeleter {
    void operator()(mpg123_handle* h) const {
        mpg123_close(h);
        mpg123_delete(h);
    }
};
using Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;

// libmpg123 before 1.27 needs one global initialisation; later versions ignore it.
bool LibraryReady() {
    static const bool ready = mpg123_init() == MPG123_OK;
    return ready;
}

// An open stream that decodes to 16-bit signed samples at the file's own rate
// and channel count, fixed for the whole file even if later frames differ.
struct OpenStream {
    Handle handle;
    long rate = 0;
    int channels = 0;
    int64_t frames = 0;  // decoded length in sample frames, -1 when unknown
};

int OpenMp3(const std::string& path, OpenStream& out) {
    std::error_code ec;
    // A FIFO or a device would block the reader; only plain files are decoded.
    if (!std::filesystem::is_regular_file(path, ec)) return kErrCannotOpen;
    if (!LibraryReady()) return kErrInternal;
    int err = MPG123_OK;
    Handle h(mpg123_new(nullptr, &err));
    if (!h) return kErrMemory;
    // Quiet: the library must not print on behalf of a GUI program. Skipping
    // ID3v2 parsing avoids allocating whatever size a hostile tag claims.
    mpg123_param(h.get(), MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_SKIP_ID3V2, 0.0);
    if (mpg123_open_fixed(h.get(), path.c_str(), MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) {
        return kErrFormat;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(h.get(), &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        (channels != 1 && channels != 2) || encoding != MPG123_ENC_SIGNED_16) {
        return kErrFormat;
    }
    // A VBR header may be missing or lie; a full scan counts the real frames.
    if (mpg123_scan(h.get()) != MPG123_OK) return kErrFormat;
    off_t length = mpg123_length(h.get());
    out.handle = std::move(h);
    out.rate = rate;
    out.channels = channels;
    out.frames = length < 0 ? -1 : static_cast<int64_t>(length);
    return kFileOk;
}

}  // namespace

int CMp3Decoder::GetInfo(const std::string& path, WaveFileInfo& info) {
    OpenStream s;
    int rc = OpenMp3(path, s);
    if (rc != kFileOk) return rc;
    if (s.frames <= 0) return kErrFormat;
    const uint64_t frameBytes = static_cast<uint64_t>(s.channels) * 2;
    // Saturate rather than wrap: the duration below still tells the truth.
    uint64_t bytes = static_cast<uint64_t>(s.frames) * frameBytes;
    const uint64_t maxBytes = std::numeric_limits<uint32_t>::max() / frameBytes * frameBytes;
    info.dataBytes = static_cast<uint32_t>(bytes < maxBytes ? bytes : maxBytes);
    info.channels = static_cast<uint16_t>(s.channels);
    info.rate = static_cast<uint32_t>(s.rate);
    info.bits = 16;
    info.blockAlign = static_cast<uint16_t>(frameBytes);
    info.formatTag = 85;
    info.duration = static_cast<double>(s.frames) / static_cast<double>(s.rate);
    info.typeName = "MP3";
    return kFileOk;
}

int CMp3Decoder::Decode(const std::string& path, IPcmSink& sink) {
    OpenStream s;
    if (OpenMp3(path, s) != kFileOk) return -1;
    if (!sink.Begin(
            MakeWaveFormat(kWaveFormatPcm, static_cast<uint16_t>(s.channels), static_cast<uint32_t>(s.rate), 16))) {
        return -1;
    }
    IServices& services = Services();
    std::vector<unsigned char> buffer(65536);
    uint64_t written = 0;
    int lastPercent = -1;
    for (;;) {
        if (CancelFlag().load()) return -2;
        size_t done = 0;
        int err = mpg123_read(s.handle.get(), buffer.data(), buffer.size(), &done);
        if (err != MPG123_OK && err != MPG123_DONE && err != MPG123_NEW_FORMAT) return -1;
        if (done > 0) {
            if (!sink.Write(buffer.data(), done)) return -1;
            written += done;
        }
        if (s.frames > 0 && services.ProgressIsOpen()) {
            const uint64_t total = static_cast<uint64_t>(s.frames) * static_cast<uint64_t>(s.channels) * 2;
            const int percent = err == MPG123_DONE || written >= total ? 100 : static_cast<int>(written * 100 / total);
            if (percent != lastPercent) {
                services.ProgressSetPos(percent);
                lastPercent = percent;
            }
        }
        if (err == MPG123_DONE) break;
        services.PumpMessages();
    }
    return written == 0 ? -1 : 0;
}

int CMp3Decoder::DecodeMp3File(const std::string& path, const std::string& wavPath) {
    CWaveSink sink(wavPath, CWaveSink::Existing::Replace);
    const int rc = Decode(path, sink);
    if (rc != 0) return rc;
    return sink.Finish() == kFileOk ? 0 : -1;
}
