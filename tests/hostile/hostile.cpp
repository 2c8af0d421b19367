// brevantctl against every server of HostileServer.h, raw and RFC 2217:
// `dump` and `meters` where the identity is answered honestly first, `info`
// where the misbehaviour can touch it. Each run must give up in time with exit
// status 1 and a message, within the memory bound, and print no value (a
// failed command prints none: any value is one the server did not hold).
//
// Usage: hostile_tests PATH-TO-BREVANTCTL. Prints a table; exit status 0 when
// every run met every bound. Runs BREVANT_HOSTILE_JOBS (default 8) at once.
#include "tests/hostile/HostileServer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace brevant::hostile {
namespace {

using Clock = std::chrono::steady_clock;
constexpr double kGiveUpSeconds = 15.0;
constexpr double kPeakMegabytes = 20.0;
// A sanitizer's shadow memory and quarantine make the resident size no
// measure of the program's own: there the bound is reported, not held.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kHoldPeak = false;
#else
constexpr bool kHoldPeak = true;
#endif
// A run that has not ended by then is killed (and fails).
constexpr std::chrono::seconds kKillAfter{60};

struct Case {
    HostileKind kind;
    bool rfc2217;
    std::string command;
};

struct Outcome {
    double seconds = 0;
    int exit = -1;
    double peakMegabytes = 0;
    int wrongValues = 0;
    std::string message;  // the last line on standard error
    bool Passed() const
    {
        return seconds <= kGiveUpSeconds && exit == 1 && (!kHoldPeak || peakMegabytes <= kPeakMegabytes) &&
               wrongValues == 0 && !message.empty();
    }
};

// The lines of a file that are not empty.
std::vector<std::string> Lines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

// The peak resident size of `pid` so far, in kilobytes, once it runs
// `program`; 0 before the exec (a forked child still has this process's pages)
// and once it has ended. The rusage of wait4 cannot tell this: Linux carries
// the parent's peak into a child's across fork and exec.
long PeakKilobytes(pid_t pid, const std::string& program)
{
    const std::string proc = "/proc/" + std::to_string(pid);
    char exe[4096];
    const ssize_t n = ::readlink((proc + "/exe").c_str(), exe, sizeof exe - 1);
    if (n <= 0 || std::string(exe, static_cast<std::size_t>(n)) != program)
        return 0;
    std::ifstream status(proc + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return 0;
}

Outcome Run(const std::string& ctl, const Case& c, int index)
{
    HostileServer server(c.kind.hostility, c.rfc2217, c.command != "info");
    Outcome outcome;
    if (server.Port() == 0) {
        outcome.message = "the server could not listen";
        return outcome;
    }
    const std::string address =
        std::string(c.rfc2217 ? "rfc2217" : "tcp") + "://127.0.0.1:" + std::to_string(server.Port());
    const std::string base =
        "/tmp/brevant-hostile-" + std::to_string(::getpid()) + "-" + std::to_string(index);
    const std::string outPath = base + ".out";
    const std::string errPath = base + ".err";
    std::string words[] = {ctl, "--port", address, c.command};
    char* argv[] = {words[0].data(), words[1].data(), words[2].data(), words[3].data(), nullptr};
    const std::string program = std::filesystem::canonical(ctl).string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);

    const Clock::time_point start = Clock::now();
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        outcome.message = "brevantctl could not be started";
        return outcome;
    }
    int status = 0;
    long peak = 0;
    for (;;) {
        peak = std::max(peak, PeakKilobytes(pid, program));
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            break;
        if (Clock::now() - start > kKillAfter)
            ::kill(pid, SIGKILL);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    outcome.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    outcome.exit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    outcome.peakMegabytes = static_cast<double>(peak) / 1024.0;
    outcome.wrongValues = static_cast<int>(Lines(outPath).size());
    const std::vector<std::string> said = Lines(errPath);
    outcome.message = said.empty() ? "" : said.back();
    ::unlink(outPath.c_str());
    ::unlink(errPath.c_str());
    return outcome;
}

std::vector<Case> AllCases()
{
    std::vector<Case> cases;
    for (const HostileKind& kind : kHostileKinds) {
        for (const bool rfc2217 : {false, true}) {
            cases.push_back({kind, rfc2217, "dump"});
            cases.push_back({kind, rfc2217, "meters"});
            if (kind.identityToo)
                cases.push_back({kind, rfc2217, "info"});
        }
    }
    return cases;
}

}  // namespace
}  // namespace brevant::hostile

int main(int argc, char** argv)
{
    using namespace brevant::hostile;
    if (argc != 2) {
        std::fprintf(stderr, "usage: hostile_tests PATH-TO-BREVANTCTL\n");
        return 2;
    }
    const std::string ctl = argv[1];
    const std::vector<Case> cases = AllCases();
    std::vector<Outcome> outcomes(cases.size());
    const char* jobsText = std::getenv("BREVANT_HOSTILE_JOBS");
    const int jobs = std::clamp(jobsText != nullptr ? std::atoi(jobsText) : 8, 1, 32);
    std::atomic<std::size_t> next{0};
    std::vector<std::thread> workers;
    for (int j = 0; j < jobs; ++j) {
        workers.emplace_back([&] {
            for (std::size_t i = next++; i < cases.size(); i = next++)
                outcomes[i] = Run(ctl, cases[i], static_cast<int>(i));
        });
    }
    for (std::thread& w : workers)
        w.join();

    int failed = 0;
    std::printf("| server | transport | command | seconds | exit | peak RSS MB | wrong values | message |\n"
                "|---|---|---|---|---|---|---|---|\n");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const Outcome& o = outcomes[i];
        std::printf("| %s | %s | %s | %.1f | %d | %.1f | %d | %s%s |\n", c.kind.name,
                    c.rfc2217 ? "RFC 2217" : "raw", c.command.c_str(), o.seconds, o.exit, o.peakMegabytes,
                    o.wrongValues, o.message.c_str(), o.Passed() ? "" : "  **FAILED**");
        failed += o.Passed() ? 0 : 1;
    }
    std::printf(failed == 0 ? "every run within its bounds\n" : "%d runs out of bounds\n", failed);
    return failed == 0 ? 0 : 1;
}
