#pragma once

#include "folderwalk.h"
#include "sample.h"
#include "sampleshape.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

// A kit file (*.brindlekit) keeps a musician's work on a list of samples
// between runs: a small JSON text, one entry per sample in list order. It is
// read and written here and nowhere else.

/// What a kit file holds: the samples in list order, and the folder Export
/// writes into (empty: none chosen). Paths are absolute here; the file keeps
/// them relative to its own folder where they lie below it.
struct Kit
{
    QList<KitEntry> entries;
    QString outputDirectory;
};

/// What reading a kit file came to: the kit, or why it cannot be opened.
struct KitReading
{
    Kit kit;
    /// Empty when the kit is whole and every value can be; else one line
    /// that names the file and what is wrong ("cannot open the kit
    /// drums.brindlekit: it is cut short"), the same for the window and the
    /// command line.
    QString problem;
};

/// The kit file format this program writes, and the newest it reads.
constexpr int kitFormatVersion = 1;

/// A kit file larger than this is refused before it is read: a real kit of
/// a thousand samples is a few hundred kilobytes.
constexpr qint64 kitFileSizeLimit = 16 * 1024 * 1024;

/// The file name suffix of kit files, without its dot.
inline QString kitSuffix() { return QStringLiteral("brindlekit"); }

/// Whether \a path names a kit file by its suffix, in any letter case.
bool isKitFileName(const QString &path);

/// Reads and checks the whole kit file at \a path: only a regular file of at
/// most kitFileSizeLimit bytes is read (a FIFO is never waited on); its
/// format version, every value's type and range, the count of its samples,
/// and each crop against its recording's length where the recording's header
/// tells it. Recordings that are not there are no problem: they fail when
/// converted, as loaded ones do. A setting an entry leaves out is the one a
/// loaded file starts with; a key a kit does not have is refused. The
/// output directory is kept only while it is a folder. \a cancelled is
/// asked between recordings.
KitReading readKit(const QString &path, const std::function<bool()> &cancelled = {});

/// Samples that a kit cannot name, each "name: reason": a path that is not
/// valid UTF-8 reads back as another file's name, or none.
QStringList unsavableSamples(const Kit &kit);

/// Writes \a kit to \a path whole, or leaves what is there untouched and
/// returns why not (the system's reason); an empty string once written.
QString writeKit(const QString &path, const Kit &kit);
