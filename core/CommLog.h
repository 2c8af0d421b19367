// The communication list: the exchanges of the protocol trace a user reads
// to see what went to the device and what came back, meter polling left
// out. The trace hands every record to the list as it makes it (see
// ProtocolTrace::SetCommLog), so both show the same exchanges. Each entry has
// a running number, 1 for the first, counting on across Clear and as the
// oldest entries go: the list keeps the newest kCapacity.
//
// Thread-safety: Take and Clear may be called from any thread. The observer
// is called on the calling thread, after the entry is in place and without
// the lock held; a user interface must hand it over to its own thread.
#pragma once

#include "core/ProtocolTrace.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace brevant {

struct CommLogEntry {
    std::uint64_t number = 0;  // 1, 2, 3, … in the order of the exchanges
    std::chrono::system_clock::time_point time;
    int port = 0;                                     // 3 for COM3
    TraceDirection direction = TraceDirection::Sent;  // Sent or Received
    std::string bytes;                                // as the trace kept them
    std::size_t omitted = 0;                          // bytes the trace did not keep
};

class CommLog {
public:
    static constexpr std::size_t kCapacity = 500;

    // Whether the list shows `record`: a line sent or a reply received,
    // neither of them meter polling.
    static bool Shows(const TraceRecord& record);

    // Appends `record` as the next entry if the list shows it.
    void Take(const TraceRecord& record);
    void Clear();
    // The entries held, oldest first; their numbers follow on one by one.
    std::vector<CommLogEntry> Entries() const;
    std::size_t Size() const;
    // Replaces the observer; pass an empty function to remove it.
    void SetObserver(std::function<void()> observer);

private:
    mutable std::mutex mutex_;
    std::deque<CommLogEntry> entries_;
    std::uint64_t number_ = 0;
    std::function<void()> observer_;
};

}  // namespace brevant
