#include <gtest/gtest.h>

#include "shell/HeadlessServices.h"
#include "shell/StringTable.h"

TEST(StringTable, ReplacesEveryPlaceholderAndKeepsTextExact) {
    EXPECT_EQ(FormatString(32834, "a.xyz"), "Bad or unrecognized file type: a.xyz");
    EXPECT_EQ(ReplaceArg("%1 and %1", "%1x"), "%1x and %1x");
    EXPECT_EQ(LoadString(999999), "");
}

TEST(HeadlessServices, QueuedAnswersThenPolicy) {
    CHeadlessServices s;
    SetServices(&s);
    s.QueueAnswer(MsgAnswer::No);
    EXPECT_EQ(ShowMessage(376, MsgIcon::Stop, MsgButtons::YesNoCancel), MsgAnswer::No);
    EXPECT_EQ(ShowMessage(376, MsgIcon::Stop, MsgButtons::YesNoCancel), MsgAnswer::Yes);
    s.SetPolicy(CHeadlessServices::Policy::No);
    EXPECT_EQ(ShowMessage(376, MsgIcon::Stop, MsgButtons::YesNo), MsgAnswer::No);
    ASSERT_EQ(s.Messages().size(), 3u);
    EXPECT_EQ(s.Messages()[0].icon, MsgIcon::Stop);
    EXPECT_EQ(s.Messages()[0].text, LoadString(376));
    SetServices(nullptr);
}

TEST(HeadlessServices, RunProgramReportsExitCode) {
    CHeadlessServices s;
    EXPECT_EQ(s.RunProgram({"sh", "-c", "exit 3"}, true), 3);
    EXPECT_EQ(s.RunProgram({"/nonexistent/program"}, true), -1);
}
