// What the device sends back for one command line or upgrade packet: one or
// more pieces of bytes, each after a Pause (flash writes, fault delays, the gap
// of a split reply). The serial line itself adds the byte time on top.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace brevant::sim {

struct ReplyPart {
    std::chrono::nanoseconds pauseBefore{0};
    std::string bytes;
};

struct Reply {
    std::vector<ReplyPart> parts;

    static Reply Text(std::string bytes, std::chrono::nanoseconds pauseBefore = {})
    {
        Reply reply;
        if (!bytes.empty())
            reply.parts.push_back({pauseBefore, std::move(bytes)});
        return reply;
    }

    void Append(std::string bytes, std::chrono::nanoseconds pauseBefore = {})
    {
        parts.push_back({pauseBefore, std::move(bytes)});
    }

    // All bytes of the reply in order, pauses left out.
    std::string Bytes() const
    {
        std::string all;
        for (const auto& part : parts)
            all += part.bytes;
        return all;
    }

    bool empty() const
    {
        for (const auto& part : parts)
            if (!part.bytes.empty())
                return false;
        return true;
    }
};

}  // namespace brevant::sim
