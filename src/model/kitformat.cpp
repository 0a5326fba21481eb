#include "kitformat.h"

#include <QJsonArray>

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

QString quoted(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String: {
        const QString text = value.toString();
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

} // namespace kitformat
