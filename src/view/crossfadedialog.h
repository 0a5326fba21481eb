#pragma once

#include "sampleshape.h"
#include "waveformsummary.h"

#include <QDialog>

#include <optional>

class QLabel;
class QSlider;

/// Crossfade Loop…: the length of the fade, from a byte up to the sound
/// before the loop's start or half the loop (at first a fifth of the
/// loop), and its law, from Equal Gain to Equal Power (at first halfway),
/// on sliders, so that the keys stay free: while it is open, the letters,
/// digits, Space, F1 and F2 that it does not use go on to the waveform
/// window, where they play the sample. Every change is told as it is made.
class CrossfadeDialog : public QDialog
{
    Q_OBJECT

public:
    /// For the loop of \a summary, starting from \a current where the loop
    /// has a crossfade; keys go on to \a window.
    CrossfadeDialog(const WaveformSummary &summary, const std::optional<SampleShape::Crossfade> &current,
                    QWidget *window);

    /// The fade's length and law as they are set.
    double milliseconds() const;
    double law() const;

signals:
    void changed(double milliseconds, double law);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showValues();

    int m_rate;
    QSlider *m_length;
    QSlider *m_law;
    QLabel *m_lengthWords;
    QLabel *m_lawWords;
};
