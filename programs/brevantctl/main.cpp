// brevantctl: the program's procedures from the shell, through the same core.
#include "core/PortRouter.h"
#include "programs/brevantctl/CtlArgs.h"
#include "programs/brevantctl/CtlOutput.h"
#include "programs/brevantctl/CtlSession.h"

#include <csignal>
#include <iostream>
#include <unistd.h>

using namespace brevant;

namespace {

// Set by SIGINT/SIGTERM; the running command ends cleanly when it sees it.
std::atomic<bool> gInterrupted{false};

void OnSignal(int)
{
    gInterrupted = true;
}

}  // namespace

int main(int argc, char** argv)
{
    const ctl::CtlParse parsed = ctl::ParseCtlArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.args) {
        std::cout << parsed.out;
        std::cerr << parsed.error;
        return parsed.status;
    }
    ctl::CtlArgs args = *parsed.args;

    // Serial ports by their COM number, a network device by a number of its own.
    PortRouter port(args.portsDir ? PortMap::Directory(*args.portsDir) : PortMap::System());
    if (args.portAddress)
        args.port = port.Assign(*args.portAddress);
    if (args.command == "ports") {
        std::cout << ctl::PortsText(port.Map().Ports());
        return 0;
    }

    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    DeviceState state;
    DeviceLink link(port, state);
    const ctl::CtlStreams io{std::cout, std::cerr, gInterrupted, ::isatty(STDERR_FILENO) == 1};
    return ctl::RunCtl(args, link, io);
}
