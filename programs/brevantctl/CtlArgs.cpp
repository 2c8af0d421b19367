#include "programs/brevantctl/CtlArgs.h"

#include <CLI/CLI.hpp>

#include <climits>
#include <sstream>

#ifndef BREVANT_VERSION
#error "BREVANT_VERSION must name the program's version"
#endif

namespace brevant::ctl {

namespace {

constexpr int kHighestCom = 39;

constexpr const char* kFooter =
    "Without --port the device is found as Connect finds it (a scan of COM1..COM39).\n"
    "A device behind a serial device server or ser2net: --port tcp://HOST:PORT (raw)\n"
    "or --port rfc2217://HOST:PORT (RFC 2217, which also sets the server's line to 19200 8N1).\n"
    "--trace FILE writes every line sent and every reply received to FILE at the end\n"
    "(--trace - to standard output, after the command's own output).\n"
    "Exit status: 0 done, 1 the device or a file failed, 2 wrong usage\n"
    "(preset diff: 0 no difference, 1 differences, 2 trouble).";

// The whole command line as CLI11 sees it; the values land in `args`.
class Grammar {
public:
    explicit Grammar(CtlArgs& args)
        : app_("Runs the Brevant procedures on the audio processor from the shell.", "brevantctl")
    {
        app_.set_version_flag("--version", std::string("brevantctl ") + BREVANT_VERSION);
        app_.require_subcommand(1);
        app_.add_option("--ports", args.portsDir, "Look for the ports COM1..COM39 as files in DIR")
            ->type_name("DIR");
        app_.add_option("--port", portText_,
                        "Use this port instead of finding the device: N or COMn (1..39), "
                        "tcp://HOST:PORT (raw TCP) or rfc2217://HOST:PORT")
            ->type_name("PORT")
            ->check(CLI::Validator(
                [](std::string& text) {
                    const PortAddressParse parsed = ParsePortAddress(text);
                    if (!parsed.address)
                        return parsed.error;
                    if (!parsed.address->Network() && parsed.address->com > kHighestCom)
                        return parsed.address->Text() + " is not in range 1 to " +
                               std::to_string(kHighestCom);
                    return std::string();
                },
                "PORT"));
        app_.add_flag("--json", args.json, "Print info, dump, meters, version and raw as JSON");
        app_.add_option("--trace", args.traceFile,
                        "Write the session's lines to FILE (- for standard output) at the end")
            ->type_name("FILE");
        app_.add_flag("--force", args.force,
                      "Write to a device of a model this program does not know (set, action, "
                      "preset load, save-device, upgrade), which is otherwise refused");

        Plain("scan", "Find the device on COM1..COM39");
        Plain("info", "Connect; print port, model, family and version");
        Words("get", "Query one value and print it", "CODE [CH [OUT]]");
        Words("set", "Set one value (up to 8 tries) and print what the device holds",
              "CODE [CH [OUT]] VALUE");
        Words("action", "Run an action (SMs1, CEs1, SSs1, CGs0..CGs3)", "CODE");
        Words("raw", "Send TEXT with CR LF and print the reply, escaped", "TEXT")->required();
        Plain("version", "Read the device's version text");
        Plain("dump", "Connect, read every setting back and print it as a preset");
        app_.add_subcommand("meters", "Connect and print the meters after every polling pass")
            ->add_option("--cycles", args.cycles, "Stop after N passes")
            ->type_name("N")
            ->check(CLI::Range(1, INT_MAX));
        AddPreset(args);
        Plain("save-device", "Make the device keep its present setting");
        app_.add_subcommand("upgrade", "Send a firmware image to the device")
            ->add_option("FILE", file_, "The firmware image")
            ->required();
        Plain("ports", "List the serial ports COM1..COM39 that exist, with their USB adapters");
        app_.add_subcommand("help", "Print the help of a command")
            ->add_option("COMMAND", topic_, "The command, e.g. set or preset load");
        // After the commands, which would otherwise repeat it in their help.
        app_.footer(kFooter);
    }

    CtlParse Parse(const std::vector<std::string>& argv, CtlArgs& args)
    {
        CtlParse result;
        std::vector<std::string> reversed(argv.rbegin(), argv.rend());
        try {
            app_.parse(reversed);
        } catch (const CLI::ParseError& e) {
            if (e.get_exit_code() != 0)
                return Wrong(Explain(e));
            // Help or the version.
            std::ostringstream out;
            std::ostringstream err;
            app_.exit(e, out, err);
            result.out = out.str();
            result.error = err.str();
            return result;
        }
        if (!portText_.empty()) {
            args.portAddress = ParsePortAddress(portText_).address;  // checked above
            if (args.portAddress && !args.portAddress->Network())
                args.port = args.portAddress->com;
        }
        const CLI::App* chosen = app_.get_subcommands().front();
        args.command = chosen->get_name();
        if (args.command == "help")
            return Help();
        if (args.command == "preset") {
            const CLI::App* verb = chosen->get_subcommands().front();
            args.words = {verb->get_name(), file_};
        } else if (args.command == "upgrade") {
            args.words = {file_};
        } else {
            args.words = words_;
        }
        if (args.command == "get" || args.command == "set" || args.command == "action") {
            std::string error;
            args.target = ReadCommandWords(args.command, args.words, error);
            if (!args.target)
                return Wrong(args.command + ": " + error);
        }
        result.args = args;
        return result;
    }

private:
    void Plain(const char* name, const char* what) { app_.add_subcommand(name, what); }

    // A command whose words are checked after parsing (ReadCommandWords);
    // numbers may be negative.
    CLI::Option* Words(const char* name, const char* what, const char* words)
    {
        return app_.add_subcommand(name, what)->add_option("WORDS", words_, words)->type_name("");
    }

    void AddPreset(CtlArgs& args)
    {
        CLI::App* preset = app_.add_subcommand("preset", "Preset files: save, load or compare the setting");
        preset->require_subcommand(1);
        preset->add_subcommand("save", "Connect, read back and write the setting to FILE")
            ->add_option("FILE", file_, "The preset file to write")
            ->required();
        CLI::App* load = preset->add_subcommand(
            "load", "Check FILE, connect and read back, then send FILE's values to the device");
        load->add_option("FILE", file_, "The preset file to send")->required();
        load->add_option("--backup", args.backupFile, "First save the device's setting to OLD")
            ->type_name("OLD");
        preset->add_subcommand("diff", "Connect, read back and print where FILE differs from the device")
            ->add_option("FILE", file_, "The preset file to compare")
            ->required();
    }

    // The deepest command the words chose ("" at the top) and its app.
    std::pair<std::string, const CLI::App*> Chosen() const
    {
        std::string path;
        const CLI::App* at = &app_;
        while (!at->get_subcommands().empty()) {
            at = at->get_subcommands().front();
            path += (path.empty() ? "" : " ") + at->get_name();
        }
        return {path, at};
    }

    // Says what was wrong in the words of this program where CLI11's own
    // message would be vague ("A subcommand is required").
    std::string Explain(const CLI::ParseError& e) const
    {
        const auto [path, at] = Chosen();
        const std::vector<std::string> extra = app_.remaining(true);
        if (!extra.empty()) {
            if (extra.front().rfind('-', 0) == 0)
                return "unknown option " + extra.front();
            return (path.empty() ? "unknown command " : path + ": unexpected word ") + extra.front();
        }
        const bool noCommand = dynamic_cast<const CLI::RequiredError*>(&e) != nullptr &&
                               std::string_view(e.what()).find("ubcommand") != std::string_view::npos;
        if (noCommand) {
            std::string names;
            for (const CLI::App* sub : at->get_subcommands([](const CLI::App*) { return true; }))
                names += (names.empty() ? "" : ", ") + sub->get_name();
            return (path.empty() ? std::string("a command is needed") : path + " needs one of") + ": " +
                   names;
        }
        return path.empty() ? std::string(e.what()) : path + ": " + e.what();
    }

    CtlParse Help()
    {
        const CLI::App* at = &app_;
        std::string prefix;
        for (const std::string& word : topic_) {
            prefix += (prefix.empty() ? "" : " ") + at->get_name();
            const auto subs =
                at->get_subcommands([&](const CLI::App* sub) { return sub->get_name() == word; });
            if (subs.empty())
                return Wrong("help: no command " + word);
            at = subs.front();
        }
        CtlParse result;
        result.out = at->help(prefix);
        return result;
    }

    static CtlParse Wrong(const std::string& error)
    {
        CtlParse result;
        result.status = 2;
        result.error = "brevantctl: " + error + "\nRun 'brevantctl --help' for more information.\n";
        return result;
    }

    CLI::App app_;
    std::vector<std::string> words_;
    std::vector<std::string> topic_;
    std::string file_;
    std::string portText_;
};

}  // namespace

bool IsLinkCommand(const std::string& command)
{
    return command == "get" || command == "set" || command == "action" || command == "raw" ||
           command == "version";
}

CtlParse ParseCtlArgs(const std::vector<std::string>& argv)
{
    CtlArgs args;
    Grammar grammar(args);
    return grammar.Parse(argv, args);
}

}  // namespace brevant::ctl
