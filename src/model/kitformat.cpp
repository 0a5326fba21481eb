#include "kitformat.h"

#include <QJsonArray>
#include <QJsonObject>

namespace kitformat {

QString pathInKit(const QDir &folder, const QString &path)
{
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    const QString relative = folder.relativeFilePath(absolute);
    const bool below = relative != QLatin1String("..") && !relative.startsWith(QLatin1String("../"))
        && !QDir::isAbsolutePath(relative);
    return below ? relative : absolute;
}

QString pathFromKit(const QString &folder, const QString &written)
{
    return QDir::cleanPath(QDir::isAbsolutePath(written) ? written : folder + QLatin1Char('/') + written);
}

QString visible(const QString &text)
{
    QString shown;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            shown += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

QString quoted(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String: {
        const QString text = visible(value.toString());
        return QLatin1Char('"') + (text.size() > 40 ? text.left(39) + QStringLiteral("…") : text) + QLatin1Char('"');
    }
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', 15);
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Array:
        return QStringLiteral("a list");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    default:
        return QStringLiteral("null");
    }
}

QJsonObject markersObject(const SliceMarkers &markers)
{
    QJsonArray at;
    for (const qint64 frame : markers.frames)
        at.append(frame);
    QJsonObject object{{QStringLiteral("at"), at}, {QStringLiteral("recordingFrames"), markers.recordingFrames}};
    if (markers.leaveOutSilence)
        object.insert(QStringLiteral("leaveOutSilence"), true);
    return object;
}

SliceMarkers readMarkers(Fields &fields, const QJsonValue &value)
{
    SliceMarkers markers;
    const QJsonObject object = value.toObject();
    const QString wanted = QStringLiteral("{\"at\": [frames], \"recordingFrames\": its length}");
    if (!value.isObject() || !object.value(QLatin1String("at")).isArray()) {
        fields.fail(QStringLiteral("has \"markers\": %1, not %2").arg(quoted(value), wanted));
        return markers;
    }
    for (auto key = object.constBegin(); key != object.constEnd(); ++key) {
        if (key.key() != QLatin1String("at") && key.key() != QLatin1String("recordingFrames")
            && key.key() != QLatin1String("leaveOutSilence"))
            fields.fail(QStringLiteral("has markers with \"%1\", which a kit does not have").arg(key.key()));
    }
    Fields inner(object, QStringLiteral("has markers that "));
    markers.recordingFrames = inner.number(QStringLiteral("recordingFrames"), 2, largestFrame);
    markers.leaveOutSilence = inner.flag(QStringLiteral("leaveOutSilence"), false);
    if (!inner.problem.isEmpty()) {
        fields.fail(inner.problem);
        return markers;
    }
    // A marker on the first or the last frame, or two on one, would cut a
    // slice of nothing: the kit is refused rather than a slice cut wrong.
    qint64 before = 0;
    for (const QJsonValue &at : object.value(QLatin1String("at")).toArray()) {
        const double frame = at.toDouble();
        if (!at.isDouble() || frame != std::floor(frame) || !(frame > double(before))
            || !(frame < double(markers.recordingFrames - 1))) {
            fields.fail(QStringLiteral("has a slice marker at %1; markers lie in order, none twice, after the first "
                                       "frame and before the last of the recording's %2")
                            .arg(quoted(at))
                            .arg(markers.recordingFrames));
            return SliceMarkers();
        }
        before = qint64(frame);
        markers.frames << before;
    }
    return markers;
}

/// The frames kept by a crop, or a problem noted in \a fields.
std::optional<SampleShape::Crop> readCrop(Fields &fields, const QJsonValue &value)
{
    const QJsonObject object = value.toObject();
    if (!value.isObject() || !object.value(QLatin1String("start")).isDouble()
        || !object.value(QLatin1String("frames")).isDouble()) {
        fields.fail(QStringLiteral("has \"crop\": %1, not {\"start\": first frame, \"frames\": how many}").arg(quoted(value)));
        return std::nullopt;
    }
    Fields crop(object, QStringLiteral("has a crop that "));
    crop.onlyKeys({QStringLiteral("start"), QStringLiteral("frames")}, QStringLiteral("a crop"));
    if (!crop.problem.isEmpty()) {
        fields.fail(crop.problem);
        return std::nullopt;
    }
    const double start = object.value(QLatin1String("start")).toDouble();
    const double frames = object.value(QLatin1String("frames")).toDouble();
    if (!(start >= 0 && frames >= 1 && start + frames <= double(largestFrame)) || start != std::floor(start)
        || frames != std::floor(frames)) {
        fields.fail(QStringLiteral("has a crop from frame %1 keeping %2 frames; a crop starts at frame 0 or later and "
                                   "keeps at least one")
                        .arg(quoted(object.value(QLatin1String("start"))), quoted(object.value(QLatin1String("frames")))));
        return std::nullopt;
    }
    return SampleShape::Crop{qint64(start), qint64(frames)};
}

/// Reads the loop of a shape: "none", "recording", or the frames of one set
/// by hand.
void readLoop(Fields &fields, const QJsonValue &value, SampleShape &shape)
{
    if (value.isUndefined() || value == QJsonValue(QStringLiteral("recording")))
        return;
    if (value == QJsonValue(QStringLiteral("none"))) {
        shape.loop = SampleShape::Loop::None;
        return;
    }
    const QJsonObject object = value.toObject();
    if (!value.isObject() || !object.value(QLatin1String("start")).isDouble()
        || !object.value(QLatin1String("end")).isDouble()) {
        fields.fail(QStringLiteral("has \"loop\": %1, not \"recording\", \"none\" or {\"start\": first frame, \"end\": "
                                   "last frame}")
                        .arg(quoted(value)));
        return;
    }
    Fields loop(object, QString());
    loop.onlyKeys({QStringLiteral("start"), QStringLiteral("end")}, QStringLiteral("a loop"));
    const qint64 start = loop.number(QStringLiteral("start"), 0, largestFrame);
    const qint64 end = loop.number(QStringLiteral("end"), 0, largestFrame);
    if (!loop.problem.isEmpty())
        fields.fail(QStringLiteral("has a loop that ") + loop.problem);
    else if (end < start)
        fields.fail(QStringLiteral("has a loop that ends (frame %1) before it starts (frame %2)").arg(end).arg(start));
    shape.loop = SampleShape::Loop::Set;
    shape.loopStart = start;
    shape.loopEnd = end;
}

namespace {

/// One object or list of a JSON text being walked.
struct Level
{
    bool object = false;
    QStringList path;
    QSet<QString> keys;
    QString key;        // the last key met in an object
    bool wantKey = true; // an object's next string is a key
    int index = 0;       // the position in a list
};

/// The JSON string that starts at \a at (its opening quote), decoded;
/// \a at moves past its closing quote.
QString readString(const QByteArray &json, qsizetype &at)
{
    QString text;
    qsizetype run = ++at;
    const auto flush = [&] {
        if (qMin(at, json.size()) > run)
            text += QString::fromUtf8(json.constData() + run, qMin(at, json.size()) - run);
    };
    while (at < json.size() && json.at(at) != '"') {
        if (json.at(at) != '\\') {
            ++at;
            continue;
        }
        flush();
        const char escaped = at + 1 < json.size() ? json.at(at + 1) : '\\';
        at += 2;
        switch (escaped) {
        case 'b': text += QLatin1Char('\b'); break;
        case 'f': text += QLatin1Char('\f'); break;
        case 'n': text += QLatin1Char('\n'); break;
        case 'r': text += QLatin1Char('\r'); break;
        case 't': text += QLatin1Char('\t'); break;
        case 'u':
            // UTF-16 units, a surrogate pair as two, as QString keeps them.
            text += QChar(char16_t(json.mid(at, 4).toUShort(nullptr, 16)));
            at += 4;
            break;
        default: text += QLatin1Char(escaped); break;
        }
        run = at;
    }
    flush();
    ++at;
    return text;
}

} // namespace

TwiceWritten keyWrittenTwice(const QByteArray &json)
{
    QList<Level> levels;
    const auto childPath = [&levels] {
        if (levels.isEmpty())
            return QStringList();
        const Level &parent = levels.constLast();
        return parent.path + QStringList{parent.object ? parent.key : QString::number(parent.index)};
    };
    for (qsizetype at = 0; at < json.size();) {
        const char c = json.at(at);
        if (c == '{' || c == '[') {
            Level level;
            level.object = c == '{';
            level.path = childPath();
            levels << level;
            ++at;
        } else if (c == '}' || c == ']') {
            if (!levels.isEmpty())
                levels.removeLast();
            ++at;
        } else if (c == ',') {
            if (!levels.isEmpty()) {
                levels.last().wantKey = true;
                ++levels.last().index;
            }
            ++at;
        } else if (c == '"') {
            const QString text = readString(json, at);
            if (!levels.isEmpty() && levels.constLast().object && levels.constLast().wantKey) {
                Level &level = levels.last();
                if (level.keys.contains(text))
                    return {level.path, text};
                level.keys.insert(text);
                level.key = text;
                level.wantKey = false;
            }
        } else {
            ++at;
        }
    }
    return {};
}

} // namespace kitformat
