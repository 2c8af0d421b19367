#include "TimingPriority.h"

#include <sched.h>
#include <sys/resource.h>

namespace brevant::sim {
namespace {
constexpr int kRaisedNice = -10;
}

TimingPriority raiseTimingPriority() {
    sched_param param{};
    param.sched_priority = sched_get_priority_min(SCHED_FIFO);
    int policy = SCHED_FIFO;
#ifdef SCHED_RESET_ON_FORK
    policy |= SCHED_RESET_ON_FORK;  // nothing started from here inherits it
#endif
    if (sched_setscheduler(0, policy, &param) == 0)
        return TimingPriority::RealTime;
    if (setpriority(PRIO_PROCESS, 0, kRaisedNice) == 0)
        return TimingPriority::Raised;
    return TimingPriority::Normal;
}

}  // namespace brevant::sim
