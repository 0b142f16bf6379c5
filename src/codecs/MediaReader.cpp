#include "codecs/MediaReader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "audiofile/CodecRegistry.h"
#include "audiofile/WaveProbe.h"
#include "base/StringTable.h"
#include "codecs/MediaDecoder.h"
#include "codecs/MediaEncoder.h"
#include "codecs/WaveSink.h"

namespace {

enum class WmaCheck { Ok, NotOpened, Streams, Format };

// The song's length in frames: what our encoder wrote down, else the container's duration (which
// is rounded to milliseconds); 0 when neither is known.
uint64_t WmaFrames(const AVFormatContext* format, const AVStream* audio) {
    if (const AVDictionaryEntry* e = av_dict_get(format->metadata, kWmaFramesTag, nullptr, 0)) {
        char* end = nullptr;
        const unsigned long long frames = std::strtoull(e->value, &end, 10);
        if (end != e->value && *end == '\0') return frames;
    }
    if (format->duration <= 0) return 0;
    return static_cast<uint64_t>(
        std::llround(static_cast<double>(format->duration) * audio->codecpar->sample_rate / AV_TIME_BASE));
}

// A WMA is decoded only when it is one audio stream the library can decode; frames is its length.
WmaCheck CheckWma(const std::string& path, uint64_t& frames) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return WmaCheck::NotOpened;
    AVFormatContext* format = nullptr;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", "asf", 0);
    const std::string url = "file:" + path;
    const int opened = avformat_open_input(&format, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) return WmaCheck::NotOpened;
    WmaCheck result = WmaCheck::Format;
    if (avformat_find_stream_info(format, nullptr) >= 0) {
        int outputs = 0;
        const AVStream* audio = nullptr;
        for (unsigned i = 0; i < format->nb_streams; ++i) {
            const AVStream* s = format->streams[i];
            if (s->disposition & AV_DISPOSITION_ATTACHED_PIC) continue;  // cover art is no output
            const AVMediaType type = s->codecpar->codec_type;
            if (type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO) continue;
            ++outputs;
            if (type == AVMEDIA_TYPE_AUDIO) audio = s;
        }
        if (outputs != 1) {
            result = WmaCheck::Streams;
        } else if (audio && avcodec_find_decoder(audio->codecpar->codec_id) && audio->codecpar->sample_rate > 0 &&
                   audio->codecpar->ch_layout.nb_channels > 0) {
            result = WmaCheck::Ok;
            frames = WmaFrames(format, audio);
        }
    }
    avformat_close_input(&format);
    return result;
}

}  // namespace

bool ReadWmaFile(const std::string& source, const std::string& target) {
    uint64_t frames = 0;
    switch (CheckWma(source, frames)) {
        case WmaCheck::Ok:
            break;
        case WmaCheck::NotOpened:
            return false;
        case WmaCheck::Streams:
            ShowMessage(kMsgMultipleStreams, MsgIcon::Stop);
            return false;
        case WmaCheck::Format:
            ShowMessage(kMsgUnsupportedWma, MsgIcon::Stop);
            return false;
    }
    CWaveSink sink(target, CWaveSink::Existing::Replace);
    // The codec's last frame is padded out beyond the song's end.
    if (CMediaDecoder::Decode(source, sink, frames) != 0) return false;
    return sink.Finish() == 0;
}

int DecodeToWave(const std::string& source, const std::string& target) {
    if (CWaveProbe::TypeOf(source) == kTypeWma) return ReadWmaFile(source, target) ? 0 : -1;
    ICodecRegistry* codecs = CodecRegistry();
    if (!codecs) return -1;
    // The registry never replaces a file: the caller has agreed to that already.
    ::unlink(target.c_str());
    return codecs->DecodeToWave(source, target, 1 << 16) == 0 ? 0 : -1;
}
