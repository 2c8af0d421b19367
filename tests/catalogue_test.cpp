// The catalogue as data: the wire form of the rows the transactions' tests do
// not write, and the lookup by code (the rows' order is checked where they are
// written).
#include "core/Catalogue.h"

#include <gtest/gtest.h>

namespace brevant::test {
namespace {

TEST(CatalogueTest, CommandLinesOfEveryClass)
{
    const struct {
        Op op;
        Address at;
        std::optional<int32_t> value;
        const char* text;
    } cases[] = {
        {Op::MC, {4}, 1, "MC41\r\n"},  {Op::OF, {1}, 20000, "OF120000\r\n"},
        {Op::MS, {4}, {}, "MS4r\r\n"}, {Op::XG, {1, 2}, -30, "XG12-30\r\n"},
        {Op::CT, {}, 5, "CTs5\r\n"},   {Op::SN, {}, {}, "SNsr\r\n"},
        {Op::SM, {}, {}, "SMs1\r\n"},  {Op::CE, {}, {}, "CEs1\r\n"},
        {Op::SS, {}, {}, "SSs1\r\n"},  {Op::CG3, {}, {}, "CGs3\r\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandText(CommandFor(c.op), c.at, c.value), c.text);
}

TEST(CatalogueTest, LookupByCode)
{
    EXPECT_EQ(FindCommand("MG")->op, Op::MG);
    EXPECT_EQ(FindCommand("MR")->op, Op::MR);  // the level form, not the switch
    EXPECT_EQ(FindCommand("MB")->op, Op::MB);
    EXPECT_EQ(FindCommand("MBs")->op, Op::MB);
    EXPECT_EQ(FindCommand("CGs2")->op, Op::CG2);
    EXPECT_EQ(FindCommand("E")->op, Op::BlockE);
    EXPECT_EQ(FindCommand("mg"), nullptr);
    EXPECT_EQ(FindCommand("ZZ"), nullptr);
}

}  // namespace
}  // namespace brevant::test
