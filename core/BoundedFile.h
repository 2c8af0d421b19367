// The one way the program reads and writes a file a user names: presets,
// firmware images, protocol traces, exports.
//
// Reading takes only a regular file no larger than its kind allows: a device
// node, FIFO, socket or directory is refused before it is opened (opening a
// serial port's node alone would pull its control lines), the open never
// waits, and no more than the bound and one byte is ever read, so neither
// /dev/zero nor a file that grows while it is read can fill the memory.
//
// Writing is whole or not at all: the bytes go to a temporary file beside the
// target, reach the disk, and only then replace the target; the folder is
// synced too, so the replacement survives a power cut. Only a regular file or
// a new name is replaced: a device node, FIFO, socket, directory or a loop of
// symbolic links is refused and left as it is. A target that exists keeps
// its permissions; a symbolic link is written through (its target is
// replaced, the link stays). Whatever fails, the old file stays as it was and
// no temporary file is left behind.
//
// Every message names the path and the reason: "/dev/zero is a character
// device, not a file", "/x/big.lg is larger than a preset can be (64 KiB)",
// "cannot create /x/y.lg: Read-only file system".
//
// Thread-safety: no shared state.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace brevant {

// What a file is read as, for its bound and the message: {"a preset", 65536}.
// The name is marked with BRV_TEXT in the context "brevant::File" and
// translated where a message names it.
struct FileKind {
    std::string_view name;
    std::size_t maxBytes;
};

struct FileBytes {
    std::optional<std::string> bytes;  // the whole file; empty when refused
    std::string error;                 // why not, naming the path
};

FileBytes ReadBoundedFile(const std::string& path, const FileKind& kind);

// Why `size` bytes are more than `kind` may hold ("larger than a preset can
// be (64 KiB)"); empty when they fit. The reading above refuses with it, and
// a parser given the bytes applies the same bound.
std::string SizeRefusal(std::size_t size, const FileKind& kind);

// Why `path` must not be written: it names something other than a regular
// file or a new name. Empty when it may be; whether it then can be (the
// folder exists and is writable, there is room) only the write tells.
std::string WriteRefusal(const std::string& path);

// Empty on success, otherwise the reason (see above).
std::string WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace brevant
