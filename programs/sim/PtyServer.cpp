#include "programs/sim/PtyServer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <poll.h>
#include <sys/prctl.h>
#include <time.h>
#include <unistd.h>

namespace brevant::sim {
namespace {

// Longest single wait, so that a stop request is seen promptly even if the
// signal arrives just before the loop starts waiting.
constexpr std::chrono::milliseconds kMaxWait{50};
constexpr std::chrono::milliseconds kErrorPause{10};

timespec ToTimespec(SimTime t)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(t);
    return timespec{static_cast<time_t>(seconds.count()), static_cast<long>((t - seconds).count())};
}

}  // namespace

PtyServer::PtyServer(int masterFd, DeviceSession& session, bool paced)
    : fd_(masterFd), session_(session), paced_(paced),
      output_(paced ? std::chrono::nanoseconds(kByteTime) : std::chrono::nanoseconds(0))
{
}

void PtyServer::Run(const volatile std::sig_atomic_t& stop)
{
    // The kernel may let a timed wait run up to 50 us long by default, to
    // group wake-ups; every paced reply would then be handed over that much
    // later than the line would deliver it. A paced line wants its times kept.
    if (paced_)
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    while (stop == 0) {
        const SimTime now = MonotonicNow();
        HandleArrivals(now);
        session_.Tick(now);
        WriteDue(now);

        SimTime deadline = now + kMaxWait;
        if (!arrivals_.empty())
            deadline = std::min(deadline, arrivals_.front().first);
        if (unsent_.empty())
            if (const auto due = output_.NextDue())
                deadline = std::min(deadline, *due);
        if (const auto due = session_.NextDeadline())
            deadline = std::min(deadline, *due);
        WaitUntil(deadline);
    }
}

// Waits for Input (or for room to write, when output is held up) until
// `deadline`. poll() only counts whole milliseconds, so the last fraction of
// a millisecond is slept precisely with clock_nanosleep.
void PtyServer::WaitUntil(SimTime deadline)
{
    const auto remaining = deadline - MonotonicNow();
    pollfd pfd{fd_, static_cast<short>(POLLIN | (unsent_.empty() ? 0 : POLLOUT)), 0};
    int timeoutMs = 0;
    if (remaining >= std::chrono::milliseconds(1)) {
        timeoutMs =
            static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(remaining).count());
    } else if (remaining.count() > 0) {
        const timespec until = ToTimespec(deadline);
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        }
    }
    // On EINTR (or a timeout) the loop checks the stop flag and waits again.
    if (poll(&pfd, 1, timeoutMs) <= 0)
        return;
    const bool gotInput = (pfd.revents & POLLIN) != 0 && ReadAvailable(MonotonicNow());
    // With our own slave descriptor open the master never hangs up; should it
    // report an error all the same, pause rather than spin on it.
    if (!gotInput && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        const timespec pause = ToTimespec(kErrorPause);
        nanosleep(&pause, nullptr);
    }
}

bool PtyServer::ReadAvailable(SimTime now)
{
    std::array<std::uint8_t, 512> buffer{};
    bool gotAny = false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return gotAny;
        gotAny = true;
        for (ssize_t i = 0; i < n; ++i) {
            SimTime arrival = now;
            if (paced_) {
                arrival = std::max(now, lastArrival_) + kByteTime;
                lastArrival_ = arrival;
            }
            arrivals_.emplace_back(arrival, buffer[static_cast<std::size_t>(i)]);
        }
    }
}

void PtyServer::HandleArrivals(SimTime now)
{
    while (!arrivals_.empty() && arrivals_.front().first <= now) {
        const auto [arrival, byte] = arrivals_.front();
        arrivals_.pop_front();
        const Reply reply = session_.Receive(byte, arrival);
        if (!reply.empty())
            output_.Schedule(reply, paced_ ? arrival + kProcessingTime : arrival);
    }
}

void PtyServer::WriteDue(SimTime now)
{
    unsent_ += output_.TakeDue(now);
    while (!unsent_.empty()) {
        const ssize_t n = ::write(fd_, unsent_.data(), unsent_.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            unsent_.clear();  // the line is broken: what it would not take is lost
            return;
        }
        if (n <= 0)
            return;  // terminal buffer full: retried when poll() reports room
        unsent_.erase(0, static_cast<std::size_t>(n));
    }
}

}  // namespace brevant::sim
