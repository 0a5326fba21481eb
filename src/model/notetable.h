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

/// Fills the empty frequency list with every note, sorted by rate, each
/// entry carrying its rate as Qt::UserRole data.
void fillFrequencyList(QComboBox *list);
