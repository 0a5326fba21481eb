#include "shaping.h"

#include <QLocale>
#include <QStringList>

namespace {

QString number(qint64 value)
{
    return QLocale(QLocale::English).toString(value);
}

/// Gives the loop of \a shaped, what \a shape made of \a recording, the
/// shape's crossfade, or says why it cannot have it.
void crossfade(ShapedRecording &shaped, const WavFormat &recording, const SampleShape &shape)
{
    if (!shape.crossfade || !shaped.problem.isEmpty())
        return;
    const SampleShape::Crossfade &fade = *shape.crossfade;
    // The loop the sample plays, in the recording's frames.
    std::optional<std::pair<qint64, qint64>> playing;
    if (shape.loop == SampleShape::Loop::Set)
        playing = std::pair{shape.loopStart, shape.loopEnd};
    else if (shape.loop == SampleShape::Loop::Recording && recording.loop)
        playing = std::pair{recording.loop->start, recording.loop->end};
    if (fade.loopFrames && fade.loopFrames != playing) {
        const QString madeFor = QStringLiteral("its crossfade was made for the loop from frame %1 to %2, ")
                                    .arg(number(fade.loopFrames->first), number(fade.loopFrames->second));
        shaped.crossfadeDropped = playing
            ? madeFor + QStringLiteral("but its loop now runs from frame %1 to %2, so it is left out; crossfade the "
                                       "loop again")
                            .arg(number(playing->first), number(playing->second))
            : madeFor + QStringLiteral("but it has no loop now, so it is left out");
        return;
    }
    std::optional<WavLoop> &loop = shaped.source.loop;
    if (!loop || loop->end < loop->start || (shaped.source.lengthKnown() && loop->end >= shaped.source.frames)) {
        // A loop the shape leaves out is said so already.
        if (shaped.loopDropped.isEmpty()) {
            shaped.crossfadeDropped = QStringLiteral("it has no loop to crossfade");
            shaped.noLoopToCrossfade = true;
        }
        return;
    }
    loop->fadeMs = fade.ms;
    loop->fadeLaw = fade.law;
}

ShapedRecording shapedAsItSays(const WavFormat &recording, const SampleShape &shape)
{
    ShapedRecording shaped;
    shaped.source = recording;
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

} // namespace

ShapedRecording shapeRecording(const WavFormat &recording, const SampleShape &shape)
{
    ShapedRecording shaped = shapedAsItSays(recording, shape);
    crossfade(shaped, recording, shape);
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
