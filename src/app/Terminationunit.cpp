#include "app/Terminationunit.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The pair of connected sockets between the signal handler (writes [1]) and the event loop
// (reads [0]). A signal handler may do almost nothing safely; writing one byte is one of the
// few things it may do, so the real work happens later in the event loop.
int Pipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    // The write end does not block: with the buffer full, signals already wait to be read.
    [[maybe_unused]] const ssize_t written = ::write(Pipe[1], &number, 1);
    errno = savedErrno;
}

void Catch(int signal, struct sigaction& previous) {
    sigaction(signal, nullptr, &previous);
    // A signal ignored at start stays ignored: a shell starts a background program with SIGINT
    // ignored so that Ctrl+C in the terminal leaves it alone.
    if (previous.sa_handler == SIG_IGN)
        return;
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, &previous);
}

} // namespace

TTerminationSignals::TTerminationSignals(QObject* parent) : QObject(parent) {
    // The signals have one handler per process, so only the first watcher catches them.
    if (Pipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, Pipe) != 0) {
        // Without the sockets the signals keep their default action; the program still runs.
        Pipe[0] = Pipe[1] = -1;
        return;
    }
    ::fcntl(Pipe[1], F_SETFL, ::fcntl(Pipe[1], F_GETFL) | O_NONBLOCK);
    ::fcntl(Pipe[0], F_SETFL, ::fcntl(Pipe[0], F_GETFL) | O_NONBLOCK);
    Notifier = new QSocketNotifier(Pipe[0], QSocketNotifier::Read, this);
    connect(Notifier, &QSocketNotifier::activated, this, &TTerminationSignals::ReadPending);
    Catch(SIGTERM, PreviousTerm);
    Catch(SIGINT, PreviousInt);
    // The terminal that started the program closed: as SIGTERM.
    Catch(SIGHUP, PreviousHup);
}

TTerminationSignals::~TTerminationSignals() {
    if (!Notifier)
        return;
    sigaction(SIGTERM, &PreviousTerm, nullptr);
    sigaction(SIGINT, &PreviousInt, nullptr);
    sigaction(SIGHUP, &PreviousHup, nullptr);
    delete Notifier;
    ::close(Pipe[0]);
    ::close(Pipe[1]);
    Pipe[0] = Pipe[1] = -1;
}

void TTerminationSignals::ReadPending() {
    unsigned char number = 0;
    while (::read(Pipe[0], &number, 1) == 1)
        emit Received(number);
}
