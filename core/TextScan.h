// The two text helpers the protocol uses on replies and file lines.
#pragma once

#include <cstdint>
#include <string_view>

namespace brevant {

// Position of the first occurrence of `pattern` in `text` at or after `start`,
// or -1. Every character matches only itself. Returns -1 when start is
// negative or start + pattern length exceeds the text; start for an empty
// pattern.
int FindPattern(std::string_view text, std::string_view pattern, int start);

// Decimal text to integer as C's atoi reads it: leading white space, one sign,
// digits up to the first non-digit; no digits gives 0. Saturates at the 32-bit
// limits instead of overflowing.
int32_t ParseDecimal(std::string_view text);

}  // namespace brevant
