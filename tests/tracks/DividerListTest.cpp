#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "tracks/DividerEntries.h"

TEST(DividerList, AddNamesFromTheTitleSkipsTakenNamesAndKeepsNamesWithPositions) {
    CDividerList list;
    EXPECT_EQ(list.Add(5000, "A Very Long Record Title"), 0);
    EXPECT_EQ(list.Name(0), "A Very Long Rec_1");  // 15 characters of the title
    // Adding before an existing divider re-sorts; the names travel with their positions.
    EXPECT_EQ(list.Add(1000, "Side"), 0);
    EXPECT_EQ(EntriesOf(list), (Entries{{1000, "Side_2"}, {5000, "A Very Long Rec_1"}}));
    // n starts at count + 1 and skips a name already in use.
    list.Rename(0, "Side_3");
    EXPECT_EQ(list.Add(9000, "Side"), 2);
    EXPECT_EQ(list.Name(2), "Side_4");
    // The 15 are characters, not bytes: 13 two-byte characters stay whole.
    CDividerList utf;
    utf.Add(0, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9-more");
    EXPECT_EQ(utf.Name(0), "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9-more_1");
}

TEST(DividerList, AHundredIsTheLimitAndTheStatusFlagsSurviveEdits) {
    CDividerList list;
    DividerBlock block{};
    block.SetStatusDone(0, true);
    block.SetStatusDone(2, true);
    list.Assign(block, 0);
    for (uint32_t i = 0; i < 99; ++i) ASSERT_GE(list.Add(i * 4, "t"), 0);
    list.Remove(50);
    list.Remove(-1);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.Block().StatusDone(0));
    EXPECT_FALSE(list.Block().StatusDone(1));
    EXPECT_TRUE(list.Block().StatusDone(2));
    for (uint32_t i = 0; i < 100; ++i) ASSERT_GE(list.Add(i * 4, "t"), 0);
    EXPECT_EQ(list.Add(1, "t"), -1);
    EXPECT_FALSE(list.Append(1, "x"));
    EXPECT_EQ(list.Count(), 100);
    // A stored count above the limit reads as the limit.
    CDividerList clamped;
    clamped.Assign(list.Block(), 5000);
    EXPECT_EQ(clamped.Count(), 100);
}

TEST(DividerList, RenameAndMove) {
    CDividerList list;
    for (const auto& [pos, name] : Entries{{0, "a"}, {10, "b"}, {30, "d"}, {40, "e"}}) list.Append(pos, name);
    EXPECT_TRUE(list.Rename(1, ""));
    EXPECT_EQ(list.Name(1), "1");
    EXPECT_TRUE(list.Rename(1, std::string(400, 'x')));
    EXPECT_EQ(list.Name(1), std::string(255, 'x'));

    // Moving past a neighbour re-sorts and reports where the divider landed; ties keep their order.
    EXPECT_EQ(list.MoveTo(0, 35), 2);
    EXPECT_EQ(list.MoveTo(3, 30), 2);
    EXPECT_EQ(EntriesOf(list), (Entries{{10, std::string(255, 'x')}, {30, "d"}, {30, "e"}, {35, "a"}}));
    EXPECT_EQ(list.MoveTo(9, 1), -1);
}
