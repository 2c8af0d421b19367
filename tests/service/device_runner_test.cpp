// A device served by the service, against simulated devices: connecting side
// by side, a set confirmed by the device, a refusal that sends nothing, a
// device lost and found again, and a prompt stop.
#include "service/DeviceRunner.h"

#include "tests/Eventually.h"
#include "tests/SimProcess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace brevant::service {
namespace {

using test::Eventually;
using test::SimProcess;

DeviceConfig At(const std::string& id, const std::string& portsDir)
{
    return {id, DeviceAddress{DeviceAddressKind::Path, {}, portsDir + "/COM3"}, std::nullopt};
}

bool ConnectedWithin(const DeviceRunner& runner, double seconds)
{
    return Eventually([&] { return runner.Status().state == RunnerState::Connected; }, seconds);
}

double SecondsToStop(DeviceRunner& runner)
{
    const auto start = std::chrono::steady_clock::now();
    runner.Stop();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What the hooks were told, in order.
struct Told {
    std::mutex mutex;
    std::vector<std::string> states;
    std::vector<std::pair<SettingRef, std::int32_t>> changes;

    void Watch(DeviceRunner& runner)
    {
        runner.SetStateHook([this](RunnerState state) {
            std::lock_guard lock(mutex);
            states.emplace_back(StateText(state));
        });
        runner.SetChangeHook([this](const SettingRef& setting, std::int32_t value) {
            std::lock_guard lock(mutex);
            changes.emplace_back(setting, value);
        });
    }
    long Count(const SettingRef& setting, std::int32_t value)
    {
        std::lock_guard lock(mutex);
        return std::count(changes.begin(), changes.end(), std::pair{setting, value});
    }
};

TEST(DeviceRunner, ThreeModelsSideBySideAndTheVirtualDevice)
{
    SimProcess k217({"--no-pacing", "--model", "K217"});
    SimProcess k218({"--no-pacing", "--model", "K218"});
    ASSERT_TRUE(k217.Started() && k218.Started());
    DeviceRunner a(At("a", k217.PortsDir()));
    DeviceRunner b(At("b", k218.PortsDir()));
    DeviceRunner v({"v", DeviceAddress{}, std::nullopt});
    v.SetSimulator(BREVANT_SIM_PATH);
    for (DeviceRunner* runner : {&a, &b, &v})
        ASSERT_TRUE(runner->Start());

    const struct {
        DeviceRunner& runner;
        const char* model;
        ModelFamily family;
    } expected[] = {{a, "K217", ModelFamily::K217K218},
                    {b, "K218", ModelFamily::K217K218},
                    {v, "K225", ModelFamily::K225}};
    for (const auto& e : expected) {
        ASSERT_TRUE(ConnectedWithin(e.runner, 15.0)) << e.runner.Id() << ": " << e.runner.Status().detail;
        const RunnerStatus status = e.runner.Status();
        EXPECT_EQ(status.model, e.model);
        EXPECT_EQ(status.family, e.family);
        EXPECT_FALSE(status.firmware.empty());
        EXPECT_GT(status.latencyCount, 0u);
        EXPECT_EQ(e.runner.Value({Op::MX, {2, 2}}), 1) << "read back from the default routing";
        EXPECT_FALSE(e.runner.Value({Op::ML, {1}})) << "a meter is no setting";
    }
    EXPECT_EQ(v.Status().address, "virtual");
    for (DeviceRunner* runner : {&a, &b, &v}) {
        EXPECT_LT(SecondsToStop(*runner), 1.0);
        EXPECT_EQ(runner->Status().state, RunnerState::Stopped);
        EXPECT_FALSE(runner->Start()) << "a stopped runner stays stopped";
    }
}

// What the device confirmed is the result; a wrong set is refused before Set
// returns, so nothing goes to the queue.
TEST(DeviceRunner, ASetIsConfirmedByTheDeviceAndAWrongOneIsNotSent)
{
    SimProcess sim({"--no-pacing"});
    ASSERT_TRUE(sim.Started());
    DeviceRunner runner(At("hall", sim.PortsDir()));
    ASSERT_TRUE(runner.Start());
    ASSERT_TRUE(ConnectedWithin(runner, 10.0)) << runner.Status().detail;

    std::optional<SetResult> result;
    std::mutex mutex;
    runner.Set({Op::MG, {2}}, 9, [&](const SetResult& r) {
        std::lock_guard lock(mutex);
        result = r;
    });
    ASSERT_TRUE(Eventually([&] {
        std::lock_guard lock(mutex);
        return result.has_value();
    }));
    EXPECT_TRUE(result->Ok()) << result->message;
    EXPECT_EQ(result->value, 9);
    EXPECT_EQ(runner.Value({Op::MG, {2}}), 9);

    const struct {
        SettingRef setting;
        std::int32_t value;
        SetError error;
        const char* message;
    } refused[] = {
        {{Op::MG, {2}}, 99, SetError::OutOfRange, "Input 2 gain: 99 is outside -10..47"},
        {{Op::ML, {1}}, 1, SetError::NoSuchSetting, ""},
        {{Op::MG, {7}}, 1, SetError::NoSuchSetting, ""},
    };
    for (const auto& r : refused) {
        std::optional<SetResult> got;
        runner.Set(r.setting, r.value, [&](const SetResult& s) { got = s; });
        ASSERT_TRUE(got);
        EXPECT_EQ(got->error, r.error);
        EXPECT_EQ(got->message.find(r.message), 0u) << got->message;
    }
    EXPECT_EQ(runner.Value({Op::MG, {2}}), 9);
}

TEST(DeviceRunner, AKilledDeviceIsLostAndFoundAgainAfterARestart)
{
    const std::string dir = test::MakeTempDir("brevant-runner");
    auto sim = std::make_unique<SimProcess>(std::vector<std::string>{"--no-pacing"}, 3, dir);
    ASSERT_TRUE(sim->Started());
    Told told;
    DeviceRunner runner(At("stage", dir));
    told.Watch(runner);
    ASSERT_TRUE(runner.Start());
    ASSERT_TRUE(ConnectedWithin(runner, 10.0));

    sim->Kill();
    ASSERT_TRUE(Eventually([&] { return runner.Status().state == RunnerState::Lost; }, 2.0));
    EXPECT_FALSE(runner.Value({Op::MG, {1}})) << "nothing is known of a lost device";
    std::optional<SetResult> refused;
    runner.Set({Op::MG, {1}}, 3, [&](const SetResult& r) { refused = r; });
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->error, SetError::DeviceLost);
    bool answered = false;
    runner.WhenMetersFresh([&answered] { answered = true; });
    EXPECT_TRUE(answered) << "no meter is waited for on a lost device";
    EXPECT_FALSE(runner.Meter({Op::ML, {1}}));

    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--no-pacing"}, 3, dir);
    ASSERT_TRUE(sim->Started());
    ASSERT_TRUE(ConnectedWithin(runner, 10.0));
    EXPECT_EQ(runner.Status().reconnects, 1u);
    EXPECT_EQ(runner.Value({Op::MX, {2, 2}}), 1) << "read back in full again";
    EXPECT_EQ(told.Count({Op::MX, {2, 2}}, 1), 2) << "made known by each read-back";
    runner.Stop();
    std::lock_guard lock(told.mutex);
    EXPECT_EQ(told.states,
              (std::vector<std::string>{"connecting", "reading back", "connected", "lost and reconnecting",
                                        "reading back", "connected", "stopped"}));
}

TEST(DeviceRunner, AnUnknownModelIsServedReadOnlyWithItsMeters)
{
    SimProcess sim({"--no-pacing", "--unknown-model"});
    ASSERT_TRUE(sim.Started());
    DeviceRunner runner(At("odd", sim.PortsDir()));
    ASSERT_TRUE(runner.Start());
    ASSERT_TRUE(Eventually([&] { return runner.Status().state == RunnerState::UnknownModel; }));
    std::atomic<bool> fresh{false};
    runner.WhenMetersFresh([&fresh] { fresh = true; });
    ASSERT_TRUE(Eventually([&] { return fresh.load(); }));
    EXPECT_EQ(runner.Status().model, "K999");
    EXPECT_TRUE(runner.Meter({Op::ML, {1}}));
    EXPECT_FALSE(runner.Meter({Op::MG, {1}})) << "a setting is no meter";

    std::optional<SetResult> got;
    runner.Set({Op::MG, {1}}, 2, [&](const SetResult& r) { got = r; });
    ASSERT_TRUE(got);
    EXPECT_EQ(got->error, SetError::ReadOnly);
    EXPECT_NE(got->message.find("read-only"), std::string::npos) << got->message;
}

// Polling the meters back to back keeps the line busy, so a set waits for a
// meter's exchange; nobody watching, only one meter a second is asked.
TEST(DeviceRunner, TheMetersArePolledOnlyWhileSomeoneWatchesThem)
{
    SimProcess sim({"--no-pacing"});
    ASSERT_TRUE(sim.Started());
    DeviceRunner runner(At("quiet", sim.PortsDir()));
    std::atomic<int> passes{0};
    runner.SetPollHook([&passes] { ++passes; });
    ASSERT_TRUE(runner.Start());
    ASSERT_TRUE(ConnectedWithin(runner, 10.0));
    const auto exchangesIn = [&runner](double seconds) {
        const std::uint64_t before = runner.Status().exchanges;
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        return runner.Status().exchanges - before;
    };
    EXPECT_LE(exchangesIn(2.0), 3u) << "a check that it still answers, once a second";
    EXPECT_EQ(passes, 0);
    EXPECT_FALSE(runner.Meter({Op::ML, {1}})) << "an old reading is not passed off as fresh";

    std::atomic<bool> fresh{false};
    runner.WhenMetersFresh([&fresh] { fresh = true; });
    ASSERT_TRUE(Eventually([&] { return fresh.load(); }, 1.0));
    EXPECT_TRUE(runner.Meter({Op::ML, {1}}));
    {
        const std::shared_ptr<void> watching = runner.WatchMeters();
        std::this_thread::sleep_for(std::chrono::milliseconds(2'200));  // past the read's two seconds
        EXPECT_GT(exchangesIn(0.5), 20u) << "polled back to back while watched";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the last pass ends
    EXPECT_LE(exchangesIn(1.2), 2u) << "quiet again once nobody watches";
}

TEST(DeviceRunner, AnAbsentDeviceIsTriedUntilItComesOrTheRunnerStops)
{
    test::TempDir dir("brevant-runner");
    DeviceRunner idle(At("idle", dir.path));
    ASSERT_TRUE(idle.Start());
    DeviceRunner runner(At("late", dir.path));
    ASSERT_TRUE(runner.Start());
    ASSERT_TRUE(Eventually([&] { return !runner.Status().detail.empty(); }, 2.0));
    EXPECT_EQ(runner.Status().state, RunnerState::Connecting);
    EXPECT_LT(SecondsToStop(idle), 1.0);

    SimProcess sim({"--no-pacing"}, 3, dir.path);
    ASSERT_TRUE(sim.Started());
    EXPECT_TRUE(ConnectedWithin(runner, 5.0)) << runner.Status().detail;
    EXPECT_TRUE(runner.Status().detail.empty());
}

}  // namespace
}  // namespace brevant::service
