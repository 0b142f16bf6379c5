#include "codecs/PcmConverter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "audiofile/FileError.h"
#include "audiofile/RiffReader.h"
#include "audiofile/WaveFormat.h"
#include "base/Services.h"
#include "codecs/PcmSink.h"

namespace {

constexpr uint16_t kTagAdpcmMs = 2;
constexpr uint16_t kTagALaw = 6;
constexpr uint16_t kTagMuLaw = 7;
constexpr uint16_t kTagImaAdpcm = 17;
constexpr uint16_t kTagGsm610 = 49;
constexpr uint16_t kTagExtensible = 0xFFFE;

// Read sizes beyond this are not the sample blocks of this program; the default is used instead.
constexpr size_t kMaxReadBytes = size_t{4} << 20;
constexpr size_t kDefaultReadBytes = 4 * 4096;

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

struct SourceFormat {
    uint16_t tag = 0;  // the subformat's tag for an extensible format
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    std::vector<uint8_t> extra;  // codec-specific bytes after the fixed fields
};

// False when the chunk is too short for what it claims to be.
bool ParseFormat(const std::vector<uint8_t>& fmt, SourceFormat& out) {
    if (fmt.size() < 16) return false;
    const uint8_t* p = fmt.data();
    out.tag = Le16(p);
    out.channels = Le16(p + 2);
    out.rate = Le32(p + 4);
    out.blockAlign = Le16(p + 12);
    out.bits = Le16(p + 14);
    size_t extSize = 0;
    if (fmt.size() >= 18) {
        extSize = Le16(p + 16);
        if (extSize > fmt.size() - 18) extSize = fmt.size() - 18;
    }
    const uint8_t* ext = p + 18;
    if (out.tag == kTagExtensible) {
        // valid bits (2), channel mask (4), subformat GUID (16) whose first two bytes are the tag
        if (extSize < 22) return false;
        out.tag = Le16(ext + 6);
        out.extra.assign(ext + 22, ext + extSize);
    } else if (extSize > 0) {
        out.extra.assign(ext, ext + extSize);
    }
    return true;
}

AVCodecID DecoderFor(const SourceFormat& f) {
    switch (f.tag) {
        case kWaveFormatPcm:
            switch (f.bits) {
                case 8:
                    return AV_CODEC_ID_PCM_U8;
                case 16:
                    return AV_CODEC_ID_PCM_S16LE;
                case 24:
                    return AV_CODEC_ID_PCM_S24LE;
                case 32:
                    return AV_CODEC_ID_PCM_S32LE;
                default:
                    return AV_CODEC_ID_NONE;
            }
        case kWaveFormatFloat:
            return f.bits == 32 ? AV_CODEC_ID_PCM_F32LE : f.bits == 64 ? AV_CODEC_ID_PCM_F64LE : AV_CODEC_ID_NONE;
        case kTagAdpcmMs:
            return AV_CODEC_ID_ADPCM_MS;
        case kTagALaw:
            return AV_CODEC_ID_PCM_ALAW;
        case kTagMuLaw:
            return AV_CODEC_ID_PCM_MULAW;
        case kTagImaAdpcm:
            return AV_CODEC_ID_ADPCM_IMA_WAV;
        case kTagGsm610:
            return AV_CODEC_ID_GSM_MS;
        default:
            return AV_CODEC_ID_NONE;
    }
}

// Block codecs decode one block per packet; the rest take any whole number of frames.
bool IsBlockCodec(AVCodecID id) {
    return id == AV_CODEC_ID_ADPCM_MS || id == AV_CODEC_ID_ADPCM_IMA_WAV || id == AV_CODEC_ID_GSM_MS;
}

struct Decoder {
    AVCodecContext* ctx = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    Decoder() = default;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&ctx);
    }
};

// The PCM layout written for the decoder's natural sample format.
enum class OutKind { None, U8, S16, S24, S32, F32, F64ToF32 };

OutKind OutKindFor(const AVCodecContext* ctx) {
    switch (av_get_packed_sample_fmt(ctx->sample_fmt)) {
        case AV_SAMPLE_FMT_U8:
            return OutKind::U8;
        case AV_SAMPLE_FMT_S16:
            return OutKind::S16;
        case AV_SAMPLE_FMT_S32:
            return ctx->bits_per_raw_sample > 0 && ctx->bits_per_raw_sample <= 24 ? OutKind::S24 : OutKind::S32;
        case AV_SAMPLE_FMT_FLT:
            return OutKind::F32;
        case AV_SAMPLE_FMT_DBL:
            return OutKind::F64ToF32;
        default:
            return OutKind::None;
    }
}

int OutBits(OutKind k) {
    switch (k) {
        case OutKind::U8:
            return 8;
        case OutKind::S16:
            return 16;
        case OutKind::S24:
            return 24;
        default:
            return 32;
    }
}

// Interleaves one decoded frame into file bytes (appended to out).
void FrameToBytes(const AVFrame* frame, int channels, OutKind kind, std::vector<uint8_t>& out) {
    const bool planar = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame->format)) != 0;
    const int inSize = av_get_bytes_per_sample(static_cast<AVSampleFormat>(frame->format));
    const int outSize = OutBits(kind) / 8;
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(frame->nb_samples) * channels * outSize);
    uint8_t* dst = out.data() + start;
    for (int i = 0; i < frame->nb_samples; ++i) {
        for (int c = 0; c < channels; ++c) {
            const uint8_t* src = planar ? frame->extended_data[c] + static_cast<size_t>(i) * inSize
                                        : frame->extended_data[0] + (static_cast<size_t>(i) * channels + c) * inSize;
            switch (kind) {
                case OutKind::S24: {
                    int32_t v;
                    std::memcpy(&v, src, 4);
                    const uint32_t u = static_cast<uint32_t>(v) >> 8;  // the top three bytes
                    dst[0] = static_cast<uint8_t>(u);
                    dst[1] = static_cast<uint8_t>(u >> 8);
                    dst[2] = static_cast<uint8_t>(u >> 16);
                    break;
                }
                case OutKind::F64ToF32: {
                    double d;
                    std::memcpy(&d, src, 8);
                    const float f = static_cast<float>(d);
                    std::memcpy(dst, &f, 4);
                    break;
                }
                default:  // native little-endian samples of the output width
                    std::memcpy(dst, src, outSize);
                    break;
            }
            dst += outSize;
        }
    }
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

int CPcmConverter::Convert(const std::string& source, IPcmSink& sink, size_t readBytes) {
    // Damaged blocks are skipped silently; the library must not print on a GUI program's behalf.
    static const bool quiet = (av_log_set_level(AV_LOG_QUIET), true);
    (void)quiet;

    CRiffReader::Header header;
    int rc = CRiffReader::ReadHeader(source, header);
    if (rc != kFileOk) return rc;
    WAVEFORMATEX described;
    SourceFormat src;
    if (DescribableWaveFormat(header.fmt, described) != kFileOk || !ParseFormat(header.fmt, src)) return kErrFormat;

    const AVCodecID codecId = DecoderFor(src);
    const AVCodec* codec = codecId == AV_CODEC_ID_NONE ? nullptr : avcodec_find_decoder(codecId);
    if (!codec || src.rate == 0 || src.rate > 1000000) return -1;

    Decoder dec;
    dec.ctx = avcodec_alloc_context3(codec);
    dec.packet = av_packet_alloc();
    dec.frame = av_frame_alloc();
    if (!dec.ctx || !dec.packet || !dec.frame) return -1;
    dec.ctx->sample_rate = static_cast<int>(src.rate);
    av_channel_layout_default(&dec.ctx->ch_layout, src.channels);
    dec.ctx->block_align = src.blockAlign;
    dec.ctx->bits_per_coded_sample = src.bits;
    if (!src.extra.empty()) {
        dec.ctx->extradata = static_cast<uint8_t*>(av_mallocz(src.extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!dec.ctx->extradata) return -1;
        std::memcpy(dec.ctx->extradata, src.extra.data(), src.extra.size());
        dec.ctx->extradata_size = static_cast<int>(src.extra.size());
    }
    if (avcodec_open2(dec.ctx, codec, nullptr) < 0) return -1;
    const OutKind kind = OutKindFor(dec.ctx);
    const int channels = dec.ctx->ch_layout.nb_channels;
    if (kind == OutKind::None || channels < 1 || channels > 2 || dec.ctx->sample_rate <= 0) return -1;

    std::unique_ptr<std::FILE, FileCloser> in(std::fopen(source.c_str(), "rb"));
    if (!in) return kErrCannotOpen;
    if (fseeko(in.get(), static_cast<off_t>(header.dataOffset), SEEK_SET) != 0) return kErrSeek;

    const bool outFloat = kind == OutKind::F32 || kind == OutKind::F64ToF32;
    if (!sink.Begin(MakeWaveFormat(outFloat ? kWaveFormatFloat : kWaveFormatPcm, static_cast<uint16_t>(channels),
                                   static_cast<uint32_t>(dec.ctx->sample_rate),
                                   static_cast<uint16_t>(OutBits(kind))))) {
        return -1;
    }

    // Reads of readBytes, kept to whole blocks so that no block straddles two reads.
    const size_t align = src.blockAlign > 0 ? src.blockAlign : 1;
    size_t chunk = readBytes > 0 && readBytes <= kMaxReadBytes ? readBytes : kDefaultReadBytes;
    chunk = chunk < align ? align : chunk / align * align;
    const size_t packetSize = IsBlockCodec(codecId) ? align : chunk;

    std::vector<uint8_t> buffer(chunk);
    std::vector<uint8_t> pcm;
    uint64_t remaining = header.dataAvailable;
    bool decodedAny = false;
    IServices& services = Services();

    // Drains every frame the decoder has ready; a block it rejects is skipped.
    auto drain = [&]() -> int {
        for (;;) {
            int ret = avcodec_receive_frame(dec.ctx, dec.frame);
            if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF || ret == AVERROR_INVALIDDATA) return 0;
            if (ret < 0) return -1;
            if (dec.frame->ch_layout.nb_channels != channels) {
                av_frame_unref(dec.frame);
                return -1;
            }
            pcm.clear();
            FrameToBytes(dec.frame, channels, kind, pcm);
            av_frame_unref(dec.frame);
            if (pcm.empty()) continue;
            if (!sink.Write(pcm.data(), pcm.size())) return kErrWrite;
            decodedAny = true;
        }
    };

    while (remaining > 0) {
        if (CancelFlag().load()) return -1;
        const size_t want = remaining < chunk ? static_cast<size_t>(remaining) : chunk;
        const size_t got = std::fread(buffer.data(), 1, want, in.get());
        if (got < want && std::ferror(in.get())) return kErrRead;
        if (got == 0) break;
        remaining -= got;
        if (services.ProgressIsOpen()) {
            services.ProgressSetPos(static_cast<int>((header.dataAvailable - remaining) * 100 / header.dataAvailable));
        }
        for (size_t pos = 0; pos < got; pos += packetSize) {
            const size_t size = got - pos < packetSize ? got - pos : packetSize;
            if (av_new_packet(dec.packet, static_cast<int>(size)) < 0) return -1;
            std::memcpy(dec.packet->data, buffer.data() + pos, size);
            int ret = avcodec_send_packet(dec.ctx, dec.packet);
            if (ret == AVERROR(EAGAIN)) {  // frames still waiting: take them, then the packet fits
                if ((ret = drain()) != 0) return ret;
                ret = avcodec_send_packet(dec.ctx, dec.packet);
            }
            av_packet_unref(dec.packet);
            if (ret < 0 && ret != AVERROR_INVALIDDATA) return -1;
            if ((ret = drain()) != 0) return ret;
        }
        if (got < want) break;
        services.PumpMessages();
    }
    if (avcodec_send_packet(dec.ctx, nullptr) >= 0) {
        if ((rc = drain()) != 0) return rc;
    }
    if (CancelFlag().load()) return -1;
    // Source data of which not one block decoded is a failure, not an empty success.
    if (header.dataAvailable > 0 && !decodedAny) return -1;
    return kFileOk;
}
