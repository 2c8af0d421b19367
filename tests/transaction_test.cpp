// Golden-wire tests of the transactions: the exact bytes each kind of
// operation writes, and what each reply stores (or does not).
#include "tests/LinkFixture.h"

namespace brevant::test {
namespace {

using TransactionTest = LinkFixture;

TEST_F(TransactionTest, ChannelQueryAndSetWriteTheirLinesAndStoreTheEcho)
{
    port.Answer(kPort, "MG1-8\r\n");
    EXPECT_TRUE(link.Query(Op::MG, {1}));
    EXPECT_EQ(port.Written(), "MG1r\r\n");
    EXPECT_EQ(p.MG[1], -8);

    port.ClearRecord();
    port.Answer(kPort, "MG2-5\r\n");
    EXPECT_TRUE(link.Set(Op::MG, {2}, -5));
    EXPECT_EQ(port.Written(), "MG2-5\r\n");
    EXPECT_EQ(p.MG[2], -5);

    // The device's echo wins over the value that was sent.
    port.Answer(kPort, "OV320\r\n");
    EXPECT_TRUE(link.Set(Op::OV, {3}, 25));
    EXPECT_EQ(p.OV[3], 20);
}

TEST_F(TransactionTest, TheReplyNamesTheChannelThatIsStored)
{
    // The device's word for channel 3 is kept, but it answers nothing about channel 1.
    port.Answer(kPort, "MG3-8\r\n");
    EXPECT_EQ(link.Query(Op::MG, {1}).Error(), LinkError::OtherAddress);
    EXPECT_EQ(p.MG[3], -8);
    EXPECT_EQ(p.MG[1], 0);
    port.Answer(kPort, "XG21-4\r\n");
    EXPECT_EQ(link.Set(Op::XG, {1, 2}, -4).Error(), LinkError::OtherAddress);
    EXPECT_EQ(p.XG[2][1], -4);

    // The channel is always one character: MG27 is channel 2, value 7.
    port.Answer(kPort, "MG27\r\n");
    EXPECT_TRUE(link.Query(Op::MG, {2}));
    EXPECT_EQ(p.MG[2], 7);
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
        {Op::MG, {1}, "mg1-12\r\n", LinkError::WrongReply},   // case matters: another code
        {Op::MG, {1}, "MG\r\n", LinkError::BadAddress},       // no channel
        {Op::MG, {1}, "MG5-12\r\n", LinkError::BadAddress},   // channel outside 1..4
        {Op::MG, {1}, "MG0-12\r\n", LinkError::BadAddress},
        {Op::MG, {1}, "MG1-8", LinkError::Incomplete},       // cut before its line end
        {Op::MG, {1}, "MG1-12\n", LinkError::Malformed},     // line feed alone
        {Op::MG, {1}, "MG1-8\r\r\n", LinkError::Malformed},
        {Op::MG, {1}, "MG1\r\n", LinkError::Malformed},       // no value
        {Op::MG, {1}, "MG1-\r\n", LinkError::Malformed},
        {Op::MG, {1}, "MG1+5\r\n", LinkError::Malformed},
        {Op::MG, {1}, "MG15x\r\n", LinkError::Malformed},
        {Op::MG, {1}, "MG1005\r\n", LinkError::Malformed},     // more digits than -10..47 has
        {Op::MG, {1}, "MG148\r\n", LinkError::Malformed},      // outside -10..47
        {Op::OV, {1}, "OV12147483647\r\n", LinkError::Malformed},
        {Op::MX, {1, 1}, "MX112\r\n", LinkError::Malformed},   // an on/off crosspoint
        {Op::ML, {1}, "ML1-1000\r\n", LinkError::Malformed},   // a meter's scale has three digits
    };
    for (const auto& c : cases) {
        port.Answer(kPort, c.reply);
        const Status status = link.Query(c.op, c.at);
        EXPECT_EQ(status.Error(), c.error) << c.reply;
        EXPECT_EQ(p.MG[1] + p.OV[1] + p.MX[1][1] + p.ML[1], 13) << c.reply;
    }
    EXPECT_EQ(log.Size(), 0u);  // none of these is logged

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
    const auto records = trace.Snapshot();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().direction, TraceDirection::Event);
    EXPECT_EQ(records.back().bytes, "reply not taken: its value has more digits than the setting holds");
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

TEST_F(TransactionTest, CrosspointLinesNameInputThenOutput)
{
    port.Answer(kPort, "MX341\r\n");
    EXPECT_TRUE(link.Set(Op::MX, {3, 4}, 1));
    EXPECT_EQ(port.Written(), "MX341\r\n");
    EXPECT_EQ(p.MX[3][4], 1);

    port.ClearRecord();
    port.Answer(kPort, "XG21-30\r\n");
    EXPECT_TRUE(link.Query(Op::XG, {2, 1}));
    EXPECT_EQ(port.Written(), "XG21r\r\n");
    EXPECT_EQ(p.XG[2][1], -30);

    port.Answer(kPort, "XG51-3\r\n");
    EXPECT_EQ(link.Query(Op::XG, {2, 1}).Error(), LinkError::BadAddress);
    EXPECT_EQ(p.XG[2][1], -30);
    // The same input to another output answers another crosspoint.
    port.Answer(kPort, "XG22-12\r\n");
    EXPECT_EQ(link.Query(Op::XG, {2, 1}).Error(), LinkError::OtherAddress);
    EXPECT_EQ(p.XG[2][1], -30);
    EXPECT_EQ(p.XG[2][2], -12);
}

TEST_F(TransactionTest, DeviceValuesIgnoreTheChannelAndCheckThreeLetters)
{
    port.Answer(kPort, "MBs1\r\n");
    EXPECT_TRUE(link.Set(Op::MB, {5}, 1));
    EXPECT_EQ(port.Written(), "MBs1\r\n");
    EXPECT_EQ(p.MB, 1);

    port.ClearRecord();
    port.Answer(kPort, "MPs3\r\n");
    EXPECT_TRUE(link.Query(Op::MP, {5}));
    EXPECT_EQ(port.Written(), "MPsr\r\n");
    EXPECT_EQ(p.MP, 3);

    port.Answer(kPort, "MPx2\r\n");
    EXPECT_FALSE(link.Query(Op::MP));
    EXPECT_EQ(p.MP, 3);
}

TEST_F(TransactionTest, OutputLimitsAreClampedAfterStoring)
{
    const struct {
        Op op;
        int channel;
        const char* reply;
        int stored;
    } cases[] = {
        {Op::OD, 1, "OD1250\r\n", 200}, {Op::OD, 1, "OD1-3\r\n", 0},
        {Op::OD, 1, "OD1200\r\n", 200}, {Op::OF, 2, "OF2250\r\n", 0},
        {Op::OF, 2, "OF225000\r\n", 20000}, {Op::OF, 2, "OF21000\r\n", 1000},
        {Op::OF, 2, "OF2300\r\n", 300}, {Op::OH, 3, "OH329\r\n", 0},
        {Op::OH, 3, "OH330\r\n", 30}, {Op::OH, 3, "OH3700\r\n", 600},
    };
    for (const auto& c : cases) {
        port.Answer(kPort, c.reply);
        EXPECT_TRUE(link.Query(c.op, {c.channel})) << c.reply;
        const Value& field = c.op == Op::OD ? p.OD[1] : c.op == Op::OF ? p.OF[2] : p.OH[3];
        EXPECT_EQ(field, c.stored) << c.reply;
    }
}

TEST_F(TransactionTest, NoiseReductionSwitchSetsOnlyTheSwitchState)
{
    p.MR[2] = 7;
    port.Answer(kPort, "MR25\r\n");
    EXPECT_TRUE(link.Set(Op::MRSwitch, {2}, 5));
    EXPECT_EQ(port.Written(), "MR25\r\n");
    EXPECT_EQ(p.MRon[2], 1);
    EXPECT_EQ(p.MR[2], 7);
    port.Answer(kPort, "MR20\r\n");
    EXPECT_TRUE(link.Set(Op::MRSwitch, {2}, 0));
    EXPECT_EQ(p.MRon[2], 0);
}

TEST_F(TransactionTest, MetersAreQueriesAndLogAMismatch)
{
    port.Answer(kPort, "ML2-37\r\n");
    EXPECT_TRUE(link.Query(Op::ML, {2}));
    EXPECT_EQ(port.Written(), "ML2r\r\n");
    EXPECT_EQ(p.ML[2], -37);
    EXPECT_EQ(log.Size(), 0u);

    // A set on a meter still sends the query form.
    port.ClearRecord();
    port.Answer(kPort, "OL1-20\r\n");
    EXPECT_TRUE(link.Set(Op::OL, {1}, 99));
    EXPECT_EQ(port.Written(), "OL1r\r\n");

    port.Answer(kPort, "XX2-1\r\n");
    EXPECT_FALSE(link.Query(Op::ME, {2}));
    ASSERT_EQ(log.Size(), 1u);
    const CommLogEntry entry = log.Entries()[0];
    EXPECT_EQ(entry.sequence, "111");
    EXPECT_EQ(entry.port, "COM3");
    EXPECT_EQ(entry.content, "XX2-1\r\n");
}

TEST_F(TransactionTest, FilterSelectionIsLoggedEvenWhenRight)
{
    port.Answer(kPort, "SNs4\r\n");
    EXPECT_TRUE(link.Query(Op::SN));
    EXPECT_EQ(p.SN, 4);
    port.Answer(kPort, "XYZ\r\n");
    EXPECT_FALSE(link.Set(Op::SN, {}, 2));
    const auto entries = log.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].sequence, "111");
    EXPECT_EQ(entries[0].content, "SNs4\r\n");
    EXPECT_EQ(entries[1].content, "XYZ\r\n");
}

TEST_F(TransactionTest, ActionsMatchTheWholeReplyAndSetTheirFlags)
{
    port.Answer(kPort, "CGs2\r\n");
    EXPECT_TRUE(link.Run(Op::CG2));
    EXPECT_EQ(port.Written(), "CGs2\r\n");
    EXPECT_EQ(p.CG2, 1);
    port.Answer(kPort, "CGs21\r\n");
    EXPECT_EQ(link.Run(Op::CG2).Error(), LinkError::WrongReply);
    EXPECT_EQ(p.CG2, 0);

    port.Answer(kPort, "CGs1\r\n");
    p.CG2 = 1;
    EXPECT_TRUE(link.Run(Op::CG1));
    EXPECT_EQ(p.CG1, 1);
    EXPECT_EQ(p.CG2, 0);
    port.Answer(kPort, "CGsX\r\n");
    p.CG2 = 1;
    EXPECT_FALSE(link.Run(Op::CG1));
    EXPECT_EQ(p.CG1, 0);
    EXPECT_EQ(p.CG2, 1);
    // A reply out of form is no answer either way: no flag changes.
    p.CG1 = 1;
    port.Answer(kPort, "CGs1\n");
    EXPECT_EQ(link.Run(Op::CG1).Error(), LinkError::Malformed);
    EXPECT_EQ(p.CG1, 1);

    port.Answer(kPort, "CGs3\r\n");
    p.CG0 = 1;
    EXPECT_TRUE(link.Run(Op::CG3));
    EXPECT_EQ(p.CG3, 1);
    EXPECT_EQ(p.CG0, 0);
    port.Answer(kPort, "CGs0\r\n");
    EXPECT_TRUE(link.Run(Op::CG0));
    EXPECT_EQ(p.CG0, 1);
    EXPECT_EQ(p.CG3, 0);

    // No reply at all changes no flag.
    port.Ignore(kPort);
    EXPECT_EQ(link.Run(Op::CG0).Error(), LinkError::NoReply);
    EXPECT_EQ(p.CG0, 1);
}

TEST_F(TransactionTest, TestModeActionsResetTheSoundTestState)
{
    port.Answer(kPort, "SMs1\r\n");
    EXPECT_TRUE(link.Run(Op::SM));
    EXPECT_EQ(p.SM, 1);
    EXPECT_EQ(p.CE, 0);

    for (Value* v : {&p.CN, &p.CP, &p.CT, &p.CNValid, &p.CPValid, &p.CTValid})
        *v = 3;
    port.Answer(kPort, "CEs1\r\n");
    EXPECT_TRUE(link.Run(Op::CE));
    EXPECT_EQ(p.SM, 0);
    EXPECT_EQ(p.CE, 1);
    for (Value* v : {&p.CN, &p.CP, &p.CT, &p.CNValid, &p.CPValid, &p.CTValid})
        EXPECT_EQ(*v, 0);
    EXPECT_EQ(port.Writes(), (std::vector<std::string>{"SMs1\r\n", "CEs1\r\n"}));
}

TEST_F(TransactionTest, SaveToDeviceIsLoggedAndWaitsLong)
{
    // The save profile waits up to 100 re-reads of 10 ms: an answer after 800 ms is in time.
    port.Answer(kPort, {{800ms, "SSs1\r\n"}});
    EXPECT_TRUE(link.Run(Op::SS));
    EXPECT_EQ(p.SS, 1);
    port.Answer(kPort, "SSs0\r\n");
    EXPECT_FALSE(link.Run(Op::SS));
    EXPECT_EQ(p.SS, 1);  // never reset by the link
    const auto entries = log.Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].sequence, "114");
    EXPECT_EQ(entries[1].content, "SSs0\r\n");
}

std::string BlockReply(char code, char letter, const std::vector<int>& values)
{
    std::string reply;
    for (std::size_t j = 0; j < values.size(); ++j)
        reply += std::string{code, letter, static_cast<char>('0' + j % 10)} +
                 std::to_string(values[j]) + "\r\n";
    return reply;
}

TEST_F(TransactionTest, BlockReadStoresOneValuePerLineInOrder)
{
    port.Answer(kPort, BlockReply('D', 'C', {-1, -2, -3, -4, -5, 6, 7, 8, 9, 10}));
    EXPECT_TRUE(link.Query(Op::BlockD, {3}));
    EXPECT_EQ(port.Written(), "DCsr\r\n");
    for (int j = 0; j < 5; ++j)
        EXPECT_EQ(p.DSR[3][static_cast<std::size_t>(j)], -(j + 1));
    EXPECT_EQ(p.DSR[3][9], 10);
    ASSERT_EQ(log.Size(), 1u);
    EXPECT_EQ(log.Entries()[0].sequence, "114");

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
    EXPECT_EQ(log.Size(), 0u);

    // One line out of form spoils the block: nothing of it is stored.
    const std::string good = BlockReply('D', 'A', {1, 2, 3, 4, 5, 6, 7, 8, 9});
    const struct {
        std::string reply;
        LinkError error;
    } cases[] = {
        {good + "DA9\r\n", LinkError::Malformed},        // no value
        {good + "DA9x\r\n", LinkError::Malformed},
        {good + "DA9123456\r\n", LinkError::Malformed},  // more digits than a result has
        {good + "DA9-4\n", LinkError::Malformed},         // line feed alone
        {"ML2-28\r\n" + good, LinkError::Malformed},    // a late meter reply is no point
        {good, LinkError::Incomplete},                    // nine lines
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
