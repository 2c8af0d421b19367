// The serial port operations the link relies on, addressed by port number
// (COM1 = 1). PosixSerialPort implements them over termios; tests put a
// scripted fake in its place.
//
// Thread-safety: implementations must tolerate calls from several threads,
// but the link never runs two exchanges on one port at once (DeviceLink holds
// its port lock around every exchange), so per-port calls never interleave.
#pragma once

#include "Timing.h"

#include <string_view>

namespace brevant {

// Line settings as the protocol names them.
inline constexpr int kSpeed19200 = 14;  // line-speed code for 19200 bit/s
inline constexpr int kMode8N1 = 3;      // line-mode code for 8 data bits, no parity, 1 stop bit

enum class LineControlResult { Done, NotSupported, Failed };

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // 0 = opened; anything else is a failure.
    virtual int Open(int port) = 0;
    // 0 = configured; anything else is a failure. No flow control, no time-outs.
    virtual int Configure(int port, int speedCode, int modeCode) = 0;
    // Sends every byte, waiting while the OS buffer is full. The result is not examined.
    virtual void Write(int port, std::string_view bytes) = 0;
    // Never blocks: the number of bytes copied, below 1 when nothing has arrived.
    virtual int Read(int port, char* buffer, int capacity) = 0;
    // Harmless when the port is not open.
    virtual void Close(int port) = 0;
    virtual LineControlResult SetDtr(int port, bool on) = 0;
    virtual LineControlResult SetRts(int port, bool on) = 0;

    // Waits `limit`; with untilReadable, returns early once bytes can be read.
    // This is the only way the link lets time pass, so a fake can keep time itself.
    virtual void Wait(int port, Micros limit, bool untilReadable) = 0;
};

}  // namespace brevant
