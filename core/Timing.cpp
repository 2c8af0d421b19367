#include "core/Timing.h"

#include <cerrno>
#include <ctime>
#include <poll.h>

namespace brevant {

Micros Deadline::Remaining(SteadyClock::time_point now) const
{
    const auto left = std::chrono::duration_cast<Micros>(end_ - now);
    return left.count() > 0 ? left : Micros{0};
}

void SleepFor(Micros duration)
{
    if (duration.count() <= 0)
        return;
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(duration.count() / 1'000'000);
    ts.tv_nsec = static_cast<long>((duration.count() % 1'000'000) * 1000);
    // clock_nanosleep leaves the unslept rest in ts when a signal interrupts it.
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &ts, &ts) == EINTR) {
    }
}

namespace {

bool WaitFor(int fd, short events, Micros limit)
{
    const Deadline deadline(limit);
    for (;;) {
        pollfd p{fd, events, 0};
        const auto left = deadline.Remaining();
        // Round up so that a sub-millisecond rest still waits instead of spinning.
        const int ms = static_cast<int>((left.count() + 999) / 1000);
        const int rc = ::poll(&p, 1, ms);
        if (rc > 0)
            return true;
        if (rc == 0) {
            if (deadline.Expired())
                return false;
            continue;
        }
        if (errno != EINTR)
            return false;
    }
}

}  // namespace

bool WaitReadable(int fd, Micros limit)
{
    return WaitFor(fd, POLLIN, limit);
}

bool WaitWritable(int fd, Micros limit)
{
    return WaitFor(fd, POLLOUT, limit);
}

}  // namespace brevant
