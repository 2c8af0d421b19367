// Timing of one exchange: how long to wait after writing, how often to look
// again while nothing has arrived, how long a gap ends the reply, and how many
// bytes the reply may hold. Each command names its profile.
#pragma once

#include "Timing.h"

namespace brevant {

struct ExchangeProfile {
    const char* name;
    Micros afterWrite;      // pause between the write and the first read
    int rereads;            // re-reads allowed while nothing has arrived
    Micros rereadPause;     // pause before each of those re-reads
    Micros chunkPause;      // a gap longer than this ends the reply
    int replyCapacity;      // bytes kept; the excess of a longer reply is dropped
    int firstReadCapacity;  // capacity of the first read and the re-reads
    // Replies are text lines: one torn before its line feed is waited for.
    // Binary replies (firmware packets) end at the first gap.
    bool lineEnded = true;
};

inline constexpr int kChunkCapacity = 64;  // capacity of every later chunk read

using std::chrono_literals::operator""ms;

inline constexpr ExchangeProfile kProbeProfile{"probe", 0ms, 10, 5ms, 20ms, 256, 64};
inline constexpr ExchangeProfile kIdentifyProfile{"identify", 0ms, 20, 10ms, 2ms, 1024, 64};
inline constexpr ExchangeProfile kMeterProfile{"meter", 2ms, 20, 2ms, 2ms, 64, 64};
inline constexpr ExchangeProfile kStandardProfile{"standard", 2ms, 20, 5ms, 2ms, 64, 64};
inline constexpr ExchangeProfile kSlowChunkProfile{"slow-chunk", 2ms, 20, 5ms, 5ms, 64, 64};
inline constexpr ExchangeProfile kActionProfile{"action", 2ms, 20, 10ms, 2ms, 64, 64};
inline constexpr ExchangeProfile kSaveProfile{"save", 2ms, 100, 10ms, 2ms, 64, 64};
inline constexpr ExchangeProfile kBlockProfile{"block", 2ms, 20, 5ms, 2ms, 256, 256};
// The model query: no pause after the write, 20 re-reads and chunk gaps of 10 ms.
inline constexpr ExchangeProfile kModelQueryProfile{"model", 0ms, 20, 10ms, 10ms, 1024, 64};

}  // namespace brevant
