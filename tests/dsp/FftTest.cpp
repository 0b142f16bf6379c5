// The two real FFTs: the same spectra up to rounding, exact round trips, the
// bin layout and refusal of bad lengths.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

#include "dsp/RealFft.h"

namespace {

using Spectrum = std::vector<std::complex<double>>;

TEST(RealFft, BothImplementationsAgreeAndRoundTrip) {
    std::mt19937 rng(5);
    std::normal_distribution<double> d(0.0, 1000.0);
    for (std::size_t n = 2; n <= (std::size_t{1} << 15); n *= 2) {
        auto own = dsp::CreateRealFft(n, true);
        auto fftw = dsp::CreateRealFft(n, false);
        ASSERT_TRUE(own && fftw) << n;
        std::vector<double> x(n);
        for (auto& v : x) v = d(rng);
        Spectrum a(n / 2 + 1), b(n / 2 + 1);
        own->Forward(x.data(), a.data());
        fftw->Forward(x.data(), b.data());
        double scale = 0.0;
        for (const auto& v : b) scale = std::max(scale, std::abs(v));
        for (std::size_t k = 0; k <= n / 2; ++k) ASSERT_LE(std::abs(a[k] - b[k]), 1e-9 * scale) << n << " bin " << k;

        for (IRealFft* fft : {own.get(), fftw.get()}) {
            std::vector<double> back(n);
            fft->Inverse(a.data(), back.data());
            for (std::size_t i = 0; i < n; ++i) ASSERT_NEAR(back[i] / n, x[i], 1e-6) << n << " at " << i;
        }
    }
    // A spectrum a real signal cannot have (imaginary parts at DC and Nyquist, as a filter's
    // gains make) goes through both inverses the same way.
    const std::size_t n = 256;
    Spectrum s(n / 2 + 1);
    for (auto& v : s) v = {d(rng), d(rng)};
    std::vector<double> a(n), b(n);
    dsp::CreateRealFft(n, true)->Inverse(s.data(), a.data());
    dsp::CreateRealFft(n, false)->Inverse(s.data(), b.data());
    for (std::size_t i = 0; i < n; ++i) ASSERT_NEAR(a[i], b[i], 1e-7);
}

TEST(RealFft, BinLayoutAndScale) {
    const std::size_t n = 64;
    auto fft = dsp::CreateRealFft(n, true);
    ASSERT_TRUE(fft);
    // 3 + 2·cos at bin 5 + sin at bin 9 + (−1)^i/2 at Nyquist.
    std::vector<double> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double t = 2.0 * std::numbers::pi * static_cast<double>(i) / n;
        x[i] = 3.0 + 2.0 * std::cos(5 * t) + std::sin(9 * t) + (i % 2 ? -0.5 : 0.5);
    }
    Spectrum s(n / 2 + 1);
    fft->Forward(x.data(), s.data());
    for (std::size_t k = 0; k <= n / 2; ++k) {
        std::complex<double> want = 0.0;
        if (k == 0) want = 3.0 * n;
        if (k == 5) want = 2.0 * n / 2;
        if (k == 9) want = std::complex<double>(0.0, -1.0 * n / 2);
        if (k == n / 2) want = 0.5 * n;
        EXPECT_NEAR(std::abs(s[k] - want), 0.0, 1e-10) << " bin " << k;
    }
    std::vector<double> power(n / 2 + 1);
    dsp::PowerSpectrum(s.data(), s.size(), 1.0 / (double(n) * n), power.data());
    EXPECT_NEAR(power[5], 1.0, 1e-12);

    for (std::size_t bad : {std::size_t{0}, std::size_t{1}, std::size_t{6}, dsp::kMaxFftSize * 2, ~std::size_t{0}}) {
        EXPECT_FALSE(dsp::CreateRealFft(bad, true)) << bad;
        EXPECT_FALSE(dsp::CreateRealFft(bad, false)) << bad;
    }
}

// FFTW's planner is not thread-safe by itself.
TEST(RealFft, PlansCanBeMadeOnSeveralThreadsAtOnce) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 40; ++i) {
                const std::size_t n = std::size_t{64} << ((t + i) % 6);
                auto fft = dsp::CreateRealFft(n, false);
                std::vector<double> x(n, 1.0);
                Spectrum s(n / 2 + 1);
                if (fft) fft->Forward(x.data(), s.data());
                if (!fft || std::fabs(s[0].real() - double(n)) > 1e-9) ++failures[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
