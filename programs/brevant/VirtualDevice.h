// The virtual device: the bundled simulator (brevant-sim), started by the
// program in the background so a user can work with no hardware, for
// example to prepare a preset.
//
// The simulator publishes its pseudo-terminal as COM39 in a private folder
// of this object's; the program's port map looks there for the numbers it
// has no port for (PortMap::WithFallback), so the virtual device is an
// ordinary port to the link. The program owns the process: it ends when
// another device is chosen (Stop) or with this object.
//
// Thread-safety: Start, Stop and Running may be called from any thread; they
// are serialised by a lock.
#pragma once

#include "core/PortMap.h"
#include "procedures/Messages.h"

#include <mutex>
#include <string>
#include <sys/types.h>

namespace brevant {

class VirtualDevice {
public:
    // The port the simulator is published on.
    static constexpr int kPort = kHighestComPort;

    VirtualDevice();
    ~VirtualDevice();  // stops the simulator and removes the folder
    VirtualDevice(const VirtualDevice&) = delete;
    VirtualDevice& operator=(const VirtualDevice&) = delete;

    // The folder the simulator publishes its port in; empty when none could
    // be made (Start then says so).
    const std::string& PortsDir() const { return dir_; }
    // The simulator to run instead of the one found (tests).
    void SetProgram(std::string path);
    // The simulator: brevant-sim next to this program, else on PATH; empty
    // when there is none.
    std::string Program() const;

    // Starts the simulator unless it runs, and waits until its port is
    // there: the port number, or 0 once `report` has been told why not.
    int Start(const Report& report);
    // Ends the simulator, if it runs.
    void Stop();
    bool Running() const;

private:
    bool RunningLocked() const;
    void StopLocked();
    std::string LogText() const;

    mutable std::mutex mutex_;
    std::string dir_;
    std::string program_;     // set by SetProgram; empty: look for it
    mutable pid_t pid_ = -1;  // -1: none runs (reaped when seen ended)
};

}  // namespace brevant
