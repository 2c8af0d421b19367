// Sends a firmware image file to the device over the open port and follows the
// device through programming it. UI-free: meant for a worker thread, with the
// progress reported through a callback.
//
// The image file is a sequence of 32-bit little-endian words: three header
// words, then the data words. Each word travels as a six-byte packet: 'U', a
// step letter, and the word most significant byte first. The device echoes the
// headers, answers the last data word, echoes the two closing packets and then
// reports twice while it programs the image.
//
// Thread-safety: holds the link's port lock for the whole transfer, so no
// other exchange comes between its packets; any thread may call it.
#pragma once

#include "procedures/Messages.h"

#include "core/BoundedFile.h"
#include "core/DeviceLink.h"
#include "procedures/FirmwareImage.h"

#include <functional>
#include <string>

namespace brevant {

// An image file as it is read: a regular file of at most kMaxFirmwareBytes.
inline constexpr FileKind kFirmwareFile{BRV_TEXT("brevant::File", "a firmware image"), kMaxFirmwareBytes};

struct FirmwareResult {
    bool ok = false;
    // Why the transfer failed, worded for the user; empty on success.
    std::string reason;
    // What the user should know of the image even when it went: bytes at its
    // end that are not sent (TrailingBytesText).
    std::string note;
};

// Sends the image at `path` on the link's port (PortNumber, already opened by
// the caller). Nothing is sent when the file cannot be read (ReadBoundedFile:
// no regular file, or larger than kMaxFirmwareBytes) or holds less than the
// three header words and one data word. Progress ends at 100 on success. The
// first step that fails ends the transfer; no packet is ever sent twice. The
// Upgrading flag is the caller's to raise.
FirmwareResult TransferFirmware(DeviceLink& link, const std::string& path, const ProgressFn& progress);

}  // namespace brevant
