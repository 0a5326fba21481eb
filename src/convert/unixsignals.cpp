#include "unixsignals.h"

#include "converter.h"
#include "temporaryfiles.h"

#include <QMetaMethod>
#include <QSocketNotifier>
#include <QThreadPool>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int endingSignals[] = {SIGTERM, SIGINT, SIGHUP};

int writeEnd = -1;

// All a signal handler may safely do: one byte to the event loop.
void noteSignal(int signal)
{
    const int saved = errno;
    const char number = char(signal);
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &number, 1);
    errno = saved;
}

} // namespace

UnixSignals &UnixSignals::watch()
{
    static UnixSignals *watcher = new UnixSignals;
    return *watcher;
}

UnixSignals::UnixSignals()
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    writeEnd = ends[0];
    m_read = ends[1];
    ::fcntl(writeEnd, F_SETFL, O_NONBLOCK);
    auto *notifier = new QSocketNotifier(m_read, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &UnixSignals::readSignal);
    for (const int signal : endingSignals) {
        struct sigaction action = {};
        if (::sigaction(signal, nullptr, &action) == 0 && action.sa_handler == SIG_IGN)
            continue;
        action = {};
        action.sa_handler = noteSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signal, &action, nullptr);
    }
}

void UnixSignals::readSignal()
{
    char number = 0;
    if (::read(m_read, &number, 1) != 1)
        return;
    if (isSignalConnected(QMetaMethod::fromSignal(&UnixSignals::arrived)))
        emit arrived(number);
    else
        endBy(number);
}

void UnixSignals::endBy(int signal)
{
    Conversion::stopAll();
    // A sample being written goes into its folder whole, or not at all.
    QThreadPool::globalInstance()->waitForDone();
    TemporaryFiles::removeAll();
    ::signal(signal, SIG_DFL);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    ::raise(signal);
    ::_exit(128 + signal);
}

// Its meta-object lives here, not with the window's, so the command line
// can do without the window's libraries.
#include "moc_unixsignals.cpp"
