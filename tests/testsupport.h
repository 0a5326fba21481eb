#pragma once

#include "sample.h"
#include "soundfilesupport.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QtMessageHandler>

class MainWindow;
class QSlider;

/// Every field of a Sample in one line, so QCOMPARE of two descriptions
/// shows which field differs (Sample itself has no equality).
QString describe(const Sample &sample);

/// A Sample with every field away from its default.
Sample unusualSample();

/// Loads \a paths as a user would: File > Load Samples, Yes to the question
/// if samples are loaded, and the paths typed into the file dialog (no paths:
/// the dialog is cancelled). Returns
/// whether every dialog came and was answered.
bool loadSamples(MainWindow &window, const QStringList &paths);

/// Moves a slider's handle the way a drag does: only while the handle is
/// down does the slider report sliderMoved.
void drag(QSlider *slider, int position);

/// Right-clicks the middle of \a widget and, when a context menu opens,
/// clicks its entry \a choice (none: the menu is closed with Escape).
/// Returns the entries the menu showed, each that cannot be chosen followed
/// by " (disabled)"; nothing when no menu opened.
QStringList useContextMenu(QWidget *widget, const QString &choice = QString());

/// Drags \a urls from a file manager onto the window's central area with
/// Shift held, which asks for a move, and drops them if the window takes the
/// drag (a drag of folders once it has looked into them). Returns the action
/// the drop was taken with.
Qt::DropAction dropOn(MainWindow &window, const QList<QUrl> &urls);
/// The same on \a area, or the window it lies in.
Qt::DropAction dropOn(QWidget *area, const QList<QUrl> &urls);

/// Every entry under \a dir that \a filters lets through, however deep,
/// as a path relative to it, sorted.
QStringList entriesUnder(const QString &dir, QDir::Filters filters);

/// Creates each named file (empty) in \a dir and returns their full paths.
QStringList touchFiles(const QString &dir, const QStringList &names);

/// Sets an environment variable for as long as it lives, then puts the old
/// value back.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char *name, const QByteArray &value);
    ~ScopedEnvironment();

private:
    const char *m_name;
    QByteArray m_old;
    bool m_wasSet;
};

/// Puts a directory first on PATH whose "sox" is the given shell script, for
/// what the real sox cannot do on demand (hang, crash). With no script the
/// directory is all of PATH, so no sox can be found at all.
class FakeSox
{
public:
    explicit FakeSox(const QString &script = QString());

private:
    QTemporaryDir m_dir;
    ScopedEnvironment m_path;
};

/// A fake sox's script that adds its pid to \a pidFile, starts writing
/// its output file and then hangs; with \a onlyFor, only for sources whose
/// path contains it, the real sox doing the others.
QString hangingSox(const QString &pidFile, const QString &onlyFor = QString());

/// Whether every process whose pid \a pidFile holds has ended.
bool processEnded(const QString &pidFile);

/// A small file system of its own (tmpfs), mounted on a new folder for as
/// long as it lives, for what a full disk does. Mounting needs root.
class SmallDisk
{
public:
    explicit SmallDisk(int kib);
    ~SmallDisk();

    /// Why it could not be mounted; empty once it is.
    QString problem() const { return m_problem; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    /// Fills it up with a file of its own until only \a kib KiB are free.
    bool fillLeaving(int kib);

private:
    QTemporaryDir m_dir;
    QString m_problem;
};

/// Collects the debug log while it lives, noting for each message whether
/// the busy cursor was showing when it was written.
class LogCapture
{
public:
    LogCapture();
    ~LogCapture();

    QStringList messages;
    QList<bool> busy;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);
    QtMessageHandler m_previous;
};
