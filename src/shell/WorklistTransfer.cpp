// Songs into the worklist and on from it to Bin3 and the CD playlist.
#include <cstring>
#include <string>
#include <vector>

#include "audiofile/FileNames.h"
#include "base/AppSettings.h"
#include "base/StringTable.h"
#include "cd/CdFolder.h"
#include "cd/SongList.h"
#include "codecs/Mp3Decoder.h"
#include "shell/BinFolder.h"
#include "shell/SongFiles.h"
#include "shell/WorkList.h"
#include "tracks/TrackSplitter.h"

namespace {

// A song's name in a bin of waves: an MP3 arrives decoded.
std::string WaveName(const std::string& path) {
    const std::string name = FileNameOf(path);
    return HasExtension(name, ".mp3") ? ReplaceExtension(name, ".wav") : name;
}

bool MayReplace(const std::string& target) {
    if (!PathExists(target)) return true;
    return ShowMessage(kMsgOverwriteTrack, MsgIcon::Question, MsgButtons::YesNo, target) == MsgAnswer::Yes;
}

}  // namespace

bool CWorkList::WriteSong(const std::string& source, const std::string& target, int base, int span) {
    IServices& ui = Services();
    ui.ProgressSetText(FormatString(kMsgCopyingFile, FileNameOf(source)));
    if (HasExtension(source, ".mp3")) {
        if (CMp3Decoder::DecodeMp3File(source, target) >= 0) return true;
        ShowMessage(kMsgMp3ConvertFailed, MsgIcon::Stop);
        return false;
    }
    const int err = CSongFiles::CopySong(source, target, [&ui, base, span](uint64_t done, uint64_t total) {
        if (total > 0) ui.ProgressSetPos(base + static_cast<int>(done * static_cast<uint64_t>(span) / total));
    });
    if (err > 0) {
        ShowMessage(kMsgCopyFailed, MsgIcon::Stop, MsgButtons::Ok, {source, std::to_string(err), std::strerror(err)});
    }
    return err == 0;
}

void CWorkList::CopyToWorklist() {
    IServices& ui = Services();
    const size_t count = m_songs.Count();
    ui.ProgressOpen(0, 100 * static_cast<int>(count), LoadString(kMsgPleaseWait));
    std::string last;
    for (size_t i = 0; i < count; ++i) {
        const std::string source = m_songs.Path(i);
        const std::string target = CBinFolder::PathIn(m_folder, WaveName(source));
        const int base = 100 * static_cast<int>(i);
        if (MayReplace(target) && WriteSong(source, target, base, 100)) last = FileNameOf(target);
        ui.ProgressSetPos(base + 100);
    }
    ui.ProgressClose();
    // The song just brought in is the one to work on next.
    FillWorklist();
    const int row = last.empty() ? -1 : FindRow(last);
    if (row >= 0) SelectOnly(static_cast<size_t>(row));
}

void CWorkList::SendToCdWriter() {
    std::vector<size_t> chosen;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].selected) chosen.push_back(i);
    }
    if (chosen.empty()) return;
    IServices& ui = Services();
    ui.ProgressOpen(0, 100 * static_cast<int>(chosen.size()), LoadString(kMsgPleaseWait));
    const std::string bin3 = m_settings.Bin3Path;
    const std::string playlist = CCdFolder::PlaylistPath(bin3);
    // Without a playlist yet the CD starts empty, not with whatever songs were chosen before.
    m_songs.Clear();
    m_songs.Load(playlist);
    for (size_t k = 0; k < chosen.size(); ++k) {
        const std::string source = PathOf(chosen[k]);
        const int base = 100 * static_cast<int>(k);
        if (CSongFiles::DividerCount(source) > 0) {
            std::vector<std::string> tracks;
            CTrackSplitter splitter;
            splitter.SplitIntoTracks(source, bin3, true, CTrackSplitter::kNamingDividers, &tracks, true);
            for (const std::string& track : tracks) m_songs.Append(track);
        } else {
            const std::string target = CBinFolder::PathIn(bin3, WaveName(source));
            if (MayReplace(target) && WriteSong(source, target, base, 100)) m_songs.Append(target);
        }
        ui.ProgressSetPos(base + 100);
    }
    ui.ProgressClose();
    m_songs.Save(playlist);
}
