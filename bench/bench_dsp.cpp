// Speed of the shared signal-processing blocks, in the sizes the filters use.
// Run by hand: build-*/bench/bench_dsp
#include <cmath>
#include <complex>
#include <cstdio>
#include <random>
#include <vector>

#include "BenchTimer.h"
#include "dsp/ArInterpolator.h"
#include "dsp/BiquadCascade.h"
#include "dsp/Burg.h"
#include "dsp/FilterDesign.h"
#include "dsp/Median.h"
#include "dsp/RealFft.h"
#include "dsp/ThirdOrderSection.h"

namespace {

std::vector<double> Noise(std::size_t n) {
    std::mt19937 rng(1);
    std::normal_distribution<double> d(0.0, 1e5);
    std::vector<double> v(n);
    for (auto& x : v) x = d(rng);
    return v;
}

volatile double g_sink;

void BenchFft(bool useOwn) {
    const std::size_t n = 8192;
    auto fft = dsp::CreateRealFft(n, useOwn);
    if (!fft) return;
    auto x = Noise(n);
    std::vector<std::complex<double>> s(n / 2 + 1);
    const int reps = 2000;
    const auto t0 = BenchClock::now();
    for (int i = 0; i < reps; ++i) {
        fft->Forward(x.data(), s.data());
        fft->Inverse(s.data(), x.data());
        x[0] *= 1.0 / n;
    }
    const double us = Seconds(t0) / reps * 1e6;
    // One forward and one inverse per channel per 4096-sample hop at 44.1 kHz stereo.
    const double realtime = (4096.0 / 44100.0) / (2.0 * us * 1e-6);
    std::printf("fft %-5s 8192 forward+inverse: %8.1f us  (%.0fx real time, stereo, 50%% hop)\n",
                useOwn ? "own" : "fftw", us, realtime);
    g_sink = x[1];
}

void BenchSections() {
    const std::size_t n = 1 << 20;
    auto x = Noise(n);
    CBiquadCascade c;
    dsp::DesignButterworthLowpass(4, 3000.0, 44100.0, c);
    auto t0 = BenchClock::now();
    c.ProcessBlock(x.data(), n);
    std::printf("biquad cascade (2 sections): %6.1f Msamples/s\n", n / Seconds(t0) / 1e6);
    CThirdOrderSection hp(dsp::DesignButterworthHighpass3(900.0, 44100.0));
    t0 = BenchClock::now();
    double acc = 0.0;
    for (double v : x) acc += hp.Process(v);
    std::printf("third-order section:         %6.1f Msamples/s\n", n / Seconds(t0) / 1e6);
    g_sink = acc;
}

// Nanoseconds per Push (with a read of the result) over the values, looped reps times.
double MedianPushNs(int window, const std::vector<double>& values, int reps) {
    CBenchTimer timer;
    double acc = 0.0;
    for (int run = 0; run < 5; ++run) {
        CRunningMedian m;
        m.Init(window);
        timer.Start();
        for (int r = 0; r < reps; ++r) {
            for (double v : values) {
                m.Push(v);
                acc += m.Median();
            }
        }
        timer.Stop();
    }
    g_sink = acc;
    return timer.BestCpu() / (static_cast<double>(values.size()) * reps) * 1e9;
}

void BenchMedian() {
    // The noise floor's use: a window of 33 across the 4096 bins of a spectrum's minimum,
    // smooth over the bins with a little noise, slightly different every frame.
    std::mt19937 rng(7);
    std::normal_distribution<double> jitter(0.0, 0.15);
    const int bins = 4096, frames = 16;
    std::vector<double> spectra;
    for (int f = 0; f < frames; ++f) {
        for (int k = 0; k < bins; ++k) {
            const double db = -90.0 + 25.0 * std::exp(-k / 300.0) + 4.0 * std::sin(k / 150.0);
            spectra.push_back(std::pow(10.0, db / 10.0) * std::exp(jitter(rng)));
        }
    }
    std::printf("running median, window 33, spectrum floor: %6.1f ns/push\n", MedianPushNs(33, spectra, 40));

    // The click detector's use: short windows over 16-bit music-like samples, a few partials
    // and low-passed noise, about as unpredictable from sample to sample as real music.
    std::normal_distribution<double> hiss(0.0, 150.0);
    std::vector<double> audio(1 << 18);
    double noise = 0.0;
    for (std::size_t i = 0; i < audio.size(); ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        const double tone = 6000.0 * std::sin(2 * M_PI * 220.0 * t) + 3000.0 * std::sin(2 * M_PI * 331.0 * t) +
                            1500.0 * std::sin(2 * M_PI * 1870.0 * t);
        noise = 0.9 * noise + hiss(rng);
        audio[i] = std::round(tone * (0.6 + 0.4 * std::sin(2 * M_PI * 0.7 * t)) + noise);
    }
    for (int w : {7, 13})
        std::printf("running median, window %2d, audio:          %6.1f ns/push\n", w, MedianPushNs(w, audio, 10));
}

void BenchBurg() {
    // The long-gap repair at its worst: 2048 samples of context each side,
    // order 200, a 512-sample gap: one model of both sides, then the fill.
    auto x = Noise(4096 + 512);
    CBurg burg;
    burg.Reserve(4096, 200);
    CArInterpolator fill;
    fill.Reserve(512, 200);
    std::vector<double> c(200);
    std::vector<double> work(x.size());
    const int reps = 20;
    const auto t0 = BenchClock::now();
    for (int i = 0; i < reps; ++i) {
        work = x;
        const int p = burg.Estimate(work.data(), 2048, work.data() + 2560, 2048, 200, c.data());
        fill.Fill(work.data(), work.size(), 2048, 512, c.data(), p);
    }
    std::printf("gap fill 512, order 200:     %8.2f ms\n", Seconds(t0) / reps * 1e3);
    g_sink = work[2051];
}

}  // namespace

int main() {
    BenchFft(true);
    BenchFft(false);
    BenchSections();
    BenchMedian();
    BenchBurg();
    return 0;
}
