// Every wait of the link goes through these helpers: a monotonic deadline and
// sleeps/polls that resume after a signal interruption until the deadline has
// really passed. Thread-safe: no shared state.
#pragma once

#include <chrono>

namespace brevant {

using Micros = std::chrono::microseconds;
using Millis = std::chrono::milliseconds;
using SteadyClock = std::chrono::steady_clock;

// A moment `budget` after `start` (by default, now). The forms that take
// `now` measure on a clock of the caller's (a serial port's, which a scripted
// test port keeps itself); the others on the steady clock.
class Deadline {
public:
    explicit Deadline(Micros budget) : Deadline(SteadyClock::now(), budget) {}
    Deadline(SteadyClock::time_point start, Micros budget) : end_(start + budget) {}
    bool Expired() const { return Expired(SteadyClock::now()); }
    bool Expired(SteadyClock::time_point now) const { return now >= end_; }
    // Time left, never negative.
    Micros Remaining() const { return Remaining(SteadyClock::now()); }
    Micros Remaining(SteadyClock::time_point now) const;

private:
    SteadyClock::time_point end_;
};

// Sleeps for the whole duration, resuming after EINTR.
void SleepFor(Micros duration);

// Waits until fd has bytes to read (or hangs up), at most `limit`.
// Returns true when it became readable before the deadline.
bool WaitReadable(int fd, Micros limit);

// Waits until fd accepts more bytes, at most `limit`.
bool WaitWritable(int fd, Micros limit);

}  // namespace brevant
