#include "programs/brevantd/Signals.h"

#include <QSocketNotifier>

#include <systemd/sd-daemon.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brevant {

namespace {

// The write end for the handlers; -1 until installed.
int gWriteEnd = -1;
int gReadEnd = -1;

extern "C" void OnSignal(int number)
{
    const int saved = errno;
    const auto byte = static_cast<char>(number);
    // A full pipe drops the signal: one already waiting does the same work.
    [[maybe_unused]] const ssize_t written = ::write(gWriteEnd, &byte, 1);
    errno = saved;
}

}  // namespace

Signals::Signals(QObject* parent) : QObject(parent)
{
    std::array<int, 2> pair{};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair.data()) != 0)
        return;
    gReadEnd = pair[0];
    gWriteEnd = pair[1];
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        if (::sigaction(number, &action, nullptr) != 0)
            return;
    }
    notifier_ = new QSocketNotifier(gReadEnd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &Signals::Read);
}

Signals::~Signals()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
    for (int* end : {&gReadEnd, &gWriteEnd}) {
        if (*end >= 0)
            ::close(*end);
        *end = -1;
    }
}

void Signals::Read()
{
    char numbers[16];
    const ssize_t got = ::read(gReadEnd, numbers, sizeof numbers);
    bool stop = false;
    bool again = false;
    for (ssize_t i = 0; i < got; ++i) {
        stop = stop || numbers[i] == SIGTERM || numbers[i] == SIGINT;
        again = again || numbers[i] == SIGHUP;
    }
    if (stop)
        emit terminate();
    else if (again)
        emit reload();
}

void NotifySystemd(const char* state)
{
    sd_notify(0, state);
}

}  // namespace brevant
