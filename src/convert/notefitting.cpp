#include "notefitting.h"

#include "notetable.h"
#include "trackersample.h"

NoteFit fitNote(const WavFormat &source, const QString &note)
{
    const int rate = noteFrequencies.value(note);
    const qint64 sound = soundBytesAt(source, rate);
    if (sound < 0)
        return {NoteFit::LengthUnknown, note};
    if (trackerLayout(sound, rate, source).bodySize <= classicTrackerSampleBytes)
        return {NoteFit::Fits, note};
    if (const QString lower = highestFittingNote(source, rate); !lower.isEmpty())
        return {NoteFit::Lowered, lower};
    return {NoteFit::FitsNowhere, notesByRate().constFirst()};
}
