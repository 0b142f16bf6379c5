// MP3 and WMA in and out against the programs users compare us with, on the
// same 10-minute 44.1 kHz 16-bit stereo song in the same run: our encoder
// library against `lame -b 128` (goal: within 5%), our MP3 decoding against
// `mpg123 -w` (goal: within 10%), our WMA writing and reading against
// `ffmpeg` (goal: within 10%). Each pair runs in turn, several rounds; best
// and median, wall and CPU time (the children's for the programs). Usage:
// bench_codecs [folder] [minutes] [rounds].
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "BenchSignal.h"
#include "BenchTimer.h"
#include "codecs/MediaEncoder.h"
#include "codecs/MediaReader.h"
#include "codecs/Mp3Decoder.h"
#include "codecs/Mp3Writer.h"

namespace {

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

// Runs ours and theirs rounds times each, alternating, and prints both and their ratio. False when
// either failed.
bool Compare(const char* what, const char* goal, int rounds, const std::string& output,
             const std::function<bool()>& ours, const std::string& theirs, const char* theirName) {
    CBenchTimer us, them(RUSAGE_CHILDREN);
    for (int round = 0; round < rounds; ++round) {
        std::filesystem::remove(output);
        them.Start();
        if (std::system(theirs.c_str()) != 0) {
            std::fprintf(stderr, "%s failed: %s\n", theirName, theirs.c_str());
            return false;
        }
        them.Stop();
        std::filesystem::remove(output);
        us.Start();
        if (!ours()) {
            std::fprintf(stderr, "%s failed\n", what);
            return false;
        }
        us.Stop();
    }
    std::printf("\n%s, %d rounds\n", what, rounds);
    std::printf("  %-22s %9s  %11s  %8s  %10s\n", "", "best wall", "median wall", "best cpu", "median cpu");
    std::printf("  %-22s %8.3f s  %9.3f s  %7.3f s  %8.3f s\n", theirName, them.BestWall(), them.MedianWall(),
                them.BestCpu(), them.MedianCpu());
    std::printf("  %-22s %8.3f s  %9.3f s  %7.3f s  %8.3f s\n", "Restova", us.BestWall(), us.MedianWall(), us.BestCpu(),
                us.MedianCpu());
    std::printf("  ours / theirs          %8.3f    %9.3f    %7.3f    %8.3f    (goal: %s)\n",
                us.BestWall() / them.BestWall(), us.MedianWall() / them.MedianWall(),
                us.BestCpu() / std::max(them.BestCpu(), 1e-3), us.MedianCpu() / std::max(them.MedianCpu(), 1e-3), goal);
    std::fflush(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const CBenchFolder work(argc > 1 ? argv[1] : nullptr, "bench_codecs");
    if (!work.Ok()) return 1;
    const double minutes = argc > 2 ? std::atof(argv[2]) : 10.0;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    const std::string& dir = work.Path();
    const std::string song = dir + "/song.wav", mp3 = dir + "/song.mp3", wma = dir + "/song.wma";
    const std::string out = dir + "/out";
    const auto frames = static_cast<uint32_t>(minutes * 60 * 44100);
    if (!GenerateMusic(song, 44100, 16, frames)) {
        std::fprintf(stderr, "cannot write %s\n", song.c_str());
        return 1;
    }
    WarmPageCache(song);
    std::printf("%.1f minutes of 44.1 kHz 16-bit stereo\n", minutes);

    Mp3Options options;
    options.encoderPath = RESTOVA_LAME_PATH;
    options.bitRate = 128;
    // The inputs of the decoders, made once by the other side's tools.
    if (std::system(("lame --quiet -b 128 " + Quote(song) + " " + Quote(mp3)).c_str()) != 0 ||
        std::system(("ffmpeg -v error -y -i " + Quote(song) + " -c:a wmav2 -b:a 128k " + Quote(wma)).c_str()) != 0) {
        std::fprintf(stderr, "lame or ffmpeg missing\n");
        return 1;
    }
    const bool ok =
        Compare(
            "MP3 encode, 128 kbit/s", "within 5%", rounds, out + ".mp3",
            [&] { return WriteMp3File(song, out + ".mp3", options, {}) == kEncodeOk; },
            "lame --quiet -b 128 " + Quote(song) + " " + Quote(out + ".mp3"), "lame -b 128") &&
        Compare(
            "MP3 decode", "within 10%", rounds, out + ".wav",
            [&] { return CMp3Decoder::DecodeMp3File(mp3, out + ".wav") >= 0; },
            "mpg123 -q -w " + Quote(out + ".wav") + " " + Quote(mp3), "mpg123 -w") &&
        Compare(
            "WMA encode, 128 kbit/s", "within 10%", rounds, out + ".wma",
            [&] { return CMediaEncoder::WriteWmaAt(song, out + ".wma", 128, {}) == kEncodeOk; },
            "ffmpeg -v error -y -i " + Quote(song) + " -c:a wmav2 -b:a 128k " + Quote(out + ".wma"),
            "ffmpeg (wmav2)") &&
        Compare(
            "WMA decode", "within 10%", rounds, out + ".wav", [&] { return ReadWmaFile(wma, out + ".wav"); },
            "ffmpeg -v error -y -i " + Quote(wma) + " " + Quote(out + ".wav"), "ffmpeg");
    return ok ? 0 : 1;
}
