#include "cd/CdFolder.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "base/StringTable.h"
#include "cd/CdPlaylist.h"
#include "cd/SongList.h"
#include "enhance/FormatConverter.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> WavesOf(const std::string& folder) {
    std::vector<std::string> waves;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (HasExtension(it->path().string(), ".wav") && it->is_regular_file(ec)) waves.push_back(it->path().string());
    }
    std::sort(waves.begin(), waves.end());
    return waves;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// Moves temp over file, also across file systems.
bool Replace(const std::string& temp, const std::string& file) {
    std::error_code ec;
    fs::rename(temp, file, ec);
    if (!ec) return true;
    fs::copy_file(temp, file, fs::copy_options::overwrite_existing, ec);
    fs::remove(temp);
    return !ec;
}

}  // namespace

std::string CCdFolder::PlaylistPath(const std::string& folder) {
    return FileInTempDir(folder, CCdPlaylist::kFileName);
}

int CCdFolder::ToStereo(const std::string& source, const std::string& destination) {
    CWaveFile in;
    int rc = in.OpenRead(source);
    if (rc != kFileOk) return rc;
    WAVEFORMATEX fmt = in.Format();
    const int bytes = BytesPerSampleOf(fmt);
    if (fmt.nChannels != 1) return kErrFormat;
    fmt.nChannels = 2;
    fmt.nBlockAlign = static_cast<uint16_t>(2 * bytes);
    fmt.nAvgBytesPerSec = fmt.nSamplesPerSec * fmt.nBlockAlign;
    CWaveFile out;
    rc = out.OpenWrite(destination, fmt, kWriteCreate);
    if (rc != kFileOk) return rc;
    std::vector<uint8_t> mono(static_cast<size_t>(bytes) * 16384), stereo(mono.size() * 2);
    int64_t got;
    while ((got = in.Read(mono.data(), static_cast<int64_t>(mono.size()))) > 0) {
        const size_t frames = static_cast<size_t>(got) / static_cast<size_t>(bytes);
        for (size_t f = 0; f < frames; ++f) {
            const uint8_t* s = &mono[f * bytes];
            std::copy(s, s + bytes, &stereo[f * 2 * bytes]);
            std::copy(s, s + bytes, &stereo[f * 2 * bytes + bytes]);
        }
        const int64_t size = static_cast<int64_t>(frames * 2 * bytes);
        if (out.Write(stereo.data(), size) != size) got = -1;
        if (got < 0) break;
    }
    rc = got < 0 ? kErrWrite : out.FinishWrite();
    out.Close();
    if (rc != kFileOk) std::remove(destination.c_str());
    return rc;
}

int CCdFolder::PrepareWaves(const std::string& folder, const std::string& tempFolder) {
    int failed = 0;
    bool progress = false;
    for (const std::string& file : WavesOf(folder)) {
        WaveFileInfo info;
        if (CWaveFile::FileInfo(file, info, true) != kFileOk) continue;
        const bool mono = info.channels == 1;
        const bool convert = info.rate != 44100 || info.bits != 16 || info.formatTag != 1;
        if (!mono && !convert) continue;
        if (!progress) {
            Services().ProgressOpen(0, 100, LoadString(kMsgConvertingToRedbook));
            progress = true;
        }
        if (mono) {
            const std::string temp = TempWaveName(tempFolder);
            if (ToStereo(file, temp) != kFileOk || !Replace(temp, file)) {
                std::remove(temp.c_str());
                ShowMessage(kMsgStereoConvertFailed, MsgIcon::Stop, MsgButtons::Ok, file);
                ++failed;
                continue;
            }
        }
        if (convert) {
            const std::string temp = TempWaveName(tempFolder);
            CFormatConverter converter;
            if (converter.DoConvert(file, temp, 44100, 16, 1) != CFormatConverter::kConvertOk || !Replace(temp, file)) {
                std::remove(temp.c_str());
                ShowMessage(kMsgCdFormatFailed, MsgIcon::Stop);
                ++failed;
                continue;
            }
        }
        // The old peak file describes other audio.
        std::remove(PeakFileName(file).c_str());
    }
    if (progress) Services().ProgressClose();
    return failed;
}

bool CCdFolder::Reconcile(const std::string& folder, CSongList& list) {
    const std::string playlist = PlaylistPath(folder);
    if (!list.Load(playlist)) {
        list.Save(playlist);
        list.Load(playlist);
    }
    auto& entries = list.Entries();
    std::vector<std::string> seen;
    std::vector<CdPlaylistEntry> kept;
    for (auto& e : entries) {
        const std::string key = Lower(e.path);
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
        seen.push_back(key);
        WaveFileInfo info;
        if (CWaveFile::FileInfo(e.path, info, true) != kFileOk) continue;
        kept.push_back(std::move(e));
    }
    entries = std::move(kept);
    for (const std::string& wave : WavesOf(folder)) {
        const std::string key = Lower(wave);
        if (std::find(seen.begin(), seen.end(), key) != seen.end()) continue;
        seen.push_back(key);
        list.Append(wave);
    }
    return list.Save(playlist);
}
