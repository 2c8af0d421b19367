#include "CtlArgs.h"

#include <charconv>

namespace brevant::ctl {

namespace {

bool ToInt(const std::string& text, int& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

}  // namespace

std::string Usage()
{
    return "usage: brevantctl [--ports DIR] --port N <command>\n"
           "  get CODE [CH [OUT]]        query one value and print it (CODE e.g. MG, MX, MB, ML, D)\n"
           "  set CODE [CH [OUT]] VALUE  set one value (up to 8 tries) and print what the device holds\n"
           "  action CODE                run an action (SMs1, CEs1, SSs1, CGs0..CGs3)\n"
           "  version                    read the device's version text\n"
           "  raw TEXT                   send TEXT with CR LF and print the reply, escaped\n"
           "  ports                      list the serial ports COM1..COM39 that exist\n";
}

std::optional<CtlArgs> ParseCtlArgs(const std::vector<std::string>& argv, std::string& error)
{
    CtlArgs args;
    std::size_t i = 0;
    for (; i < argv.size(); ++i) {
        const std::string& word = argv[i];
        if (word == "--ports" || word == "--port") {
            if (i + 1 >= argv.size()) {
                error = word + " needs a value";
                return std::nullopt;
            }
            const std::string& value = argv[++i];
            if (word == "--ports") {
                args.portsDir = value;
            } else if (!ToInt(value, args.port) || args.port < 1 || args.port > 39) {
                error = "--port takes a port number 1..39";
                return std::nullopt;
            }
        } else if (word.rfind("--", 0) == 0) {
            error = "unknown option " + word;
            return std::nullopt;
        } else {
            break;
        }
    }
    if (i >= argv.size()) {
        error = "no command given";
        return std::nullopt;
    }
    args.command = argv[i++];
    args.words.assign(argv.begin() + static_cast<long>(i), argv.end());

    static const std::vector<std::string> kCommands = {"get", "set", "action", "version", "raw", "ports"};
    bool known = false;
    for (const auto& c : kCommands)
        known = known || c == args.command;
    if (!known) {
        error = "unknown command " + args.command;
        return std::nullopt;
    }
    if (args.command != "ports" && args.port < 1) {
        error = "--port N is needed";
        return std::nullopt;
    }
    return args;
}

}  // namespace brevant::ctl
