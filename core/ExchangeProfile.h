// Timing of one exchange: how long to wait after writing, how often to look
// again while nothing has arrived, what ends the reply, and how many bytes
// the reply may hold. Each command names its profile.
//
// The re-reads make the budget of a silent device: with no byte by
// afterWrite + rereads x rereadPause after the write, the exchange fails.
// A reply that has begun gets rereads x rereadPause more to finish, so one
// torn by an adapter or a network hop is waited for, never cut.
#pragma once

#include "core/DeviceParams.h"
#include "core/ReplyEnd.h"
#include "core/Timing.h"

namespace brevant {

struct ExchangeProfile {
    const char* name;
    Micros afterWrite;      // pause between the write and the first read
    int rereads;            // re-reads allowed while nothing has arrived
    Micros rereadPause;     // pause before each of those re-reads
    Micros chunkPause;      // a quiet gap this long ends a reply of unknown length
    int replyCapacity;      // bytes kept; the excess of a longer reply is dropped
    int firstReadCapacity;  // capacity of the first read and the re-reads
    ReplyEnd end = ReplyEnd::Line();

    // From the write to the first byte, at most.
    constexpr Micros AnswerBudget() const { return afterWrite + rereadPause * rereads; }
    // From the first byte to the end of the reply, at most.
    constexpr Micros FinishBudget() const { return rereadPause * rereads; }
};

inline constexpr int kChunkCapacity = 64;  // capacity of every later chunk read

using std::chrono_literals::operator""ms;

// The identity queries are answered by one line each, of no fixed length.
inline constexpr ExchangeProfile kProbeProfile{"probe", 0ms, 10, 5ms, 20ms, 256, 64};
inline constexpr ExchangeProfile kIdentifyProfile{"identify", 0ms, 20, 10ms, 2ms, 1024, 64};
inline constexpr ExchangeProfile kMeterProfile{"meter", 2ms, 20, 2ms, 2ms, 64, 64};
inline constexpr ExchangeProfile kStandardProfile{"standard", 2ms, 20, 5ms, 2ms, 64, 64};
inline constexpr ExchangeProfile kSlowChunkProfile{"slow-chunk", 2ms, 20, 5ms, 5ms, 64, 64};
inline constexpr ExchangeProfile kActionProfile{"action", 2ms, 20, 10ms, 2ms, 64, 64};
inline constexpr ExchangeProfile kSaveProfile{"save", 2ms, 100, 10ms, 2ms, 64, 64};
inline constexpr ExchangeProfile kBlockProfile{"block", 2ms, 20,  5ms,
                                               2ms,     256, 256, ReplyEnd::Lines(kBlockLines)};
// The model query: no pause after the write, 20 re-reads and chunk gaps of 10 ms.
inline constexpr ExchangeProfile kModelQueryProfile{"model", 0ms, 20, 10ms, 10ms, 1024, 64};
// Any line a user types (brevantctl raw): its reply may run to several lines.
inline constexpr ExchangeProfile kRawProfile{"raw", 2ms, 20, 5ms, 2ms, 1024, 64, ReplyEnd::QuietText()};

}  // namespace brevant
