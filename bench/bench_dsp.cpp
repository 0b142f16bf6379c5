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

void BenchMedian() {
    const std::size_t n = 1 << 20;
    auto x = Noise(n);
    for (int w : {5, 15, 31}) {
        CRunningMedian m;
        m.Init(w);
        const auto t0 = BenchClock::now();
        double acc = 0.0;
        for (double v : x) {
            m.Push(v);
            acc += m.Median();
        }
        std::printf("running median, window %2d:   %6.1f Msamples/s\n", w, n / Seconds(t0) / 1e6);
        g_sink = acc;
    }
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
