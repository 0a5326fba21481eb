#include "shaping.h"

#include <QLocale>
#include <QStringList>

namespace {

QString number(qint64 value)
{
    return QLocale(QLocale::English).toString(value);
}

} // namespace

ShapedRecording shapeRecording(const WavFormat &recording, const SampleShape &shape)
{
    ShapedRecording shaped{recording, QString(), QString()};
    WavFormat &source = shaped.source;
    if (shape.loop == SampleShape::Loop::None)
        source.loop.reset();
    else if (shape.loop == SampleShape::Loop::Set)
        source.loop = WavLoop{shape.loopStart, shape.loopEnd, true};
    if (!shape.crop) {
        if (shape.loop == SampleShape::Loop::Set && recording.lengthKnown() && shape.loopEnd >= recording.frames) {
            shaped.loopDropped = QStringLiteral("its loop (frames %1 to %2) lies past the end of its recording (%3 frames), "
                                                "so it plays once")
                                     .arg(number(shape.loopStart), number(shape.loopEnd), number(recording.frames));
            source.loop.reset();
        }
        return shaped;
    }
    const SampleShape::Crop &crop = *shape.crop;
    const qint64 end = crop.start + crop.frames;
    if (recording.lengthKnown() && end > recording.frames) {
        shaped.problem = QStringLiteral("its recording has become shorter: it holds %1 frames, and the part kept ends "
                                        "at frame %2; restore the whole recording, or crop it again")
                             .arg(number(recording.frames), number(end));
        return shaped;
    }
    // sox's trim keeps exactly so many, whatever the encoding.
    source.frames = crop.frames;
    source.framesCounted = true;
    if (source.loop) {
        const WavLoop loop = *source.loop;
        if (loop.start < crop.start || loop.end >= end || loop.end < loop.start) {
            // A recording's own loop that the crop leaves out is no news;
            // one that it cuts, or one set by hand, is.
            if (loop.byHand || (loop.end >= crop.start && loop.start < end)) {
                shaped.loopDropped = QStringLiteral("its loop (frames %1 to %2) lies outside the part it keeps "
                                                    "(frames %3 to %4), so it plays once")
                                         .arg(number(loop.start), number(loop.end), number(crop.start), number(end - 1));
            }
            source.loop.reset();
        } else {
            source.loop = WavLoop{loop.start - crop.start, loop.end - crop.start, loop.byHand};
        }
    }
    return shaped;
}

QStringList trimArguments(const SampleShape &shape)
{
    if (!shape.crop)
        return {};
    // Counted in frames ("s"): the same at every rate.
    return {QStringLiteral("trim"), QString::number(shape.crop->start) + QLatin1Char('s'),
            QString::number(shape.crop->frames) + QLatin1Char('s')};
}

bool trimFellShort(const QByteArray &soxErrorOutput)
{
    // "sox WARN trim: Start position is after expected end of audio." and
    // "sox WARN trim: Last 1 position(s) not reached." (exit status 0).
    for (const QByteArray &line : soxErrorOutput.split('\n')) {
        if (line.contains("trim:") && (line.contains("not reached") || line.contains("after expected end")))
            return true;
    }
    return false;
}

QString recordingShorterThanCrop()
{
    return QStringLiteral("its recording has become shorter than the part kept; restore the whole recording, or crop it "
                          "again");
}
