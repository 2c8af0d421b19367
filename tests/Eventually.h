// Waiting in a test for something another thread brings about.
#pragma once

#include "core/Timing.h"

namespace brevant::test {

// Looks at `condition` every 5 ms for at most `seconds`; true once it holds.
template <typename F>
bool Eventually(F condition, double seconds = 10.0)
{
    const Deadline deadline(Micros{static_cast<long>(seconds * 1e6)});
    while (!condition()) {
        if (deadline.Expired())
            return false;
        SleepFor(Micros{5'000});
    }
    return true;
}

}  // namespace brevant::test
