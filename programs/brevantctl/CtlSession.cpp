#include "programs/brevantctl/CtlSession.h"

#include "core/BoundedFile.h"
#include "procedures/DeviceFit.h"
#include "procedures/PresetFile.h"
#include "procedures/PresetProcedures.h"
#include "procedures/SaveDevice.h"
#include "procedures/UpgradeProcedure.h"
#include "programs/brevantctl/CtlCommands.h"
#include "programs/brevantctl/CtlOutput.h"

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
    Report ForSuccess()
    {
        return [this](auto t, auto d) { Print(io_.out, t, d); };
    }
    Report ForFailure()
    {
        return [this](auto t, auto d) { Print(io_.err, t, d); };
    }
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
        : params_(params), io_(io), json_(json), printMeters_(printMeters)
    {
    }
    void ReadBackRefreshed(ModelFamily) override { readBackDone = true; }
    void LinkLost(int port) override
    {
        lostPort = port;
        lost = true;
        readBackDone = true;
    }
    void PollPassCompleted(ModelFamily family) override
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
    const std::string undo =
        args.backupFile ? "brevantctl preset load " + *args.backupFile + " restores the earlier setting"
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
    return words + ": a " + ModelText(state.params) + " has no " +
           SettingName({target.command->op, target.at});
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

// One command's session with the device: the steps every command takes in
// turn, then one step per family of commands. Each step prints what went
// wrong and returns the exit status (0: done).
class Session {
public:
    Session(const CtlArgs& args, DeviceLink& link, const CtlStreams& io);
    int Run();

private:
    int Scan();
    bool ReadPreset();
    int Upgrade();
    int Connect();
    int OpenPort();
    int Command();
    int Info();
    int DumpOrPreset();
    int Meters();
    int ReadBack();
    bool ReadBackWhole();
    std::string PresetRefusal();
    int LostStatus();
    void Reason(int number);
    void TellVerdict();

    const CtlArgs& args_;
    DeviceLink& link_;
    const CtlStreams& io_;
    DeviceState& state_;
    SerialPort& port_;
    Printer printer_;
    CtlObserver observer_;
    Connection connection_;
    const bool diff_;
    const int failStatus_;  // preset diff: 1 means "differs"
    // A preset to load or compare (not one to save).
    const bool presetIn_;
    // Everything but the upgrade talks to a connected device: with --port
    // the port is just opened for the single-command tools; otherwise
    // Connect finds it.
    const bool connect_;
    std::optional<Preset> preset_;
};

Session::Session(const CtlArgs& args, DeviceLink& link, const CtlStreams& io)
    : args_(args), link_(link), io_(io), state_(link.State()), port_(link.Port()), printer_(io),
      observer_(state_.params, io, args.json, args.command == "meters"), connection_(link, observer_),
      diff_(args.command == "preset" && args.words[0] == "diff"), failStatus_(diff_ ? 2 : 1),
      presetIn_(args.command == "preset" && args.words[0] != "save"),
      connect_(!(IsLinkCommand(args.command) && args.port >= 1))
{
    // A lost device ends the command: the shell, not the tool, decides
    // whether to try again.
    connection_.SetReconnect(false);
}

int Session::Run()
{
    if (args_.command == "scan")
        return Scan();
    if (presetIn_ && !ReadPreset())
        return failStatus_;
    if (args_.command == "upgrade")
        return Upgrade();
    if (const int status = connect_ ? Connect() : OpenPort(); status != 0)
        return status;
    const int status = Command();
    if (connect_)
        connection_.Disconnect();
    link_.ClosePort();
    return status;
}

int Session::Scan()
{
    if (!connection_.ScanForDevice(3)) {
        printer_.ForFailure()(msg::kCannotFindDevice, connection_.ScanDetail());
        return 1;
    }
    io_.out << "COM" << state_.flags.PortNumber << '\n';
    return 0;
}

// A preset to load or compare is checked before the device is looked for: a
// file that is no preset sends nothing.
bool Session::ReadPreset()
{
    preset_ = LoadPresetFile(args_.words[1], printer_.ForFailure());
    if (!preset_)
        return false;
    if (const std::string clamped = ClampedText(*preset_); !clamped.empty())
        io_.err << args_.words[1] << ": " << clamped << '\n';
    return true;
}

int Session::Upgrade()
{
    // The port named is the one upgraded; without one the device is sought.
    if (args_.port >= 1)
        state_.flags.PortNumber = args_.port;
    if (!PrepareUpgrade(connection_, printer_.Auto()))
        return 1;
    const ProgressFn progress = [&](int percent) {
        if (io_.progressBar)
            DrawProgress(io_.err, percent);
    };
    bool barEnded = false;
    const bool ok = RunUpgrade(connection_, args_.words[0], progress, [&](auto text, auto detail) {
        if (io_.progressBar && !std::exchange(barEnded, true))
            io_.err << '\n';
        printer_.Auto()(text, detail);
    });
    if (!ok)
        return 1;
    // The device is connected again as after Connect: it answers with its new firmware.
    if (!connection_.Connect(printer_.ForFailure())) {
        io_.err << "brevantctl: the device did not answer after the upgrade\n";
        return 1;
    }
    connection_.Disconnect();
    link_.ClosePort();
    return 0;
}

int Session::Connect()
{
    if (args_.port >= 1)
        state_.flags.PortNumber = args_.port;
    std::string told;
    const Report failure = printer_.ForFailure();
    const bool connected = connection_.Connect([&](std::string_view text, std::string_view detail) {
        told = detail;
        failure(text, detail);
    });
    if (!connected) {
        // Unless the message said it already (a port that could not be opened).
        if (args_.port >= 1 && port_.LastError(args_.port) != told) {
            Reason(args_.port);
            TellVerdict();
        }
        return failStatus_;
    }
    if (state_.flags.UnknownModel)
        io_.err << "brevantctl: " << ModelName(state_) << ", connected read-only\n";
    return 0;
}

int Session::OpenPort()
{
    state_.flags.PortNumber = args_.port;
    if (link_.OpenPort())
        return 0;
    // The reason often names the port itself: "tcp://host:4001: the server closed ...".
    const std::string label = port_.Label(args_.port);
    const std::string why = port_.LastError(args_.port);
    if (port_.LastOpenFailure(args_.port) == OpenFailure::InUse) {
        io_.err << "brevantctl: " << why << '\n';  // "COM3 (/dev/ttyUSB0) is in use by another program"
        return 1;
    }
    io_.err << "brevantctl: cannot open ";
    if (why.rfind(label + ": ", 0) == 0 || why.rfind(label + " (", 0) == 0)
        io_.err << why << '\n';
    else
        io_.err << label << (why.empty() ? "" : " (" + why + ")") << '\n';
    return 1;
}

// The command itself, on a connected device (or an open port).
int Session::Command()
{
    // A write goes only to a model this program knows; with --port alone
    // the model is asked first.
    const bool writes = args_.command == "set" || args_.command == "action";
    // So is a setting some models lack, before it is asked for.
    const bool modelMatters = args_.target && !args_.target->command->OnEveryModel();
    if ((writes || modelMatters) && !connect_)
        IdentifyModel(connection_);
    std::string refusal = writes ? WriteRefusal(state_) : std::string();
    if (refusal.empty())
        refusal = AbsentRefusal(args_, state_);
    if (!refusal.empty()) {
        io_.err << "brevantctl: " << refusal << '\n';
        return 1;
    }
    if (args_.command == "info")
        return Info();
    if (args_.command == "dump" || args_.command == "preset")
        return DumpOrPreset();
    if (args_.command == "meters")
        return Meters();
    if (args_.command == "save-device")
        return SaveDevice(link_, printer_.Auto()) ? 0 : 1;
    // The single-command tools (get, set, action, raw); the polling stands
    // back meanwhile.
    PollingHold hold(state_.flags);
    return RunCommand(args_, link_, io_.out, io_.err);
}

int Session::Info()
{
    const bool unknown = state_.flags.UnknownModel;
    const DeviceIdentity device{port_.Label(state_.flags.PortNumber.load()), ModelName(state_),
                                unknown ? 0 : state_.params.DeviceFamily.load(), state_.params.SV.Get()};
    io_.out << InfoText(device, args_.json) << '\n';
    return 0;
}

// dump and preset save, load and diff: each waits for the whole read-back.
int Session::DumpOrPreset()
{
    if (const int status = ReadBack(); status != 0)
        return status;
    if (presetIn_) {
        if (const std::string refusal = PresetRefusal(); !refusal.empty()) {
            io_.err << "brevantctl: " << refusal << '\n';
            return failStatus_;
        }
    }
    if (args_.command == "dump") {
        io_.out << FormatSetting(state_.params, args_.json) << (args_.json ? "\n" : "");
        return 0;
    }
    if (diff_)
        return PrintDiff(*preset_, state_.params, io_.out);
    if (preset_)
        return LoadPreset(connection_, *preset_, args_, io_, printer_);
    return SaveToFile(state_.params, args_.words[1], printer_.Auto()) ? 0 : 1;
}

int Session::Meters()
{
    while (!io_.interrupted && !observer_.lost && (args_.cycles == 0 || observer_.passes < args_.cycles))
        SleepFor(kPollWait);
    return observer_.lost ? LostStatus() : 0;
}

// Waits for the read-back: 0 once it is in whole; otherwise (interrupted,
// device lost, settings unread) the failure is told and its status returned.
int Session::ReadBack()
{
    const bool ended = WaitUntil(observer_.readBackDone, io_.interrupted);
    if (ended && observer_.lost)
        return LostStatus();
    return ended && ReadBackWhole() ? 0 : failStatus_;
}

// Reading settings back is whole or reported: a setting that could not be
// read is named, and the command fails rather than print a guess.
bool Session::ReadBackWhole()
{
    const std::vector<SettingRef> unread = connection_.UnreadSettings();
    if (unread.empty())
        return true;
    io_.err << UnreadSummary(unread) << '\n';
    TellVerdict();
    return false;
}

// What a preset to load or compare does not fit is refused before a byte of
// it is sent (a diff is only told the families differ).
std::string Session::PresetRefusal()
{
    std::string why = diff_ ? std::string() : WriteRefusal(state_);
    if (why.empty())
        why = FamilyRefusal(*preset_, state_.params, port_.Label(state_.flags.PortNumber.load()));
    if (!why.empty() && !diff_ && why.find("nothing was sent") == std::string::npos)
        why += "; nothing was sent";
    return why;
}

int Session::LostStatus()
{
    // What the other end did, as the link saw it: silent, junk, other addresses, ...
    const std::string verdict = link_.Verdict();
    io_.err << "device lost on " << port_.Label(observer_.lostPort) << (verdict.empty() ? "" : ": " + verdict)
            << '\n';
    Reason(observer_.lostPort);
    return failStatus_;
}

// A network port says why it was lost (the server closed, reset, ...).
void Session::Reason(int number)
{
    const std::string why = port_.LastError(number);
    if (!why.empty() && port_.Label(number).rfind("COM", 0) != 0)
        io_.err << "brevantctl: " << why << '\n';
}

void Session::TellVerdict()
{
    if (const std::string verdict = link_.Verdict(); !verdict.empty())
        io_.err << "brevantctl: " << verdict << '\n';
}

int RunSession(const CtlArgs& args, DeviceLink& link, const CtlStreams& io)
{
    // Before the session's connection is made.
    link.State().flags.WritesForced = args.force;
    Session session(args, link, io);
    return session.Run();
}

// A write refused for an unknown model says how to make it all the same.
int WithForceHint(int status, const CtlArgs& args, const DeviceState& state, const CtlStreams& io)
{
    const bool writes = args.command == "set" || args.command == "action" || args.command == "save-device" ||
                        args.command == "upgrade" || (args.command == "preset" && args.words[0] == "load");
    // The session's Disconnect has lowered UnknownModel by now; the family
    // stays 0, the mark of a model this program does not know.
    const bool unknown =
        state.flags.UnknownModel || ToModelFamily(state.params.DeviceFamily) == ModelFamily::Unknown;
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
    } else if (const std::string error = WriteTraceFile(*args.traceFile, trace.Snapshot(), label);
               !error.empty()) {
        io.err << "brevantctl: " << error << '\n';
        if (status == 0)
            status = 1;
    }
    return status;
}

}  // namespace brevant::ctl
