// Counts what the connection procedures and the worker announce, and keeps
// the order of the calls that change what the panels show.
#pragma once

#include "procedures/ConnectionObserver.h"

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace brevant::test {

class RecordingObserver : public ConnectionObserver {
public:
    void ModelPanesShown(ModelFamily family) override { panesFamily = FamilyNumber(family); }
    void ChannelViewShown() override { ++channelViews; }
    void ReadBackIncomplete(const std::vector<SettingRef>& unread) override { Log(UnreadSummary(unread)); }
    void ReadBackRefreshed(ModelFamily family) override
    {
        refreshedFamily = FamilyNumber(family);
        ++refreshes;
        Log("refreshed");
    }
    void PollPassCompleted(ModelFamily) override { ++passes; }
    void LinkLost(int port) override
    {
        ++lost;
        Log("lost COM" + std::to_string(port));
    }
    void LinkRestored(int port) override { Log("restored COM" + std::to_string(port)); }
    void PanelsReset(ModelFamily family) override
    {
        resetFamily = FamilyNumber(family);
        Log("reset");
    }
    void ReadBackEnded() override {}

    std::vector<std::string> Events() const
    {
        std::lock_guard lock(mutex_);
        return events_;
    }

    std::atomic<int> panesFamily{0};
    std::atomic<int> channelViews{0};
    std::atomic<int> refreshedFamily{0};
    std::atomic<int> refreshes{0};
    std::atomic<int> passes{0};
    std::atomic<int> lost{0};
    std::atomic<int> resetFamily{0};

private:
    void Log(std::string event)
    {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
};

}  // namespace brevant::test
