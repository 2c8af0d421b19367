// Command line of brevantctl:
//   brevantctl [--ports DIR] [--port PORT] [--json] [--trace FILE] [--force] <command> [words]
// PORT is anything ParsePortAddress takes: N or COMn (1..39), tcp://HOST:PORT,
// rfc2217://HOST:PORT.
// Commands: scan, info, get, set, action, raw, version, dump, meters
// [--cycles N], preset save|load|diff FILE (load: [--backup FILE]),
// save-device, upgrade FILE, ports, help [COMMAND]. Every command has its own
// --help.
#pragma once

#include "core/PortAddress.h"
#include "programs/brevantctl/CommandWords.h"

#include <optional>
#include <string>
#include <vector>

namespace brevant::ctl {

struct CtlArgs {
    std::optional<std::string> portsDir;
    int port = -1;                           // -1: find the device as Connect does; COMn: n
    std::optional<PortAddress> portAddress;  // --port as given; a network one is given its
                                             // number (port) by the caller's PortRouter
    bool json = false;
    bool force = false;                    // write to a model this program does not know all the same
    std::optional<std::string> traceFile;  // the session's protocol trace is written here at the end
    std::string command;
    std::vector<std::string> words;         // what follows the command ("load", FILE for preset load)
    int cycles = 0;                         // meters: passes to print, 0 = until interrupted
    std::optional<std::string> backupFile;  // preset load: the device's setting is saved here first
    std::optional<CommandWords> target;     // get, set, action: the checked words
};

// What the command line asks for: a command to run, or text to print and
// the exit status (0 after help or the version, 2 for wrong usage).
struct CtlParse {
    std::optional<CtlArgs> args;
    int status = 0;
    std::string out;    // help or version text
    std::string error;  // what was wrong, then where to find help
};

CtlParse ParseCtlArgs(const std::vector<std::string>& argv);

// Commands that only need an open port (with --port) rather than a Connect.
bool IsLinkCommand(const std::string& command);

}  // namespace brevant::ctl
