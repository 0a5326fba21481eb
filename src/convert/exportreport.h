#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <utility>

/// What an export did, in list order: the basis of its report.
struct ExportReport
{
    qsizetype total = 0;
    QStringList written;    // destination paths
    QStringList notWritten; // "name: reason"
    QStringList tooLong;    // a note on each written sample a tracker cuts short
    /// With a module: its file name, and why it was not written (empty once
    /// it is); the samples left out of it ("name: reason") and those it cut.
    QString module;
    QString moduleProblem;
    QStringList leftOut;
    QStringList cut;
    qint64 moduleSize = 0; // once it is written
    QStringList loweredForSize; // samples made at a lower note for the module to take at most budget bytes
    qint64 budget = 0;
    QStringList unreadable; // folders the samples were to be found in: "folder: reason"
    QStringList lowered;    // samples made at a lower note to fit a tracker: "name: C-3 → G#2"
    QStringList silent;     // samples silent throughout, which trimming left whole
    QStringList untrimmed;  // "name: why" its silence could not be found, so trimming left it whole
    QStringList lengthUnknown; // samples to be fitted whose length could not be read
    QStringList loopsDropped; // "name: why", the loop lying outside the part kept
    QStringList noisy;        // "name: raised by 78 dB: it may be mostly noise"
    qsizetype notSound = 0;   // files in the folders the samples came from that are not sound files
    QStringList withoutLoop;  // samples to be crossfaded that have no loop
    QStringList crossfadesShort; // "name: why", a crossfade shorter than asked or left out
    QStringList notSliced;    // "name: why", files to be sliced that were made whole
    int breaksLeftOut = 0;    // breaks the module's song had no room for

    /// Whether everything asked for is there, whole: the exit status.
    bool complete() const
    {
        return notWritten.isEmpty() && moduleProblem.isEmpty() && leftOut.isEmpty() && unreadable.isEmpty();
    }
};

/// The report of an export for the user, or an empty string when every
/// sample was written and fits: the folders that could not be read, the
/// samples that are not in the folder, then
/// what became of the module (why it was not written, or the samples left
/// out of it, then those it cut), then the samples whose loop was left out,
/// those without a loop to crossfade, those whose crossfade is shorter
/// than asked or left out, those silent throughout, the samples made at a
/// lower note to fit a tracker, and the written ones that are too long for a
/// tracker; last, one line that counts the files in the folders that are not
/// sound files. With \a shown (not -1), each list names at most that many and
/// counts the rest.
QString reportText(const ExportReport &report, int shown = -1);

/// Each list that is not empty under its heading ("Heading:", a blank line,
/// one line each), the sections a blank line apart; with \a shown (not -1),
/// each list names at most that many and counts the rest.
QString listedSections(const QList<std::pair<QString, QStringList>> &sections, int shown = -1);

/// The report's last line on the files in the folders that are not sound
/// files, which were left out: "12 files in the folders are not sound
/// files, so they were left out"; nothing for none.
QString notSoundLine(qsizetype files);

/// What the report and the window's fitting call the samples whose length
/// could not be read, so that their notes were not fitted.
QString lengthUnknownHeading();
