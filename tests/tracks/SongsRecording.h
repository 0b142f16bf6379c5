// A synthetic side of a record for the silence-indexing tests: stretches of
// music (two tones and noise, slowly swelling, at a musical level) and gaps
// (digital silence or a faint hiss), as 16-bit sample values.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

struct Stretch {
    double seconds = 0;
    bool music = true;
};

inline Stretch Music(double seconds) {
    return {seconds, true};
}
inline Stretch Gap(double seconds) {
    return {seconds, false};
}

// Interleaved 16-bit values of the stretches; gapLevel is the peak of the hiss in the gaps (0: digital
// silence). scale multiplies every value (256 for 24-bit files).
inline std::vector<int64_t> MakeRecording(const std::vector<Stretch>& layout, int channels, uint32_t rate = 44100,
                                          double gapLevel = 0, int64_t scale = 1) {
    std::vector<int64_t> out;
    uint32_t seed = 12345;
    auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return (static_cast<double>(seed >> 8) / 8388608.0) - 1.0;  // -1 .. 1
    };
    uint64_t frame = 0;
    for (const Stretch& s : layout) {
        const auto frames = static_cast<uint64_t>(std::llround(s.seconds * rate));
        for (uint64_t i = 0; i < frames; ++i, ++frame) {
            const double t = static_cast<double>(frame) / rate;
            for (int c = 0; c < channels; ++c) {
                double v;
                if (s.music) {
                    const double swell = 0.75 + 0.25 * std::sin(2 * M_PI * 0.3 * t + c);
                    v = swell *
                            (6000 * std::sin(2 * M_PI * (220 + 110 * c) * t) + 3000 * std::sin(2 * M_PI * 587 * t)) +
                        800 * noise();
                } else {
                    v = gapLevel * noise();
                }
                out.push_back(static_cast<int64_t>(std::lround(v)) * scale);
            }
        }
    }
    return out;
}

// The usual test side: three songs of 12 s with 3 s gaps between them (middles at 13.5 and 28.5 s).
inline std::vector<Stretch> ThreeSongs() {
    return {Music(12), Gap(3), Music(12), Gap(3), Music(12)};
}
