// brevant-soak: the headless core against the paced simulator with faults on
// for a long run. Random user changes go out through PanelSend about five
// times a second, the user disconnects and connects every 30 s, and the
// device is killed and restarted every 60 s, so the connection must notice
// and reconnect by itself. At the end the faults go off, the connection
// reads everything back once more, and every setting of the mirror is
// compared with the simulator's own state (its state file, written when it
// stops). Exits 1 when any setting differs or the final read-back never came.
//
//   brevant-soak [--seconds N] [--seed S] [--quiet] [--show-losses]
#include "bench/SoakObserver.h"
#include "core/PosixSerialPort.h"
#include "core/ProtocolTrace.h"
#include "procedures/CommandQueue.h"
#include "procedures/Connection.h"
#include "procedures/PanelSend.h"
#include "programs/sim/StateFile.h"
#include "tests/MirrorCompare.h"
#include "tests/SimProcess.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <string>

namespace brevant::soak {
namespace {

constexpr int kCom = 3;
constexpr auto kChangeEvery = std::chrono::milliseconds(200);
constexpr auto kDisconnectEvery = std::chrono::seconds(30);
constexpr auto kFirstDisconnect = std::chrono::seconds(15);
constexpr auto kKillEvery = std::chrono::seconds(60);
constexpr Micros kFinalWait{60'000'000};

struct Options {
    int seconds = 600;
    std::uint32_t seed = 1;
    bool quiet = false;
    bool showLosses = false;  // print the trace's last records at every lost link
};

bool ParseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto number = [&](auto& out) {
            if (i + 1 >= argc)
                return false;
            const std::string text = argv[++i];
            const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
            return ec == std::errc{} && end == text.data() + text.size();
        };
        if (arg == "--quiet")
            options.quiet = true;
        else if (arg == "--show-losses")
            options.showLosses = true;
        else if (arg == "--seconds" ? !number(options.seconds) || options.seconds < 1
                 : arg == "--seed"  ? !number(options.seed)
                                    : true)
            return false;
    }
    return true;
}

// Resident memory of this process in KiB, from /proc/self/status.
long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

double MillisSince(SteadyClock::time_point start)
{
    return std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count();
}

// Waits up to `limit` for `condition`.
template <typename F>
bool Eventually(F condition, Micros limit)
{
    const Deadline deadline(limit);
    while (!condition()) {
        if (deadline.Expired())
            return false;
        SleepFor(Micros{10'000});
    }
    return true;
}

struct Counts {
    std::atomic<long> made{0};
    std::atomic<long> refused{0};  // no device connected at that moment
    std::atomic<long> confirmed{0};
    std::atomic<long> unconfirmed{0};
    std::atomic<long> unknown{0};  // unconfirmed and the query got no answer either
    std::atomic<long> messages{0};
};

class Soak {
public:
    explicit Soak(const Options& options)
        : options_(options), dir_(test::MakeTempDir("brevant-soak")), stateFile_(dir_ + "/device.state"),
          rng_(options.seed), serial_(PortMap::Directory(dir_)), link_(serial_, state_),
          covered_(UploadList(ModelFamily::K225))
    {
        link_.SetTrace(&trace_);
    }

    ~Soak()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    int Run();

private:
    std::vector<std::string> SimArgs(bool faults) const
    {
        std::vector<std::string> args = {"--state", stateFile_, "--keep-on-exit", "--seed",
                                         std::to_string(options_.seed + simStarts_)};
        if (faults) {
            args.insert(args.end(), {"--fault-noreply", "0.05", "--fault-split", "0.05", "--fault-garbage",
                                     "0.02", "--fault-delay", "0.02", "--delay-ms", "150"});
        }
        return args;
    }
    bool StartSim(bool faults)
    {
        sim_ = std::make_unique<test::SimProcess>(SimArgs(faults), kCom, dir_);
        ++simStarts_;
        if (!sim_->Started())
            std::cerr << "brevant-soak: the simulator did not start: " << sim_->ReadyLine() << '\n';
        return sim_->Started();
    }
    Report Reporter()
    {
        return [this](std::string_view text, std::string_view) {
            ++counts_.messages;
            if (!options_.quiet)
                Say(std::string("message: ") + std::string(text));
        };
    }
    void Say(const std::string& text) const
    {
        const double seconds = std::chrono::duration<double>(SteadyClock::now() - start_).count();
        std::printf("[%7.1f s] %s\n", seconds, text.c_str());
        std::fflush(stdout);
    }
    bool ConnectWithRetries();
    void MakeChange();
    void ShowTraceTail() const;
    void DisconnectAndConnect();
    bool KillAndRestart();

    Options options_;
    std::string dir_;
    std::string stateFile_;
    std::mt19937 rng_;
    DeviceState state_;
    ProtocolTrace trace_;
    PosixSerialPort serial_;
    DeviceLink link_;
    SoakObserver observer_;
    std::unique_ptr<CommandQueue> queue_;
    std::unique_ptr<Connection> connection_;
    std::unique_ptr<test::SimProcess> sim_;
    std::vector<SettingRef> covered_;
    Counts counts_;
    int simStarts_ = 0;
    int kills_ = 0;
    int disconnects_ = 0;
    int connectRetries_ = 0;
    double longestDisconnectMs_ = 0;
    SteadyClock::time_point start_ = SteadyClock::now();
};

bool Soak::ConnectWithRetries()
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (connection_->Connect(Reporter()))
            return true;
        ++connectRetries_;
        SleepFor(Micros{200'000});
    }
    return false;
}

void Soak::ShowTraceTail() const
{
    const auto records = trace_.Snapshot();
    const std::size_t from = records.size() > 40 ? records.size() - 40 : 0;
    Say("link lost; the trace's last records:");
    for (std::size_t i = from; i < records.size(); ++i) {
        std::string bytes;
        for (const char c : records[i].bytes)
            bytes += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
        std::printf("    #%llu %d %s\n", static_cast<unsigned long long>(records[i].sequence),
                    static_cast<int>(records[i].direction), bytes.c_str());
    }
}

// One random user change of a setting the read-back covers, to a value the
// device accepts (now and then "off" for the frequency limits).
void Soak::MakeChange()
{
    const SettingRef& setting =
        covered_[std::uniform_int_distribution<std::size_t>(0, covered_.size() - 1)(rng_)];
    const auto& info = sim::DeviceSettings::Info(test::SimKey(setting).param);
    int32_t value = std::uniform_int_distribution<int32_t>(info.min, info.max)(rng_);
    if (info.offBelowMin && std::uniform_int_distribution<int>(0, 9)(rng_) == 0)
        value = 0;
    ++counts_.made;
    const bool sent = PanelSend(link_, *queue_, {{setting.op, setting.at, value}}, Reporter(),
                                [this](const SendOutcome& outcome) {
                                    if (outcome.Confirmed())
                                        ++counts_.confirmed;
                                    else
                                        ++counts_.unconfirmed;
                                    counts_.unknown += static_cast<long>(outcome.unknown.size());
                                });
    if (!sent)
        ++counts_.refused;
}

void Soak::DisconnectAndConnect()
{
    const auto begin = SteadyClock::now();
    connection_->Disconnect();
    longestDisconnectMs_ = std::max(longestDisconnectMs_, MillisSince(begin));
    ++disconnects_;
    SleepFor(Micros{std::uniform_int_distribution<long>(100'000, 1'000'000)(rng_)});
    if (!ConnectWithRetries())
        Say("Connect failed 50 times in a row");
}

// The device dies without a word (SIGKILL) and comes back after a while on
// the same path, holding what it had stored.
bool Soak::KillAndRestart()
{
    sim_->Kill();
    sim_.reset();
    ++kills_;
    SleepFor(Micros{std::uniform_int_distribution<long>(200'000, 2'000'000)(rng_)});
    return StartSim(true);
}

int Soak::Run()
{
    const long rssStart = ResidentKiB();
    if (!StartSim(true))
        return 2;
    queue_ = std::make_unique<CommandQueue>(state_.flags);
    connection_ = std::make_unique<Connection>(link_, observer_);
    state_.flags.PortNumber = kCom;
    start_ = SteadyClock::now();
    if (!ConnectWithRetries()) {
        std::cerr << "brevant-soak: cannot connect\n";
        return 2;
    }

    const auto end = start_ + std::chrono::seconds(options_.seconds);
    auto nextChange = start_ + kChangeEvery;
    auto nextDisconnect = start_ + kFirstDisconnect;
    auto nextKill = start_ + kKillEvery;
    auto nextProgress = start_ + std::chrono::seconds(60);
    std::uniform_int_distribution<int> jitter(50, 350);
    int lossesShown = 0;
    while (SteadyClock::now() < end) {
        const auto now = SteadyClock::now();
        if (now >= nextChange) {
            MakeChange();
            nextChange = now + std::chrono::milliseconds(jitter(rng_));  // 5 a second on average
        }
        if (now >= nextDisconnect) {
            DisconnectAndConnect();
            nextDisconnect += kDisconnectEvery;
        }
        if (now >= nextKill) {
            if (!KillAndRestart())
                return 2;
            nextKill += kKillEvery;
        }
        if (options_.showLosses && observer_.linksLost.load() > lossesShown) {
            lossesShown = observer_.linksLost.load();
            ShowTraceTail();
        }
        if (!options_.quiet && now >= nextProgress) {
            Say(std::to_string(counts_.made.load()) + " changes, " +
                std::to_string(connection_->Reconnects()) + " reconnects, RSS " +
                std::to_string(ResidentKiB()) + " KiB");
            nextProgress += std::chrono::seconds(60);
        }
        SleepFor(Micros{10'000});
    }
    const double minutes = std::chrono::duration<double>(SteadyClock::now() - start_).count() / 60.0;

    // The end: let the queued changes finish, stop the faulty device (it
    // keeps what it holds), and note how far the mirror had drifted from it.
    const bool drained = queue_->WaitIdle(Micros{30'000'000});
    sim_->Stop();
    auto kept = sim::StateFile(stateFile_).Load();
    const auto driftBefore = test::MirrorDivergences(state_.params, kept.settings, covered_);
    if (!Eventually([&] { return connection_->Lost(); }, Micros{10'000'000}))
        Say("the connection did not notice the device stop");

    // The same device without faults: the connection finds it again by
    // itself and reads every setting back.
    const int readBacksBefore = observer_.readBacks.load();
    const int restoredBefore = observer_.linksRestored.load();
    if (!StartSim(false))
        return 2;
    const bool readBack = Eventually(
        [&] {
            return observer_.linksRestored.load() > restoredBefore &&
                   observer_.readBacks.load() > readBacksBefore && state_.flags.Connected.load();
        },
        kFinalWait);
    const auto unread = connection_->UnreadSettings();
    const int reconnects = connection_->Reconnects();

    // The program's exit: the worker and the queue end, the port closes.
    const auto exitBegin = SteadyClock::now();
    connection_.reset();
    queue_.reset();
    link_.ClosePort();
    const double exitMs = MillisSince(exitBegin);

    // The reference: what the simulator itself holds, written as it stops.
    sim_->Stop();
    kept = sim::StateFile(stateFile_).Load();
    const auto divergences = test::MirrorDivergences(state_.params, kept.settings, covered_);
    const long rssEnd = ResidentKiB();

    std::printf("brevant-soak: %.1f minutes, seed %u\n", minutes, options_.seed);
    std::printf("changes: %ld made, %ld confirmed, %ld reported as not confirmed (%ld left unknown), "
                "%ld refused while not connected\n",
                counts_.made.load(), counts_.confirmed.load(), counts_.unconfirmed.load(),
                counts_.unknown.load(), counts_.refused.load());
    std::printf("reconnects: %d (links lost %d, restored %d); device kills %d; Disconnect/Connect %d "
                "(Connect retried %d times)\n",
                reconnects, observer_.linksLost.load(), observer_.linksRestored.load(), kills_, disconnects_,
                connectRetries_);
    std::printf("read-backs: %d (%d incomplete); polling passes %ld\n", observer_.readBacks.load(),
                observer_.incompleteReadBacks.load(), observer_.pollPasses.load());
    std::printf("final read-back: %s, %zu settings unread; queue drained: %s\n",
                readBack ? "done" : "NEVER CAME", unread.size(), drained ? "yes" : "no");
    std::printf("mirror vs the faulty device when it stopped: %zu settings differ\n", driftBefore.size());
    std::printf(
        "divergences (mirror vs the device's own state after the final read-back): %zu of %zu settings\n",
        divergences.size(), covered_.size());
    for (const auto& line : divergences)
        std::printf("  %s\n", line.c_str());
    if (!options_.quiet) {
        for (const auto& line : driftBefore)
            std::printf("  before the final read-back: %s\n", line.c_str());
    }
    std::printf("longest Disconnect: %.1f ms; exit: %.1f ms\n", longestDisconnectMs_, exitMs);
    std::printf("RSS: %ld KiB at start, %ld KiB at end\n", rssStart, rssEnd);
    const bool ok = readBack && divergences.empty() && kept.status == sim::StateFile::Status::Loaded;
    std::printf("result: %s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}

}  // namespace
}  // namespace brevant::soak

int main(int argc, char** argv)
{
    brevant::soak::Options options;
    if (!brevant::soak::ParseOptions(argc, argv, options)) {
        std::cerr << "usage: brevant-soak [--seconds N] [--seed S] [--quiet] [--show-losses]\n";
        return 2;
    }
    brevant::soak::Soak soak(options);
    return soak.Run();
}
