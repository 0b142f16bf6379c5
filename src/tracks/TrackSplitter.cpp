#include "tracks/TrackSplitter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "processing/FileReports.h"
#include "tracks/SongDocument.h"

namespace {

constexpr size_t kMaxFileNameBytes = 255;  // one path component on the file systems we write to
const std::string kWaveExtension = ".wav";

enum class Copy { Ok, Failed, Cancelled };

struct FileId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const FileId&) const = default;
};

bool IdOf(const std::string& path, FileId& id, bool followLinks) {
    struct stat st;
    if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) return false;
    id = {st.st_dev, st.st_ino};
    return true;
}

std::string InFolder(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// head + tail, with head cut (on a character boundary) so that the whole fits one file name.
std::string FitName(std::string head, const std::string& tail) {
    const size_t room = tail.size() < kMaxFileNameBytes ? kMaxFileNameBytes - tail.size() : 0;
    if (head.size() > room) {
        size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(head[cut]) & 0xC0) == 0x80) --cut;
        head.resize(cut);
    }
    return head + tail;
}

std::string Numbered(const std::string& base, int k, int digits) {
    char number[16];
    std::snprintf(number, sizeof number, "%0*d", digits, k);
    return FitName(base, number + kWaveExtension);
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The character the letter naming gives code c on a Western desktop (Windows-1252, which is
// Latin-1 from 0xA0 on), or 0 when that code shows no character.
uint32_t LetterCharacter(int c) {
    static constexpr uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                                 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    if (c > 0x20 && c < 0x7F && c != '/') return static_cast<uint32_t>(c);
    if (c >= 0x80 && c < 0xA0) return kCp1252High[c - 0x80];
    if (c >= 0xA0 && c <= 0xFF) return static_cast<uint32_t>(c);
    return 0;
}

// A divider name as one harmless path component: no separators or control characters, not
// hidden behind dots alone; empty when nothing usable is left.
std::string SafeComponent(const std::string& name) {
    std::string out = name;
    for (char& ch : out) {
        const auto u = static_cast<unsigned char>(ch);
        if (ch == '/' || u < 0x20 || u == 0x7F) ch = '_';
    }
    if (out.find_first_not_of(". ") == std::string::npos) return {};
    return out;
}

bool FolderIsWritable(const std::string& folder) {
    std::error_code ec;
    return std::filesystem::is_directory(folder, ec) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

// Copies stream bytes [start, end) of source into a new wave at path, in the source's format.
// A file that is not complete is removed again.
Copy CopyPiece(CWaveFile& source, uint32_t start, uint32_t end, const std::string& path, std::vector<uint8_t>& buffer,
               uint64_t total) {
    IServices& ui = Services();
    WAVEFORMATEX fmt = source.Format();
    CWaveFile out(16, 0);
    if (out.OpenWrite(path, fmt, kWriteCreate) != kFileOk) {
        ::unlink(path.c_str());
        return Copy::Failed;
    }
    Copy result = Copy::Ok;
    if (source.Seek(start, 0) != static_cast<int64_t>(start)) {
        ShowMessage(kMsgSeekMismatch, MsgIcon::Stop);
        result = Copy::Failed;
    }
    uint32_t at = start;
    while (result == Copy::Ok && at < end) {
        const int64_t want = std::min<int64_t>(static_cast<int64_t>(buffer.size()), end - at);
        const int64_t got = source.Read(buffer.data(), want);
        if (got <= 0 || out.Write(buffer.data(), got) != got) {
            result = Copy::Failed;
            break;
        }
        at += static_cast<uint32_t>(got);
        ui.ProgressSetPos(static_cast<int>(static_cast<uint64_t>(at) * 100 / std::max<uint64_t>(total, 1)));
        ui.PumpMessages();
        if (CancelFlag().load()) result = Copy::Cancelled;
    }
    if (result == Copy::Ok && out.FinishWrite() != kFileOk) result = Copy::Failed;
    out.Close();
    if (result != Copy::Ok) ::unlink(path.c_str());
    return result;
}

}  // namespace

std::string CTrackSplitter::PieceFileName(int naming, const std::string& base, int k, uint32_t count,
                                          const DividerBlock& dividers) {
    switch (naming) {
        case kNamingLetters: {
            const uint32_t letter = LetterCharacter('a' + k - 1);
            // Past the codes that show a character the plain number keeps the name valid.
            if (letter == 0) return Numbered(base, k, 0);
            std::string tail;
            AppendUtf8(tail, letter);
            return FitName(base, tail + kWaveExtension);
        }
        case kNamingDividers: {
            if (k < 1 || k > static_cast<int>(std::min<uint32_t>(count, kMaxDividers))) return Numbered(base, k, 2);
            const std::string name = SafeComponent(dividers.Name(k - 1));
            if (name.empty()) return Numbered(base, k, 2);
            return FitName(name, kWaveExtension);
        }
        case kNamingPlain:
            return Numbered(base, k, 0);
        default:
            return Numbered(base, k, count > 99 ? 3 : 2);
    }
}

CTrackSplitter::Result CTrackSplitter::SplitIntoTracks(const std::string& source, const std::string& destinationFolder,
                                                       bool keepSource, int naming, std::vector<std::string>* names,
                                                       bool cdAlign) {
    CancelFlag().store(false);
    auto wave = std::make_unique<CWaveFile>(16, 0);
    wave->SetSessionMode(true);
    UseWindowFor(wave->Session());
    const int rc = ReportOpening(*wave, wave->OpenRead(source), source);
    if (rc != kFileOk) {
        wave->Session().DiscardSession(true);
        return Result::Failed;
    }
    CEditQueue& session = wave->Session();
    const uint32_t length = wave->DataLength();
    auto dividers = std::make_unique<DividerBlock>();
    uint32_t count = 0;
    session.GetDividers(*dividers, count);
    count = std::min<uint32_t>(count, kMaxDividers);
    auto finish = [&](Result result, bool deleteSource) {
        wave->Close();
        if (deleteSource) {
            session.DiscardSession(false);
            ::unlink(source.c_str());
            ::unlink(PeakFileName(source).c_str());
        } else {
            session.DiscardSession(true);
        }
        return result;
    };
    if (count == 0) return finish(Result::NoDividers, false);

    std::vector<uint32_t> ends;
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t position = dividers->records[i].position;
        if (cdAlign) position = position / kCdSectorBytes * kCdSectorBytes;
        ends.push_back(wave->AlignToFrame(std::min(position, length)));
    }
    ends.push_back(length);

    if (!FolderIsWritable(destinationFolder)) {
        std::error_code ec;
        std::filesystem::create_directories(destinationFolder, ec);
        if (!FolderIsWritable(destinationFolder)) {
            ShowMessage(kMsgCannotCreateFolder, MsgIcon::Stop);
            return finish(Result::Failed, false);
        }
    }

    // Files this split must never overwrite: the source, the files of its session's steps (which the
    // stream reads, or which go with the session), and the tracks it has written.
    std::vector<FileId> keep;
    FileId id;
    if (IdOf(source, id, true)) keep.push_back(id);
    for (const CQueEdit& step : session.Steps()) {
        if (!step.fileName.empty() && IdOf(step.fileName, id, true)) keep.push_back(id);
    }
    auto mustKeep = [&](const std::string& path) {
        FileId found;
        return IdOf(path, found, false) && std::find(keep.begin(), keep.end(), found) != keep.end();
    };

    IServices& ui = Services();
    const std::string base = FileTitle(source);
    std::vector<uint8_t> buffer(kCopyBlockBytes);
    std::vector<std::string> written;
    uint32_t s = 0;
    for (uint32_t k = 0; k <= count; ++k) {
        const uint32_t e = ends[k];
        if (e <= s || e - s < kSmallestPieceBytes) continue;  // joins the next piece
        std::string path =
            InFolder(destinationFolder, PieceFileName(naming, base, static_cast<int>(k), count, *dividers));
        if (mustKeep(path)) path = NumberedVariant(path);
        if (mustKeep(path)) {
            ShowMessage(kMsgCannotChop, MsgIcon::Stop);
            return finish(Result::Failed, false);
        }
        if (PathExists(path)) {
            if (ShowMessage(kMsgOverwriteTrack, MsgIcon::Question, MsgButtons::YesNo, path) != MsgAnswer::Yes) continue;
            ::unlink(path.c_str());  // a folder stays, and the copy then fails
        }
        ui.ProgressSetText(FormatString(kMsgCreatingFile, FileTitle(path)));
        const Copy copied = CopyPiece(*wave, s, e, path, buffer, length);
        if (copied == Copy::Cancelled) return finish(Result::Cancelled, false);
        if (copied == Copy::Failed) {
            ShowMessage(kMsgCannotChop, MsgIcon::Stop);
            return finish(Result::Failed, false);
        }
        if (IdOf(path, id, false)) keep.push_back(id);
        written.push_back(path);
        if (names) names->push_back(path);
        s = e;
    }

    // The source goes only when all of its audio is in track files that are safely on the disk.
    bool deleteSource = !keepSource && s == length;
    for (size_t i = 0; deleteSource && i < written.size(); ++i) deleteSource = SyncPath(written[i]);
    return finish(Result::Done, deleteSource);
}

CTrackSplitter::Result CTrackSplitter::ChopIntoTunes(CSongDocument& song, const std::string& bin2Path) {
    if (!song.IsOpen()) return Result::Failed;
    if (ShowMessage(kMsgConfirmChop, MsgIcon::Question, MsgButtons::OkCancel) != MsgAnswer::Ok) {
        return Result::Declined;
    }
    const std::string path = song.Path();
    // The split reads the dividers from the file: the ones on screen must be stored first. Steps left
    // from an earlier opening count as changes too, or closing would drop them uncommitted.
    if (!song.SaveDividers()) return Result::Failed;
    if (song.SessionMode() && song.Wave().Session().Steps().size() > 1) song.SetModified();
    if (!song.Close(true, true)) return Result::Failed;
    IServices& ui = Services();
    ui.ProgressOpen(0, 100, LoadString(kMsgChopTitle));
    const Result result = SplitIntoTracks(path, bin2Path, false, kNamingDividers, nullptr, false);
    ui.ProgressClose();
    return result;
}

void CTrackSplitter::ShowChopped() {
    ShowMessage(kMsgChopped, MsgIcon::Information);
}
