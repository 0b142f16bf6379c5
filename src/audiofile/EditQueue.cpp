#include "audiofile/EditQueue.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>

#include "audiofile/FileNames.h"
#include "audiofile/PeakFile.h"
#include "audiofile/RiffReader.h"
#include "audiofile/SessionCommit.h"
#include "audiofile/SessionFile.h"
#include "audiofile/TempFiles.h"
#include "audiofile/WaveFile.h"

namespace {

bool IsTempWaveName(const std::string& file) {
    const std::string name = FileNameOf(file);
    size_t i = 5;
    if (name.rfind("dctmp", 0) != 0) return false;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
    return i > 5 && name.compare(i, std::string::npos, ".wav") == 0;
}

// True for the files a session makes for itself: temporary waves ("dctmp<N>.wav") and numbered
// variants of the song in its folder. Only these are deleted with the session, so that a session
// file naming other files can never make us delete them.
bool IsSessionOwnFile(const std::string& file, const std::string& songPath) {
    if (IsTempWaveName(file)) return true;
    if (FolderOf(file) != FolderOf(songPath)) return false;
    const std::string name = FileNameOf(file);
    const std::string song = FileNameOf(songPath);
    size_t dot = song.find_last_of('.');
    if (dot == 0 || dot == std::string::npos) dot = song.size();
    std::string base = song.substr(0, std::min(dot, kMaxBaseNameChars));
    while (!base.empty() && base.back() >= '0' && base.back() <= '9') base.pop_back();
    const std::string ext = song.substr(dot);
    size_t i = base.size();
    if (name.compare(0, base.size(), base) != 0) return false;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
    return i > base.size() && name.compare(i, std::string::npos, ext) == 0;
}

// The folders of the temporary waves the steps read.
std::set<std::string> TempFoldersOf(const std::vector<CQueEdit>& steps) {
    std::set<std::string> folders;
    for (const CQueEdit& step : steps) {
        if (IsTempWaveName(step.fileName)) folders.insert(FolderOf(step.fileName));
    }
    return folders;
}

// The audio bytes a step file really holds (never more than its header claims), its format and
// the position of its first data byte; false when it is no readable wave.
bool StepFileData(const std::string& path, WAVEFORMATEX* fmt, uint32_t* dataOffset, uint64_t& dataBytes) {
    WaveFileInfo info;
    CRiffReader::Header header;
    if (path.empty() || CWaveFile::FileInfo(path, info, true) != kFileOk ||
        CRiffReader::ReadHeader(path, header) != 0 || header.fmt.size() < 16 || header.dataOffset > UINT32_MAX) {
        return false;
    }
    dataBytes = std::min<uint64_t>(info.dataBytes, header.dataAvailable);
    if (fmt) {
        std::memcpy(static_cast<void*>(fmt), header.fmt.data(), 16);
        fmt->cbSize = 18;
    }
    if (dataOffset) *dataOffset = static_cast<uint32_t>(header.dataOffset);
    return true;
}

// A step reading file: its format and data position from the file's header; false when unusable.
bool DescribeStepFile(CQueEdit& step, uint64_t& dataBytes) {
    WAVEFORMATEX fmt;
    uint32_t dataOffset = 0;
    if (!StepFileData(step.fileName, &fmt, &dataOffset, dataBytes)) return false;
    step.format = fmt;
    step.dataOffset = dataOffset;
    return true;
}

}  // namespace

CEditQueue::~CEditQueue() {
    m_stream.CloseFiles();
}

FileFaults CEditQueue::TakeFaults() {
    FileFaults faults;
    faults.swap(m_faults);
    return faults;
}

void CEditQueue::AddFault(FaultKind kind, const std::string& path) {
    m_faults.emplace_back(kind, path);
}

std::string CEditQueue::TempFolder() const {
    if (!m_tempPath.empty()) return m_tempPath;
    std::error_code ec;
    std::string dir = std::filesystem::temp_directory_path(ec).string();
    return dir.empty() ? "/tmp" : dir;
}

std::string CEditQueue::PeakPathOf(const std::string& file) const {
    return file == m_songPath && !m_songPeakPath.empty() ? m_songPeakPath : PeakFileName(file);
}

bool CEditQueue::HasEdits() const {
    return !(m_steps.size() == 1 && m_steps[0].type == kStepOriginal && m_steps[0].fileName == m_songPath &&
             m_steps[0].start == 0 && m_steps[0].sourceOffset == 0);
}

// ---------------------------------------------------------------------------
// Validation

int CEditQueue::FirstInvalidStep(const std::vector<CQueEdit>& steps) {
    uint64_t length = 0;
    for (size_t i = 0; i < steps.size(); ++i) {
        const CQueEdit& step = steps[i];
        uint64_t after = 0;
        if (!CSessionStream::StepFits(step, length, after)) return static_cast<int>(i);
        if (step.type != kStepCut) {
            // The stream reads sourceOffset + span bytes of the file; a shorter file cannot serve it.
            uint64_t dataBytes = 0;
            if (!StepFileData(step.fileName, nullptr, nullptr, dataBytes) ||
                dataBytes < (step.type == kStepInsert ? 0 : step.sourceOffset) + CSessionStream::StepSpan(step)) {
                return static_cast<int>(i);
            }
        }
        length = after;
    }
    return -1;
}

void CEditQueue::Rebuild() {
    const size_t count = m_current < 0 ? 0 : static_cast<size_t>(m_current) + 1;
    m_stream.Rebuild(m_steps, count, m_format);
}

// ---------------------------------------------------------------------------
// Opening, saving, discarding

CEditQueue::Loaded CEditQueue::LoadSessionFile(std::vector<CQueEdit>& steps) const {
    CSessionArchive::Contents contents;
    const CSessionFile::Load r = CSessionFile::Read(m_sessionPath, contents);
    steps = std::move(contents.steps);
    for (CQueEdit& step : steps) {
        // Another name of the song's own file (a link, another spelling) is the song.
        if (step.fileName != m_songPath && SamePath(step.fileName, m_songPath)) step.fileName = m_songPath;
    }
    switch (r) {
        case CSessionFile::Load::kLoaded:
            return Loaded::kLoaded;
        case CSessionFile::Load::kDamaged:
            return Loaded::kDamaged;
        default:
            return Loaded::kAbsent;
    }
}

bool CEditQueue::RecoverSession(std::vector<CQueEdit>& steps, Loaded loaded) {
    int bad = FirstInvalidStep(steps);
    if (loaded == Loaded::kDamaged && bad < 0) bad = static_cast<int>(steps.size());
    if (bad < 0) return true;
    if (!m_recover) {
        AddFault(FaultKind::kSessionDamaged, m_sessionPath);
        return false;
    }
    bool recovered = false;
    if (m_recover(m_songPath) && bad > 0) {
        // Keep the steps before the first bad one, save them and load them back.
        steps.resize(static_cast<size_t>(bad));
        m_steps = std::move(steps);
        if (SaveSession() && LoadSessionFile(steps) == Loaded::kLoaded && !steps.empty() &&
            FirstInvalidStep(steps) < 0) {
            recovered = true;
        }
        m_steps.clear();
    }
    if (!recovered) {
        ::unlink(m_sessionPath.c_str());
        steps.clear();
    }
    return true;
}

bool CEditQueue::StartPrivate() {
    const std::string stem = CTempFiles::CreatePrivateStem(TempFolder());
    if (stem.empty()) {
        AddFault(FaultKind::kCannotWrite, FileInTempDir(TempFolder(), "dcses.ses"));
        return false;
    }
    m_sessionPath = stem + ".ses";
    // The song's own peak file serves when it is current; it is only read then.
    const std::string own = PeakFileName(m_songPath);
    m_songPeakPath = CPeakFile::PeakFileIsCurrent(m_songPath, own) ? own : stem + ".pkf";
    return true;
}

int CEditQueue::OpenSession(const std::string& songPath, const WAVEFORMATEX& songFormat, uint32_t dataSize) {
    ClearMemory();
    m_songPath = AbsolutePath(songPath);
    m_format = songFormat;

    std::vector<CQueEdit> steps;
    if (m_private) {
        if (!StartPrivate()) return -1;
    } else {
        m_sessionPath = SessionFileName(m_songPath);
        const Loaded loaded = LoadSessionFile(steps);
        if (loaded != Loaded::kAbsent && !RecoverSession(steps, loaded)) {
            ClearMemory();
            return -1;
        }
    }

    if (steps.empty()) {
        CQueEdit song;
        song.type = kStepOriginal;
        song.fileName = m_songPath;
        song.start = 0;
        song.end = song.newEnd = dataSize;
        song.sourceOffset = 0;
        song.dataOffset = 44;
        song.format = songFormat;
        // A private session carries the dividers of the song's own peak file.
        if (m_private && m_songPeakPath != PeakFileName(m_songPath)) {
            CPeakFile::ReadDividers(m_songPath, song.dividers, song.dividerCount);
        }
        m_steps.push_back(std::move(song));
        m_current = 0;
        SaveSession();
    } else {
        m_steps = std::move(steps);
    }
    m_current = static_cast<int>(m_steps.size()) - 1;

    for (CQueEdit& step : m_steps) {
        if (step.fileName.empty()) continue;
        if (!CPeakFile::LoadStepPeaks(step, m_format, &m_faults, PeakPathOf(step.fileName), m_progress)) {
            return -1;
        }
    }
    Rebuild();
    m_valid = true;
    return 0;
}

bool CEditQueue::SaveSession() {
    if (m_sessionPath.empty() || m_steps.empty()) return false;
    m_current = static_cast<int>(m_steps.size()) - 1;
    // A sweep of the temporary folder after a crash must know this session needs its files there.
    if (!m_private) {
        for (const std::string& folder : TempFoldersOf(m_steps)) CTempFiles::NoteSession(folder, m_sessionPath);
    }
    // A private session's scratch has a name of its own that a sweep knows, for a run killed mid-save.
    return CSessionFile::Write(m_sessionPath, m_songPath, m_format, m_steps,
                               m_private ? CTempFiles::ScratchOf(m_sessionPath) : std::string());
}

void CEditQueue::ClearMemory() {
    m_stream.Clear();
    m_steps.clear();
    m_current = -1;
    m_valid = false;
    m_sessionPath.clear();
    m_songPath.clear();
    m_songPeakPath.clear();
}

void CEditQueue::DiscardSession(bool keepFiles) {
    m_stream.CloseFiles();
    if (!keepFiles) {
        // The session file goes first: a crash part way leaves stray step files, never a session
        // that names files already gone.
        if (!m_sessionPath.empty()) ::unlink(m_sessionPath.c_str());
        if (m_private && m_songPeakPath != PeakFileName(m_songPath)) ::unlink(m_songPeakPath.c_str());
        for (const CQueEdit& step : m_steps) {
            if (step.fileName.empty() || step.fileName == m_songPath) continue;
            if (!IsSessionOwnFile(step.fileName, m_songPath)) continue;
            ::unlink(step.fileName.c_str());
            ::unlink(PeakFileName(step.fileName).c_str());
        }
        if (!m_private && !m_sessionPath.empty()) {
            for (const std::string& folder : TempFoldersOf(m_steps)) CTempFiles::DropSession(folder, m_sessionPath);
        }
    }
    ClearMemory();
}

void CEditQueue::RenameSong(const std::string& newPath) {
    RenameSongSteps(newPath);
}

bool CEditQueue::RenameSongSteps(const std::string& newPath) {
    if (m_steps.empty() || m_steps.front().fileName != m_songPath) return true;
    return ReplaceStepFiles(m_songPath, newPath);
}

bool CEditQueue::ReplaceStepFiles(const std::string& from, const std::string& to) {
    for (CQueEdit& step : m_steps) {
        if (step.fileName == from) step.fileName = to;
    }
    Rebuild();
    return SaveSession();
}

// ---------------------------------------------------------------------------
// Reading

int64_t CEditQueue::ReadStream(void* buffer, int64_t byteCount) {
    return m_valid ? m_stream.Read(buffer, byteCount) : 0;
}

int64_t CEditQueue::SeekStream(int64_t offset, int origin) {
    return m_valid ? m_stream.Seek(offset, origin) : 0;
}

// ---------------------------------------------------------------------------
// Adding steps

int CEditQueue::AddStep(CQueEdit step, bool loadPeaks) {
    if (!m_valid || m_current < 0) return -1;
    uint64_t after = 0;
    if (!CSessionStream::StepFits(step, m_stream.Length(), after)) return -1;
    const CQueEdit& current = m_steps[static_cast<size_t>(m_current)];
    step.dividers.CopyForStep(current.dividers, current.dividerCount);
    step.dividerCount = std::min<uint32_t>(current.dividerCount, kMaxDividers);
    if (loadPeaks && !CPeakFile::LoadStepPeaks(step, m_format, &m_faults, {}, m_progress)) return -1;
    m_steps.push_back(std::move(step));
    m_current = static_cast<int>(m_steps.size()) - 1;
    SaveSession();
    Rebuild();
    return 0;
}

int CEditQueue::AddFilterStep(const std::string& file, uint32_t start, uint32_t end, const std::string& label,
                              uint32_t sourceOffset) {
    CQueEdit step;
    step.type = kStepFilter;
    step.fileName = AbsolutePath(file);
    step.label = label;
    step.start = start;
    step.end = step.newEnd = end;
    step.sourceOffset = sourceOffset;
    uint64_t dataBytes = 0;
    if (end < start || !DescribeStepFile(step, dataBytes) ||
        dataBytes < static_cast<uint64_t>(sourceOffset) + (end - start)) {
        return -1;
    }
    return AddStep(std::move(step), true);
}

int CEditQueue::AddResizeStep(const std::string& file, uint32_t start, uint32_t end, const std::string& label,
                              uint32_t sourceOffset) {
    CQueEdit step;
    step.type = kStepResize;
    step.fileName = AbsolutePath(file);
    step.label = label;
    step.start = start;
    step.end = end;
    step.sourceOffset = sourceOffset;
    uint64_t dataBytes = 0;
    if (!DescribeStepFile(step, dataBytes) || dataBytes < sourceOffset) return -1;
    // The new end is start + the file's data size: the whole file replaces the range.
    const uint64_t newEnd = static_cast<uint64_t>(start) + dataBytes;
    if (newEnd > UINT32_MAX) return -1;
    step.newEnd = static_cast<uint32_t>(newEnd);
    if (dataBytes < sourceOffset + CSessionStream::StepSpan(step)) return -1;
    return AddStep(std::move(step), true);
}

int CEditQueue::AddReplaceStep(const std::string& file, uint32_t start, uint32_t end) {
    const uint32_t align = m_format.nBlockAlign ? m_format.nBlockAlign : 1;
    CQueEdit step;
    step.type = kStepReplace;
    step.fileName = AbsolutePath(file);
    step.start = start / align * align;
    step.end = step.newEnd = end / align * align;
    step.sourceOffset = 0;
    uint64_t dataBytes = 0;
    if (step.end < step.start || !DescribeStepFile(step, dataBytes) || dataBytes < step.end - step.start) return -1;
    return AddStep(std::move(step), true);
}

int CEditQueue::AddCutStep(uint32_t start, uint32_t end) {
    if (!m_valid || m_current < 0 || end < start || end > m_stream.Length()) return -1;
    CQueEdit step;
    step.type = kStepCut;
    step.start = start;
    step.end = step.newEnd = end;
    step.sourceOffset = start;
    step.format = m_format;
    const CQueEdit& current = m_steps[static_cast<size_t>(m_current)];
    step.dividers.CopyForStep(current.dividers, current.dividerCount);
    step.dividerCount = std::min<uint32_t>(current.dividerCount, kMaxDividers);

    // The placeholder: an empty wave whose peak file carries the dividers in force after the cut.
    bool crowded = false;
    step.fileName = AbsolutePath(TempWaveName(TempFolder(), 1, &crowded));
    if (crowded) AddFault(FaultKind::kTooManyTempFiles, TempFolder());
    {
        CWaveFile placeholder;
        WAVEFORMATEX fmt = m_format;
        if (placeholder.OpenWrite(step.fileName, fmt, kWriteCreate) != kFileOk) return -1;
        placeholder.FinishWrite();
        placeholder.Close();
        PeakResults results;
        if (placeholder.OpenRead(step.fileName) != kFileOk ||
            CPeakFile::BuildPeakFile(placeholder, 0, 0, &step.dividers, step.dividerCount, results) != 0) {
            placeholder.Close();
            ::unlink(step.fileName.c_str());
            ::unlink(PeakFileName(step.fileName).c_str());
            return -1;
        }
        placeholder.Close();
    }
    std::string file = step.fileName;
    if (AddStep(std::move(step), false) != 0) {
        ::unlink(file.c_str());
        ::unlink(PeakFileName(file).c_str());
        return -1;
    }
    return m_current;
}

// ---------------------------------------------------------------------------
// Dividers

void CEditQueue::GetDividers(DividerBlock& block, uint32_t& count) const {
    if (m_current < 0 || static_cast<size_t>(m_current) >= m_steps.size()) {
        block = DividerBlock{};
        count = 0;
        return;
    }
    const CQueEdit& step = m_steps[static_cast<size_t>(m_current)];
    block = step.dividers;
    count = std::min<uint32_t>(step.dividerCount, kMaxDividers);
}

void CEditQueue::SetDividers(const DividerBlock& block, uint32_t count) {
    if (m_current < 0 || static_cast<size_t>(m_current) >= m_steps.size()) return;
    CQueEdit& step = m_steps[static_cast<size_t>(m_current)];
    step.dividers = block;
    step.dividerCount = std::min<uint32_t>(count, kMaxDividers);
    if (step.fileName.empty()) return;
    // The step file's peak file is where a step's dividers live between runs; a private session
    // never writes beside the song.
    const std::string peakPath = PeakPathOf(step.fileName);
    if (m_private && peakPath == PeakFileName(m_songPath)) return;
    bool oldFormat = false;
    if (!CPeakFile::WriteDividersAt(peakPath, step.dividers, step.dividerCount, &oldFormat) && oldFormat) {
        AddFault(FaultKind::kOldPeakFile, step.fileName);
    }
}

// ---------------------------------------------------------------------------
// Committing

bool CEditQueue::CommitSession(const std::string& target, const JobProgress& progress) {
    if (!m_valid || target.empty()) return false;
    DividerBlock dividers;
    uint32_t count = 0;
    GetDividers(dividers, count);
    CSessionCommit::Source source;
    source.stream = &m_stream;
    source.format = m_format;
    source.songPath = m_songPath;
    source.songInUse =
        std::any_of(m_steps.begin(), m_steps.end(), [&](const CQueEdit& step) { return step.fileName == m_songPath; });
    source.dividers = &dividers;
    source.dividerCount = count;
    source.useBackup = [this](const std::string& backup) {
        if (RenameSongSteps(backup)) return true;
        // The steps read the song again, whose audio has not changed.
        ReplaceStepFiles(backup, m_songPath);
        AddFault(FaultKind::kCannotWrite, m_sessionPath);
        return false;
    };
    CSessionCommit commit(source, m_faults, progress ? progress : m_progress);
    return commit.Run(AbsolutePath(target)) == CSessionCommit::Result::kDone;
}
