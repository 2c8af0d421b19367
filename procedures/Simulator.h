// Finding the bundled simulator, brevant-sim, and a private folder for the
// port it publishes: shared by the window's virtual device and the service's
// "virtual" devices.
//
// Thread-safety: plain functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace brevant {

// brevant-sim beside the running program (installed or in the build tree,
// the programs share one folder), else on the PATH; empty when there is none.
std::string FindSimulator();

// A new folder only this user may enter, under XDG_RUNTIME_DIR (the user's
// own), else the temporary folder, named `prefix` and six random letters;
// empty when none can be made.
std::string MakePrivateDir(std::string_view prefix);

}  // namespace brevant
