#include "de50/de50_base.h"

#include <gtest/gtest.h>

#include <string>

TEST(De50Str, BehavesAsStandardString)
{
    DE50::str s("abc");
    s += "def";
    EXPECT_EQ(std::string("abcdef"), s);
    EXPECT_STREQ("abcdef", s.c());
}

TEST(De50Dbg, LongAndNullLinesDoNotFail)
{
    std::string longLine(5000, 'x');
    testing::internal::CaptureStderr();
    DE50::WriteDbg("%s", longLine.c_str());
    DE50::WriteDbgUnsafe("%d%%", 5);
    DE50::WriteDbg(nullptr);
    std::string out = testing::internal::GetCapturedStderr();
    EXPECT_EQ(longLine + "\n5%\n(null)\n", out);
}
