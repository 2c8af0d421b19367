// The serial port over POSIX termios: raw 8N1 at 19200 bit/s, no flow
// control, non-blocking reads.
//
// A port is held exclusively while open: an advisory lock (flock) on the
// device, which every copy of this program honours, root included, and the
// terminal's exclusive mode (TIOCEXCL), which keeps other programs that do
// not lock out (root aside). A port held elsewhere fails to open with
// OpenFailure::InUse and the words "COM3 (/dev/ttyUSB0) is in use by another
// program".
//
// Thread-safety: the table of open ports is guarded by a lock; calls for one
// port are kept from interleaving by the link's port lock.
#pragma once

#include "core/PortMap.h"
#include "core/SerialPort.h"

#include <map>
#include <mutex>
#include <string>

namespace brevant {

class PosixSerialPort final : public SerialPort {
public:
    explicit PosixSerialPort(PortMap map);
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    int Open(int port) override;
    int Configure(int port, int speedCode, int modeCode) override;
    IoResult Write(int port, std::string_view bytes) override;
    IoResult Read(int port, char* buffer, int capacity) override;
    bool Exists(int port) const override;
    void Close(int port) override;
    LineControlResult SetDtr(int port, bool on) override;
    LineControlResult SetRts(int port, bool on) override;
    void Wait(int port, Micros limit, bool untilReadable) override;

    const PortMap& Map() const { return map_; }
    // Why the last Open or Configure of `port` failed, for messages.
    std::string LastError(int port) const override;
    OpenFailure LastOpenFailure(int port) const override;

private:
    int Fd(int port) const;
    LineControlResult SetModemLine(int port, int line, bool on);
    void Fail(int port, std::string why);
    // Fail for Open: records the kind of failure as well; -1.
    int FailOpen(int port, std::string why, OpenFailure kind);
    IoResult Failure(int port, int error, int moved);

    PortMap map_;
    mutable std::mutex mutex_;
    std::map<int, int> fds_;
    std::map<int, std::string> errors_;
    std::map<int, OpenFailure> openFailures_;
};

}  // namespace brevant
