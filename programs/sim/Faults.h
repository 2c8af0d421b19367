// Line faults the simulator can inject into its text replies, each with its
// own probability per reply, drawn from a generator fixed by the seed so that
// a run can be repeated exactly:
//   no reply  the answer is lost;
//   split     the answer arrives in two pieces 40 ms apart, the first at least
//             3 bytes and ending before the final CR LF;
//   garbage   6..12 bytes of digits and punctuation plus CR LF replace it;
//   delay     the answer comes an extra delay later.
// With `after`, the faults begin only after that many replies, so a device
// can answer the connection and then fail.
#pragma once

#include "programs/sim/Reply.h"

#include <chrono>
#include <cstdint>
#include <random>

namespace brevant::sim {

struct FaultRates {
    double noReply = 0.0;
    double split = 0.0;
    double garbage = 0.0;
    double delay = 0.0;
    std::chrono::milliseconds delayTime{200};
    int after = 0;  // the first `after` replies go out untouched
};

class Faults {
public:
    static constexpr std::chrono::milliseconds kSplitGap{40};

    Faults(FaultRates rates, std::uint32_t seed);

    // The reply as the line delivers it; empty when it is lost.
    Reply Apply(const Reply& reply);

private:
    bool Happens(double probability);

    FaultRates rates_;
    int replies_ = 0;
    std::mt19937 rng_;
};

}  // namespace brevant::sim
