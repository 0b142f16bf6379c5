// librestova-lame: the program's MP3 encoder library. It offers the
// BladeEnc-style calls over libmp3lame, so that the program loads it at run
// time like any encoder library of that interface.
#include <lame/lame.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>

#include "codecs/EncoderAbi.h"

using namespace encoder_abi;

#define RESTOVA_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr uint32_t kMagic = 0x524c4d45;
constexpr uint32_t kFrameSamples = 1152;

struct EncoderStream {
    uint32_t magic = kMagic;
    lame_global_flags* lame = nullptr;
    int channels = 2;
    bool started = false;  // lame_init_params done; tags can no longer change
    bool failed = false;
};

std::mutex g_lastMutex;
EncoderStream* g_last = nullptr;  // the stream deinitialised last, for the length header

EncoderStream* FromHandle(Stream handle) {
    auto* s = reinterpret_cast<EncoderStream*>(handle);
    return s != nullptr && s->magic == kMagic ? s : nullptr;
}

// Parameters take effect on the first chunk, so that tags set after opening still lead the stream.
bool Start(EncoderStream& s) {
    if (!s.started) {
        s.started = true;
        s.failed = lame_init_params(s.lame) < 0;
    }
    return !s.failed;
}

bool Configure(const uint8_t* config, lame_global_flags* lame, int& channels) {
    const uint32_t kind = GetU32(config);
    uint32_t rate = 0;
    uint32_t mode = 0;
    uint32_t bitRate = 0;
    if (kind == kConfigLame) {
        rate = GetU32(config + kLameRate);
        mode = GetU32(config + kLameMode);
        bitRate = GetU32(config + kLameBitRate);
        if (GetU32(config + kLameResample) != 0)
            lame_set_out_samplerate(lame, static_cast<int>(GetU32(config + kLameResample)));
        switch (GetU32(config + kLameQuality)) {
            case 1:
                lame_set_quality(lame, 7);
                break;
            case 3:
                lame_set_quality(lame, 2);
                break;
            default:
                break;  // the library's own balance of speed and quality
        }
        lame_set_original(lame, GetU32(config + kLameOriginal) != 0);
        if (GetU32(config + kLameVbr) != 0) {
            lame_set_VBR(lame, vbr_default);
            const uint32_t q = GetU32(config + kLameVbrQuality);
            lame_set_VBR_q(lame, q > 9 ? 4 : static_cast<int>(q));
            lame_set_VBR_min_bitrate_kbps(lame, static_cast<int>(bitRate));
            const uint32_t most = GetU32(config + kLameMaxBitRate);
            if (most != 0) lame_set_VBR_max_bitrate_kbps(lame, static_cast<int>(most));
        }
        lame_set_bWriteVbrTag(lame, GetU32(config + kLameInfoFrame) != 0);
    } else if (kind == kConfigMp3) {
        rate = GetU32(config + kMp3Rate);
        mode = config[kMp3Mode];
        bitRate = static_cast<uint32_t>(config[kMp3BitRate] | config[kMp3BitRate + 1] << 8);
        lame_set_bWriteVbrTag(lame, 0);
    } else {
        return false;
    }
    if (rate < 8000 || rate > 48000 || bitRate < 8 || bitRate > 320) return false;
    if (mode != kModeStereo && mode != kModeJointStereo && mode != kModeMono) return false;
    channels = mode == kModeMono ? 1 : 2;
    lame_set_in_samplerate(lame, static_cast<int>(rate));
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, mode == kModeMono ? MONO : (mode == kModeStereo ? STEREO : JOINT_STEREO));
    lame_set_brate(lame, static_cast<int>(bitRate));
    return true;
}

}  // namespace

RESTOVA_EXPORT uint32_t beInitStream(const uint8_t* config, uint32_t* samplesPerChunk, uint32_t* outBytes,
                                     Stream* stream) {
    if (!config || !samplesPerChunk || !outBytes || !stream) return kErrInvalidParameters;
    lame_global_flags* lame = lame_init();
    if (!lame) return kErrNoMoreHandles;
    // ID3v2 only, written at the stream's start; nothing is appended behind the audio.
    id3tag_init(lame);
    id3tag_v2_only(lame);
    lame_set_write_id3tag_automatic(lame, 1);
    int channels = 2;
    if (!Configure(config, lame, channels)) {
        lame_close(lame);
        return kErrInvalidFormat;
    }
    auto* s = new (std::nothrow) EncoderStream;
    if (!s) {
        lame_close(lame);
        return kErrNoMoreHandles;
    }
    s->lame = lame;
    s->channels = channels;
    *samplesPerChunk = kFrameSamples * static_cast<uint32_t>(channels);
    // lame's worst case for a chunk, plus room for the tag that goes out with the first one.
    *outBytes = *samplesPerChunk * 5 / 4 + 7200 + 65536;
    *stream = reinterpret_cast<Stream>(s);
    return kOk;
}

RESTOVA_EXPORT uint32_t beSetTags(Stream handle, const char* title, const char* artist, const char* album, int track) {
    EncoderStream* s = FromHandle(handle);
    if (!s) return kErrInvalidHandle;
    if (s->started) return kErrInvalidParameters;
    id3tag_add_v2(s->lame);
    if (title && *title) id3tag_set_title(s->lame, title);
    if (artist && *artist) id3tag_set_artist(s->lame, artist);
    if (album && *album) id3tag_set_album(s->lame, album);
    if (track > 0) {
        char number[16];
        std::snprintf(number, sizeof number, "%d", track);
        id3tag_set_track(s->lame, number);
    }
    return kOk;
}

RESTOVA_EXPORT uint32_t beEncodeChunk(Stream handle, uint32_t samples, const int16_t* input, uint8_t* output,
                                      uint32_t* written) {
    EncoderStream* s = FromHandle(handle);
    if (!s) return kErrInvalidHandle;
    if (!written || !output || (samples > 0 && !input)) return kErrInvalidParameters;
    *written = 0;
    if (samples > kFrameSamples * static_cast<uint32_t>(s->channels) || samples % s->channels != 0) {
        return kErrInvalidParameters;
    }
    if (!Start(*s)) return kErrInvalidFormat;
    const int frames = static_cast<int>(samples) / s->channels;
    const int room = static_cast<int>(kFrameSamples * s->channels * 5 / 4 + 7200 + 65536);
    int n = s->channels == 2 ? lame_encode_buffer_interleaved(s->lame, const_cast<short*>(input), frames, output, room)
                             : lame_encode_buffer(s->lame, input, input, frames, output, room);
    if (n < 0) return n == -1 ? kErrBufferTooSmall : kErrInvalidFormat;
    *written = static_cast<uint32_t>(n);
    return kOk;
}

RESTOVA_EXPORT uint32_t beDeinitStream(Stream handle, uint8_t* output, uint32_t* written) {
    EncoderStream* s = FromHandle(handle);
    if (!s) return kErrInvalidHandle;
    if (!written || !output) return kErrInvalidParameters;
    *written = 0;
    if (!Start(*s)) return kErrInvalidFormat;
    const int n = lame_encode_flush(s->lame, output, 7200 + 65536);
    if (n < 0) return kErrBufferTooSmall;
    *written = static_cast<uint32_t>(n);
    std::lock_guard<std::mutex> lock(g_lastMutex);
    g_last = s;
    return kOk;
}

RESTOVA_EXPORT uint32_t beCloseStream(Stream handle) {
    EncoderStream* s = FromHandle(handle);
    if (!s) return kErrInvalidHandle;
    {
        std::lock_guard<std::mutex> lock(g_lastMutex);
        if (g_last == s) g_last = nullptr;
    }
    lame_close(s->lame);
    s->magic = 0;
    delete s;
    return kOk;
}

RESTOVA_EXPORT void beVersion(Version* version) {
    if (!version) return;
    std::memset(version, 0, sizeof *version);
    version->dllMajor = 1;
    version->dllMinor = 0;
    lame_version_t v;
    get_lame_version_numerical(&v);
    version->major = static_cast<uint8_t>(v.major);
    version->minor = static_cast<uint8_t>(v.minor);
    version->year = 2026;
    std::snprintf(version->homepage, sizeof version->homepage, "%s", get_lame_url());
}

RESTOVA_EXPORT uint32_t beWriteVBRHeader(const char* path) {
    std::lock_guard<std::mutex> lock(g_lastMutex);
    if (!g_last || !path) return kErrInvalidHandle;
    if (!lame_get_bWriteVbrTag(g_last->lame)) return kOk;  // no frame was reserved for it
    FILE* f = std::fopen(path, "rb+");
    if (!f) return kErrInvalidParameters;
    lame_mp3_tags_fid(g_last->lame, f);
    const bool ok = std::fclose(f) == 0;
    return ok ? kOk : kErrInvalidParameters;
}
