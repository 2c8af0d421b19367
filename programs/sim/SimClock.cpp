#include "programs/sim/SimClock.h"

#include <time.h>

namespace brevant::sim {

SimTime MonotonicNow()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

}  // namespace brevant::sim
