// A link on a scripted port, with the device on COM3 and the port open.
#pragma once

#include "core/DeviceLink.h"
#include "tests/FakePort.h"

#include <gtest/gtest.h>

namespace brevant::test {

class LinkFixture : public ::testing::Test {
protected:
    LinkFixture()
    {
        state.flags.PortNumber = kPort;
        port.Open(kPort);
        port.ClearRecord();
    }

    static constexpr int kPort = 3;
    FakePort port;
    DeviceState state;
    DeviceLink link{port, state};
    DeviceParams& p = state.params;
};

}  // namespace brevant::test
