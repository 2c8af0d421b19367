#include "ReplyDecoder.h"

#include "TextScan.h"

namespace brevant {

namespace {

// The reply less its last two bytes (normally carriage return and line feed).
std::string_view Body(std::string_view reply)
{
    return reply.size() > 2 ? reply.substr(0, reply.size() - 2) : std::string_view{};
}

// Byte i of the reply as the one-character number it stands for; a byte past
// the end reads as the zero the reply buffer was cleared to.
int DigitAt(std::string_view reply, std::size_t i)
{
    return i < reply.size() ? ParseDecimal(reply.substr(i, 1)) : 0;
}

}  // namespace

Reading DecodeReply(const Command& command, std::string_view reply)
{
    Reading reading;
    if (command.replyClass == ReplyClass::Action) {
        reading.matched = Body(reply) == command.code;
        reading.error = reading.matched ? LinkError::None : LinkError::WrongReply;
        return reading;
    }
    if (reply.substr(0, command.code.size()) != command.code) {
        reading.error = LinkError::WrongReply;
        return reading;
    }
    // A reply cut short by a gap in the device's output would decode to a
    // wrong value; it is refused instead.
    if (reply.empty() || reply.back() != '\n') {
        reading.error = LinkError::Incomplete;
        return reading;
    }
    std::size_t valueStart = command.code.size();
    switch (command.replyClass) {
    case ReplyClass::Channel:
    case ReplyClass::Meter:
        reading.a = DigitAt(reply, 2);
        valueStart = 3;
        break;
    case ReplyClass::Crosspoint:
        reading.a = DigitAt(reply, 2);
        reading.b = DigitAt(reply, 3);
        valueStart = 4;
        break;
    default:
        break;
    }
    // The value runs from valueStart to the byte before the last two.
    const std::string_view body = Body(reply);
    reading.value = body.size() > valueStart ? ParseDecimal(body.substr(valueStart)) : 0;
    return reading;
}

BlockReading DecodeBlock(std::string_view reply, int maxLines)
{
    constexpr std::size_t kMinimumBlock = 21;
    BlockReading block;
    if (reply.size() < kMinimumBlock) {
        block.error = LinkError::ShortBlock;
        return block;
    }
    // One value per "\r\n"-terminated line, from its fourth character on.
    std::string_view text = reply;
    while (static_cast<int>(block.values.size()) < maxLines) {
        const int end = FindPattern(text, "\r\n", 0);
        if (end < 0)
            break;
        const std::string_view line = text.substr(0, static_cast<std::size_t>(end));
        block.values.push_back(line.size() > 3 ? ParseDecimal(line.substr(3)) : 0);
        text.remove_prefix(static_cast<std::size_t>(end) + 2);
    }
    return block;
}

}  // namespace brevant
