// restova-cli convert IN OUT [--rate HZ] [--bits N]
// Converts IN into a new wave OUT at another sample rate and resolution
// (default 44100 Hz, 16 bits, as an audio CD needs), at the best resampling
// quality, with dither on outputs of 16 bits or fewer. IN is left as it is.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "CliSupport.h"
#include "Commands.h"
#include "enhance/FormatConverter.h"

namespace {

constexpr const char* kUsage = "usage: restova-cli convert IN OUT [--rate HZ] [--bits 8|16|24|32]\n";

// Unsigned: no sign in front.
std::optional<long long> ParseUnsigned(const std::string& text, long long min, long long max) {
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) return std::nullopt;
    return ParseWhole(text, min, max, 10);
}

}  // namespace

int CmdConvert(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    unsigned long rate = 44100;
    unsigned long bits = 16;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        std::optional<long long> value;
        if (a == "--rate" && hasValue) {
            value = ParseUnsigned(args[++i], 1000, 768000);
            if (!value) {
                std::fprintf(stderr, "restova-cli convert: --rate takes a rate from 1000 to 768000 Hz\n");
                return 2;
            }
            rate = *value;
        } else if (a == "--bits" && hasValue) {
            value = ParseUnsigned(args[++i], 8, 32);
            if (!value || (*value != 8 && *value != 16 && *value != 24 && *value != 32)) {
                std::fprintf(stderr, "restova-cli convert: --bits takes 8, 16, 24 or 32\n");
                return 2;
            }
            bits = *value;
        } else if (a.rfind("--", 0) == 0) {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    CFormatConverter converter;
    const int rc =
        converter.DoConvert(positional[0], positional[1], static_cast<uint32_t>(rate), static_cast<uint16_t>(bits), 1);
    return rc == CFormatConverter::kConvertOk ? 0 : 1;
}
