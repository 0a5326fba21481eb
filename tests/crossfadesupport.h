#pragma once

// What the tests of loop crossfades share: the recordings (a tone looped
// where it clicks, and its kin), measures of a loop's seam and of a fade,
// and the waveform window opened on a recording.

#include "modaldriver.h"
#include "testsupport.h"
#include "waveformview.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QPair>
#include <QTemporaryDir>

#include <memory>

/// How far, on average, the loop's last four bytes lie from the four just
/// before its start: what the loop jumps by where it starts again.
double seam(const SvxFile &svx);

/// Where the bytes of \a after differ from those of \a before: the first
/// and one past the last; {0, 0} where none do.
QPair<qint64, qint64> changedSpan(const QByteArray &before, const QByteArray &after);

/// Each faded byte of \a after against the blend of \a before's loop end
/// and the sound before its start by \a law (0 Equal Gain, 1 Equal Power):
/// the largest difference.
int offTheLaw(const SvxFile &before, const SvxFile &after, qint64 fade, double law);

class CrossfadeFixture : public WindowFixture
{
protected:
    /// Makes the recordings (in initTestCase).
    void makeRecordings();
    /// Loads the recording at \a path at \a note and opens its waveform
    /// once it is pictured.
    WaveformView *showWaveform(const QString &path, const QString &note);
    bool pictured(WaveformView *view, const QString &says);
    SvxFile exported() { return exportSample(currentSample(list()), sampleShape(list(), 0)).file; }
    /// Chooses Crossfade Loop… and answers its dialog with \a answer.
    void crossfadeLoop(WaveformView *view, const ModalDriver::Action &answer);

    QTemporaryDir dir;
};
