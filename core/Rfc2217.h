// The client side of RFC 2217 (Telnet Com Port Control) as a pure codec: no
// socket, no clock. NetworkPort feeds it what the server sends and writes
// what it returns.
//
// What goes out:
//   Greeting()          IAC WILL BINARY, IAC DO BINARY, IAC WILL SGA, IAC DO SGA,
//                       IAC WILL COM-PORT-OPTION (44)
//   EncodeData(bytes)   the bytes, each 0xFF doubled (IAC IAC)
//   SetBaudRate(19200)  IAC SB 44 1 <4 bytes, most significant first> IAC SE
//   SetDataSize(8), SetParity(kParityNone), SetStopSize(kStopBits1),
//   SetControl(kDtrOn...) likewise, one value byte (an 0xFF in a value is doubled)
//
// What comes in (Decoder::Feed):
//   - data bytes, with IAC IAC turned back into 0xFF and every telnet command
//     taken out, also when a command is split across reads;
//   - the answers the negotiation needs: DO/WILL for BINARY, SGA and
//     COM-PORT-OPTION are agreed to (once: an option already agreed is not
//     answered again, so negotiation never loops), anything else refused
//     (DONT/WONT), e.g. ser2net's WILL ECHO, once per option: a request
//     refused before is not answered again;
//   - the server's COM-PORT-OPTION replies: command + 100 with its value
//     (SET-BAUDRATE 1 is answered by 101 with the rate the server set),
//     and its notifications (NOTIFY-LINESTATE 106, NOTIFY-MODEMSTATE 107).
//
// The connection is binary both ways, so no CR NUL / CR LF translation is done.
//
// Thread-safety: a Decoder is a plain value; one owner at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brevant::rfc2217 {

inline constexpr unsigned char kIac = 255;
inline constexpr unsigned char kDont = 254;
inline constexpr unsigned char kDo = 253;
inline constexpr unsigned char kWont = 252;
inline constexpr unsigned char kWill = 251;
inline constexpr unsigned char kSb = 250;
inline constexpr unsigned char kSe = 240;

inline constexpr unsigned char kOptionBinary = 0;
inline constexpr unsigned char kOptionEcho = 1;
inline constexpr unsigned char kOptionSga = 3;
inline constexpr unsigned char kOptionComPort = 44;

// COM-PORT-OPTION commands (client to server); the server answers each with
// the same number plus 100.
inline constexpr int kSetBaudRate = 1;
inline constexpr int kSetDataSize = 2;
inline constexpr int kSetParity = 3;
inline constexpr int kSetStopSize = 4;
inline constexpr int kSetControl = 5;
inline constexpr int kNotifyLineState = 6;
inline constexpr int kNotifyModemState = 7;
inline constexpr int kServerOffset = 100;

inline constexpr unsigned char kParityNone = 1;
inline constexpr unsigned char kStopBits1 = 1;
inline constexpr unsigned char kDtrOn = 8;
inline constexpr unsigned char kDtrOff = 9;
inline constexpr unsigned char kRtsOn = 11;
inline constexpr unsigned char kRtsOff = 12;

std::string Greeting();
std::string EncodeData(std::string_view bytes);
// IAC SB COM-PORT-OPTION `command` `value` (escaped) IAC SE.
std::string EncodeCommand(int command, std::string_view value);
std::string SetBaudRate(std::uint32_t rate);
std::string SetDataSize(unsigned char bits);
std::string SetParity(unsigned char parity);
std::string SetStopSize(unsigned char stopBits);
std::string SetControl(unsigned char control);

// One COM-PORT-OPTION subnegotiation from the server.
struct ServerReply {
    int command = 0;    // e.g. 101: the answer to SET-BAUDRATE
    std::string value;  // unescaped
    // The value as a big-endian number (SET-BAUDRATE: 4 bytes; the others: 1).
    std::uint32_t Number() const;
    friend bool operator==(const ServerReply&, const ServerReply&) = default;
};

// What one Feed found.
struct Decoded {
    std::string data;                  // the serial line's bytes
    std::string answer;                // to be written back to the server now
    std::vector<ServerReply> replies;  // COM-PORT-OPTION replies and notifications
};

class Decoder {
public:
    // `greeted`: Greeting() was sent, so the options it offers are not
    // offered again when the server asks for them.
    explicit Decoder(bool greeted = true);

    // Takes the next bytes from the server; state carries over to the next call.
    Decoded Feed(std::string_view bytes);

    // The server agreed (DO COM-PORT-OPTION) or refused (DONT) to speak RFC 2217.
    bool ComPortAgreed() const { return comPortAgreed_; }
    bool ComPortRefused() const { return comPortRefused_; }

private:
    enum class State { Data, Iac, Verb, Sub, SubIac };
    void Negotiate(unsigned char verb, unsigned char option, std::string& answer);
    void EndSubnegotiation(Decoded& out);

    State state_ = State::Data;
    unsigned char verb_ = 0;
    std::string sub_;               // the subnegotiation so far, unescaped, after IAC SB
    bool weWill_[256] = {};         // we said WILL
    bool weDo_[256] = {};           // we said DO
    bool weRefusedDo_[256] = {};    // we answered the server's DO with WONT
    bool weRefusedWill_[256] = {};  // we answered the server's WILL with DONT
    bool comPortAgreed_ = false;
    bool comPortRefused_ = false;
};

}  // namespace brevant::rfc2217
