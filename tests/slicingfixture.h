#pragma once

#include "waveformview.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QList>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

constexpr int rate = 44100;

/// sox effects for a sound of \a seconds, each burst \a burst long at the
/// times \a starts, silent between: a made recording whose hits are known.
QStringList burstsAt(const QList<double> &starts, double burst, double seconds, const QString &sound = "whitenoise");

/// What the tests of slicing a recording share: made recordings of known
/// hits, a shown main window for each test, and the waveform window opened
/// on a recording.
class SlicingFixture : public WindowFixture
{
protected:
    /// Makes notes.wav (eight tone bursts at burstStarts), drums.wav (bursts
    /// of noise without gaps) and bar.wav (eight tones of 0.25 s), in
    /// initTestCase.
    void makeRecordings();
    WaveformView *showWaveform(const QString &path);
    /// Waits until the picture's numbers contain \a says.
    bool says(WaveformView *view, const QString &text);
    /// The shown sample's markers, once there are \a count of them.
    QList<qint64> markersOnceThere(int count);

    QTemporaryDir dir;
    QList<double> burstStarts{0.1, 0.45, 0.8, 1.15, 1.5, 1.85, 2.2, 2.55};
};
