// The record equalisation filter: the coefficient set it picks for each rate,
// and what a run through the runner does to real audio, with bypass and the
// untouched-channel flags.
#include <complex>

#include "dsp/FilterDesign.h"
#include "enhance/Riaa.h"
#include "processing/FilterRunner.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"

namespace {

double GainDb(const dsp::BiquadCoeffs& c, double f, double fs) {
    return dsp::MagnitudeDb(dsp::Response(c, f, fs));
}

// The RIAA playback curve from its time constants, 0 dB at 1 kHz.
double CurveDb(double f) {
    auto mag = [](double f) {
        const std::complex<double> s(0.0, 2.0 * M_PI * f);
        return std::abs((1.0 + s * 318e-6) / ((1.0 + s * 3180e-6) * (1.0 + s * 75e-6)));
    };
    return 20.0 * std::log10(mag(f) / mag(1000.0));
}

// The sections the filter picks after preparing for a file at rate.
CBiquadCascade PreparedFor(CRiaa& riaa, uint32_t rate) {
    CWaveFile source, output;
    source.SetFormat(kWaveFormatPcm, 2, rate, 16);
    EXPECT_TRUE(riaa.Prepare(source, output));
    return riaa.Sections();
}

bool Same(const dsp::BiquadCoeffs& a, const dsp::BiquadCoeffs& b) {
    return a.b0 == b.b0 && a.b1 == b.b1 && a.b2 == b.b2 && a.a1 == b.a1 && a.a2 == b.a2;
}

// Every rate follows the curve from 20 Hz to 20 kHz (or fs/2), whatever rate came before it.
// 44.1 and 48 kHz keep their long-standing fixed section (0.27 dB low at 1 kHz at 44.1 kHz, and
// flatter than the curve near 20 kHz), 96 kHz and above the one section designed for the rate.
TEST(RiaaTest, EveryRateFollowsTheCurve) {
    const struct {
        uint32_t rate;
        double toleranceDb;
    } rows[] = {{8000, 0.3},   {11025, 0.3},  {16000, 0.3}, {22050, 0.3}, {32000, 0.3}, {37800, 0.3},
                {44100, 0.8},  {48000, 0.8},  {50000, 0.3}, {64000, 0.3}, {88200, 0.3}, {96000, 0.3},
                {176400, 0.3}, {192000, 0.3}, {22050, 0.3}, {384000, 0.3}};
    CRiaa riaa;
    for (const auto& row : rows) {
        const double fs = row.rate;
        const CBiquadCascade c = PreparedFor(riaa, row.rate);
        const bool fixed = row.rate == 44100 || row.rate == 48000;
        EXPECT_NEAR(dsp::MagnitudeDb(dsp::Response(c, 1000.0, fs)), 0.0, fixed ? 0.3 : 1e-6) << fs;
        double worst = 0.0;
        const double top = std::min(20000.0, fs / 2);
        for (int i = 0; i <= 500; ++i) {
            const double f = 20.0 * std::pow(top / 20.0, i / 500.0);
            worst = std::max(worst, std::fabs(dsp::MagnitudeDb(dsp::Response(c, f, fs)) - CurveDb(f)));
        }
        EXPECT_LT(worst, row.toleranceDb) << fs;
        for (int i = 0; i < c.Count(); ++i) EXPECT_LT(std::fabs(c.Coeffs(i).a2), 1.0) << fs;  // stable
        if (fixed) {
            ASSERT_EQ(c.Count(), 1);
            EXPECT_TRUE(Same(c.Coeffs(0), CRiaa::StandardCoeffs()));
        } else if (row.rate >= 96000) {
            ASSERT_EQ(c.Count(), 1);
            EXPECT_TRUE(Same(c.Coeffs(0), dsp::DesignRiaaPlayback(fs)));
        }
    }
}

class RiaaRunTest : public ProcessingTest {
protected:
    // Runs riaa over the whole of in.wav through the runner (editing the channels given) and
    // returns the 24-bit samples of the result.
    std::vector<int64_t> Run(CRiaa& riaa, bool editLeft = true, bool editRight = true) {
        EXPECT_TRUE(RunIntoFile(riaa, dir.File("in.wav"), dir.File("out.wav"), 0, 0, editLeft, editRight));
        return WaveSamples(dir.File("out.wav"));
    }

    // Peak of every step-th value from first on, over the second half (past the settling).
    static double Peak(const std::vector<int64_t>& s, size_t first, size_t step) {
        double peak = 0;
        for (size_t i = s.size() / 2 + first; i < s.size(); i += step) peak = std::max(peak, std::abs(double(s[i])));
        return peak;
    }
};

TEST_F(RiaaRunTest, EqualisesEachChannelUnlessTold) {
    // 48 kHz 24-bit stereo: 1 kHz on the left, 100 Hz on the right.
    const double a = 400000;
    std::vector<int64_t> in(2 * 48000);
    for (size_t i = 0; i < in.size() / 2; ++i) {
        in[2 * i] = std::llround(a * std::sin(2 * M_PI * 1000.0 * i / 48000.0));
        in[2 * i + 1] = std::llround(a * std::sin(2 * M_PI * 100.0 * i / 48000.0));
    }
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 2, 48000, 24, in));
    CRiaa riaa;
    auto out = Run(riaa);
    ASSERT_EQ(out.size(), in.size());
    const dsp::BiquadCoeffs c = CRiaa::StandardCoeffs();
    EXPECT_NEAR(20 * std::log10(Peak(out, 0, 2) / a), GainDb(c, 1000.0, 48000), 0.05);
    EXPECT_NEAR(20 * std::log10(Peak(out, 1, 2) / a), 13.1, 0.3);

    ExpectFlagsPassTheInput(riaa, std::vector<int32_t>(in.begin(), in.end()));

    // A mono file has no channel to leave untouched: it is equalised all the same.
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 1, 48000, 24, SineWave(48000, 1, 100.0 / 48000, a)));
    out = Run(riaa, false, true);
    EXPECT_NEAR(20 * std::log10(Peak(out, 0, 1) / a), 13.1, 0.3);
}

}  // namespace
