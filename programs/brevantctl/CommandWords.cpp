#include "programs/brevantctl/CommandWords.h"

#include "core/DeviceParams.h"
#include "core/SettingRange.h"

#include <charconv>

namespace brevant::ctl {

namespace {

struct Place {
    const char* name;
    int max;
};

// The numbers naming where a command points, each with its name and its
// highest value (the lowest is 1).
std::vector<Place> PlacesOf(const Command& command)
{
    switch (command.replyClass) {
    case ReplyClass::Channel:
    case ReplyClass::Meter: return {{"channel", kChannels}};
    case ReplyClass::Crosspoint: return {{"input", kChannels}, {"output", kChannels}};
    case ReplyClass::Block: return {{"block", kBlocks}};
    case ReplyClass::DeviceValue:
    case ReplyClass::Action: return {};
    }
    return {};
}

std::string Plural(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

bool ParseInt(const std::string& text, int& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

std::optional<CommandWords> ReadCommandWords(std::string_view verb, const std::vector<std::string>& words,
                                             std::string& error)
{
    if (words.empty()) {
        error = "a command code is needed";
        return std::nullopt;
    }
    const std::string& code = words[0];
    CommandWords result;
    result.command = FindCommand(code);
    const Command* command = result.command;
    if (verb == "action") {
        if (command == nullptr || command->replyClass != ReplyClass::Action) {
            error = "not an action: " + code;
            return std::nullopt;
        }
        if (words.size() != 1) {
            error = "action takes one action code";
            return std::nullopt;
        }
        return result;
    }
    if (command == nullptr) {
        error = "unknown command code " + code;
        return std::nullopt;
    }
    if (command->replyClass == ReplyClass::Action) {
        error = code + " is an action: use 'action'";
        return std::nullopt;
    }
    const bool set = verb == "set";
    if (set && !command->settable) {
        error = code + " can only be read";
        return std::nullopt;
    }

    const std::vector<Place> places = PlacesOf(*command);
    const std::size_t need = places.size() + (set ? 1 : 0);
    if (words.size() != need + 1) {
        error = code + " takes " + Plural(need, "number", "numbers");
        return std::nullopt;
    }
    int numbers[3] = {0, 0, 0};
    for (std::size_t i = 0; i < need; ++i) {
        if (!ParseInt(words[i + 1], numbers[i])) {
            error = "not a number: " + words[i + 1];
            return std::nullopt;
        }
    }
    for (std::size_t i = 0; i < places.size(); ++i) {
        if (numbers[i] < 1 || numbers[i] > places[i].max) {
            error = std::string(places[i].name) + " " + std::to_string(numbers[i]) + " is outside 1.." +
                    std::to_string(places[i].max);
            return std::nullopt;
        }
    }
    if (!places.empty())
        result.at.a = numbers[0];
    if (places.size() == 2)
        result.at.b = numbers[1];
    if (set) {
        const int value = numbers[need - 1];
        const std::optional<SettingRange> range = RangeOf(command->op);
        if (range && !range->Contains(value)) {
            error = "value " + std::to_string(value) + " for " + code + " is outside " + range->Text();
            return std::nullopt;
        }
        result.value = value;
    }
    return result;
}

}  // namespace brevant::ctl
