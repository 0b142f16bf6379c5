#include "codecs/Mp3Encoder.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <new>

#include "audiofile/FileNames.h"
#include "base/StringTable.h"

using namespace encoder_abi;

namespace {

std::string RunningProgramFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

template <class Fn>
Fn Lookup(void* lib, const char* name) {
    return reinterpret_cast<Fn>(dlsym(lib, name));
}

}  // namespace

CMp3Encoder::CMp3Encoder(const Mp3Options& options) : m_options(options), m_bitRate(options.LibraryBitRate()) {}

CMp3Encoder::~CMp3Encoder() {
    Abandon();
    Unload();
}

const char* CMp3Encoder::LibraryNameFor(int encoderType) {
    switch (encoderType) {
        case Mp3Options::kBladeEnc:
            return "BladeEnc.dll";
        case Mp3Options::kOggVorbis:
            return "ogg.dll";
        default:
            return "lame_enc.dll";
    }
}

std::string CMp3Encoder::LibraryFileFor(int encoderType) {
    // Our library speaks both configuration layouts; there is no Ogg Vorbis library of this kind.
    return encoderType == Mp3Options::kOggVorbis ? std::string() : std::string(kLibraryFile);
}

std::vector<std::string> CMp3Encoder::LibraryCandidates(const Mp3Options& options) {
    const std::string file = LibraryFileFor(options.encoderType);
    if (file.empty()) return {};
    std::vector<std::string> candidates = {file};
    // A bare program name has no folder of its own to search.
    if (options.encoderPath.find('/') != std::string::npos) {
        candidates.push_back(FolderOf(options.encoderPath) + "/" + file);
    }
    const std::string programFolder = RunningProgramFolder();
    if (!programFolder.empty()) candidates.push_back(programFolder + "/" + file);
    return candidates;
}

void CMp3Encoder::Unload() {
    if (m_lib) dlclose(m_lib);
    m_lib = nullptr;
    m_libPath.clear();
    m_init = nullptr;
    m_encode = nullptr;
    m_deinit = nullptr;
    m_close = nullptr;
    m_version = nullptr;
    m_writeVbr = nullptr;
    m_setTags = nullptr;
}

bool CMp3Encoder::LoadEncoderLibrary() {
    Abandon();
    Unload();
    for (const std::string& candidate : LibraryCandidates(m_options)) {
        m_lib = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_lib) {
            m_libPath = candidate;
            break;
        }
    }
    if (!m_lib) {
        ShowMessage(kMsgCannotLoadEncoder, MsgIcon::Exclamation);
        return false;
    }
    m_init = Lookup<InitStreamFn>(m_lib, "beInitStream");
    m_encode = Lookup<EncodeChunkFn>(m_lib, "beEncodeChunk");
    m_deinit = Lookup<DeinitStreamFn>(m_lib, "beDeinitStream");
    m_close = Lookup<CloseStreamFn>(m_lib, "beCloseStream");
    m_version = Lookup<VersionFn>(m_lib, "beVersion");
    m_writeVbr = Lookup<WriteVbrHeaderFn>(m_lib, "beWriteVBRHeader");
    m_setTags = Lookup<SetTagsFn>(m_lib, "beSetTags");
    if (!m_init || !m_encode || !m_deinit || !m_close || !m_version) {
        Unload();
        ShowMessage(kMsgEncoderInterfaces, MsgIcon::Exclamation);
        return false;
    }
    Version version;
    m_version(&version);
    return true;
}

std::vector<uint8_t> CMp3Encoder::ConfigRecord(const WAVEFORMATEX& source) const {
    std::vector<uint8_t> r(kConfigSize, 0);
    const bool mono = m_forceMono || source.nChannels == 1;
    if (m_options.encoderType == Mp3Options::kLame) {
        PutU32(&r[0], kConfigLame);
        PutU32(&r[kLameVersion], 1);
        PutU32(&r[kLameSize], kConfigSize);
        PutU32(&r[kLameRate], source.nSamplesPerSec);
        PutU32(&r[kLameResample], 0);
        PutU32(&r[kLameMode], mono ? kModeMono : kModeJointStereo);
        PutU32(&r[kLameBitRate], static_cast<uint32_t>(m_bitRate));
        PutU32(&r[kLameQuality], 2);
        PutU32(&r[kLameMpegVersion], 1);
        PutU32(&r[kLameOriginal], 1);
        PutU32(&r[kLameInfoFrame], 1);
    } else {
        PutU32(&r[0], kConfigMp3);
        PutU32(&r[kMp3Rate], source.nSamplesPerSec);
        r[kMp3Mode] = static_cast<uint8_t>(mono ? kModeMono : kModeStereo);
        r[kMp3BitRate] = static_cast<uint8_t>(m_bitRate & 0xff);
        r[kMp3BitRate + 1] = static_cast<uint8_t>(m_bitRate >> 8);
    }
    return r;
}

bool CMp3Encoder::OpenEncodeStream(const std::string& path, const WAVEFORMATEX& source) {
    Abandon();
    if (!m_lib && !LoadEncoderLibrary()) return false;
    if (source.wBitsPerSample != 16 || source.nChannels < 1 || source.nChannels > 2) return false;
    m_file = std::fopen(path.c_str(), "wb+");
    if (!m_file) {
        ShowMessage(kMsgWriteError, MsgIcon::Exclamation, MsgButtons::Ok, path);
        return false;
    }
    m_path = path;
    const std::vector<uint8_t> record = ConfigRecord(source);
    uint32_t outBytes = 0;
    const uint32_t rc = m_init(record.data(), &m_chunkSamples, &outBytes, &m_stream);
    if (rc != kOk || m_chunkSamples == 0) {
        ShowMessage(kMsgEncodeStreamError, MsgIcon::Exclamation, MsgButtons::Ok, {std::to_string(rc)});
        std::fclose(m_file);
        m_file = nullptr;
        ::unlink(m_path.c_str());
        return false;
    }
    m_streamOpen = true;
    m_sourceChannels = source.nChannels;
    m_mixToMono = m_forceMono && source.nChannels == 2;
    try {
        m_out.assign(outBytes, 0);
        m_in.assign(m_chunkSamples, 0);
    } catch (const std::bad_alloc&) {
        ShowMessage(kMsgAllocFailed, MsgIcon::Exclamation);
        Abandon();
        return false;
    }
    m_inFill = 0;
    if (m_setTags && !m_tags.Empty()) {
        m_setTags(m_stream, m_tags.title.c_str(), m_tags.artist.c_str(), m_tags.album.c_str(), m_tags.track);
    }
    return true;
}

bool CMp3Encoder::WriteOut(uint32_t bytes) {
    return bytes == 0 || std::fwrite(m_out.data(), 1, bytes, m_file) == bytes;
}

bool CMp3Encoder::EncodeChunk(const int16_t* samples, uint32_t count) {
    uint32_t written = 0;
    if (m_encode(m_stream, count, samples, m_out.data(), &written) != kOk) return false;
    return written <= m_out.size() && WriteOut(written);
}

bool CMp3Encoder::EncodeSamples(const void* bytes, size_t count) {
    if (!m_streamOpen) return false;
    const auto* p = static_cast<const uint8_t*>(bytes);
    const size_t frameBytes = 2 * static_cast<size_t>(m_sourceChannels);
    for (size_t at = 0; at + frameBytes <= count; at += frameBytes) {
        int16_t frame[2];
        std::memcpy(frame, p + at, frameBytes);
        if (m_mixToMono) {
            m_in[m_inFill++] = static_cast<int16_t>((frame[0] + frame[1]) / 2);
        } else {
            for (int c = 0; c < m_sourceChannels; ++c) m_in[m_inFill++] = frame[c];
        }
        if (m_inFill == m_chunkSamples) {
            m_inFill = 0;
            if (!EncodeChunk(m_in.data(), m_chunkSamples)) return false;
        }
    }
    return true;
}

bool CMp3Encoder::CloseEncodeStream() {
    if (!m_streamOpen) return false;
    bool ok = m_inFill == 0 || EncodeChunk(m_in.data(), static_cast<uint32_t>(m_inFill));
    m_inFill = 0;
    uint32_t written = 0;
    ok = ok && m_deinit(m_stream, m_out.data(), &written) == kOk && WriteOut(written);
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    // The length header is written for constant bit rates too: it tells decoders the encoder's
    // delay and padding, so the song decodes to its own length.
    if (ok && m_writeVbr) ok = m_writeVbr(m_path.c_str()) == kOk;
    EndStream();
    if (!ok) {
        ::unlink(m_path.c_str());
        ShowMessage(kMsgWriteError, MsgIcon::Exclamation, MsgButtons::Ok, m_path);
    }
    return ok;
}

void CMp3Encoder::EndStream() {
    if (m_streamOpen) m_close(m_stream);
    m_streamOpen = false;
    m_stream = 0;
}

void CMp3Encoder::Abandon() {
    EndStream();
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
        ::unlink(m_path.c_str());
    }
}
