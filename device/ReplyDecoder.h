// Reading a reply: pure functions from a command and the bytes that came back
// to what the device said, or why it said nothing usable. Nothing here stores
// into the mirror; DeviceLink does that as a separate step.
#pragma once

#include "Catalogue.h"
#include "LinkError.h"

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
    bool Ok() const { return error == LinkError::None; }
};

// Decodes a reply of the Channel, Crosspoint, DeviceValue, Meter or Action
// class. WrongReply when the reply does not begin with the code (an Action
// reply that is not the code exactly), Incomplete when it was cut before its
// line feed. Any bytes are safe.
Reading DecodeReply(const Command& command, std::string_view reply);

// The values of a result block reply: one per "\r\n"-ended line, read from
// the line's fourth character on, at most `maxLines`. ShortBlock when the
// reply holds fewer than 21 bytes.
struct BlockReading {
    LinkError error = LinkError::None;
    std::vector<int32_t> values;
};
BlockReading DecodeBlock(std::string_view reply, int maxLines);

}  // namespace brevant
