// The program's codecs as the wave file's codec registry: compressed waves
// through libavcodec, MP3 through libmpg123, and whatever else FFmpeg reads.
// One object at the top of a program's main (and of each test program)
// installs them for as long as it lives.
#pragma once

#include <cstddef>
#include <string>

#include "audiofile/CodecRegistry.h"

class CCodecs : public ICodecRegistry {
public:
    // Installs itself as the registry; the destructor puts back the one it replaced.
    CCodecs();
    ~CCodecs() override;
    CCodecs(const CCodecs&) = delete;
    CCodecs& operator=(const CCodecs&) = delete;

    int Describe(const std::string& path, WaveFileInfo& info) override;
    int DecodeToWave(const std::string& path, const std::string& wavePath, size_t readBytes) override;

private:
    ICodecRegistry* m_replaced;
};
