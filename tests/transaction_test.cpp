// Golden-wire tests of the transactions: the exact bytes each kind of
// operation writes, and what each reply stores (or does not).
#include "tests/LinkFixture.h"

namespace brevant::test {
namespace {

using TransactionTest = LinkFixture;

// The mirror entry a row of the table below expects to hold the reply.
#define FIELD(entry) [](DeviceParams& d) -> Value& { return d.entry; }

// Each kind of operation: the line it writes, and what the reply leaves in
// the mirror (the echo, whatever was sent; a limit brought into range).
TEST_F(TransactionTest, EachOperationWritesItsLineAndStoresTheReply)
{
    const struct {
        Op op;
        Address at;
        std::optional<int> value;  // none: a query
        const char* reply;
        const char* written;
        Value& (*field)(DeviceParams&);
        int stored;
    } cases[] = {
        {Op::MG, {1}, {}, "MG1-8\r\n", "MG1r\r\n", FIELD(MG[1]), -8},
        {Op::MG, {2}, -5, "MG2-5\r\n", "MG2-5\r\n", FIELD(MG[2]), -5},
        {Op::OV, {3}, 25, "OV320\r\n", "OV325\r\n", FIELD(OV[3]), 20},      // the echo wins
        {Op::MG, {2}, {}, "MG27\r\n", "MG2r\r\n", FIELD(MG[2]), 7},         // the channel is one character
        {Op::MX, {3, 4}, 1, "MX341\r\n", "MX341\r\n", FIELD(MX[3][4]), 1},  // input, then output
        {Op::XG, {2, 1}, {}, "XG21-30\r\n", "XG21r\r\n", FIELD(XG[2][1]), -30},
        {Op::MB, {5}, 1, "MBs1\r\n", "MBs1\r\n", FIELD(MB), 1},  // device-wide: no channel
        {Op::MP, {5}, {}, "MPs3\r\n", "MPsr\r\n", FIELD(MP), 3},
        {Op::ML, {2}, {}, "ML2-37\r\n", "ML2r\r\n", FIELD(ML[2]), -37},
        {Op::OL, {1}, 99, "OL1-20\r\n", "OL1r\r\n", FIELD(OL[1]), -20},  // a set on a meter is a query
        {Op::MRSwitch, {2}, 5, "MR25\r\n", "MR25\r\n", FIELD(MRon[2]), 1},
        {Op::MRSwitch, {2}, 0, "MR20\r\n", "MR20\r\n", FIELD(MRon[2]), 0},
        {Op::OD, {1}, {}, "OD1250\r\n", "OD1r\r\n", FIELD(OD[1]), 200},
        {Op::OD, {1}, {}, "OD1-3\r\n", "OD1r\r\n", FIELD(OD[1]), 0},
        {Op::OF, {2}, {}, "OF2250\r\n", "OF2r\r\n", FIELD(OF[2]), 0},  // below the range: off
        {Op::OF, {2}, {}, "OF225000\r\n", "OF2r\r\n", FIELD(OF[2]), 20000},
        {Op::OF, {2}, {}, "OF2300\r\n", "OF2r\r\n", FIELD(OF[2]), 300},
        {Op::OH, {3}, {}, "OH329\r\n", "OH3r\r\n", FIELD(OH[3]), 0},
        {Op::OH, {3}, {}, "OH330\r\n", "OH3r\r\n", FIELD(OH[3]), 30},
        {Op::OH, {3}, {}, "OH3700\r\n", "OH3r\r\n", FIELD(OH[3]), 600},
    };
    p.MR[2] = 7;
    for (const auto& c : cases) {
        port.ClearRecord();
        port.Answer(kPort, c.reply);
        EXPECT_TRUE(link.Run(c.op, c.at, c.value)) << c.reply;
        EXPECT_EQ(port.Written(), c.written);
        EXPECT_EQ(c.field(p), c.stored) << c.reply;
    }
    EXPECT_EQ(p.MR[2], 7) << "the noise switch changed the level";
}

TEST_F(TransactionTest, TheReplyNamesTheChannelThatIsStored)
{
    // The device's word for channel 3 is kept, but it answers nothing about channel 1.
    port.Answer(kPort, "MG3-8\r\n");
    EXPECT_EQ(link.Query(Op::MG, {1}).Error(), LinkError::OtherAddress);
    EXPECT_EQ(p.MG[3], -8);
    EXPECT_EQ(p.MG[1], 0);
    port.Answer(kPort, "XG21-4\r\n");  // input and output swapped
    EXPECT_EQ(link.Set(Op::XG, {1, 2}, -4).Error(), LinkError::OtherAddress);
    EXPECT_EQ(p.XG[2][1], -4);
    // The same input to another output answers another crosspoint.
    port.Answer(kPort, "XG22-12\r\n");
    EXPECT_EQ(link.Query(Op::XG, {2, 1}).Error(), LinkError::OtherAddress);
    EXPECT_EQ(p.XG[2][1], -4);
    EXPECT_EQ(p.XG[2][2], -12);
    port.Answer(kPort, "XG51-3\r\n");
    EXPECT_EQ(link.Query(Op::XG, {2, 1}).Error(), LinkError::BadAddress);
    port.Answer(kPort, "MPx2\r\n");  // device-wide values check three letters
    EXPECT_FALSE(link.Query(Op::MP));
    EXPECT_EQ(p.MP, 0);
}

TEST_F(TransactionTest, OnlyTheExactFormIsTakenAndAnythingElseStoresNothing)
{
    p.MG[1] = 4;
    p.OV[1] = 4;
    p.MX[1][1] = 1;
    p.ML[1] = 4;
    const struct {
        Op op;
        Address at;
        const char* reply;
        LinkError error;
    } cases[] = {
        {Op::MG, {1}, "mg1-12\r\n", LinkError::WrongReply},  // case matters: another code
        {Op::MG, {1}, "MG\r\n", LinkError::BadAddress},      // no channel
        {Op::MG, {1}, "MG5-12\r\n", LinkError::BadAddress},  // channel outside 1..4
        {Op::MG, {1}, "MG0-12\r\n", LinkError::BadAddress},
        {Op::MG, {1}, "MG1-8", LinkError::Incomplete},    // cut before its line end
        {Op::MG, {1}, "MG1-12\n", LinkError::Malformed},  // line feed alone
        {Op::MG, {1}, "MG1-8\r\r\n", LinkError::Malformed},
        {Op::MG, {1}, "MG1\r\n", LinkError::Malformed},  // no value
        {Op::MG, {1}, "MG1+5\r\n", LinkError::Malformed},
        {Op::MG, {1}, "MG1005\r\n", LinkError::Malformed},  // more digits than -10..47 has
        {Op::MG, {1}, "MG148\r\n", LinkError::Malformed},   // outside -10..47
        {Op::OV, {1}, "OV12147483647\r\n", LinkError::Malformed},
        {Op::MX, {1, 1}, "MX112\r\n", LinkError::Malformed},  // an on/off crosspoint
        {Op::ML, {1}, "ML1-1000\r\n", LinkError::Malformed},  // a meter's scale has three digits
    };
    for (const auto& c : cases) {
        port.Answer(kPort, c.reply);
        const Status status = link.Query(c.op, c.at);
        EXPECT_EQ(status.Error(), c.error) << c.reply;
        EXPECT_EQ(p.MG[1] + p.OV[1] + p.MX[1][1] + p.ML[1], 13) << c.reply;
    }

    // The edges of what a setting holds are taken.
    for (const char* reply : {"MG1-10\r\n", "MG147\r\n", "MG1-0\r\n"}) {
        port.Answer(kPort, reply);
        EXPECT_TRUE(link.Query(Op::MG, {1})) << reply;
    }
}

TEST_F(TransactionTest, AReplyNotTakenIsTracedWithTheReason)
{
    ProtocolTrace trace;
    link.SetTrace(&trace);
    port.Answer(kPort, "OV12147483647\r\n");
    EXPECT_EQ(link.Query(Op::OV, {1}).Error(), LinkError::Malformed);
    EXPECT_EQ(trace.Snapshot().back().bytes,
              "reply not taken: its value has more digits than the setting holds");
    link.SetTrace(nullptr);
}

TEST_F(TransactionTest, OutgoingChannelsOutsideOneToFourAreNeverSent)
{
    EXPECT_EQ(link.Query(Op::MG, {5}).Error(), LinkError::BadAddress);
    EXPECT_EQ(link.Set(Op::MX, {1, 0}, 1).Error(), LinkError::BadAddress);
    EXPECT_EQ(link.Query(Op::BlockD, {11}).Error(), LinkError::BadAddress);
    EXPECT_EQ(port.Written(), "");
}

TEST_F(TransactionTest, NoPortFailsAtOnceWithNothingWritten)
{
    for (int number : {0, -1}) {
        state.flags.PortNumber = number;
        EXPECT_EQ(link.Query(Op::MG, {1}).Error(), LinkError::NoPort);
        EXPECT_EQ(link.Run(Op::SS).Error(), LinkError::NoPort);
        EXPECT_FALSE(link.ReadVersion());
    }
    EXPECT_EQ(port.Written(), "");
    EXPECT_EQ(port.Now(), Micros{0});
}

// The flags CG0..CG3 before and after each action, as four digits.
TEST_F(TransactionTest, ActionsMatchTheWholeReplyAndSetTheirFlags)
{
    const struct {
        Op op;
        const char* reply;  // "": none
        const char* before;
        LinkError error;
        const char* after;
    } cases[] = {
        {Op::CG2, "CGs2\r\n", "0000", LinkError::None, "0010"},
        {Op::CG2, "CGs21\r\n", "0010", LinkError::WrongReply, "0000"},  // the whole reply, not a prefix
        {Op::CG1, "CGs1\r\n", "0010", LinkError::None, "0100"},
        {Op::CG1, "CGsX\r\n", "0110", LinkError::WrongReply, "0010"},
        {Op::CG1, "CGs1\n", "0100", LinkError::Malformed, "0100"},  // out of form: no answer either way
        {Op::CG3, "CGs3\r\n", "1000", LinkError::None, "0001"},
        {Op::CG0, "CGs0\r\n", "0001", LinkError::None, "1000"},
        {Op::CG0, "", "1000", LinkError::NoReply, "1000"},
    };
    Value* flags[] = {&p.CG0, &p.CG1, &p.CG2, &p.CG3};
    for (const auto& c : cases) {
        for (int i = 0; i < 4; ++i)
            *flags[i] = c.before[i] - '0';
        if (*c.reply)
            port.Answer(kPort, c.reply);
        else
            port.Ignore(kPort);
        EXPECT_EQ(link.Run(c.op).Error(), c.error) << c.reply;
        std::string after;
        for (const Value* flag : flags)
            after += static_cast<char>('0' + *flag);
        EXPECT_EQ(after, c.after) << c.reply;
    }
    EXPECT_EQ(port.Writes().front(), "CGs2\r\n");
}

std::string BlockReply(char code, char letter, const std::vector<int>& values)
{
    std::string reply;
    for (std::size_t j = 0; j < values.size(); ++j)
        reply +=
            std::string{code, letter, static_cast<char>('0' + j % 10)} + std::to_string(values[j]) + "\r\n";
    return reply;
}

TEST_F(TransactionTest, BlockReadStoresOneValuePerLineInOrder)
{
    port.Answer(kPort, BlockReply('D', 'C', {-1, -2, -3, -4, -5, 6, 7, 8, 9, 10}));
    EXPECT_TRUE(link.Query(Op::BlockD, {3}));
    EXPECT_EQ(port.Written(), "DCsr\r\n");
    EXPECT_EQ(p.DSR[3][0], -1);
    EXPECT_EQ(p.DSR[3][4], -5);
    EXPECT_EQ(p.DSR[3][9], 10);

    port.ClearRecord();
    port.Answer(kPort, BlockReply('E', 'J', {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_TRUE(link.Query(Op::BlockE, {10}));
    EXPECT_EQ(port.Written(), "EJsr\r\n");
    EXPECT_EQ(p.ESR[10][9], 10);  // lines after the tenth are dropped
}

TEST_F(TransactionTest, BlockReadRulesForShortAndOddReplies)
{
    p.DSR[1][0] = 5;
    port.Answer(kPort, std::string(20, 'x'));  // 20 bytes: too short
    EXPECT_EQ(link.Query(Op::BlockD, {1}).Error(), LinkError::ShortBlock);

    // One line out of form spoils the block: nothing of it is stored.
    const std::string good = BlockReply('D', 'A', {1, 2, 3, 4, 5, 6, 7, 8, 9});
    const struct {
        std::string reply;
        LinkError error;
    } cases[] = {
        {good + "DA9\r\n", LinkError::Malformed},  // no value
        {good + "DA9x\r\n", LinkError::Malformed},
        {good + "DA9123456\r\n", LinkError::Malformed},  // more digits than a result has
        {good + "DA9-4\n", LinkError::Malformed},        // line feed alone
        {"ML2-28\r\n" + good, LinkError::Malformed},     // a late meter reply is no point
        {good, LinkError::Incomplete},                   // nine lines
        {std::string(30, 'z'), LinkError::Incomplete},
    };
    for (const auto& c : cases) {
        port.Answer(kPort, c.reply);
        EXPECT_EQ(link.Query(Op::BlockD, {1}).Error(), c.error) << c.reply;
        EXPECT_EQ(p.DSR[1][0], 5) << c.reply;
    }
}

TEST_F(TransactionTest, SetConfirmedTriesEightTimesAtMost)
{
    for (int i = 0; i < 8; ++i)
        port.Ignore(kPort);
    EXPECT_EQ(link.SetConfirmed(Op::MM, {1}, 1).Error(), LinkError::NotConfirmed);
    EXPECT_EQ(port.Writes().size(), 8u);

    port.ClearRecord();
    port.Ignore(kPort);
    port.Answer(kPort, "MM11\r\n");
    EXPECT_TRUE(link.SetConfirmed(Op::MM, {1}, 1));
    EXPECT_EQ(port.Writes().size(), 2u);
    EXPECT_EQ(p.MM[1], 1);
}

}  // namespace
}  // namespace brevant::test
