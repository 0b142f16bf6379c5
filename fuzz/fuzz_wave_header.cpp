// Hostile WAV bytes through the header parser and then through the whole
// reading path of CWaveFile (open, block reads with history and lookahead,
// file information). Nothing may crash, hang or read out of bounds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audiofile/RiffReader.h"
#include "audiofile/WaveFile.h"

namespace {

const std::string& TempPath() {
    static const std::string path = [] {
        char dir[] = "/tmp/fuzz_wave_header-XXXXXX";
        const char* made = mkdtemp(dir);
        return std::string(made ? made : "/tmp") + "/input.wav";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CRiffReader::Header header;
    CRiffReader::ParseHeader(data, size, header);

    std::FILE* file = std::fopen(TempPath().c_str(), "wb");
    if (!file) return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    if (!written) return 0;

    WaveFileInfo info;
    CWaveFile::FileInfo(TempPath(), info, true);

    // The first byte picks block geometry so that odd sizes get exercised too.
    const uint32_t block = size > 0 ? 2 + data[0] % 61 : 64;
    CWaveFile wave(block, block / 2 + 1);
    if (wave.OpenRead(TempPath()) != kFileOk) return 0;
    wave.SetHistory(block / 3);
    wave.SetLookahead(block / 2);
    wave.SetRange(size > 1 ? data[1] : 0, 0);
    int32_t* first = nullptr;
    int32_t* end = nullptr;
    for (int guard = 0; guard < 100000 && wave.ReadNextBlock(first, end) == 0; ++guard) {
        int64_t sum = 0;
        for (const int32_t* p = first; p < end; ++p) sum += *p;  // every delivered sample is readable
        (void)sum;
    }
    wave.Close();
    return 0;
}
