// restova-cli convert IN OUT [--rate HZ] [--bits N]
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
#include "enhance/FormatConverter.h"

CommandRun DeclareConvert(CLI::App& sub) {
    struct Request {
        std::string in, out;
        uint32_t rate = 44100;
        uint16_t bits = 16;
    };
    auto r = std::make_shared<Request>();
    sub.add_option("IN", r->in, "the wave to convert")->required();
    sub.add_option("OUT", r->out, "the wave to write")->required();
    AddWhole(sub, "--rate", r->rate, 1000, 768000, "the sample rate in Hz (default 44100)", "HZ");
    AddWhole(sub, "--bits", r->bits, 8, 32, "the resolution (default 16)", "8|16|24|32")
        ->check(CLI::IsMember({"8", "16", "24", "32"}));
    return [r] {
        if (OutIsIn("convert", r->in, r->out)) return 1;
        if (!OutMayBeWritten("convert", r->out)) return 1;
        CFormatConverter converter;
        if (converter.DoConvert(r->in, r->out, r->rate, r->bits, 1) != CFormatConverter::kConvertOk) return 1;
        std::printf("written: %s\n", r->out.c_str());
        return 0;
    };
}
