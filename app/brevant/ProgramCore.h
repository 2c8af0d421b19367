// Everything the running program holds, built once by main() and passed
// down: the device mirror and link flags, the communication list and the
// protocol trace, the serial port, the link, the
// command queue, the panels' context and refresher, and the connection with
// its read-back worker. Declared in the order they are built, so they are
// taken down in reverse: the worker first, the port last.
#pragma once

#include "CommLog.h"
#include "CommandQueue.h"
#include "Connection.h"
#include "DeviceLink.h"
#include "PanelContext.h"
#include "PanelRefresher.h"
#include "PosixSerialPort.h"
#include "ProtocolTrace.h"

namespace brevant {

struct ProgramCore {
    ProgramCore(PortMap ports, PanelContext::Tell tell)
        : port(std::move(ports))
        , link(port, state, log)
        , queue(state.flags)
        , context(link, queue, std::move(tell))
        , refresher(context)
        , connection(link, refresher)
    {
        link.SetTrace(&trace);
    }

    DeviceState state;
    CommLog log;
    ProtocolTrace trace;
    PosixSerialPort port;
    DeviceLink link;
    CommandQueue queue;
    PanelContext context;
    PanelRefresher refresher;
    Connection connection;
};

}  // namespace brevant
