#include "tests/SimProcess.h"

#include "core/Timing.h"

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace brevant::test {

namespace {

std::string Drain(int fd)
{
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    return text;
}

int WaitStatus(int pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

int Spawn(const std::string& path, const std::vector<std::string>& args, int outFd, int errFd)
{
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    if (errFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    int pid = -1;
    const int rc = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

std::string MakeTempDir(const std::string& stem)
{
    static std::atomic<int> counter{0};
    const auto dir = std::filesystem::temp_directory_path() /
                     (stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string();
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const
{
    const std::string file = *this / name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
}

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

long DirEntries(const std::string& dir)
{
    return std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator());
}

SimProcess::SimProcess(std::vector<std::string> extraArgs, int com, std::string dir)
    : dir_(dir.empty() ? MakeTempDir("brevant-sim") : dir), ownsDir_(dir.empty())
{
    std::vector<std::string> args = {"--ports", dir_, "--com", std::to_string(com)};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return;
    pid_ = Spawn(BREVANT_SIM_PATH, args, pipeFds[1]);
    ::close(pipeFds[1]);
    outFd_ = pipeFds[0];
    if (pid_ < 0)
        return;
    // Wait up to 10 s for the line that says the port is published.
    const Deadline deadline(Micros{10'000'000});
    std::string text;
    while (text.find('\n') == std::string::npos && !deadline.Expired()) {
        if (!WaitReadable(outFd_, deadline.Remaining()))
            break;
        char buffer[256];
        const ssize_t n = ::read(outFd_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    readyLine_ = text.substr(0, text.find('\n'));
    started_ = readyLine_.rfind("brevant-sim: COM", 0) == 0;
}

int SimProcess::End(int signal)
{
    if (pid_ < 0)
        return -1;
    ::kill(pid_, SIGCONT);  // a frozen simulator must hear the signal
    ::kill(pid_, signal);
    const int status = WaitStatus(pid_);
    pid_ = -1;
    return status;
}

void SimProcess::Send(int signal) const
{
    if (pid_ >= 0)
        ::kill(pid_, signal);
}

SimProcess::~SimProcess()
{
    Stop();
    if (outFd_ >= 0)
        ::close(outFd_);
    std::error_code ec;
    if (ownsDir_)
        std::filesystem::remove_all(dir_, ec);
}

ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args)
{
    ProgramResult result;
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        return result;
    const int pid = Spawn(path, args, outPipe[1], errPipe[1]);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (pid >= 0) {
        // The outputs are small: read stdout to its end, then stderr.
        result.out = Drain(outPipe[0]);
        result.err = Drain(errPipe[0]);
        result.status = WaitStatus(pid);
    }
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    return result;
}

}  // namespace brevant::test
