#include "core/TextScan.h"

#include <gtest/gtest.h>

namespace brevant::test {
namespace {

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
