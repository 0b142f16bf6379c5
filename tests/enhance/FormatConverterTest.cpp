// Sample-rate and resolution conversion: what reaches the destination (rate,
// width and length as an independent reader sees them, tone purity, resolution-only
// changes) and how each refusal and failure leaves the files.
#include "base/StringTable.h"
#include "enhance/FormatConverter.h"
#include "support/CliHarness.h"
#include "support/FilterHarness.h"
#include "support/WaveBuilder.h"

namespace {

class FormatConverterTest : public ProcessingTest {
protected:
    // Everything but the tone, relative to the tone, in dB, over frames [from, from + n) of one
    // channel. The window holds whole cycles of f (cycles per frame), so projections find the tone.
    static double ThdPlusNoiseDb(const std::vector<int64_t>& s, int channels, int channel, double f, size_t from,
                                 size_t n) {
        double a = 0, b = 0, dc = 0;
        for (size_t i = from; i < from + n; ++i) {
            const double y = double(s[i * channels + channel]);
            a += y * std::sin(2 * M_PI * f * i);
            b += y * std::cos(2 * M_PI * f * i);
            dc += y;
        }
        a *= 2.0 / n;
        b *= 2.0 / n;
        dc /= n;
        double residual = 0;
        for (size_t i = from; i < from + n; ++i) {
            const double e = double(s[i * channels + channel]) - a * std::sin(2 * M_PI * f * i) -
                             b * std::cos(2 * M_PI * f * i) - dc;
            residual += e * e;
        }
        return 10 * std::log10(residual / ((a * a + b * b) / 2 * double(n)));
    }

    CFormatConverter converter;
};

TEST_F(FormatConverterTest, A48k24BitToneBecomesAClean44k16BitTone) {
    const double a = 0.89 * 8388607;  // -1 dBFS
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 2, 48000, 24, SineWave(144000, 2, 997.0 / 48000, a, 1.0)));
    ASSERT_EQ(converter.DoConvert(dir.File("in.wav"), dir.File("out.wav"), 44100, 16, 1), CFormatConverter::kConvertOk);
    EXPECT_TRUE(services.Messages().empty());
    // What another program makes of our header: sox's own reader.
    const std::string soxiOut = dir.File("soxi.txt");
    ASSERT_EQ(RunShell("for o in -r -b -c -s; do soxi $o " + ShellQuote(dir.File("out.wav")) + "; done > " +
                       ShellQuote(soxiOut)),
              0);
    EXPECT_EQ(ReadText(soxiOut), "44100\n16\n2\n132300\n");
    const auto s = WaveSamples(dir.File("out.wav"));
    ASSERT_EQ(s.size(), 2u * 132300);
    for (int c = 0; c < 2; ++c) {
        // 88200 frames of 997 Hz at 44.1 kHz are 1994 whole cycles.
        EXPECT_LT(ThdPlusNoiseDb(s, 2, c, 997.0 / 44100, 20000, 88200), -85.0) << c;
    }
}

TEST_F(FormatConverterTest, ResolutionAloneKeepsEverySampleWithinTheDither) {
    // Mono 24-bit to 16-bit at the same rate: no resampling, only the dithered cut to 16 bits.
    const auto in = SineWave(30000, 1, 0.013, 6000000);
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 1, 44100, 24, in));
    ASSERT_EQ(converter.DoConvert(dir.File("in.wav"), dir.File("out.wav"), 44100, 16, 1), CFormatConverter::kConvertOk);
    const auto s = WaveSamples(dir.File("out.wav"));
    ASSERT_EQ(s.size(), in.size());
    double mean = 0;
    bool dithered = false;
    for (size_t i = 0; i < s.size(); ++i) {
        const double diff = s[i] - in[i] / 256.0;
        ASSERT_LE(std::abs(diff), 3.0) << i;
        dithered = dithered || s[i] != (in[i] >> 8);
        mean += diff;
    }
    EXPECT_TRUE(dithered);
    EXPECT_NEAR(mean / s.size(), -0.5, 0.1);  // the dither adds no offset beyond the cut's half step
}

TEST_F(FormatConverterTest, NothingToDoAndRefusalsLeaveNoDestination) {
    ASSERT_TRUE(WriteWave(dir.File("cd.wav"), 2, 44100, 16, SineWave(5000, 2, 0.01, 10000, 1.0)));
    const Bytes before = ReadBytes(dir.File("cd.wav"));
    EXPECT_EQ(converter.DoConvert(dir.File("cd.wav"), dir.File("out.wav"), 44100, 16, 1),
              CFormatConverter::kConvertNothingToDo);
    ASSERT_EQ(services.Messages().size(), 1u);
    EXPECT_EQ(services.Messages()[0].text, LoadString(kMsgNothingToDo));

    // Writing over the source, a missing source, a width no wave has and an absurd rate change.
    EXPECT_EQ(converter.DoConvert(dir.File("cd.wav"), dir.File("cd.wav"), 48000, 16, 1),
              CFormatConverter::kConvertCannotCreate);
    EXPECT_EQ(converter.DoConvert(dir.File("none.wav"), dir.File("out.wav"), 48000, 16, 1),
              CFormatConverter::kConvertCannotOpen);
    EXPECT_EQ(converter.DoConvert(dir.File("cd.wav"), dir.File("out.wav"), 44100, 12, 1),
              CFormatConverter::kConvertBadResolution);
    EXPECT_EQ(converter.DoConvert(dir.File("cd.wav"), dir.File("out.wav"), 100, 16, 1),
              CFormatConverter::kConvertResampleFailed);
    EXPECT_EQ(services.Messages().back().text, LoadString(kMsgResampleFailed));
    EXPECT_EQ(services.Messages().back().icon, MsgIcon::Exclamation);
    EXPECT_EQ(services.Messages().size(), 5u);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.wav")));
    EXPECT_EQ(ReadBytes(dir.File("cd.wav")), before);
}

TEST_F(FormatConverterTest, CancellingAndTruncatedSourcesLeaveNoDestination) {
    ASSERT_TRUE(WriteWave(dir.File("in.wav"), 2, 48000, 24, SineWave(100000, 2, 0.01, 100000, 1.0)));
    services.onPump = [](int pumps) {
        if (pumps >= 3) CancelFlag().store(true);
    };
    EXPECT_EQ(converter.DoConvert(dir.File("in.wav"), dir.File("out.wav"), 44100, 16, 1),
              CFormatConverter::kConvertCancelled);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.wav")));
    CancelFlag().store(false);
    services.onPump = nullptr;

    // A header that promises more data than the file holds still converts what is there.
    WaveLayout layout;
    layout.rate = 48000;
    layout.bits = 24;
    layout.claimedDataSize = 6u * 100000;
    layout.truncateTo = 44 + 6u * 30000 + 1;
    ASSERT_TRUE(
        WriteBytes(dir.File("cut.wav"), BuildWave(layout, EncodeSamples(24, SineWave(100000, 2, 0.01, 1000, 1.0)))));
    EXPECT_EQ(converter.DoConvert(dir.File("cut.wav"), dir.File("out.wav"), 44100, 16, 1),
              CFormatConverter::kConvertOk);
    EXPECT_NEAR(WaveData(dir.File("out.wav")).size() / 4.0, 30000 * 44100 / 48000.0, 1.0);
}

}  // namespace
