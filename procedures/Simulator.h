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

// Starts `program` publishing its port as COM`com` in `dir`, its output going
// to the file `logPath` and its input from /dev/null. The process's id, or
// -1 with the reason in *why.
int SpawnSimulator(const std::string& program, const std::string& dir, int com, const std::string& logPath,
                   std::string* why);

}  // namespace brevant
