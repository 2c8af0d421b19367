#include "programs/sim/Faults.h"

#include "programs/sim/SimClock.h"

#include <string_view>

namespace brevant::sim {
namespace {
constexpr std::uint32_t kFaultStream = 4;
// No letters, so garbage can never be mistaken for a reply code.
constexpr std::string_view kGarbage = "#%&*+=0123456789";
}  // namespace

Faults::Faults(FaultRates rates, std::uint32_t seed) : rates_(rates), rng_(seededGenerator(seed, kFaultStream)) {}

bool Faults::happens(double probability) {
    // Always draw, so one fault's setting does not shift the others' sequence.
    const double roll = std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
    return roll < probability;
}

Reply Faults::apply(const Reply& reply) {
    if (reply.empty() || replies_++ < rates_.after)
        return reply;
    const bool lost = happens(rates_.noReply);
    const bool garbled = happens(rates_.garbage);
    const bool split = happens(rates_.split);
    const bool delayed = happens(rates_.delay);
    if (lost)
        return {};

    auto pause = reply.parts.front().pauseBefore;
    if (delayed)
        pause += rates_.delayTime;
    std::string bytes = reply.bytes();

    if (garbled) {
        const auto length = std::uniform_int_distribution<std::size_t>(6, 12)(rng_);
        std::uniform_int_distribution<std::size_t> pick(0, kGarbage.size() - 1);
        std::string noise;
        for (std::size_t i = 0; i < length; ++i)
            noise += kGarbage[pick(rng_)];
        return Reply::text(noise + "\r\n", pause);
    }
    if (split && bytes.size() >= 5) {
        const auto cut = std::uniform_int_distribution<std::size_t>(3, bytes.size() - 2)(rng_);
        Reply pieces = Reply::text(bytes.substr(0, cut), pause);
        pieces.append(bytes.substr(cut), kSplitGap);
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
