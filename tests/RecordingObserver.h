// Counts what the connection procedures and the worker announce.
#pragma once

#include "ConnectionObserver.h"

#include <atomic>

namespace brevant::test {

class RecordingObserver : public ConnectionObserver {
public:
    void ModelPanesShown(int family) override { panesFamily = family; }
    void ChannelViewShown() override { ++channelViews; }
    void ReadBackRefreshed(int family) override
    {
        refreshedFamily = family;
        ++refreshes;
    }
    void PollPassCompleted(int) override { ++passes; }
    void PanelsReset(int family) override { resetFamily = family; }
    void ReadBackEnded() override { ++ended; }

    std::atomic<int> panesFamily{0};
    std::atomic<int> channelViews{0};
    std::atomic<int> refreshedFamily{0};
    std::atomic<int> refreshes{0};
    std::atomic<int> passes{0};
    std::atomic<int> resetFamily{0};
    std::atomic<int> ended{0};
};

}  // namespace brevant::test
