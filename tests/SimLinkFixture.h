// The real serial layer and link against brevant-sim on a pseudo-terminal.
#pragma once

#include "DeviceLink.h"
#include "PosixSerialPort.h"
#include "SimProcess.h"

#include <gtest/gtest.h>

#include <memory>

namespace brevant::test {

class SimLinkFixture : public ::testing::Test {
protected:
    static constexpr int kCom = 3;

    // Starts the simulator and opens its port; fails the test when either fails.
    void Start(std::vector<std::string> simArgs = {})
    {
        sim = std::make_unique<SimProcess>(std::move(simArgs), kCom);
        ASSERT_TRUE(sim->Started()) << "simulator did not start: " << sim->ReadyLine();
        serial = std::make_unique<PosixSerialPort>(PortMap::Directory(sim->PortsDir()));
        link = std::make_unique<DeviceLink>(*serial, state, log);
        state.flags.PortNumber = kCom;
        ASSERT_TRUE(link->OpenPort()) << serial->LastError(kCom);
    }

    void TearDown() override
    {
        if (link)
            link->ClosePort();
    }

    DeviceState state;
    CommLog log;
    DeviceParams& p = state.params;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<PosixSerialPort> serial;
    std::unique_ptr<DeviceLink> link;
};

}  // namespace brevant::test
