#include "core/PortAddress.h"

#include <gtest/gtest.h>

namespace brevant::test {
namespace {

TEST(PortAddressTest, EveryFormAUserTypesReadsAndWritesBack)
{
    struct Case {
        const char* typed;
        const char* text;
    };
    const Case cases[] = {
        {"3", "COM3"},
        {"COM255", "COM255"},
        {" com1 ", "COM1"},
        {"tcp://127.0.0.1:4001", "tcp://127.0.0.1:4001"},
        {"TCP://dsp-server.local:65535", "tcp://dsp-server.local:65535"},
        {"rfc2217://10.0.0.7:7000", "rfc2217://10.0.0.7:7000"},
        {"rfc2217://[::1]:4001", "rfc2217://[::1]:4001"},
    };
    for (const Case& c : cases) {
        const PortAddressParse parsed = ParsePortAddress(c.typed);
        ASSERT_TRUE(parsed.address) << c.typed << ": " << parsed.error;
        EXPECT_EQ(parsed.address->Text(), c.text);
        EXPECT_EQ(ParsePortAddress(parsed.address->Text()).address, parsed.address) << c.typed;
    }
    const PortAddress v6 = *ParsePortAddress("rfc2217://[::1]:4001").address;
    EXPECT_EQ(v6.kind, PortKind::Rfc2217);
    EXPECT_EQ(v6.host, "::1");
    EXPECT_EQ(v6.tcpPort, 4001);
}

TEST(PortAddressTest, WhatNamesNoPortIsRefusedWithAReason)
{
    struct Case {
        const char* typed;
        const char* reason;
    };
    const Case cases[] = {
        {"", "is not a port"},
        {"COM0", "is not a port"},
        {"COM256", "is not a port"},
        {"/dev/ttyUSB0", "is not a port"},
        {"tcp://host", "names no TCP port"},
        {"tcp://:4001", "names no host"},
        {"tcp://host:0", "from 1 to 65535"},
        {"tcp://host:65536", "from 1 to 65535"},
        {"tcp://::1:4001", "[ADDRESS]:PORT"},
        {"rfc2217://[::1]4001", "[ADDRESS]:PORT"},
        {"telnet://host:23", "tcp:// or rfc2217://"},
        {"tcp://my host:23", "not valid"},
        {"rfc2217://[[+]:441", "not valid"},
    };
    for (const Case& c : cases) {
        const PortAddressParse parsed = ParsePortAddress(c.typed);
        EXPECT_FALSE(parsed.address) << c.typed;
        EXPECT_NE(parsed.error.find(c.reason), std::string::npos) << c.typed << ": " << parsed.error;
    }
}

}  // namespace
}  // namespace brevant::test
