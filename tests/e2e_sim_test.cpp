// brevantctl against the ports folder the paced simulator publishes. The
// simulator's commands end to end: e2e_transport_test.cpp (every family of
// setting), e2e_connection_test.cpp (model, version, meters, a stored
// setting after a restart), sound_test_dialog_test.cpp (the sound test).
#include "tests/SimLinkFixture.h"

namespace brevant::test {
namespace {

using SimTest = SimLinkFixture;

// The tool's own commands are tested in the brevantctl tests.
TEST_F(SimTest, CommandLineToolListsThePortsAndNamesOneItCannotOpen)
{
    Start();
    link->ClosePort();
    auto result = RunProgram(BREVANT_CTL_PATH, {"--ports", sim->PortsDir(), "--port", "5", "version"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("cannot open COM5"), std::string::npos) << result.err;
    result = RunProgram(BREVANT_CTL_PATH, {"--ports", sim->PortsDir(), "ports"});
    EXPECT_EQ(result.out.rfind("COM3 ", 0), 0u) << result.out;
}

}  // namespace
}  // namespace brevant::test
