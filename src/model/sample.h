#pragma once

#include "folderwalk.h"
#include "sampleshape.h"
#include "slicemarkers.h"

#include <QComboBox>
#include <QList>
#include <QMetaType>
#include <QString>

/// How one loaded WAV file becomes an 8-bit sample. A plain value: always
/// copied into and out of the sample list, never shared.
struct Sample
{
    QString path;
    QString name;
    bool normalise = true;
    bool ready = false;
    bool lowCut = false;
    bool highCut = false;
    int lowCutFrequency = 50;
    int highCutFrequency = 18000;
    QString note = QStringLiteral("C-2");
};

Q_DECLARE_METATYPE(Sample)

/// The Sample of the file at \a path, with \a settings otherwise: its name
/// is the last "/"-separated part of the path, as typed.
Sample sampleOfFile(const QString &path, Sample settings = Sample());

/// A sample's name without its sound file's extension, in any letter case
/// ("BD_01.aiff": "BD_01"): what its exported file and a tracker call it.
QString nameWithoutExtension(const QString &name);

/// What a report calls \a sample, found as \a origin: its name under the
/// subfolder it lay in ("Kicks/kick 1.wav"), or its name alone.
QString nameInPack(const Sample &sample, const FoundFile &origin);

/// The file name a sample is exported under: its sound file's extension, in
/// any letter case, becomes ".8svx" ("kick.wav", "kick.FLAC": "kick.8svx"),
/// and any other name gets ".8svx" appended.
QString exportFileName(const QString &sampleName);

// The sample list is the entries of the window's sampleCombo: each entry's
// text is its label and its Qt::UserRole data a Sample. A sample found in a
// folder keeps where it lay there beside it, under originRole, and a sample
// shaped on the picture its shape, under shapeRole; both go with the entry.

constexpr int originRole = Qt::UserRole + 1;
constexpr int shapeRole = Qt::UserRole + 2;
/// A sample's slice markers go with its entry under this role; apart from
/// its shape, as moving a marker changes nothing of the sample's sound.
constexpr int markersRole = Qt::UserRole + 3;

/// One entry of the sample list, and one sample of a kit: its recording and
/// settings, its shape, and the pack subfolder it came from
/// (origin.subfolder; origin.path is its recording when it has one, as a
/// folder's search gives it).
struct KitEntry
{
    Sample sample;
    SampleShape shape;
    FoundFile origin;
    SliceMarkers markers;
};

/// " | Ready" or " | Not Ready", the tail of an entry's label.
QString readySuffix(bool ready);

/// An entry's label: the bare name followed by its ready suffix.
QString itemLabel(const Sample &sample);

/// Appends an entry for \a sample at the end of the list, found as
/// \a origin (none: loaded as a file of its own), shaped as \a shape.
void appendSample(QComboBox *list, const Sample &sample, const FoundFile &origin = FoundFile(),
                  const SampleShape &shape = SampleShape());

/// The current entry's Sample; the default Sample when there is none.
Sample currentSample(const QComboBox *list);

/// Replaces the current entry's Sample whole; its label stays as it is.
void storeCurrentSample(QComboBox *list, const Sample &sample);

/// Replaces the Sample of the entry at \a index whole; its label stays as it is.
void storeSample(QComboBox *list, int index, const Sample &sample);

/// Relabels the current entry after its ready mark changed.
void relabelCurrentSample(QComboBox *list, const Sample &sample);

/// Relabels the entry at \a index after its ready mark changed.
void relabelSample(QComboBox *list, int index, const Sample &sample);

/// Copies of every entry's Sample, in list order.
QList<Sample> allSamples(const QComboBox *list);

/// Where the entry at \a index was found; nothing for a file loaded on its own.
FoundFile sampleOrigin(const QComboBox *list, int index);

/// Where every entry was found, in list order.
QList<FoundFile> allOrigins(const QComboBox *list);

/// The shape of the entry at \a index: the whole recording unless the user
/// shaped it.
SampleShape sampleShape(const QComboBox *list, int index);

/// Replaces the shape of the entry at \a index.
void storeShape(QComboBox *list, int index, const SampleShape &shape);

/// Every entry's shape, in list order.
QList<SampleShape> allShapes(const QComboBox *list);

/// The slice markers of the entry at \a index: none unless the user set some.
SliceMarkers sliceMarkers(const QComboBox *list, int index);

/// Replaces the slice markers of the entry at \a index.
void storeMarkers(QComboBox *list, int index, const SliceMarkers &markers);

/// How many files in the folders the list's samples came from are not sound
/// files, so were left out: for the export's report. Kept with the list
/// until it is replaced.
qsizetype filesNotSound(const QComboBox *list);
void setFilesNotSound(QComboBox *list, qsizetype files);

/// The whole entry at \a index: its Sample, shape and origin.
KitEntry sampleEntry(const QComboBox *list, int index);

/// Every entry, whole, in list order.
QList<KitEntry> allEntries(const QComboBox *list);

/// Puts \a entry into the list at \a index (count() appends), labelled by
/// its Sample.
void insertEntry(QComboBox *list, int index, const KitEntry &entry);

/// Puts \a entries into the list from \a index on, in one change of the
/// list that its views follow at once.
void insertEntries(QComboBox *list, int index, const QList<KitEntry> &entries);

/// Takes the \a count entries from \a index out of the list, in one change.
void removeEntries(QComboBox *list, int index, int count);

/// Replaces the entry at \a index whole, its label too.
void storeEntry(QComboBox *list, int index, const KitEntry &entry);

/// Moves the entry at \a from to \a to, the others closing up behind it;
/// the shown entry stays shown wherever it goes.
void moveEntry(QComboBox *list, int from, int to);
