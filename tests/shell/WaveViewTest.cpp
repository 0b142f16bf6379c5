// The waveform's scale and its peaks: any span's peak from the pyramid equals
// the plain maximum of the values it covers, and zooming keeps the byte under
// the pointer where it was, within the song and the finest scale.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "shell/PeakLevels.h"
#include "shell/WaveView.h"

TEST(PeakLevelsTest, EverySpanGivesThePlainMaximumOfItsValues) {
    std::mt19937 random(7);
    // Odd counts make every level of the pyramid end in a lone value.
    for (size_t count : {1u, 2u, 3u, 1001u}) {
        std::vector<uint16_t> values(2 * count);
        for (uint16_t& v : values) v = static_cast<uint16_t>(random() % 32769);
        const uint32_t perValue = 204 * 4;
        CPeakLevels levels;
        levels.Assign(values, MakeWaveFormat(kWaveFormatPcm, 2, 44100, 16), static_cast<uint32_t>(count * perValue));
        ASSERT_EQ(levels.Channels(), 2);
        for (int trial = 0; trial < 300; ++trial) {
            const uint64_t a = random() % (count * perValue);
            const uint64_t b = a + random() % (count * perValue - a + 1);
            const int channel = trial % 2;
            uint32_t want = 0;
            const uint64_t last = std::max(a / perValue + 1, (b + perValue - 1) / perValue);
            for (uint64_t i = a / perValue; i < std::min<uint64_t>(last, count); ++i) {
                want = std::max<uint32_t>(want, values[2 * i + channel]);
            }
            ASSERT_EQ(levels.Peak(channel, a, b), want << 8) << count << " values, [" << a << ", " << b << ")";
        }
    }
}

TEST(WaveViewTest, ZoomKeepsThePointedByteAndStaysWithinTheSong) {
    CWaveView view;
    view.SetSong(4000000, 4);
    view.SetWidth(400);
    EXPECT_TRUE(view.ShowsAll());
    EXPECT_DOUBLE_EQ(view.BytesPerColumn(), 10000);
    EXPECT_FALSE(view.Zoom(false, 100));  // already all of it

    const uint32_t under = view.PositionAt(300);
    ASSERT_TRUE(view.Zoom(true, 300));
    EXPECT_EQ(view.PositionAt(300), under);
    EXPECT_EQ(view.ScrollMaximum(), 400);  // 800 columns of song, 400 shown

    for (int i = 0; i < 30; ++i) view.Zoom(true, 0);
    EXPECT_DOUBLE_EQ(view.BytesPerColumn(), view.FinestScale());  // one frame a column
    EXPECT_EQ(view.PositionAt(1) - view.PositionAt(0), 4u);

    view.ScrollTo(2000000000);  // far past the end: the last screenful
    EXPECT_EQ(view.PositionAt(400), 4000000u);
    view.Reveal(10);
    EXPECT_LE(view.ColumnOf(10), 400);
    EXPECT_GE(view.ColumnOf(10), 0);

    view.Show(100000, 140000);
    EXPECT_DOUBLE_EQ(view.BytesPerColumn(), 100);
    EXPECT_EQ(view.PositionAt(0), 100000u);
}
