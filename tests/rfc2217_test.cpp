// The RFC 2217 codec on its own: the exact bytes of the negotiation and of
// every COM-PORT-OPTION command, 0xFF escaped both ways, telnet commands taken
// out of the data wherever the reads split them, and the server's replies.
#include "core/Rfc2217.h"

#include <gtest/gtest.h>

#include <string>

namespace brevant::rfc2217 {
namespace {

using namespace std::string_literals;

// Bytes written as numbers, so the expectations read as the wire does.
std::string B(std::initializer_list<int> bytes)
{
    std::string out;
    for (const int b : bytes)
        out += static_cast<char>(b);
    return out;
}

// What ser2net 4 sends as a client connects to a telnet(rfc2217) accepter.
const std::string kSer2netGreeting =
    B({255, 251, 3, 255, 253, 3, 255, 251, 1, 255, 254, 1, 255, 253, 0, 255, 251, 0, 255, 253, 44});

TEST(Rfc2217Wire, TheClientsCommandsAreTheseExactBytes)
{
    // WILL BINARY, DO BINARY, WILL SGA, DO SGA, WILL COM-PORT-OPTION.
    EXPECT_EQ(Greeting(), B({255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3, 255, 251, 44}));
    EXPECT_EQ(SetBaudRate(19200), B({255, 250, 44, 1, 0x00, 0x00, 0x4B, 0x00, 255, 240}));
    EXPECT_EQ(SetDataSize(8), B({255, 250, 44, 2, 8, 255, 240}));
    EXPECT_EQ(SetParity(kParityNone), B({255, 250, 44, 3, 1, 255, 240}));
    EXPECT_EQ(SetStopSize(kStopBits1), B({255, 250, 44, 4, 1, 255, 240}));
    EXPECT_EQ(SetControl(kDtrOn), B({255, 250, 44, 5, 8, 255, 240}));
    EXPECT_EQ(SetControl(kRtsOn), B({255, 250, 44, 5, 11, 255, 240}));
    // A value byte 0xFF is doubled inside the subnegotiation too.
    EXPECT_EQ(SetBaudRate(0x0001FF00), B({255, 250, 44, 1, 0x00, 0x01, 255, 255, 0x00, 255, 240}));
}

TEST(Rfc2217Wire, DataBytes0xFFAreDoubledGoingOutAndSingleComingIn)
{
    // A firmware packet: 'U', 'D', then a word with 0xFF bytes in it.
    const std::string packet = "UD"s + B({0xFF, 0x00, 0xFF, 0xFF});
    EXPECT_EQ(EncodeData(packet), "UD"s + B({255, 255, 0x00, 255, 255, 255, 255}));
    EXPECT_EQ(EncodeData("MG1r\r\n"), "MG1r\r\n");

    Decoder decoder;
    const Decoded in = decoder.Feed(EncodeData(packet));
    EXPECT_EQ(in.data + in.answer, packet);
    EXPECT_TRUE(in.replies.empty());
}

TEST(Rfc2217Wire, Ser2netsGreetingIsAnsweredOnceAndOnlyEchoIsRefused)
{
    Decoder decoder;
    const Decoded first = decoder.Feed(kSer2netGreeting);
    EXPECT_EQ(first.data, "");
    EXPECT_EQ(first.answer, B({255, 254, 1}));  // DONT ECHO; everything else was offered already
    EXPECT_TRUE(decoder.ComPortAgreed());
    EXPECT_FALSE(decoder.ComPortRefused());
    // Asked again, nothing already agreed is answered again: no loop.
    EXPECT_EQ(decoder.Feed(B({255, 253, 0, 255, 251, 3, 255, 253, 44})).answer, "");
    // Nor is a request refused before: a flood of them makes no flood back.
    std::string flood;
    for (int i = 0; i < 100; ++i)
        flood += B({255, 251, 1, 255, 253, 1});
    EXPECT_EQ(decoder.Feed(flood).answer, B({255, 252, 1}));  // WONT ECHO, once
}

TEST(Rfc2217Wire, NegotiationBeforeTheGreetingAndRefusals)
{
    Decoder fresh(false);
    // DO BINARY, WILL SGA, DO TERMINAL-TYPE (24), WILL COM-PORT-OPTION (the server wants to be the client).
    const Decoded d = fresh.Feed(B({255, 253, 0, 255, 251, 3, 255, 253, 24, 255, 251, 44}));
    EXPECT_EQ(d.answer, B({255, 251, 0, 255, 253, 3, 255, 252, 24, 255, 254, 44}));
    // DONT BINARY withdraws our WILL once; WONT SGA our DO; DONT COM-PORT-OPTION is a refusal.
    EXPECT_EQ(fresh.Feed(B({255, 254, 0, 255, 254, 0, 255, 252, 3})).answer, B({255, 252, 0, 255, 254, 3}));
    EXPECT_FALSE(fresh.ComPortRefused());
    fresh.Feed(B({255, 254, 44}));
    EXPECT_TRUE(fresh.ComPortRefused());
    EXPECT_FALSE(fresh.ComPortAgreed());
}

TEST(Rfc2217Wire, ServerRepliesAreTakenOutOfTheDataWithTheirValues)
{
    Decoder decoder;
    // ser2net's acknowledgements of 19200 8N1, a modem-state notification,
    // with a reply's bytes on either side.
    const std::string wire = "SV1"s + B({255, 250, 44, 101, 0x00, 0x00, 0x4B, 0x00, 255, 240}) +
                             B({255, 250, 44, 102, 8, 255, 240, 255, 250, 44, 103, 1, 255, 240}) + "05" +
                             B({255, 250, 44, 104, 1, 255, 240, 255, 250, 44, 107, 0, 255, 240}) + "\r\n";
    const Decoded d = decoder.Feed(wire);
    EXPECT_EQ(d.data, "SV105\r\n");
    EXPECT_EQ(d.replies,
              (std::vector<ServerReply>{
                  {101, B({0, 0, 0x4B, 0})}, {102, B({8})}, {103, B({1})}, {104, B({1})}, {107, B({0})}}));
    EXPECT_EQ(d.replies.at(0).Number(), 19200u);
    // A rate with 0xFF in it comes escaped.
    EXPECT_EQ(decoder.Feed(B({255, 250, 44, 101, 0, 1, 255, 255, 0, 255, 240})).replies.at(0).Number(),
              0x0001FF00u);
}

TEST(Rfc2217Wire, ACutAnywhereInTheStreamDecodesTheSame)
{
    const std::string wire = "MG1"s + B({255, 255}) + "2" + kSer2netGreeting + B({255, 241}) /* NOP */ +
                             B({255, 250, 44, 105, 8, 255, 240}) + "\r\n" +
                             B({255, 250, 24, 0, 1, 2, 255, 240}) /* not ours */ + "x" + B({255, 255});
    const std::string data = "MG1"s + B({255}) + "2\r\nx" + B({255});
    for (std::size_t cut = 0; cut <= wire.size(); ++cut) {
        Decoder decoder;
        Decoded first = decoder.Feed(std::string_view(wire).substr(0, cut));
        const Decoded rest = decoder.Feed(std::string_view(wire).substr(cut));
        first.replies.insert(first.replies.end(), rest.replies.begin(), rest.replies.end());
        ASSERT_EQ(first.data + rest.data, data) << "cut at " << cut;
        ASSERT_EQ(first.answer + rest.answer, B({255, 254, 1})) << "cut at " << cut;
        ASSERT_EQ(first.replies, (std::vector<ServerReply>{{105, B({8})}})) << "cut at " << cut;
    }
}

TEST(Rfc2217Wire, AnOverlongOrUnendedSubnegotiationStaysBounded)
{
    Decoder decoder;
    const Decoded d = decoder.Feed(B({255, 250, 44, 101}) + std::string(1000, 'z') + B({255, 240}) + "ok");
    EXPECT_EQ(d.data, "ok");
    ASSERT_EQ(d.replies.size(), 1u);
    EXPECT_LE(d.replies[0].value.size(), 64u);
    // IAC SB ... IAC WILL ECHO: the subnegotiation ends there and ECHO is refused.
    const Decoded e = decoder.Feed(B({255, 250, 44, 107, 0, 255, 251, 1}) + "go");
    EXPECT_EQ(e.data, "go");
    EXPECT_EQ(e.answer, B({255, 254, 1}));
    EXPECT_EQ(e.replies, (std::vector<ServerReply>{{107, B({0})}}));
}

}  // namespace
}  // namespace brevant::rfc2217
