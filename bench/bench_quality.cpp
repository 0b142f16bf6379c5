// The numeric half of bench/quality: lays synthetic record and tape damage on
// real music, and measures a restoration against the undamaged music.
//
//   bench_quality damage PROFILE MUSIC REF DAMAGED TRUTH
//     PROFILE is clean-lp, worn-lp, 78 or tape (or scratches or crackle: one kind of click alone). MUSIC is 44.1 kHz
//     16-bit stereo; REF receives it scaled to -6 dBFS peak after a lead-in of silence (low-passed for a 78), DAMAGED
//     the same with the damage, TRUTH one line per click (kind, channels, first frame, end frame). Prints "hum:
//     off|60|50".
//   bench_quality measure REF DAMAGED TRUTH OUT [CLICKS]
//     Prints key=value pairs: psnr (phase-blind SNR over the music: magnitude spectra of
//     2048-sample Hann frames), click (SNR over the damaged samples), lag (frames OUT lags
//     REF by). With CLICKS (a run of the click remover alone) also the detection figures:
//     recall of scratches and crackle, precision and F1.
#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <fstream>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "BenchWave.h"
#include "dsp/FilterDesign.h"
#include "dsp/RealFft.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int64_t kLeadIn = 66150;  // frames (1.5 s): where a noise profile can be learned
constexpr double kFull = 8388608.0;
constexpr int kFrame = 2048;
constexpr int kMargin = 8;  // frames: a detection this close to a click counts for it

struct Click {
    char kind;           // 's' scratch, 'c' crackle
    int channels;        // bit 0 left, bit 1 right
    int64_t first, end;  // frames
};

struct Profile {
    const char* name;
    double crackleRate, crackleMin, crackleMax;  // per second; amplitudes of full scale
    double scratchRate, scratchMin, scratchMax;
    int scratchWidth;  // frames, at most
    double hissDbfs;   // rms
    double tilt;       // 0 white .. 1 strongly rising hiss
    double humHz, humDbfs;
    double lowpassHz;  // 0 none
};

const Profile kProfiles[] = {
    {"clean-lp", 4, 0.003, 0.03, 0.15, 0.05, 0.3, 60, -66, 0.3, 0, 0, 0},
    {"worn-lp", 40, 0.005, 0.06, 1.5, 0.1, 0.6, 100, -54, 0.3, 60, -46, 0},
    {"78", 150, 0.01, 0.1, 4, 0.2, 0.8, 100, -40, 0.6, 50, -42, 6000},
    {"tape", 0, 0, 0, 0, 0, 0, 0, -50, 0.8, 50, -52, 0},
    // One kind of click alone on the music, for the detectors' own figures.
    {"scratches", 0, 0, 0, 1.5, 0.1, 0.6, 100, -120, 0, 0, 0, 0},
    {"crackle", 40, 0.005, 0.06, 0, 0, 0, 0, -120, 0, 0, 0, 0},
    // The tape's hiss alone, for the hiss reducer's own figure.
    {"hiss", 0, 0, 0, 0, 0, 0, 0, -50, 0.8, 0, 0, 0},
};

double Db(double ratio) {
    return 10.0 * std::log10(std::max(ratio, 1e-30));
}

int32_t Quantise16(double v) {
    return static_cast<int32_t>(std::lround(std::clamp(v, -kFull, kFull - 256.0) / 256.0)) * 256;
}

void AddClicks(std::vector<double>& s, const Profile& p, char kind, std::mt19937& rng, std::vector<Click>& truth) {
    std::uniform_real_distribution<double> uni(0.0, 1.0);
    const int64_t frames = static_cast<int64_t>(s.size() / 2);
    const bool scratch = kind == 's';
    const double rate = scratch ? p.scratchRate : p.crackleRate;
    const auto count = static_cast<int64_t>(rate * frames / kRate);
    for (int64_t k = 0; k < count; ++k) {
        const int width = scratch ? 10 + static_cast<int>(std::pow(uni(rng), 2.0) * (p.scratchWidth - 10))
                                  : 1 + static_cast<int>(std::pow(uni(rng), 2.0) * 8);
        const int64_t at = static_cast<int64_t>(uni(rng) * static_cast<double>(frames - width - 1));
        const double lo = scratch ? p.scratchMin : p.crackleMin, hi = scratch ? p.scratchMax : p.crackleMax;
        const double amp = (uni(rng) < 0.5 ? -1 : 1) * (lo + uni(rng) * (hi - lo)) * kFull;
        // Scratches hit both groove walls; crackle often one.
        const int channels = scratch || uni(rng) < 0.5 ? 3 : (uni(rng) < 0.5 ? 1 : 2);
        const double tau = std::max(width / 4.0, 0.7), ring = 0.3 + 0.6 * uni(rng);
        for (int i = 0; i < width; ++i) {
            // A sharp edge, then a ringing, rattling decay.
            const double shape = scratch ? std::cos(std::numbers::pi * i * ring) * (0.6 + 0.4 * uni(rng))
                                         : (i == 0 ? 1.0 : 2 * uni(rng) - 1);
            const double v = amp * std::exp(-i / tau) * shape;
            for (int c = 0; c < 2; ++c)
                if (channels & (1 << c)) s[(at + i) * 2 + c] += c == 0 ? v : 0.8 * v;
        }
        truth.push_back({kind, channels, at, at + width});
    }
}

int Damage(const std::string& profileName, const std::string& musicPath, const std::string& refPath,
           const std::string& damagedPath, const std::string& truthPath) {
    const Profile* p = nullptr;
    for (const Profile& candidate : kProfiles)
        if (profileName == candidate.name) p = &candidate;
    int channels = 0;
    const std::vector<int32_t> music = ReadWave(musicPath, &channels);
    if (!p || channels != 2 || music.empty()) {
        std::fprintf(stderr, "bench_quality: unknown profile or unreadable stereo music\n");
        return 2;
    }
    std::vector<double> ref(static_cast<size_t>(kLeadIn) * 2, 0.0);
    ref.insert(ref.end(), music.begin(), music.end());
    if (p->lowpassHz > 0) {
        CBiquadCascade lp[2];
        for (CBiquadCascade& c : lp) dsp::DesignButterworthLowpass(4, p->lowpassHz, kRate, c);
        for (size_t i = 0; i < ref.size(); ++i) ref[i] = lp[i % 2].Process(ref[i]);
    }
    double peak = 1.0;
    for (double v : ref) peak = std::max(peak, std::fabs(v));
    for (double& v : ref) v = std::round(v * 0.5 * kFull / peak / 256.0) * 256.0;

    std::mt19937 rng(2026);
    std::normal_distribution<double> gauss(0.0, 1.0);
    std::uniform_real_distribution<double> uni(0.0, 1.0);
    std::vector<double> bad = ref;
    const double hiss = std::pow(10.0, p->hissDbfs / 20.0) * kFull;
    const double hum = std::pow(10.0, p->humDbfs / 20.0) * kFull * std::sqrt(2.0);
    const double harmonic[] = {1.0, 0.6, 0.45, 0.25, 0.2, 0.12, 0.08};
    double phase[7];
    for (double& ph : phase) ph = 2 * std::numbers::pi * uni(rng);
    double last[2] = {0, 0}, humPhase = 0;
    for (size_t f = 0; f < bad.size() / 2; ++f) {
        // The mains wanders a little around its nominal frequency.
        const double t = static_cast<double>(f) / kRate;
        humPhase += 2 * std::numbers::pi * p->humHz * (1 + 0.001 * std::sin(2 * std::numbers::pi * t / 7.0)) / kRate;
        double h = 0;
        if (p->humHz > 0)
            for (int k = 0; k < 7; ++k) h += harmonic[k] * std::sin((k + 1) * humPhase + phase[k]);
        for (int c = 0; c < 2; ++c) {
            const double white = gauss(rng);
            // A first difference tilts the hiss upward, as tape and shellac hiss are.
            const double n = (1 - p->tilt) * white + p->tilt * (white - last[c]) / std::sqrt(2.0);
            last[c] = white;
            bad[f * 2 + c] += hiss * n + hum * h;
        }
    }
    std::vector<Click> truth;
    AddClicks(bad, *p, 's', rng, truth);
    AddClicks(bad, *p, 'c', rng, truth);

    std::vector<int32_t> r(ref.size()), d(bad.size());
    std::transform(ref.begin(), ref.end(), r.begin(), Quantise16);
    std::transform(bad.begin(), bad.end(), d.begin(), Quantise16);
    std::ofstream t(truthPath);
    for (const Click& c : truth) t << c.kind << ' ' << c.channels << ' ' << c.first << ' ' << c.end << '\n';
    if (!t || !WriteWave(refPath, r) || !WriteWave(damagedPath, d)) return 1;
    std::printf("hum: %s\n", p->humHz == 0 ? "off" : (p->humHz == 60 ? "60" : "50"));
    return 0;
}

// Frames by which out lags ref (within +-3000): the best correlation summed over eight
// half-second stretches spread over the music (one stretch alone can be fooled by a riff).
int64_t FindLag(const std::vector<int32_t>& ref, const std::vector<int32_t>& out) {
    const int64_t frames = static_cast<int64_t>(ref.size() / 2), span = 22050, reach = 3000;
    const int64_t outFrames = static_cast<int64_t>(out.size() / 2);
    std::vector<double> score(2 * reach + 1, 0.0);
    for (int k = 0; k < 8; ++k) {
        const int64_t from = kLeadIn + reach + (frames - kLeadIn - 2 * reach - span) * k / 8;
        if (from < 0 || from + span + reach > frames) continue;
        for (int64_t lag = -reach; lag <= reach; ++lag) {
            double sum = 0;
            for (int64_t i = from; i < from + span; ++i) {
                const int64_t j = i + lag;
                if (j < 0 || j >= outFrames) continue;
                sum += (double(ref[i * 2]) + ref[i * 2 + 1]) * (double(out[j * 2]) + out[j * 2 + 1]);
            }
            score[lag + reach] += sum;
        }
    }
    return std::max_element(score.begin(), score.end()) - score.begin() - reach;
}

// out moved back by lag frames to line up with ref; missing frames are silence.
std::vector<int32_t> Aligned(const std::vector<int32_t>& out, int64_t lag, size_t size) {
    std::vector<int32_t> a(size, 0);
    for (size_t i = 0; i < size; ++i) {
        const int64_t j = static_cast<int64_t>(i) + 2 * lag;
        if (j >= 0 && static_cast<size_t>(j) < out.size()) a[i] = out[j];
    }
    return a;
}

double PhaseBlindSnr(const std::vector<int32_t>& ref, const std::vector<int32_t>& out) {
    auto fft = dsp::CreateRealFft(kFrame, true);
    std::vector<double> window(kFrame), a(kFrame), b(kFrame);
    for (int i = 0; i < kFrame; ++i) window[i] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / kFrame);
    std::vector<std::complex<double>> A(kFrame / 2 + 1), B(kFrame / 2 + 1);
    double signal = 0, error = 0;
    const int64_t frames = static_cast<int64_t>(ref.size() / 2);
    for (int64_t s = kLeadIn; s + kFrame <= frames; s += kFrame / 2) {
        for (int c = 0; c < 2; ++c) {
            for (int i = 0; i < kFrame; ++i) {
                a[i] = window[i] * ref[(s + i) * 2 + c];
                b[i] = window[i] * out[(s + i) * 2 + c];
            }
            fft->Forward(a.data(), A.data());
            fft->Forward(b.data(), B.data());
            for (size_t k = 0; k < A.size(); ++k) {
                signal += std::norm(A[k]);
                error += std::pow(std::abs(B[k]) - std::abs(A[k]), 2);
            }
        }
    }
    return Db(signal / std::max(error, 1e-30));
}

std::vector<Click> ReadTruth(const std::string& path) {
    std::vector<Click> truth;
    std::ifstream in(path);
    Click c{};
    while (in >> c.kind >> c.channels >> c.first >> c.end) truth.push_back(c);
    return truth;
}

double ClickSnr(const std::vector<int32_t>& ref, const std::vector<int32_t>& out, const std::vector<Click>& truth) {
    std::vector<char> mask(ref.size(), 0);
    for (const Click& c : truth)
        for (int64_t f = c.first; f < c.end; ++f)
            for (int ch = 0; ch < 2; ++ch)
                if (c.channels & (1 << ch)) mask[static_cast<size_t>(f) * 2 + ch] = 1;
    double signal = 0, error = 0;
    for (size_t i = 0; i < ref.size(); ++i) {
        if (!mask[i]) continue;
        signal += double(ref[i]) * ref[i];
        error += std::pow(double(out[i]) - ref[i], 2);
    }
    return Db(signal / std::max(error, 1e-30));
}

// Detection read from what a click remover changed: runs of changed samples (gaps up to 16
// frames joined) per channel, matched with the clicks laid on that channel.
void Detection(const std::vector<int32_t>& damaged, const std::vector<int32_t>& fixed,
               const std::vector<Click>& truth) {
    const int64_t frames = static_cast<int64_t>(damaged.size() / 2);
    std::vector<std::vector<char>> hit(2, std::vector<char>(static_cast<size_t>(frames), 0));
    for (const Click& c : truth)
        for (int ch = 0; ch < 2; ++ch)
            if (c.channels & (1 << ch))
                for (int64_t f = std::max<int64_t>(c.first - kMargin, 0); f < std::min(c.end + kMargin, frames); ++f)
                    hit[ch][f] = 1;
    int64_t regions = 0, good = 0;
    std::vector<std::vector<char>> changed(2, std::vector<char>(static_cast<size_t>(frames), 0));
    for (int ch = 0; ch < 2; ++ch) {
        int64_t start = -1, lastChange = -1000;
        bool overlaps = false;
        for (int64_t f = 0; f <= frames; ++f) {
            const bool change = f < frames && std::abs(fixed[f * 2 + ch] - damaged[f * 2 + ch]) > 2 * 256;
            if (change) changed[ch][f] = 1;
            if (change && f - lastChange > 16) {  // a new region
                if (start >= 0) ++regions, good += overlaps;
                start = f;
                overlaps = false;
            }
            if (change) {
                lastChange = f;
                overlaps = overlaps || hit[ch][f];
            }
        }
        if (start >= 0) ++regions, good += overlaps;
    }
    int64_t found[2] = {0, 0}, total[2] = {0, 0};
    for (const Click& c : truth) {
        const int k = c.kind == 's' ? 0 : 1;
        ++total[k];
        bool any = false;
        for (int ch = 0; ch < 2 && !any; ++ch)
            if (c.channels & (1 << ch))
                for (int64_t f = std::max<int64_t>(c.first - kMargin, 0); f < std::min(c.end + kMargin, frames) && !any;
                     ++f)
                    any = changed[ch][f];
        found[k] += any;
    }
    const double precision = regions ? double(good) / regions : 1.0;
    const double recall = total[0] + total[1] ? double(found[0] + found[1]) / double(total[0] + total[1]) : 1.0;
    auto share = [](int64_t a, int64_t b) { return b ? double(a) / double(b) : -1.0; };
    std::printf(" scratch_recall=%.3f crackle_recall=%.3f precision=%.3f f1=%.3f regions=%lld",
                share(found[0], total[0]), share(found[1], total[1]), precision,
                precision + recall > 0 ? 2 * precision * recall / (precision + recall) : 0.0,
                static_cast<long long>(regions));
}

int Measure(int argc, char** argv) {
    const std::vector<int32_t> ref = ReadWave(argv[2]), damaged = ReadWave(argv[3]);
    const std::vector<Click> truth = ReadTruth(argv[4]);
    const std::vector<int32_t> raw = ReadWave(argv[5]);
    if (ref.empty() || damaged.size() != ref.size() || raw.empty()) {
        std::fprintf(stderr, "bench_quality: unreadable or mismatched waves\n");
        return 2;
    }
    const int64_t lag = FindLag(ref, raw);
    const std::vector<int32_t> out = Aligned(raw, lag, ref.size());
    std::printf("psnr=%.2f click=%.2f lag=%lld", PhaseBlindSnr(ref, out),
                truth.empty() ? 0.0 : ClickSnr(ref, out, truth), static_cast<long long>(lag));
    if (argc > 6 && !truth.empty()) {
        const std::vector<int32_t> clicks = ReadWave(argv[6]);
        if (!clicks.empty()) Detection(damaged, Aligned(clicks, FindLag(ref, clicks), ref.size()), truth);
    }
    std::printf("\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "damage" && argc == 7) return Damage(argv[2], argv[3], argv[4], argv[5], argv[6]);
    if (command == "measure" && argc >= 6) return Measure(argc, argv);
    std::fprintf(stderr,
                 "usage: bench_quality damage PROFILE MUSIC REF DAMAGED TRUTH\n"
                 "       bench_quality measure REF DAMAGED TRUTH OUT [CLICKS]\n");
    return 2;
}
