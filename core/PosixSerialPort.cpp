#include "core/PosixSerialPort.h"

#include "core/LinkError.h"
#include "core/Translate.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
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

// "COM3 (/dev/ttyUSB0) is in use by another program", with the device the
// port's entry leads to.
std::string InUseText(const std::string& com, const std::string& path)
{
    std::error_code error;
    const std::filesystem::path device = std::filesystem::canonical(path, error);
    return Fill(Tr("brevant::Port", "%1 (%2) is in use by another program"),
                {com, error ? path : device.string()});
}

bool HungUp(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace

PosixSerialPort::PosixSerialPort(PortMap map) : map_(std::move(map)) {}

PosixSerialPort::~PosixSerialPort()
{
    for (const auto& [port, fd] : fds_) {
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
    }
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

OpenFailure PosixSerialPort::LastOpenFailure(int port) const
{
    std::lock_guard lock(mutex_);
    const auto it = openFailures_.find(port);
    return it == openFailures_.end() ? OpenFailure::None : it->second;
}

int PosixSerialPort::FailOpen(int port, std::string why, OpenFailure kind)
{
    std::lock_guard lock(mutex_);
    errors_[port] = std::move(why);
    openFailures_[port] = kind;
    return -1;
}

int PosixSerialPort::Open(int port)
{
    const std::string com = "COM" + std::to_string(port);
    if (Fd(port) >= 0)
        return FailOpen(port, Fill(Tr("brevant::Port", "%1 is already open"), {com}), OpenFailure::Other);
    const auto path = map_.PathOf(port);
    if (!path)
        return FailOpen(port, Fill(Tr("brevant::Port", "%1 does not exist (%2)"), {com, map_.Describe()}),
                        OpenFailure::Missing);
    const int fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == EBUSY)  // the terminal's exclusive mode, set by another program
            return FailOpen(port, InUseText(com, *path), OpenFailure::InUse);
        const OpenFailure kind = error == EACCES || error == EPERM ? OpenFailure::Denied
                                 : error == ENOENT                 ? OpenFailure::Missing
                                                                   : OpenFailure::Other;
        return FailOpen(port, *path + ": " + ErrnoText(error), kind);
    }
    if (!::isatty(fd)) {
        ::close(fd);
        return FailOpen(port, Fill(Tr("brevant::Port", "%1: not a serial device"), {*path}),
                        OpenFailure::Other);
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return FailOpen(port, InUseText(com, *path), OpenFailure::InUse);
        return FailOpen(port, Fill(Tr("brevant::Port", "%1: cannot lock: %2"), {*path, ErrnoText(error)}),
                        OpenFailure::Other);
    }
    // Other programs' opens now fail with EBUSY (root's excepted, which the
    // lock above covers for every copy of this program).
    ::ioctl(fd, TIOCEXCL);
    std::lock_guard lock(mutex_);
    fds_[port] = fd;
    errors_.erase(port);
    openFailures_.erase(port);
    return 0;
}

int PosixSerialPort::Configure(int port, int speedCode, int modeCode)
{
    const int fd = Fd(port);
    speed_t speed{};
    tcflag_t dataBits{};
    if (fd < 0 || !SpeedFor(speedCode, speed) || !DataBitsFor(modeCode, dataBits)) {
        Fail(port, Fill(Tr("brevant::Port", "cannot configure %1"), {"COM" + std::to_string(port)}));
        return -1;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        Fail(port, std::string("tcgetattr: ") + ErrnoText(errno));
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
        Fail(port, std::string("tcsetattr: ") + ErrnoText(errno));
        return -1;
    }
    return 0;
}

IoResult PosixSerialPort::Write(int port, std::string_view bytes)
{
    const int fd = Fd(port);
    if (fd < 0)
        return {IoStatus::Failed, 0, EBADF};
    // A full output buffer must not cut the line short: wait for room, within
    // the time the line needs for the rest plus some slack.
    const Deadline deadline(kByteTime * static_cast<long>(bytes.size()) + kWriteSlack);
    int moved = 0;
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            moved += static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            return Failure(port, errno, moved);
        if (deadline.Expired() || !WaitWritable(fd, deadline.Remaining()))
            return {IoStatus::Failed, moved, ETIMEDOUT};
    }
    return IoResult::Moved(moved);
}

IoResult PosixSerialPort::Read(int port, char* buffer, int capacity)
{
    const int fd = Fd(port);
    if (fd < 0)
        return {IoStatus::Failed, 0, EBADF};
    if (capacity <= 0)
        return IoResult::Nothing();
    for (;;) {
        const ssize_t n = ::read(fd, buffer, static_cast<std::size_t>(capacity));
        if (n > 0)
            return IoResult::Moved(static_cast<int>(n));
        // A raw terminal with no byte waiting reads 0; so does one that was
        // hung up (an unplugged adapter), which poll then reports as such.
        if (n == 0)
            return HungUp(fd) ? IoResult{IoStatus::Gone, 0, ENODEV} : IoResult::Nothing();
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return IoResult::Nothing();
        return Failure(port, errno, 0);
    }
}

IoResult PosixSerialPort::Failure(int port, int error, int moved)
{
    const bool gone = error == EIO || error == ENXIO || error == ENODEV || error == EPIPE || error == EBADF ||
                      !Exists(port);
    Fail(port, std::string("COM") + std::to_string(port) + ": " + ErrnoText(error));
    return {gone ? IoStatus::Gone : IoStatus::Failed, moved, error};
}

bool PosixSerialPort::Exists(int port) const
{
    const auto path = map_.PathOf(port);
    struct stat now {};
    if (!path || ::stat(path->c_str(), &now) != 0)
        return false;
    // The path may now name another device than the one opened (a replugged
    // adapter that came back as another node, a restarted simulator).
    const int fd = Fd(port);
    struct stat opened {};
    if (fd < 0 || ::fstat(fd, &opened) != 0)
        return true;
    return now.st_rdev == opened.st_rdev;
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
    // The exclusive mode outlives this descriptor when another one stays open
    // on the terminal (a pseudo-terminal's owner); the lock goes with it.
    ::ioctl(fd, TIOCNXCL);
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
    return errno == ENOTTY || errno == EINVAL ? LineControlResult::NotSupported : LineControlResult::Failed;
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
