#pragma once

#include "sample.h"

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

/// Writes a generated sound file with the real sox:
/// sox -n <outputOptions> <path> <effects>. The default is one second of a
/// 440 Hz tone, stereo, 16-bit, 44.1 kHz.
bool makeWav(const QString &path,
             const QStringList &outputOptions = {"-r", "44100", "-c", "2", "-b", "16"},
             const QStringList &effects = {"synth", "1", "sine", "440"});

/// Appends a chunk to the RIFF/WAVE file at \a path and mends the RIFF size,
/// as a sampler or an editor adds its smpl chunk.
bool appendRiffChunk(const QString &path, const QByteArray &id, const QByteArray &data);

/// One loop of a WAV file's smpl chunk: type (0 forward, 1 ping-pong,
/// 2 backward), first and last frame.
struct SmplLoop
{
    quint32 type = 0;
    quint32 start = 0;
    quint32 end = 0;
};

/// The data of a smpl chunk that says it holds \a loopCount loops and
/// holds \a loops.
QByteArray smplData(quint32 loopCount, const QList<SmplLoop> &loops, quint32 samplePeriodNs = 22676);

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

/// What a reader of 8SVX files finds in one: an empty problem when the IFF
/// structure (FORM/8SVX, VHDR, BODY, even padding) holds together and, for a
/// file the export finished (\a finished), the file is as trackers take it:
/// one octave, no compression, unity volume, chunks of whole words, a loop
/// inside the BODY, or a one-shot that starts with a silent word.
struct SvxFile
{
    QString problem;
    int samplesPerSec = 0;
    int channels = 0;
    qint64 bodySize = 0;
    qint64 oneShot = 0; // oneShotHiSamples
    qint64 repeat = 0;  // repeatHiSamples
    QByteArray name;    // of the NAME chunk, up to a NUL
    QByteArray body;
    /// The sound sox made: the BODY without the silent word of a one-shot.
    qint64 soundSize() const { return repeat == 0 ? bodySize - 2 : bodySize; }
};
SvxFile read8svx(const QString &path, bool finished = true);

/// What the export (its engine, as the window and the command line run it)
/// writes of one sample into a folder of its own: the file, read back, and
/// the report's note when it is too long for a tracker.
struct ExportedSample
{
    SvxFile file;
    QString tooLong;
    QString noise; // the report's line on how far Normalise raised it, when that was far
};
ExportedSample exportSample(const Sample &sample, const SampleShape &shape = SampleShape());
