// Reading a shared port's lines as the device reads them, and cutting a
// client's bytes into lines within a fixed bound.
#include "service/parse/SharedLine.h"

#include <gtest/gtest.h>

#include <string>

namespace brevant::service {
namespace {

TEST(SharedLineTest, EachLineIsReadAsTheDeviceReadsIt)
{
    struct Case {
        const char* line;
        LineKind kind;
        Op op;
        Address at;
        bool query;
        int value;
    };
    constexpr Op Any = Op::ML;
    const Case cases[] = {
        {"MG1r\r\n", LineKind::SettingQuery, Op::MG, {1, 0}, true, 0},
        {"MX34r\n", LineKind::SettingQuery, Op::MX, {3, 4}, true, 0},
        {"MBsr", LineKind::SettingQuery, Op::MB, {}, true, 0},
        {"MR2r\r\n", LineKind::SettingQuery, Op::MR, {2, 0}, true, 0},
        {"OL4r\r\n", LineKind::MeterQuery, Op::OL, {4, 0}, true, 0},
        {"MG2-10\r\n", LineKind::Set, Op::MG, {2, 0}, false, -10},
        {"XG41-30\r\n", LineKind::Set, Op::XG, {4, 1}, false, -30},
        {"OF120000\r\n", LineKind::Set, Op::OF, {1, 0}, false, 20000},
        {"SNs5\r\n", LineKind::Set, Op::SN, {}, false, 5},
        {"SSs1\r\n", LineKind::Action, Op::SS, {}, false, 0},
        {"CGs2\r\n", LineKind::SoundTest, Op::CG2, {}, false, 0},
        {"CPs3\r\n", LineKind::SoundTest, Op::CP, {}, false, 3},
        {"CTsr\r\n", LineKind::SoundTest, Op::CT, {}, true, 0},
        {"EJsr\r\n", LineKind::SoundTest, Op::BlockE, {10, 0}, true, 0},
        {"UGst\r\n", LineKind::Upgrade, Any, {}, false, 0},
        {"SAsr\n", LineKind::ModelQuery, Any, {}, false, 0},
        {"SVsr\r\n", LineKind::VersionQuery, Any, {}, false, 0},
        {"SZsr\r\n", LineKind::ServiceQuery, Any, {}, false, 0},
        {"SZsr1\r\n", LineKind::Unknown, Any, {}, false, 0},
        // What the device does not understand, it does not answer.
        {"MG5r\r\n", LineKind::Unknown, Any, {}, false, 0},
        {"MG0r\r\n", LineKind::Unknown, Any, {}, false, 0},
        {"MX3r\r\n", LineKind::Unknown, Any, {}, false, 0},
        {"ML15\r\n", LineKind::Unknown, Any, {}, false, 0},
        {"MG11234567\r\n", LineKind::Unknown, Any, {}, false, 0},
        {"MG1-\r\n", LineKind::Unknown, Any, {}, false, 0},
        {"MG1r\rx\n", LineKind::Unknown, Any, {}, false, 0},
        {"mg1r\r\n", LineKind::Unknown, Any, {}, false, 0},
        {"SSs1x\r\n", LineKind::Unknown, Any, {}, false, 0},
        {"DKsr\r\n", LineKind::Unknown, Any, {}, false, 0},
        {"", LineKind::Unknown, Any, {}, false, 0},
    };
    for (const Case& c : cases) {
        const SharedLine line = ParseSharedLine(c.line);
        EXPECT_EQ(line.kind, c.kind) << c.line;
        if (c.kind == LineKind::Unknown || c.op == Any)
            continue;
        ASSERT_NE(line.command, nullptr) << c.line;
        EXPECT_EQ(line.command->op, c.op) << c.line;
        EXPECT_EQ(line.setting, (SettingRef{c.op, c.at})) << c.line;
        EXPECT_EQ(line.query, c.query) << c.line;
        EXPECT_EQ(line.value, c.value) << c.line;
    }
}

TEST(SharedLineTest, TheSplitterKeepsLinesAndDropsOverlongOnesWithinItsBound)
{
    LineSplitter splitter;
    const std::string stream = "MG1r\r\nSAsr\n" + std::string(1000, 'x') + "\r\nMG2r\r\n" +
                               std::string(kMaxSharedLine, 'y') + "\r\nMG3";
    std::vector<std::string> lines;
    std::string_view rest = stream;
    while (!rest.empty() || splitter.Room() < LineSplitter::kSplitterCapacity) {
        if (auto line = splitter.Next()) {
            lines.push_back(*line);
            continue;
        }
        if (rest.empty())
            break;
        const std::size_t taken = splitter.Feed(rest.substr(0, 100));
        ASSERT_GT(taken, 0u);
        rest.remove_prefix(taken);
        EXPECT_GE(splitter.Room(), 0u);
    }
    const std::vector<std::string> expected{"MG1r\r\n", "SAsr\n", "MG2r\r\n",
                                            std::string(kMaxSharedLine, 'y') + "\r\n"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(splitter.Dropped(), 1u);
    EXPECT_EQ(splitter.TakeRest(), "MG3");
    EXPECT_EQ(splitter.Feed(std::string(2 * LineSplitter::kSplitterCapacity, 'z')),
              LineSplitter::kSplitterCapacity);
}

}  // namespace
}  // namespace brevant::service
