#include <gtest/gtest.h>

#include "base/HeadlessServices.h"
#include "base/StringTable.h"

TEST(StringTable, ReplacesEveryPlaceholderAndKeepsTextExact) {
    EXPECT_EQ(FormatString(kMsgBadFileType, "a.xyz"), "Bad or unrecognized file type: a.xyz");
    EXPECT_EQ(FillIn("%1 and %1", {"%1x"}), "%1x and %1x");
    EXPECT_EQ(FillIn("%s wrote %d of %d; %2", {"f", "3", "4"}), "f wrote 3 of 4; 3");
    EXPECT_EQ(FillIn("100% sure, %1", {}), "100% sure, ");
    EXPECT_EQ(LoadString(MsgId(999999)), "");
}

TEST(HeadlessServices, QueuedAnswersThenPolicy) {
    CHeadlessServices s;
    SetServices(&s);
    s.QueueAnswer(MsgAnswer::No);
    EXPECT_EQ(ShowMessage(kMsgSessionCorrupt, MsgIcon::Stop, MsgButtons::YesNoCancel), MsgAnswer::No);
    EXPECT_EQ(ShowMessage(kMsgSessionCorrupt, MsgIcon::Stop, MsgButtons::YesNoCancel), MsgAnswer::Yes);
    s.SetPolicy(CHeadlessServices::Policy::No);
    EXPECT_EQ(ShowMessage(kMsgSessionCorrupt, MsgIcon::Stop, MsgButtons::YesNo), MsgAnswer::No);
    ASSERT_EQ(s.Messages().size(), 3u);
    EXPECT_EQ(s.Messages()[0].icon, MsgIcon::Stop);
    EXPECT_EQ(s.Messages()[0].text, LoadString(kMsgSessionCorrupt));
    SetServices(nullptr);
}

TEST(HeadlessServices, RunProgramReportsExitCode) {
    CHeadlessServices s;
    EXPECT_EQ(s.RunProgram({"sh", "-c", "exit 3"}, true), 3);
    EXPECT_EQ(s.RunProgram({"/nonexistent/program"}, true), -1);
}
