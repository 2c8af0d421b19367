// The protocol trace: every line the link writes and every reply chunk it
// reads, with the time, the port and the direction, kept in bounded rings
// (the oldest record goes when a new one finds its ring full). It is what an
// installer looks at when a connection misbehaves: shown live, or written to
// a text file.
//
// Meter polling (the ML, OL, ME and MS queries and the replies to them) runs
// all the time a device is connected and would soon push everything else
// out, so it has a ring of its own: the other ring keeps the connect
// read-back and the user's changes however long the meters have been
// polled. The default polling ring holds about two and a half minutes of
// polling at 200 records a second; each record is some 60 bytes plus its
// bytes where they do not fit in the string itself (at most kTraceBytesKept;
// the rest is counted), so the two rings full of ordinary traffic take about
// 4 MB, and never more than about 16 MB. What is handed out is both rings merged in the order the
// records were made. The lines sent and replies received that are not meter
// polling also go to the communication list, when one is set (SetCommLog).
//
// Thread-safety: every member function may be called from any thread. Record
// takes one short lock to place the record. The observer is called on the
// recording thread, after the record is in place and without the lock held;
// a user interface must hand it over to its own thread. After
// SetObserver({}) returns, a call already under way may still be finishing.
// The communication list is handed its entries the same way.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace brevant {

class CommLog;

enum class TraceDirection {
    Sent,       // a line written
    Received,   // a reply chunk read
    Discarded,  // bytes found waiting before a command and thrown away
    Event,      // what the link noticed, as text: "port gone: Input/output error"
};

struct TraceRecord {
    std::uint64_t sequence = 0;  // 1 for the first record ever made, counting on across Clear
    std::chrono::system_clock::time_point time;
    int port = 0;  // 3 for COM3
    TraceDirection direction = TraceDirection::Sent;
    std::string bytes;          // at most kTraceBytesKept of them
    bool meterPolling = false;  // a meter query or the reply to one
    std::size_t omitted = 0;    // bytes beyond kTraceBytesKept, counted, not kept
};

// The most bytes one record keeps: a device that never stops talking fills
// the rings with records of this size at most.
inline constexpr std::size_t kTraceBytesKept = 256;

// Whether `bytes` sent is a meter query: ML, OL, ME or MS and a channel.
bool IsMeterQuery(std::string_view bytes);

class ProtocolTrace {
public:
    static constexpr std::size_t kDefaultCapacity = 20'000;
    static constexpr std::size_t kDefaultPollingCapacity = 30'000;

    explicit ProtocolTrace(std::size_t capacity = kDefaultCapacity,
                           std::size_t pollingCapacity = kDefaultPollingCapacity);

    // Records `bytes` as sent or received on `port` now. A chunk received
    // after a meter query, before the next line is sent, is that query's reply.
    void Record(int port, TraceDirection direction, std::string_view bytes);
    // Records with a given time (the sequence number is assigned here).
    void Record(std::chrono::system_clock::time_point time, int port, TraceDirection direction,
                std::string_view bytes);

    // The records held in both rings, oldest first.
    std::vector<TraceRecord> Snapshot() const;
    // The records held whose sequence number is above `sequence`, oldest first:
    // what a live display has not shown yet.
    std::vector<TraceRecord> Since(std::uint64_t sequence) const;
    std::size_t Size() const;
    std::size_t Capacity() const { return other_.capacity; }
    std::size_t PollingCapacity() const { return polling_.capacity; }
    void Clear();

    // Replaces the observer, called after every record and every Clear; pass
    // an empty function to remove it.
    void SetObserver(std::function<void()> observer);
    // Hands every record made from now on to `list` as well (nullptr: to none).
    // The list must outlive the trace, or be unset first.
    void SetCommLog(CommLog* list);

private:
    using Observer = std::shared_ptr<const std::function<void()>>;
    void Notify(const Observer& observer) const;

    struct Ring {
        explicit Ring(std::size_t size);
        // Places `record`, handing back the one it pushed out, if any.
        void Push(TraceRecord& record);
        // Appends the records above `sequence`, oldest first.
        void AppendSince(std::uint64_t sequence, std::vector<TraceRecord>& out) const;

        std::size_t capacity;
        std::vector<TraceRecord> records;  // grows to capacity, then wraps at next
        std::size_t next = 0;              // the slot the next record goes to once full
    };

    mutable std::mutex mutex_;
    Ring other_;
    Ring polling_;
    bool polling_reply_ = false;  // the last line sent was a meter query
    std::uint64_t sequence_ = 0;
    Observer observer_;
    CommLog* list_ = nullptr;
};

// One record as a text line: "12:03:04.512  COM3  >  MG112\r\n" and a line
// feed. The time is local; ">" is sent, "<" received, "x" discarded, "!" an
// event (its text shown as it is); carriage return, line
// feed and tab show as \r \n \t, a backslash as \\, any other byte outside
// printable ASCII as \xHH; bytes not kept are counted at the end.
// `portLabel` names the port ("tcp://host:4001", e.g. SerialPort::Label);
// without it the port is "COMn".
using TracePortLabel = std::function<std::string(int port)>;
std::string FormatTraceRecord(const TraceRecord& record, const TracePortLabel& portLabel = {});
// The time of a record as its line shows it: "12:03:04.512", local.
std::string FormatTraceTime(std::chrono::system_clock::time_point time);
// Every record, one line each.
std::string FormatTrace(const std::vector<TraceRecord>& records, const TracePortLabel& portLabel = {});
// The bytes as the trace line shows them.
std::string EscapeTraceBytes(std::string_view bytes);

// Writes FormatTrace(records) to `path` with WriteFileAtomically: whole or
// not at all, and only over a regular file or a new name. Empty on success,
// otherwise the reason, naming the file.
std::string WriteTraceFile(const std::string& path, const std::vector<TraceRecord>& records,
                           const TracePortLabel& portLabel = {});

}  // namespace brevant
