#include "waveformnumbers.h"

#include "loopseam.h"
#include "trackersample.h"

#include <QLocale>
#include <QStringList>

QString number(qint64 value)
{
    return QLocale(QLocale::English).toString(value);
}

QString numbersLine(const Sample &sample, const SampleShape &shape, const WaveformSummary &summary,
                    const QString &noise)
{
    const TrackerLayout &layout = summary.layout;
    QStringList parts{sample.name, QStringLiteral("%1, %2 Hz").arg(sample.note).arg(summary.rate)};
    parts << QStringLiteral("%1 bytes, %2 s")
                 .arg(number(layout.bodySize))
                 .arg(double(layout.bodySize) / qMax(summary.rate, 1), 0, 'f', 2);
    parts << (layout.looped ? QStringLiteral("loop from byte %1, %2 bytes long")
                                  .arg(number(layout.loopStart), number(layout.loopLength))
                            : QStringLiteral("no loop"));
    if (const QString crossfade = crossfadeWords(layout, summary.rate); !crossfade.isEmpty())
        parts << crossfade;
    if (shape.crop) {
        parts << QStringLiteral("frames %1 to %2 of the recording kept")
                     .arg(number(shape.crop->start), number(shape.crop->start + shape.crop->frames - 1));
    }
    if (!noise.isEmpty())
        parts << noise;
    if (layout.bodySize > trackerSampleBytesLimit)
        parts << QStringLiteral("the keys play it cut at %1 bytes, as a module holds it").arg(number(trackerSampleBytesLimit));
    if (layout.bodySize > classicTrackerSampleBytes) {
        const QString note = fittingNote(summary.soundBytes, summary.rate, layout.looped, summary.source);
        parts << (note.isEmpty() ? QStringLiteral("too long for classic trackers: only a shorter recording fits")
                                 : QStringLiteral("too long for classic trackers: at %1 or lower it fits").arg(note));
    }
    return parts.join(QStringLiteral(" · "));
}

QString sentence(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

