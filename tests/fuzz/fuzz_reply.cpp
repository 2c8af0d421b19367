// Reply decoding: the first byte picks a command of the catalogue, the rest is
// what came back. A reply is taken only in its exact form: the code, address
// digits 1..4, a value the setting can hold, carriage return and line feed.
#include "Catalogue.h"
#include "ReplyDecoder.h"
#include "SettingRange.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
        const brevant::BlockReading block = brevant::DecodeBlock(reply, brevant::kBlockLines);
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
    const auto values = brevant::ReplyValuesOf(command.op);
    if (!values || !values->range.Contains(reading.value))
        std::abort();
    const bool addressed = command.replyClass != brevant::ReplyClass::DeviceValue;
    if (addressed && (reading.a < 1 || reading.a > 4))
        std::abort();
    if (command.replyClass == brevant::ReplyClass::Crosspoint && (reading.b < 1 || reading.b > 4))
        std::abort();
    // Nothing but the code, the address, the value and the line end.
    const std::size_t address = command.replyClass == brevant::ReplyClass::Crosspoint ? 2 : addressed ? 1 : 0;
    const std::size_t valueLength = reply.size() - 2 - command.code.size() - address;
    if (valueLength < 1 || valueLength > static_cast<std::size_t>(values->digits) + 1)
        std::abort();
    return 0;
}
