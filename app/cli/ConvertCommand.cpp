// restova-cli convert IN OUT | IN... --to DIR [--jobs N] [--rate HZ] [--bits N]
// Converts IN into a new wave OUT at another sample rate and resolution
// (default 44100 Hz, 16 bits, as an audio CD needs), at the best resampling
// quality, with dither on outputs of 16 bits or fewer. IN is left as it is.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliOutput.h"
#include "CliSupport.h"
#include "Commands.h"
#include "FileBatch.h"
#include "enhance/FormatConverter.h"

CommandRun DeclareConvert(CLI::App& sub) {
    struct Request {
        FileBatch files;
        uint32_t rate = 44100;
        uint16_t bits = 16;
    };
    auto r = std::make_shared<Request>();
    AddFileBatch(sub, r->files, "the wave to convert");
    AddWhole(sub, "--rate", r->rate, 1000, 768000, "the sample rate in Hz (default 44100)", "HZ");
    AddWhole(sub, "--bits", r->bits, 8, 32, "the resolution (default 16)", "8|16|24|32")
        ->check(CLI::IsMember({"8", "16", "24", "32"}));
    return [r] {
        return RunFileBatch("convert", r->files, [r](const std::string& in, const std::string& out, bool replace) {
            if (OutIsIn("convert", in, out)) return 1;
            if (!replace && !OutMayBeWritten("convert", out)) return 1;
            CFormatConverter converter;
            if (converter.DoConvert(in, out, r->rate, r->bits, 1) != CFormatConverter::kConvertOk) return 1;
            std::printf("written: %s\n", out.c_str());
            return 0;
        });
    };
}
