// What the other end of a connection has done since its last valid reply,
// and whether it has gone on too long: a connection that produces no valid
// reply for kGiveUp, whatever it sends, is lost. A pure value on a caller's
// clock; DeviceLink keeps one and feeds it every exchange's outcome.
//
// Thread-safety: a plain value; its owner guards it.
#pragma once

#include "core/LinkError.h"
#include "core/Timing.h"

#include <array>
#include <optional>
#include <string_view>

namespace brevant {

class ReplyWatch {
public:
    static constexpr Micros kGiveUp{10'000'000};

    // A connection was opened: nothing valid has come on it yet.
    void Restart(SteadyClock::time_point now);
    void Valid();
    // An exchange that produced no valid reply, and why.
    void Failed(LinkError error, SteadyClock::time_point now);
    // No valid reply for kGiveUp since the first failure after the last
    // valid reply (or since the open).
    bool Overdue(SteadyClock::time_point now) const;
    // What the other end did since its last valid reply, in words ("the
    // other end is silent"); empty when nothing failed.
    std::string_view Verdict() const;

private:
    enum Kind { Silent, Unfinished, Junk, OtherAddress, Closed, kKinds };
    std::optional<SteadyClock::time_point> failingSince_;
    std::array<int, kKinds> seen_{};
};

}  // namespace brevant
