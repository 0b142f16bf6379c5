// Bringing files into Bin1: MP3 and WMA decoded, compressed waves converted
// after asking, plain and floating-point waves copied with their companions.
#include <cstring>
#include <filesystem>

#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "base/SettingsStore.h"
#include "base/StringTable.h"
#include "codecs/MediaReader.h"
#include "codecs/Mp3Decoder.h"
#include "shell/BinFolder.h"
#include "shell/PickFiles.h"
#include "shell/SongFiles.h"

namespace {

constexpr const char* kLastOpenTypeKey = "LastOpenType";
constexpr const char* kLastPathKey = "LastPath";

// An existing song of the target's name is replaced only when the user says so.
bool MayWrite(const std::string& target) {
    if (!PathExists(target)) return true;
    return ShowMessage(kMsgOverwriteTrack, MsgIcon::Question, MsgButtons::YesNo, target) == MsgAnswer::Yes;
}

}  // namespace

const std::string& CPickFiles::ImportFilter() {
    return LoadString(kMsgImportFilter);
}

int CPickFiles::LastOpenType() const {
    return m_store.GetProfileInt(kSectionRestova, kLastOpenTypeKey, 0);
}

std::string CPickFiles::LastPath() const {
    return m_store.GetProfileString(kSectionRestova, kLastPathKey);
}

bool CPickFiles::ImportFiles(const std::vector<std::string>& files, int filterIndex) {
    m_lastImported = -1;
    if (files.empty()) return false;
    m_store.WriteProfileInt(kSectionRestova, kLastOpenTypeKey, filterIndex);
    std::string last;
    for (const std::string& file : files) {
        std::string arrived;
        const bool goOn = ImportOne(file, arrived);
        m_store.WriteProfileString(kSectionRestova, kLastPathKey, FolderOf(file));
        if (!arrived.empty()) last = arrived;
        if (!goOn) break;
    }
    FillBin1List();
    if (last.empty()) return false;
    m_lastImported = FindRow(FileNameOf(last));
    if (m_lastImported >= 0) SelectOnly(static_cast<size_t>(m_lastImported));
    return true;
}

bool CPickFiles::ImportOne(const std::string& file, std::string& arrived) {
    const std::string base = FileTitle(file);
    const std::string target = CBinFolder::PathIn(m_settings.Bin1Path, base + ".wav");
    const bool mp3 = HasExtension(file, ".mp3");
    if (mp3 || HasExtension(file, ".wma")) {
        if (!MayWrite(target)) return true;
        if (!DecodeInto(file, target, mp3)) return false;
        arrived = target;
        return true;
    }
    WaveFileInfo info;
    const int rc = CWaveFile::FileInfo(file, info, true);
    if (rc != kFileOk) {
        CWaveFile::ReportFileError(rc, file);
        return true;
    }
    if (info.formatTag != 1 && info.formatTag != 3) return ConvertInto(file, base, arrived);
    // The bin's own file needs no copy of itself.
    std::error_code ec;
    if (std::filesystem::weakly_canonical(file, ec) == std::filesystem::weakly_canonical(target, ec)) {
        arrived = target;
        return true;
    }
    if (!MayWrite(target)) return true;
    const int err = CSongFiles::CopySong(file, target);
    if (err > 0)
        ShowMessage(kMsgCopyFailed, MsgIcon::Stop, MsgButtons::Ok, {file, std::to_string(err), std::strerror(err)});
    if (err == 0) arrived = target;
    return true;
}

bool CPickFiles::DecodeInto(const std::string& file, const std::string& target, bool mp3) {
    IServices& ui = Services();
    ui.ProgressOpen(0, 100, FormatString(mp3 ? kMsgConvertingMp3 : kMsgConvertingWma, file));
    const bool ok = mp3 ? CMp3Decoder::DecodeMp3File(file, target) >= 0 : ReadWmaFile(file, target);
    ui.ProgressClose();
    if (ok) return true;
    ShowMessage(mp3 ? kMsgMp3ConvertFailed : kMsgWmaConvertFailed, MsgIcon::Stop);
    return false;
}

bool CPickFiles::ConvertInto(const std::string& file, const std::string& base, std::string& arrived) {
    if (ShowMessage(kMsgConvertCompressed, MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes) return true;
    std::string target = CBinFolder::PathIn(m_settings.Bin1Path, base + "_pcm.wav");
    CWaveFile converter;
    if (converter.ConvertToPcm(file, target) != 0) {
        ShowMessage(kMsgCompressedConvertFailed, MsgIcon::Stop);
        return false;
    }
    arrived = target;
    return true;
}
