// Reply decoding: the first byte picks a command of the catalogue, the rest is
// what came back. Every decoded value must be storable as the link stores it.
#include "Catalogue.h"
#include "ReplyDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    const auto commands = brevant::AllCommands();
    const brevant::Command& command = commands[data[0] % commands.size()];
    const std::string_view reply(reinterpret_cast<const char*>(data + 1), size - 1);
    if (command.replyClass == brevant::ReplyClass::Block) {
        const brevant::BlockReading block = brevant::DecodeBlock(reply, brevant::kBlockLines);
        if (block.values.size() > static_cast<std::size_t>(brevant::kBlockLines))
            std::abort();
        return 0;
    }
    const brevant::Reading reading = brevant::DecodeReply(command, reply);
    // A value is only ever read from a whole line of this command's code.
    if (reading.Ok() && command.replyClass != brevant::ReplyClass::Action &&
        (reply.substr(0, command.code.size()) != command.code || reply.back() != '\n'))
        std::abort();
    if (reading.Ok() && (reading.a < 0 || reading.a > 9 || reading.b < 0 || reading.b > 9))
        std::abort();
    return 0;
}
