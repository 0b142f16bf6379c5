// Each design's response at the frequencies that define it.
#include <gtest/gtest.h>

#include <cmath>

#include "dsp/FilterDesign.h"

namespace {

using dsp::MagnitudeDb;
using dsp::Response;

constexpr double kHalfPowerDb = -3.0102999566398121;

TEST(Butterworth, HalfPowerAtTheCornerForEveryOrder) {
    for (double fs : {44100.0, 96000.0}) {
        for (double fc : {30.0, 1000.0, 15000.0}) {
            for (int order = 1; order <= 9; ++order) {
                CBiquadCascade lp, hp;
                ASSERT_TRUE(dsp::DesignButterworthLowpass(order, fc, fs, lp));
                ASSERT_TRUE(dsp::DesignButterworthHighpass(order, fc, fs, hp));
                EXPECT_NEAR(MagnitudeDb(Response(lp, fc, fs)), kHalfPowerDb, 1e-6) << order << " " << fc;
                EXPECT_NEAR(MagnitudeDb(Response(hp, fc, fs)), kHalfPowerDb, 1e-6) << order << " " << fc;
                EXPECT_NEAR(std::abs(Response(lp, 0.0, fs)), 1.0, 1e-9);
                EXPECT_NEAR(std::abs(Response(hp, fs / 2, fs)), 1.0, 1e-9);
                // Maximally flat: an octave past the corner, about 6 dB per order down (the
                // bilinear transform steepens it near Nyquist, so only a bound).
                if (fc * 2 < fs / 4) {
                    EXPECT_LT(MagnitudeDb(Response(lp, 2 * fc, fs)), -6.0 * order + 0.5);
                }
            }
        }
    }
    // The fixed-order helpers the filters use agree with the general design (the two-pole
    // ones carry √2 to nine digits only); so do the one-pole corners.
    const double fs = 44100.0;
    CBiquadCascade hp3, lp2, hp2;
    ASSERT_TRUE(dsp::DesignButterworthHighpass(3, 900.0, fs, hp3));
    ASSERT_TRUE(dsp::DesignButterworthLowpass(2, 3000.0, fs, lp2));
    ASSERT_TRUE(dsp::DesignButterworthHighpass(2, 2500.0, fs, hp2));
    for (double f = 10.0; f < fs / 2; f *= 1.37) {
        EXPECT_NEAR(std::abs(Response(dsp::DesignButterworthHighpass3(900.0, fs), f, fs) - Response(hp3, f, fs)), 0.0,
                    1e-12);
        EXPECT_NEAR(std::abs(Response(dsp::DesignButterworthLowpass2(3000.0, fs), f, fs) - Response(lp2, f, fs)), 0.0,
                    1e-8);
        EXPECT_NEAR(std::abs(Response(dsp::DesignButterworthHighpass2(2500.0, fs), f, fs) - Response(hp2, f, fs)), 0.0,
                    1e-8);
    }
    EXPECT_NEAR(MagnitudeDb(Response(dsp::DesignOnePoleLowpass(150.0, fs), 150.0, fs)), kHalfPowerDb, 1e-9);
    EXPECT_NEAR(MagnitudeDb(Response(dsp::DesignOnePoleHighpass(500.0, fs), 500.0, fs)), kHalfPowerDb, 1e-9);
    EXPECT_NEAR(MagnitudeDb(Response(dsp::DesignOnePoleLowpassRelative(0.01), 441.0, fs)), kHalfPowerDb, 1e-9);
}

// The tone stack's shelves and peak at the points that define them.
TEST(Cookbook, ShelvesAndPeak) {
    const double fs = 44100.0;
    for (double gain : {-10.0, 6.0}) {
        const auto low = dsp::DesignLowShelf(175.0, gain, fs);
        const auto high = dsp::DesignHighShelf(3000.0, gain, fs);
        EXPECT_NEAR(MagnitudeDb(Response(low, 0.0, fs)), gain, 1e-9);
        EXPECT_NEAR(MagnitudeDb(Response(low, fs / 2, fs)), 0.0, 1e-9);
        EXPECT_NEAR(MagnitudeDb(Response(low, 175.0, fs)), gain / 2, 1e-9);
        EXPECT_NEAR(MagnitudeDb(Response(high, fs / 2, fs)), gain, 1e-9);
        EXPECT_NEAR(MagnitudeDb(Response(high, 0.0, fs)), 0.0, 1e-9);
        EXPECT_NEAR(MagnitudeDb(Response(high, 3000.0, fs)), gain / 2, 1e-9);
        // Slope 1 is the steepest shelf without a bump: never past its gain.
        for (double f = 5.0; f < fs / 2; f *= 1.1) {
            EXPECT_LE(std::fabs(MagnitudeDb(Response(low, f, fs))), std::fabs(gain) + 1e-9);
            EXPECT_LE(std::fabs(MagnitudeDb(Response(high, f, fs))), std::fabs(gain) + 1e-9);
        }
        const auto pk = dsp::DesignPeaking(900.0, gain, 3.0, fs);
        EXPECT_NEAR(MagnitudeDb(Response(pk, 900.0, fs)), gain, 1e-9);
        EXPECT_NEAR(MagnitudeDb(Response(pk, 0.0, fs)), 0.0, 1e-9);
        // The bandwidth runs between the half-gain (in dB) points.
        const auto narrow = dsp::DesignPeaking(1000.0, gain, 1.0, fs);
        EXPECT_NEAR(MagnitudeDb(Response(narrow, 1000.0 * std::sqrt(2.0), fs)), gain / 2, 0.1);
        EXPECT_NEAR(MagnitudeDb(Response(narrow, 1000.0 / std::sqrt(2.0), fs)), gain / 2, 0.1);
    }
}

// The hum notch: deep at its centre, half power at its band edges, flat elsewhere. Near Nyquist
// and 0 Hz the band is moved inside and the section stays stable (|beta| < 0.5).
TEST(Notch, DeepAtTheCentreHalfPowerAtTheEdgesStableEverywhere) {
    const double fs = 44100.0;
    const auto notch = dsp::DesignNotch(60.0, 0.07, fs);
    EXPECT_LT(MagnitudeDb(Response(notch, 60.0, fs)), -100.0);
    EXPECT_NEAR(MagnitudeDb(Response(notch, 1000.0, fs)), 0.0, 1e-3);
    EXPECT_NEAR(MagnitudeDb(Response(notch, 60.0 * std::pow(2.0, 0.035), fs)), kHalfPowerDb, 0.05);
    EXPECT_NEAR(MagnitudeDb(Response(notch, 60.0 / std::pow(2.0, 0.035), fs)), kHalfPowerDb, 0.05);

    for (double f : {0.001, 22049.0}) {
        const dsp::NotchCoeffs c = dsp::DesignNotch(f, 0.07, fs);
        EXPECT_TRUE(std::isfinite(c.alpha) && std::isfinite(c.gamma)) << f;
        EXPECT_LT(std::fabs(c.beta), 0.5) << f;
    }
}

TEST(Designs, OutOfRangeArgumentsGiveFiniteSections) {
    CBiquadCascade c;
    EXPECT_FALSE(dsp::DesignButterworthLowpass(0, 1000.0, 44100.0, c));
    EXPECT_TRUE(dsp::DesignButterworthLowpass(32, 1000.0, 44100.0, c));
    EXPECT_FALSE(dsp::DesignButterworthLowpass(33, 1000.0, 44100.0, c));
    EXPECT_FALSE(dsp::DesignButterworthLowpass(2, 1000.0, 0.0, c));
    EXPECT_EQ(c.Count(), 0);
    for (double f : {-5.0, 0.0, 22050.0, 30000.0, std::nan("")}) {
        for (const auto& s : {dsp::DesignPeaking(f, 6.0, 1.0, 44100.0), dsp::DesignLowShelf(f, 6.0, 44100.0),
                              dsp::DesignButterworthLowpass2(f, 44100.0)}) {
            EXPECT_TRUE(std::isfinite(s.b0) && std::isfinite(s.b1) && std::isfinite(s.b2) && std::isfinite(s.a1) &&
                        std::isfinite(s.a2))
                << f;
        }
        const auto t = dsp::DesignButterworthHighpass3(f, 44100.0);
        EXPECT_TRUE(std::isfinite(t.b0) && std::isfinite(t.a1) && std::isfinite(t.a3)) << f;
    }
    EXPECT_EQ(dsp::DesignLowShelf(100.0, 6.0, -1.0).b0, 1.0);
}

}  // namespace
