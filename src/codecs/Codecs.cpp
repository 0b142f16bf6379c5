#include "codecs/Codecs.h"

#include "audiofile/FileError.h"
#include "audiofile/RiffReader.h"
#include "audiofile/WaveProbe.h"
#include "base/Services.h"
#include "codecs/MediaDecoder.h"
#include "codecs/Mp3Decoder.h"
#include "codecs/PcmConverter.h"
#include "codecs/WaveSink.h"

namespace {

// One decoder's attempt into a fresh sink: 0, the decoder's own failure, or 108 when the wave
// could not be created.
template <class Decode>
int Attempt(const std::string& wavePath, Decode decode) {
    CWaveSink sink(wavePath);
    const int rc = decode(sink);
    if (sink.CreateFailed()) return kErrCannotWrite;
    if (rc != 0) return rc;
    return sink.Finish() == kFileOk ? kFileOk : -1;
}

}  // namespace

CCodecs::CCodecs() : m_replaced(SetCodecRegistry(this)) {}

CCodecs::~CCodecs() {
    if (CodecRegistry() == this) SetCodecRegistry(m_replaced);
}

int CCodecs::Describe(const std::string& path, WaveFileInfo& info) {
    if (CWaveProbe::TypeOf(path) != kTypeMp3) return CMediaDecoder::Describe(path, info);
    // MP3 is libmpg123's; FFmpeg is asked only about what it refuses, and its own verdict stands.
    const int rc = CMp3Decoder::GetInfo(path, info);
    if (rc == kFileOk || CMediaDecoder::Describe(path, info) != kFileOk) return rc;
    return kFileOk;
}

int CCodecs::DecodeToWave(const std::string& path, const std::string& wavePath, size_t readBytes) {
    const int type = CWaveProbe::TypeOf(path);
    // A RIFF wave is this program's own kind of file: its header decides, whatever the name.
    CRiffReader::Header header;
    const int riff = CRiffReader::ReadHeader(path, header);
    if (riff == kErrCannotOpen) return riff;
    int rc = -1;
    if (riff == kFileOk) {
        rc = Attempt(wavePath, [&](IPcmSink& sink) { return CPcmConverter::Convert(path, sink, readBytes); });
    } else if (type == kTypeWav) {
        return riff;  // named a wave, but no header to read
    } else if (type == kTypeMp3) {
        rc = Attempt(wavePath, [&](IPcmSink& sink) { return CMp3Decoder::Decode(path, sink); });
    }
    // Codings the wave converter does not know, MP3 that is not what its name says, and every other
    // type may still be something FFmpeg reads.
    if (rc == -1 && !CancelFlag().load()) {
        rc = Attempt(wavePath, [&](IPcmSink& sink) { return CMediaDecoder::Decode(path, sink); });
    }
    return rc < 0 ? -1 : rc;
}
