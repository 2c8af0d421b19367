// The commands of brevantctl, run on a link whose port is already open. They
// use the same link operations as the program; only the printing is theirs.
#pragma once

#include "CtlArgs.h"
#include "DeviceLink.h"

#include <ostream>

namespace brevant::ctl {

// Exit status: 0 done, 1 the device did not answer or confirm, 2 bad words.
int RunCommand(const CtlArgs& args, DeviceLink& link, std::ostream& out, std::ostream& err);

}  // namespace brevant::ctl
