// Ripping straight to MP3: each track's audio goes into the encoder library
// and becomes an MP3 named like the wave it replaces, tagged with the track's
// title, artist, album and number when the title lookup gave them.
#pragma once

#include <memory>
#include <string>

#include "cd/CdTrackReader.h"
#include "codecs/AudioTags.h"
#include "codecs/Mp3Encoder.h"

class CSettingsStore;

class CMp3RipSink : public ICdAudioSink {
public:
    // Null (message shown) when the library cannot be loaded or the file cannot be opened.
    static std::unique_ptr<ICdAudioSink> Open(const std::string& path, const CSettingsStore& store,
                                              const AudioTags& tags);
    // Finishes the file unless it was abandoned.
    ~CMp3RipSink() override;

    bool Write(const uint8_t* data, size_t bytes) override;
    void Abandon() override;

private:
    explicit CMp3RipSink(const Mp3Options& options) : m_encoder(options) {}

    CMp3Encoder m_encoder;
    bool m_open = false;
};

// Registers CMp3RipSink as the CD ripper's MP3 output, with the program-wide settings.
void InstallMp3Ripping();
