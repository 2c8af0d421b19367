// One device, served: what the window keeps for its device, without a
// window. The port (by its address), the mirror, the link, the command queue
// and the connection, whose worker reads every setting back, polls the
// meters, notices a lost device and finds it again.
//
// Start connects in the background; a device that is not there is tried
// again every second until Stop. "virtual" runs the bundled simulator,
// brevant-sim, found beside the running program (else on the PATH), which
// publishes its port in a private folder of the runner's. A device path is
// published in such a folder too (as COM1), so a lost device is sought only
// where it was, never on another device's port.
//
// A set is checked first (the setting exists on the model, the value is in
// its range, the device is connected, writable and not busy) and refused at
// once, without sending, when it fails; otherwise it goes through the
// device's command queue, tried up to eight times, and is answered with the
// value the device confirmed.
//
// A preset load and a save to the device go through the same queue, so they
// are serialised with the sets; a preset is checked against the device's
// family and sent only while every setting of the device is known.
//
// Thread-safety: every public member may be called from any thread. Start
// and Stop are serialised; a runner once stopped stays stopped (make a new
// one to serve the device again). The hooks are set before Start; they are
// called on the connection's worker or the command queue's thread, never
// with a lock of the runner held, and not after Stop has returned.
#pragma once

#include "core/Catalogue.h"
#include "procedures/Preset.h"
#include "procedures/PresetFile.h"
#include "service/parse/ServiceConfig.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevant {
class DeviceLink;
}

namespace brevant::service {

enum class RunnerState { Stopped, Connecting, ReadingBack, Connected, Lost, UnknownModel };
// "stopped", "connecting", "reading back", "connected", "lost and reconnecting", "unknown model"
std::string_view StateText(RunnerState state);

struct RunnerStatus {
    RunnerState state = RunnerState::Stopped;
    std::string model;  // "K225"; empty until a device answered
    ModelFamily family = ModelFamily::Unknown;
    std::string firmware;  // the version text; empty until read
    std::string address;   // as configured: "COM3", "tcp://gw:4001", "virtual"
    std::string detail;    // why it is not connected, when a connect failed
    // Since Start: lines written, those that got no whole reply, links lost
    // and found again, and the time from a line to its reply's end.
    std::uint64_t exchanges = 0;
    std::uint64_t failures = 0;
    std::uint64_t reconnects = 0;
    std::uint64_t latencyMicrosSum = 0;
    std::uint64_t latencyCount = 0;
};

enum class SetError { None, NoSuchSetting, OutOfRange, NotConfirmed, DeviceLost, ReadOnly, Busy };

struct SetResult {
    SetError error = SetError::None;
    std::int32_t value = 0;  // what the device confirmed (None), or reports after a failed set
    std::string message;     // why not: "Input 2 gain: 99 is outside -10..47"
    bool Ok() const { return error == SetError::None; }
};

// How a preset load ended: `error` None when every setting went. Otherwise
// `load` tells how far it got (nothing sent when its total is 0) and
// `message` why; `before` holds the device's setting as it was, as preset
// text, once anything may have been sent.
struct PresetOutcome {
    SetError error = SetError::None;
    PresetLoad load;
    std::string before;
    std::string message;
};

class DeviceRunner {
public:
    using PresetDone = std::function<void(const PresetOutcome&)>;
    using SetDone = std::function<void(const SetResult&)>;
    using ChangeHook = std::function<void(const SettingRef&, std::int32_t value)>;
    using StateHook = std::function<void(RunnerState)>;
    using PollHook = std::function<void()>;

    // Most sets waiting on one device's queue before more are refused as busy.
    static constexpr std::size_t kMaxQueuedSets = 64;

    explicit DeviceRunner(DeviceConfig device);
    ~DeviceRunner();  // stops
    DeviceRunner(const DeviceRunner&) = delete;
    DeviceRunner& operator=(const DeviceRunner&) = delete;

    const std::string& Id() const;
    // The simulator a "virtual" device runs instead of the one found (tests).
    void SetSimulator(std::string path);
    // Called with a setting's value whenever a set of it is confirmed, a
    // read-back makes it known (every setting, after each connect and
    // reconnect), or a read-back or polling pass finds it changed.
    void SetChangeHook(ChangeHook hook);
    // Called whenever the state changes.
    void SetStateHook(StateHook hook);
    // Called after each polling pass has read every meter.
    void SetPollHook(PollHook hook);

    // Starts connecting in the background; false once stopped.
    bool Start();
    // Ends the work on the device within a second and closes its port.
    void Stop();

    RunnerStatus Status() const;
    // The setting's value when it is known: read back, or confirmed since.
    // Device-wide settings are addressed {0, 0}, channel settings {n, 0}.
    std::optional<std::int32_t> Value(const SettingRef& setting) const;
    // A meter's reading from the last polling pass ({Op::ML, {2}}); empty
    // for a setting, while no device is connected, or when no polling pass
    // has ended in the last half second (nobody watched the meters).
    std::optional<std::int32_t> Meter(const SettingRef& meter) const;
    // The meters are polled back to back only while someone watches them;
    // otherwise the device is asked one meter a second, which notices a
    // loss, and its line stays free for sets. WatchMeters keeps them polled
    // while the token lives (a client of live meters; it may outlive the
    // runner); TouchMeters for the next two seconds (a client that reads
    // them now and then).
    std::shared_ptr<void> WatchMeters();
    void TouchMeters();
    // Touches the meters and calls `done` once Meter gives fresh readings:
    // at once when it does, else after the next polling pass, or as soon as
    // none can come (the device lost, connecting or being upgraded, the
    // runner stopped), when Meter is empty. On any thread; `done` is called
    // on the caller's, the connection's worker or Stop's.
    void WhenMetersFresh(std::function<void()> done);
    // Sends `value` to `setting`; `done` is called exactly once, at once when
    // the set is refused, else on the queue's thread.
    void Set(const SettingRef& setting, std::int32_t value, SetDone done);

    // The device's present setting, when every setting is known and no load
    // is under way; otherwise empty and *why says what is missing.
    std::optional<Preset> Snapshot(std::string* why) const;
    // Why `preset` does not fit the device (another family); empty when it does.
    std::string FamilyMismatch(const Preset& preset) const;
    // The settings `preset` would change, one line each (DiffPreset).
    std::vector<std::string> PresetDiff(const Preset& preset) const;
    // Sends every setting of `preset` through the queue; `done` is called
    // exactly once, at once when refused, else on the queue's thread, after
    // the change hook has been told the values that changed. Values the
    // device did not take keep what it held before.
    void LoadPreset(Preset preset, PresetDone done);
    // Tells the device to keep its present setting; through the queue, and
    // answered as Set is (error None once the device confirmed).
    void SaveToDevice(SetDone done);
    // A client's own line of the device's protocol, as it wrote it (line end
    // included): sent through the command queue after the work queued before
    // it, and `done` called once, on the queue's thread, with the reply's
    // bytes as they came (empty: no reply, or no device connected). A query
    // or set of a setting or meter is exchanged as the link's own are (a
    // late reply to an earlier line is passed over) and answered with the
    // value the device gave, stored in the mirror as the read-back stores
    // it; a confirmed set is told to the change hook.
    using ExchangeDone = std::function<void(std::string reply)>;
    void Exchange(std::string line, ExchangeDone done);
    // Gives the device to `job` alone (a firmware upgrade): upgrading is
    // raised at once, so sets are refused as busy, and the job runs on the
    // command queue with the polling held; it should end soon once `stop`
    // is raised. Afterwards the device is connected and read back again.
    // False, and nothing run, while the device is not connected or already
    // given to a job.
    using ExclusiveJob = std::function<void(DeviceLink& link, const std::atomic<bool>& stop)>;
    bool RunExclusive(ExclusiveJob job);

private:
    struct Core;
    // Shared with the thread that connects, which may outlive Stop while a
    // network connect it cannot interrupt runs out (it then fails at once).
    std::shared_ptr<Core> core_;
};

}  // namespace brevant::service
