// The one small error vocabulary of the device link. Operations return a
// Status by value; nothing is thrown across threads. Everything here may be
// called from any thread.
#pragma once

#include <string>
#include <string_view>

namespace brevant {

enum class LinkError {
    None,
    NoPort,        // no port number below 1, or the port could not be opened
    NoReply,       // nothing arrived within the exchange's re-read budget
    WrongReply,    // the reply does not echo the command's code
    Incomplete,    // the reply was cut before its line end
    BadAddress,    // the reply names a channel, input or output outside 1..4
    ShortBlock,    // a result block shorter than 21 bytes
    NotConfirmed,  // repeated attempts all failed
    PortGone,      // the port vanished: unplugged, hung up, its device file removed
    WriteFailed,   // the command could not be written
    OtherAddress,  // the reply names another channel or crosspoint than asked
    Malformed,     // the reply is not in its exact form: no value, too many digits, LF alone, ...
};

// What went wrong, in English: for traces and for Status::Message to translate.
std::string_view Describe(LinkError error);

// The system's text for an errno value ("No such file or directory"). Unlike
// std::strerror it keeps no shared buffer, so worker threads may call it.
std::string ErrnoText(int error);

class Status {
public:
    constexpr Status() = default;
    constexpr Status(LinkError error) : error_(error) {}  // NOLINT: implicit on purpose
    constexpr explicit operator bool() const { return error_ == LinkError::None; }
    constexpr LinkError Error() const { return error_; }
    // Describe's text in the user's language.
    std::string Message() const;
    friend constexpr bool operator==(Status, Status) = default;

private:
    LinkError error_ = LinkError::None;
};

}  // namespace brevant
