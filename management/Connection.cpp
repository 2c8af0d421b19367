#include "Connection.h"

#include "ReadBack.h"
#include "TextScan.h"

#include <cctype>

namespace brevant {

namespace {

constexpr int kHighestPort = 39;
// The worker looks at its stop request before every exchange, so it ends
// within one exchange; this only bounds a worker stuck beyond all reason.
constexpr Micros kStopWait{2'000'000};
// While user work holds the polling back the worker looks again after this
// long instead of spinning.
constexpr Micros kHeldRecheck{1'000};

}  // namespace

Connection::Connection(DeviceLink& link, ConnectionObserver& observer) : link_(link), observer_(observer)
{
}

Connection::~Connection()
{
    RequestStop();
    std::unique_lock lock(workerMutex_);
    workerEnded_.wait(lock, [this] { return !running_; });
    JoinFinishedWorker(lock);
}

bool Connection::ScanForDevice(int probesPerPort, const std::atomic<bool>* stop)
{
    auto& portNumber = State().flags.PortNumber;
    portNumber = -1;
    for (int port = 1; port <= kHighestPort; ++port) {
        for (int probe = 0; probe < probesPerPort; ++probe) {
            if (stop != nullptr && stop->load())
                return false;
            if (link_.ProbePort(port)) {
                portNumber = port;
                return true;
            }
        }
    }
    return false;
}

bool Connection::QueryModel()
{
    DeviceState& state = State();
    std::string reply;
    if (!link_.Exchange("SAsr\n", kModelQueryProfile, reply))
        return false;

    // The reply text is upper-cased; the model field is compared as received.
    const std::size_t n = reply.size();
    const std::string_view body = n > 2 ? std::string_view(reply).substr(0, n - 2) : std::string_view{};
    std::string text(body);
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string_view model = body.size() > 2 ? body.substr(2) : std::string_view{};

    if (FindPattern(text, "SA", 0) < 0) {
        state.flags.Connected = false;
        return false;
    }
    int family = 0;
    if (model == "K225")
        family = 1;
    else if (model == "K217" || model == "K218")
        family = 2;
    if (family != 0) {
        state.flags.Connected = true;
        state.params.SA.Set(text);
        state.params.DeviceFamily = family;
    }
    // A reply with "SA" but an unknown model still counts as an answer, and
    // leaves the connection state as it was.
    return true;
}

void Connection::ShowModelPanes()
{
    const int family = State().params.DeviceFamily;
    if (family == 1 || family == 2)
        observer_.ModelPanesShown(family);
}

bool Connection::Connect(const Report& report)
{
    DeviceState& state = State();
    if (state.flags.Upgrading) {
        report(msg::kUpdating, {});
        return false;
    }
    if (state.flags.Connected) {
        report(msg::kAlreadyConnect, {});
        return false;
    }
    // A worker still seeking a lost device is ended first: one worker, one scan.
    RequestStop();
    WaitForWorker(kStopWait);
    lost_ = false;
    if (state.flags.PortNumber < 1 && !ScanForDevice(3)) {
        report(msg::kCannotFindDevice, {});
        return false;
    }
    // A failure to open shows up as the model query's failure.
    link_.OpenPort();
    if (!QueryModel()) {
        report(msg::kConnectFail, {});
        return false;
    }
    link_.Run(Op::CE);  // out of sound-test mode; the answer does not matter
    link_.ReadVersion();
    ShowModelPanes();
    observer_.ChannelViewShown();
    StartWorker();
    return true;
}

void Connection::Disconnect()
{
    DeviceState& state = State();
    PollingHold hold(state.flags);
    // From here on the worker tells the observer nothing but its end, so the
    // reset below is the last word on the panels.
    RequestStop();
    WaitForWorker(kStopWait);
    state.flags.Connected = false;
    lost_ = false;
    const int family = state.params.DeviceFamily;
    if (family == 1 || family == 2)
        observer_.PanelsReset(family);
}

void Connection::RequestStop()
{
    std::lock_guard lock(workerMutex_);
    if (!running_)
        return;
    {
        std::lock_guard notifying(notifyMutex_);
        stop_ = true;
    }
    stopWake_.notify_all();
}

bool Connection::WaitForWorker(Micros limit)
{
    std::unique_lock lock(workerMutex_);
    if (!workerEnded_.wait_for(lock, limit, [this] { return !running_; }))
        return false;
    JoinFinishedWorker(lock);
    return true;
}

bool Connection::WorkerRunning() const
{
    std::lock_guard lock(workerMutex_);
    return running_;
}

std::vector<SettingRef> Connection::UnreadSettings() const
{
    std::lock_guard lock(unreadMutex_);
    return unread_;
}

void Connection::JoinFinishedWorker(std::unique_lock<std::mutex>& lock)
{
    if (!worker_.joinable())
        return;
    std::thread finished = std::move(worker_);
    lock.unlock();
    finished.join();
    lock.lock();
}

void Connection::StartWorker()
{
    std::unique_lock lock(workerMutex_);
    if (running_) {
        // Never two workers: the one still running (say, a Connect that found
        // an unknown model) is asked to end first.
        {
            std::lock_guard notifying(notifyMutex_);
            stop_ = true;
        }
        stopWake_.notify_all();
        workerEnded_.wait(lock, [this] { return !running_; });
    }
    JoinFinishedWorker(lock);
    stop_ = false;  // every worker starts with a fresh stop state
    pollPasses_ = 0;
    running_ = true;
    worker_ = std::thread([this] { RunWorker(); });
}

template <typename F>
void Connection::Notify(F tell)
{
    std::lock_guard lock(notifyMutex_);
    if (!stop_)
        tell();
}

bool Connection::WaitUnlessStopped(Micros limit)
{
    std::unique_lock lock(workerMutex_);
    return !stopWake_.wait_for(lock, limit, [this] { return stop_.load(); });
}

void Connection::RunWorker()
{
    for (;;) {
        PhaseEnd end = ReadBackPhase();
        if (end == PhaseEnd::Done)
            end = PollPhase();
        if (end == PhaseEnd::Stopped)
            break;
        DeclareLost();
        if (!reconnect_ || !SeekDevice())
            break;
        lost_ = false;
        ++reconnects_;
        const int port = State().flags.PortNumber;
        Notify([&] {
            observer_.LinkRestored(port);
            ShowModelPanes();
        });
    }

    observer_.ReadBackEnded();
    std::lock_guard lock(workerMutex_);
    running_ = false;
    workerEnded_.notify_all();
}

Connection::PhaseEnd Connection::ReadBackPhase()
{
    const int family = State().params.DeviceFamily;
    ReadBackResult result = ReadBackSettings(link_, family, stop_);
    if (result.stopped)
        return PhaseEnd::Stopped;
    if (result.lost)
        return PhaseEnd::Lost;
    {
        std::lock_guard lock(unreadMutex_);
        unread_ = result.unread;
    }
    if (family == 1 || family == 2) {
        Notify([&] {
            if (!result.unread.empty())
                observer_.ReadBackIncomplete(result.unread);
            observer_.ReadBackRefreshed(family);
        });
    }
    return stop_ ? PhaseEnd::Stopped : PhaseEnd::Done;
}

Connection::PhaseEnd Connection::PollPhase()
{
    DeviceState& state = State();
    int silentPasses = 0;
    while (!stop_) {
        if (state.flags.PollingHeld()) {
            SleepFor(kHeldRecheck);
            continue;
        }
        const int family = state.params.DeviceFamily;
        const PollResult pass = PollMetersOnce(link_, family, stop_);
        if (pass.portGone || pass.overdue)
            return PhaseEnd::Lost;
        if (!pass.completed)
            continue;  // abandoned: the next pass starts from input 1 again
        silentPasses = pass.answered == 0 ? silentPasses + 1 : 0;
        if (silentPasses >= kSilentPassesForLoss)
            return PhaseEnd::Lost;
        // A pass that read no meter has nothing new to show.
        if (pass.answered == 0)
            continue;
        ++pollPasses_;
        if (family == 1 || family == 2)
            Notify([&] { observer_.PollPassCompleted(family); });
    }
    return PhaseEnd::Stopped;
}

void Connection::DeclareLost()
{
    DeviceState& state = State();
    const int port = state.flags.PortNumber;
    lostPort_ = port;
    lost_ = true;
    state.flags.Connected = false;
    if (ProtocolTrace* trace = link_.Trace()) {
        const std::string verdict = link_.Verdict();
        trace->Record(port, TraceDirection::Event, verdict.empty() ? "device lost" : "device lost: " + verdict);
    }
    link_.ClosePort();
    Notify([&] { observer_.LinkLost(port); });
}

bool Connection::SeekDevice()
{
    while (WaitUnlessStopped(kReconnectInterval)) {
        const int port = lostPort_;
        if (link_.Port().Exists(port)) {
            if (TryPort(port))
                return true;
            continue;
        }
        // The device file is gone: a replugged adapter may come back under
        // another number, so every port is asked.
        if (ScanForDevice(1, &stop_) && TryPort(State().flags.PortNumber))
            return true;
        if (State().flags.PortNumber < 1)
            State().flags.PortNumber = port;  // keep naming the lost port
    }
    return false;
}

bool Connection::TryPort(int port)
{
    DeviceState& state = State();
    state.flags.PortNumber = port;
    if (stop_ || !link_.OpenPort())
        return false;
    if (stop_ || !QueryModel() || !state.flags.Connected) {
        state.flags.Connected = false;
        link_.ClosePort();
        return false;
    }
    link_.Run(Op::CE);
    link_.ReadVersion();
    return true;
}

}  // namespace brevant
