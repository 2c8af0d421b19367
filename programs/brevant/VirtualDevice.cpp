#include "programs/brevant/VirtualDevice.h"

#include "core/LinkError.h"
#include "core/Timing.h"
#include "procedures/Simulator.h"

#include <QCoreApplication>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace brevant {

namespace {

constexpr const char* kLogName = "simulator.log";
// The simulator publishes its port at once; a loaded machine may take longer.
constexpr Micros kStartLimit{10'000'000};
// It ends within a moment of SIGTERM; one that does not is killed.
constexpr Micros kStopLimit{2'000'000};
constexpr Micros kLookEvery{20'000};

// Has `pid` ended? Reaps it when it has.
bool Ended(pid_t pid)
{
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

}  // namespace

VirtualDevice::VirtualDevice() : dir_(MakePrivateDir("brevant-virtual-")) {}

VirtualDevice::~VirtualDevice()
{
    Stop();
    std::error_code ec;
    if (!dir_.empty())
        fs::remove_all(dir_, ec);
}

void VirtualDevice::SetProgram(std::string path)
{
    std::lock_guard lock(mutex_);
    program_ = std::move(path);
}

std::string VirtualDevice::Program() const
{
    {
        std::lock_guard lock(mutex_);
        if (!program_.empty())
            return program_;
    }
    return FindSimulator();
}

bool VirtualDevice::Running() const
{
    std::lock_guard lock(mutex_);
    return RunningLocked();
}

bool VirtualDevice::RunningLocked() const
{
    if (pid_ > 0 && Ended(pid_))
        pid_ = -1;
    return pid_ > 0;
}

int VirtualDevice::Start(const Report& report)
{
    const std::string program = Program();
    std::lock_guard lock(mutex_);
    const fs::path link = fs::path(dir_) / ("COM" + std::to_string(kPort));
    std::error_code ec;
    if (RunningLocked() && fs::exists(link, ec))
        return kPort;
    StopLocked();
    if (program.empty()) {
        report(QCoreApplication::translate(
                   "brevant::VirtualDevice",
                   "The virtual device needs the simulator, brevant-sim, which was not found")
                   .toStdString(),
               QCoreApplication::translate("brevant::VirtualDevice",
                                           "It is looked for next to brevant and on the PATH.")
                   .toStdString());
        return 0;
    }
    if (dir_.empty()) {
        report(
            QCoreApplication::translate("brevant::VirtualDevice", "The virtual device could not be started")
                .toStdString(),
            QCoreApplication::translate("brevant::VirtualDevice",
                                        "No private folder could be made for its port.")
                .toStdString());
        return 0;
    }

    std::string why;
    const int pid = SpawnSimulator(program, dir_, kPort, (fs::path(dir_) / kLogName).string(), &why);
    if (pid < 0) {
        report(
            QCoreApplication::translate("brevant::VirtualDevice", "The virtual device could not be started")
                .toStdString(),
            why);
        return 0;
    }
    pid_ = pid;

    const Deadline deadline(kStartLimit);
    while (!fs::exists(link, ec)) {
        if (!RunningLocked()) {
            report(QCoreApplication::translate("brevant::VirtualDevice",
                                               "The virtual device could not be started")
                       .toStdString(),
                   QCoreApplication::translate("brevant::VirtualDevice", "The simulator ended: %1")
                       .arg(QString::fromStdString(LogText()))
                       .toStdString());
            return 0;
        }
        if (deadline.Expired()) {
            StopLocked();
            report(QCoreApplication::translate("brevant::VirtualDevice",
                                               "The virtual device could not be started")
                       .toStdString(),
                   QCoreApplication::translate("brevant::VirtualDevice",
                                               "The simulator did not publish its port in time.")
                       .toStdString());
            return 0;
        }
        SleepFor(kLookEvery);
    }
    return kPort;
}

void VirtualDevice::Stop()
{
    std::lock_guard lock(mutex_);
    StopLocked();
}

void VirtualDevice::StopLocked()
{
    if (!RunningLocked())
        return;
    ::kill(pid_, SIGTERM);
    const Deadline deadline(kStopLimit);
    while (!Ended(pid_)) {
        if (deadline.Expired()) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            break;
        }
        SleepFor(kLookEvery);
    }
    pid_ = -1;
}

std::string VirtualDevice::LogText() const
{
    std::ifstream in(fs::path(dir_) / kLogName);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text.empty()
               ? QCoreApplication::translate("brevant::VirtualDevice", "it printed nothing").toStdString()
               : text;
}

}  // namespace brevant
