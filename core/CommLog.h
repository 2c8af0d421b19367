// The communication list: selected replies with a sequence text, the port
// name and the reply. It never holds more than 31 entries: an append to a list
// of more than 30 clears it first.
//
// Thread-safety: Append may be called from any thread. The observer is called
// on the appending thread, after the entry is in place and without the lock
// held; a user interface must hand it over to its own thread.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace brevant {

struct CommLogEntry {
    std::string sequence;  // "111", "114"
    std::string port;      // "COM3"
    std::string content;   // the reply as text, line end included
};

class CommLog {
public:
    static constexpr std::size_t kClearAbove = 30;

    void Append(CommLogEntry entry);
    void Clear();
    std::vector<CommLogEntry> Entries() const;
    std::size_t Size() const;
    // Replaces the observer; pass an empty function to remove it.
    void SetObserver(std::function<void()> observer);

private:
    mutable std::mutex mutex_;
    std::vector<CommLogEntry> entries_;
    std::function<void()> observer_;
};

}  // namespace brevant
