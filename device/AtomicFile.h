// Writing a whole file so that it is either the old one or the new one, never
// half of each: the bytes go to a temporary file beside the target, reach the
// disk, and only then replace the target; the folder is synced too, so the
// replacement survives a power cut. A target that exists keeps its
// permissions; a symbolic link is written through (its target is replaced,
// the link stays).
//
// Thread-safety: no shared state.
#pragma once

#include <string>
#include <string_view>

namespace brevant {

// Empty on success, otherwise the reason, naming `path`: "cannot create
// /x/y.lg: Permission denied", "cannot write …", "cannot replace …".
std::string WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace brevant
