// The CD writer pane's working side: checking the disc and writing the songs.
#include <vector>

#include "audiofile/FileNames.h"
#include "audiofile/WaveFile.h"
#include "base/AppSettings.h"
#include "base/ProgramPaths.h"
#include "base/SettingsStore.h"
#include "cd/CdBurner.h"

namespace {

constexpr const char* kSectionCDWrite = "CDWrite";
constexpr const char* kImageFolderKey = "ImageFolder";
constexpr const char* kImageName = "Restova CD.cue";

}  // namespace

bool CCdBurner::ImageRecorderSelected() const {
    return m_master && m_recorder >= 0 &&
           &m_master->Recorder(static_cast<size_t>(m_recorder)) == &m_master->ImageRecorder();
}

std::string CCdBurner::DefaultImagePath() const {
    std::string folder = Profile().GetProfileString(kSectionCDWrite, kImageFolderKey);
    if (!CProgramPaths::IsDirectory(folder)) folder = Profile().GetProfileString(kSectionCDRip, "Path");
    if (!CProgramPaths::IsDirectory(folder)) folder = CProgramPaths::MusicFolder();
    if (!CProgramPaths::IsDirectory(folder)) folder = CProgramPaths::HomeFolder();
    return CProgramPaths::Join(folder, kImageName);
}

bool CCdBurner::SetImagePath(const std::string& cuePath) {
    if (!m_master || cuePath.empty()) return false;
    std::string cue = cuePath;
    if (HasExtension(cue, ".bin"))
        cue = ReplaceExtension(cue, ".cue");
    else if (!HasExtension(cue, ".cue"))
        cue += ".cue";
    // A simulated write leaves files alone, so there is nothing to ask about.
    if (!m_simulate) {
        const std::string bin = CImageRecorder::BinPathFor(cue);
        const std::string existing = PathExists(cue) ? cue : PathExists(bin) ? bin : "";
        if (!existing.empty() &&
            ShowMessage(kMsgOverwriteTrack, MsgIcon::Question, MsgButtons::YesNo, existing) != MsgAnswer::Yes)
            return false;
    }
    m_master->ImageRecorder().SetOutput(cue);
    Profile().WriteProfileString(kSectionCDWrite, kImageFolderKey, FolderOf(AbsolutePath(cue)));
    return true;
}

void CCdBurner::ReportResult(uint32_t code, const std::string& what) {
    const std::string text = FormatString(kMsgErrorWithFile, {LoadString(DiscResultMessage(code)), what});
    Services().MessageBox(text, kAppCaption, MsgIcon::Stop, MsgButtons::Ok);
}

uint32_t CCdBurner::CheckDisc(IDiscRecorder& recorder, DiscMedia& media) {
    if (recorder.OpenExclusive() != kDiscOk) {
        ShowMessage(kMsgWriterInUse, MsgIcon::Stop);
        return kDiscInUse;
    }
    recorder.QueryMedia(media);
    if (media.type == kMediaNone && media.flags == 0) {
        recorder.Close();
        ShowMessage(kMsgNoDiscInRecorder, MsgIcon::Stop);
        return kDiscNoMedia;
    }
    if (!(media.flags & (kMediaBlank | kMediaRewritable | kMediaWritable))) {
        recorder.Close();
        ShowMessage(kMsgNotWritable, MsgIcon::Stop);
        return kDiscFull;
    }
    if ((media.flags & kMediaRewritable) && media.hasSessions &&
        ShowMessage(kMsgEraseQuestion, MsgIcon::Question, MsgButtons::OkCancel) == MsgAnswer::Ok) {
        Services().ProgressOpen(0, 100, LoadString(kMsgErasing));
        const uint32_t rc = recorder.Erase();
        Services().ProgressClose();
        if (rc != kDiscOk) {
            recorder.Close();
            ShowMessage(kMsgEraseFailed, MsgIcon::Stop);
            return rc;
        }
        recorder.QueryMedia(media);
    }
    recorder.Close();
    // A list the disc cannot hold is refused before anything is staged.
    if (UsedBlocks() > media.freeBlocks) {
        ShowMessage(kMsgDiscFull, MsgIcon::Stop);
        return kDiscFull;
    }
    return kDiscOk;
}

bool CCdBurner::WriteCd() {
    if (!m_master || m_recorder < 0) {
        ShowMessage(kMsgNoRecorderSelected, MsgIcon::Exclamation);
        return false;
    }
    DiscMedia media;
    if (CheckDisc(m_master->Recorder(static_cast<size_t>(m_recorder)), media) != kDiscOk) return false;

    m_burning = true;
    CancelFlag().store(false);
    Services().ProgressOpen(0, 100 * (static_cast<int>(m_rows.size()) + 1), LoadString(kMsgWritingCd));
    const bool ok = WriteTracks();
    if (!ok) m_master->ClearFormatContent();
    Services().ProgressClose();
    m_burning = false;
    if (ok) {
        if (m_settings.UseSounds) Services().PlayChime(m_settings.ChimeSndPath);
        ShowMessage(kMsgCdDone, MsgIcon::Information);
    }
    return ok;
}

bool CCdBurner::WriteTracks() {
    uint32_t rc = m_master->SetActiveDiscRecorder(static_cast<size_t>(m_recorder));
    if (rc != kDiscOk) {
        ShowMessage(DiscResultMessage(rc), MsgIcon::Stop);
        return false;
    }
    const uint32_t block = m_master->GetAudioBlockSize();
    std::vector<uint8_t> buffer(static_cast<size_t>(block) * kBlocksPerWrite);
    int progress = 0;
    for (const CdSongRow& row : m_rows) {
        if (CancelFlag().load()) return false;
        CWaveFile wave;
        if (wave.OpenRead(row.path) != kFileOk) {
            ShowMessage(kMsgCannotOpen, MsgIcon::Stop);
            return false;
        }
        // Any other format would be written as noise.
        const WAVEFORMATEX& f = wave.Format();
        if (f.wFormatTag != 1 || f.nChannels != 2 || f.nSamplesPerSec != 44100 || f.wBitsPerSample != 16) {
            Services().MessageBox(FormatString(kMsgErrorWithFile, {LoadString(kMsgCdFormatFailed), row.name}),
                                  kAppCaption, MsgIcon::Stop, MsgButtons::Ok);
            return false;
        }
        Services().ProgressSetText(FormatString(kMsgPreparingTrack, FileNameOf(row.path)));
        const uint32_t bytes = wave.DataLength();
        const uint32_t blocks = (bytes + block - 1) / block;
        rc = m_master->CreateAudioTrack(blocks);
        if (rc != kDiscOk) {
            ReportResult(rc, row.name);
            return false;
        }
        uint64_t left = bytes;
        while (left > 0) {
            if (CancelFlag().load()) return false;
            const size_t want = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
            if (wave.Read(buffer.data(), static_cast<int64_t>(want)) != static_cast<int64_t>(want)) {
                ShowMessage(kMsgCannotOpen, MsgIcon::Stop);
                return false;
            }
            // The last buffer is padded with silence to whole blocks.
            const size_t whole = (want + block - 1) / block * block;
            std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(want),
                      buffer.begin() + static_cast<std::ptrdiff_t>(whole), 0);
            rc = m_master->AddAudioTrackBlocks(buffer.data(), whole);
            if (rc != kDiscOk) {
                ReportResult(rc, row.name);
                return false;
            }
            left -= want;
            Services().PumpMessages();
        }
        wave.Close();
        rc = m_master->CloseAudioTrack();
        if (rc != kDiscOk) {
            ReportResult(rc, row.name);
            return false;
        }
        progress += 100;
        Services().ProgressSetPos(progress);
    }
    Services().ProgressSetText(LoadString(kMsgWritingCd));
    rc = m_master->RecordDisc(m_simulate, true);
    if (rc != kDiscOk) {
        ReportResult(rc, m_master->Recorder(static_cast<size_t>(m_recorder)).DisplayName());
        return false;
    }
    return true;
}
