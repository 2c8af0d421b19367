#include "programs/sim/Faults.h"

#include "programs/sim/SimClock.h"

#include <string_view>

namespace brevant::sim {
namespace {
constexpr std::uint32_t kFaultStream = 4;
// No letters, so garbage can never be mistaken for a reply code.
constexpr std::string_view kGarbage = "#%&*+=0123456789";
}  // namespace

Faults::Faults(FaultRates rates, std::uint32_t seed)
    : rates_(rates), rng_(SeededGenerator(seed, kFaultStream))
{
}

bool Faults::Happens(double probability)
{
    // Always draw, so one fault's setting does not shift the others' sequence.
    const double roll = std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
    return roll < probability;
}

Reply Faults::Apply(const Reply& reply)
{
    if (reply.empty() || replies_++ < rates_.after)
        return reply;
    const bool lost = Happens(rates_.noReply);
    const bool garbled = Happens(rates_.garbage);
    const bool split = Happens(rates_.split);
    const bool delayed = Happens(rates_.delay);
    if (lost)
        return {};

    auto pause = reply.parts.front().pauseBefore;
    if (delayed)
        pause += rates_.delayTime;
    std::string bytes = reply.Bytes();

    if (garbled) {
        const auto length = std::uniform_int_distribution<std::size_t>(6, 12)(rng_);
        std::uniform_int_distribution<std::size_t> Pick(0, kGarbage.size() - 1);
        std::string noise;
        for (std::size_t i = 0; i < length; ++i)
            noise += kGarbage[Pick(rng_)];
        return Reply::Text(noise + "\r\n", pause);
    }
    if (split && bytes.size() >= 5) {
        const auto cut = std::uniform_int_distribution<std::size_t>(3, bytes.size() - 2)(rng_);
        Reply pieces = Reply::Text(bytes.substr(0, cut), pause);
        pieces.Append(bytes.substr(cut), kSplitGap);
        return pieces;
    }
    if (delayed) {
        Reply later = reply;
        later.parts.front().pauseBefore = pause;
        return later;
    }
    return reply;
}

}  // namespace brevant::sim
