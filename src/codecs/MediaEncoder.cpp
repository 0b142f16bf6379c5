#include "codecs/MediaEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "audiofile/FileError.h"
#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "codecs/WaveSource.h"

namespace {

struct Output {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* resampler = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    AVStream* stream = nullptr;
    Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        swr_free(&resampler);
        avcodec_free_context(&codec);
        if (format) {
            if (format->pb) avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

struct Target {
    const char* container;
    const char* codec;
    int bitRate;   // kbit/s, 0 for lossless
    int rate;      // 0: the source's
    int channels;  // 0: the source's
    // The decoder drops the first frame it decodes: a frame of silence goes first, so that no
    // audio is lost with it. The last frame is padded out; the song's true length goes into the
    // file (kWmaFramesTag) for the reader to cut it back.
    bool leadFrame = false;
};

void SetTags(AVDictionary** metadata, const AudioTags& tags) {
    if (!tags.title.empty()) av_dict_set(metadata, "title", tags.title.c_str(), 0);
    if (!tags.artist.empty()) av_dict_set(metadata, "artist", tags.artist.c_str(), 0);
    if (!tags.album.empty()) av_dict_set(metadata, "album", tags.album.c_str(), 0);
    if (tags.track > 0) av_dict_set(metadata, "track", std::to_string(tags.track).c_str(), 0);
}

// Sends frame (null: the end) and writes every packet the encoder has ready.
bool SendAndWrite(Output& out, const AVFrame* frame) {
    if (avcodec_send_frame(out.codec, frame) < 0) return false;
    for (;;) {
        const int rc = avcodec_receive_packet(out.codec, out.packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) return false;
        av_packet_rescale_ts(out.packet, out.codec->time_base, out.stream->time_base);
        out.packet->stream_index = out.stream->index;
        if (av_interleaved_write_frame(out.format, out.packet) < 0) return false;
    }
}

// Converts what the resampler holds into frames of the encoder's size; flush also sends the rest.
bool Drain(Output& out, int frameSize, int64_t& pts, bool flush) {
    while (flush || swr_get_out_samples(out.resampler, 0) >= frameSize) {
        av_frame_unref(out.frame);
        out.frame->nb_samples = frameSize;
        out.frame->format = out.codec->sample_fmt;
        if (av_channel_layout_copy(&out.frame->ch_layout, &out.codec->ch_layout) < 0) return false;
        out.frame->sample_rate = out.codec->sample_rate;
        if (av_frame_get_buffer(out.frame, 0) < 0) return false;
        const int got = swr_convert(out.resampler, out.frame->data, frameSize, nullptr, 0);
        if (got < 0) return false;
        if (got == 0) break;
        out.frame->nb_samples = got;
        out.frame->pts = pts;
        pts += got;
        if (!SendAndWrite(out, out.frame)) return false;
        if (got < frameSize && flush) break;
    }
    return true;
}

EncodeResult Encode(const std::string& source, const std::string& target, const Target& t, const AudioTags& tags,
                    MsgId noEncoder, MsgId badSource) {
    CWaveSource wave;
    const int rc = wave.Open(source);
    if (rc != kFileOk) {
        CWaveFile::ReportFileError(rc, source);
        return kEncodeFailed;
    }
    const WAVEFORMATEX src = wave.Format();
    const int rate = t.rate ? t.rate : static_cast<int>(src.nSamplesPerSec);
    const int channels = t.channels ? t.channels : src.nChannels;
    Output out;
    const AVCodec* codec = avcodec_find_encoder_by_name(t.codec);
    if (!codec || avformat_alloc_output_context2(&out.format, nullptr, t.container, target.c_str()) < 0) {
        ShowMessage(noEncoder, MsgIcon::Stop);
        return kEncodeFailed;
    }
    out.codec = avcodec_alloc_context3(codec);
    out.frame = av_frame_alloc();
    out.packet = av_packet_alloc();
    if (!out.codec || !out.frame || !out.packet) {
        ShowMessage(kMsgAllocFailed, MsgIcon::Exclamation);
        return kEncodeFailed;
    }
    out.codec->sample_rate = rate;
    av_channel_layout_default(&out.codec->ch_layout, channels);
    out.codec->time_base = AVRational{1, rate};
    if (t.bitRate > 0) out.codec->bit_rate = int64_t{t.bitRate} * 1000;
    const bool wide = src.wBitsPerSample > 16;
    out.codec->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    if (codec->id == AV_CODEC_ID_FLAC) {
        out.codec->sample_fmt = wide ? AV_SAMPLE_FMT_S32 : AV_SAMPLE_FMT_S16;
        out.codec->bits_per_raw_sample = wide ? 24 : 16;
    }
    if (out.format->oformat->flags & AVFMT_GLOBALHEADER) out.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(out.codec, codec, nullptr) < 0) {
        ShowMessage(badSource, MsgIcon::Stop);
        return kEncodeFailed;
    }
    out.stream = avformat_new_stream(out.format, nullptr);
    if (!out.stream || avcodec_parameters_from_context(out.stream->codecpar, out.codec) < 0) return kEncodeFailed;
    out.stream->time_base = out.codec->time_base;
    SetTags(&out.format->metadata, tags);
    if (t.leadFrame) {
        const uint64_t frames = wave.TotalFrames() * static_cast<uint64_t>(rate) / src.nSamplesPerSec;
        av_dict_set(&out.format->metadata, kWmaFramesTag, std::to_string(frames).c_str(), 0);
    }

    AVChannelLayout inLayout;
    av_channel_layout_default(&inLayout, src.nChannels);
    const int made = swr_alloc_set_opts2(&out.resampler, &out.codec->ch_layout, out.codec->sample_fmt, rate, &inLayout,
                                         AV_SAMPLE_FMT_S32, static_cast<int>(src.nSamplesPerSec), 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    if (made < 0 || swr_init(out.resampler) < 0) return kEncodeFailed;

    if (avio_open(&out.format->pb, target.c_str(), AVIO_FLAG_WRITE) < 0) {
        ShowMessage(kMsgWriteError, MsgIcon::Exclamation, MsgButtons::Ok, target);
        return kEncodeFailed;
    }
    bool ok = avformat_write_header(out.format, nullptr) >= 0;
    const int frameSize = out.codec->frame_size > 0 ? out.codec->frame_size : 4096;
    int64_t pts = 0;
    std::vector<int32_t> block;
    IServices& services = Services();
    int lastPercent = -1;
    bool cancelled = false;
    if (ok && t.leadFrame) {
        block.assign(static_cast<size_t>(frameSize) * src.nChannels, 0);
        const uint8_t* in = reinterpret_cast<const uint8_t*>(block.data());
        ok = swr_convert(out.resampler, nullptr, 0, &in, frameSize) >= 0;
    }
    while (ok && wave.Next24(block)) {
        for (int32_t& v : block) v = static_cast<int32_t>(static_cast<uint32_t>(v) << 8);  // 24-bit scale to 32
        const uint8_t* in = reinterpret_cast<const uint8_t*>(block.data());
        ok = swr_convert(out.resampler, nullptr, 0, &in, static_cast<int>(block.size() / src.nChannels)) >= 0 &&
             Drain(out, frameSize, pts, false);
        if (services.ProgressIsOpen() && wave.Percent() != lastPercent) {
            lastPercent = wave.Percent();
            services.ProgressSetPos(lastPercent);
        }
        services.PumpMessages();
        if (CancelFlag().load()) {
            cancelled = true;
            break;
        }
    }
    if (ok && !cancelled) {
        ok = !wave.Failed() && Drain(out, frameSize, pts, true) && SendAndWrite(out, nullptr) &&
             av_write_trailer(out.format) == 0;
    }
    if (out.format->pb) ok = avio_closep(&out.format->pb) == 0 && ok;
    if (ok && !cancelled) return kEncodeOk;
    ::unlink(target.c_str());
    if (cancelled) return kEncodeCancelled;
    ShowMessage(kMsgWriteError, MsgIcon::Exclamation, MsgButtons::Ok, target);
    return kEncodeFailed;
}

const char* WmaEncoderName(int codecIdx) {
    return codecIdx == 0 ? "wmav1" : "wmav2";
}

}  // namespace

const std::vector<std::string>& CMediaEncoder::WmaCodecNames() {
    static const std::vector<std::string> names = {"Windows Media Audio 1", "Windows Media Audio 2"};
    return names;
}

const std::vector<WmaFormat>& CMediaEncoder::WmaFormats(int codecIdx) {
    (void)codecIdx;  // both codings take the same formats
    static const std::vector<WmaFormat> formats = {
        {192, 44100, 2}, {160, 44100, 2}, {128, 44100, 2}, {96, 44100, 2}, {64, 44100, 2},
        {48, 44100, 2},  {128, 48000, 2}, {96, 48000, 2},  {64, 32000, 2}, {48, 32000, 2},
        {32, 22050, 2},  {64, 44100, 1},  {48, 44100, 1},  {32, 22050, 1},
    };
    return formats;
}

std::string CMediaEncoder::DescribeFormat(const WmaFormat& f) {
    char text[64];
    std::snprintf(text, sizeof text, "%d kbps, %d kHz, %s", f.bitRate, f.rate / 1000,
                  f.channels == 1 ? "mono" : "stereo");
    return text;
}

EncodeResult CMediaEncoder::WriteWma(const std::string& source, const std::string& target, int codecIdx, int formatIdx,
                                     const AudioTags& tags) {
    const int codecs = static_cast<int>(WmaCodecNames().size());
    if (codecIdx < 0 || codecIdx >= codecs) codecIdx = 0;
    const std::vector<WmaFormat>& formats = WmaFormats(codecIdx);
    if (formatIdx < 0 || formatIdx >= static_cast<int>(formats.size())) formatIdx = 0;
    const WmaFormat& f = formats[static_cast<size_t>(formatIdx)];
    return Encode(source, target, {"asf", WmaEncoderName(codecIdx), f.bitRate, f.rate, f.channels, true}, tags,
                  kMsgWmaWriterFailed, kMsgWmaSourceFormat);
}

EncodeResult CMediaEncoder::WriteWmaAt(const std::string& source, const std::string& target, int bitRate,
                                       const AudioTags& tags) {
    return Encode(source, target, {"asf", "wmav2", bitRate, 0, 0, true}, tags, kMsgWmaWriterFailed,
                  kMsgWmaSourceFormat);
}

EncodeResult CMediaEncoder::WriteFlac(const std::string& source, const std::string& target, const AudioTags& tags) {
    return Encode(source, target, {"flac", "flac", 0, 0, 0}, tags, kMsgWmaWriterFailed, kMsgWmaSourceFormat);
}
