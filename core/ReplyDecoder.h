// Reading a reply: pure functions from a command and the bytes that came back
// to what the device said, or why it said nothing usable. Nothing here stores
// into the mirror; DeviceLink does that as a separate step.
//
// A reply is taken only in its exact form: the command's code, its address
// digits (each 1..4), a value of at most as many digits as the setting can
// hold (a '-' may lead), then carriage return and line feed, nothing else.
#pragma once

#include "core/Catalogue.h"
#include "core/LinkError.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace brevant {

// What a value reply says: the address it names (channel in a, or input a
// and output b; 0 for a device-wide value) and the value, before any store
// rule. An action reply carries no value: `matched` tells whether it was
// the command's own code.
struct Reading {
    LinkError error = LinkError::None;
    int a = 0;
    int b = 0;
    int32_t value = 0;
    bool matched = false;  // Action: the reply equals the code
    std::string_view why;  // Malformed: what is wrong with the reply, in words
    bool Ok() const { return error == LinkError::None; }
};

// Decodes a reply of the Channel, Crosspoint, DeviceValue, Meter or Action
// class. WrongReply when the reply does not begin with the code (an Action
// reply that is another whole line), Incomplete when it was cut before its
// line feed, BadAddress when an address digit is not 1..4, Malformed for
// anything else not in the exact form (a line feed without carriage return,
// no value, too many digits, a value the setting cannot hold). Any bytes are
// safe.
Reading DecodeReply(const Command& command, std::string_view reply);

// A value as lines carry it: an optional '-' and 1..`digits` digits, the
// whole of `text`. Empty when taken (into `value`), else why not, in words.
std::string_view ParseValue(std::string_view text, int digits, int32_t& value);

// The most digits a result block value has.
inline constexpr int kBlockValueDigits = 5;

// The values of a result block reply: `maxLines` lines, each three
// characters, the first of them `curve` ('D' or 'E'), an optional '-',
// 1..kBlockValueDigits digits and "\r\n"; lines after those are dropped.
// ShortBlock when the reply holds fewer than 21 bytes, Incomplete when fewer
// lines came, Malformed when a line is not of that form: a line that opens
// with another letter is a late reply to another command ("ML2-28"), and no
// point of the curve.
struct BlockReading {
    LinkError error = LinkError::None;
    std::vector<int32_t> values;
    std::string_view why;
};
BlockReading DecodeBlock(std::string_view reply, int maxLines, char curve);

}  // namespace brevant
