#include "PosixSerialPort.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace brevant {

namespace {

// Line time of one byte at 19200 bit/s with start and stop bits: ~0.52 ms.
constexpr Micros kByteTime{521};
// Extra patience for a full output buffer before a write gives up.
constexpr Micros kWriteSlack{1'000'000};

bool SpeedFor(int speedCode, speed_t& speed)
{
    switch (speedCode) {
    case kSpeed19200: speed = B19200; return true;
    default: return false;
    }
}

// Mode code: the low two bits give the data bits (0 = 5 ... 3 = 8); the
// protocol uses no parity and one stop bit, so no other bit is accepted.
bool DataBitsFor(int modeCode, tcflag_t& bits)
{
    if ((modeCode & ~3) != 0)
        return false;
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    bits = kSizes[modeCode & 3];
    return true;
}

}  // namespace

PosixSerialPort::PosixSerialPort(PortMap map) : map_(std::move(map)) {}

PosixSerialPort::~PosixSerialPort()
{
    for (const auto& [port, fd] : fds_)
        ::close(fd);
}

int PosixSerialPort::Fd(int port) const
{
    std::lock_guard lock(mutex_);
    const auto it = fds_.find(port);
    return it == fds_.end() ? -1 : it->second;
}

void PosixSerialPort::Fail(int port, std::string why)
{
    std::lock_guard lock(mutex_);
    errors_[port] = std::move(why);
}

std::string PosixSerialPort::LastError(int port) const
{
    std::lock_guard lock(mutex_);
    const auto it = errors_.find(port);
    return it == errors_.end() ? std::string() : it->second;
}

int PosixSerialPort::Open(int port)
{
    if (Fd(port) >= 0) {
        Fail(port, "COM" + std::to_string(port) + " is already open");
        return -1;
    }
    const auto path = map_.PathOf(port);
    if (!path) {
        Fail(port, "COM" + std::to_string(port) + " does not exist (" + map_.Describe() + ")");
        return -1;
    }
    const int fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Fail(port, *path + ": " + std::strerror(errno));
        return -1;
    }
    if (!::isatty(fd)) {
        ::close(fd);
        Fail(port, *path + ": not a serial device");
        return -1;
    }
    std::lock_guard lock(mutex_);
    fds_[port] = fd;
    errors_.erase(port);
    return 0;
}

int PosixSerialPort::Configure(int port, int speedCode, int modeCode)
{
    const int fd = Fd(port);
    speed_t speed{};
    tcflag_t dataBits{};
    if (fd < 0 || !SpeedFor(speedCode, speed) || !DataBitsFor(modeCode, dataBits)) {
        Fail(port, "cannot configure COM" + std::to_string(port));
        return -1;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        Fail(port, std::string("tcgetattr: ") + std::strerror(errno));
        return -1;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= dataBits | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;  // reads return at once
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        Fail(port, std::string("tcsetattr: ") + std::strerror(errno));
        return -1;
    }
    return 0;
}

void PosixSerialPort::Write(int port, std::string_view bytes)
{
    const int fd = Fd(port);
    if (fd < 0)
        return;
    // A full output buffer must not cut the line short: wait for room, within
    // the time the line needs for the rest plus some slack.
    const Deadline deadline(kByteTime * static_cast<long>(bytes.size()) + kWriteSlack);
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return;
        if (deadline.Expired() || !WaitWritable(fd, deadline.Remaining()))
            return;
    }
}

int PosixSerialPort::Read(int port, char* buffer, int capacity)
{
    const int fd = Fd(port);
    if (fd < 0 || capacity <= 0)
        return 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, static_cast<std::size_t>(capacity));
        if (n >= 0)
            return static_cast<int>(n);
        if (errno != EINTR)
            return 0;  // EAGAIN: nothing yet; EIO: the other end is gone
    }
}

void PosixSerialPort::Close(int port)
{
    int fd = -1;
    {
        std::lock_guard lock(mutex_);
        const auto it = fds_.find(port);
        if (it == fds_.end())
            return;
        fd = it->second;
        fds_.erase(it);
    }
    ::close(fd);
}

LineControlResult PosixSerialPort::SetModemLine(int port, int line, bool on)
{
    const int fd = Fd(port);
    if (fd < 0)
        return LineControlResult::Failed;
    if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0)
        return LineControlResult::Done;
    // A pseudo-terminal answers "inappropriate ioctl": it has no modem lines.
    return errno == ENOTTY || errno == EINVAL ? LineControlResult::NotSupported
                                              : LineControlResult::Failed;
}

LineControlResult PosixSerialPort::SetDtr(int port, bool on)
{
    return SetModemLine(port, TIOCM_DTR, on);
}

LineControlResult PosixSerialPort::SetRts(int port, bool on)
{
    return SetModemLine(port, TIOCM_RTS, on);
}

void PosixSerialPort::Wait(int port, Micros limit, bool untilReadable)
{
    const int fd = untilReadable ? Fd(port) : -1;
    if (fd < 0) {
        SleepFor(limit);
        return;
    }
    // A hung-up peer (a vanished adapter, a stopped simulator) makes the port
    // "readable" at once with nothing to read; then the rest of the pause is
    // slept, so that a dead port costs the full re-read budget instead of a
    // spinning core.
    const Deadline deadline(limit);
    if (WaitReadable(fd, limit)) {
        int available = 0;
        if (::ioctl(fd, FIONREAD, &available) != 0 || available == 0)
            SleepFor(deadline.Remaining());
    }
}

}  // namespace brevant
