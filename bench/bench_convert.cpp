// Converts 3 minutes of 48 kHz 24-bit stereo music-like noise to 44.1 kHz
// 16 bits with CFormatConverter (CD preparation settings) and times it beside
// `sox in -b 16 out rate -v 44100` on the same file in the same run (goal: within
// 1.5x of sox). Both start from the page cache; CPU time is the steadier
// figure on a shared machine. Usage: bench_convert [folder] (default: a
// temporary folder).
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchSignal.h"
#include "BenchTimer.h"
#include "audiofile/WaveFile.h"
#include "enhance/FormatConverter.h"

int main(int argc, char** argv) {
    const CBenchFolder work(argc > 1 ? argv[1] : nullptr, "bench_convert");
    if (!work.Ok()) return 1;
    const std::string& folder = work.Path();
    const std::string source = folder + "/source.wav", ours = folder + "/ours.wav", theirs = folder + "/sox.wav";
    const uint32_t seconds = 180;
    if (!GenerateMusic(source, 48000, 24, 48000u * seconds)) {
        std::fprintf(stderr, "cannot write %s\n", source.c_str());
        return 1;
    }
    WarmPageCache(source);

    CFormatConverter converter;
    CBenchTimer sox(RUSAGE_CHILDREN), ourTimer;
    for (int run = 0; run < 3; ++run) {
        std::filesystem::remove(theirs);
        sox.Start();
        if (std::system(("sox '" + source + "' -b 16 '" + theirs + "' rate -v 44100").c_str()) != 0) {
            std::fprintf(stderr, "sox failed\n");
            return 1;
        }
        sox.Stop();

        std::filesystem::remove(ours);
        ourTimer.Start();
        if (converter.DoConvert(source, ours, 44100, 16, 1) != CFormatConverter::kConvertOk) {
            std::fprintf(stderr, "conversion failed\n");
            return 1;
        }
        ourTimer.Stop();
    }
    const double best = ourTimer.BestWall(), bestCpu = ourTimer.BestCpu();
    const double bestSox = sox.BestWall(), bestSoxCpu = sox.BestCpu();
    std::printf("%u s of 48 kHz 24-bit stereo to 44.1 kHz 16-bit (best of 3)\n", seconds);
    std::printf("                 wall      cpu       x real time\n");
    std::printf("sox rate -v      %.3f s   %.3f s   %.0f\n", bestSox, bestSoxCpu, seconds / bestSox);
    std::printf("CFormatConverter %.3f s   %.3f s   %.0f\n", best, bestCpu, seconds / best);
    std::printf("ratio            %.2f x    %.2f x   (goal: at most 1.5 x)\n", best / bestSox,
                bestCpu / std::max(bestSoxCpu, 1e-3));
    return 0;
}
