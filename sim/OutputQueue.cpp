#include "OutputQueue.h"

#include <algorithm>

namespace brevant::sim {

void OutputQueue::schedule(const Reply& reply, SimTime readyAt) {
    SimTime previousEnd = readyAt;
    for (const auto& part : reply.parts) {
        if (part.bytes.empty())
            continue;
        const SimTime start = std::max(previousEnd + part.pauseBefore, lineFreeAt_);
        if (byteTime_.count() == 0) {
            chunks_.push_back({start, part.bytes});
            previousEnd = start;
        } else {
            SimTime due = start;
            for (const char byte : part.bytes) {
                due += byteTime_;
                chunks_.push_back({due, std::string(1, byte)});
            }
            previousEnd = due;
        }
        lineFreeAt_ = previousEnd;
    }
}

std::optional<SimTime> OutputQueue::nextDue() const {
    if (chunks_.empty())
        return std::nullopt;
    return chunks_.front().due;
}

std::string OutputQueue::takeDue(SimTime now) {
    std::string bytes;
    while (!chunks_.empty() && chunks_.front().due <= now) {
        bytes += chunks_.front().bytes;
        chunks_.pop_front();
    }
    return bytes;
}

}  // namespace brevant::sim
