// Command line of brevantctl:
//   brevantctl [--ports DIR] --port N <command>
//   get CODE [CH [OUT]] | set CODE [CH [OUT]] VALUE | action CODE | version
//   | raw TEXT | ports
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace brevant::ctl {

struct CtlArgs {
    std::optional<std::string> portsDir;
    int port = -1;
    std::string command;             // get, set, action, version, raw, ports
    std::vector<std::string> words;  // what follows the command
};

// nullopt and a message in `error` when the words do not form a command line.
std::optional<CtlArgs> ParseCtlArgs(const std::vector<std::string>& argv, std::string& error);

std::string Usage();

}  // namespace brevant::ctl
