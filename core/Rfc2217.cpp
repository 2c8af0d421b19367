#include "core/Rfc2217.h"

namespace brevant::rfc2217 {

namespace {

// A subnegotiation longer than this is no COM-PORT-OPTION reply; the rest of
// it is dropped rather than kept without bound.
constexpr std::size_t kLongestSubnegotiation = 64;

bool Accepted(unsigned char option)
{
    return option == kOptionBinary || option == kOptionSga || option == kOptionComPort;
}

std::string Command3(unsigned char verb, unsigned char option)
{
    return std::string{static_cast<char>(kIac), static_cast<char>(verb), static_cast<char>(option)};
}

}  // namespace

std::string Greeting()
{
    return Command3(kWill, kOptionBinary) + Command3(kDo, kOptionBinary) + Command3(kWill, kOptionSga) +
           Command3(kDo, kOptionSga) + Command3(kWill, kOptionComPort);
}

std::string EncodeData(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + 8);
    for (const char c : bytes) {
        out += c;
        if (static_cast<unsigned char>(c) == kIac)
            out += c;
    }
    return out;
}

std::string EncodeCommand(int command, std::string_view value)
{
    std::string out{static_cast<char>(kIac), static_cast<char>(kSb), static_cast<char>(kOptionComPort),
                    static_cast<char>(command)};
    out += EncodeData(value);
    out += static_cast<char>(kIac);
    out += static_cast<char>(kSe);
    return out;
}

std::string SetBaudRate(std::uint32_t rate)
{
    const std::string value{static_cast<char>(rate >> 24), static_cast<char>(rate >> 16),
                            static_cast<char>(rate >> 8), static_cast<char>(rate)};
    return EncodeCommand(kSetBaudRate, value);
}

std::string SetDataSize(unsigned char bits)
{
    return EncodeCommand(kSetDataSize, std::string(1, static_cast<char>(bits)));
}
std::string SetParity(unsigned char parity)
{
    return EncodeCommand(kSetParity, std::string(1, static_cast<char>(parity)));
}
std::string SetStopSize(unsigned char stopBits)
{
    return EncodeCommand(kSetStopSize, std::string(1, static_cast<char>(stopBits)));
}
std::string SetControl(unsigned char control)
{
    return EncodeCommand(kSetControl, std::string(1, static_cast<char>(control)));
}

std::uint32_t ServerReply::Number() const
{
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < value.size() && i < 4; ++i)
        number = (number << 8) | static_cast<unsigned char>(value[i]);
    return number;
}

Decoder::Decoder(bool greeted)
{
    if (greeted) {
        weWill_[kOptionBinary] = weWill_[kOptionSga] = weWill_[kOptionComPort] = true;
        weDo_[kOptionBinary] = weDo_[kOptionSga] = true;
    }
}

void Decoder::Negotiate(unsigned char verb, unsigned char option, std::string& answer)
{
    switch (verb) {
    case kDo:
        if (option == kOptionComPort)
            comPortAgreed_ = true;
        if (!Accepted(option)) {
            // Refused once; a server that asks again and again is not
            // answered again, so a flood of requests makes no flood back.
            if (!weRefusedDo_[option])
                answer += Command3(kWont, option);
            weRefusedDo_[option] = true;
        } else if (!weWill_[option])
            answer += Command3(kWill, option);
        weWill_[option] = Accepted(option);
        break;
    case kDont:
        if (option == kOptionComPort)
            comPortRefused_ = true;
        if (weWill_[option])
            answer += Command3(kWont, option);
        weWill_[option] = false;
        break;
    case kWill:
        // The server offering COM-PORT-OPTION itself would make us the
        // server: refused, like anything else not needed (ECHO above all).
        if (!Accepted(option) || option == kOptionComPort) {
            if (!weRefusedWill_[option])
                answer += Command3(kDont, option);
            weRefusedWill_[option] = true;
        } else if (!weDo_[option])
            answer += Command3(kDo, option);
        weDo_[option] = Accepted(option) && option != kOptionComPort;
        break;
    case kWont:
        if (weDo_[option])
            answer += Command3(kDont, option);
        weDo_[option] = false;
        break;
    default: break;
    }
}

void Decoder::EndSubnegotiation(Decoded& out)
{
    if (sub_.size() >= 2 && static_cast<unsigned char>(sub_[0]) == kOptionComPort)
        out.replies.push_back({static_cast<unsigned char>(sub_[1]), sub_.substr(2)});
    sub_.clear();
}

Decoded Decoder::Feed(std::string_view bytes)
{
    Decoded out;
    out.data.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        switch (state_) {
        case State::Data:
            if (b == kIac)
                state_ = State::Iac;
            else
                out.data += c;
            break;
        case State::Iac:
            if (b == kIac) {
                out.data += c;
                state_ = State::Data;
            } else if (b == kWill || b == kWont || b == kDo || b == kDont) {
                verb_ = b;
                state_ = State::Verb;
            } else if (b == kSb) {
                sub_.clear();
                state_ = State::Sub;
            } else {
                state_ = State::Data;  // NOP, GA, a stray SE, ...: nothing to do
            }
            break;
        case State::Verb:
            Negotiate(verb_, b, out.answer);
            state_ = State::Data;
            break;
        case State::Sub:
            if (b == kIac)
                state_ = State::SubIac;
            else if (sub_.size() < kLongestSubnegotiation)
                sub_ += c;
            break;
        case State::SubIac:
            if (b == kIac) {
                if (sub_.size() < kLongestSubnegotiation)
                    sub_ += c;
                state_ = State::Sub;
            } else if (b == kSe) {
                EndSubnegotiation(out);
                state_ = State::Data;
            } else {
                // A subnegotiation left without IAC SE: it ends here, and the
                // byte is the command that followed the IAC.
                EndSubnegotiation(out);
                verb_ = b;
                state_ = b == kWill || b == kWont || b == kDo || b == kDont ? State::Verb
                         : b == kSb                                         ? State::Sub
                                                                            : State::Data;
            }
            break;
        }
    }
    return out;
}

}  // namespace brevant::rfc2217
