#include "programs/sim/PseudoTerminal.h"

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace brevant::sim {
namespace {

[[noreturn]] void fail(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

PseudoTerminal::PseudoTerminal()
{
    try {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0)
            fail("posix_openpt");
        if (grantpt(master_) != 0)
            fail("grantpt");
        if (unlockpt(master_) != 0)
            fail("unlockpt");
        std::array<char, 128> name{};
        if (ptsname_r(master_, name.data(), name.size()) != 0)
            fail("ptsname_r");
        slavePath_ = name.data();

        slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
        if (slave_ < 0)
            fail("open pseudo-terminal slave");
        termios tio{};
        if (tcgetattr(slave_, &tio) != 0)
            fail("tcgetattr");
        cfmakeraw(&tio);
        cfsetispeed(&tio, B19200);
        cfsetospeed(&tio, B19200);
        tio.c_cflag |= CLOCAL | CREAD;
        if (tcsetattr(slave_, TCSANOW, &tio) != 0)
            fail("tcsetattr");

        const int flags = fcntl(master_, F_GETFL);
        if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0)
            fail("fcntl O_NONBLOCK");
        fcntl(master_, F_SETFD, FD_CLOEXEC);
        fcntl(slave_, F_SETFD, FD_CLOEXEC);
    } catch (...) {
        if (slave_ >= 0)
            ::close(slave_);
        if (master_ >= 0)
            ::close(master_);
        throw;
    }
}

PseudoTerminal::~PseudoTerminal()
{
    ::close(slave_);
    ::close(master_);
}

}  // namespace brevant::sim
