#include "enhance/FormatConverter.h"

#include <sox.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "base/StringTable.h"

namespace {


// The effect works on 32-bit samples; ours sit on a 24-bit scale.
constexpr int32_t kToLibrary = 256;
constexpr int32_t kMax24 = 8388607;
constexpr int32_t kMin24 = -8388608;
// Output samples one call of the effect may write.
constexpr size_t kEffectOut = 16384;

// The library's effects need its one-time set-up (their FFT tables among it). It stays set up
// for the life of the program.
bool LibraryReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = sox_init() == SOX_SUCCESS; });
    return ready;
}

int32_t FromLibrary(sox_sample_t s) {
    // Rounded to the nearest step of the 24-bit scale; 64 bits so that rounding cannot overflow.
    const int64_t v = (int64_t{s} + kToLibrary / 2) >> 8;
    return static_cast<int32_t>(std::clamp<int64_t>(v, kMin24, kMax24));
}

// One channel's rate effect, driven through start, flow, drain and stop.
class CRateChannel {
public:
    CRateChannel() : m_obuf(kEffectOut) {}
    ~CRateChannel() { Release(); }
    CRateChannel(const CRateChannel&) = delete;
    CRateChannel& operator=(const CRateChannel&) = delete;

    // Creates and starts the effect for one channel at inRate to outRate (Hz). False on failure.
    bool Start(double inRate, double outRate, bool veryHigh) {
        Release();
        if (!LibraryReady()) return false;
        const sox_effect_handler_t* handler = sox_find_effect("rate");
        if (!handler) return false;
        m_effect = sox_create_effect(handler);
        if (!m_effect) return false;
        char quality[] = "-h";
        if (veryHigh) quality[1] = 'v';
        char* argv[] = {quality};
        if (sox_effect_options(m_effect, 1, argv) != SOX_SUCCESS) return false;
        m_effect->in_signal.rate = inRate;
        m_effect->in_signal.channels = 1;
        m_effect->in_signal.precision = 24;
        m_effect->in_signal.length = SOX_UNKNOWN_LEN;
        m_effect->out_signal = m_effect->in_signal;
        m_effect->out_signal.rate = outRate;
        if (m_effect->handler.start(m_effect) != SOX_SUCCESS) return false;
        m_started = true;
        return true;
    }

    // Feeds count samples and appends what the effect gives back to out. False on failure.
    bool Flow(const sox_sample_t* in, size_t count, std::vector<sox_sample_t>& out) {
        size_t done = 0;
        while (done < count) {
            size_t isamp = count - done;
            size_t osamp = m_obuf.size();
            if (m_effect->handler.flow(m_effect, in + done, m_obuf.data(), &isamp, &osamp) != SOX_SUCCESS) {
                return false;
            }
            if (isamp == 0 && osamp == 0) return false;  // neither took nor gave: it would never end
            done += isamp;
            out.insert(out.end(), m_obuf.begin(), m_obuf.begin() + static_cast<std::ptrdiff_t>(osamp));
        }
        return true;
    }

    // Appends the effect's remaining output to out. False on failure.
    bool Drain(std::vector<sox_sample_t>& out) {
        // Draining ends with a short call; the bound only guards against an effect that never does.
        for (int guard = 0; guard < (1 << 20); ++guard) {
            size_t osamp = m_obuf.size();
            const int rc = m_effect->handler.drain(m_effect, m_obuf.data(), &osamp);
            if (rc != SOX_SUCCESS && rc != SOX_EOF) return false;
            out.insert(out.end(), m_obuf.begin(), m_obuf.begin() + static_cast<std::ptrdiff_t>(osamp));
            if (rc == SOX_EOF || osamp < m_obuf.size()) return true;
        }
        return false;
    }

    // Stops the effect and frees it.
    void Release() {
        if (!m_effect) return;
        if (m_started) m_effect->handler.stop(m_effect);
        m_started = false;
        // Created outside a chain the effect has no flows, so deleting it neither stops it again
        // nor frees its private area: that is ours to free.
        std::free(m_effect->priv);
        m_effect->priv = nullptr;
        sox_delete_effect(m_effect);
        m_effect = nullptr;
    }

private:
    sox_effect_t* m_effect = nullptr;
    bool m_started = false;
    std::vector<sox_sample_t> m_obuf;
};

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec) && !ec;
}

}  // namespace

struct CFormatConverter::Impl {
    CRateChannel channel[2];
    std::vector<sox_sample_t> in[2];   // one block of each channel, on the library's scale
    std::vector<sox_sample_t> out[2];  // what each channel's effect gave back, not yet written
};

CFormatConverter::CFormatConverter() : m_impl(std::make_unique<Impl>()) {}

CFormatConverter::~CFormatConverter() = default;

int CFormatConverter::DoConvert(const std::string& sourceName, const std::string& destinationName, uint32_t rate,
                                uint16_t bits, int quality) {
    CWaveFile source(kBlock, kHistory);
    int rc = source.OpenRead(sourceName);
    if (rc != kFileOk) {
        CWaveFile::ReportFileError(rc, sourceName);
        return kConvertCannotOpen;
    }
    const WAVEFORMATEX in = source.Format();
    if (in.nSamplesPerSec == rate && in.wBitsPerSample == bits) {
        ShowMessage(kMsgNothingToDo, MsgIcon::Information);
        return kConvertNothingToDo;
    }
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        CWaveFile::ReportFileError(kErrResolution, destinationName);
        return kConvertBadResolution;
    }
    const bool resample = in.nSamplesPerSec != rate;
    const double ratio = static_cast<double>(rate) / std::max<uint32_t>(in.nSamplesPerSec, 1);
    if (resample && (rate == 0 || in.nSamplesPerSec == 0 || ratio > kMaxRatio || ratio < 1.0 / kMaxRatio)) {
        ShowMessage(kMsgResampleFailed, MsgIcon::Exclamation);
        return kConvertResampleFailed;
    }
    // Writing over the source would destroy what is being read.
    if (SameFile(sourceName, destinationName)) {
        CWaveFile::ReportFileError(kErrCannotWrite, destinationName);
        return kConvertCannotCreate;
    }

    const int channels = in.nChannels == 2 ? 2 : 1;
    CWaveFile destination(kBlock, kHistory);
    WAVEFORMATEX outFormat = MakeWaveFormat(kWaveFormatPcm, static_cast<uint16_t>(channels), rate, bits);
    std::error_code ec;
    const bool existed = std::filesystem::exists(destinationName, ec) || ec;
    rc = destination.OpenWrite(destinationName, outFormat, kWriteCreate);
    if (rc != kFileOk) {
        // A file the attempt made is removed again; one that was there before is not ours to delete.
        if (!existed) ::unlink(destinationName.c_str());
        CWaveFile::ReportFileError(rc, destinationName);
        return kConvertCannotCreate;
    }
    destination.SetDither(bits <= 16 ? kDitherType : 0);

    Impl& m = *m_impl;
    const bool veryHigh = quality == 1 || quality == 2;
    // Every way out stops the effects; a failed conversion leaves no destination behind.
    auto finish = [&](int result) {
        for (CRateChannel& c : m.channel) c.Release();
        if (result == kConvertOk && destination.FinishWrite() != kFileOk) {
            CWaveFile::ReportFileError(kErrWrite, destinationName);
            result = kConvertWriteFailed;
        }
        destination.Close();
        source.Close();
        if (result != kConvertOk) ::unlink(destinationName.c_str());
        return result;
    };
    if (resample) {
        for (int c = 0; c < channels; ++c) {
            if (!m.channel[c].Start(in.nSamplesPerSec, rate, veryHigh)) {
                ShowMessage(kMsgResampleFailed, MsgIcon::Exclamation);
                return finish(kConvertResampleFailed);
            }
        }
    }

    const uint32_t frameSamples = kBlock / static_cast<uint32_t>(channels) * static_cast<uint32_t>(channels);
    const uint32_t bytesPerSample = static_cast<uint32_t>(BytesPerSampleOf(outFormat));
    // Interleaves what all channels have ready into the destination's block and writes it.
    auto write = [&](bool all) -> bool {
        size_t frames = m.out[0].size();
        if (channels == 2) frames = std::min(frames, m.out[1].size());
        size_t done = 0;
        while (done < frames) {
            const size_t n = std::min<size_t>(frames - done, frameSamples / static_cast<uint32_t>(channels));
            int32_t* block = destination.BlockStart();
            for (size_t i = 0; i < n; ++i) {
                for (int c = 0; c < channels; ++c) block[i * channels + c] = FromLibrary(m.out[c][done + i]);
            }
            const uint32_t bytes = static_cast<uint32_t>(n * channels) * bytesPerSample;
            if (destination.WriteBlock(bytes) != bytes) return false;
            done += n;
        }
        for (int c = 0; c < channels; ++c) {
            // At the end a channel that gave more than the other has nothing left to pair with.
            if (all) {
                m.out[c].clear();
            } else {
                m.out[c].erase(m.out[c].begin(), m.out[c].begin() + static_cast<std::ptrdiff_t>(frames));
            }
        }
        return true;
    };

    for (int c = 0; c < 2; ++c) {
        m.in[c].resize(kBlock);
        m.out[c].clear();
    }
    const uint32_t length = source.DataLength();
    uint64_t readBytes = 0;
    std::atomic<bool>& cancel = CancelFlag();
    while (readBytes < length) {
        Services().PumpMessages();
        if (cancel.load()) return finish(kConvertCancelled);
        const int64_t got = source.ReadSamples(frameSamples);
        if (got <= 0) break;
        readBytes += static_cast<uint64_t>(got);
        const int32_t* samples = source.BlockStart();
        const size_t frames = static_cast<size_t>(source.EndCursor() - samples) / static_cast<size_t>(channels);
        for (int c = 0; c < channels; ++c) {
            sox_sample_t* dst = m.in[c].data();
            for (size_t i = 0; i < frames; ++i) {
                const int32_t v = std::clamp(samples[i * channels + c], kMin24, kMax24);
                dst[i] = v * kToLibrary;
            }
            if (!resample) {
                m.out[c].insert(m.out[c].end(), dst, dst + frames);
            } else if (!m.channel[c].Flow(dst, frames, m.out[c])) {
                ShowMessage(kMsgResampleFailed, MsgIcon::Exclamation);
                return finish(kConvertResampleFailed);
            }
        }
        if (!write(false)) {
            CWaveFile::ReportFileError(kErrWrite, destinationName);
            return finish(kConvertWriteFailed);
        }
    }
    if (readBytes < length) {
        CWaveFile::ReportFileError(kErrRead, sourceName);
        return finish(kConvertReadFailed);
    }
    if (resample) {
        for (int c = 0; c < channels; ++c) {
            if (!m.channel[c].Drain(m.out[c])) {
                ShowMessage(kMsgResampleFailed, MsgIcon::Exclamation);
                return finish(kConvertResampleFailed);
            }
        }
    }
    if (!write(true)) {
        CWaveFile::ReportFileError(kErrWrite, destinationName);
        return finish(kConvertWriteFailed);
    }
    if (cancel.load()) return finish(kConvertCancelled);
    return finish(kConvertOk);
}
