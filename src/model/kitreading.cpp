// Reading a kit file: everything is parsed and checked before anything
// is handed on, so a bad kit changes nothing.

#include "kitfile.h"

#include "chunks.h"
#include "kitformat.h"
#include "notetable.h"
#include "recording.h"
#include "sourcecheck.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <sys/stat.h>
#include <limits>

using namespace kitformat;

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
            fields.fail(QStringLiteral("has a crossfade with \"%1\", which a kit does not have").arg(key.key()));
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

/// What a message calls the entry numbered \a number from 1: by its
/// recording as the kit writes it, when it has one.
QString entryName(int number, const QJsonValue &entry)
{
    const QString recording = visible(entry.toObject().value(QLatin1String("recording")).toString());
    return recording.isEmpty() ? QStringLiteral("sample %1 ").arg(number)
                               : QStringLiteral("sample %1 (%2) ").arg(number).arg(recording);
}

/// One entry of the kit in \a folder, numbered \a number from 1, or a
/// problem noted in \a problem.
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

/// Why the crop of \a entry cannot be carried out on its recording, which
/// is shorter than the part kept; nothing where the header does not tell.
QString cropProblem(const KitEntry &entry, const QString &where)
{
    if (!entry.shape.crop || !nameProblem(entry.sample.path).isEmpty())
        return QString();
    const WavFormat format = readRecording(entry.sample.path);
    const qint64 end = entry.shape.crop->start + entry.shape.crop->frames;
    if (!format.lengthKnown() || end <= format.frames)
        return QString();
    return where + QStringLiteral("has a crop that ends at frame %1, past the end of its recording (%2 frames)")
                       .arg(end)
                       .arg(format.frames);
}

/// What the refusal says of \a twice, a key written twice in \a document.
QString twiceWritten(const TwiceWritten &twice, const QJsonDocument &document)
{
    const QString key = QStringLiteral("has \"%1\" written twice").arg(visible(twice.key));
    const QStringList &path = twice.path;
    if (path.isEmpty())
        return QStringLiteral("it ") + key;
    if (path.size() >= 2 && path.at(0) == QLatin1String("samples")) {
        const int index = path.at(1).toInt();
        const QString where = entryName(index + 1, document.object().value(QLatin1String("samples")).toArray().at(index));
        if (path.size() == 2)
            return where + key;
        return where + key + QStringLiteral(" in its ") + visible(path.at(2));
    }
    return QStringLiteral("it ") + key + QStringLiteral(" in \"%1\"").arg(visible(path.join(QLatin1Char('/'))));
}

/// The kit in \a bytes, read from the folder \a folder, or a problem.
KitReading parseKit(const QByteArray &bytes, const QString &folder, const std::function<bool()> &cancelled)
{
    KitReading reading;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        // A parser that reaches the end still wanting more has met a file
        // cut short.
        reading.problem = error.offset >= bytes.trimmed().size() && bytes.trimmed().startsWith('{')
            ? QStringLiteral("it is cut short (it ends at byte %1 in the middle of the kit)").arg(bytes.size())
            : QStringLiteral("it is not a Brindlebox kit (%1 at byte %2)").arg(error.errorString()).arg(error.offset);
        return reading;
    }
    const QJsonObject top = document.object();
    if (top.value(QLatin1String("format")) != QJsonValue(formatName)) {
        reading.problem = QStringLiteral("it is not a Brindlebox kit (it has no \"format\": \"%1\")").arg(formatName);
        return reading;
    }
    // The reader would take the last of the two without a word.
    if (const TwiceWritten twice = keyWrittenTwice(bytes); !twice.key.isEmpty()) {
        reading.problem = twiceWritten(twice, document);
        return reading;
    }
    Fields fields(top, QStringLiteral("it "));
    fields.onlyKeys({QStringLiteral("format"), QStringLiteral("version"), QStringLiteral("outputDirectory"),
                     QStringLiteral("sampleCount"), QStringLiteral("samples")});
    const qint64 version = fields.number(QStringLiteral("version"), 1, std::numeric_limits<int>::max());
    if (fields.problem.isEmpty() && version > kitFormatVersion) {
        fields.fail(QStringLiteral("is a kit of format version %1, from a newer Brindlebox; this one reads version %2")
                        .arg(version)
                        .arg(kitFormatVersion));
    }
    const qint64 count = fields.number(QStringLiteral("sampleCount"), 1, std::numeric_limits<int>::max());
    const QJsonValue samples = top.value(QLatin1String("samples"));
    if (!samples.isArray())
        fields.fail(QStringLiteral("has \"samples\": %1, not a list").arg(quoted(samples)));
    else if (fields.problem.isEmpty() && count != samples.toArray().size())
        fields.fail(QStringLiteral("says it holds %1 samples, but holds %2").arg(count).arg(samples.toArray().size()));
    // Taken only while it is there, as Browse would find it.
    const QString directory = fields.text(QStringLiteral("outputDirectory"), QString());
    if (!directory.isEmpty() && !directory.contains(QChar(0)) && QFileInfo(pathFromKit(folder, directory)).isDir())
        reading.kit.outputDirectory = pathFromKit(folder, directory);
    if (!fields.problem.isEmpty()) {
        reading.problem = fields.problem;
        return reading;
    }
    const QJsonArray entries = samples.toArray();
    for (int i = 0; i < entries.size() && reading.problem.isEmpty(); ++i)
        reading.kit.entries << readEntry(entries.at(i), i + 1, folder, reading.problem);
    // Last, as it reads every cropped recording: only a kit whose values
    // all can be is worth it.
    for (int i = 0; i < reading.kit.entries.size() && reading.problem.isEmpty(); ++i) {
        if (cancelled && cancelled())
            reading.problem = QStringLiteral("its reading was cancelled");
        else
            reading.problem = cropProblem(reading.kit.entries.at(i), entryName(i + 1, entries.at(i)));
    }
    return reading;
}

/// The kit at \a path, or what is wrong with it.
KitReading readKitFile(const QString &path, const std::function<bool()> &cancelled)
{
    KitReading reading;
    QFile file;
    if (!openRegularFile(file, path, true)) {
        // The system's own reason: a link that leads round in a circle, a
        // name too long, no permission.
        const int error = errno;
        struct stat status;
        if (const QString name = nameProblem(path); !name.isEmpty())
            reading.problem = name;
        else if (::stat(QFile::encodeName(path).constData(), &status) == 0 && !S_ISREG(status.st_mode))
            reading.problem = QStringLiteral("it is not a regular file");
        else if (error == ENOENT)
            reading.problem = QStringLiteral("there is no such file");
        else
            reading.problem = QStringLiteral("it cannot be read: %1").arg(QString::fromLocal8Bit(std::strerror(error)));
        return reading;
    }
    // Refused by its size before it is read: a kit is small text.
    if (file.size() > kitFileSizeLimit) {
        reading.problem = QStringLiteral("it is %1 bytes long, and a kit is at most %2 bytes").arg(file.size()).arg(kitFileSizeLimit);
        return reading;
    }
    const QByteArray bytes = file.read(kitFileSizeLimit + 1);
    if (bytes.size() > kitFileSizeLimit) {
        reading.problem = QStringLiteral("it grew past %1 bytes while it was read").arg(kitFileSizeLimit);
        return reading;
    }
    return parseKit(bytes, QFileInfo(path).absolutePath(), cancelled);
}

} // namespace

bool isKitFileName(const QString &path)
{
    return path.endsWith(QLatin1Char('.') + kitSuffix(), Qt::CaseInsensitive);
}

KitReading readKit(const QString &path, const std::function<bool()> &cancelled)
{
    KitReading reading = readKitFile(path, cancelled);
    if (!reading.problem.isEmpty())
        reading.problem = QStringLiteral("cannot open the kit %1: %2").arg(path, reading.problem);
    return reading;
}

