#include "core/LinkError.h"

#include <array>
#include <cstring>

namespace brevant {

namespace {

// strerror_r comes in two forms: the XSI one fills the buffer and returns 0,
// the GNU one returns the text, in the buffer or in static storage.
[[maybe_unused]] std::string StrerrorText(int result, const char* buffer, int error)
{
    return result == 0 ? std::string(buffer) : "error " + std::to_string(error);
}

[[maybe_unused]] std::string StrerrorText(const char* text, const char* /*buffer*/, int /*error*/)
{
    return text;
}

}  // namespace

std::string ErrnoText(int error)
{
    std::array<char, 256> buffer{};
    return StrerrorText(strerror_r(error, buffer.data(), buffer.size()), buffer.data(), error);
}

std::string_view Describe(LinkError error)
{
    switch (error) {
    case LinkError::None: return "ok";
    case LinkError::NoPort: return "no serial port is open";
    case LinkError::NoReply: return "the device did not answer";
    case LinkError::WrongReply: return "the device answered something else";
    case LinkError::Incomplete: return "the device's answer was cut short";
    case LinkError::BadAddress: return "the device named a channel outside 1..4";
    case LinkError::ShortBlock: return "the result block was too short";
    case LinkError::NotConfirmed: return "the device did not confirm the value";
    case LinkError::PortGone: return "the serial port is gone";
    case LinkError::WriteFailed: return "the command could not be written to the port";
    case LinkError::OtherAddress: return "the device answered for another channel";
    case LinkError::Malformed: return "the device's answer was not in its exact form";
    }
    return "unknown error";
}

}  // namespace brevant
