#include "core/ProtocolTrace.h"

#include "core/BoundedFile.h"
#include "core/Catalogue.h"
#include "core/CommLog.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <ctime>

namespace brevant {

bool IsMeterQuery(std::string_view bytes)
{
    if (bytes.size() < 3)
        return false;
    const Command* command = FindCommand(bytes.substr(0, 2));
    return command != nullptr && command->IsMeter() && bytes[2] >= '0' && bytes[2] <= '9';
}

ProtocolTrace::Ring::Ring(std::size_t size) : capacity(std::max<std::size_t>(size, 1)) {}

void ProtocolTrace::Ring::Push(TraceRecord& record)
{
    if (records.size() < capacity) {
        records.push_back(std::move(record));
        record = {};
    } else {
        std::swap(records[next], record);
        next = (next + 1) % capacity;
    }
}

void ProtocolTrace::Ring::AppendSince(std::uint64_t sequence, std::vector<TraceRecord>& out) const
{
    // Sequence numbers rise through the ring from its oldest slot, so the
    // records wanted are the newest few: count them from the newest back.
    const std::size_t size = records.size();
    const std::size_t oldest = size < capacity ? 0 : next;
    std::size_t wanted = 0;
    while (wanted < size && records[(oldest + size - 1 - wanted) % size].sequence > sequence)
        ++wanted;
    for (std::size_t i = size - wanted; i < size; ++i)
        out.push_back(records[(oldest + i) % size]);
}

ProtocolTrace::ProtocolTrace(std::size_t capacity, std::size_t pollingCapacity)
    : other_(capacity), polling_(pollingCapacity)
{
}

void ProtocolTrace::Record(int port, TraceDirection direction, std::string_view bytes)
{
    Record(std::chrono::system_clock::now(), port, direction, bytes);
}

void ProtocolTrace::Record(std::chrono::system_clock::time_point time, int port, TraceDirection direction,
                           std::string_view bytes)
{
    // The copy of the bytes is made before the lock, and the record it
    // replaces is freed after it, so the lock covers only the move.
    const std::string_view kept = bytes.substr(0, kTraceBytesKept);
    TraceRecord record{0, time, port, direction, std::string(kept), false, bytes.size() - kept.size()};
    Observer observer;
    CommLog* list = nullptr;
    {
        std::lock_guard lock(mutex_);
        record.sequence = ++sequence_;
        if (direction == TraceDirection::Sent) {
            polling_reply_ = IsMeterQuery(bytes);
            record.meterPolling = polling_reply_;
        } else if (direction == TraceDirection::Received) {
            record.meterPolling = polling_reply_;
        }
        if (list_ != nullptr && CommLog::Shows(record))
            list = list_;
        (record.meterPolling ? polling_ : other_).Push(record);
        observer = observer_;
    }
    // The record went into the ring; the list gets one made the same way.
    if (list != nullptr)
        list->Take({0, time, port, direction, std::string(kept), false, bytes.size() - kept.size()});
    Notify(observer);
}

std::vector<TraceRecord> ProtocolTrace::Snapshot() const
{
    return Since(0);
}

std::vector<TraceRecord> ProtocolTrace::Since(std::uint64_t sequence) const
{
    std::vector<TraceRecord> out;
    std::size_t split = 0;
    {
        std::lock_guard lock(mutex_);
        other_.AppendSince(sequence, out);
        split = out.size();
        polling_.AppendSince(sequence, out);
    }
    std::inplace_merge(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(split), out.end(),
                       [](const TraceRecord& a, const TraceRecord& b) { return a.sequence < b.sequence; });
    return out;
}

std::size_t ProtocolTrace::Size() const
{
    std::lock_guard lock(mutex_);
    return other_.records.size() + polling_.records.size();
}

void ProtocolTrace::Clear()
{
    std::vector<TraceRecord> dropped;
    std::vector<TraceRecord> droppedPolling;
    Observer observer;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(other_.records);
        droppedPolling.swap(polling_.records);
        other_.next = 0;
        polling_.next = 0;
        polling_reply_ = false;
        observer = observer_;
    }
    Notify(observer);
}

void ProtocolTrace::SetObserver(std::function<void()> observer)
{
    Observer shared = observer ? std::make_shared<const std::function<void()>>(std::move(observer)) : nullptr;
    std::lock_guard lock(mutex_);
    observer_.swap(shared);
}

void ProtocolTrace::SetCommLog(CommLog* list)
{
    std::lock_guard lock(mutex_);
    list_ = list;
}

void ProtocolTrace::Notify(const Observer& observer) const
{
    if (observer)
        (*observer)();
}

std::string EscapeTraceBytes(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + 8);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\\': out += "\\\\"; break;
        default:
            if (byte >= 0x20 && byte < 0x7f) {
                out += c;
            } else {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", byte);
                out += hex;
            }
        }
    }
    return out;
}

std::string FormatTraceTime(std::chrono::system_clock::time_point time)
{
    using namespace std::chrono;
    const std::time_t seconds = system_clock::to_time_t(time);
    const auto millis = duration_cast<milliseconds>(time.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis < 0 ? millis + 1000 : millis));
    return stamp;
}

std::string FormatTraceRecord(const TraceRecord& record, const TracePortLabel& portLabel)
{
    const std::string stamp = FormatTraceTime(record.time);
    const char* mark = "  >  ";
    switch (record.direction) {
    case TraceDirection::Sent: mark = "  >  "; break;
    case TraceDirection::Received: mark = "  <  "; break;
    case TraceDirection::Discarded: mark = "  x  "; break;
    case TraceDirection::Event: mark = "  !  "; break;
    }
    const std::string body =
        record.direction == TraceDirection::Event ? record.bytes : EscapeTraceBytes(record.bytes);
    const std::string port = portLabel ? portLabel(record.port) : "COM" + std::to_string(record.port);
    const std::string omitted =
        record.omitted > 0 ? " ... (" + std::to_string(record.omitted) + " more bytes not kept)" : "";
    return stamp + "  " + port + mark + body + omitted + "\n";
}

std::string FormatTrace(const std::vector<TraceRecord>& records, const TracePortLabel& portLabel)
{
    std::string text;
    for (const TraceRecord& record : records)
        text += FormatTraceRecord(record, portLabel);
    return text;
}

std::string WriteTraceFile(const std::string& path, const std::vector<TraceRecord>& records,
                           const TracePortLabel& portLabel)
{
    return WriteFileAtomically(path, FormatTrace(records, portLabel));
}

}  // namespace brevant
