#pragma once

#include "waveformsummary.h"
#include "waveformview.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QTemporaryDir>

#include <memory>

/// What the tests of shaping a sample in the waveform window share: the
/// recordings, a shown main window for each test, and the waveform window
/// opened on a loaded recording.
class ShapingFixture : public WindowFixture
{
protected:
    /// Makes the recordings (in initTestCase): hit.wav (silence, a tone,
    /// silence) and the hit in other files, hush.wav, tail.wav, pad.wav
    /// (2 s of a tone) and nan.wav (the tone as NaN).
    void makeRecordings();
    /// Loads \a file, opens the waveform window and returns its view once
    /// it pictures the file.
    WaveformView *showWaveform(const QString &file);
    /// Waits until the picture is of the sample as it now is, and its
    /// numbers contain \a says.
    bool pictured(WaveformView *view, const QString &says = QString());
    /// Presses \a key with \a modifiers in the waveform window.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier);
    int xOf(WaveformView *view, qint64 byte) const
    {
        return int(byte * view->width() / view->summary()->size());
    }

    QTemporaryDir dir;
};
