#include "core/CommLog.h"

namespace brevant {

bool CommLog::Shows(const TraceRecord& record)
{
    const bool exchange =
        record.direction == TraceDirection::Sent || record.direction == TraceDirection::Received;
    return exchange && !record.meterPolling;
}

void CommLog::Take(const TraceRecord& record)
{
    if (!Shows(record))
        return;
    std::function<void()> observer;
    {
        std::lock_guard lock(mutex_);
        if (entries_.size() >= kCapacity)
            entries_.pop_front();
        entries_.push_back(
            {++number_, record.time, record.port, record.direction, record.bytes, record.omitted});
        observer = observer_;
    }
    if (observer)
        observer();
}

void CommLog::Clear()
{
    std::function<void()> observer;
    {
        std::lock_guard lock(mutex_);
        entries_.clear();
        observer = observer_;
    }
    if (observer)
        observer();
}

std::vector<CommLogEntry> CommLog::Entries() const
{
    std::lock_guard lock(mutex_);
    return {entries_.begin(), entries_.end()};
}

std::size_t CommLog::Size() const
{
    std::lock_guard lock(mutex_);
    return entries_.size();
}

void CommLog::SetObserver(std::function<void()> observer)
{
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

}  // namespace brevant
