#include "tests/Ser2net.h"

#include "tests/Eventually.h"
#include "tests/LoopbackListener.h"
#include "tests/SimProcess.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace brevant::test {

namespace {

constexpr const char* kSer2net = "/usr/sbin/ser2net";
constexpr double kListenSeconds = 5.0;
constexpr double kStopSeconds = 2.0;  // to end, and then to free its port

// A loopback port nothing listens on now.
int FreePort()
{
    const LoopbackListener bound = ListenOnLoopback(0);
    if (bound.fd >= 0)
        ::close(bound.fd);
    return bound.port;
}

// Does anything listen on 127.0.0.1:port? Read from /proc, so that no
// connection is made (which would make ser2net open the device).
bool Listening(int port)
{
    std::ifstream table("/proc/net/tcp");
    std::string line;
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X", port);
    std::getline(table, line);  // the heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        if (local == wanted && state == "0A")
            return true;
    }
    return false;
}

bool Exited(int pid)
{
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

}  // namespace

std::string Ser2net::Missing()
{
    if (::access(kSer2net, X_OK) != 0)
        return std::string(kSer2net) +
               " is not installed (Debian package ser2net; scripts/install-deps.sh installs it)";
    return {};
}

Ser2net::Ser2net(std::string devicePath, Ser2netOptions options)
    : dir_(MakeTempDir("brevant-ser2net")), devicePath_(std::move(devicePath)), options_(options)
{
    if (options_.tcpPort == 0)
        options_.tcpPort = FreePort();
    Start();
}

Ser2net::~Ser2net()
{
    Stop();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

PortAddress Ser2net::Address() const
{
    PortAddress address;
    address.kind = options_.kind;
    address.host = "127.0.0.1";
    address.tcpPort = options_.tcpPort;
    return address;
}

bool Ser2net::Start()
{
    if (pid_ > 0)
        return true;
    if (const std::string missing = Missing(); !missing.empty()) {
        error_ = missing;
        return false;
    }
    const std::string tcp = std::string(options_.nodelay ? "tcp(nodelay)" : "tcp") + ",127.0.0.1," +
                            std::to_string(options_.tcpPort);
    const std::string config = dir_ + "/ser2net.yaml";
    std::ofstream(config) << "%YAML 1.1\n---\n"
                          << "connection: &brevant\n"
                          << "  accepter: " << (options_.kind == PortKind::Rfc2217 ? "telnet(rfc2217)," : "")
                          << tcp << "\n"
                          << "  connector: serialdev," << devicePath_ << ",19200n81,local\n"
                          << "  options:\n"
                          << "    kickolduser: false\n"
                          << "    max-connections: 1\n";
    // As the README configures it, a reply goes out the moment its line ends
    // instead of after ser2net's pause for more characters; with Nagle on,
    // ser2net keeps all its defaults.
    if (options_.nodelay)
        std::ofstream(config, std::ios::app) << "    sendon: \\r\\n\n";

    const std::string log = dir_ + "/ser2net.log";
    const int logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    pid_ = Spawn(kSer2net, {"-n", "-d", "-c", config, "-P", dir_ + "/ser2net.pid"}, logFd, logFd);
    ::close(logFd);
    if (pid_ < 0) {
        error_ = std::string("cannot start ") + kSer2net;
        return false;
    }
    bool exited = false;
    if (Eventually([&] { return Listening(options_.tcpPort) || (exited = Exited(pid_)); }, kListenSeconds) &&
        !exited)
        return true;
    error_ = "ser2net did not listen on port " + std::to_string(options_.tcpPort) + ": " + Log();
    if (!exited) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    return false;
}

void Ser2net::Stop()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGTERM);
    if (!Eventually([&] { return Exited(pid_); }, kStopSeconds)) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    // The port must be free before a restart listens on it again.
    Eventually([&] { return !Listening(options_.tcpPort); }, kStopSeconds);
}

std::string Ser2net::Log() const
{
    return FileText(dir_ + "/ser2net.log");
}

}  // namespace brevant::test
