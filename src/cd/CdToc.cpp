#include "cd/CdToc.h"

#include <cstdio>

#include "base/StringTable.h"

namespace {

std::string TwoDigits(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

std::string MinutesSeconds(double seconds) {
    const int whole = static_cast<int>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", whole / 60, whole % 60);
    return text;
}

}  // namespace

std::string CCdToc::RowName(const CdTrack& track) {
    return FormatString(track.audio ? kMsgAudioTrackName : kMsgDataTrackName, TwoDigits(track.number));
}

std::string CCdToc::RowTime(const CdTrack& track) {
    if (track.audio) return MinutesSeconds(Seconds(track));
    const double kb = Seconds(track) * 176400.0 * 0.001;
    char text[48];
    if (kb <= 1000.0)
        std::snprintf(text, sizeof text, "%8.1f KB", kb);
    else
        std::snprintf(text, sizeof text, "%8.1f MB", kb / 1000.0);
    return text;
}

std::string CCdToc::TotalText() const {
    double seconds = 0;
    for (const auto& t : tracks) seconds += Seconds(t);
    return LoadString(kMsgTotalTime) + " " + MinutesSeconds(seconds);
}

const CdTrack* CCdToc::Find(int number) const {
    for (const auto& t : tracks)
        if (t.number == number) return &t;
    return nullptr;
}
