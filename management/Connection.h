// Connecting to the device, detecting its model, disconnecting, and the
// read-back worker that reads every setting and then polls the meters.
//
// Thread-safety: the procedures may be called from any one thread at a time
// (the program runs them off its user-interface thread). The worker runs on
// its own thread; never two at once. A stop request reaches only a running
// worker: one made while none runs is dropped, so it can never end the next
// worker early. Observer calls come from the worker or the calling thread.
#pragma once

#include "ConnectionObserver.h"
#include "DeviceLink.h"
#include "Messages.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace brevant {

class Connection {
public:
    Connection(DeviceLink& link, ConnectionObserver& observer);
    ~Connection();  // stops the worker and waits for it
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    DeviceLink& Link() { return link_; }
    DeviceState& State() { return link_.State(); }
    ConnectionObserver& Observer() { return observer_; }

    // Probes COM1..COM39 in order, `probesPerPort` times each, and keeps the
    // first port that answers in PortNumber (-1 when none does).
    bool ScanForDevice(int probesPerPort);
    // Asks the model; sets Connected, DeviceFamily and SA for a known model.
    bool QueryModel();
    // Tells the observer which panes suit DeviceFamily.
    void ShowModelPanes();

    // The Connect command: finds the port if none is known yet, asks the
    // model, leaves test mode, reads the version and starts the worker.
    // Returns true when the worker was started.
    bool Connect(const Report& report);
    // The Disconnect command: stops the worker (waiting for it, at most 2 s),
    // marks the device disconnected and resets the panels. The port stays open.
    void Disconnect();

    // Asks a running worker to end; dropped when none runs.
    void RequestStop();
    // Waits at most `limit` for the worker to end; true when none runs.
    bool WaitForWorker(Micros limit);
    bool WorkerRunning() const;
    // Completed polling passes of the current (or last) worker.
    int PollPasses() const { return pollPasses_.load(); }

private:
    void StartWorker();
    void RunWorker();
    void JoinFinishedWorker(std::unique_lock<std::mutex>& lock);

    DeviceLink& link_;
    ConnectionObserver& observer_;

    mutable std::mutex workerMutex_;
    std::condition_variable workerEnded_;
    std::thread worker_;
    bool running_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<int> pollPasses_{0};
};

}  // namespace brevant
