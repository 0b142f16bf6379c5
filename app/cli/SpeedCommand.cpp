// restova-cli speed IN OUT --record 33|45|78 --turntable 33|45|78
// restova-cli speed IN OUT --ratio R
// Corrects the speed of IN, recorded at the wrong turntable speed, the way the
// workflow does: Pitch runs over the whole song as a step of its session,
// whose stream is written into OUT. A ratio above 1 shortens the audio.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "enhance/Pitch.h"
#include "enhance/SpeedCorrection.h"

namespace {

constexpr const char* kUsage =
    "usage: restova-cli speed IN OUT --record 33|45|78 --turntable 33|45|78\n"
    "       restova-cli speed IN OUT --ratio R\n";

std::optional<int> ParseRpm(const std::string& text) {
    if (text == "33" || text == "45" || text == "78") return std::atoi(text.c_str());
    return std::nullopt;
}

std::optional<double> ParseRatio(const std::string& text) {
    if (text.empty() || text.size() > 32) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

int CmdSpeed(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::optional<int> record, turntable;
    std::optional<double> ratio;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--record" && hasValue) {
            record = ParseRpm(args[++i]);
            if (!record) break;
        } else if (a == "--turntable" && hasValue) {
            turntable = ParseRpm(args[++i]);
            if (!turntable) break;
        } else if (a == "--ratio" && hasValue) {
            ratio = ParseRatio(args[++i]);
            if (!ratio) break;
        } else if (a.rfind("--", 0) == 0) {
            positional.clear();
            break;
        } else {
            positional.push_back(a);
        }
    }
    const bool byRpm = record && turntable && !ratio;
    const bool byRatio = ratio && !record && !turntable;
    if (positional.size() != 2 || !(byRpm || byRatio)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const double r = byRpm ? CSpeedCorrection::Ratio(*record, *turntable) : *ratio;
    if (!(r >= CPitch::kMinSpeed && r <= CPitch::kMaxSpeed)) {
        std::fprintf(stderr, "restova-cli speed: the ratio must lie between %g and %g\n", CPitch::kMinSpeed,
                     CPitch::kMaxSpeed);
        return 2;
    }
    CPitch filter;
    const int p = CPitch::ParamOf(r);
    CFilter::Params params{};
    params[0] = p;
    params[1] = p;
    filter.SetParams(params);
    return RunFilterInto("speed", filter, positional[0], positional[1], kMsgSpeedCaption);
}
