// The device's transmit side of the serial line. Replies are queued with the
// time they may start; the line sends one thing at a time, so a reply also
// waits for the previous one to finish. When paced, each piece of a reply
// becomes due, whole, once its last byte would have crossed the Line (one
// byte time per byte after the line is free); unpaced, every piece of a
// reply is due at once.
#pragma once

#include "programs/sim/Reply.h"
#include "programs/sim/SimClock.h"

#include <chrono>
#include <deque>
#include <optional>
#include <string>

namespace brevant::sim {

class OutputQueue {
public:
    // byteTime 0 means unpaced.
    explicit OutputQueue(std::chrono::nanoseconds byteTime) : byteTime_(byteTime) {}

    void Schedule(const Reply& reply, SimTime readyAt);
    std::optional<SimTime> NextDue() const;
    // Removes and returns every byte due by `now`, in order.
    std::string TakeDue(SimTime now);
    bool empty() const { return chunks_.empty(); }

private:
    struct Chunk {
        SimTime due;
        std::string bytes;
    };

    std::chrono::nanoseconds byteTime_;
    std::deque<Chunk> chunks_;
    SimTime lineFreeAt_{};
};

}  // namespace brevant::sim
