// Ending the program cleanly when the desktop session or a terminal asks it to.
//
// SIGTERM (sent at logout, by a service manager or by `kill`), SIGINT (Ctrl+C in the terminal
// that started Kelvane) and SIGHUP (that terminal closed) would otherwise end the process on the
// spot, so the main window would never store its position and hints. TTerminationSignals catches
// them for as long as it lives and reports each through the event loop, where the program closes
// its windows as File > Exit does. One watcher at a time: a second one made while the first lives
// catches nothing.
#pragma once

#include <QObject>
#include <csignal>

class QSocketNotifier;

class TTerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TTerminationSignals(QObject* parent = nullptr);
    // Gives the signals back to whatever handled them before.
    ~TTerminationSignals() override;

    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

signals:
    // Emitted from the event loop, once for each signal caught (SIGTERM, SIGINT or SIGHUP).
    void Received(int signal);

private:
    void ReadPending();

    QSocketNotifier* Notifier = nullptr;
    struct sigaction PreviousTerm {};
    struct sigaction PreviousInt {};
    struct sigaction PreviousHup {};
};
