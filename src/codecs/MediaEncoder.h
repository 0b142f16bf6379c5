// A whole wave to a WMA (v1 or v2, in ASF) or FLAC file through FFmpeg,
// with the song's tags as the container's metadata.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "codecs/AudioTags.h"
#include "codecs/Mp3Writer.h"

// The metadata entry in which a WMA of ours carries the song's length in frames: the codec pads
// the last frame out, by up to 2047 frames.
inline constexpr const char* kWmaFramesTag = "RestovaFrames";

struct WmaFormat {
    int bitRate;  // kbit/s
    int rate;     // Hz
    int channels;
};

class CMediaEncoder {
public:
    // The WMA codecs the codec dialog lists ("Windows Media Audio 1", ...), by WMACodecIdx.
    static const std::vector<std::string>& WmaCodecNames();
    // The formats of one codec, by WMAFormatIdx.
    static const std::vector<WmaFormat>& WmaFormats(int codecIdx);
    // The text a format shows in the dialog ("128 kbps, 44 kHz, stereo").
    static std::string DescribeFormat(const WmaFormat& format);

    // WMA with codec codecIdx and format formatIdx (out-of-range indexes take the first). Messages
    // 226 (no encoder) and 230 (a source the format cannot take: more channels than it has).
    static EncodeResult WriteWma(const std::string& source, const std::string& target, int codecIdx, int formatIdx,
                                 const AudioTags& tags);
    // WMA at about bitRate kbit/s with the source's rate and channels.
    static EncodeResult WriteWmaAt(const std::string& source, const std::string& target, int bitRate,
                                   const AudioTags& tags);
    // FLAC of the source's rate and channels, 16 or 24 bits as the source has.
    static EncodeResult WriteFlac(const std::string& source, const std::string& target, const AudioTags& tags);
};
