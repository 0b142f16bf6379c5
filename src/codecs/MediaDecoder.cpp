#include "codecs/MediaDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "audiofile/FileError.h"
#include "audiofile/WaveFormat.h"
#include "audiofile/WaveProbe.h"
#include "base/Services.h"
#include "codecs/PcmSink.h"

namespace {

// Demuxers of audio files only: playlists and other formats that would open further files or
// URLs named inside the input are never used on a file given to us.
constexpr const char* kAudioDemuxers =
    "aac,ac3,aiff,amr,ape,asf,au,caf,dts,eac3,flac,gsm,matroska,mov,mp3,mpc,mpc8,ogg,tta,voc,w64,wav,wv";

struct Input {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* resampler = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    int stream = -1;
    Input() = default;
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;
    ~Input() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        swr_free(&resampler);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
    const AVCodecParameters* Params() const { return format->streams[stream]->codecpar; }
};

// Opens path's best audio stream (and its decoder when asked). 0, 103 or 4.
int Open(const std::string& path, Input& in, bool decoder) {
    // The library must not print on a GUI program's behalf.
    static const bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
    (void)quiet;
    std::error_code ec;
    // A FIFO or a device would block the reader.
    if (!std::filesystem::is_regular_file(path, ec)) return kErrCannotOpen;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", kAudioDemuxers, 0);
    const std::string url = "file:" + path;
    const int opened = avformat_open_input(&in.format, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) return opened == AVERROR(EACCES) || opened == AVERROR(ENOENT) ? kErrCannotOpen : kErrBadType;
    if (avformat_find_stream_info(in.format, nullptr) < 0) return kErrBadType;
    const AVCodec* codec = nullptr;
    in.stream = av_find_best_stream(in.format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (in.stream < 0 || !codec) return kErrBadType;
    const AVCodecParameters* par = in.Params();
    if (par->sample_rate <= 0 || par->sample_rate > 1000000 || par->ch_layout.nb_channels <= 0) return kErrBadType;
    if (!decoder) return kFileOk;
    in.codec = avcodec_alloc_context3(codec);
    if (!in.codec || avcodec_parameters_to_context(in.codec, par) < 0 || avcodec_open2(in.codec, codec, nullptr) < 0) {
        return kErrBadType;
    }
    return kFileOk;
}

// Lossless integer codings keep their width (up to 24 bits); float ones are the lossy codecs.
uint16_t OutBits(AVSampleFormat format, int rawBits) {
    switch (av_get_packed_sample_fmt(format)) {
        case AV_SAMPLE_FMT_S32:
        case AV_SAMPLE_FMT_S64:
            return rawBits > 0 && rawBits <= 16 ? 16 : 24;
        default:
            return 16;
    }
}

uint16_t OutChannels(int channels) {
    return channels >= 2 ? 2 : 1;
}

// The decoded audio as interleaved bytes, handed to sink block by block.
class CPcmOut {
public:
    CPcmOut(Input& in, IPcmSink& sink, uint16_t channels, uint16_t bits)
        : m_in(in), m_sink(sink), m_channels(channels), m_bits(bits) {}

    bool Start() {
        AVChannelLayout outLayout;
        av_channel_layout_default(&outLayout, m_channels);
        AVChannelLayout inLayout;
        if (m_in.codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            av_channel_layout_default(&inLayout, m_in.codec->ch_layout.nb_channels);
        } else if (av_channel_layout_copy(&inLayout, &m_in.codec->ch_layout) < 0) {
            return false;
        }
        const int made = swr_alloc_set_opts2(
            &m_in.resampler, &outLayout, m_bits == 16 ? AV_SAMPLE_FMT_S16 : AV_SAMPLE_FMT_S32, m_in.codec->sample_rate,
            &inLayout, m_in.codec->sample_fmt, m_in.codec->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        av_channel_layout_uninit(&outLayout);
        return made >= 0 && swr_init(m_in.resampler) >= 0;
    }

    // One decoded frame (null: what the resampler still holds).
    bool Put(const AVFrame* frame) {
        if (frame && (frame->format != m_in.codec->sample_fmt ||
                      frame->ch_layout.nb_channels != m_in.codec->ch_layout.nb_channels)) {
            return false;  // a format change mid-stream: not one wave
        }
        const int samples = frame ? frame->nb_samples : 0;
        const int room = swr_get_out_samples(m_in.resampler, samples);
        if (room <= 0) return true;
        m_bytes.resize(static_cast<size_t>(room) * m_channels * 4);
        uint8_t* dst = m_bytes.data();
        const int got = swr_convert(m_in.resampler, &dst, room,
                                    frame ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, samples);
        if (got < 0) return false;
        const uint64_t left = m_maxFrames > 0 ? m_maxFrames - std::min(m_maxFrames, m_frames) : UINT64_MAX;
        const auto frames = static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(got), left));
        m_frames += frames;
        const size_t values = frames * m_channels;
        if (m_bits == 24) {
            // The top three bytes of each 32-bit value, packed in place.
            for (size_t i = 0; i < values; ++i) {
                const uint8_t* v = m_bytes.data() + 4 * i;
                uint8_t* p = m_bytes.data() + 3 * i;
                const uint8_t b1 = v[1], b2 = v[2], b3 = v[3];
                p[0] = b1;
                p[1] = b2;
                p[2] = b3;
            }
        }
        const size_t bytes = values * (m_bits / 8);
        if (bytes > 0 && !m_sink.Write(m_bytes.data(), bytes)) return false;
        m_any = m_any || bytes > 0;
        return true;
    }

    bool Any() const { return m_any; }
    // What comes after this many frames is dropped (0: nothing is).
    void SetMaxFrames(uint64_t frames) { m_maxFrames = frames; }

private:
    Input& m_in;
    IPcmSink& m_sink;
    uint16_t m_channels;
    uint16_t m_bits;
    std::vector<uint8_t> m_bytes;
    bool m_any = false;
    uint64_t m_frames = 0;
    uint64_t m_maxFrames = 0;
};

}  // namespace

int CMediaDecoder::Describe(const std::string& path, WaveFileInfo& info) {
    Input in;
    const int rc = Open(path, in, false);
    if (rc != kFileOk) return rc;
    const AVCodecParameters* par = in.Params();
    info.channels = OutChannels(par->ch_layout.nb_channels);
    info.rate = static_cast<uint32_t>(par->sample_rate);
    info.bits = OutBits(static_cast<AVSampleFormat>(par->format), par->bits_per_raw_sample);
    info.blockAlign = static_cast<uint16_t>(info.channels * info.bits / 8);
    info.formatTag = 0;
    const AVStream* stream = in.format->streams[in.stream];
    if (in.format->duration > 0) {
        info.duration = static_cast<double>(in.format->duration) / AV_TIME_BASE;
    } else if (stream->duration > 0) {
        info.duration = static_cast<double>(stream->duration) * av_q2d(stream->time_base);
    }
    const double bytes = info.duration * info.rate * info.blockAlign;
    const uint32_t most = UINT32_MAX - UINT32_MAX % info.blockAlign;
    const uint64_t frames = static_cast<uint64_t>(info.duration * info.rate + 0.5);
    info.dataBytes = bytes >= most ? most : static_cast<uint32_t>(frames * info.blockAlign);
    std::string name = avcodec_get_name(par->codec_id);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    info.typeName = name;
    return kFileOk;
}

int CMediaDecoder::Decode(const std::string& path, IPcmSink& sink, uint64_t maxFrames) {
    Input in;
    if (Open(path, in, true) != kFileOk) return -1;
    in.packet = av_packet_alloc();
    in.frame = av_frame_alloc();
    if (!in.packet || !in.frame) return -1;
    const uint16_t channels = OutChannels(in.codec->ch_layout.nb_channels);
    const uint16_t bits = OutBits(in.codec->sample_fmt, in.codec->bits_per_raw_sample);
    CPcmOut out(in, sink, channels, bits);
    out.SetMaxFrames(maxFrames);
    if (!out.Start()) return -1;
    if (!sink.Begin(MakeWaveFormat(kWaveFormatPcm, channels, static_cast<uint32_t>(in.codec->sample_rate), bits))) {
        return -1;
    }

    // Every frame the decoder has ready; false when one cannot be taken.
    auto drain = [&]() {
        for (;;) {
            const int ret = avcodec_receive_frame(in.codec, in.frame);
            if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return true;
            if (ret < 0) return ret == AVERROR_INVALIDDATA;  // a damaged frame is skipped
            const bool ok = out.Put(in.frame);
            av_frame_unref(in.frame);
            if (!ok) return false;
        }
    };

    IServices& services = Services();
    const AVStream* stream = in.format->streams[in.stream];
    const double seconds = in.format->duration > 0 ? static_cast<double>(in.format->duration) / AV_TIME_BASE : 0.0;
    int lastPercent = -1;
    // A read error ends the input: what was decoded before it is kept, as for a cut file.
    while (av_read_frame(in.format, in.packet) >= 0) {
        if (CancelFlag().load()) return -2;
        bool ok = true;
        if (in.packet->stream_index == in.stream) {
            const int sent = avcodec_send_packet(in.codec, in.packet);
            ok = (sent >= 0 || sent == AVERROR_INVALIDDATA) && drain();
            if (seconds > 0 && in.packet->pts != AV_NOPTS_VALUE && services.ProgressIsOpen()) {
                const double at = static_cast<double>(in.packet->pts) * av_q2d(stream->time_base);
                const int percent = std::clamp(static_cast<int>(at * 100 / seconds), 0, 100);
                if (percent != lastPercent) services.ProgressSetPos(percent);
                lastPercent = percent;
            }
        }
        av_packet_unref(in.packet);
        if (!ok) return -1;
        services.PumpMessages();
    }
    if (CancelFlag().load()) return -2;
    if (avcodec_send_packet(in.codec, nullptr) < 0 || !drain() || !out.Put(nullptr)) return -1;
    return out.Any() ? 0 : -1;
}
