#pragma once

#include <QObject>

/// The Unix signals that ask the program to end (SIGTERM, SIGINT from
/// Ctrl+C, SIGHUP when the terminal goes), brought to the event loop, where
/// it is safe to act on them. Whoever listens to arrived() ends the program
/// in its own way; with nobody listening, it ends at once with endBy().
class UnixSignals : public QObject
{
    Q_OBJECT

public:
    /// The one watcher of the process, made on first use by the thread of
    /// the event loop. Signals that were ignored when it started (nohup)
    /// stay ignored.
    static UnixSignals &watch();

    /// Stops every sox, removes every temporary file, and ends the process
    /// as \a signal asks, so that whoever started it sees that signal.
    [[noreturn]] static void endBy(int signal);

signals:
    void arrived(int signal);

private:
    UnixSignals();
    void readSignal();

    int m_read = -1;
};
