#include "TearRelay.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace brevant::test {
namespace {

constexpr int kPollMs = 10;
// Device output that has no line end yet is handed over as it is once the
// device has been quiet this long (garbage without a line end, say).
constexpr Micros kPartialFlush{20'000};
constexpr Micros kWriteLimit{1'000'000};

bool MakeRaw(int fd)
{
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

bool SetNonBlocking(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

TearRelay::TearRelay(const std::string& upstreamPath, const std::string& outDir, int com, Micros gap)
    : linkPath_(outDir + "/COM" + std::to_string(com)), gap_(gap)
{
    upstreamFd_ = ::open(upstreamPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (upstreamFd_ < 0 || !MakeRaw(upstreamFd_)) {
        error_ = "cannot open " + upstreamPath;
        return;
    }
    masterFd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (masterFd_ < 0 || ::grantpt(masterFd_) != 0 || ::unlockpt(masterFd_) != 0
        || ::ptsname_r(masterFd_, name, sizeof name) != 0 || !SetNonBlocking(masterFd_)) {
        error_ = "cannot make a pseudo-terminal";
        return;
    }
    slaveFd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slaveFd_ < 0 || !MakeRaw(slaveFd_)) {
        error_ = std::string("cannot open ") + name;
        return;
    }
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    std::filesystem::remove(linkPath_, ec);
    std::filesystem::create_symlink(name, linkPath_, ec);
    if (ec) {
        error_ = "cannot publish " + linkPath_ + ": " + ec.message();
        return;
    }
    started_ = true;
    thread_ = std::thread([this] { Run(); });
}

TearRelay::~TearRelay()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    CloseOwnPort();
    if (upstreamFd_ >= 0)
        ::close(upstreamFd_);
}

void TearRelay::CloseOwnPort()
{
    if (started_) {
        std::error_code ec;
        std::filesystem::remove(linkPath_, ec);
    }
    if (masterFd_ >= 0)
        ::close(masterFd_);
    if (slaveFd_ >= 0)
        ::close(slaveFd_);
    masterFd_ = -1;
    slaveFd_ = -1;
}

void TearRelay::Run()
{
    auto lastDeviceByte = SteadyClock::now();
    while (!stop_) {
        pollfd fds[2] = {{upstreamFd_, POLLIN, 0}, {masterFd_, POLLIN, 0}};
        const int ready = ::poll(fds, 2, kPollMs);
        if (ready < 0 && errno != EINTR)
            break;
        if ((fds[1].revents & POLLIN) != 0)
            ForwardToDevice();
        else if ((fds[1].revents & (POLLHUP | POLLERR)) != 0)
            SleepFor(Micros{kPollMs * 1000});  // should not happen with our slave open; never spin
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0) {
            if (!ReadFromDevice()) {
                ForwardReplies(true);
                CloseOwnPort();
                gone_ = true;
                return;
            }
            lastDeviceByte = SteadyClock::now();
            ForwardReplies(false);
        } else if (!pending_.empty() && SteadyClock::now() - lastDeviceByte >= kPartialFlush) {
            ForwardReplies(true);
        }
    }
}

bool TearRelay::ForwardToDevice()
{
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(masterFd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true;
        if (!WriteAll(upstreamFd_, buffer, static_cast<std::size_t>(n)))
            return false;
        toDevice_ += n;
    }
}

// False when the device's port is gone.
bool TearRelay::ReadFromDevice()
{
    char buffer[512];
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(upstreamFd_, buffer, sizeof buffer);
        if (n > 0) {
            pending_.append(buffer, static_cast<std::size_t>(n));
            any = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        // End of file or EIO: the other side of the device's terminal has
        // closed. Bytes read before it are handed over first; the next pass
        // sees the hang-up again with nothing left to read.
        return any;
    }
}

void TearRelay::ForwardReplies(bool flushPartial)
{
    if (masterFd_ < 0) {
        pending_.clear();
        return;
    }
    for (auto end = pending_.find("\r\n"); end != std::string::npos; end = pending_.find("\r\n")) {
        const std::size_t size = end + 2;
        const std::size_t cut = size / 2;
        WriteAll(masterFd_, pending_.data(), cut);
        SleepFor(gap_);
        WriteAll(masterFd_, pending_.data() + cut, size - cut);
        pending_.erase(0, size);
        ++torn_;
    }
    if (flushPartial && !pending_.empty()) {
        WriteAll(masterFd_, pending_.data(), pending_.size());
        pending_.clear();
    }
}

bool TearRelay::WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!WaitWritable(fd, Micros{kWriteLimit}))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace brevant::test
