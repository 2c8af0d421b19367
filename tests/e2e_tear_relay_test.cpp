// The real serial layer, link and connection against the simulator through
// a relay that tears every reply in two, 3 ms apart: a reply that ends in
// mid-line must be waited for, never taken as it stands, and never left to
// be read as the reply to the next command.
#include "Connection.h"
#include "Eventually.h"
#include "MirrorCompare.h"
#include "PanelSend.h"
#include "PosixSerialPort.h"
#include "RecordingObserver.h"
#include "SimProcess.h"
#include "TearRelay.h"
#include "sim/StateFile.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace brevant::test {
namespace {

constexpr int kDeviceCom = 3;
constexpr int kProgramCom = 5;


class TearRelayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = MakeTempDir("brevant-relay");
        stateFile = root + "/device.state";
    }

    // The simulator (paced, as the real line) on `root`/dev, the relay's port on `root`/prog.
    void Start(const sim::DeviceSettings& initial)
    {
        ASSERT_TRUE(sim::StateFile(stateFile).save(initial));
        sim = std::make_unique<SimProcess>(std::vector<std::string>{"--state", stateFile, "--keep-on-exit"},
                                           kDeviceCom, root + "/dev");
        ASSERT_TRUE(sim->Started()) << sim->ReadyLine();
        relay = std::make_unique<TearRelay>(root + "/dev/COM" + std::to_string(kDeviceCom), root + "/prog",
                                            kProgramCom);
        ASSERT_TRUE(relay->Started()) << relay->Error();
        serial = std::make_unique<PosixSerialPort>(PortMap::Directory(root + "/prog"));
        link = std::make_unique<DeviceLink>(*serial, state, log);
        link->SetTrace(&trace);
        state.flags.PortNumber = kProgramCom;
        connection = std::make_unique<Connection>(*link, observer);
        ASSERT_TRUE(connection->Connect([](std::string_view text, std::string_view) { ADD_FAILURE() << text; }));
        ASSERT_TRUE(Eventually([&] { return observer.refreshes >= 1; }));
    }

    // Stops the simulator, which keeps what it holds in its state file.
    sim::DeviceSettings DeviceHeld()
    {
        EXPECT_EQ(sim->Stop(), 0);
        const auto loaded = sim::StateFile(stateFile).load();
        EXPECT_EQ(loaded.status, sim::StateFile::Status::Loaded) << loaded.error;
        return loaded.settings;
    }

    // The trace's last records, for a failure message.
    std::string TraceTail() const
    {
        const auto records = trace.Snapshot();
        std::string text = "\nlast records of the trace:";
        for (std::size_t i = records.size() > 12 ? records.size() - 12 : 0; i < records.size(); ++i) {
            text += "\n  " + std::to_string(static_cast<int>(records[i].direction)) + " ";
            for (const char c : records[i].bytes)
                text += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
        }
        return text;
    }

    void TearDown() override
    {
        connection.reset();
        if (link)
            link->ClosePort();
        relay.reset();
        sim.reset();
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }

    std::string root;
    std::string stateFile;
    DeviceState state;
    CommLog log;
    ProtocolTrace trace;
    RecordingObserver observer;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<TearRelay> relay;
    std::unique_ptr<PosixSerialPort> serial;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<Connection> connection;
};

TEST_F(TearRelayTest, ReadBackAndSetsThroughTornRepliesStoreExactlyWhatTheDeviceHolds)
{
    // Every setting the read-back covers starts away from its factory value.
    const auto covered = ReadBackSettingsFamily1();
    const sim::DeviceSettings initial = SettingsAwayFromFactory(covered);
    Start(initial);
    EXPECT_TRUE(connection->UnreadSettings().empty());
    EXPECT_EQ(MirrorDivergences(state.params, initial, covered), std::vector<std::string>{});
    EXPECT_GT(relay->TornReplies(), static_cast<int>(covered.size()));

    // A few hundred sets of fresh values, the meters polled in between; each
    // is confirmed with the value sent (within the attempts a panel makes: a
    // meter reply late beyond its budget on a slow machine costs one), and every fifth a query of another
    // setting reads back what was last set there.
    std::map<std::size_t, int32_t> sent;
    for (int step = 0; step < 300; ++step) {
        const std::size_t i = static_cast<std::size_t>(step * 7) % covered.size();
        const SettingRef& setting = covered[i];
        const int32_t value = SampleValue(setting, step, MirrorValue(state.params, setting));
        const Status set = link->SetConfirmed(setting.op, setting.at, value, kPanelAttempts);
        ASSERT_TRUE(set) << set.Message() << " at step " << step << ": " << SettingName(setting) << " = " << value << TraceTail();
        EXPECT_EQ(MirrorValue(state.params, setting), value) << "step " << step;
        sent[i] = value;
        if (step % 5 == 4) {
            const auto other = sent.begin();
            const Status query = link->Query(covered[other->first].op, covered[other->first].at);
            ASSERT_TRUE(query) << query.Message() << " at step " << step << TraceTail();
            EXPECT_EQ(MirrorValue(state.params, covered[other->first]), other->second) << "step " << step;
        }
    }
    EXPECT_GT(connection->PollPasses(), 0);
    EXPECT_FALSE(connection->Lost());

    connection->Disconnect();
    const sim::DeviceSettings held = DeviceHeld();
    EXPECT_EQ(MirrorDivergences(state.params, held, covered), std::vector<std::string>{});
    for (const auto& [i, value] : sent)
        EXPECT_EQ(held.get(SimKey(covered[i])), value) << SettingName(covered[i]);
}

TEST_F(TearRelayTest, DeviceEndingClosesTheRelayedPortAndTheConnectionSeesItLost)
{
    Start(sim::DeviceSettings{});
    sim->Stop();
    EXPECT_TRUE(Eventually([&] { return relay->UpstreamGone(); }));
    EXPECT_FALSE(std::filesystem::exists(relay->LinkPath()));
    EXPECT_TRUE(Eventually([&] { return connection->Lost(); }));
    EXPECT_FALSE(state.flags.Connected);
}

}  // namespace
}  // namespace brevant::test
