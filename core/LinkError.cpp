#include "core/LinkError.h"

#include "core/Translate.h"

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
    case LinkError::None: return BRV_TEXT("brevant::LinkError", "ok");
    case LinkError::NoPort: return BRV_TEXT("brevant::LinkError", "no serial port is open");
    case LinkError::NoReply: return BRV_TEXT("brevant::LinkError", "the device did not answer");
    case LinkError::WrongReply: return BRV_TEXT("brevant::LinkError", "the device answered something else");
    case LinkError::Incomplete: return BRV_TEXT("brevant::LinkError", "the device's answer was cut short");
    case LinkError::BadAddress:
        return BRV_TEXT("brevant::LinkError", "the device named a channel outside 1..4");
    case LinkError::ShortBlock: return BRV_TEXT("brevant::LinkError", "the result block was too short");
    case LinkError::NotConfirmed:
        return BRV_TEXT("brevant::LinkError", "the device did not confirm the value");
    case LinkError::PortGone: return BRV_TEXT("brevant::LinkError", "the serial port is gone");
    case LinkError::WriteFailed:
        return BRV_TEXT("brevant::LinkError", "the command could not be written to the port");
    case LinkError::OtherAddress:
        return BRV_TEXT("brevant::LinkError", "the device answered for another channel");
    case LinkError::Malformed:
        return BRV_TEXT("brevant::LinkError", "the device's answer was not in its exact form");
    }
    return BRV_TEXT("brevant::LinkError", "unknown error");
}

std::string Status::Message() const
{
    return Tr("brevant::LinkError", Describe(error_));
}

}  // namespace brevant
