#include "core/ReplyDecoder.h"

#include "core/SettingRange.h"

namespace brevant {

namespace {

constexpr std::string_view kBareLineFeed = "the line ends without a carriage return";

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

Reading Malformed(std::string_view why)
{
    Reading reading;
    reading.error = LinkError::Malformed;
    reading.why = why;
    return reading;
}

// The address digits after the code: one channel, or input and output.
bool ReadAddress(const Command& command, std::string_view& body, Reading& reading)
{
    int count = 0;
    if (command.replyClass == ReplyClass::Channel || command.replyClass == ReplyClass::Meter)
        count = 1;
    else if (command.replyClass == ReplyClass::Crosspoint)
        count = 2;
    for (int i = 0; i < count; ++i) {
        if (body.empty() || body.front() < '1' || body.front() > '4')
            return false;
        (i == 0 ? reading.a : reading.b) = body.front() - '0';
        body.remove_prefix(1);
    }
    return true;
}

Reading DecodeAction(const Command& command, std::string_view reply)
{
    Reading reading;
    if (reply.empty() || reply.back() != '\n') {
        reading.error = LinkError::Incomplete;
        return reading;
    }
    if (reply.size() < 2 || reply[reply.size() - 2] != '\r')
        return Malformed(kBareLineFeed);
    reading.matched = reply.substr(0, reply.size() - 2) == command.code;
    reading.error = reading.matched ? LinkError::None : LinkError::WrongReply;
    return reading;
}

}  // namespace

std::string_view ParseValue(std::string_view text, int digits, int32_t& value)
{
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty())
        return "it carries no value";
    int64_t number = 0;
    for (const char c : text) {
        if (!IsDigit(c))
            return "its value holds a character that is no digit";
        number = number * 10 + (c - '0');
        if (--digits < 0)
            return "its value has more digits than the setting holds";
    }
    value = static_cast<int32_t>(negative ? -number : number);
    return {};
}

Reading DecodeReply(const Command& command, std::string_view reply)
{
    if (command.replyClass == ReplyClass::Action)
        return DecodeAction(command, reply);
    Reading reading;
    if (reply.substr(0, command.code.size()) != command.code) {
        reading.error = LinkError::WrongReply;
        return reading;
    }
    // A reply cut short by a gap in the device's output would decode to a
    // wrong value; it is refused instead.
    if (reply.back() != '\n') {
        reading.error = LinkError::Incomplete;
        return reading;
    }
    if (reply.size() < 2 || reply[reply.size() - 2] != '\r')
        return Malformed(kBareLineFeed);
    std::string_view body = reply.substr(command.code.size(), reply.size() - 2 - command.code.size());
    if (!ReadAddress(command, body, reading)) {
        reading.error = LinkError::BadAddress;
        return reading;
    }
    const std::optional<ReplyValues> values = ReplyValuesOf(command.op);
    if (!values)
        return Malformed("the command carries no value");
    if (const std::string_view why = ParseValue(body, values->digits, reading.value); !why.empty())
        return Malformed(why);
    if (!values->range.Contains(reading.value))
        return Malformed("its value is outside what the setting holds");
    return reading;
}

BlockReading DecodeBlock(std::string_view reply, int maxLines, char curve)
{
    constexpr std::size_t kMinimumBlock = 21;
    constexpr std::size_t kLineHead = 3;  // the characters that open each line
    BlockReading block;
    if (reply.size() < kMinimumBlock) {
        block.error = LinkError::ShortBlock;
        return block;
    }
    std::string_view text = reply;
    while (static_cast<int>(block.values.size()) < maxLines) {
        const std::size_t feed = text.find('\n');
        if (feed == std::string_view::npos) {
            block.error = LinkError::Incomplete;
            block.values.clear();
            return block;
        }
        std::string_view line = text.substr(0, feed);
        text.remove_prefix(feed + 1);
        std::string_view why;
        int32_t value = 0;
        if (line.empty() || line.back() != '\r')
            why = kBareLineFeed;
        else if (line.size() < kLineHead + 1)
            why = "a line of the block carries no value";
        else if (line.front() != curve)
            why = "a line of another reply in the block";
        else
            why = ParseValue(line.substr(kLineHead, line.size() - kLineHead - 1), kBlockValueDigits, value);
        if (!why.empty()) {
            block.error = LinkError::Malformed;
            block.why = why;
            block.values.clear();
            return block;
        }
        block.values.push_back(value);
    }
    return block;
}

}  // namespace brevant
