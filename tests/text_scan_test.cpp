#include "TextScan.h"

#include <gtest/gtest.h>

namespace brevant::test {
namespace {

TEST(FindPatternTest, FindsTheFirstOccurrenceFromStartWithinBounds)
{
    EXPECT_EQ(FindPattern("SVxSV", "SV", 1), 3);
    EXPECT_EQ(FindPattern("aaab", "aab", 0), 1);  // needs the failure table
    EXPECT_EQ(FindPattern("abababca", "ababca", 0), 2);
    EXPECT_EQ(FindPattern("abc", "", 2), 2);
    EXPECT_EQ(FindPattern("abc", "a", -1), -1);
    EXPECT_EQ(FindPattern("abc", "bc", 2), -1);  // start + length beyond the text
    EXPECT_EQ(FindPattern("xxSAK217", "S?K", 0), -1);  // '?' is an ordinary character
    EXPECT_EQ(FindPattern("what?a", "t?a", 0), 3);
}

TEST(ParseDecimalTest, ReadsAsCDoes)
{
    EXPECT_EQ(ParseDecimal("-12"), -12);
    EXPECT_EQ(ParseDecimal("  +7x"), 7);
    EXPECT_EQ(ParseDecimal("12\r\n"), 12);
    EXPECT_EQ(ParseDecimal(""), 0);
    EXPECT_EQ(ParseDecimal("-"), 0);
    EXPECT_EQ(ParseDecimal("x5"), 0);
    EXPECT_EQ(ParseDecimal("--5"), 0);
    EXPECT_EQ(ParseDecimal("99999999999"), 2147483647);
    EXPECT_EQ(ParseDecimal("-99999999999"), -2147483647 - 1);
}

}  // namespace
}  // namespace brevant::test
