// MP3 encoding through an encoder library of the BladeEnc-style interface,
// loaded at run time (normally our librestova-lame). The encoder state lives
// here: the library and its calls, the configuration record, the stream, and
// the chunk buffers between the caller's blocks and the library's chunks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "audiofile/WaveFormat.h"
#include "codecs/AudioTags.h"
#include "codecs/EncoderAbi.h"
#include "codecs/Mp3Options.h"

class CMp3Encoder {
public:
    // The file our library is built as; every library name of the set-up maps to it.
    static constexpr const char* kLibraryFile = "librestova-lame.so";

    explicit CMp3Encoder(const Mp3Options& options);
    ~CMp3Encoder();
    CMp3Encoder(const CMp3Encoder&) = delete;
    CMp3Encoder& operator=(const CMp3Encoder&) = delete;

    // The library name the set-up's encoder type asks for ("lame_enc.dll" ...).
    static const char* LibraryNameFor(int encoderType);
    // The file that stands for that name here, or empty when none does.
    static std::string LibraryFileFor(int encoderType);
    // Where the library is looked for, in order: the system's search path, the encoder program's
    // folder, then the folder of the running program.
    static std::vector<std::string> LibraryCandidates(const Mp3Options& options);

    // Loads the library and its calls (messages 1470, 1472 when it cannot).
    bool LoadEncoderLibrary();
    bool Loaded() const { return m_lib != nullptr; }
    const std::string& LibraryPath() const { return m_libPath; }
    int BitRate() const { return m_bitRate; }

    // Mono output from a stereo source: the channels are mixed before encoding.
    void SetForceMono(bool on) { m_forceMono = on; }
    // Tags for the next stream; left out when the library has no tag call.
    void SetTags(const AudioTags& tags) { m_tags = tags; }

    // The record beInitStream gets for this source.
    std::vector<uint8_t> ConfigRecord(const WAVEFORMATEX& source) const;

    // Opens path for writing and starts a stream for 16-bit PCM of format source.
    bool OpenEncodeStream(const std::string& path, const WAVEFORMATEX& source);
    // count bytes of 16-bit PCM in the source's format, in whole frames.
    bool EncodeSamples(const void* bytes, size_t count);
    // Encodes the rest, flushes, closes the file, writes the length header, ends the stream.
    bool CloseEncodeStream();
    // Ends the stream and removes the unfinished file.
    void Abandon();

private:
    bool EncodeChunk(const int16_t* samples, uint32_t count);
    bool WriteOut(uint32_t bytes);
    void EndStream();
    void Unload();

    Mp3Options m_options;
    int m_bitRate;
    bool m_forceMono = false;
    AudioTags m_tags;
    void* m_lib = nullptr;
    std::string m_libPath;
    encoder_abi::InitStreamFn m_init = nullptr;
    encoder_abi::EncodeChunkFn m_encode = nullptr;
    encoder_abi::DeinitStreamFn m_deinit = nullptr;
    encoder_abi::CloseStreamFn m_close = nullptr;
    encoder_abi::VersionFn m_version = nullptr;
    encoder_abi::WriteVbrHeaderFn m_writeVbr = nullptr;
    encoder_abi::SetTagsFn m_setTags = nullptr;

    bool m_streamOpen = false;
    encoder_abi::Stream m_stream = 0;
    uint32_t m_chunkSamples = 0;
    std::vector<int16_t> m_in;
    size_t m_inFill = 0;
    std::vector<uint8_t> m_out;
    std::FILE* m_file = nullptr;
    std::string m_path;
    bool m_mixToMono = false;
    int m_sourceChannels = 2;
};
