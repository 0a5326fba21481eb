// Writing a kit file: whole, or not at all.

#include "kitfile.h"

#include "kitformat.h"
#include "sourcecheck.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

using namespace kitformat;

QStringList unsavableSamples(const Kit &kit)
{
    QStringList unsavable;
    for (const KitEntry &entry : kit.entries) {
        QString problem = entry.origin.problem;
        if (problem.isEmpty() && entry.sample.path.contains(QChar::ReplacementCharacter))
            problem = nameProblem(entry.sample.path);
        if (!problem.isEmpty())
            unsavable << nameInPack(entry.sample, entry.origin) + QStringLiteral(": ") + problem;
    }
    return unsavable;
}

QString writeKit(const QString &path, const Kit &kit)
{
    const QDir folder = QFileInfo(path).absoluteDir();
    QJsonArray samples;
    for (const KitEntry &entry : kit.entries) {
        const Sample &sample = entry.sample;
        QJsonObject object{{QStringLiteral("recording"), pathInKit(folder, sample.path)},
                           {QStringLiteral("note"), sample.note},
                           {QStringLiteral("normalise"), sample.normalise},
                           {QStringLiteral("lowCut"), sample.lowCut},
                           {QStringLiteral("lowCutHz"), sample.lowCutFrequency},
                           {QStringLiteral("highCut"), sample.highCut},
                           {QStringLiteral("highCutHz"), sample.highCutFrequency},
                           {QStringLiteral("ready"), sample.ready}};
        if (!entry.origin.subfolder.isEmpty())
            object.insert(QStringLiteral("subfolder"), entry.origin.subfolder);
        if (const std::optional<SampleShape::Crop> &crop = entry.shape.crop)
            object.insert(QStringLiteral("crop"), QJsonObject{{QStringLiteral("start"), crop->start},
                                                              {QStringLiteral("frames"), crop->frames}});
        if (entry.shape.loop == SampleShape::Loop::None)
            object.insert(QStringLiteral("loop"), QStringLiteral("none"));
        else if (entry.shape.loop == SampleShape::Loop::Set)
            object.insert(QStringLiteral("loop"), QJsonObject{{QStringLiteral("start"), entry.shape.loopStart},
                                                              {QStringLiteral("end"), entry.shape.loopEnd}});
        if (const std::optional<SampleShape::Crossfade> &crossfade = entry.shape.crossfade) {
            QJsonObject fade{{QStringLiteral("ms"), crossfade->ms}, {QStringLiteral("law"), crossfade->law}};
            if (crossfade->loopFrames) {
                fade.insert(QStringLiteral("loopStart"), crossfade->loopFrames->first);
                fade.insert(QStringLiteral("loopEnd"), crossfade->loopFrames->second);
            }
            object.insert(QStringLiteral("crossfade"), fade);
        }
        samples.append(object);
    }
    QJsonObject top{{QStringLiteral("format"), formatName},
                    {QStringLiteral("version"), kitFormatVersion},
                    {QStringLiteral("sampleCount"), samples.size()},
                    {QStringLiteral("samples"), samples}};
    if (!kit.outputDirectory.isEmpty())
        top.insert(QStringLiteral("outputDirectory"), pathInKit(folder, kit.outputDirectory));

    // Unbuffered, so that a full disk fails the write itself: Qt 6.4's
    // QSaveFile commits a file whose buffer could not be flushed, and an
    // empty file then takes the old one's place.
    QSaveFile file(path);
    const QByteArray bytes = QJsonDocument(top).toJson(QJsonDocument::Indented);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    return file.commit() ? QString() : file.errorString();
}
