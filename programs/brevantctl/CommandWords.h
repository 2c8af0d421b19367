// The words after get, set and action: a command code, the numbers that say
// where it points (channel; input and output; block) and, for set, the value.
// Each is checked against what the device accepts before anything is sent.
#pragma once

#include "core/Catalogue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brevant::ctl {

struct CommandWords {
    const Command* command = nullptr;
    Address at{};
    std::optional<int32_t> value;  // set only
};

// `verb` is "get", "set" or "action". nullopt and a message naming the word
// and what it may be ("channel 5 is outside 1..4", "value 99 for MG is
// outside -10..47") when the words do not fit.
std::optional<CommandWords> ReadCommandWords(std::string_view verb, const std::vector<std::string>& words,
                                             std::string& error);

// A whole word as a decimal integer; false when it is anything else.
bool ParseInt(const std::string& text, int& value);

}  // namespace brevant::ctl
