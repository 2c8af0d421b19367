#include "programs/sim/OutputQueue.h"

#include <algorithm>

namespace brevant::sim {

void OutputQueue::Schedule(const Reply& reply, SimTime readyAt)
{
    SimTime previousEnd = readyAt;
    for (const auto& part : reply.parts) {
        if (part.bytes.empty())
            continue;
        const SimTime start = std::max(previousEnd + part.pauseBefore, lineFreeAt_);
        if (byteTime_.count() == 0) {
            chunks_.push_back({start, part.bytes});
            previousEnd = start;
        } else {
            // The piece is handed over whole at the moment its last byte has
            // crossed the line. Byte by byte, a late wake-up of this process
            // on a busy machine would tear a gap into the reply that the
            // program takes for its end; whole, the reply is complete exactly
            // when a real line would have completed it.
            const SimTime due = start + byteTime_ * static_cast<long>(part.bytes.size());
            chunks_.push_back({due, part.bytes});
            previousEnd = due;
        }
        lineFreeAt_ = previousEnd;
    }
}

std::optional<SimTime> OutputQueue::NextDue() const
{
    if (chunks_.empty())
        return std::nullopt;
    return chunks_.front().due;
}

std::string OutputQueue::TakeDue(SimTime now)
{
    std::string bytes;
    while (!chunks_.empty() && chunks_.front().due <= now) {
        bytes += chunks_.front().bytes;
        chunks_.pop_front();
    }
    return bytes;
}

}  // namespace brevant::sim
