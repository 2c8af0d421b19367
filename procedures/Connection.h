// Connecting to the device, detecting its model, disconnecting, and the
// read-back worker that reads every setting, polls the meters, notices a
// lost device and finds it again.
//
// The worker's life: read-back (each setting tried up to four times), then
// polling. Three polling passes (or checks, see SetMetersWanted) in a row
// without one valid reply, a port that is gone, or no valid reply for
// ReplyWatch::kGiveUp whatever the other end sends
// (DeviceLink::ReplyOverdue), mean the link is lost: Connected is cleared,
// the observer is told (LinkLost), and, when reconnecting is on,
// the worker tries once a second to reach the device again: on the same
// port while its device file exists, otherwise by scanning every port, since
// a replugged adapter may come back under another number. When the model
// query is answered, the full read-back runs again (the device may have
// restarted with its stored setting) and polling resumes.
//
// On a network port the connect also asks whether the other end is a
// service sharing the device (wire::kServiceQuery), waiting at most
// kServiceProbeLimit; a device is silent to it. When it is (LinkFlags::Shared),
// exchanges end as soon as the reply is there (WaitMode::NoSettle), and after
// every polling pass the worker asks every setting again, which the service
// answers from its mirror without using the device's line, and tells the
// observer which ones another client changed (SettingsChanged).
//
// Thread-safety: the procedures may be called from any one thread at a time
// (the program runs them off its user-interface thread). The worker runs on
// its own thread; never two at once. A stop request reaches only a running
// worker: one made while none runs is dropped, so it can never end the next
// worker early. Once RequestStop has returned, the worker tells the observer
// nothing more but ReadBackEnded. Observer calls come from the worker or the
// calling thread.
#pragma once

#include "core/DeviceLink.h"
#include "core/SettingName.h"
#include "procedures/ConnectionObserver.h"
#include "procedures/Messages.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brevant {

// How often Connect (and the search for a lost device) asks the model before
// it gives a port up: one lost reply must not fail a connect.
inline constexpr int kModelQueryTries = 3;
// Passes in a row without a valid reply after which the link is lost.
inline constexpr int kSilentPassesForLoss = 3;
// How long the connect waits for a service's answer on a network port.
inline constexpr Micros kServiceProbeLimit{150'000};
// How often a lost device is sought again.
inline constexpr Micros kReconnectInterval{1'000'000};
// While nobody watches the meters (see SetMetersWanted): how often the
// worker checks that the device still answers, and how often it looks
// whether someone has begun to watch.
inline constexpr Micros kAnsweringCheckInterval{1'000'000};
inline constexpr Micros kMetersWantedRecheck{10'000};

class Connection {
public:
    Connection(DeviceLink& link, ConnectionObserver& observer);
    ~Connection();  // stops the worker and waits for it (it ends within one exchange)
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    DeviceLink& Link() { return link_; }
    DeviceState& State() { return link_.State(); }
    ConnectionObserver& Observer() { return observer_; }

    // Whether the worker seeks a lost device again (the program, the default)
    // or ends once it has reported the loss (the command-line tool).
    void SetReconnect(bool on) { reconnect_ = on; }
    // Whether anyone watches the meters; set before the worker starts. Unset
    // (the program), the meters are polled back to back. Set (the service),
    // while it answers false the worker asks only one meter every
    // kAnsweringCheckInterval, to notice a lost device, and leaves the line
    // to commands; it starts polling within kMetersWantedRecheck of a true.
    void SetMetersWanted(std::function<bool()> wanted) { metersWanted_ = std::move(wanted); }

    // Probes COM1..COM39 in order, `probesPerPort` times each, and keeps the
    // first port that answers in PortNumber (-1 when none does). A port that
    // is not there, is in use by another program or may not be opened is
    // passed over at once. A raised `stop` ends the scan between two probes.
    bool ScanForDevice(int probesPerPort, const std::atomic<bool>* stop = nullptr);
    // Why the last scan found nothing, for the second line of "Cannot find
    // device": "Tried " and every port asked, then the ports in use or
    // refused, by name, and the ports that were opened but stayed silent
    // ("Tried COM1, COM3: no answer" when all were); that none is present
    // when there was no port to try.
    std::string ScanDetail() const;
    // Asks the model, up to kModelQueryTries times until a reply that starts
    // with "SA" comes. A known model sets Connected, DeviceFamily and SA and
    // clears UnknownModel; any other model is connected read-only: Connected
    // and UnknownModel are set, SA keeps its text and DeviceFamily is 0, for
    // which the read-back and the meters read only what every model has.
    // False (and Connected cleared) when no try got a model reply.
    bool QueryModel(const std::atomic<bool>* stop = nullptr);
    // Tells the observer which panes suit DeviceFamily (0: an unknown model).
    void ShowModelPanes();
    // On a network port, asks whether a service shares the device there, and
    // sets LinkFlags::Shared and the link's wait mode by the answer; false
    // (and not shared) on a serial port or when nothing answered in time.
    bool ProbeService();

    // The Connect command: finds the port if none is known yet, asks the
    // model, leaves test mode, reads the version and starts the worker.
    // Returns true when the worker was started. A failure says why on its
    // second line (the detail): the port in use by another program, the
    // permission denied, or the ports that stayed silent.
    bool Connect(const Report& report);
    // The Disconnect command: stops the worker (it ends within one exchange),
    // marks the device disconnected and resets the panels; nothing refills
    // them afterwards. The port is closed, so other programs may use it.
    void Disconnect();

    // Asks a running worker to end; dropped when none runs.
    void RequestStop();
    // Waits at most `limit` for the worker to end; true when none runs.
    bool WaitForWorker(Micros limit);
    bool WorkerRunning() const;
    // Polling passes of the current (or last) worker that read a meter.
    int PollPasses() const { return pollPasses_.load(); }
    // The link is lost and the worker (if reconnecting) seeks the device.
    bool Lost() const { return lost_.load(); }
    // The port the device was lost on (0 when it never was).
    int LostPort() const { return lostPort_.load(); }
    // Links lost and found again since this object was made.
    int Reconnects() const { return reconnects_.load(); }
    // The settings the last read-back could not read.
    std::vector<SettingRef> UnreadSettings() const;

private:
    enum class PhaseEnd { Done, Stopped, Lost };

    void StartWorker();
    void RunWorker();
    PhaseEnd ReadBackPhase();
    PhaseEnd PollPhase();
    // After a polling pass through a shared port: the settings pass.
    PhaseEnd SettingsPhase();
    bool MetersWanted() const { return !metersWanted_ || metersWanted_(); }
    // Waits up to kAnsweringCheckInterval while nobody watches the meters;
    // false when stopped.
    bool WaitForWatchers();
    void DeclareLost();
    bool SeekDevice();
    bool TryPort(int port);
    // Waits `limit` unless a stop comes first; false when stopped.
    bool WaitUnlessStopped(Micros limit);
    // Runs `tell` unless a stop has been requested; serialised with RequestStop.
    template <typename F>
    void Notify(F tell);
    void JoinFinishedWorker(std::unique_lock<std::mutex>& lock);
    // Why `port` could not be opened, for a message.
    std::string OpenFailureText(int port) const;

    DeviceLink& link_;
    ConnectionObserver& observer_;

    mutable std::mutex workerMutex_;
    std::condition_variable workerEnded_;
    std::condition_variable stopWake_;
    std::thread worker_;
    bool running_ = false;
    std::mutex notifyMutex_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> reconnect_{true};
    std::atomic<bool> lost_{false};
    std::atomic<int> lostPort_{0};
    std::atomic<int> reconnects_{0};
    std::atomic<int> pollPasses_{0};
    mutable std::mutex unreadMutex_;
    std::vector<SettingRef> unread_;
    mutable std::mutex scanMutex_;
    std::vector<std::string> scanRefused_;    // the last scan's ports in use or refused, as told
    std::vector<int> scanSilent_;             // the last scan's ports that opened but did not answer
    std::vector<int> scanTried_;              // every port the last scan asked or could not open
    std::atomic<bool> queryAnswered_{false};  // the last QueryModel got bytes of some reply
    std::function<bool()> metersWanted_;      // empty: always
};

}  // namespace brevant
