// The connection's worker on the scripted port: when silent polling passes
// lose the device, how soon a lost device is sought again, and the preset
// procedures' refusals that must leave the mirror and the undo alone.
#include "procedures/Connection.h"
#include "procedures/PresetProcedures.h"
#include "tests/Eventually.h"
#include "tests/LinkFixture.h"
#include "tests/RecordingObserver.h"

#include <atomic>

namespace brevant::test {
namespace {

class ConnectionLossTest : public LinkFixture {
protected:
    // Round n of meter queries (0: the read-back's) is answered when
    // answered[n] says so; the rounds past the list as `rest` says. `unread`
    // is a query that never gets an answer.
    void Script(std::vector<bool> answered, bool rest = false, std::string unread = "")
    {
        port.SetResponder(kPort, [this, answered, rest, unread](std::string_view line) {
            if (line.starts_with("SAsr") && ++modelQueries == 2)
                silentBeforeSeeking = SteadyClock::now() - lastMeter;
            const bool meter = line.starts_with("ML") || line.starts_with("OL");
            if (!meter)
                return line == unread ? std::vector<Piece>{} : EchoingDevice(line);
            if (line.starts_with("ML1r"))
                ++rounds;
            lastMeter = SteadyClock::now();
            const std::size_t round = static_cast<std::size_t>(rounds) - 1;
            const bool answer = round < answered.size() ? answered[round] : rest;
            return answer ? EchoingDevice(line) : std::vector<Piece>{};
        });
    }
    bool Connect()
    {
        return connection.Connect([](std::string_view, std::string_view) {});
    }

    RecordingObserver observer;
    Connection connection{link, observer};
    std::atomic<int> rounds{0};
    std::atomic<int> modelQueries{0};
    SteadyClock::time_point lastMeter;  // on the worker's thread only
    std::atomic<SteadyClock::duration> silentBeforeSeeking{};
};

TEST_F(ConnectionLossTest, OnlyThreeSilentPassesInARowLoseTheDevice)
{
    Script({true, false, false, true, false, true, false, false, true});
    connection.SetReconnect(false);
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(connection.WaitForWorker(Micros{20'000'000}));
    EXPECT_TRUE(connection.Lost());
    EXPECT_EQ(rounds, 9 + 3) << "lost after the third silent pass in a row, not before";
    EXPECT_EQ(observer.passes, 3);
}

TEST_F(ConnectionLossTest, ALostDeviceIsSoughtAgainASecondAfterItFellSilent)
{
    Script({true});
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Eventually([&] { return modelQueries == 2; }));
    connection.Disconnect();
    EXPECT_GE(silentBeforeSeeking.load(), std::chrono::milliseconds(950));
}

TEST_F(ConnectionLossTest, NoUndoIsTakenFromASettingReadBackInPart)
{
    Script({}, true, "MG2r\r\n");
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(Eventually([&] { return observer.refreshes > 0; }));
    ASSERT_FALSE(connection.UnreadSettings().empty());
    EXPECT_TRUE(state.flags.Connected && !connection.Lost());
    EXPECT_FALSE(DeviceSnapshot(connection)) << "an undo with a guess in it";
}

TEST_F(ConnectionLossTest, APresetForADeviceThatIsNotFoundLeavesTheMirrorAlone)
{
    DeviceParams other;
    other.DeviceFamily = 1;
    other.MG[1] = 5;
    const Preset preset = PresetFromMirror(other);
    std::vector<std::string> told;
    const PresetLoad load = ApplyPreset(
        connection, preset, [&](std::string_view text, std::string_view) { told.emplace_back(text); }, {});
    EXPECT_EQ(load.total, 0);
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(p.MG[1], 0);
}

}  // namespace
}  // namespace brevant::test
