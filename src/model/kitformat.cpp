#include "kitformat.h"

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

} // namespace kitformat
