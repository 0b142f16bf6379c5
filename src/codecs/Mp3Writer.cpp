#include "codecs/Mp3Writer.h"

#include <unistd.h>

#include <vector>

#include "audiofile/FileError.h"
#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "codecs/EncoderCommand.h"
#include "codecs/Mp3Encoder.h"
#include "codecs/WaveSource.h"

namespace {

EncodeResult ThroughLibrary(const std::string& source, const std::string& target, CMp3Encoder& encoder,
                            const AudioTags& tags) {
    CWaveSource wave;
    const int rc = wave.Open(source);
    if (rc != kFileOk) {
        CWaveFile::ReportFileError(rc, source);
        return kEncodeFailed;
    }
    WAVEFORMATEX format = wave.Format();
    format = MakeWaveFormat(kWaveFormatPcm, format.nChannels, format.nSamplesPerSec, 16);
    encoder.SetTags(tags);
    if (!encoder.OpenEncodeStream(target, format)) return kEncodeFailed;
    IServices& services = Services();
    std::vector<int16_t> block;
    int lastPercent = -1;
    while (wave.Next16(block)) {
        if (!encoder.EncodeSamples(block.data(), block.size() * sizeof(int16_t))) {
            encoder.Abandon();
            ShowMessage(kMsgWriteError, MsgIcon::Exclamation, MsgButtons::Ok, target);
            return kEncodeFailed;
        }
        if (services.ProgressIsOpen() && wave.Percent() != lastPercent) {
            lastPercent = wave.Percent();
            services.ProgressSetPos(lastPercent);
        }
        services.PumpMessages();
        if (CancelFlag().load()) {
            encoder.Abandon();
            return kEncodeCancelled;
        }
    }
    if (wave.Failed()) {
        encoder.Abandon();
        CWaveFile::ReportFileError(kErrRead, source);
        return kEncodeFailed;
    }
    return encoder.CloseEncodeStream() ? kEncodeOk : kEncodeFailed;
}

}  // namespace

EncodeResult WriteMp3File(const std::string& source, const std::string& target, const Mp3Options& options,
                          const AudioTags& tags, CMp3Encoder* encoder) {
    if (encoder || options.useDll) {
        CMp3Encoder own(options);
        CMp3Encoder& use = encoder ? *encoder : own;
        if (!use.Loaded() && !use.LoadEncoderLibrary()) return kEncodeFailed;
        return ThroughLibrary(source, target, use, tags);
    }
    const EncoderCommand cmd = BuildEncoderCommand(options, source, target, options.bitRate, 0, options.useVbr);
    if (RunEncoder(options, cmd) != 0) {
        ::unlink(cmd.target.c_str());
        return kEncodeFailed;
    }
    return CancelFlag().load() ? kEncodeCancelled : kEncodeOk;
}
