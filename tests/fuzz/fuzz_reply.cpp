// Reply decoding: the first byte picks a command of the catalogue, the rest is
// what came back. A reply is taken only in its exact form: the code, address
// digits 1..4, a value the setting can hold, carriage return and line feed.
#include "core/Catalogue.h"
#include "core/ReplyDecoder.h"
#include "core/SettingRange.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

bool EndsWithLine(std::string_view reply)
{
    return reply.size() >= 2 && reply.substr(reply.size() - 2) == "\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const auto commands = brevant::AllCommands();
    const brevant::Command& command = commands[data[0] % commands.size()];
    const std::string_view reply(reinterpret_cast<const char*>(data + 1), size - 1);
    if (command.replyClass == brevant::ReplyClass::Block) {
        const brevant::BlockReading block =
            brevant::DecodeBlock(reply, brevant::kBlockLines, command.code.front());
        const bool ok = block.error == brevant::LinkError::None;
        if (ok != (block.values.size() == static_cast<std::size_t>(brevant::kBlockLines)))
            std::abort();
        for (const int32_t v : block.values) {
            if (v > 99999 || v < -99999)
                std::abort();
        }
        return 0;
    }
    const brevant::Reading reading = brevant::DecodeReply(command, reply);
    if (!reading.Ok())
        return 0;
    if (!EndsWithLine(reply) || reply.substr(0, command.code.size()) != command.code)
        std::abort();
    if (command.replyClass == brevant::ReplyClass::Action) {
        if (reply.size() != command.code.size() + 2)
            std::abort();
        return 0;
    }
    // A taken reply reads back, byte for byte, as what was stored: the code,
    // the address digits, then the value as from_chars reads it, whole.
    const auto values = brevant::ReplyValuesOf(command.op);
    if (!values || !values->range.Contains(reading.value))
        std::abort();
    std::string head(command.code);
    if (command.replyClass != brevant::ReplyClass::DeviceValue)
        head += static_cast<char>('0' + reading.a);
    if (command.replyClass == brevant::ReplyClass::Crosspoint)
        head += static_cast<char>('0' + reading.b);
    if (reply.substr(0, head.size()) != head || reading.a > 4 || reading.b > 4)
        std::abort();
    const std::string_view number = reply.substr(head.size(), reply.size() - 2 - head.size());
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || end != number.data() + number.size() || value != reading.value ||
        number.size() > static_cast<std::size_t>(values->digits) + 1)
        std::abort();
    return 0;
}
