#include "procedures/CommandQueue.h"

namespace brevant {

CommandQueue::CommandQueue(LinkFlags& flags) : flags_(flags), thread_([this] { Run(); }) {}

CommandQueue::~CommandQueue()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    wake_.notify_all();
    thread_.join();
    hold_.reset();
}

void CommandQueue::SettleHold()
{
    const bool work = running_ || !jobs_.empty();
    if (work && !hold_)
        hold_ = std::make_unique<PollingHold>(flags_);
    else if (!work)
        hold_.reset();
}

void CommandQueue::Post(std::function<void()> job)
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        jobs_.push_back(std::move(job));
        SettleHold();
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

std::size_t CommandQueue::DropPending()
{
    std::lock_guard lock(mutex_);
    const std::size_t dropped = jobs_.size();
    jobs_.clear();
    SettleHold();
    if (!running_)
        idle_.notify_all();
    return dropped;
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
        SettleHold();
        if (jobs_.empty())
            idle_.notify_all();
    }
}

}  // namespace brevant
