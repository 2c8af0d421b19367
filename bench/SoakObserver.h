// What the soak run counts of the connection's announcements. Every call is
// handed on to the observer behind it, so a panel model can be plugged in
// and run through the same hours of faults.
#pragma once

#include "procedures/ConnectionObserver.h"

#include <atomic>

namespace brevant::soak {

class SoakObserver final : public ConnectionObserver {
public:
    explicit SoakObserver(ConnectionObserver* next = nullptr) : next_(next) {}

    void ModelPanesShown(ModelFamily family) override
    {
        Pass([&](ConnectionObserver& o) { o.ModelPanesShown(family); });
    }
    void ChannelViewShown() override
    {
        Pass([&](ConnectionObserver& o) { o.ChannelViewShown(); });
    }
    void ReadBackIncomplete(const std::vector<SettingRef>& unread) override
    {
        ++incompleteReadBacks;
        Pass([&](ConnectionObserver& o) { o.ReadBackIncomplete(unread); });
    }
    void ReadBackRefreshed(ModelFamily family) override
    {
        ++readBacks;
        Pass([&](ConnectionObserver& o) { o.ReadBackRefreshed(family); });
    }
    void PollPassCompleted(ModelFamily family) override
    {
        ++pollPasses;
        Pass([&](ConnectionObserver& o) { o.PollPassCompleted(family); });
    }
    void LinkLost(int port) override
    {
        ++linksLost;
        Pass([&](ConnectionObserver& o) { o.LinkLost(port); });
    }
    void LinkRestored(int port) override
    {
        ++linksRestored;
        Pass([&](ConnectionObserver& o) { o.LinkRestored(port); });
    }
    void PanelsReset(ModelFamily family) override
    {
        Pass([&](ConnectionObserver& o) { o.PanelsReset(family); });
    }
    void ReadBackEnded() override
    {
        Pass([&](ConnectionObserver& o) { o.ReadBackEnded(); });
    }

    std::atomic<int> readBacks{0};
    std::atomic<int> incompleteReadBacks{0};
    std::atomic<long> pollPasses{0};
    std::atomic<int> linksLost{0};
    std::atomic<int> linksRestored{0};

private:
    template <typename F>
    void Pass(F call)
    {
        if (next_ != nullptr)
            call(*next_);
    }

    ConnectionObserver* next_;
};

}  // namespace brevant::soak
