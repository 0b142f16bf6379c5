#include "CliOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "audiofile/Clipper.h"
#include "audiofile/WaveFile.h"
#include "base/Services.h"

namespace {

ConsentPolicy g_policy = ConsentPolicy::Ask;

std::string FolderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

}  // namespace

std::atomic<bool>& Interrupted() {
    static std::atomic<bool> interrupted{false};
    return interrupted;
}

void Tell(const std::string& text) {
    Services().MessageBox(text, "", MsgIcon::None, MsgButtons::Ok);
}

void SetConsentPolicy(ConsentPolicy policy) {
    g_policy = policy;
}

Consent Ask(const std::string& question) {
    if (g_policy == ConsentPolicy::Yes) return Consent::Given;
    if (g_policy == ConsentPolicy::No) return Consent::Refused;
    if (!isatty(STDIN_FILENO) || !isatty(STDERR_FILENO)) return Consent::NotAsked;
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return Consent::Refused;
    return answer == "y" || answer == "Y" || answer == "yes" ? Consent::Given : Consent::Refused;
}

bool FolderIsWritable(const char* command, const std::string& folder, const std::string& what) {
    struct stat st {};
    int err = 0;
    if (::stat(folder.c_str(), &st) != 0) {
        err = errno;
    } else if (!S_ISDIR(st.st_mode)) {
        err = ENOTDIR;
    } else if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        err = errno;
    }
    if (err != 0) {
        // Said before any audio is processed, so that a run is not wasted on an output it cannot keep.
        Tell(std::string("restova-cli ") + command + ": " + folder + ": " + std::strerror(err) + "; " + what +
             " cannot be written");
        return false;
    }
    return true;
}

bool OutMayBeWritten(const char* command, const std::string& out) {
    const std::string prefix = std::string("restova-cli ") + command + ": ";
    if (!FolderIsWritable(command, FolderOf(out), out)) return false;
    struct stat st {};
    if (::stat(out.c_str(), &st) != 0) return true;
    if (S_ISDIR(st.st_mode)) {
        Tell(prefix + out + " is a folder; give the name of the wave to write");
        return false;
    }
    switch (Ask(prefix + out + " exists. Replace it?")) {
        case Consent::Given:
            return true;
        case Consent::Refused:
            Tell(prefix + out + " kept; nothing written");
            return false;
        case Consent::NotAsked:
            break;
    }
    Tell(prefix + out + " exists; give --yes to replace it");
    return false;
}

std::string DbFs(double level) {
    if (level <= 0) return "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", 20.0 * std::log10(level / 8388608.0));
    return text;
}

bool ClippedMoreThanATrace(const ClipStats& clipped, uint64_t total) {
    return clipped.samples * 100000 > total;
}

void ReportClipping(const char* command, const ClipStats& clipped, uint64_t total, const std::string& hint) {
    std::printf("clipped-samples: %llu\nclipped-max-db: %.2f\n", static_cast<unsigned long long>(clipped.samples),
                clipped.OvershootDb());
    if (!ClippedMoreThanATrace(clipped, total)) return;
    char text[160];
    std::snprintf(text, sizeof text, ": %llu samples (%.3f%%) were clipped, by up to %.2f dB",
                  static_cast<unsigned long long>(clipped.samples),
                  total ? 100.0 * static_cast<double>(clipped.samples) / static_cast<double>(total) : 100.0,
                  clipped.OvershootDb());
    Tell(std::string("restova-cli ") + command + text + (hint.empty() ? "" : "; " + hint));
}

int ReportUnreadable(int rc, const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
    } else {
        Tell("restova-cli: " + path + ": " + std::strerror(errno));
    }
    return CWaveFile::ReportFileError(rc, path);
}
