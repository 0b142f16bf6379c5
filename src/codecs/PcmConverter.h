// Conversion of compressed WAV files (A-law, mu-law, MS and IMA ADPCM, GSM
// 6.10, extensible) into new PCM WAV files through libavcodec.
#pragma once

#include <string>

class CWaveFile;

class CPcmConverter {
public:
    // The body of CWaveFile::ConvertToPcm, writing through owner (4 x its block
    // length of source bytes per read). destination is in/out: a numbered
    // variant when the name is taken. 0; the reader's file error code when the
    // source cannot be read (1/2 on write/read errors while converting); -1 for
    // an unknown format, a destination that cannot be created, a decoder that
    // cannot start, nothing decodable, or cancel. No partial file is left behind.
    static int Convert(CWaveFile& owner, const std::string& source, std::string& destination);
};
