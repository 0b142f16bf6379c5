// restova-cli speed IN OUT --record 33|45|78 --turntable 33|45|78
// restova-cli speed IN OUT --ratio R
// Corrects the speed of IN, recorded at the wrong turntable speed, the way the
// workflow does: Pitch runs over the whole song as a step of its session,
// whose stream is written into OUT. A ratio above 1 shortens the audio.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "Commands.h"
#include "enhance/Pitch.h"
#include "enhance/SpeedCorrection.h"

namespace {

std::optional<double> ParseRatio(const std::string& text) {
    if (text.empty() || text.size() > 32) return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace

void SetUpSpeed(CPitch& pitch, double ratio) {
    const int p = CPitch::ParamOf(ratio);
    CFilter::Params params{};
    params[0] = p;
    params[1] = p;
    pitch.SetParams(params);
}

CommandRun DeclareSpeed(CLI::App& sub) {
    struct Request {
        std::string in, out;
        std::optional<int> record, turntable;
        std::optional<double> ratio;
    };
    auto r = std::make_shared<Request>();
    sub.add_option("IN", r->in, "the wave to correct")->required();
    sub.add_option("OUT", r->out, "the wave to write")->required();
    const auto [record, turntable] = AddRecordSpeeds(sub, r->record, r->turntable);
    sub.add_option_function<std::string>(
           "--ratio",
           [r](const std::string& text) {
               r->ratio = ParseRatio(text);
               if (!r->ratio) throw CLI::ValidationError("--ratio takes a number, e.g. 1.35");
           },
           "the speed ratio to apply (above 1 shortens the audio)")
        ->type_name("R")
        ->excludes(record)
        ->excludes(turntable);
    return [r] {
        if (!r->record && !r->ratio) return UsageError("speed", "give --record and --turntable, or --ratio");
        const double ratio = r->record ? CSpeedCorrection::Ratio(*r->record, *r->turntable) : *r->ratio;
        if (!(ratio >= CPitch::kMinSpeed && ratio <= CPitch::kMaxSpeed)) {
            std::fprintf(stderr, "restova-cli speed: the ratio must lie between %g and %g\n", CPitch::kMinSpeed,
                         CPitch::kMaxSpeed);
            return 2;
        }
        CPitch filter;
        SetUpSpeed(filter, ratio);
        return RunFilterInto("speed", filter, r->in, r->out, kMsgSpeedCaption);
    };
}
