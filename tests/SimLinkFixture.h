// The real serial layer and link against brevant-sim on a pseudo-terminal,
// or, with `via` set to a network transport, through a real ser2net serving
// that pseudo-terminal on loopback (raw TCP or RFC 2217). The link reaches
// the device as port `com`: COM3 on the pseudo-terminal, the number the
// PortRouter gave the network address otherwise.
#pragma once

#include "core/DeviceLink.h"
#include "core/PortRouter.h"
#include "tests/Ser2net.h"
#include "tests/SimProcess.h"

#include <gtest/gtest.h>

#include <memory>

namespace brevant::test {

enum class Transport { Pty, Ser2netRaw, Ser2netRfc2217 };

inline std::string TransportName(Transport t)
{
    return t == Transport::Pty ? "Pty" : t == Transport::Ser2netRaw ? "Ser2netRaw" : "Ser2netRfc2217";
}

class SimLinkFixture : public ::testing::Test {
protected:
    static constexpr int kCom = 3;

    // Skips a network transport where ser2net is not installed; a fixture
    // that sets `via` in its own SetUp calls this after.
    void SetUp() override
    {
        if (via != Transport::Pty) {
            if (const std::string missing = Ser2net::Missing(); !missing.empty())
                GTEST_SKIP() << "ser2net tests skipped: " << missing;
        }
    }

    // Starts the simulator (and ser2net in front of it) and opens its port;
    // fails the test when any of them fails.
    void Start(std::vector<std::string> simArgs = {}, std::string dir = {})
    {
        sim = std::make_unique<SimProcess>(std::move(simArgs), kCom, std::move(dir));
        ASSERT_TRUE(sim->Started()) << "simulator did not start: " << sim->ReadyLine();
        serial = std::make_unique<PortRouter>(PortMap::Directory(sim->PortsDir()));
        com = kCom;
        if (via != Transport::Pty) {
            Ser2netOptions options;
            options.kind = via == Transport::Ser2netRaw ? PortKind::Tcp : PortKind::Rfc2217;
            options.nodelay = nodelay;
            server = std::make_unique<Ser2net>(sim->PortsDir() + "/COM" + std::to_string(kCom), options);
            ASSERT_TRUE(server->Started()) << server->Error();
            com = serial->Assign(server->Address());
        }
        link = std::make_unique<DeviceLink>(*serial, state);
        state.flags.PortNumber = com;
        ASSERT_TRUE(link->OpenPort()) << serial->LastError(com);
    }

    void TearDown() override
    {
        if (link)
            link->ClosePort();
    }

    Transport via = Transport::Pty;
    bool nodelay = true;  // ser2net's TCP_NODELAY (false: Nagle on its side)
    int com = kCom;
    DeviceState state;
    DeviceParams& p = state.params;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<PortRouter> serial;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<Ser2net> server;  // declared after the link: goes before the simulator
};

}  // namespace brevant::test
