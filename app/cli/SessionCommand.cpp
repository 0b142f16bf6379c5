// restova-cli session FILE: the steps of a wave's session, one line each
// (type, start, end, new end, source offset, file, label; tab-separated, as
// file names and labels may hold spaces).
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "CliArgs.h"
#include "Commands.h"
#include "audiofile/FileNames.h"
#include "audiofile/SessionArchive.h"

namespace {

bool ReadFile(const std::string& path, std::vector<uint8_t>& out) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    uint8_t buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) out.insert(out.end(), buffer, buffer + n);
    ::close(fd);
    return n == 0;
}

int PrintSession(const std::string& path) {
    const std::string sessionPath = SessionFileName(path);
    std::vector<uint8_t> bytes;
    CSessionArchive::Contents contents;
    if (!ReadFile(sessionPath, bytes) ||
        CSessionArchive::Read(bytes.data(), bytes.size(), contents) == CSessionArchive::kNotSession) {
        std::fprintf(stderr, "restova-cli: %s has no session\n", path.c_str());
        return 1;
    }
    if (!contents.steps.empty()) std::printf("type\tstart\tend\tnew-end\tsource-offset\tfile\tlabel\n");
    for (const CQueEdit& s : contents.steps) {
        std::printf("%u\t%u\t%u\t%u\t%u\t%s\t%s\n", s.type, s.start, s.end, s.newEnd, s.sourceOffset,
                    s.fileName.c_str(), s.label.c_str());
    }
    if (contents.steps.empty()) {
        std::fprintf(stderr, "restova-cli: the session of %s has no steps\n", path.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

CommandRun DeclareSession(CLI::App& sub) {
    auto file = std::make_shared<std::string>();
    sub.add_option("FILE", *file, "the wave")->required();
    return [file] { return PrintSession(*file); };
}
