#include "core/CommLog.h"

namespace brevant {

void CommLog::Append(CommLogEntry entry)
{
    std::function<void()> observer;
    {
        std::lock_guard lock(mutex_);
        if (entries_.size() > kClearAbove)
            entries_.clear();
        entries_.push_back(std::move(entry));
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
    return entries_;
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
