// Runs brevant-sim in a private ports directory for the length of a test.
#pragma once

#include <csignal>
#include <string>
#include <vector>

namespace brevant::test {

class SimProcess {
public:
    // Starts the simulator on COM`com` with the extra arguments and waits for
    // it to publish its port. Started() is false when it did not come up.
    // With `dir` given the port is published there (and the folder is kept);
    // otherwise in a fresh folder of its own.
    explicit SimProcess(std::vector<std::string> extraArgs = {}, int com = 3, std::string dir = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool Started() const { return started_; }
    const std::string& PortsDir() const { return dir_; }
    const std::string& ReadyLine() const { return readyLine_; }
    // Stops it (SIGTERM) and returns its exit status.
    int Stop() { return End(SIGTERM); }
    // Kills it outright (SIGKILL), as a power cut would: nothing is cleaned up.
    int Kill() { return End(SIGKILL); }
    // Freezes it (SIGSTOP): its port stays, but nothing answers; and back.
    void Freeze() const { Send(SIGSTOP); }
    void Thaw() const { Send(SIGCONT); }

private:
    int End(int signal);
    void Send(int signal) const;

    std::string dir_;
    std::string readyLine_;
    int pid_ = -1;
    int outFd_ = -1;
    bool ownsDir_ = false;
    bool started_ = false;
};

// A fresh empty directory under the temporary directory.
std::string MakeTempDir(const std::string& stem);

// A fresh directory that goes away, with all it holds, with the object.
class TempDir {
public:
    explicit TempDir(const std::string& stem) : path(MakeTempDir(stem)) {}
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string operator/(const std::string& name) const { return path + "/" + name; }
    // Writes `bytes` to the file `name` in it; returns the file's path.
    std::string Write(const std::string& name, const std::string& bytes) const;

    const std::string path;
};

// The whole contents of a file; "" when it cannot be read.
std::string FileText(const std::string& path);
// How many entries a directory holds (a temporary file left behind shows here).
long DirEntries(const std::string& dir);

// Runs a program to its end; returns its exit status and what it printed.
struct ProgramResult {
    int status = -1;
    std::string out;
    std::string err;
};
ProgramResult RunProgram(const std::string& path, const std::vector<std::string>& args);
// Starts a program with its output (and errors, given `errFd`) there; its pid or -1.
int Spawn(const std::string& path, const std::vector<std::string>& args, int outFd, int errFd = -1);

}  // namespace brevant::test
