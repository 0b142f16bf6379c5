#include "audiofile/TempFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include "audiofile/FileNames.h"
#include "audiofile/PosixFile.h"
#include "audiofile/SessionFile.h"

namespace {

constexpr const char* kRunPrefix = "restova-";
constexpr const char* kRunSuffix = ".run";
constexpr size_t kMaxRunFileBytes = 16 << 20;

// Record tags: a file made, a session that refers to the folder, a session removed.
constexpr char kFileTag = 'W';
constexpr char kSessionTag = 'S';
constexpr char kDroppedTag = 'D';

// One record at the end of the run file (opened for appending, where a positioned write would
// not append).
bool AppendRecord(int fd, char tag, const std::string& path) {
    std::string record(1, tag);
    record += path;
    record += '\0';
    const char* p = record.data();
    size_t n = record.size();
    while (n > 0) {
        const ssize_t done = ::write(fd, p, n);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        p += done;
        n -= static_cast<size_t>(done);
    }
    return true;
}

// Holds a flock on fd until it goes out of scope.
class FolderLock {
public:
    FolderLock(int fd, int how) : m_fd(fd) {
        while (m_fd >= 0 && ::flock(m_fd, how) != 0) {
            if (errno != EINTR) {
                m_fd = -1;
                break;
            }
        }
    }
    ~FolderLock() {
        if (m_fd >= 0) ::flock(m_fd, LOCK_UN);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd;
};

// The sweep lock is a lock on the folder itself, so that it leaves no file behind.
int OpenSweepLock(const std::string& folder) {
    return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// This process's run file in one folder.
struct Run {
    int lockFd = -1;
    int runFd = -1;
    std::string runFile;
    std::set<std::string> sessions;  // noted and not dropped
};

// The runs of this process. A process that ends normally removes its run files: what it leaves
// is either removed already or named by a session, and a sweep keeps both alike. A killed one
// leaves them for the next sweep.
class OwnRuns {
public:
    ~OwnRuns() {
        if (::getpid() != m_owner) return;  // a forked child that exits leaves its parent's alone
        for (auto& [folder, run] : m_runs) {
            if (run.runFd >= 0) ::unlink(run.runFile.c_str());
        }
    }
    std::map<std::string, Run>& Map() { return m_runs; }

private:
    pid_t m_owner = ::getpid();
    std::map<std::string, Run> m_runs;
};

std::mutex& Mutex() {
    static std::mutex m;
    return m;
}

std::map<std::string, Run>& Runs() {
    static OwnRuns runs;
    return runs.Map();
}

// The run of folder, its file created (under the shared sweep lock, so that no sweep takes it for an
// ended process's) when missing. Null when the folder cannot hold one.
Run* RunOf(const std::string& folder) {
    Run& run = Runs()[folder];
    if (run.runFd >= 0) return &run;
    if (run.lockFd < 0) run.lockFd = OpenSweepLock(folder);
    FolderLock shared(run.lockFd, LOCK_SH);
    if (!shared.Held()) return nullptr;
    std::string name = FileInTempDir(folder, std::string(kRunPrefix) + "XXXXXX" + kRunSuffix);
    const int fd = ::mkostemps(name.data(), 4, O_APPEND | O_CLOEXEC);
    if (fd < 0) return nullptr;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        ::unlink(name.c_str());
        return nullptr;
    }
    run.runFd = fd;
    run.runFile = name;
    return &run;
}

bool Append(const std::string& folder, char tag, const std::string& path) {
    Run* run = RunOf(folder);
    if (!run) return false;
    FolderLock shared(run->lockFd, LOCK_SH);
    return shared.Held() && AppendRecord(run->runFd, tag, path);
}

bool DigitsThen(const std::string& s, size_t from, const std::string& tail) {
    size_t i = from;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    return i > from && s.compare(i, std::string::npos, tail) == 0;
}

// The files a sweep may remove for a record naming path: only our own kinds of temporary file, in
// the folder swept, owned by this user; a wave takes its peak file along, a private session its
// song's peak data.
std::vector<std::string> SweepableFiles(const std::string& folder, const std::string& path) {
    if (FolderOf(path) != folder) return {};
    const std::string name = FileNameOf(path);
    std::vector<std::string> files;
    if (name.rfind("dctmp", 0) == 0 && DigitsThen(name, 5, ".wav")) {
        files = {path, PeakFileName(path)};
    } else if (name.rfind("dcses", 0) == 0 && DigitsThen(name, 5, ".ses")) {
        files = {path, PeakFileName(path), CTempFiles::ScratchOf(path)};
    }
    std::vector<std::string> owned;
    for (const std::string& f : files) {
        struct stat st;
        if (::lstat(f.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) owned.push_back(f);
    }
    return owned;
}

struct RunRecords {
    std::vector<std::string> files;
    std::vector<std::string> sessions;  // still referring to the folder when the run ended
};

RunRecords Parse(const std::vector<uint8_t>& bytes) {
    RunRecords r;
    std::vector<std::string> order;
    std::map<std::string, bool> active;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t end = pos;
        while (end < bytes.size() && bytes[end] != 0) ++end;
        if (end >= bytes.size()) break;  // a record cut short by a crash names nothing for sure
        if (end > pos + 1) {
            const char tag = static_cast<char>(bytes[pos]);
            std::string path(reinterpret_cast<const char*>(bytes.data()) + pos + 1, end - pos - 1);
            if (tag == kFileTag) {
                r.files.push_back(std::move(path));
            } else if (tag == kSessionTag || tag == kDroppedTag) {
                if (!active.count(path)) order.push_back(path);
                active[path] = tag == kSessionTag;
            }
        }
        pos = end + 1;
    }
    for (const std::string& s : order) {
        if (active[s]) r.sessions.push_back(s);
    }
    return r;
}

}  // namespace

bool CTempFiles::Reserve(const std::string& path) {
    std::lock_guard<std::mutex> guard(Mutex());
    const std::string absolute = AbsolutePath(path);
    return Append(FolderOf(absolute), kFileTag, absolute);
}

std::string CTempFiles::CreatePrivateStem(const std::string& folder) {
    std::lock_guard<std::mutex> guard(Mutex());
    const std::string dir = AbsolutePath(folder);
    Run* run = RunOf(dir);
    if (!run) return {};
    FolderLock shared(run->lockFd, LOCK_SH);
    if (!shared.Held()) return {};
    for (int n = 1; n <= kTempWaveLast; ++n) {
        const std::string stem = FileInTempDir(dir, "dcses" + std::to_string(n));
        const std::string ses = stem + ".ses";
        if (PathExists(ses)) continue;
        // Recorded before it is made, so that a kill in between leaves nothing unrecorded. A name
        // that another run takes first stays safe: its record keeps it while that run lives.
        if (!AppendRecord(run->runFd, kFileTag, ses)) return {};
        const int fd = ::open(ses.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return {};
        }
        ::close(fd);
        return stem;
    }
    return {};
}

void CTempFiles::NoteSession(const std::string& folder, const std::string& sessionPath) {
    std::lock_guard<std::mutex> guard(Mutex());
    const std::string dir = AbsolutePath(folder);
    const std::string session = AbsolutePath(sessionPath);
    Run* run = RunOf(dir);
    if (!run || run->sessions.count(session)) return;
    if (Append(dir, kSessionTag, session)) run->sessions.insert(session);
}

void CTempFiles::DropSession(const std::string& folder, const std::string& sessionPath) {
    std::lock_guard<std::mutex> guard(Mutex());
    const std::string dir = AbsolutePath(folder);
    const std::string session = AbsolutePath(sessionPath);
    auto it = Runs().find(dir);
    if (it == Runs().end() || !it->second.sessions.count(session)) return;
    if (Append(dir, kDroppedTag, session)) it->second.sessions.erase(session);
}

int CTempFiles::Sweep(const std::string& folder) {
    const std::string dir = AbsolutePath(folder);
    const int lockFd = OpenSweepLock(dir);
    if (lockFd < 0) return 0;
    int removed = 0;
    {
        FolderLock exclusive(lockFd, LOCK_EX);
        DIR* d = exclusive.Held() ? ::opendir(dir.c_str()) : nullptr;
        if (!d) {
            ::close(lockFd);
            return 0;
        }
        std::set<std::string> live;
        struct Ended {
            std::string runFile;
            int fd;
            RunRecords records;
        };
        std::vector<Ended> ended;
        while (dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name.rfind(kRunPrefix, 0) != 0 || name.size() <= 12 ||
                name.compare(name.size() - 4, 4, kRunSuffix) != 0) {
                continue;
            }
            const std::string runFile = FileInTempDir(dir, name);
            const int fd = ::open(runFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
            if (fd < 0) continue;
            // Our own run file is locked through another descriptor, so it counts as live too.
            const bool alive = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
            std::vector<uint8_t> bytes;
            ReadWholeFile(runFile, kMaxRunFileBytes, bytes);
            RunRecords records = Parse(bytes);
            if (alive) {
                live.insert(records.files.begin(), records.files.end());
                ::close(fd);
            } else {
                ended.push_back({runFile, fd, std::move(records)});
            }
        }
        ::closedir(d);

        for (Ended& run : ended) {
            std::set<std::string> referenced;
            bool unsure = false;
            for (const std::string& session : run.records.sessions) {
                CSessionArchive::Contents contents;
                if (!PathExists(session)) {
                    unsure = true;
                    break;
                }
                if (CSessionFile::Read(session, contents) == CSessionFile::Load::kAbsent) {
                    unsure = true;  // there but unreadable now: it may still need its files
                    break;
                }
                for (const CQueEdit& step : contents.steps) referenced.insert(AbsolutePath(step.fileName));
            }
            if (!unsure) {
                for (const std::string& file : run.records.files) {
                    if (live.count(file) || referenced.count(file)) continue;
                    for (const std::string& f : SweepableFiles(dir, file)) {
                        if (::unlink(f.c_str()) == 0) ++removed;
                    }
                }
            }
            ::unlink(run.runFile.c_str());
            ::close(run.fd);
        }
    }
    ::close(lockFd);
    return removed;
}
