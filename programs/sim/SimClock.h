// Time as the simulator sees it: nanoseconds on the monotonic clock. Parts of
// the model that move with time (the meters) take a Clock so that tests can
// drive them with a fake one.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <random>

namespace brevant::sim {

using SimTime = std::chrono::nanoseconds;
using Clock = std::function<SimTime()>;

// Now on CLOCK_MONOTONIC.
SimTime MonotonicNow();

// A generator for one independent random stream of a seeded run: the same
// seed and stream number always give the same sequence.
inline std::mt19937 SeededGenerator(std::uint32_t seed, std::uint32_t stream)
{
    std::seed_seq sequence{seed, stream};
    return std::mt19937(sequence);
}

}  // namespace brevant::sim
