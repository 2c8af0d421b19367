// Runs the user's device commands in order on one thread of their own, so the
// window never waits for the serial line. While the queue holds work LinkBusy
// is raised, and the meter polling stands back; the port lock lets a meter
// exchange already on the line finish first, so a command goes out as soon
// as that exchange ends.
//
// Thread-safety: Post may be called from any thread; jobs run one at a time,
// in the order posted, on the queue's thread. The destructor runs what is
// still queued, then ends the thread.
#pragma once

#include "DeviceState.h"
#include "Timing.h"

#include <condition_variable>
#include <deque>
#include <functional>
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

private:
    void Run();

    LinkFlags& flags_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<std::function<void()>> jobs_;
    bool running_ = false;  // a job is being run
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace brevant
