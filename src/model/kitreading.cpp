// Reading a kit file: everything is parsed and checked before anything
// is handed on, so a bad kit changes nothing.

#include "kitfile.h"

#include "chunks.h"
#include "kitformat.h"
#include "recording.h"
#include "sourcecheck.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <limits>

using namespace kitformat;

namespace {

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

