// Hostile bytes as an MP3 file: the information query must fail cleanly or
// report a sane format, never crash, hang or read out of bounds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audiofile/WaveFile.h"
#include "codecs/Mp3Decoder.h"

namespace {

const std::string& ScratchPath() {
    static const std::string path = [] {
        char name[] = "/tmp/fuzz_mp3_info_XXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0) std::abort();
        close(fd);
        return std::string(name);
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = ScratchPath();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    std::fclose(f);
    if (!ok) return 0;

    WaveFileInfo info;
    if (CMp3Decoder::GetInfo(path, info) == 0) {
        if (info.channels < 1 || info.channels > 2 || info.rate == 0 || info.bits != 16 ||
            info.blockAlign != info.channels * 2 || info.dataBytes % info.blockAlign != 0 || !(info.duration >= 0)) {
            std::abort();
        }
    }
    return 0;
}
