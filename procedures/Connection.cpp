#include "procedures/Connection.h"

#include "core/Translate.h"
#include "procedures/ReadBack.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

namespace brevant {

namespace {

constexpr int kHighestPort = 39;
// The worker looks at its stop request before every exchange, so it ends
// within one exchange; this only bounds a worker stuck beyond all reason.
constexpr Micros kStopWait{2'000'000};
// While user work holds the polling back the worker looks again after this
// long instead of spinning.
constexpr Micros kHeldRecheck{1'000};

// The model a reply names: the text between a leading "SA" (in either case)
// and the CR LF that ends it, or nothing when the reply is no model reply.
std::optional<std::string> ModelOf(std::string_view reply)
{
    if (!reply.ends_with("\r\n"))
        return std::nullopt;
    reply.remove_suffix(2);
    if (reply.size() < 3 || std::toupper(static_cast<unsigned char>(reply[0])) != 'S' ||
        std::toupper(static_cast<unsigned char>(reply[1])) != 'A')
        return std::nullopt;
    const std::string_view model = reply.substr(2);
    for (char c : model) {
        if (!std::isgraph(static_cast<unsigned char>(c)))
            return std::nullopt;
    }
    return std::string(model);
}

}  // namespace

Connection::Connection(DeviceLink& link, ConnectionObserver& observer) : link_(link), observer_(observer) {}

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
    std::vector<std::string> refused;
    std::vector<int> silent;
    std::vector<int> tried;  // every port there was, in the order asked
    const auto stopped = [&] { return stop != nullptr && stop->load(); };
    // Probes one port; a port that cannot be opened is not probed again.
    const auto probe = [&](int port) {
        bool opened = false;
        for (int n = 0; n < probesPerPort && !stopped(); ++n) {
            if (link_.ProbePort(port))
                return true;
            const OpenFailure failure = link_.Port().LastOpenFailure(port);
            if (failure != OpenFailure::None) {
                if (failure != OpenFailure::Missing) {
                    refused.push_back(OpenFailureText(port));
                    tried.push_back(port);
                }
                break;
            }
            opened = true;
        }
        if (opened) {
            silent.push_back(port);
            tried.push_back(port);
        }
        return false;
    };
    bool found = false;
    for (int port = 1; port <= kHighestPort && !found && !stopped(); ++port) {
        found = probe(port);
        if (found)
            portNumber = port;
    }
    std::lock_guard lock(scanMutex_);
    scanRefused_ = std::move(refused);
    scanSilent_ = std::move(silent);
    scanTried_ = std::move(tried);
    return found;
}

std::string Connection::ScanDetail() const
{
    std::lock_guard lock(scanMutex_);
    std::string detail;
    for (const std::string& refused : scanRefused_)
        detail += (detail.empty() ? "" : "; ") + refused;
    // When every port tried stayed silent, the list of those tried says which.
    if (!scanSilent_.empty() && detail.empty()) {
        detail = Tr("brevant::Connection", "no answer");
    } else if (!scanSilent_.empty()) {
        std::string silent;
        for (std::size_t i = 0; i < scanSilent_.size(); ++i)
            silent += (i == 0 ? "" : ", ") + link_.Port().Label(scanSilent_[i]);
        detail += Fill(Tr("brevant::Connection", "; no answer on %1"), {silent});
    }
    if (detail.empty())
        return Tr("brevant::Connection", "no serial port is present (COM1..COM39)");
    std::string tried;
    for (std::size_t i = 0; i < scanTried_.size(); ++i)
        tried += (i == 0 ? "" : ", ") + link_.Port().Label(scanTried_[i]);
    return Fill(Tr("brevant::Connection", "Tried %1: %2"), {tried, detail});
}

std::string Connection::OpenFailureText(int port) const
{
    const SerialPort& serial = link_.Port();
    std::string why = serial.LastError(port);
    if (why.empty())
        why = Fill(Tr("brevant::Connection", "%1 cannot be opened"), {serial.Label(port)});
    if (serial.LastOpenFailure(port) == OpenFailure::Denied)
        why += Tr("brevant::Connection", " (to use serial ports, join the dialout group: sudo usermod -aG "
                                         "dialout $USER, then log in again)");
    return why;
}

bool Connection::QueryModel(const std::atomic<bool>* stop)
{
    DeviceState& state = State();
    std::optional<std::string> model;
    queryAnswered_ = false;
    for (int t = 0; t < kModelQueryTries && !model; ++t) {
        if (stop != nullptr && stop->load())
            break;
        std::string reply;
        const Status status = link_.Exchange(wire::kModelQuery, kModelQueryProfile, reply);
        queryAnswered_ = queryAnswered_ || !reply.empty();
        if (status)
            model = ModelOf(reply);
        if (status.Error() == LinkError::PortGone)
            break;
    }
    if (!model) {
        state.flags.Connected = false;
        return false;
    }
    // The model field is compared as received: "k217" is no model this
    // program knows. The text is kept as the device gave it, behind "SA".
    const ModelFamily family = FamilyOfModel(*model);
    state.params.SA.Set(std::string(wire::kModelTag) + *model);
    state.params.DeviceFamily = FamilyNumber(family);
    state.flags.UnknownModel = family == ModelFamily::Unknown;
    state.flags.Connected = true;
    return true;
}

bool Connection::ProbeService()
{
    LinkFlags& flags = State().flags;
    const int port = flags.PortNumber;
    SerialPort& serial = link_.Port();
    bool shared = false;
    if (serial.OverNetwork(port)) {
        const auto lock = link_.LockPort();
        std::string reply;
        if (link_.DrainLocked(port) && link_.WriteLocked(port, wire::kServiceQuery)) {
            std::array<char, 64> chunk{};
            const Deadline deadline(kServiceProbeLimit);
            while (reply.find('\n') == std::string::npos && reply.size() < chunk.size() &&
                   !deadline.Expired()) {
                serial.Wait(port, deadline.Remaining(), true);
                const IoResult got = serial.Read(port, chunk.data(), static_cast<int>(chunk.size()));
                if (got.Gone())
                    break;
                if (got.Ok())
                    reply.append(chunk.data(), static_cast<std::size_t>(got.count));
            }
        }
        shared = reply == wire::kServiceReply;
        if (ProtocolTrace* trace = link_.Trace(); trace != nullptr && !reply.empty())
            trace->Record(port, TraceDirection::Received, reply);
    }
    flags.Shared = shared;
    // The service answers whole lines at once: no pause waits for a device.
    if (shared)
        link_.SetWaitMode(WaitMode::NoSettle);
    else if (link_.GetWaitMode() == WaitMode::NoSettle)
        link_.SetWaitMode(WaitMode::PollReadable);
    return shared;
}

void Connection::ShowModelPanes()
{
    observer_.ModelPanesShown(ToModelFamily(State().params.DeviceFamily));
}

bool Connection::Connect(const Report& report)
{
    DeviceState& state = State();
    if (state.flags.Upgrading) {
        report(msg::Text(msg::kUpdating), {});
        return false;
    }
    if (state.flags.Connected) {
        report(msg::Text(msg::kAlreadyConnect), {});
        return false;
    }
    // A worker still seeking a lost device is ended first: one worker, one scan.
    RequestStop();
    WaitForWorker(kStopWait);
    lost_ = false;
    if (state.flags.PortNumber < 1 && !ScanForDevice(3)) {
        report(msg::Text(msg::kCannotFindDevice), ScanDetail());
        return false;
    }
    const int port = state.flags.PortNumber;
    if (!link_.OpenPort()) {
        report(msg::Text(msg::kConnectFail), OpenFailureText(port));
        return false;
    }
    if (!QueryModel()) {
        // The port is left to other programs.
        link_.ClosePort();
        const std::string pattern =
            queryAnswered_
                ? Tr("brevant::Connection", "%1 answered with no model reply (the model was asked %2 times)")
                : Tr("brevant::Connection", "%1 did not answer (the model was asked %2 times)");
        report(msg::Text(msg::kConnectFail),
               Fill(pattern, {link_.Port().Label(port), std::to_string(kModelQueryTries)}));
        return false;
    }
    ProbeService();
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
    state.flags.UnknownModel = false;
    state.flags.Shared = false;
    lost_ = false;
    // The port is left to other programs until the next Connect.
    link_.ClosePort();
    observer_.PanelsReset(ToModelFamily(state.params.DeviceFamily));
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
    const ModelFamily family = ToModelFamily(State().params.DeviceFamily);
    ReadBackResult result = ReadBackSettings(link_, family, stop_);
    if (result.stopped)
        return PhaseEnd::Stopped;
    if (result.lost)
        return PhaseEnd::Lost;
    {
        std::lock_guard lock(unreadMutex_);
        unread_ = result.unread;
    }
    Notify([&] {
        if (!result.unread.empty())
            observer_.ReadBackIncomplete(result.unread);
        observer_.ReadBackRefreshed(family);
    });
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
        const ModelFamily family = ToModelFamily(state.params.DeviceFamily);
        const bool watched = MetersWanted();
        const PollResult pass =
            watched ? PollMetersOnce(link_, family, stop_) : CheckAnswering(link_, family, stop_);
        if (pass.portGone || pass.overdue)
            return PhaseEnd::Lost;
        if (!pass.completed)
            continue;  // abandoned: the next pass starts from input 1 again
        silentPasses = pass.answered == 0 ? silentPasses + 1 : 0;
        if (silentPasses >= kSilentPassesForLoss)
            return PhaseEnd::Lost;
        if (!watched) {
            if (!WaitForWatchers())
                return PhaseEnd::Stopped;
            continue;
        }
        // A pass that read no meter has nothing new to show.
        if (pass.answered == 0)
            continue;
        ++pollPasses_;
        Notify([&] { observer_.PollPassCompleted(family); });
        if (state.flags.Shared && SettingsPhase() == PhaseEnd::Lost)
            return PhaseEnd::Lost;
    }
    return PhaseEnd::Stopped;
}

bool Connection::WaitForWatchers()
{
    const Deadline next(kAnsweringCheckInterval);
    while (!next.Expired() && !MetersWanted())
        if (!WaitUnlessStopped(std::min(kMetersWantedRecheck, next.Remaining())))
            return false;
    return !stop_;
}

Connection::PhaseEnd Connection::SettingsPhase()
{
    const SettingsPassResult pass =
        ReadSettingsOnce(link_, ToModelFamily(State().params.DeviceFamily), stop_);
    // What was found before an abandoned pass is in the mirror already: told all the same.
    if (!pass.changed.empty())
        Notify([&] { observer_.SettingsChanged(pass.changed); });
    return pass.portGone || pass.overdue ? PhaseEnd::Lost : PhaseEnd::Done;
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
        trace->Record(port, TraceDirection::Event,
                      verdict.empty() ? "device lost" : "device lost: " + verdict);
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
    if (stop_ || !QueryModel(&stop_)) {
        state.flags.Connected = false;
        link_.ClosePort();
        return false;
    }
    ProbeService();
    link_.Run(Op::CE);
    link_.ReadVersion();
    return true;
}

}  // namespace brevant
