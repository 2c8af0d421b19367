// The program's mirror of the device: every setting, the last meter readings,
// the identity texts and the sound-test results, named after the command codes
// (MG[2] is the MG value of channel 2). Channel and matrix indices are the wire
// numbers 1..4; entry 0 exists only so that the index is the channel number.
//
// Thread-safety: every number is a std::atomic, written whole, so a reader on
// another thread sees the old or the new value, never a torn one. No reader
// needs two fields to agree. The two texts are guarded by their own small lock.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace brevant {

using Value = std::atomic<int32_t>;
using Channels = std::array<Value, 5>;                       // [1..4]
using Matrix = std::array<Channels, 5>;                      // [input 1..4][output 1..4]
using ResultBlocks = std::array<std::array<Value, 10>, 11>;  // [block 1..10][line 0..9]

inline constexpr int kChannels = 4;
inline constexpr int kBlocks = 10;
inline constexpr int kBlockLines = 10;

// A text of at most 31 characters that one thread may set while another reads it.
class SharedText {
public:
    static constexpr std::size_t kCapacity = 31;
    void Set(std::string_view text);  // cut at kCapacity characters
    std::string Get() const;

private:
    mutable std::mutex mutex_;
    std::string text_;
};

struct DeviceParams {
    DeviceParams() { Reset(); }
    DeviceParams(const DeviceParams&) = delete;
    DeviceParams& operator=(const DeviceParams&) = delete;

    // Every field to 0, DeviceFamily to 1, both texts empty.
    void Reset();

    // Inputs.
    Channels MG, MM, MA, MF, MC, MR, MRon, MI, MT, ML, ME, MS;
    // Outputs.
    Channels OV, OM, OD, OF, OH, OL;
    // Crosspoints.
    Matrix MX, XG;
    // Device-wide.
    Value MB, MP, SN;
    // Sound test.
    Value CN, CP, CT, CNValid, CPValid, CTValid;
    Value SM, CE, CG0, CG1, CG2, CG3, SS;
    ResultBlocks DSR, ESR;
    // Identity.
    SharedText SV, SA;
    Value DeviceFamily;  // 1 = K225, 2 = K217/K218, 0 = a model the program does not know
};

// True for a wire channel, input or output number.
constexpr bool IsChannel(int n)
{
    return n >= 1 && n <= kChannels;
}

}  // namespace brevant
