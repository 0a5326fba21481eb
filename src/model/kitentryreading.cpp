// Reading one entry of a kit file: its recording, its settings and its
// shape, each checked, with the first problem named by the entry.

#include "kitformat.h"

#include "notetable.h"
#include "sample.h"

namespace kitformat {

namespace {

/// Why a name in a path cannot hold \a text's first NUL character, or
/// nothing: the system would take the name to end there.
QString nulIn(const QString &text)
{
    return text.contains(QChar(0)) ? QStringLiteral(": a name cannot hold the character U+0000 (NUL)") : QString();
}

/// Reads the crossfade of a shape: {"ms": its length, "law": 0 (Equal
/// Gain) to 1 (Equal Power), and the loop it was made for, "loopStart" and
/// "loopEnd", when it was made for one}.
void readCrossfade(Fields &fields, const QJsonValue &value, SampleShape &shape)
{
    const QJsonObject object = value.toObject();
    if (!value.isObject()) {
        fields.fail(QStringLiteral("has \"crossfade\": %1, not {\"ms\": its length, \"law\": 0 (Equal Gain) to 1 (Equal "
                                   "Power)}")
                        .arg(quoted(value)));
        return;
    }
    static const QSet<QString> keys{QStringLiteral("ms"), QStringLiteral("law"), QStringLiteral("loopStart"),
                                    QStringLiteral("loopEnd")};
    for (auto key = object.constBegin(); key != object.constEnd(); ++key) {
        if (!keys.contains(key.key()))
            fields.fail(QStringLiteral("has a crossfade with \"%1\", which a kit does not have").arg(visible(key.key())));
    }
    const QJsonValue ms = object.value(QLatin1String("ms"));
    const QJsonValue law = object.value(QLatin1String("law"));
    if (!ms.isDouble() || !(ms.toDouble() > 0))
        fields.fail(QStringLiteral("has a crossfade of %1 ms; a crossfade lasts more than 0 ms").arg(quoted(ms)));
    if (!law.isUndefined() && (!law.isDouble() || !(law.toDouble() >= 0 && law.toDouble() <= 1)))
        fields.fail(QStringLiteral("has a crossfade law of %1; the law goes from 0 (Equal Gain) to 1 (Equal Power)")
                        .arg(quoted(law)));
    SampleShape::Crossfade crossfade{ms.toDouble(), law.toDouble(0.5), std::nullopt};
    if (object.contains(QLatin1String("loopStart")) || object.contains(QLatin1String("loopEnd"))) {
        Fields loop(object, QString());
        const qint64 start = loop.number(QStringLiteral("loopStart"), 0, largestFrame);
        const qint64 end = loop.number(QStringLiteral("loopEnd"), 0, largestFrame);
        if (!loop.problem.isEmpty())
            fields.fail(QStringLiteral("has a crossfade that ") + loop.problem);
        else if (end < start)
            fields.fail(QStringLiteral("has a crossfade made for a loop that ends (frame %1) before it starts (frame %2)")
                            .arg(end)
                            .arg(start));
        crossfade.loopFrames = std::pair{start, end};
    }
    shape.crossfade = crossfade;
}

/// Whether \a subfolder stays inside the folder the sample is exported
/// into: relative, with no "." or ".." and no empty part.
bool staysInside(const QString &subfolder)
{
    const QStringList parts = subfolder.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part.isEmpty() || part == QLatin1String(".") || part == QLatin1String(".."))
            return false;
    }
    return true;
}

} // namespace

QString entryName(int number, const QJsonValue &entry)
{
    const QString recording = visible(entry.toObject().value(QLatin1String("recording")).toString());
    return recording.isEmpty() ? QStringLiteral("sample %1 ").arg(number)
                               : QStringLiteral("sample %1 (%2) ").arg(number).arg(recording);
}

KitEntry readEntry(const QJsonValue &value, int number, const QString &folder, QString &problem)
{
    KitEntry entry;
    if (!value.isObject()) {
        problem = entryName(number, value) + QStringLiteral("is %1, not an object").arg(quoted(value));
        return entry;
    }
    const QJsonObject object = value.toObject();
    Fields fields(object, entryName(number, QJsonValue()));
    const QString recording = fields.text(QStringLiteral("recording"));
    if (fields.problem.isEmpty() && (recording.isEmpty() || recording.endsWith(QLatin1Char('/')) || recording.contains(QChar(0))))
        fields.fail(QStringLiteral("has \"recording\": %1, which names no file%2").arg(quoted(recording), nulIn(recording)));
    if (fields.problem.isEmpty())
        fields.setWhere(entryName(number, value));
    fields.onlyKeys({QStringLiteral("recording"), QStringLiteral("subfolder"), QStringLiteral("note"),
                     QStringLiteral("normalise"), QStringLiteral("lowCut"), QStringLiteral("lowCutHz"),
                     QStringLiteral("highCut"), QStringLiteral("highCutHz"), QStringLiteral("ready"),
                     QStringLiteral("crop"), QStringLiteral("loop"), QStringLiteral("crossfade"),
                     QStringLiteral("markers"), QStringLiteral("name")});

    // A setting left out is what a loaded file starts with, so that a kit
    // written by hand needs little more than its recordings.
    Sample &sample = entry.sample;
    sample = sampleOfFile(pathFromKit(folder, recording));
    // Its own name, when it was given one; else its recording's.
    sample.name = fields.text(QStringLiteral("name"), sample.name);
    if (fields.problem.isEmpty()
        && (sample.name.trimmed().isEmpty() || sample.name.contains(QLatin1Char('/')) || sample.name.contains(QChar(0))))
        fields.fail(QStringLiteral("has \"name\": %1, which a file name cannot hold").arg(quoted(sample.name)));
    sample.note = fields.text(QStringLiteral("note"), sample.note);
    if (fields.problem.isEmpty() && !noteFrequencies.contains(sample.note))
        fields.fail(QStringLiteral("has \"note\": %1, which is not one of the %2 notes, C-1 to A-3")
                        .arg(quoted(sample.note))
                        .arg(noteFrequencies.size()));
    sample.normalise = fields.flag(QStringLiteral("normalise"), sample.normalise);
    // The ranges of the window's sliders: a value past them could be
    // neither shown nor set again.
    sample.lowCut = fields.flag(QStringLiteral("lowCut"), sample.lowCut);
    sample.lowCutFrequency = int(fields.number(QStringLiteral("lowCutHz"), 20, 20000, sample.lowCutFrequency));
    sample.highCut = fields.flag(QStringLiteral("highCut"), sample.highCut);
    sample.highCutFrequency = int(fields.number(QStringLiteral("highCutHz"), 0, 19960, sample.highCutFrequency));
    // The slider reaches 0 Hz, but no filter cuts there: all would go.
    if (sample.highCut && sample.highCutFrequency == 0)
        fields.fail(QStringLiteral("has a high cut at 0 Hz, which would leave no sound; a high cut is from 1 to 19960 Hz"));
    sample.ready = fields.flag(QStringLiteral("ready"), sample.ready);
    if (const QString subfolder = fields.text(QStringLiteral("subfolder"), QString()); !subfolder.isEmpty()) {
        if (fields.problem.isEmpty() && (!staysInside(subfolder) || subfolder.contains(QChar(0))))
            fields.fail(QStringLiteral("has \"subfolder\": %1, which does not lie inside the folder it is exported into%2")
                            .arg(quoted(subfolder), nulIn(subfolder)));
        else
            entry.origin = FoundFile{sample.path, subfolder, QString()};
    }
    if (fields.has(QStringLiteral("crop")))
        entry.shape.crop = readCrop(fields, object.value(QLatin1String("crop")));
    readLoop(fields, object.value(QLatin1String("loop")), entry.shape);
    if (fields.has(QStringLiteral("crossfade")))
        readCrossfade(fields, object.value(QLatin1String("crossfade")), entry.shape);
    if (fields.has(QStringLiteral("markers")))
        entry.markers = readMarkers(fields, object.value(QLatin1String("markers")));
    problem = fields.problem;
    return entry;
}

} // namespace kitformat
