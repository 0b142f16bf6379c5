// The valve emulation: its curves and their clamps, the fallbacks, the
// calibration that keeps small signals at their level, the dry reference,
// the tone stack's gains and signs, the flags, the clip report, and
// parameters no preset should hold.
#include <climits>

#include "dsp/FilterDesign.h"
#include "enhance/VirtualValve.h"
#include "support/FilterHarness.h"

namespace {

constexpr double kFs = 44100.0;

CFilter::Params ValveParams(int mix, int sag, int bias, int drive, int curve, int voicing, int bass = 0, int mids = 0,
                            int treble = 0) {
    return {mix, sag, bias, drive, curve, voicing, bass, mids, treble, 0, 0};
}

TEST(VirtualValveTest, CurvesSaturateBeyondTheirClampsAndUnknownNumbersFallBack) {
    for (int curve = 0; curve <= CVirtualValve::kFallbackCurve; ++curve) {
        if (curve == 8) continue;  // the one curve without a clamp
        for (double bias : {0.0, -0.3}) {
            EXPECT_EQ(CVirtualValve::EvalCurve(curve, 5.0, bias), CVirtualValve::EvalCurve(curve, 50.0, bias)) << curve;
            EXPECT_EQ(CVirtualValve::EvalCurve(curve, -5.0, bias), CVirtualValve::EvalCurve(curve, -50.0, bias))
                << curve;
            EXPECT_TRUE(std::isfinite(CVirtualValve::EvalCurve(curve, 1e300, bias)));
        }
    }
    for (int number : {10, -1, 99, INT_MIN}) {
        EXPECT_EQ(CVirtualValve::Derive(ValveParams(50, 0, 0, 50, number, 0), kFs).curve,
                  CVirtualValve::kFallbackCurve);
    }
    // A voicing outside 0..3 is voicing 0.
    const auto v0 = CVirtualValve::Derive(ValveParams(60, 100, 0, 50, 0, 0), kFs);
    const auto odd = CVirtualValve::Derive(ValveParams(60, 100, 0, 50, 0, 9), kFs);
    EXPECT_EQ(odd.split.b0, v0.split.b0);
    EXPECT_EQ(odd.outputHighPass.b0, v0.outputHighPass.b0);
}

// The calibration makes the fully wet full-band voicing pass small signals at their level,
// whatever the drive, on the curves that are nearly straight over the calibration span
// (curves 2, 5 and 9 bend within it, and curve 8 is one-sided).
TEST(VirtualValveTest, FullyWetFullBandKeepsSmallSignalsAtTheirLevel) {
    const std::vector<int32_t> in = Tone(1000.0, 20000, 1, 0.001 * 8388608.0);
    for (int curve : {0, 1, 3, 4, 6, 7, 10}) {
        for (int drive : {10, 50, 200}) {
            CVirtualValve valve;
            valve.SetParams(ValveParams(100, 0, 50, drive, curve, 2));
            const std::vector<int32_t> out = FeedFilter(valve, in, 1);
            const double ratio = Rms(out, 4000, out.size()) / Rms(in, 4000, in.size());
            EXPECT_NEAR(20 * std::log10(ratio), 0.0, 0.5) << "curve " << curve << " drive " << drive;
        }
    }
}

// With mix 0 the valve adds nothing and the dry reference leaves the input whole; with a flat
// tone stack that is the input itself, in every voicing and on every curve.
TEST(VirtualValveTest, MixZeroWithAFlatToneStackIsTransparent) {
    const std::vector<int32_t> in = Noise(2 * 12000, 7e6, 5);
    for (int voicing = 0; voicing < 4; ++voicing) {
        for (int curve : {0, 8}) {
            CVirtualValve valve;
            valve.SetParams(ValveParams(0, 300, 70, 400, curve, voicing));
            const std::vector<int32_t> out = FeedFilter(valve, in, 2);
            ASSERT_EQ(out.size(), in.size());
            for (size_t i = 0; i < in.size(); ++i) ASSERT_NEAR(out[i], in[i], 1) << voicing << " " << curve << " " << i;
        }
    }
}

// The tone controls cut by p/100 dB: a negative value boosts.
TEST(VirtualValveTest, ToneControlsCutByTheirValue) {
    const auto k = CVirtualValve::Derive(ValveParams(0, 0, 0, 0, 0, 0, -1000, 500, 1000), kFs);
    EXPECT_NEAR(dsp::MagnitudeDb(dsp::Response(k.tone[0], 20.0, kFs)), 10.0, 0.2);
    EXPECT_NEAR(dsp::MagnitudeDb(dsp::Response(k.tone[1], 900.0, kFs)), -5.0, 1e-6);
    EXPECT_NEAR(dsp::MagnitudeDb(dsp::Response(k.tone[2], 18000.0, kFs)), -10.0, 0.3);

    // The same through the filter: Bass -600 lifts a 60 Hz tone by about 6 dB.
    CVirtualValve valve;
    valve.SetParams(ValveParams(0, 0, 0, 0, 0, 0, -600, 0, 0));
    const std::vector<int32_t> in = Tone(60.0, 30000, 1, 0.1 * 8388608.0);
    const std::vector<int32_t> out = FeedFilter(valve, in, 1);
    EXPECT_NEAR(20 * std::log10(Rms(out, 10000, out.size()) / Rms(in, 10000, in.size())), 6.0, 0.3);
}

// Bypass and the channel flags hand the input through; the other channel is processed
// as if alone, and a run is repeatable because Prepare starts from rest.
TEST(VirtualValveTest, FlagsPassChannelsAndRunsRepeat) {
    const std::vector<int32_t> in = Noise(2 * 10000, 3e6, 8);
    const auto params = ValveParams(80, 100, 50, 80, 0, 1, -300, 200, 400);
    CVirtualValve valve;
    valve.SetParams(params);
    const std::vector<int32_t> first = FeedFilter(valve, in, 2);
    EXPECT_EQ(FeedFilter(valve, in, 2), first);
    const std::vector<int32_t> leftOnly = ExpectFlagsPassTheInput(valve, in);
    for (size_t i = 0; i < in.size(); i += 2) ASSERT_EQ(leftOnly[i], first[i]) << i;
}

// A value the output clamps raises the clip report once.
TEST(VirtualValveTest, ClampedOutputIsReportedOnce) {
    CVirtualValve valve;
    valve.SetParams(ValveParams(0, 0, 0, 0, 0, 0, -1000, 0, 0));
    FeedFilter(valve, Tone(100.0, 5000, 1, 0.2 * 8388608.0), 1, {.clamp = true});
    EXPECT_FALSE(valve.TakeClipReport());
    FeedFilter(valve, Tone(100.0, 5000, 1, 0.9 * 8388608.0), 1, {.clamp = true});
    EXPECT_TRUE(valve.TakeClipReport());
    EXPECT_FALSE(valve.TakeClipReport());
}

// Parameters no shipped preset holds (a negative sag would divide by zero) still give a
// full-length output; Prepare refuses a source it cannot run.
TEST(VirtualValveTest, HostileParametersStayFinite) {
    std::vector<int32_t> in = Noise(2 * 6000, 8.3e6, 2);
    std::fill(in.begin() + 4000, in.begin() + 8000, 0);
    EXPECT_EQ(CVirtualValve::Derive(ValveParams(50, -1000, 0, 50, 0, 0), kFs).sag, 0.0);
    for (int v : {INT_MIN, -100000, -1, 0, 100000, INT_MAX}) {
        for (int voicing : {0, 2, 3}) {
            CVirtualValve valve;
            valve.SetParams({v, v, v, v, 8, voicing, v, v, v, v, v});
            ASSERT_EQ(FeedFilter(valve, in, 2, {.block = 1000}).size(), in.size());
            valve.SetParams({v, v, v, v, v, voicing, -(v / 2), v / 2, -(v / 2), v, v});
            ASSERT_EQ(FeedFilter(valve, in, 1, {.block = 1000}).size(), in.size());
        }
    }
    CVirtualValve valve;
    CWaveFile source, output;
    source.SetFormat(1, 3, 44100, 16);
    EXPECT_FALSE(valve.Prepare(source, output));
}

}  // namespace
