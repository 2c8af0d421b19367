// brevantctl: one device command from the shell, through the same link as the program.
#include "CtlArgs.h"
#include "CtlCommands.h"
#include "PosixSerialPort.h"

#include <iostream>

using namespace brevant;

int main(int argc, char** argv)
{
    std::string error;
    const auto args = ctl::ParseCtlArgs(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!args) {
        std::cerr << "brevantctl: " << error << '\n' << ctl::Usage();
        return 2;
    }

    PosixSerialPort port(args->portsDir ? PortMap::Directory(*args->portsDir) : PortMap::System());
    if (args->command == "ports") {
        for (const auto& [n, path] : port.Map().List())
            std::cout << "COM" << n << ' ' << path << '\n';
        return 0;
    }

    DeviceState state;
    CommLog log;
    DeviceLink link(port, state, log);
    state.flags.PortNumber = args->port;
    if (!link.OpenPort()) {
        std::cerr << "brevantctl: cannot open COM" << args->port << ": " << port.LastError(args->port)
                  << '\n';
        return 1;
    }
    const int status = ctl::RunCommand(*args, link, std::cout, std::cerr);
    link.ClosePort();
    return status;
}
