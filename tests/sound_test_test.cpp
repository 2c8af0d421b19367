// The sound test procedures on the scripted port: the exact lines they write,
// the ten-attempt rule, the point count, the result blocks and the graph range.
#include "procedures/SoundTest.h"
#include "tests/LinkFixture.h"

namespace brevant::test {
namespace {

// A device in test mode: sets and actions are echoed, CN/CP/CT queries answer
// with channel 2, 3 points and 4 s, and block k of D holds the values
// 10k - 50 .. 10k - 41, block k of E the same values negated.
std::vector<Piece> TestDevice(std::string_view line)
{
    const std::string_view body = line.substr(0, line.size() - 2);
    auto reply = [](std::string text) { return std::vector<Piece>{{1ms, std::move(text)}}; };
    if (body == "CNsr")
        return reply("CNs2\r\n");
    if (body == "CPsr")
        return reply("CPs3\r\n");
    if (body == "CTsr")
        return reply("CTs4\r\n");
    if (body.size() == 4 && (body[0] == 'D' || body[0] == 'E') && body.substr(2) == "sr") {
        const int block = body[1] - 'A';
        std::string text;
        for (int j = 0; j < 10; ++j) {
            const int value = 10 * block + j - 50;
            text += std::string(body.substr(0, 2)) + std::to_string(j) +
                    std::to_string(body[0] == 'D' ? value : -value) + "\r\n";
        }
        return reply(text);
    }
    return reply(std::string(line));
}

class SoundTestProcedures : public LinkFixture {
protected:
    SoundTestProcedures() { port.SetResponder(kPort, &TestDevice); }

    Report Recorder()
    {
        return [this](std::string_view text, std::string_view) { told.emplace_back(text); };
    }
    static std::vector<std::string> Times(int n, const std::string& line)
    {
        return std::vector<std::string>(n, line);
    }

    std::vector<std::string> told;
};

TEST_F(SoundTestProcedures, TestModeAndTheTestSettingsGoOutAsTheDeviceKnowsThem)
{
    ASSERT_TRUE(EnterTestMode(link));
    EXPECT_EQ(p.SM, 1);

    const TestSettingsQuery query = QueryTestSettings(link);
    EXPECT_TRUE(query.channel && query.points && query.time);
    EXPECT_EQ(p.CN, 2);
    EXPECT_EQ(p.CP, 3);
    EXPECT_EQ(p.CT, 4);
    EXPECT_TRUE(TestSettingsConfirmed(p));

    ASSERT_TRUE(SetTestChannel(link, 1));
    ASSERT_TRUE(SetTestPoints(link, 5));
    ASSERT_TRUE(SetTestTime(link, 2));
    ASSERT_TRUE(SwitchTestSignal(link, true));
    EXPECT_EQ(p.CG3, 1);
    ASSERT_TRUE(SwitchTestSignal(link, false));
    EXPECT_EQ(p.CG0, 1);
    EXPECT_EQ(p.CG3, 0);

    // Leaving test mode forgets the settings: they must be confirmed again.
    ASSERT_TRUE(ExitTestMode(link));
    EXPECT_EQ(p.SM, 0);
    EXPECT_EQ(p.CN, 0);
    EXPECT_FALSE(TestSettingsConfirmed(p));

    EXPECT_EQ(port.Writes(),
              (std::vector<std::string>{"SMs1\r\n", "CNsr\r\n", "CPsr\r\n", "CTsr\r\n", "CNs1\r\n",
                                        "CPs5\r\n", "CTs2\r\n", "CGs3\r\n", "CGs0\r\n", "CEs1\r\n"}));
}

TEST_F(SoundTestProcedures, EveryCommandIsTriedTenTimesAndTheFirstConfirmedAttemptEndsIt)
{
    // Silent twice, a wrong answer once, then confirmed: four attempts.
    port.Ignore(kPort);
    port.Ignore(kPort);
    port.Answer(kPort, "CGsX\r\n");
    EXPECT_TRUE(SwitchTestSignal(link, true));
    EXPECT_EQ(port.Writes(), Times(4, "CGs3\r\n"));
    EXPECT_EQ(p.CG3, 1);
    port.ClearRecord();

    // A device that never answers: ten attempts, then NotConfirmed.
    port.SetResponder(kPort, [](std::string_view) { return std::vector<Piece>{}; });
    EXPECT_EQ(EnterTestMode(link), Status(LinkError::NotConfirmed));
    EXPECT_EQ(port.Writes(), Times(10, "SMs1\r\n"));
    EXPECT_EQ(p.SM, 0);
    port.ClearRecord();

    // One setting that fails does not keep the others from being asked.
    port.SetResponder(kPort, [](std::string_view line) {
        return line == "CNsr\r\n" ? std::vector<Piece>{} : TestDevice(line);
    });
    const TestSettingsQuery query = QueryTestSettings(link);
    EXPECT_FALSE(query.channel);
    EXPECT_TRUE(query.points && query.time);
    EXPECT_EQ(port.Writes().size(), 12u);
    EXPECT_EQ(port.Writes()[9], "CNsr\r\n");
    EXPECT_EQ(port.Writes()[11], "CTsr\r\n");
    EXPECT_FALSE(TestSettingsConfirmed(p));
}

TEST_F(SoundTestProcedures, StartAndContinueCountThePointsAgainstThePointCount)
{
    // Points done, and whether that completes the measurement.
    const auto done = [](const PointProgress& at) { return std::pair(at.pointsDone, at.complete); };
    p.CP = 3;
    PointProgress progress = StartMeasurement(link);
    EXPECT_TRUE(progress.status);
    EXPECT_EQ(done(progress), std::pair(1, false));
    progress = ContinueMeasurement(link, progress.pointsDone);
    EXPECT_EQ(done(progress), std::pair(2, false));

    // A point the device refuses is not counted.
    port.SetResponder(kPort, [](std::string_view) { return std::vector<Piece>{{1ms, "CGsE\r\n"}}; });
    progress = ContinueMeasurement(link, progress.pointsDone);
    EXPECT_FALSE(progress.status);
    EXPECT_EQ(progress.pointsDone, 2);
    EXPECT_EQ(p.CG2, 0);

    port.SetResponder(kPort, &TestDevice);
    progress = ContinueMeasurement(link, progress.pointsDone);
    EXPECT_EQ(done(progress), std::pair(3, true));

    // Start begins the count again; with one point it is complete at once.
    p.CP = 1;
    EXPECT_EQ(done(StartMeasurement(link)), std::pair(1, true));

    EXPECT_EQ(port.Writes().size(), 2u + 10u + 2u);
    EXPECT_EQ(port.Writes().front(), "CGs1\r\n");
    EXPECT_EQ(port.Writes().back(), "CGs1\r\n");
}

TEST_F(SoundTestProcedures, TheResultIsReadBlockByBlockInDThenEOrder)
{
    std::vector<int> progress;
    ASSERT_TRUE(ReadResults(link, Recorder(), [&](int percent) { progress.push_back(percent); }));
    EXPECT_EQ(progress, (std::vector<int>{5,  10, 15, 20, 25, 30, 35, 40, 45, 50,
                                          55, 60, 65, 70, 75, 80, 85, 90, 95, 100}));
    const std::vector<std::string> writes = port.Writes();
    ASSERT_EQ(writes.size(), 20u);
    EXPECT_EQ(std::vector(writes.begin(), writes.begin() + 3),
              (std::vector<std::string>{"DAsr\r\n", "EAsr\r\n", "DBsr\r\n"}));
    EXPECT_EQ(writes.back(), "EJsr\r\n");
    EXPECT_TRUE(told.empty());

    const ResultCurves curves = TakeResults(p);
    for (int k : {0, 9, 10, 57, 99}) {
        EXPECT_EQ(curves.d[static_cast<std::size_t>(k)], k - 50) << k;
        EXPECT_EQ(curves.e[static_cast<std::size_t>(k)], 50 - k) << k;
    }
}

TEST_F(SoundTestProcedures, AResultBlockTheDeviceDoesNotGiveEndsTheReadWithItsCurvesName)
{
    // A reply of 20 bytes or fewer is no block.
    port.SetResponder(kPort, [](std::string_view line) {
        return line == "DCsr\r\n" ? std::vector<Piece>{{1ms, "DC01\r\n"}} : TestDevice(line);
    });
    EXPECT_FALSE(ReadResults(link, Recorder()));
    EXPECT_EQ(told, std::vector<std::string>{"Get dsr error"});
    EXPECT_EQ(port.Writes().size(), 4u + 10u);
    EXPECT_EQ(port.Writes().back(), "DCsr\r\n");
}

TEST(SoundTestGraph, TheRangeIsTheEnclosingHundredsWithOneStepOfMargin)
{
    const struct {
        double d, e, minimum, maximum;
    } cases[] = {{99, -99, -100, 100}, {100, -100, -200, 200}, {200, 0, -100, 300}, {0, -250, -300, 100}};
    for (const auto& c : cases) {
        ResultCurves curves;
        curves.d[17] = c.d;
        curves.e[83] = c.e;
        const LevelRange range = GraphRange(curves);
        EXPECT_EQ(range.minimum, c.minimum) << c.d << " " << c.e;
        EXPECT_EQ(range.maximum, c.maximum) << c.d << " " << c.e;
    }
}

TEST_F(SoundTestProcedures, SaveGainAndPhantomReportWhenTheDeviceDoesNotConfirm)
{
    EXPECT_TRUE(SaveTestSettings(link, Recorder()));
    EXPECT_TRUE(SetTestGain(link, 3, 42, Recorder()));
    EXPECT_TRUE(SetTestPhantom(link, 2, true, Recorder()));
    EXPECT_EQ(p.MG[3], 42);
    EXPECT_EQ(p.MT[2], 1);
    EXPECT_EQ(port.Writes(), (std::vector<std::string>{"SSs1\r\n", "MG342\r\n", "MT21\r\n"}));
    EXPECT_EQ(told, std::vector<std::string>{"The device has stored the sound test settings."});

    told.clear();
    port.ClearRecord();
    port.SetResponder(kPort, [](std::string_view) { return std::vector<Piece>{{1ms, "SSs0\r\n"}}; });
    EXPECT_FALSE(SaveTestSettings(link, Recorder()));
    EXPECT_EQ(port.Writes(), Times(10, "SSs1\r\n"));

    // The mirror keeps the value the user chose even when the device did not take it.
    port.SetResponder(kPort, [](std::string_view) { return std::vector<Piece>{}; });
    EXPECT_FALSE(SetTestGain(link, 1, 7, Recorder()));
    EXPECT_FALSE(SetTestPhantom(link, 4, true, Recorder()));
    EXPECT_EQ(p.MG[1], 7);
    EXPECT_EQ(p.MT[4], 1);
    EXPECT_EQ(told, (std::vector<std::string>{"Save Error: the device did not store the sound test settings.",
                                              "Set gain error", "Set phantom power error"}));
}

}  // namespace
}  // namespace brevant::test
