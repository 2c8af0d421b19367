// A firmware image as the upgrade sends it: 32-bit little-endian words, three
// header words first, then the data words. The header words are the device's
// business: the program sends them as they are and reads nothing into them.
// Reading an image is a pure function of its bytes, kept apart from the transfer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brevant {

// The largest image the device's program memory (512 KiB) holds. Anything
// larger is no firmware of this device and is refused before a byte is sent.
inline constexpr std::size_t kMaxFirmwareBytes = std::size_t{512} * 1024;
inline constexpr std::size_t kFirmwareHeaderWords = 3;

struct FirmwareImage {
    std::string error;                 // why it cannot be sent; empty when it can
    std::vector<std::uint32_t> words;  // a last partial word padded with zeros
    std::size_t wholeWords = 0;        // the words that go out (a partial one does not)
    std::size_t trailingBytes = 0;     // the bytes of a last partial word, 0..3
};

// Why an image of `bytes` bytes cannot be sent (too short for the three
// header words and one data word, or too large); empty when its size is fine.
std::string CheckFirmwareImage(std::size_t bytes);

FirmwareImage ParseFirmwareImage(std::string_view bytes);

// "3 trailing bytes are not a whole word and are not sent"; empty when the
// image ends on a whole word.
std::string TrailingBytesText(const FirmwareImage& image);

}  // namespace brevant
