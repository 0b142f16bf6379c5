// A player that "plays" a streamed preview by writing every block it is
// handed into a WAV file, at once and never waiting. The command line's
// --preview-to and the tests use it in place of the sound card.
#pragma once

#include <cstdint>
#include <string>

#include "audiofile/WaveFile.h"
#include "devices/PreviewPlayer.h"

class CFilePreviewPlayer : public IPreviewPlayer {
public:
    explicit CFilePreviewPlayer(std::string path);
    // Finishes the file when a stream is still open.
    ~CFilePreviewPlayer() override;
    CFilePreviewPlayer(const CFilePreviewPlayer&) = delete;
    CFilePreviewPlayer& operator=(const CFilePreviewPlayer&) = delete;

    // Creates the file (replacing one that exists) in format; lengthBytes is one pass of the stream.
    bool StartStream(CWaveFile& block, const WAVEFORMATEX& format, uint32_t lengthBytes) override;
    // Appends count interleaved samples; false when stopped, cancelled or the write failed.
    bool TakeBlock(const int32_t* samples, size_t count) override;
    int State() const override { return m_state; }
    // Bytes written since the stream started.
    uint64_t PlayPosition() const override { return m_position; }
    void SetLoop(bool on) override { m_loop = on; }
    bool Loop() const override { return m_loop; }
    // Finishes the file (its sizes written) and stops.
    void Stop() override;
    void ForgetStream() override;

    // 0 while every block was written and the file finished, else the first file error code.
    int Result() const { return m_result; }
    const std::string& Path() const { return m_path; }
    // The pass length StartStream was given (bytes).
    uint32_t StreamLength() const { return m_length; }

private:
    std::string m_path;
    CWaveFile m_file;
    CWaveFile* m_block = nullptr;
    int m_state = kPlayerStopped;
    uint64_t m_position = 0;
    uint32_t m_length = 0;
    int m_result = kFileOk;
    bool m_loop = false;
    bool m_open = false;
};
