#include "SoundSupport.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "base/AppSettings.h"
#include "devices/AudioHost.h"
#include "devices/VirtualCard.h"

bool ChooseDevice(const char* command, CAudioHost& host, AppSettings& settings, bool capture, const std::string& name,
                  const std::string& file, bool fast) {
    CVirtualCard& card = host.VirtualCard();
    std::string want = name;
    if (want.empty() && (!file.empty() || fast)) want = card.Name();
    if (want.empty()) {
        // The default device.
        (capture ? settings.GuidDevIn : settings.GuidDevOut).fill(0);
        (capture ? settings.MMERecDev : settings.MMEPlayDev) = 0;
        return true;
    }
    const std::vector<AudioEndpoint> list = host.Devices(capture);
    const auto found = std::find_if(list.begin(), list.end(), [&](const AudioEndpoint& e) { return e.name == want; });
    if (found == list.end()) {
        std::fprintf(stderr, "restova-cli %s: no %s device named \"%s\" (see restova-cli devices)\n", command,
                     capture ? "capture" : "playback", want.c_str());
        return false;
    }
    if (!found->virtualCard && (fast || !file.empty())) {
        std::fprintf(stderr, "restova-cli %s: --fast, --sink and --source are for the virtual card\n", command);
        return false;
    }
    if (found->virtualCard) {
        if (capture) {
            found->virtualCard->SetSource(file);
        } else {
            found->virtualCard->SetSink(file);
        }
        found->virtualCard->SetPace(fast ? 0 : 1);
    }
    (capture ? settings.GuidDevIn : settings.GuidDevOut) = found->id;
    (capture ? settings.MMERecDev : settings.MMEPlayDev) = static_cast<int>(found - list.begin()) + 1;
    return true;
}

CTerminalMeter::CTerminalMeter(std::FILE* stream) : m_stream(isatty(fileno(stream)) ? stream : nullptr) {}

CTerminalMeter::~CTerminalMeter() {
    Finish();
}

void CTerminalMeter::Draw(int32_t left, int32_t right, double seconds, double total) {
    if (!m_stream) return;
    static constexpr int kWidth = 24;
    // -60 dB .. 0 dB of full scale across the bar.
    auto bar = [](int32_t peak) {
        const double db = peak > 0 ? 20.0 * std::log10(peak / 8388608.0) : -60.0;
        return std::clamp(static_cast<int>((db + 60.0) / 60.0 * kWidth + 0.5), 0, kWidth);
    };
    const int l = bar(left), r = bar(right);
    auto clock = [](double s, char* out, size_t size) {
        const auto whole = static_cast<long>(s);
        std::snprintf(out, size, "%02ld:%04.1f", whole / 60, s - static_cast<double>(whole - whole % 60));
    };
    char now[48], all[48];
    clock(seconds, now, sizeof now);
    clock(total, all, sizeof all);
    std::fprintf(m_stream, "\rL [%.*s%*s] R [%.*s%*s] %s%s%s", l, "########################", kWidth - l, "", r,
                 "########################", kWidth - r, "", now, total > 0 ? " / " : "", total > 0 ? all : "");
    std::fflush(m_stream);
    m_drawn = true;
}

void CTerminalMeter::Finish() {
    if (m_stream && m_drawn) std::fputc('\n', m_stream);
    m_drawn = false;
}
