#include "app/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The self-pipe: the handler may only call async-signal-safe functions, so it
// writes one byte and the event loop does the rest.
int pipeFds[2] = {-1, -1};

extern "C" void OnTerminationSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // A full pipe already holds a wake-up; losing this byte loses nothing.
    [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

bool InstallTerminationHandlers()
{
    if (pipeFds[0] >= 0)
        return true;
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipeFds[0] = pipeFds[1] = -1;
        return false;
    }
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &action, nullptr);
    return true;
}

void WatchTerminationSignals(QObject* owner, std::function<void()> onSignal)
{
    if (pipeFds[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner,
                     [callback = std::move(onSignal)] {
                         char bytes[16];
                         while (::read(pipeFds[0], bytes, sizeof bytes) > 0) {
                         }
                         callback();
                     });
}
