#pragma once

// What the kit file's reader and writer share: the format's name, how paths
// are kept beside the kit, and how the reader checks the values of one JSON
// object. Not for the rest of the program, which speaks of kits through
// kitfile.h.

#include "slicemarkers.h"
#include "sampleshape.h"

#include <QDir>
#include <QJsonObject>
#include <QJsonValue>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cmath>
#include <optional>

struct KitEntry;

namespace kitformat {

/// What the "format" key of every kit says.
inline const QString formatName = QStringLiteral("brindlebox-kit");

/// Frames beyond this are past any recording, and a double still holds them
/// exactly.
constexpr qint64 largestFrame = qint64(1) << 53;

/// \a path as the kit in \a folder keeps it: relative when it lies below
/// the folder, so that the kit and its recordings can move together.
QString pathInKit(const QDir &folder, const QString &path);

/// A path the kit in \a folder holds, as written: joined to the folder
/// unless it is absolute, never expanded by a shell or as a wildcard.
QString pathFromKit(const QString &folder, const QString &written);

/// A value as a message quotes it; a control character in a text, which
/// would cut the message short or hide in it, is written as JSON writes it
/// ("\u0000").
QString quoted(const QJsonValue &value);

class Fields;

/// The frames kept by the crop \a value, or a problem noted in \a fields.
std::optional<SampleShape::Crop> readCrop(Fields &fields, const QJsonValue &value);

/// Reads the loop \a value of a shape into \a shape: "none", "recording",
/// or the frames of one set by hand; or notes a problem in \a fields.
void readLoop(Fields &fields, const QJsonValue &value, SampleShape &shape);

/// \a text with each control character in it written as JSON writes it.
QString visible(const QString &text);

/// Where a key is written twice in one object of a JSON text, which
/// QJsonDocument would read as the last of the two without a word.
struct TwiceWritten
{
    QStringList path; // keys and list positions from the top: {}, {"samples", "0", "crop"}
    QString key;      // empty: no key is written twice
};

/// The first key written twice in one object of \a json, a text
/// QJsonDocument has read.
TwiceWritten keyWrittenTwice(const QByteArray &json);

/// Reads the values of one JSON object, noting the first that is missing,
/// of the wrong type or out of range as a problem that names \a where. A
/// value may be left out where the reader gives what it stands for instead
/// (\a otherwise).
class Fields
{
public:
    Fields(const QJsonObject &object, const QString &where)
        : m_object(object)
        , m_where(where)
    {
    }

    QString problem;

    bool has(const QString &key) const { return m_object.contains(key); }
    /// Notes the first key the object has that \a keys does not hold, as
    /// one \a what does not have ("a kit", "a crop").
    void onlyKeys(const QSet<QString> &keys, const QString &what = QStringLiteral("a kit"))
    {
        for (auto key = m_object.constBegin(); key != m_object.constEnd(); ++key) {
            if (!keys.contains(key.key()))
                fail(QStringLiteral("has \"%1\", which %2 does not have").arg(visible(key.key()), what));
        }
    }
    void setWhere(const QString &where) { m_where = where; }

    bool flag(const QString &key, bool otherwise)
    {
        const QJsonValue value = m_object.value(key);
        if (value.isUndefined())
            return otherwise;
        if (!value.isBool())
            refuse(key, value, QStringLiteral("true or false"));
        return value.toBool();
    }
    QString text(const QString &key, const std::optional<QString> &otherwise = std::nullopt)
    {
        const QJsonValue value = m_object.value(key);
        if (value.isUndefined() && otherwise)
            return *otherwise;
        if (!value.isString())
            refuse(key, value, QStringLiteral("text"));
        return value.toString();
    }
    qint64 number(const QString &key, qint64 lowest, qint64 highest, std::optional<qint64> otherwise = std::nullopt)
    {
        const QJsonValue value = m_object.value(key);
        if (value.isUndefined() && otherwise)
            return *otherwise;
        const double number = value.toDouble();
        if (!value.isDouble() || !(number >= double(lowest) && number <= double(highest)) || number != std::floor(number)) {
            refuse(key, value, QStringLiteral("a whole number from %1 to %2").arg(lowest).arg(highest));
            return lowest;
        }
        return value.toInteger();
    }
    /// Notes \a what as the problem unless one is noted already.
    void fail(const QString &what)
    {
        if (problem.isEmpty())
            problem = m_where + what;
    }

private:
    void refuse(const QString &key, const QJsonValue &value, const QString &wanted)
    {
        if (value.isUndefined())
            fail(QStringLiteral("has no \"%1\"").arg(key));
        else
            fail(QStringLiteral("has \"%1\": %2, not %3").arg(key, quoted(value), wanted));
    }

    QJsonObject m_object;
    QString m_where;
};

/// A sample's slice markers as the kit keeps them: {"at": [frames],
/// "recordingFrames": its length then, "leaveOutSilence": true when set}.
QJsonObject markersObject(const SliceMarkers &markers);

/// The slice markers in \a value, or a problem noted in \a fields: frames
/// inside the recording, in order, none twice.
SliceMarkers readMarkers(Fields &fields, const QJsonValue &value);

/// What a message calls the entry numbered \a number from 1: by its
/// recording as the kit writes it, when it has one.
QString entryName(int number, const QJsonValue &entry);

/// One entry of the kit in \a folder, numbered \a number from 1, or a
/// problem noted in \a problem.
KitEntry readEntry(const QJsonValue &value, int number, const QString &folder, QString &problem);

} // namespace kitformat
