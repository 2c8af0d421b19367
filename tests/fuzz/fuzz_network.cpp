// What comes from the network: the RFC 2217 stream from a server and the
// address a user types. The first byte picks which.
//   - Decoding never depends on where the stream is cut into reads, and data
//     escaped by EncodeData comes back exactly.
//   - An address that parses writes back as text that parses to the same.
#include "core/PortAddress.h"
#include "core/Rfc2217.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string DataOf(std::string_view stream, std::size_t cut)
{
    brevant::rfc2217::Decoder decoder;
    return decoder.Feed(stream.substr(0, cut)).data + decoder.Feed(stream.substr(cut)).data;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(bytes + 2), size - 2);
    switch (bytes[0] % 3) {
    case 0: {
        const std::size_t cut = input.empty() ? 0 : bytes[1] % (input.size() + 1);
        if (DataOf(input, cut) != DataOf(input, input.size()))
            std::abort();
        break;
    }
    case 1: {
        brevant::rfc2217::Decoder decoder;
        if (decoder.Feed(brevant::rfc2217::EncodeData(input)).data != input)
            std::abort();
        break;
    }
    default: {
        const brevant::PortAddressParse parsed = brevant::ParsePortAddress(input);
        if (parsed.address && brevant::ParsePortAddress(parsed.address->Text()).address != parsed.address)
            std::abort();
        if (!parsed.address && parsed.error.empty())
            std::abort();
        break;
    }
    }
    return 0;
}
