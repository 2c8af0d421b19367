// The brevantctl commands that run the program's own procedures: scan,
// connect, read-back and polling, presets, save to device, upgrade.
#pragma once

#include "core/DeviceLink.h"
#include "programs/brevantctl/CtlArgs.h"

#include <atomic>
#include <ostream>

namespace brevant::ctl {

struct CtlStreams {
    std::ostream& out;
    std::ostream& err;
    const std::atomic<bool>& interrupted;  // Ctrl-C
    bool progressBar = false;              // draw upgrade progress on err
};

// Runs every command but `ports`. Exit status: 0 done, 1 the device or a file
// failed, 2 wrong usage. With a trace file, every line sent and every reply
// chunk received is written to it at the end (a file that cannot be written
// fails the run); with "-", to `out` after the command's own output. A file
// to write that names no regular file, and an image that cannot be read, end
// the run before the device is looked for.
int RunCtl(const CtlArgs& args, DeviceLink& link, const CtlStreams& io);

}  // namespace brevant::ctl
