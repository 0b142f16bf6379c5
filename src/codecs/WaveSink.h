// A decoder's output written into a new PCM wave, which is removed again
// unless the decoding finished.
#pragma once

#include <cstdint>
#include <string>

#include "audiofile/WaveFile.h"
#include "codecs/PcmSink.h"

class CWaveSink : public IPcmSink {
public:
    enum class Existing { Refuse, Replace };
    // A wave at path (an existing file is refused, or replaced once decoding begins); at most
    // maxBytes of data.
    explicit CWaveSink(std::string path, Existing existing = Existing::Refuse,
                       uint64_t maxBytes = CWaveFile::kDefaultPartLimit);
    ~CWaveSink() override;
    CWaveSink(const CWaveSink&) = delete;
    CWaveSink& operator=(const CWaveSink&) = delete;

    bool Begin(const WAVEFORMATEX& format) override;
    bool Write(const void* bytes, size_t count) override;
    // Completes the wave; 0, 1 when it could not be written (it is removed then).
    int Finish();

    // True when the wave could not be created (the name was taken, or no file could be made there).
    bool CreateFailed() const { return m_createFailed; }
    uint64_t BytesWritten() const { return m_written; }

private:
    void Discard();

    std::string m_path;
    Existing m_existing;
    uint64_t m_maxBytes;
    CWaveFile m_wave;
    bool m_open = false;
    bool m_finished = false;
    bool m_createFailed = false;
    uint64_t m_written = 0;
};
