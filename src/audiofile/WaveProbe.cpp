#include "audiofile/WaveProbe.h"

#include <cctype>

#include "audiofile/CodecRegistry.h"
#include "audiofile/FileError.h"
#include "audiofile/RiffReader.h"
#include "audiofile/WaveFormat.h"

namespace {

int DescribeWave(const std::string& fileName, WaveFileInfo& info) {
    CRiffReader::Header h;
    const int rc = CRiffReader::ReadHeader(fileName, h);
    if (rc != kFileOk) return rc;
    WAVEFORMATEX f;
    if (EditableWaveFormat(h.fmt, f) == kFileOk) {
        info.dataBytes = h.UsableData(f.nBlockAlign);
        const double bytesPerSecond = static_cast<double>(f.nChannels) * BytesPerSampleOf(f) * f.nSamplesPerSec;
        info.duration = bytesPerSecond > 0 ? info.dataBytes / bytesPerSecond : 0.0;
    } else if (DescribableWaveFormat(h.fmt, f) == kFileOk) {
        // Any other coding is described, not opened.
        info.dataBytes = h.UsableData(0);
        info.duration = f.nAvgBytesPerSec > 0 ? static_cast<double>(info.dataBytes) / f.nAvgBytesPerSec : 0.0;
    } else {
        return kErrFormat;
    }
    info.formatTag = f.wFormatTag;
    info.channels = f.nChannels;
    info.rate = f.nSamplesPerSec;
    info.blockAlign = f.nBlockAlign;
    info.bits = f.wBitsPerSample;
    info.typeName = FormatTagName(f.wFormatTag);
    return kFileOk;
}

}  // namespace

int CWaveProbe::TypeOf(const std::string& fileName) {
    const size_t slash = fileName.find_last_of('/');
    const size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return kTypeUnknown;
    std::string ext = fileName.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (ext == "WAV") return kTypeWav;
    if (ext == "MP3") return kTypeMp3;
    if (ext == "WMA") return kTypeWma;
    if (ext == "AIF" || ext == "AIFF") return kTypeAiff;
    return kTypeUnknown;
}

int CWaveProbe::Describe(const std::string& fileName, WaveFileInfo& info) {
    info = WaveFileInfo{};
    info.typeName = "Unknown";
    const int type = TypeOf(fileName);
    int rc = kFileOk;
    if (type == kTypeWav) {
        rc = DescribeWave(fileName, info);
    } else {
        // Other types are for the codecs; what none of them knows keeps the type's own error.
        ICodecRegistry* codecs = CodecRegistry();
        rc = codecs ? codecs->Describe(fileName, info) : kErrBadType;
        if (rc == kErrBadType) rc = type == kTypeUnknown ? kErrBadType : kErrTypeUnsupported;
    }
    if (rc != kFileOk) info = WaveFileInfo{0, 0, 0, 0, 0, 0, 0.0, "Unknown"};
    return rc;
}
