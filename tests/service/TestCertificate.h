// A throwaway certificate and key for the HTTPS and WSS tests, made by the
// openssl program. Started with posix_spawn rather than QProcess: a process
// Qt starts beside the service's threads leaves ThreadSanitizer unable to
// follow them.
#pragma once

#include "core/Timing.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace brevant::test {

// Writes a self-signed certificate for "localhost" to `certificate` and its
// key to `key`; false when openssl is missing or fails within 20 s.
inline bool MakeTestCertificate(const std::string& certificate, const std::string& key)
{
    const char* args[] = {"openssl",
                          "req",
                          "-x509",
                          "-newkey",
                          "ec",
                          "-pkeyopt",
                          "ec_paramgen_curve:prime256v1",
                          "-nodes",
                          "-subj",
                          "/CN=localhost",
                          "-days",
                          "1",
                          "-keyout",
                          key.c_str(),
                          "-out",
                          certificate.c_str(),
                          nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc =
        ::posix_spawnp(&pid, "openssl", &actions, nullptr, const_cast<char* const*>(args), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    int status = 0;
    const Deadline deadline(Micros{20'000'000});
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

}  // namespace brevant::test
