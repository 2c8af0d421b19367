// The serial port operations the link relies on, addressed by port number
// (COM1 = 1). PosixSerialPort implements them over termios, NetworkPort over
// TCP (raw or RFC 2217), and PortRouter hands each number to one of them;
// tests put a scripted fake in its place.
//
// Every read and write says what happened: bytes moved, nothing yet, the port
// gone (the adapter unplugged, the device file removed, the other end hung
// up), or some other failure. The link turns "gone" into LinkError::PortGone.
//
// Thread-safety: implementations must tolerate calls from several threads,
// but the link never runs two exchanges on one port at once (DeviceLink holds
// its port lock around every exchange), so per-port calls never interleave.
#pragma once

#include "core/Timing.h"

#include <string>
#include <string_view>

namespace brevant {

// Line settings as the protocol names them.
inline constexpr int kSpeed19200 = 14;  // line-speed code for 19200 bit/s
inline constexpr int kMode8N1 = 3;      // line-mode code for 8 data bits, no parity, 1 stop bit

enum class LineControlResult { Done, NotSupported, Failed };

// What kind of failure the last Open of a port was, for the scan and its
// messages: a port another program holds, or one the user may not open, is
// named; a port that is not there is passed over quietly.
enum class OpenFailure { None, Missing, InUse, Denied, Other };

enum class IoStatus {
    Ok,      // `count` bytes were moved (a write moved them all)
    NoData,  // a read found nothing yet
    Gone,    // the port is gone: hang-up, EIO/ENXIO/ENODEV, the device file removed
    Failed,  // any other failure (the port not open, a write that timed out, ...)
};

struct IoResult {
    IoStatus status = IoStatus::Ok;
    int count = 0;  // bytes moved
    int error = 0;  // errno of a failure, 0 when none applies

    static constexpr IoResult Moved(int n) { return {IoStatus::Ok, n, 0}; }
    static constexpr IoResult Nothing() { return {IoStatus::NoData, 0, 0}; }
    bool Ok() const { return status == IoStatus::Ok; }
    bool Gone() const { return status == IoStatus::Gone; }
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // 0 = opened; anything else is a failure. A serial port is opened for
    // this program alone: one that another program holds is refused (InUse).
    virtual int Open(int port) = 0;
    // 0 = configured; anything else is a failure. No flow control, no time-outs.
    virtual int Configure(int port, int speedCode, int modeCode) = 0;
    // Sends every byte, waiting while the OS buffer is full.
    virtual IoResult Write(int port, std::string_view bytes) = 0;
    // Never blocks: Ok with the bytes copied, NoData when nothing has arrived.
    virtual IoResult Read(int port, char* buffer, int capacity) = 0;
    // Harmless when the port is not open.
    virtual void Close(int port) = 0;
    virtual LineControlResult SetDtr(int port, bool on) = 0;
    virtual LineControlResult SetRts(int port, bool on) = 0;
    // Does the device file of `port` exist (now, not when it was opened)?
    // A port that cannot tell answers true.
    virtual bool Exists(int /*port*/) const { return true; }
    // How messages name `port`: "COM3", or "tcp://host:4001" for a port
    // that PortRouter gave a network device.
    virtual std::string Label(int port) const { return "COM" + std::to_string(port); }
    // Why the last Open or Configure of `port` failed, for messages; empty
    // when the port cannot tell.
    virtual std::string LastError(int /*port*/) const { return {}; }
    // The kind of the last Open's failure on `port`: None after an Open that
    // succeeded. A port that cannot tell always answers Other, so ask it only
    // after an Open that failed.
    virtual OpenFailure LastOpenFailure(int /*port*/) const { return OpenFailure::Other; }
    // Time a reply on `port` may take beyond what the device itself needs:
    // a network hop delays replies and tears them across reads.
    virtual Micros ReplySlack(int /*port*/) const { return Micros{0}; }
    // Whether `port` reaches its device through a network server rather
    // than a serial line of this machine.
    virtual bool OverNetwork(int /*port*/) const { return false; }

    // Waits `limit`; with untilReadable, returns early once bytes can be read.
    // This is the only way the link lets time pass, so a fake can keep time itself.
    virtual void Wait(int port, Micros limit, bool untilReadable) = 0;
    // The clock the link's deadlines are measured on: the one Wait lets pass.
    virtual SteadyClock::time_point Clock() const { return SteadyClock::now(); }
};

}  // namespace brevant
