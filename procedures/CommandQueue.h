// Runs the user's device commands in order on one thread of their own, so the
// window never waits for the serial line. While the queue holds work it
// holds the polling back (one PollingHold for all its jobs); the port lock
// lets a meter exchange already on the line finish first, so a command goes
// out as soon as that exchange ends.
//
// Thread-safety: Post may be called from any thread; jobs run one at a time,
// in the order posted, on the queue's thread. The destructor drops what is
// still queued (the program is ending: the port is about to close), lets the
// job under way finish, then ends the thread.
#pragma once

#include "core/DeviceState.h"
#include "core/Timing.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace brevant {

class CommandQueue {
public:
    explicit CommandQueue(LinkFlags& flags);
    ~CommandQueue();
    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    void Post(std::function<void()> job);
    // Waits at most `limit` until every posted job has run; true when idle.
    bool WaitIdle(Micros limit);
    std::size_t Pending() const;
    // Forgets every job not yet started; returns how many were dropped.
    std::size_t DropPending();

private:
    void Run();
    void SettleHold();  // with mutex_ held: hold the polling back while work remains

    LinkFlags& flags_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> jobs_;
    std::unique_ptr<PollingHold> hold_;
    bool running_ = false;  // a job is being run
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace brevant
