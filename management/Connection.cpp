#include "Connection.h"

#include "ReadBack.h"
#include "TextScan.h"

#include <cctype>

namespace brevant {

namespace {

constexpr int kHighestPort = 39;
constexpr Micros kStopWait{1'000'000};
// While a user command owns the port the worker looks again after this long
// instead of spinning.
constexpr Micros kBusyRecheck{1'000};

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

bool Connection::ScanForDevice(int probesPerPort)
{
    auto& portNumber = State().flags.PortNumber;
    portNumber = -1;
    for (int port = 1; port <= kHighestPort; ++port) {
        for (int probe = 0; probe < probesPerPort; ++probe) {
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
    if (state.flags.PortNumber < 1 && !ScanForDevice(3)) {
        report(msg::kCannotFindDevice, {});
        return false;
    }
    // A failure to open shows up as the model query's failure.
    link_.OpenPort();
    state.flags.LinkBusy = false;
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
    state.flags.LinkBusy = true;
    RequestStop();
    WaitForWorker(kStopWait);
    state.flags.Connected = false;

    // Reset the panels once the worker has ended (waiting at most another
    // second), so that no late refresh overwrites the idle display.
    WaitForWorker(kStopWait);
    const int family = state.params.DeviceFamily;
    if (family == 1 || family == 2)
        observer_.PanelsReset(family);
    state.flags.LinkBusy = false;
}

void Connection::RequestStop()
{
    std::lock_guard lock(workerMutex_);
    if (running_)
        stop_ = true;
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
        stop_ = true;
        workerEnded_.wait(lock, [this] { return !running_; });
    }
    JoinFinishedWorker(lock);
    stop_ = false;  // every worker starts with a fresh stop state
    pollPasses_ = 0;
    running_ = true;
    worker_ = std::thread([this] { RunWorker(); });
}

void Connection::RunWorker()
{
    DeviceState& state = State();
    // Phase 1 and 2: read everything back, then refresh every panel.
    const int family = state.params.DeviceFamily;
    ReadBackSettings(link_, family);
    if (family == 1 || family == 2)
        observer_.ReadBackRefreshed(family);

    // Phase 3: poll the meters until asked to stop, standing back while a
    // user command owns the port.
    while (!stop_) {
        if (state.flags.LinkBusy) {
            SleepFor(kBusyRecheck);
            continue;
        }
        const int current = state.params.DeviceFamily;
        if (!PollMetersOnce(link_, current, state.flags.LinkBusy))
            continue;  // abandoned: the next cycle starts from input 1 again
        ++pollPasses_;
        if (current == 1 || current == 2)
            observer_.PollPassCompleted(current);
    }

    observer_.ReadBackEnded();
    std::lock_guard lock(workerMutex_);
    running_ = false;
    workerEnded_.notify_all();
}

}  // namespace brevant
