// Conversion of compressed WAV files (A-law, mu-law, MS and IMA ADPCM, GSM
// 6.10, extensible) into new PCM WAV files through libavcodec.
#pragma once

#include <string>

class CWaveFile;

class CPcmConverter {
public:
    // The body of CWaveFile::ConvertToPcm: destination is in/out (a numbered
    // variant when taken). 0, a file error code, or -1.
    static int Convert(CWaveFile& owner, const std::string& source, std::string& destination);
};
