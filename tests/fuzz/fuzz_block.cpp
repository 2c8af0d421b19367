// Result block reads: any bytes give at most ten values, or ShortBlock.
#include "core/DeviceParams.h"
#include "core/ReplyDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view reply(reinterpret_cast<const char*>(data), size);
    const brevant::BlockReading block = brevant::DecodeBlock(reply, brevant::kBlockLines, 'D');
    if (block.values.size() > static_cast<std::size_t>(brevant::kBlockLines))
        std::abort();
    if ((block.error == brevant::LinkError::ShortBlock) != (size < 21))
        std::abort();
    return 0;
}
