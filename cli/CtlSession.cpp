#include "CtlSession.h"

#include "BoundedFile.h"
#include "CtlCommands.h"
#include "CtlOutput.h"
#include "DeviceFit.h"
#include "PresetFile.h"
#include "PresetProcedures.h"
#include "SaveDevice.h"
#include "UpgradeProcedure.h"

#include <mutex>
#include <utility>

namespace brevant::ctl {

namespace {

constexpr Micros kPollWait{20'000};
// Enough for the whole session of any command but a long meters run, which
// keeps its newest records.
constexpr std::size_t kTraceCapacity = 100'000;
// --trace - writes the trace to standard output.
constexpr std::string_view kStandardOutput = "-";

// Prints procedure messages: success texts on standard output, failures on
// standard error, each with its detail.
class Printer {
public:
    explicit Printer(const CtlStreams& io) : io_(io) {}
    Report ForSuccess() { return [this](auto t, auto d) { Print(io_.out, t, d); }; }
    Report ForFailure() { return [this](auto t, auto d) { Print(io_.err, t, d); }; }
    // Picks the stream by whether the text is one of the failure texts.
    Report Auto()
    {
        return [this](std::string_view text, std::string_view detail) {
            const bool good = text == msg::kSaveSuccessfully || text == msg::kOpenSuccessfully ||
                              text == msg::kSaveDeviceSuccessfully || text == msg::kUpdateSuccessfully;
            Print(good ? io_.out : io_.err, text, detail);
        };
    }

private:
    void Print(std::ostream& stream, std::string_view text, std::string_view detail)
    {
        std::lock_guard lock(mutex_);
        stream << text;
        // Why a connect failed is a sentence of its own, on the second line.
        const bool ownLine = text == msg::kConnectFail || text == msg::kCannotFindDevice;
        if (!detail.empty())
            stream << (ownLine ? "\n" : ": ") << detail;
        stream << '\n';
    }
    const CtlStreams& io_;
    std::mutex mutex_;
};

// Tells the CLI when the read-back is in and prints the meters on each pass.
class CtlObserver : public ConnectionObserver {
public:
    CtlObserver(const DeviceParams& params, const CtlStreams& io, bool json, bool printMeters)
        : params_(params), io_(io), json_(json), printMeters_(printMeters) {}
    void ReadBackRefreshed(int) override { readBackDone = true; }
    void LinkLost(int port) override
    {
        lostPort = port;
        lost = true;
        readBackDone = true;
    }
    void PollPassCompleted(int family) override
    {
        const int pass = ++passes;
        if (printMeters_)
            io_.out << MetersLine(params_, family, pass, json_) << std::endl;
    }
    void ReadBackEnded() override { readBackDone = true; }

    std::atomic<bool> readBackDone{false};
    std::atomic<int> passes{0};
    std::atomic<bool> lost{false};
    std::atomic<int> lostPort{0};

private:
    const DeviceParams& params_;
    const CtlStreams& io_;
    bool json_;
    bool printMeters_;
};

// A file the command is to write that names something else than a file (a
// device, a FIFO, a directory, a loop of links) is refused before the device
// is looked for, rather than after the session it was to keep.
std::string OutputRefusal(const CtlArgs& args)
{
    std::vector<std::string> outputs;
    if (args.traceFile && *args.traceFile != kStandardOutput)
        outputs.push_back(*args.traceFile);
    if (args.backupFile)
        outputs.push_back(*args.backupFile);
    if (args.command == "preset" && args.words.size() > 1 && args.words[0] == "save")
        outputs.push_back(args.words[1]);
    for (const std::string& path : outputs) {
        if (std::string refusal = WriteRefusal(path); !refusal.empty())
            return refusal;
    }
    return {};
}

bool WaitUntil(const std::atomic<bool>& flag, const std::atomic<bool>& interrupted)
{
    while (!flag && !interrupted)
        SleepFor(kPollWait);
    return flag;
}

void DrawProgress(std::ostream& err, int percent)
{
    const int filled = percent / 5;
    err << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(20 - filled), ' ') << "] " << percent << "%" << std::flush;
}

// preset load, once the device's setting is read back whole: the backup
// first (nothing is sent when it cannot be written), then the upload and a
// new Connect.
int LoadPreset(Connection& connection, const Preset& preset, const CtlArgs& args, const CtlStreams& io,
               Printer& printer)
{
    if (args.backupFile) {
        if (!DeviceSnapshot(connection)) {
            io.err << "brevantctl: the device's setting is not known whole; nothing was sent\n";
            return 1;
        }
        // The mirror holds the snapshot: every setting as just read back.
        const PresetResult saved = WritePresetFile(*args.backupFile, connection.State().params);
        if (!saved.ok) {
            io.err << saved.error << "; nothing was sent\n";
            return 1;
        }
        io.out << "Backup saved to " << *args.backupFile << '\n';
    }
    // The values brought into range were reported when the file was read.
    const Report report = [&](std::string_view text, std::string_view detail) {
        if (text == msg::kOpenSuccessfully)
            io.out << text << '\n';
        else
            printer.Auto()(text, detail);
    };
    const std::string undo = args.backupFile
                                 ? "brevantctl preset load " + *args.backupFile + " restores the earlier setting"
                                 : std::string("the earlier setting was not kept (--backup OLD keeps it)");
    return OpenPreset(connection, preset, report, {}, undo) ? 0 : 1;
}

// get or set of a setting the connected model does not have (a K225's AEC,
// a K217's delay of output 1): why it is refused; empty when it is not. A
// model this program does not know is not judged.
std::string AbsentRefusal(const CtlArgs& args, const DeviceState& state)
{
    const ModelFamily family = ToModelFamily(state.params.DeviceFamily.load());
    if (!args.target || family == ModelFamily::Unknown || state.flags.UnknownModel)
        return {};
    const CommandWords& target = *args.target;
    if (target.command->HasOn(family, target.at.a))
        return {};
    std::string words = args.command;
    for (const std::string& word : args.words)
        words += " " + word;
    return words + ": a " + ModelText(state.params) + " has no " + SettingName({target.command->op, target.at});
}

// preset diff: one line per setting the file would change; 0 when there is
// none, 1 otherwise.
int PrintDiff(const Preset& preset, const DeviceParams& params, std::ostream& out)
{
    const std::vector<std::string> lines = DiffPreset(preset, params);
    for (const std::string& line : lines)
        out << line << '\n';
    return lines.empty() ? 0 : 1;
}

int RunSession(const CtlArgs& args, DeviceLink& link, const CtlStreams& io)
{
    DeviceState& state = link.State();
    state.flags.WritesForced = args.force;
    Printer printer(io);
    CtlObserver observer(state.params, io, args.json, args.command == "meters");
    Connection connection(link, observer);
    // A lost device ends the command: the shell, not the tool, decides
    // whether to try again.
    connection.SetReconnect(false);
    const bool diff = args.command == "preset" && args.words[0] == "diff";
    const int failStatus = diff ? 2 : 1;  // preset diff: 1 means "differs"
    SerialPort& port = link.Port();
    // A network port says why it was lost (the server closed, reset, ...).
    const auto reason = [&](int number) {
        const std::string why = port.LastError(number);
        if (!why.empty() && port.Label(number).rfind("COM", 0) != 0)
            io.err << "brevantctl: " << why << '\n';
    };
    const auto lostStatus = [&] {
        // What the other end did, as the link saw it: silent, junk, other addresses, ...
        const std::string verdict = link.Verdict();
        io.err << "device lost on " << port.Label(observer.lostPort) << (verdict.empty() ? "" : ": " + verdict)
               << '\n';
        reason(observer.lostPort);
        return failStatus;
    };
    // Reading settings back is whole or reported: a setting that could not
    // be read is named, and the command fails rather than print a guess.
    const auto readBackWhole = [&] {
        const std::vector<SettingRef> unread = connection.UnreadSettings();
        if (unread.empty())
            return true;
        io.err << UnreadSummary(unread) << '\n';
        if (const std::string verdict = link.Verdict(); !verdict.empty())
            io.err << "brevantctl: " << verdict << '\n';
        return false;
    };

    if (args.command == "scan") {
        if (!connection.ScanForDevice(3)) {
            printer.ForFailure()(msg::kCannotFindDevice, connection.ScanDetail());
            return 1;
        }
        io.out << "COM" << state.flags.PortNumber << '\n';
        return 0;
    }

    // A preset to load or compare is checked before the device is looked
    // for: a file that is no preset sends nothing.
    const bool presetIn = args.command == "preset" && args.words[0] != "save";
    std::optional<Preset> preset;
    if (presetIn) {
        preset = LoadPresetFile(args.words[1], printer.ForFailure());
        if (!preset)
            return failStatus;
        if (const std::string clamped = ClampedText(*preset); !clamped.empty())
            io.err << args.words[1] << ": " << clamped << '\n';
    }
    if (args.command == "upgrade") {
        if (!PrepareUpgrade(connection, printer.Auto()))
            return 1;
        const ProgressFn progress = [&](int percent) {
            if (io.progressBar)
                DrawProgress(io.err, percent);
        };
        bool barEnded = false;
        const bool ok = RunUpgrade(connection, args.words[0], progress, [&](auto text, auto detail) {
            if (io.progressBar && !std::exchange(barEnded, true))
                io.err << '\n';
            printer.Auto()(text, detail);
        });
        if (!ok)
            return 1;
        // The device is connected again as after Connect: it answers with its new firmware.
        if (!connection.Connect(printer.ForFailure())) {
            io.err << "brevantctl: the device did not answer after the upgrade\n";
            return 1;
        }
        connection.Disconnect();
        link.ClosePort();
        return 0;
    }

    // Everything else talks to a connected device: with --port the port is
    // just opened for the single-command tools; otherwise Connect finds it.
    const bool connect = !(IsLinkCommand(args.command) && args.port >= 1);
    if (connect) {
        if (args.port >= 1)
            state.flags.PortNumber = args.port;
        std::string told;
        const Report failure = printer.ForFailure();
        const bool connected = connection.Connect([&](std::string_view text, std::string_view detail) {
            told = detail;
            failure(text, detail);
        });
        if (!connected) {
            // Unless the message said it already (a port that could not be opened).
            if (args.port >= 1 && port.LastError(args.port) != told) {
                reason(args.port);
                if (const std::string verdict = link.Verdict(); !verdict.empty())
                    io.err << "brevantctl: " << verdict << '\n';
            }
            return failStatus;
        }
        if (state.flags.UnknownModel)
            io.err << "brevantctl: " << ModelName(state) << ", connected read-only\n";
    } else {
        state.flags.PortNumber = args.port;
        if (!link.OpenPort()) {
            // The reason often names the port itself: "tcp://host:4001: the server closed ...".
            const std::string label = port.Label(args.port);
            const std::string why = port.LastError(args.port);
            if (port.LastOpenFailure(args.port) == OpenFailure::InUse) {
                io.err << "brevantctl: " << why << '\n';  // "COM3 (/dev/ttyUSB0) is in use by another program"
                return 1;
            }
            io.err << "brevantctl: cannot open ";
            if (why.rfind(label + ": ", 0) == 0 || why.rfind(label + " (", 0) == 0)
                io.err << why << '\n';
            else
                io.err << label << (why.empty() ? "" : " (" + why + ")") << '\n';
            return 1;
        }
    }

    // A write goes only to a model this program knows; with --port alone
    // the model is asked first.
    const bool writes = args.command == "set" || args.command == "action";
    // So is a setting some models lack, before it is asked for.
    const bool modelMatters = args.target && !args.target->command->OnEveryModel();
    if ((writes || modelMatters) && !connect)
        IdentifyModel(connection);
    // What a preset to load or compare does not fit is refused before a byte
    // of it is sent (a diff is only told the families differ).
    const auto presetRefusal = [&] {
        std::string why = diff ? std::string() : WriteRefusal(state);
        if (why.empty())
            why = FamilyRefusal(*preset, state.params, port.Label(state.flags.PortNumber.load()));
        if (!why.empty() && !diff && why.find("nothing was sent") == std::string::npos)
            why += "; nothing was sent";
        return why;
    };

    int status = 0;
    std::string refusal = writes ? WriteRefusal(state) : std::string();
    if (refusal.empty())
        refusal = AbsentRefusal(args, state);
    if (!refusal.empty()) {
        io.err << "brevantctl: " << refusal << '\n';
        status = 1;
    } else if (args.command == "info") {
        const bool unknown = state.flags.UnknownModel;
        const DeviceIdentity device{port.Label(state.flags.PortNumber.load()),
                                    unknown ? ModelName(state) : state.params.SA.Get(),
                                    unknown ? 0 : state.params.DeviceFamily.load(), state.params.SV.Get()};
        io.out << InfoText(device, args.json) << '\n';
    } else if (args.command == "dump" || args.command == "preset") {
        if (!WaitUntil(observer.readBackDone, io.interrupted))
            status = failStatus;
        else if (observer.lost)
            status = lostStatus();
        else if (!readBackWhole())
            status = failStatus;
        else if (presetIn && !(refusal = presetRefusal()).empty()) {
            io.err << "brevantctl: " << refusal << '\n';
            status = failStatus;
        } else if (args.command == "dump")
            io.out << FormatSetting(state.params, args.json) << (args.json ? "\n" : "");
        else if (diff)
            status = PrintDiff(*preset, state.params, io.out);
        else if (preset)
            status = LoadPreset(connection, *preset, args, io, printer);
        else
            status = SaveToFile(state.params, args.words[1], printer.Auto()) ? 0 : 1;
    } else if (args.command == "meters") {
        while (!io.interrupted && !observer.lost && (args.cycles == 0 || observer.passes < args.cycles))
            SleepFor(kPollWait);
        if (observer.lost)
            status = lostStatus();
    } else if (args.command == "save-device") {
        status = SaveDevice(link, printer.Auto()) ? 0 : 1;
    } else {
        // The single-command tools; the polling stands back meanwhile.
        PollingHold hold(state.flags);
        status = RunCommand(args, link, io.out, io.err);
    }

    if (connect)
        connection.Disconnect();
    link.ClosePort();
    return status;
}

// A write refused for an unknown model says how to make it all the same.
int WithForceHint(int status, const CtlArgs& args, const DeviceState& state, const CtlStreams& io)
{
    const bool writes = args.command == "set" || args.command == "action" || args.command == "save-device" ||
                        args.command == "upgrade" || (args.command == "preset" && args.words[0] == "load");
    // The session's Disconnect has lowered UnknownModel by now; the family
    // stays 0, the mark of a model this program does not know.
    const bool unknown = state.flags.UnknownModel || ToModelFamily(state.params.DeviceFamily) == ModelFamily::Unknown;
    if (status != 0 && writes && unknown && !state.flags.WritesForced)
        io.err << "brevantctl: --force writes to a model this program does not know all the same\n";
    return status;
}

}  // namespace

int RunCtl(const CtlArgs& args, DeviceLink& link, const CtlStreams& io)
{
    if (const std::string refusal = OutputRefusal(args); !refusal.empty()) {
        io.err << "brevantctl: " << refusal << '\n';
        return args.command == "preset" && !args.words.empty() && args.words[0] == "diff" ? 2 : 1;
    }
    // An image that cannot be read is refused before the device is looked for.
    if (args.command == "upgrade") {
        if (const FileBytes image = ReadBoundedFile(args.words[0], kFirmwareFile); !image.bytes) {
            io.err << msg::kUpdateFail << ": " << image.error << '\n';
            return 1;
        }
    }
    const DeviceState& state = link.State();
    if (!args.traceFile)
        return WithForceHint(RunSession(args, link, io), args, state, io);

    ProtocolTrace trace(kTraceCapacity);
    link.SetTrace(&trace);
    int status = WithForceHint(RunSession(args, link, io), args, state, io);
    // The session has ended its exchanges and stopped its worker.
    link.SetTrace(nullptr);
    const TracePortLabel label = [&](int port) { return link.Port().Label(port); };
    if (*args.traceFile == kStandardOutput) {
        io.out << FormatTrace(trace.Snapshot(), label) << std::flush;
    } else if (const std::string error = WriteTraceFile(*args.traceFile, trace.Snapshot(), label); !error.empty()) {
        io.err << "brevantctl: " << error << '\n';
        if (status == 0)
            status = 1;
    }
    return status;
}

}  // namespace brevant::ctl
