// Everything the running program holds, built once by main() and passed
// down: the virtual device, the device mirror and link flags, the
// communication list and the protocol trace, the port router (serial ports
// and network devices), the link, the command queue, the panels' context and refresher, and the connection
// with its read-back worker. Declared in the order they are built, so they are taken down in reverse: the
// worker first, then the port, and the simulator behind the virtual device last.
//
// ProgramCore is the one owner of the device mirror's fresh start (nothing
// known about a device, no port chosen) and of the program's shutdown; the
// form and the panels never reset the mirror or stop the link themselves.
//
// Thread-safety: built, shut down and destroyed on the UI thread.
#pragma once

#include "core/CommLog.h"
#include "core/DeviceLink.h"
#include "core/PortRouter.h"
#include "core/ProtocolTrace.h"
#include "procedures/CommandQueue.h"
#include "procedures/Connection.h"
#include "programs/brevant/ConnectTarget.h"
#include "programs/brevant/VirtualDevice.h"
#include "ui/panels/PanelContext.h"
#include "ui/panels/PanelRefresher.h"

#include <functional>

namespace brevant {

struct ProgramCore final : PortAssigner {
    ProgramCore(PortMap ports, PanelContext::Tell tell)
        : port(ports.WithFallback(virtualDevice.PortsDir())), link(port, state), queue(state.flags),
          context(link, queue, std::move(tell)), refresher(context, state.params), connection(link, refresher)
    {
        link.SetTrace(&trace);
        trace.SetCommLog(&log);
        // A fresh start: nothing known about a device, no port chosen.
        state.params.Reset();
        state.flags.Connected = false;
        state.flags.PortNumber = -1;
    }
    // The program is ending: exchanges still under way or queued fail at
    // once instead of being tried against a port about to close, and the
    // worker stops; `whileStopping` then waits for the window's own work,
    // and the worker and the port are waited for and closed. Safe to call
    // twice; the destructor calls it for a core that was not shut down.
    void Shutdown(const std::function<void()>& whileStopping = {});
    ~ProgramCore() override { Shutdown(); }
    ProgramCore(const ProgramCore&) = delete;
    ProgramCore& operator=(const ProgramCore&) = delete;

    // --port: Connect goes to `address` instead of scanning. Before any
    // device work starts.
    void ChoosePort(const PortAddress& address) { state.flags.PortNumber = port.Assign(address); }
    // A serial port's number is its COM number; a network device gets one
    // of its own from the router.
    int Assign(const PortAddress& address) override { return port.Assign(address); }
    // The serial ports found, without the virtual device's.
    std::vector<PortInfo> SerialPorts() const;
    // Connect To…: connects to `target`, starting the virtual device for it
    // or ending it for any other choice. Runs off the UI thread.
    bool ConnectTo(const ConnectTarget& target, const Report& report);

    VirtualDevice virtualDevice;
    DeviceState state;
    CommLog log;
    ProtocolTrace trace;
    PortRouter port;  // serial ports and network devices by number
    DeviceLink link;
    CommandQueue queue;
    PanelContext context;
    PanelRefresher refresher;
    Connection connection;
};

}  // namespace brevant
