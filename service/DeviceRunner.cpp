#include "service/DeviceRunner.h"

#include "core/DeviceLink.h"
#include "core/LinkError.h"
#include "core/PortRouter.h"
#include "core/ReplyDecoder.h"
#include "core/SettingName.h"
#include "core/SettingRange.h"
#include "core/Timing.h"
#include "procedures/CommandQueue.h"
#include "procedures/Connection.h"
#include "procedures/DeviceFit.h"
#include "procedures/PanelSend.h"
#include "procedures/PresetProcedures.h"
#include "procedures/SaveDevice.h"
#include "procedures/Simulator.h"
#include "service/parse/SharedLine.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace brevant::service {

namespace {

// The port number a runner publishes a device path or its simulator as.
constexpr int kOwnPort = 1;
constexpr Micros kRetryEvery{1'000'000};
constexpr Micros kSimulatorStartLimit{10'000'000};
constexpr Micros kSimulatorStopLimit{300'000};
// Stop's bounds for the thread that connects and for the connection's worker.
constexpr Micros kStarterStopLimit{450'000};
constexpr Micros kWorkerStopLimit{350'000};
// A polling pass's meters are served for this long after it ended.
constexpr Micros kMeterFresh{500'000};
// The meters are polled for this long after a client last read them.
constexpr Micros kMeterLinger{2'000'000};

std::int64_t NowMicros()
{
    return std::chrono::duration_cast<Micros>(SteadyClock::now().time_since_epoch()).count();
}

// The port under the link, counting its exchanges: a line written is one,
// the chunk that brings its reply's line end closes it (its latency), and a
// line written while the last one still waits for its reply fails that one.
class CountingPort final : public SerialPort {
public:
    explicit CountingPort(SerialPort& inner) : inner_(inner) {}

    int Open(int port) override { return inner_.Open(port); }
    int Configure(int port, int speed, int mode) override { return inner_.Configure(port, speed, mode); }
    IoResult Write(int port, std::string_view bytes) override
    {
        if (awaiting_.exchange(false))
            ++failures;
        ++exchanges;
        const IoResult result = inner_.Write(port, bytes);
        if (result.Ok()) {
            sentAt_ = NowMicros();
            awaiting_ = true;
        } else {
            ++failures;
        }
        return result;
    }
    IoResult Read(int port, char* buffer, int capacity) override
    {
        const IoResult result = inner_.Read(port, buffer, capacity);
        if (result.Ok() && result.count > 0 &&
            std::string_view(buffer, result.count).find('\n') != std::string_view::npos &&
            awaiting_.exchange(false)) {
            latencySum += static_cast<std::uint64_t>(std::max<std::int64_t>(0, NowMicros() - sentAt_));
            ++latencyCount;
        }
        return result;
    }
    void Close(int port) override { inner_.Close(port); }
    LineControlResult SetDtr(int port, bool on) override { return inner_.SetDtr(port, on); }
    LineControlResult SetRts(int port, bool on) override { return inner_.SetRts(port, on); }
    bool Exists(int port) const override { return inner_.Exists(port); }
    std::string Label(int port) const override { return inner_.Label(port); }
    std::string LastError(int port) const override { return inner_.LastError(port); }
    OpenFailure LastOpenFailure(int port) const override { return inner_.LastOpenFailure(port); }
    Micros ReplySlack(int port) const override { return inner_.ReplySlack(port); }
    void Wait(int port, Micros limit, bool untilReadable) override
    {
        inner_.Wait(port, limit, untilReadable);
    }

    std::atomic<std::uint64_t> exchanges{0};
    std::atomic<std::uint64_t> failures{0};
    std::atomic<std::uint64_t> latencySum{0};
    std::atomic<std::uint64_t> latencyCount{0};

private:
    SerialPort& inner_;
    std::atomic<bool> awaiting_{false};
    std::atomic<std::int64_t> sentAt_{0};
};

// Device-wide settings at {0, 0}, channel settings at {n, 0}.
SettingRef Normalised(const SettingRef& setting)
{
    switch (CommandFor(setting.op).setting.scope) {
    case Scope::Device: return {setting.op, {}};
    case Scope::Input:
    case Scope::Output: return {setting.op, {setting.at.a, 0}};
    default: return setting;
    }
}

// The mirror keeps the identity replies whole ("SAK225", "SV105").
std::string WithoutTag(std::string text, std::string_view tag)
{
    if (text.starts_with(tag))
        text.erase(0, tag.size());
    return text;
}

std::int32_t MirrorValue(DeviceParams& params, const SettingRef& setting)
{
    const Command& command = CommandFor(setting.op);
    const Value* value =
        command.field == nullptr ? nullptr : command.field(params, setting.at.a, setting.at.b);
    return value == nullptr ? 0 : value->load();
}

// A procedure's report as one line: "Cannot find device: Tried COM1".
std::string Joined(std::string_view text, std::string_view detail)
{
    return std::string(text) + (detail.empty() ? "" : ": " + std::string(detail));
}

void StoreValue(DeviceParams& params, const SettingRef& setting, std::int32_t value)
{
    const Command& command = CommandFor(setting.op);
    if (Value* field = command.field == nullptr ? nullptr : command.field(params, setting.at.a, setting.at.b))
        field->store(value);
}

// How long a client's line may take to be answered.
const ExchangeProfile& ProfileOf(const SharedLine& line)
{
    if (line.kind == LineKind::ModelQuery)
        return kModelQueryProfile;
    if (line.kind == LineKind::VersionQuery)
        return kIdentifyProfile;
    return line.command != nullptr ? *line.command->profile : kRawProfile;
}

}  // namespace

std::string_view StateText(RunnerState state)
{
    switch (state) {
    case RunnerState::Stopped: return "stopped";
    case RunnerState::Connecting: return "connecting";
    case RunnerState::ReadingBack: return "reading back";
    case RunnerState::Connected: return "connected";
    case RunnerState::Lost: return "lost and reconnecting";
    case RunnerState::UnknownModel: return "unknown model";
    }
    return "stopped";
}

struct DeviceRunner::Core final : ConnectionObserver {
    struct Entry {
        SettingRef setting;
        bool known = false;
        bool told = false;       // the hook knows its value
        std::int32_t value = 0;  // the value last told
    };
    using Change = std::pair<SettingRef, std::int32_t>;

    explicit Core(DeviceConfig config)
        : device(std::move(config)),
          dir(device.address.kind == DeviceAddressKind::Port ? "" : MakePrivateDir("brevantd-device-")),
          router(dir.empty() ? PortMap::System() : PortMap::Directory(dir)), port(router), link(port, state),
          queue(state.flags), connection(link, *this)
    {
        state.params.Reset();
        state.flags.PortNumber = -1;
        connection.SetMetersWanted([this] { return MetersWanted(); });
    }
    ~Core() override
    {
        StopSimulator();
        std::error_code ec;
        if (!dir.empty())
            fs::remove_all(dir, ec);
    }
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    // The observer: the connection's worker and procedures tell what happened.
    void ModelPanesShown(ModelFamily family) override
    {
        {
            std::lock_guard lock(mutex);
            readingBack = true;
            polled = false;
            if (entries.empty() || family != entriesFamily) {
                entries.clear();
                for (const SettingRef& setting : UploadList(family))
                    entries.push_back({Normalised(setting)});
                entriesFamily = family;
            }
        }
        PublishState();
    }
    void ReadBackIncomplete(const std::vector<SettingRef>& list) override
    {
        std::lock_guard lock(mutex);
        unread.clear();
        for (const SettingRef& setting : list)
            unread.push_back(Normalised(setting));
    }
    void ReadBackRefreshed(ModelFamily /*family*/) override
    {
        {
            std::lock_guard lock(mutex);
            readingBack = false;
            for (Entry& entry : entries)
                if (std::find(unread.begin(), unread.end(), entry.setting) == unread.end())
                    entry.known = true;
            unread.clear();
        }
        EmitChanges({});
        PublishState();
    }
    void PollPassCompleted(ModelFamily /*family*/) override
    {
        lastPassMicros = NowMicros();
        polled = true;
        EmitChanges({});
        FlushMeterWaiters();
        if (pollHook && !stopped)
            pollHook();
    }
    void LinkLost(int /*port*/) override
    {
        {
            std::lock_guard lock(mutex);
            readingBack = true;  // once it answers again
            polled = false;
            for (Entry& entry : entries)
                entry.known = entry.told = false;
        }
        FlushMeterWaiters();
        PublishState();
    }
    void LinkRestored(int /*port*/) override { PublishState(); }
    void ReadBackEnded() override { PublishState(); }

    // Tells the hook of every setting that has become known or whose mirror
    // value differs from the one last told, and of `confirmed` whatever its
    // value.
    void EmitChanges(std::optional<SettingRef> confirmed)
    {
        std::vector<Change> changes;
        {
            std::lock_guard lock(mutex);
            if (loading)
                return;  // the mirror holds a preset on its way; the load tells when it ends
            for (Entry& entry : entries) {
                if (!entry.known)
                    continue;
                const std::int32_t now = MirrorValue(state.params, entry.setting);
                if (!entry.told || now != entry.value || (confirmed && *confirmed == entry.setting))
                    changes.emplace_back(entry.setting, now);
                entry.value = now;
                entry.told = true;
            }
        }
        if (changeHook && !stopped)
            for (const auto& [setting, value] : changes)
                changeHook(setting, value);
    }

    // Marks `setting` known (with the mirror's value) or not.
    void MarkKnown(const SettingRef& setting, bool known)
    {
        std::lock_guard lock(mutex);
        for (Entry& entry : entries)
            if (entry.setting == setting) {
                entry.known = known;
                entry.told = entry.told && known;
            }
    }

    bool MetersWanted() const { return meterWatchers > 0 || NowMicros() < watchedUntilMicros; }
    void TouchMeters() { watchedUntilMicros = NowMicros() + kMeterLinger.count(); }
    bool MetersFresh() const { return polled && NowMicros() - lastPassMicros <= kMeterFresh.count(); }
    // Whether a polling pass can come without a reconnect or an upgrade's end.
    bool MetersComing() const
    {
        const RunnerState now = CurrentState();
        return !state.flags.Upgrading && (now == RunnerState::Connected || now == RunnerState::ReadingBack ||
                                          now == RunnerState::UnknownModel);
    }
    // Calls those waiting for fresh meters: a pass has ended, or none can come.
    void FlushMeterWaiters()
    {
        std::vector<std::function<void()>> waiting;
        {
            std::lock_guard lock(mutex);
            waiting.swap(meterWaiters);
        }
        for (auto& done : waiting)
            done();
    }

    RunnerState CurrentState() const
    {
        if (stopped)
            return RunnerState::Stopped;
        if (connection.Lost())
            return RunnerState::Lost;
        if (!state.flags.Connected)
            return RunnerState::Connecting;
        if (state.flags.UnknownModel)
            return RunnerState::UnknownModel;
        std::lock_guard lock(mutex);
        return readingBack ? RunnerState::ReadingBack : RunnerState::Connected;
    }

    void PublishState()
    {
        const RunnerState now = CurrentState();
        {
            std::lock_guard lock(mutex);
            if (now == published)
                return;
            published = now;
        }
        if (stateHook && (now == RunnerState::Stopped || !stopped))
            stateHook(now);
    }

    // Why a write that goes through the queue cannot be taken now; nothing
    // when it can (the same checks as a set's, but for the setting's own).
    std::optional<SetResult> WriteBlocked() const
    {
        const std::string& id = device.id;
        if (stopped || !state.flags.Connected || connection.Lost())
            return SetResult{SetError::DeviceLost, 0, "the device " + id + " is not connected"};
        if (state.flags.Upgrading)
            return SetResult{SetError::Busy, 0, "the device " + id + " is being upgraded"};
        if (CurrentState() == RunnerState::ReadingBack)
            return SetResult{SetError::Busy, 0, "the device " + id + " is being read back"};
        if (loading)
            return SetResult{SetError::Busy, 0, "a preset is being loaded into the device " + id};
        if (std::string refusal = WriteRefusal(state); !refusal.empty())
            return SetResult{SetError::ReadOnly, 0, std::move(refusal)};
        return std::nullopt;
    }
    std::optional<Preset> Snapshot(std::string* why) const;
    void RunPresetLoad(const Preset& preset, const DeviceRunner::PresetDone& done);
    // Stores the reply to a client's line as the link stores a reply of its own.
    void StoreReply(const SharedLine& line, std::string_view reply)
    {
        const Command& command = *line.command;
        const std::string_view first = reply.substr(0, reply.find('\n') + 1);
        if (command.replyClass == ReplyClass::Block || first.empty())
            return;
        const Reading reading = DecodeReply(command, first);
        if (command.replyClass == ReplyClass::Action) {
            if (reading.error == LinkError::None || reading.error == LinkError::WrongReply)
                for (const Assignment& a : reading.matched ? command.onSuccess : command.onMismatch)
                    (state.params.*a.field).store(a.value);
            return;
        }
        brevant::Value* field = reading.Ok() ? command.field(state.params, reading.a, reading.b) : nullptr;
        if (field == nullptr)
            return;
        field->store(command.rule.Apply(reading.value));
        if (command.confirmedFlag != nullptr)
            (state.params.*command.confirmedFlag).store(1);
        if (command.IsMeter())
            return;
        const SettingRef target = Normalised({command.op, {reading.a, reading.b}});
        MarkKnown(target, true);
        EmitChanges(line.query ? std::nullopt : std::optional(target));
    }

    // A client's query or set of a setting or meter, exchanged as the link's
    // own are: a late reply to an earlier line is passed over, never taken
    // for this one's. The answer is the device's, as stored; empty when the
    // device gave none.
    std::string TransactLine(const SharedLine& line, std::string_view text)
    {
        const Command& command = *line.command;
        if (!link.Transact(text, command, line.setting.at))
            return {};
        std::string answer = ReplyText(command, line.setting.at, MirrorValue(state.params, line.setting));
        if (!command.IsMeter()) {
            const SettingRef target = Normalised(line.setting);
            MarkKnown(target, true);
            EmitChanges(line.query ? std::nullopt : std::optional(target));
        }
        return answer;
    }

    // After the device was given to a job: forgets every value, connects
    // again and reads everything back, trying once a second until stopped.
    void ReadAgain()
    {
        LinkLost(0);
        connection.RequestStop();
        connection.WaitForWorker(kWorkerStopLimit);
        state.flags.Connected = false;
        state.flags.Upgrading = false;
        PublishState();
        ConnectUntilStopped();
    }

    // Takes a place on the queue for a write; false (nothing taken) when
    // kMaxQueuedSets are waiting already.
    bool TakeQueueSlot()
    {
        if (++queuedSets <= kMaxQueuedSets)
            return true;
        --queuedSets;
        return false;
    }
    std::string TooManyWaiting() const { return "the device " + device.id + " has too many changes waiting"; }

    bool StartSimulator();
    void StopSimulator();
    bool PreparePort();
    void RunStarter();
    void Connect();              // prepares the port, then ConnectUntilStopped
    void ConnectUntilStopped();  // tries once a second until connected or stopped
    bool WaitUnlessStopped(Micros limit)
    {
        std::unique_lock lock(mutex);
        return !stopWake.wait_for(lock, limit, [this] { return stopped.load(); });
    }

    DeviceConfig device;
    std::string dir;  // the private folder of a device path or the simulator; empty: none
    PortRouter router;
    CountingPort port;
    DeviceState state;
    DeviceLink link;
    CommandQueue queue;
    Connection connection;

    std::string simulatorProgram;  // set for tests; empty: look for it
    pid_t simulatorPid = -1;
    ChangeHook changeHook;
    StateHook stateHook;
    PollHook pollHook;

    mutable std::mutex mutex;  // guards what follows, and the wait below
    std::condition_variable stopWake;
    std::vector<Entry> entries;  // the model's settings
    ModelFamily entriesFamily = ModelFamily::Unknown;
    std::vector<SettingRef> unread;
    // Until a read-back has ended, a device that answers is being read back
    // (its model answers before the worker starts reading).
    bool readingBack = true;
    RunnerState published = RunnerState::Stopped;
    std::string detail;

    std::mutex lifeMutex;  // serialises Start and Stop
    std::atomic<bool> started{false};
    std::atomic<bool> stopped{false};
    // A polling pass has read the meters since the last connect or loss:
    // until then the mirror's meters hold nothing the device said.
    std::atomic<bool> polled{false};
    std::atomic<std::int64_t> lastPassMicros{0};      // when the last polling pass ended
    std::atomic<std::int64_t> watchedUntilMicros{0};  // TouchMeters keeps the meters polled until
    std::atomic<int> meterWatchers{0};                // WatchMeters tokens alive
    std::vector<std::function<void()>> meterWaiters;  // under mutex: WhenMetersFresh's, till a pass
    std::atomic<std::size_t> queuedSets{0};
    std::atomic<bool> loading{false};  // a preset is being sent: the mirror holds values not yet confirmed
    std::thread starter;
    bool starterDone = false;  // under mutex
};

bool DeviceRunner::Core::StartSimulator()
{
    const std::string program = simulatorProgram.empty() ? FindSimulator() : simulatorProgram;
    const fs::path portLink = fs::path(dir) / ("COM" + std::to_string(kOwnPort));
    if (program.empty() || dir.empty()) {
        std::lock_guard lock(mutex);
        detail = program.empty() ? "the simulator, brevant-sim, was not found beside brevantd nor on the PATH"
                                 : "no private folder could be made for the simulator's port";
        return false;
    }
    std::string why;
    const int pid = SpawnSimulator(program, dir, kOwnPort, (fs::path(dir) / "simulator.log").string(), &why);
    if (pid < 0) {
        std::lock_guard lock(mutex);
        detail = why;
        return false;
    }
    simulatorPid = pid;
    const Deadline deadline(kSimulatorStartLimit);
    std::error_code ec;
    while (!fs::exists(portLink, ec) && !deadline.Expired())
        if (!WaitUnlessStopped(Micros{20'000}))
            return false;
    return fs::exists(portLink, ec);
}

void DeviceRunner::Core::StopSimulator()
{
    if (simulatorPid <= 0)
        return;
    ::kill(simulatorPid, SIGTERM);
    int status = 0;
    const Deadline deadline(kSimulatorStopLimit);
    while (::waitpid(simulatorPid, &status, WNOHANG) == 0) {
        if (deadline.Expired()) {
            ::kill(simulatorPid, SIGKILL);
            ::waitpid(simulatorPid, &status, 0);
            break;
        }
        SleepFor(Micros{10'000});
    }
    simulatorPid = -1;
}

// Points the link at the device's port; false (with the reason kept) when
// there is none to point at.
bool DeviceRunner::Core::PreparePort()
{
    const DeviceAddress& address = device.address;
    if (address.kind == DeviceAddressKind::Port) {
        state.flags.PortNumber = address.port.Network() ? router.Assign(address.port) : address.port.com;
        return true;
    }
    if (address.kind == DeviceAddressKind::Virtual) {
        if (!StartSimulator())
            return false;
    } else {
        std::error_code ec;
        if (dir.empty()) {
            std::lock_guard lock(mutex);
            detail = "no private folder could be made for " + address.path;
            return false;
        }
        fs::create_symlink(address.path, fs::path(dir) / ("COM" + std::to_string(kOwnPort)), ec);
        if (ec && !fs::is_symlink(fs::path(dir) / ("COM" + std::to_string(kOwnPort)))) {
            std::lock_guard lock(mutex);
            detail = address.path + ": " + ec.message();
            return false;
        }
    }
    state.flags.PortNumber = kOwnPort;
    return true;
}

void DeviceRunner::Core::RunStarter()
{
    Connect();
    {
        std::lock_guard lock(mutex);
        starterDone = true;
    }
    stopWake.notify_all();
}

void DeviceRunner::Core::Connect()
{
    if (!PreparePort()) {
        PublishState();
        return;
    }
    ConnectUntilStopped();
}

void DeviceRunner::Core::ConnectUntilStopped()
{
    while (!stopped) {
        std::string why;
        const bool connected = connection.Connect(
            [&why](std::string_view text, std::string_view more) { why = Joined(text, more); });
        {
            std::lock_guard lock(mutex);
            detail = connected ? std::string() : why;
        }
        PublishState();
        if (connected || !WaitUnlessStopped(kRetryEvery))
            return;
    }
}

DeviceRunner::DeviceRunner(DeviceConfig device) : core_(std::make_shared<Core>(std::move(device))) {}

DeviceRunner::~DeviceRunner()
{
    Stop();
}

const std::string& DeviceRunner::Id() const
{
    return core_->device.id;
}

void DeviceRunner::SetSimulator(std::string path)
{
    core_->simulatorProgram = std::move(path);
}

void DeviceRunner::SetChangeHook(ChangeHook hook)
{
    core_->changeHook = std::move(hook);
}

void DeviceRunner::SetStateHook(StateHook hook)
{
    core_->stateHook = std::move(hook);
}

void DeviceRunner::SetPollHook(PollHook hook)
{
    core_->pollHook = std::move(hook);
}

bool DeviceRunner::Start()
{
    std::lock_guard life(core_->lifeMutex);
    if (core_->stopped || core_->started)
        return !core_->stopped;
    core_->started = true;
    core_->PublishState();
    core_->starter = std::thread([core = core_] { core->RunStarter(); });
    return true;
}

void DeviceRunner::Stop()
{
    std::lock_guard life(core_->lifeMutex);
    if (core_->stopped)
        return;
    Core& core = *core_;
    {
        std::lock_guard lock(core.mutex);
        core.stopped = true;
    }
    core.stopWake.notify_all();
    // Every exchange fails at once from here, so the sets still queued are
    // answered promptly (as not sent) and the workers end within one step.
    core.link.Halt();
    core.connection.RequestStop();
    bool starterEnded = true;
    if (core.starter.joinable()) {
        std::unique_lock lock(core.mutex);
        starterEnded = core.stopWake.wait_for(lock, kStarterStopLimit, [&core] { return core.starterDone; });
        lock.unlock();
        if (starterEnded) {
            core.starter.join();
        } else {
            // A network connect under way cannot be cut short; once it ends,
            // the halted link fails the rest at once and the thread lets go.
            core.starter.detach();
        }
    }
    core.connection.WaitForWorker(kWorkerStopLimit);
    core.queue.WaitIdle(Micros{150'000});
    core.FlushMeterWaiters();
    if (starterEnded) {
        core.link.ClosePort();
        core.StopSimulator();
    }
    core.PublishState();
}

RunnerStatus DeviceRunner::Status() const
{
    const Core& core = *core_;
    RunnerStatus status;
    status.state = core.CurrentState();
    const bool answered = core.state.flags.Connected || core.connection.Lost();
    status.model = answered ? WithoutTag(core.state.params.SA.Get(), wire::kModelTag) : std::string();
    status.family = answered ? ToModelFamily(core.state.params.DeviceFamily) : ModelFamily::Unknown;
    status.firmware = answered ? WithoutTag(core.state.params.SV.Get(), wire::kVersionTag) : std::string();
    status.address = core.device.address.Text();
    {
        std::lock_guard lock(core.mutex);
        status.detail = core.detail;
    }
    status.exchanges = core.port.exchanges;
    status.failures = core.port.failures;
    status.reconnects = static_cast<std::uint64_t>(core.connection.Reconnects());
    status.latencyMicrosSum = core.port.latencySum;
    status.latencyCount = core.port.latencyCount;
    return status;
}

std::optional<std::int32_t> DeviceRunner::Value(const SettingRef& setting) const
{
    const SettingRef wanted = Normalised(setting);
    if (core_->connection.Lost() || !core_->state.flags.Connected)
        return std::nullopt;  // the loss is known here before the worker has told it
    std::lock_guard lock(core_->mutex);
    for (const Core::Entry& entry : core_->entries)
        if (entry.setting == wanted && entry.known)
            return core_->loading && entry.told ? entry.value : MirrorValue(core_->state.params, wanted);
    return std::nullopt;
}

std::optional<std::int32_t> DeviceRunner::Meter(const SettingRef& meter) const
{
    const Command& command = CommandFor(meter.op);
    const RunnerState now = core_->CurrentState();
    if (!command.IsMeter() || !IsChannel(meter.at.a) || !core_->MetersFresh() ||
        (now != RunnerState::Connected && now != RunnerState::UnknownModel))
        return std::nullopt;
    return MirrorValue(core_->state.params, {meter.op, {meter.at.a, 0}});
}

std::shared_ptr<void> DeviceRunner::WatchMeters()
{
    ++core_->meterWatchers;
    return std::shared_ptr<void>(nullptr, [core = std::weak_ptr<Core>(core_)](void*) {
        if (const auto alive = core.lock())
            --alive->meterWatchers;
    });
}

void DeviceRunner::TouchMeters()
{
    core_->TouchMeters();
}

void DeviceRunner::WhenMetersFresh(std::function<void()> done)
{
    Core& core = *core_;
    core.TouchMeters();
    if (core.MetersFresh())
        return done();
    {
        std::lock_guard lock(core.mutex);
        core.meterWaiters.push_back(std::move(done));
    }
    // Looked at after joining: a loss or a stop told since is not missed.
    if (!core.MetersComing())
        core.FlushMeterWaiters();
}

void DeviceRunner::Set(const SettingRef& setting, std::int32_t value, SetDone done)
{
    Core& core = *core_;
    const SettingRef target = Normalised(setting);
    const Command& command = CommandFor(target.op);
    const auto refuse = [&done](SetError error, std::string message) {
        done(SetResult{error, 0, std::move(message)});
    };
    const std::optional<SettingRange> range = RangeOf(target.op);
    if (!command.settable || !range)
        return refuse(SetError::NoSuchSetting, SettingName(target) + " cannot be set");
    if (!range->Contains(value))
        return refuse(SetError::OutOfRange,
                      SettingName(target) + ": " + std::to_string(value) + " is outside " + range->Text());
    if (core.stopped || !core.state.flags.Connected || core.connection.Lost())
        return refuse(SetError::DeviceLost, "the device " + core.device.id + " is not connected");
    if (core.state.flags.Upgrading)
        return refuse(SetError::Busy, "the device " + core.device.id + " is being upgraded");
    // Nothing is sent before the device's own values are known: a set made
    // while the read-back runs is refused, as the window refuses it.
    if (core.CurrentState() == RunnerState::ReadingBack)
        return refuse(SetError::Busy, "the device " + core.device.id + " is being read back");
    {
        std::lock_guard lock(core.mutex);
        if (core.entries.empty())
            return refuse(SetError::Busy, "the device " + core.device.id + " is being read back");
        if (std::none_of(core.entries.begin(), core.entries.end(),
                         [&target](const Core::Entry& entry) { return entry.setting == target; }))
            return refuse(SetError::NoSuchSetting,
                          "the " + WithoutTag(core.state.params.SA.Get(), wire::kModelTag) + " has no " +
                              SettingName(target));
    }
    if (const std::string refusal = WriteRefusal(core.state); !refusal.empty())
        return refuse(SetError::ReadOnly, refusal);
    if (!core.TakeQueueSlot())
        return refuse(SetError::Busy, core.TooManyWaiting());
    auto answer = std::make_shared<SetDone>(std::move(done));
    const SettingChange change{target.op, target.at, value};
    const bool sent = PanelSend(
        core.link, core.queue, {change},
        [&core, answer](std::string_view text, std::string_view detail) {
            --core.queuedSets;
            (*answer)(SetResult{SetError::DeviceLost, 0, Joined(text, detail)});
        },
        [&core, answer, change, target](const SendOutcome& outcome) {
            --core.queuedSets;
            const std::int32_t now = MirrorValue(core.state.params, target);
            const bool unknown = !outcome.unknown.empty();
            core.MarkKnown(target, !unknown);
            if (outcome.Confirmed()) {
                core.EmitChanges(target);
                (*answer)(SetResult{SetError::None, now, {}});
                return;
            }
            core.EmitChanges({});
            const bool lost = core.stopped || core.connection.Lost() || !core.state.flags.Connected;
            (*answer)(SetResult{lost ? SetError::DeviceLost : SetError::NotConfirmed, now,
                                lost
                                    ? "the device " + core.device.id + " was lost: " + UnconfirmedText(change)
                                    : UnconfirmedText(change)});
        });
    (void)sent;  // a refusal was answered through the report
}

void DeviceRunner::Exchange(std::string line, ExchangeDone done)
{
    Core& core = *core_;
    if (core.stopped || !core.state.flags.Connected || core.connection.Lost() || core.state.flags.Upgrading)
        return done({});
    const SharedLine parsed = ParseSharedLine(line);
    core.queue.Post([&core, line = std::move(line), parsed, done = std::move(done)] {
        const bool value = parsed.kind == LineKind::SettingQuery || parsed.kind == LineKind::MeterQuery ||
                           parsed.kind == LineKind::Set;
        if (value)
            return done(core.TransactLine(parsed, line));
        std::string reply;
        (void)core.link.Exchange(line, ProfileOf(parsed), reply);  // whatever came is relayed
        if (parsed.command != nullptr)
            core.StoreReply(parsed, reply);
        done(std::move(reply));
    });
}

bool DeviceRunner::RunExclusive(ExclusiveJob job)
{
    Core& core = *core_;
    if (core.stopped || !core.state.flags.Connected || core.connection.Lost())
        return false;
    bool idle = false;
    if (!core.state.flags.Upgrading.compare_exchange_strong(idle, true))
        return false;
    core.FlushMeterWaiters();  // no pass comes before the job has ended
    core.queue.Post([&core, job = std::move(job)] {
        job(core.link, core.stopped);
        core.ReadAgain();
    });
    return true;
}

std::optional<Preset> DeviceRunner::Core::Snapshot(std::string* why) const
{
    const RunnerState now = CurrentState();
    if (now != RunnerState::Connected) {
        *why = "the device " + device.id + " is " + std::string(StateText(now));
        return std::nullopt;
    }
    if (loading) {
        *why = "a preset is being loaded into the device " + device.id;
        return std::nullopt;
    }
    std::vector<std::string> unknown;
    {
        std::lock_guard lock(mutex);
        for (const Entry& entry : entries)
            if (!entry.known)
                unknown.push_back(SettingName(entry.setting));
    }
    if (!unknown.empty()) {
        *why = "the device " + device.id + " has " + std::to_string(unknown.size()) +
               " settings not known, " + unknown.front() + " the first";
        return std::nullopt;
    }
    return DeviceSnapshot(connection);
}

// On the queue's thread, the polling held back: the preset goes into the
// mirror and out to the device; what the device did not take gets the value
// it held before back, and the setting that failed is no longer known.
void DeviceRunner::Core::RunPresetLoad(const Preset& preset, const DeviceRunner::PresetDone& done)
{
    PresetOutcome outcome;
    std::string why;
    const std::optional<Preset> before = Snapshot(&why);
    if (auto blocked = WriteBlocked(); blocked || !before) {
        outcome.error = blocked ? blocked->error : SetError::Busy;
        outcome.message = blocked ? blocked->message : why;
        return done(outcome);
    }
    if (std::string mismatch = FamilyRefusal(preset, state.params, device.address.Text());
        !mismatch.empty()) {
        outcome.error = SetError::ReadOnly;
        outcome.message = mismatch + "; nothing was sent";
        return done(outcome);
    }
    outcome.before = FormatPreset(*before);
    const std::vector<SettingRef> steps = UploadList(ToModelFamily(state.params.DeviceFamily.load()));
    std::vector<std::int32_t> held;
    held.reserve(steps.size());
    for (const SettingRef& step : steps)
        held.push_back(MirrorValue(state.params, step));
    {
        // Under the lock: a change report or a read already under way ends
        // before the mirror takes the preset.
        std::lock_guard lock(mutex);
        loading = true;
    }
    StorePreset(preset, state.params);
    outcome.load = UploadPreset(link);
    if (!outcome.load.ok) {
        const auto taken = static_cast<std::size_t>(std::max(0, outcome.load.sent));
        for (std::size_t i = taken; i < steps.size(); ++i)
            StoreValue(state.params, steps[i], held[i]);
        if (taken < steps.size())
            MarkKnown(Normalised(steps[taken]), false);
        const bool lost = stopped || connection.Lost() || !state.flags.Connected;
        outcome.error = lost ? SetError::DeviceLost : SetError::NotConfirmed;
        outcome.message = PartlyLoadedText(outcome.load, "the earlier setting is in \"before\"");
    }
    loading = false;
    EmitChanges({});
    done(outcome);
}

std::optional<Preset> DeviceRunner::Snapshot(std::string* why) const
{
    return core_->Snapshot(why);
}

std::string DeviceRunner::FamilyMismatch(const Preset& preset) const
{
    return FamilyRefusal(preset, core_->state.params, core_->device.address.Text());
}

std::vector<std::string> DeviceRunner::PresetDiff(const Preset& preset) const
{
    return DiffPreset(preset, core_->state.params);
}

void DeviceRunner::LoadPreset(Preset preset, PresetDone done)
{
    Core& core = *core_;
    if (auto blocked = core.WriteBlocked())
        return done(PresetOutcome{blocked->error, {}, {}, blocked->message});
    if (!core.TakeQueueSlot())
        return done(PresetOutcome{SetError::Busy, {}, {}, core.TooManyWaiting()});
    core.queue.Post([&core, preset = std::move(preset), done = std::move(done)] {
        --core.queuedSets;
        core.RunPresetLoad(preset, done);
    });
}

void DeviceRunner::SaveToDevice(SetDone done)
{
    Core& core = *core_;
    if (auto blocked = core.WriteBlocked())
        return done(*blocked);
    if (!core.TakeQueueSlot())
        return done(SetResult{SetError::Busy, 0, core.TooManyWaiting()});
    core.queue.Post([&core, done = std::move(done)] {
        --core.queuedSets;
        std::string said;
        const bool saved = SaveDevice(core.link, [&said](std::string_view text, std::string_view detail) {
            said = Joined(text, detail);
        });
        done(SetResult{saved ? SetError::None : SetError::NotConfirmed, 0, said});
    });
}

}  // namespace brevant::service
