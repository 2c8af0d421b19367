#include "programs/sim/SimOptions.h"

#include <charconv>
#include <set>
#include <sstream>
#include <string_view>

namespace brevant::sim {
namespace {

template <typename Number>
Number ParseNumber(const std::string& option, const std::string& text, Number min, Number max)
{
    Number value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || value < min || value > max) {
        std::ostringstream message;
        message << option << ": expected a number from " << min << " to " << max << ", got \"" << text << '"';
        throw UsageError(message.str());
    }
    return value;
}

double ParseProbability(const std::string& option, const std::string& text)
{
    return ParseNumber<double>(option, text, 0.0, 1.0);
}

// Stores one option, its value already checked to be there when it needs one.
void Apply(SimOptions& options, const std::string& option, const std::string& value)
{
    if (option == "--help" || option == "-h")
        options.help = true;
    else if (option == "--no-pacing")
        options.paced = false;
    else if (option == "--silent")
        options.silent = true;
    else if (option == "--unknown-model")
        options.unknownModel = true;
    else if (option == "--keep-on-exit")
        options.keepOnExit = true;
    else if (option == "--ports")
        options.portsDir = value;
    else if (option == "--com")
        options.comNumber = ParseNumber<int>(option, value, 1, 255);
    else if (option == "--state")
        options.stateFile = value;
    else if (option == "--seed")
        options.seed = ParseNumber<std::uint32_t>(option, value, 0, UINT32_MAX);
    else if (option == "--fault-noreply")
        options.faults.noReply = ParseProbability(option, value);
    else if (option == "--fault-split")
        options.faults.split = ParseProbability(option, value);
    else if (option == "--fault-garbage")
        options.faults.garbage = ParseProbability(option, value);
    else if (option == "--fault-delay")
        options.faults.delay = ParseProbability(option, value);
    else if (option == "--fault-after")
        options.faults.after = ParseNumber<int>(option, value, 0, 1'000'000);
    else if (option == "--delay-ms")
        options.faults.delayTime = std::chrono::milliseconds(ParseNumber<int>(option, value, 0, 60'000));
    else if (option == "--version")
        options.firmwareVersion = ParseNumber<std::uint32_t>(option, value, 0, UINT32_MAX);
    else if (option == "--make-firmware")
        options.makeFirmware = value;
    else if (option == "--words")
        options.firmwareWords = ParseNumber<std::uint32_t>(option, value, 0, 1u << 24);
    else if (option == "--model") {
        const auto model = ParseProductModel(value);
        if (!model)
            throw UsageError("--model: expected K225, K217 or K218, got \"" + value + "\"");
        options.model = *model;
    }
}

}  // namespace

const char* SimUsage()
{
    return "usage: brevant-sim --ports DIR [--com N] [--model K225|K217|K218] [--state FILE]\n"
           "                   [--seed S] [--no-pacing] [--silent] [--unknown-model] [--keep-on-exit]\n"
           "                   [--fault-noreply P] [--fault-split P] [--fault-garbage P]\n"
           "                   [--fault-delay P] [--delay-ms MS] [--fault-after N] [--version V]\n"
           "       brevant-sim --make-firmware FILE --version V --words N [--seed S]\n";
}

SimOptions ParseSimOptions(const std::vector<std::string>& args)
{
    static const std::set<std::string_view> kFlags{"--no-pacing",    "--silent", "--unknown-model",
                                                   "--keep-on-exit", "--help",   "-h"};
    static const std::set<std::string_view> kWithValue{
        "--ports",         "--com",         "--model",         "--state",       "--seed",
        "--fault-noreply", "--fault-split", "--fault-garbage", "--fault-delay", "--fault-after",
        "--delay-ms",      "--version",     "--make-firmware", "--words"};
    static const std::set<std::string_view> kFirmwareOnly{"--make-firmware", "--words", "--version",
                                                          "--seed"};

    SimOptions options;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string option = args[i];
        std::optional<std::string> value;
        if (const auto eq = option.find('='); option.starts_with("--") && eq != std::string::npos) {
            value = option.substr(eq + 1);
            option.resize(eq);
        }
        if (kFlags.contains(option)) {
            if (value)
                throw UsageError(option + " takes no value");
        } else if (kWithValue.contains(option)) {
            if (!value) {
                if (i + 1 >= args.size())
                    throw UsageError(option + " needs a value");
                value = args[++i];
            }
        } else {
            throw UsageError("unknown option \"" + option + "\"");
        }
        seen.insert(option);

        Apply(options, option, value ? *value : std::string());
        if (value && value->empty())
            throw UsageError(option + " needs a value");
    }

    if (options.help)
        return options;
    if (!options.makeFirmware.empty()) {
        for (const auto& option : seen)
            if (!kFirmwareOnly.contains(option))
                throw UsageError(option + " cannot be used with --make-firmware");
        if (!options.firmwareVersion || !options.firmwareWords)
            throw UsageError("--make-firmware needs --version and --words");
        return options;
    }
    if (seen.contains("--words"))
        throw UsageError("--words is only for --make-firmware");
    if (options.portsDir.empty())
        throw UsageError("--ports DIR is required");
    if (options.keepOnExit && options.stateFile.empty())
        throw UsageError("--keep-on-exit needs --state FILE");
    return options;
}

}  // namespace brevant::sim
