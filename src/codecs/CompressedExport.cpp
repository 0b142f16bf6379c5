#include "codecs/CompressedExport.h"

#include <sys/stat.h>

#include <cerrno>

#include "audiofile/FileNames.h"
#include "base/AppSettings.h"
#include "base/Services.h"
#include "base/StringTable.h"
#include "codecs/MediaEncoder.h"
#include "codecs/Mp3Encoder.h"
#include "codecs/Mp3Writer.h"

namespace {

struct Kind {
    const char* folder;
    const char* ext;
    MsgId noFolder, converting, created;
};

constexpr Kind kMp3{"Mp3Files", ".mp3", kMsgNoMp3Folder, kMsgMp3Converting, kMsgMp3Created};
constexpr Kind kWma{"WmaFiles", ".wma", kMsgNoWmaFolder, kMsgWmaConverting, kMsgWmaCreated};
constexpr Kind kFlac{"FlacFiles", ".flac", kMsgNoFlacFolder, kMsgFlacConverting, kMsgFlacCreated};

std::string FolderFor(const AppSettings& settings, const Kind& kind) {
    return settings.Bin3Path + "/" + kind.folder;
}

// Encodes every song with encode(source, target); the shared frame of both actions.
ExportResult RunBatch(const std::vector<ExportSong>& songs, const AppSettings& settings, const Kind& kind,
                      const std::function<EncodeResult(const ExportSong&, const std::string&)>& encode) {
    ExportResult result;
    result.folder = FolderFor(settings, kind);
    if (::mkdir(result.folder.c_str(), 0777) != 0 && errno != EEXIST) {
        ShowMessage(kind.noFolder, MsgIcon::Stop);
        return result;
    }
    if (songs.empty()) {
        ShowMessage(kMsgNoFilesSelected, MsgIcon::Information);
        return result;
    }
    IServices& services = Services();
    services.ProgressOpen(0, 100, "");
    CancelFlag().store(false);
    for (const ExportSong& song : songs) {
        if (CancelFlag().load()) break;
        const std::string target = result.folder + "/" + FileTitle(song.path) + kind.ext;
        services.ProgressSetText(FillIn(LoadString(kind.converting), {FileNameOf(song.path)}));
        services.ProgressSetPos(0);
        const EncodeResult rc = encode(song, target);
        if (rc == kEncodeOk) ++result.written;
        if (rc == kEncodeFailed) ++result.failed;
        services.PumpMessages();
    }
    services.ProgressClose();
    result.cancelled = CancelFlag().load();
    if (!result.cancelled &&
        ShowMessage(kind.created, MsgIcon::Question, MsgButtons::YesNo, {result.folder}) == MsgAnswer::Yes) {
        services.OpenDocument(result.folder);
    }
    return result;
}

}  // namespace

ExportResult CreateMp3Files(const std::vector<ExportSong>& songs, const AppSettings& settings, CSettingsStore& store) {
    const Mp3Options options = Mp3Options::Load(store);
    // One library for the whole run; a library that cannot load is told once.
    CMp3Encoder encoder(options);
    bool libraryTried = false;
    return RunBatch(songs, settings, kMp3, [&](const ExportSong& song, const std::string& target) {
        if (!options.useDll) return WriteMp3File(song.path, target, options, song.tags);
        if (!libraryTried) {
            libraryTried = true;
            encoder.LoadEncoderLibrary();
        }
        if (!encoder.Loaded()) return kEncodeFailed;
        return WriteMp3File(song.path, target, options, song.tags, &encoder);
    });
}

ExportResult CreateWmaFiles(const std::vector<ExportSong>& songs, AppSettings& settings, CSettingsStore& store,
                            const WmaCodecChooser& chooser) {
    if (Mp3Options::Load(store).flacOutput) {
        return RunBatch(songs, settings, kFlac, [](const ExportSong& song, const std::string& target) {
            return CMediaEncoder::WriteFlac(song.path, target, song.tags);
        });
    }
    bool asked = false;
    return RunBatch(songs, settings, kWma, [&](const ExportSong& song, const std::string& target) {
        if (!asked && chooser) {
            int codec = settings.WMACodecIdx;
            int format = settings.WMAFormatIdx;
            if (chooser(codec, format)) {
                settings.WMACodecIdx = codec;
                settings.WMAFormatIdx = format;
            }
        }
        asked = true;
        return CMediaEncoder::WriteWma(song.path, target, settings.WMACodecIdx, settings.WMAFormatIdx, song.tags);
    });
}

bool ShowMp3Folder(const AppSettings& settings) {
    return Services().OpenDocument(FolderFor(settings, kMp3));
}

bool ShowWmaFolder(const AppSettings& settings, const CSettingsStore& store) {
    return Services().OpenDocument(FolderFor(settings, Mp3Options::Load(store).flacOutput ? kFlac : kWma));
}
