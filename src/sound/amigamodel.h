#pragma once

#include <QObject>
#include <QString>

/// Which Amiga the tracker engine's resampler sounds like: an Amiga 500
/// with its fixed low-pass filter, an Amiga 1200 with its much higher one,
/// or Paula's output unfiltered.
enum class AmigaModel
{
    Amiga500,
    Amiga1200,
    Unfiltered
};

/// What the menus call \a model: "Amiga 500", "Amiga 1200", "Unfiltered".
QString amigaModelName(AmigaModel model);

/// The sound every key and every kit plays through, chosen in the waveform
/// window's context menu: the Amiga 500 until the user chooses another, and
/// then that one until the program ends. Tells those that play when it
/// changes.
class AmigaSound : public QObject
{
    Q_OBJECT

public:
    static AmigaSound *instance();

    AmigaModel model() const { return m_model; }
    void setModel(AmigaModel model);

signals:
    void modelChanged(AmigaModel model);

private:
    AmigaSound() = default;

    AmigaModel m_model = AmigaModel::Amiga500;
};
