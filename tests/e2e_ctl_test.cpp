// brevantctl end to end: the program's procedures from the shell, against the
// simulator, found by a scan of the ports folder.
#include "core/Timing.h"
#include "programs/sim/StateFile.h"
#include "tests/Eventually.h"
#include "tests/SimProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brevant::test {
namespace {

class CtlTest : public ::testing::Test {
protected:
    void StartSim(std::vector<std::string> args = {"--no-pacing"})
    {
        sim = std::make_unique<SimProcess>(std::move(args));
        ASSERT_TRUE(sim->Started()) << sim->ReadyLine();
        dir = sim->PortsDir();
    }
    ProgramResult Ctl(std::vector<std::string> words)
    {
        words.insert(words.begin(), {"--ports", dir});
        return RunProgram(BREVANT_CTL_PATH, words);
    }

    std::unique_ptr<SimProcess> sim;
    std::string dir;
    TempDir work{"brevant-ctl"};
};

// What info prints for a known model and for one this program does not know
// (read-only, in no family), as text and as JSON; and an empty ports folder.
TEST_F(CtlTest, ScanAndInfoNameTheModelAndItsFamily)
{
    const struct {
        std::vector<std::string> sim;
        const char* text;
        const char* json;
        const char* err;
    } cases[] = {{{"--no-pacing", "--model", "K217"},
                  "model K217\nfamily 2\n",
                  "\"model\":\"K217\",\"family\":2,",
                  ""},
                 {{"--no-pacing", "--unknown-model"},
                  "model unknown model K999\nfamily unknown\n",
                  "\"model\":\"unknown model K999\",\"family\":null,",
                  "brevantctl: unknown model K999, connected read-only\n"}};
    for (const auto& c : cases) {
        StartSim(c.sim);
        EXPECT_EQ(Ctl({"scan"}).out, "COM3\n");
        auto result = Ctl({"info"});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, std::string("port COM3\n") + c.text + "version SV105\n");
        EXPECT_EQ(result.err, c.err);
        result = Ctl({"--json", "info"});
        EXPECT_EQ(result.out, std::string("{\"port\":\"COM3\",") + c.json + "\"version\":\"SV105\"}\n");
        result = Ctl({"meters", "--cycles", "2"});  // after a Connect: a line a pass
        EXPECT_EQ(result.out.rfind("pass 1: in ", 0), 0u) << result.out << result.err;
    }
    // Read back are the settings every model has, and only those are shown.
    const auto result = Ctl({"dump"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("\nMX:1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1,\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("\nOF:"), std::string::npos) << result.out;
    // The ports the folder holds, and one that cannot be opened, named.
    EXPECT_EQ(Ctl({"ports"}).out.rfind("COM3 ", 0), 0u);
    EXPECT_NE(Ctl({"--port", "5", "version"}).err.find("cannot open COM5"), std::string::npos);
    dir = work.path;  // no port at all
    for (const char* command : {"scan", "info", "dump"}) {
        const auto none = Ctl({command});
        EXPECT_EQ(std::to_string(none.status) + ": " + none.err,
                  "1: Cannot find device\nno serial port is present (COM1..COM39)\n");
    }
}

// Help, the version and wrong usage, answered before any port is looked at.
TEST(CtlUsageTest, ExitStatusAndMessage)
{
    const struct {
        std::vector<std::string> words;
        int status;
        const char* fragment;  // in what it printed, on standard output or error
    } cases[] = {{{"--help"}, 0, "Usage: brevantctl [OPTIONS] SUBCOMMAND"},
                 {{"--version"}, 0, "brevantctl " BREVANT_VERSION "\n"},
                 {{}, 2, "a command is needed: scan, info"},
                 {{"--bogus", "info"}, 2, "unknown option --bogus"},
                 {{"frobnicate"}, 2, "unknown command frobnicate"},
                 {{"preset"}, 2, "preset needs one of: save, load, diff"},
                 {{"--port", "40", "version"}, 2, "not in range 1 to 39"},
                 {{"set", "MG", "5", "3"}, 2, "set: channel 5 is outside 1..4"},
                 {{"set", "OF", "2", "100"}, 2, "value 100 for OF is outside 0 or 300..20000"},
                 {{"get", "MG"}, 2, "MG takes 1 number"},
                 {{"get", "MG", "one"}, 2, "not a number: one"},
                 {{"get", "ZZ", "1"}, 2, "unknown command code ZZ"},
                 {{"set", "ML", "1", "4"}, 2, "ML can only be read"},
                 {{"get", "SMs1"}, 2, "SMs1 is an action"}};
    for (const auto& c : cases) {
        const ProgramResult result = RunProgram(BREVANT_CTL_PATH, c.words);
        EXPECT_EQ(result.status, c.status) << c.fragment << ": " << result.err;
        EXPECT_NE((result.out + result.err).find(c.fragment), std::string::npos) << result.out << result.err;
        EXPECT_TRUE(c.status != 0 || result.err.empty()) << c.fragment << ": " << result.err;
    }
}

// Whether some program holds `path` with an advisory lock, as /proc/locks says.
bool Locked(const std::string& path)
{
    struct stat device {};
    if (::stat(path.c_str(), &device) != 0)
        return false;
    char id[64];
    std::snprintf(id, sizeof id, " %02x:%02x:%lu ", major(device.st_dev), minor(device.st_dev),
                  static_cast<unsigned long>(device.st_ino));
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        if (line.find("FLOCK") != std::string::npos && (line + ' ').find(id) != std::string::npos)
            return true;
    }
    return false;
}

// (A set refused beside the window is the window's test.)
TEST_F(CtlTest, AScanNamesThePortAnotherProgramHoldsAndThatOneFinishes)
{
    StartSim({});  // paced like the real line, so the first session lasts a while
    const std::string terminal = std::filesystem::canonical(dir + "/COM3").string();
    ProgramResult first;
    std::thread running([&] { first = Ctl({"--port", "3", "meters", "--cycles", "20"}); });
    const bool held = Eventually([&] { return Locked(terminal); }, 5.0);
    const auto scan = Ctl({"info"});
    running.join();
    ASSERT_TRUE(held) << "the first session never held the port";
    const std::string inUse = "COM3 (" + terminal + ") is in use by another program\n";
    EXPECT_EQ(scan.status, 1);
    EXPECT_EQ(scan.err, "Cannot find device\nTried COM3: " + inUse);
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(std::count(first.out.begin(), first.out.end(), '\n'), 20) << first.out;
}

// The device goes once the meters are showing; however long the start took on a busy machine.
TEST_F(CtlTest, MetersSayWhenTheDeviceIsLost)
{
    StartSim();
    const std::string out = work / "meters.out";
    const std::string err = work / "meters.err";
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int pid = Spawn(BREVANT_CTL_PATH, {"--ports", dir, "meters"}, outFd, errFd);
    ::close(outFd);
    ::close(errFd);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(Eventually([&] { return !FileText(out).empty(); }));
    const auto start = SteadyClock::now();
    sim->Kill();
    int status = 0;
    if (!Eventually([&] { return ::waitpid(pid, &status, WNOHANG) == pid; })) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "brevantctl meters still ran 10 s after the device went";
    }
    EXPECT_LT(std::chrono::duration<double>(SteadyClock::now() - start).count(), 1.8);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(FileText(err), "device lost on COM3: the other end closed the connection\n");
}

// What a preset file would change; a load that keeps a backup, which a load
// undoes; and the trace, on standard output after what the command printed.
TEST_F(CtlTest, PresetDiffLoadWithBackupAndTrace)
{
    StartSim();
    const std::string own = work / "own.lg";
    const std::string backup = work / "old.lg";
    ASSERT_EQ(Ctl({"preset", "save", own}).status, 0);
    auto result = Ctl({"--json", "dump"});
    EXPECT_EQ(result.out.rfind("{\"DeviceType\":1,\"MG\":[0,0,0,0],\"MB\":0,\"MA\":[0,0,0,0],", 0), 0u)
        << result.out;
    result = Ctl({"preset", "diff", own});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "");

    // The device two settings away from the file.
    ASSERT_EQ(Ctl({"--port", "3", "set", "MG", "2", "9"}).status, 0);
    ASSERT_EQ(Ctl({"--port", "3", "set", "MX", "1", "3", "1"}).status, 0);
    result = Ctl({"preset", "diff", own});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(result.out, "Input 2 gain: 9 dB \u2192 0 dB\nCrosspoint 1\u21923: on \u2192 off\n");
    const std::string changed = Ctl({"dump"}).out;

    // The line sent, then the reply (in however many chunks it came).
    result = Ctl({"--trace", "-", "--port", "3", "get", "MG", "2"});
    const std::regex lines(R"(9\n\d\d:\d\d:\d\d\.\d{3}  COM3  >  MG2r\\r\\n\n)"
                           R"((\d\d:\d\d:\d\d\.\d{3}  COM3  <  [^\n]+\n)+)");
    EXPECT_TRUE(std::regex_match(result.out, lines)) << result.out;

    // Nothing is sent when the backup cannot be written.
    result = Ctl({"preset", "load", own, "--backup", work / "missing/old.lg"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("missing/old.lg"), std::string::npos) << result.err;
    EXPECT_EQ(Ctl({"dump"}).out, changed);
    result = Ctl({"preset", "load", own, "--backup", backup});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "Backup saved to " + backup + "\nOpen successfully\n");
    EXPECT_EQ(Ctl({"preset", "diff", own}).status, 0);
    ASSERT_EQ(Ctl({"preset", "load", backup}).status, 0);
    EXPECT_EQ(Ctl({"dump"}).out, changed);

    // Trouble is 2: no preset, or no device.
    result = Ctl({"preset", "diff", work.Write("no.lg", "no preset\n")});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("no.lg: line 1"), std::string::npos) << result.err;
    sim->Stop();
    EXPECT_EQ(Ctl({"preset", "diff", own}).status, 2);
}

// A device that stops answering in the middle of a preset load: exit 1 and a
// message that counts the settings that went.
TEST_F(CtlTest, APresetLoadCutShortSaysHowFarItGot)
{
    StartSim();
    const std::string file = work / "own.lg";
    ASSERT_EQ(Ctl({"preset", "save", file}).status, 0);
    // Paced, and silent after 130 replies: the read-back and the start of the
    // polling take about a hundred of them.
    StartSim({"--fault-noreply", "1", "--fault-after", "130"});
    const auto result = Ctl({"preset", "load", file});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    const std::regex said(R"(the preset was only partly loaded: ([6-9]|[1-7]\d|80) of 81 settings \(.*)"
                          R"(; the earlier setting was not kept \(--backup OLD keeps it\)\n)");
    EXPECT_TRUE(std::regex_search(result.err, said)) << result.err;
}

// Every model, every setting it has away from the factory's: what a preset
// save keeps comes back exactly after a load on a device that was Reset (the
// diff before counts the settings the model has, each changed), and a
// setting the model lacks is refused by get and set.
struct RoundTrip {
    const char* model;
    int settings;
    std::vector<std::string> absent;
    const char* refusal;
    friend void PrintTo(const RoundTrip& c, std::ostream* out) { *out << c.model; }
};
class CtlRoundTripTest : public CtlTest, public ::testing::WithParamInterface<RoundTrip> {};

TEST_P(CtlRoundTripTest, APresetComesBackExactlyAndWhatTheModelLacksIsRefused)
{
    const RoundTrip& c = GetParam();
    sim::DeviceSettings away;
    int i = 0;
    for (const sim::SettingKey& key : sim::DeviceSettings::AllKeys()) {
        const sim::ParamInfo& info = sim::DeviceSettings::Info(key.param);
        const int span = info.max - info.min + 1;
        const int now = std::clamp(away.Get(key), info.min, info.max) - info.min;
        away.Set(key, info.min + (now + 1 + i++ % (span - 1)) % span);
    }
    ASSERT_TRUE(sim::StateFile(work / "away.state").Save(away));
    StartSim({"--no-pacing", "--model", c.model, "--state", work / "away.state"});
    const std::string a = work / "a.lg";
    ASSERT_EQ(Ctl({"preset", "save", a}).status, 0);

    StartSim({"--no-pacing", "--model", c.model});  // factory settings: every one changed
    auto result = Ctl({"preset", "diff", a});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), c.settings) << result.out;
    result = Ctl({"preset", "load", a});
    ASSERT_EQ(result.status, 0) << result.err;
    result = Ctl({"preset", "diff", a});
    EXPECT_EQ(result.status, 0) << result.out << result.err;
    std::string saved = FileText(a);
    std::erase(saved, '\r');
    EXPECT_EQ(Ctl({"dump"}).out, saved);

    std::vector<std::string> viaPort = {"--port", "3"};
    viaPort.insert(viaPort.end(), c.absent.begin(), c.absent.end());
    for (const auto& words : {c.absent, viaPort}) {
        result = Ctl(words);
        EXPECT_EQ(std::to_string(result.status) + ": " + result.err,
                  std::string("1: brevantctl: ") + c.refusal + "\n");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Models, CtlRoundTripTest,
    ::testing::Values(
        RoundTrip{"K225", 81, {"get", "OD", "1"}, "get OD 1: a K225 has no Output 1 delay"},
        RoundTrip{"K217", 82, {"set", "OF", "1", "500"}, "set OF 1 500: a K217 has no Output 1 low-pass"},
        RoundTrip{"K218", 82, {"get", "ME", "1"}, "get ME 1: a K218 has no Input 1 ERLE meter"}),
    [](const auto& param) { return std::string(param.param.model); });

// Only what fits the device is written to it: a preset of the other family,
// or any write to a model this program does not know (unless --force).
TEST_F(CtlTest, EachModelTakesOnlyWhatFitsIt)
{
    StartSim();
    const std::string own = work / "own.lg";
    ASSERT_EQ(Ctl({"preset", "save", own}).status, 0);
    const std::string before = Ctl({"dump"}).out;
    std::string text = FileText(own);
    ASSERT_EQ(text.rfind("DeviceType:1\r\r\nMG:0,0,0,0,", 0), 0u) << text;
    text.replace(0, 27, "DeviceType:2\r\r\nMG:5,5,5,5,");
    const std::string two = work.Write("two.lg", text);
    const std::string k225 = "the device on COM3 is a K225 (family 1)";
    auto result = Ctl({"preset", "load", two});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "brevantctl: the preset is for family 2 (K217, K218), " + k225 + "; nothing was sent\n");
    EXPECT_EQ(Ctl({"dump"}).out, before);

    StartSim({"--no-pacing", "--unknown-model"});
    const std::string image = work / "new.b";
    ASSERT_EQ(
        RunProgram(BREVANT_SIM_PATH, {"--make-firmware", image, "--version", "321", "--words", "8"}).status,
        0);
    const std::vector<std::vector<std::string>> writes{{"preset", "load", own},
                                                       {"save-device"},
                                                       {"upgrade", image},
                                                       {"set", "MG", "1", "5"},
                                                       {"--port", "3", "set", "MG", "1", "5"}};
    for (const auto& words : writes) {
        result = Ctl(words);
        EXPECT_EQ(result.status, 1) << words.front();
        EXPECT_NE(result.err.find("connected read-only, nothing was sent"), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("--force writes"), std::string::npos) << result.err;
    }
    EXPECT_EQ(Ctl({"--port", "3", "get", "MG", "1"}).out, "0\n");
    EXPECT_EQ(Ctl({"info"}).status, 0);
    std::string said;
    for (auto words : writes) {
        words.insert(words.begin(), "--force");
        result = Ctl(words);
        EXPECT_EQ(result.status, 0) << words[1] << ": " << result.err;
        said += result.out;
    }
    EXPECT_EQ(said, "Open successfully\nSave device successfully\nupdate successfully\n5\n5\n");
    EXPECT_EQ(Ctl({"--port", "3", "version"}).out, "SV321\n");
}

// A device node or a FIFO named for a preset or an image ends the command at
// once with the reason, before the device is looked for (the trace to
// standard output stays empty); a save onto a FIFO leaves it a FIFO.
TEST_F(CtlTest, WhatIsNoFileIsRefusedAtOnceAndNothingIsSent)
{
    StartSim();
    const std::string fifo = work / "preset.lg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string isFifo = fifo + " is a FIFO, not a file\n";
    struct Case {
        std::vector<std::string> words;
        std::string err;
    };
    const Case cases[] = {{{"preset", "load", "/dev/zero"}, "/dev/zero is a character device, not a file\n"},
                          {{"upgrade", fifo}, "update fail: " + isFifo},
                          {{"preset", "save", fifo}, "brevantctl: " + isFifo}};
    for (const Case& c : cases) {
        std::vector<std::string> words = {"10", BREVANT_CTL_PATH, "--ports", dir, "--trace", "-"};
        words.insert(words.end(), c.words.begin(), c.words.end());
        const ProgramResult result = RunProgram("/usr/bin/timeout", words);  // a blocked open fails with 124
        EXPECT_EQ(result.status, 1) << c.err;
        EXPECT_EQ(result.err, c.err);
        EXPECT_EQ(result.out, "");
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

}  // namespace
}  // namespace brevant::test
