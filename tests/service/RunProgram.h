// Running a helper program to its end from a service test (the openssl that
// makes a throwaway certificate, the simulator that writes a firmware
// image). Started with posix_spawn rather than QProcess: a process Qt starts
// before the service's threads leaves ThreadSanitizer unable to follow them.
#pragma once

#include "core/Timing.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace brevant::test {

// Runs `args` (the program, found on the PATH, then its arguments) with its
// output thrown away; true when it ends with status 0 within `limit`.
inline bool RunProgram(const std::vector<std::string>& args, Micros limit = Micros{20'000'000})
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    int status = 0;
    const Deadline deadline(limit);
    while (::waitpid(pid, &status, WNOHANG) == 0) {
        if (deadline.Expired()) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return false;
        }
        SleepFor(Micros{20'000});
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A self-signed certificate for "localhost" in `dir`/cert.pem, its key in
// `dir`/key.pem.
inline bool MakeTestCertificate(const std::string& dir)
{
    return RunProgram({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                       "-nodes", "-subj", "/CN=localhost", "-days", "1", "-keyout", dir + "/key.pem", "-out",
                       dir + "/cert.pem"});
}

}  // namespace brevant::test
