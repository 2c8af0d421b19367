// Command line of brevantctl:
//   brevantctl [--ports DIR] [--port N] [--json] [--trace FILE] <command> [words]
// Commands: scan, info, get, set, action, raw, version, dump, meters
// [--cycles N], preset save FILE, preset load FILE, save-device, upgrade FILE,
// ports.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brevant::ctl {

struct CtlArgs {
    std::optional<std::string> portsDir;
    int port = -1;                   // -1: find the device as Connect does
    bool json = false;
    std::optional<std::string> traceFile;  // the session's protocol trace is written here at the end
    std::string command;
    std::vector<std::string> words;  // what follows the command
    int cycles = 0;                  // meters: passes to print, 0 = until interrupted
};

// nullopt and a message in `error` when the words do not form a command line.
std::optional<CtlArgs> ParseCtlArgs(const std::vector<std::string>& argv, std::string& error);

std::string Usage();

// A whole word as a decimal integer; false when it is anything else.
bool ParseInt(const std::string& text, int& value);

// Commands that only need an open port (with --port) rather than a Connect.
bool IsLinkCommand(const std::string& command);

}  // namespace brevant::ctl
