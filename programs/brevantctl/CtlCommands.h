// The commands of brevantctl, run on a link whose port is already open. They
// use the same link operations as the program; only the printing is theirs.
#pragma once

#include "core/DeviceLink.h"
#include "programs/brevantctl/CtlArgs.h"

#include <ostream>

namespace brevant::ctl {

// Runs get, set, action, raw and version; the words were checked when the
// command line was read. Exit status: 0 done, 1 the device did not answer or
// confirm.
int RunCommand(const CtlArgs& args, DeviceLink& link, std::ostream& out, std::ostream& err);

}  // namespace brevant::ctl
