#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

class QComboBox;

/// Tracker note name ("C-1" to "A-3") to the sample rate in Hz at which a
/// sample plays back at that note. Looking up an unknown name with
/// operator[] inserts it with rate 0, and the converter then gets rate 0.
extern QMap<QString, int> noteFrequencies;

/// Every note of the table, by rate, lowest first (notes of equal rate by
/// name).
QStringList notesByRate();

/// \a note ("C-3") as a tracker names it whose octaves are counted
/// \a octavesUp higher ("C-5" two up). The notes of this table are
/// ProTracker's, at PAL rates.
QString noteNamedUp(const QString &note, int octavesUp);

/// The same note in FastTracker 2 and MilkyTracker, which count two
/// octaves higher: "C-3" is their "C-5".
inline QString fastTrackerNote(const QString &note) { return noteNamedUp(note, 2); }

/// The same note in Impulse Tracker and Schism Tracker, which count three
/// octaves higher: "C-3" is their "C-6".
inline QString impulseTrackerNote(const QString &note) { return noteNamedUp(note, 3); }

/// What \a note is: its rate and its names in the trackers that count
/// otherwise ("C-3: 16574 Hz; C-5 in FastTracker 2 and MilkyTracker, C-6
/// in Impulse Tracker and Schism Tracker").
QString noteDescription(const QString &note);

/// Fills the empty frequency list with every note, sorted by rate, each
/// entry carrying its rate as Qt::UserRole data.
void fillFrequencyList(QComboBox *list);
