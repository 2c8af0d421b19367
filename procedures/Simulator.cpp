#include "procedures/Simulator.h"

#include "core/LinkError.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace brevant {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSimulatorName = "brevant-sim";

bool Executable(const fs::path& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindSimulator()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && Executable(self.parent_path() / kSimulatorName))
        return fs::weakly_canonical(self.parent_path() / kSimulatorName, ec).string();
    // No part of the programs sets the environment.
    const char* path = std::getenv("PATH");  // NOLINT(concurrency-mt-unsafe)
    std::string_view rest = path == nullptr ? "" : path;
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        if (!folder.empty() && Executable(fs::path(folder) / kSimulatorName))
            return (fs::path(folder) / kSimulatorName).string();
        rest = colon == std::string_view::npos ? "" : rest.substr(colon + 1);
    }
    return {};
}

std::string MakePrivateDir(std::string_view prefix)
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");  // NOLINT(concurrency-mt-unsafe): as above
    std::error_code ec;
    const fs::path base =
        runtime != nullptr && fs::is_directory(runtime, ec) ? fs::path(runtime) : fs::temp_directory_path(ec);
    std::string pattern = (base / (std::string(prefix) + "XXXXXX")).string();
    return ::mkdtemp(pattern.data()) == nullptr ? std::string() : pattern;
}

int SpawnSimulator(const std::string& program, const std::string& dir, int com, const std::string& logPath,
                   std::string* why)
{
    const int logFd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (logFd < 0) {
        *why = logPath + ": " + ErrnoText(errno);
        return -1;
    }
    std::vector<std::string> args = {program, "--ports", dir, "--com", std::to_string(com)};
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, logFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, logFd, STDERR_FILENO);
    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(logFd);
    if (rc != 0) {
        *why = program + ": " + ErrnoText(rc);
        return -1;
    }
    return pid;
}

}  // namespace brevant
