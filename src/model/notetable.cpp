#include "notetable.h"

#include <QList>
#include <QPair>
#include <QStringList>

#include <algorithm>

// Each rate is the PAL clock 3546895 divided by the note's tracker period,
// rounded; kept as constants so every build plays notes at the same rates.
QMap<QString, int> noteFrequencies = {
    {QStringLiteral("C-1"), 4144},  {QStringLiteral("C#1"), 4390},  {QStringLiteral("D-1"), 4655},
    {QStringLiteral("D#1"), 4926},  {QStringLiteral("E-1"), 5231},  {QStringLiteral("F-1"), 5542},
    {QStringLiteral("F#1"), 5872},  {QStringLiteral("G-1"), 6223},  {QStringLiteral("G#1"), 6593},
    {QStringLiteral("A-1"), 6982},  {QStringLiteral("A#1"), 7389},  {QStringLiteral("B-1"), 7830},
    {QStringLiteral("C-2"), 8287},  {QStringLiteral("C#2"), 8779},  {QStringLiteral("D-2"), 9309},
    {QStringLiteral("D#2"), 9852},  {QStringLiteral("E-2"), 10463}, {QStringLiteral("F-2"), 11084},
    {QStringLiteral("F#2"), 11745}, {QStringLiteral("G-2"), 12445}, {QStringLiteral("G#2"), 13185},
    {QStringLiteral("A-2"), 13964}, {QStringLiteral("A#2"), 14779}, {QStringLiteral("B-2"), 15694},
    {QStringLiteral("C-3"), 16574}, {QStringLiteral("C#3"), 17559}, {QStringLiteral("D-3"), 18668},
    {QStringLiteral("D#3"), 19705}, {QStringLiteral("E-3"), 20864}, {QStringLiteral("F-3"), 22168},
    {QStringLiteral("F#3"), 23489}, {QStringLiteral("G-3"), 24803}, {QStringLiteral("G#3"), 26273},
    {QStringLiteral("A-3"), 27928},
};

QStringList notesByRate()
{
    QList<QPair<int, QString>> notes;
    const QStringList names = noteFrequencies.keys();
    for (const QString &name : names)
        notes.append({noteFrequencies[name], name});
    std::sort(notes.begin(), notes.end());
    QStringList sorted;
    for (const auto &[rate, name] : notes)
        sorted << name;
    return sorted;
}

QString noteNamedUp(const QString &note, int octavesUp)
{
    if (note.size() != 3 || !note.at(2).isDigit())
        return note;
    return note.left(2) + QString::number(note.at(2).digitValue() + octavesUp);
}

QString noteDescription(const QString &note)
{
    return QStringLiteral("%1: %2 Hz; %3 in FastTracker 2 and MilkyTracker, %4 in Impulse Tracker and Schism Tracker")
        .arg(note)
        .arg(noteFrequencies.value(note))
        .arg(fastTrackerNote(note), impulseTrackerNote(note));
}
