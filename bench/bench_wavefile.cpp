// Streams a 10-minute 16-bit stereo WAV through CWaveFile (block reads in,
// direct output of each block into a new file) and times it against `cp` of the
// same file. Both run with the file in the page cache, so the figure is the
// engine's own cost. Usage: bench_wavefile [folder] (default: a temporary folder).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchTimer.h"
#include "audiofile/WaveFile.h"

namespace {

bool Generate(const std::string& path, uint32_t frames) {
    CWaveFile wave;
    WAVEFORMATEX fmt = MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16);
    if (wave.OpenWrite(path, fmt, kWriteCreate) != kFileOk) return false;
    wave.SetOutputMode(kOutFile);
    if (wave.PrepareDirectWrite() != kFileOk) return false;
    uint32_t noise = 1;
    for (uint32_t i = 0; i < frames; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const auto v = static_cast<int32_t>(noise >> 9) - (1 << 22);
        if (!wave.PutSample(v) || !wave.PutSample(-v)) return false;
    }
    const bool ok = wave.FinishDirectWrite() == kFileOk;
    wave.Close();
    return ok;
}

bool Stream(const std::string& in, const std::string& out) {
    CWaveFile reader;
    CWaveFile writer;
    if (reader.OpenRead(in) != kFileOk) return false;
    WAVEFORMATEX fmt = reader.Format();
    if (writer.OpenWrite(out, fmt, kWriteCreate) != kFileOk) return false;
    writer.SetOutputMode(kOutFile);
    if (writer.PrepareDirectWrite() != kFileOk) return false;
    reader.SetRange(0, 0);
    int32_t* first = nullptr;
    int32_t* end = nullptr;
    while (reader.ReadNextBlock(first, end) == 0) {
        if (!writer.PutSamples(reader.BlockStart(), static_cast<size_t>(end - reader.BlockStart()))) return false;
    }
    const bool ok = writer.FinishDirectWrite() == kFileOk;
    writer.Close();
    reader.Close();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    const CBenchFolder work(argc > 1 ? argv[1] : nullptr, "bench_wavefile");
    if (!work.Ok()) return 1;
    const std::string& folder = work.Path();
    const std::string source = folder + "/source.wav", copy = folder + "/copy.wav", out = folder + "/out.wav";
    const uint32_t frames = 44100u * 600u;
    if (!Generate(source, frames)) {
        std::fprintf(stderr, "cannot write %s\n", source.c_str());
        return 1;
    }
    WarmPageCache(source);

    CBenchTimer cp(RUSAGE_CHILDREN), streaming;
    for (int run = 0; run < 5; ++run) {
        std::filesystem::remove(copy);
        cp.Start();
        if (std::system(("cp '" + source + "' '" + copy + "'").c_str()) != 0) return 1;
        cp.Stop();
        std::filesystem::remove(out);
        streaming.Start();
        if (!Stream(source, out)) {
            std::fprintf(stderr, "streaming failed\n");
            return 1;
        }
        streaming.Stop();
    }
    const double best = streaming.BestWall(), bestCpu = streaming.BestCpu();
    const double bestCp = cp.BestWall(), bestCpCpu = cp.BestCpu();
    const double mb = static_cast<double>(std::filesystem::file_size(source)) / 1e6;
    std::printf("10 min 16-bit stereo, %.1f MB (best of 5)\n", mb);
    std::printf("            wall      cpu\n");
    std::printf("cp         %.3f s   %.3f s\n", bestCp, bestCpCpu);
    std::printf("CWaveFile  %.3f s   %.3f s   (%.0f MB/s)\n", best, bestCpu, mb / best);
    std::printf("ratio      %.2f x    %.2f x\n", best / bestCp, bestCpu / std::max(bestCpCpu, 1e-3));
    return 0;
}
