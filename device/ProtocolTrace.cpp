#include "ProtocolTrace.h"

#include "AtomicFile.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace brevant {

ProtocolTrace::ProtocolTrace(std::size_t capacity)
    : capacity_(std::max<std::size_t>(capacity, 1))
{
}

void ProtocolTrace::Record(int port, TraceDirection direction, std::string_view bytes)
{
    Record(std::chrono::system_clock::now(), port, direction, bytes);
}

void ProtocolTrace::Record(std::chrono::system_clock::time_point time, int port,
                           TraceDirection direction, std::string_view bytes)
{
    // The copy of the bytes is made before the lock, and the record it
    // replaces is freed after it, so the lock covers only the move.
    TraceRecord record{0, time, port, direction, std::string(bytes)};
    Observer observer;
    {
        std::lock_guard lock(mutex_);
        record.sequence = ++sequence_;
        if (ring_.size() < capacity_) {
            ring_.push_back(std::move(record));
        } else {
            std::swap(ring_[next_], record);
            next_ = (next_ + 1) % capacity_;
        }
        observer = observer_;
    }
    Notify(observer);
}

std::vector<TraceRecord> ProtocolTrace::Snapshot() const
{
    return Since(0);
}

std::vector<TraceRecord> ProtocolTrace::Since(std::uint64_t sequence) const
{
    std::lock_guard lock(mutex_);
    // Sequence numbers are consecutive in the ring, so the records wanted are
    // the newest `wanted` ones.
    const std::uint64_t newer = sequence_ > sequence ? sequence_ - sequence : 0;
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(newer, ring_.size()));
    std::vector<TraceRecord> out;
    out.reserve(wanted);
    const std::size_t oldest = ring_.size() < capacity_ ? 0 : next_;
    for (std::size_t i = ring_.size() - wanted; i < ring_.size(); ++i)
        out.push_back(ring_[(oldest + i) % ring_.size()]);
    return out;
}

std::size_t ProtocolTrace::Size() const
{
    std::lock_guard lock(mutex_);
    return ring_.size();
}

void ProtocolTrace::Clear()
{
    std::vector<TraceRecord> dropped;
    Observer observer;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(ring_);
        next_ = 0;
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

std::string FormatTraceRecord(const TraceRecord& record)
{
    using namespace std::chrono;
    const std::time_t seconds = system_clock::to_time_t(record.time);
    const auto millis = duration_cast<milliseconds>(record.time.time_since_epoch()).count() % 1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis < 0 ? millis + 1000 : millis));
    const char* mark = "  >  ";
    switch (record.direction) {
    case TraceDirection::Sent: mark = "  >  "; break;
    case TraceDirection::Received: mark = "  <  "; break;
    case TraceDirection::Discarded: mark = "  x  "; break;
    case TraceDirection::Event: mark = "  !  "; break;
    }
    const std::string body =
        record.direction == TraceDirection::Event ? record.bytes : EscapeTraceBytes(record.bytes);
    return std::string(stamp) + "  COM" + std::to_string(record.port) + mark + body + "\n";
}

std::string FormatTrace(const std::vector<TraceRecord>& records)
{
    std::string text;
    for (const TraceRecord& record : records)
        text += FormatTraceRecord(record);
    return text;
}

std::string WriteTraceFile(const std::string& path, const std::vector<TraceRecord>& records)
{
    return WriteFileAtomically(path, FormatTrace(records));
}

}  // namespace brevant
