#include "CtlArgs.h"

#include <algorithm>
#include <charconv>

namespace brevant::ctl {

namespace {

const std::vector<std::string> kCommands = {"scan", "info", "get", "set", "action", "raw",
                                            "version", "dump", "meters", "preset",
                                            "save-device", "upgrade", "ports"};

}  // namespace

bool ParseInt(const std::string& text, int& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool IsLinkCommand(const std::string& command)
{
    return command == "get" || command == "set" || command == "action" || command == "raw" ||
           command == "version";
}

std::string Usage()
{
    return "usage: brevantctl [--ports DIR] [--port N] [--json] [--trace FILE] <command>\n"
           "  scan                       find the device on COM1..COM39\n"
           "  info                       connect; print port, model, family and version\n"
           "  get CODE [CH [OUT]]        query one value and print it (CODE e.g. MG, MX, MB, ML, D)\n"
           "  set CODE [CH [OUT]] VALUE  set one value (up to 8 tries) and print what the device holds\n"
           "  action CODE                run an action (SMs1, CEs1, SSs1, CGs0..CGs3)\n"
           "  raw TEXT                   send TEXT with CR LF and print the reply, escaped\n"
           "  version                    read the device's version text\n"
           "  dump                       connect, read every setting back and print it as a preset\n"
           "  meters [--cycles N]        connect and print the meters after every polling pass\n"
           "  preset save FILE           connect, read back and write a preset file\n"
           "  preset load FILE           send a preset file to the device, then connect\n"
           "  save-device                make the device keep its present setting\n"
           "  upgrade FILE               send a firmware image to the device\n"
           "  ports                      list the serial ports COM1..COM39 that exist\n"
           "Without --port the device is found as Connect finds it (a scan of COM1..COM39).\n"
           "--trace FILE writes every line sent and every reply received to FILE at the end.\n"
           "Exit status: 0 done, 1 the device or a file failed, 2 wrong usage.\n";
}

std::optional<CtlArgs> ParseCtlArgs(const std::vector<std::string>& argv, std::string& error)
{
    CtlArgs args;
    std::size_t i = 0;
    for (; i < argv.size(); ++i) {
        const std::string& word = argv[i];
        if (word == "--json") {
            args.json = true;
        } else if (word == "--ports" || word == "--port" || word == "--trace") {
            if (i + 1 >= argv.size()) {
                error = word + " needs a value";
                return std::nullopt;
            }
            const std::string& value = argv[++i];
            if (word == "--ports") {
                args.portsDir = value;
            } else if (word == "--trace") {
                args.traceFile = value;
            } else if (!ParseInt(value, args.port) || args.port < 1 || args.port > 39) {
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
    if (std::find(kCommands.begin(), kCommands.end(), args.command) == kCommands.end()) {
        error = "unknown command " + args.command;
        return std::nullopt;
    }
    for (; i < argv.size(); ++i) {
        if (args.command == "meters" && argv[i] == "--cycles") {
            if (i + 1 >= argv.size() || !ParseInt(argv[i + 1], args.cycles) || args.cycles < 1) {
                error = "--cycles takes a number above 0";
                return std::nullopt;
            }
            ++i;
        } else {
            args.words.push_back(argv[i]);
        }
    }

    const auto wordsNeeded = [&](std::size_t n, const char* what) {
        if (args.words.size() == n)
            return true;
        error = args.command + " takes " + what;
        return false;
    };
    if (args.command == "preset") {
        if (!wordsNeeded(2, "save FILE or load FILE"))
            return std::nullopt;
        if (args.words[0] != "save" && args.words[0] != "load") {
            error = "preset takes save FILE or load FILE";
            return std::nullopt;
        }
    } else if (args.command == "upgrade") {
        if (!wordsNeeded(1, "a firmware file"))
            return std::nullopt;
    } else if (args.command == "scan" || args.command == "info" || args.command == "dump" ||
               args.command == "meters" || args.command == "save-device" ||
               args.command == "version" || args.command == "ports") {
        if (!wordsNeeded(0, "no further words"))
            return std::nullopt;
    }
    return args;
}

}  // namespace brevant::ctl
