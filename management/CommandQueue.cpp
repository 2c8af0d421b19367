#include "CommandQueue.h"

namespace brevant {

CommandQueue::CommandQueue(LinkFlags& flags) : flags_(flags), thread_([this] { Run(); }) {}

CommandQueue::~CommandQueue()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void CommandQueue::Post(std::function<void()> job)
{
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        flags_.LinkBusy = true;
    }
    wake_.notify_one();
}

bool CommandQueue::WaitIdle(Micros limit)
{
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, limit, [this] { return jobs_.empty() && !running_; });
}

std::size_t CommandQueue::Pending() const
{
    std::lock_guard lock(mutex_);
    return jobs_.size() + (running_ ? 1 : 0);
}

void CommandQueue::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (jobs_.empty())
            return;  // stopping, and nothing left to do
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        running_ = true;
        lock.unlock();
        job();
        lock.lock();
        running_ = false;
        if (jobs_.empty()) {
            flags_.LinkBusy = false;
            idle_.notify_all();
        }
    }
}

}  // namespace brevant
