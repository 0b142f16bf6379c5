// Conversion of compressed WAV files (A-law, mu-law, MS and IMA ADPCM, GSM
// 6.10, extensible) into PCM through libavcodec.
#pragma once

#include <cstddef>
#include <string>

class IPcmSink;

class CPcmConverter {
public:
    // Decodes the compressed wave source into sink, in the natural width of its coding (float for
    // float codings), reading readBytes of source data at a time. 0; the reader's file error code
    // when the source cannot be read (1/2 on write/read errors while converting); -1 for an unknown
    // format, a decoder that cannot start, a sink that refuses, nothing decodable, or cancel.
    static int Convert(const std::string& source, IPcmSink& sink, size_t readBytes);
};
