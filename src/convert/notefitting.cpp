#include "notefitting.h"

#include "notetable.h"
#include "sourcecheck.h"
#include "trackersample.h"

#include <QProcess>

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

WavFormat readRecording(const QString &path)
{
    WavFormat format = readWavFormat(path);
    // Only a regular file that is a WAV file at all is handed to sox.
    if (format.lengthKnown() || format.sampleRate <= 0 || !sourceProblem(path).isEmpty())
        return format;
    // sox's --info reads names as they are, with no wildcards.
    QProcess sox;
    // A name that starts with "-" would be taken for an option.
    const QString named = path.startsWith(QLatin1Char('-')) ? QStringLiteral("./") + path : path;
    sox.start(QStringLiteral("sox"), {QStringLiteral("--info"), QStringLiteral("-s"), named}, QIODevice::ReadOnly);
    if (!sox.waitForFinished(10000) || sox.exitStatus() != QProcess::NormalExit || sox.exitCode() != 0) {
        sox.kill();
        sox.waitForFinished();
        return format;
    }
    bool counted = false;
    const qint64 frames = sox.readAllStandardOutput().trimmed().toLongLong(&counted);
    // 0: sox cannot tell either.
    if (counted && frames > 0) {
        format.frames = frames;
        format.framesCounted = true;
    }
    return format;
}

WavFormat withFramesCounted(WavFormat source, const QString &path)
{
    if (source.lengthKnown())
        return source;
    const WavFormat counted = readRecording(path);
    if (counted.lengthKnown()) {
        source.frames = counted.frames;
        source.framesCounted = true;
    }
    return source;
}
