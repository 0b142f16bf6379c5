// restova-cli decode IN OUT.wav
// Decodes an MP3, WMA or any other file FFmpeg reads (and compressed waves) into a new PCM wave.
#include <cstdio>
#include <memory>
#include <string>

#include "CliArgs.h"
#include "CliOutput.h"
#include "CliSupport.h"
#include "Commands.h"
#include "audiofile/FileNames.h"
#include "codecs/MediaReader.h"

CommandRun DeclareDecode(CLI::App& sub) {
    struct Request {
        std::string in, out;
    };
    auto r = std::make_shared<Request>();
    sub.add_option("IN", r->in, "the file to decode")->required();
    sub.add_option("OUT", r->out, "the wave to write")->required();
    return [r] {
        if (OutIsIn("decode", r->in, r->out)) return 1;
        if (!OutMayBeWritten("decode", r->out)) return 1;
        if (DecodeToWave(r->in, r->out) != 0) return 1;
        std::printf("written: %s\n", r->out.c_str());
        return 0;
    };
}
