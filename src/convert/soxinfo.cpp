#include "soxinfo.h"

#include <QRegularExpression>

#include <cmath>

QString soxName(const QString &path)
{
    return path.startsWith(QLatin1Char('-')) ? QStringLiteral("./") + path : path;
}

QStringList soxInfoArguments(const QString &path)
{
    // --info reads names as they are, with no wildcards (and refuses
    // --no-glob).
    return {QStringLiteral("--info"), soxName(path)};
}

SoxInfo parseSoxInfo(const QByteArray &output)
{
    SoxInfo info;
    // "Channels       : 2", "Duration       : 00:00:00.50 = 22050 samples ~ …"
    for (const QByteArray &line : output.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray key = line.left(colon).trimmed();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (key == "Channels") {
            info.channels = qMax(0, value.toInt());
        } else if (key == "Sample Rate") {
            const double rate = value.toDouble();
            info.sampleRate = rate >= 1 && rate < 1e9 ? int(std::lround(rate)) : 0;
        } else if (key == "Duration") {
            static const QRegularExpression samples(QStringLiteral("= (\\d{1,18}) samples"));
            const QRegularExpressionMatch match = samples.match(QString::fromLatin1(value));
            info.frames = match.hasMatch() ? match.captured(1).toLongLong() : 0;
        } else if (key == "Sample Encoding") {
            static const QRegularExpression stored(QStringLiteral("^(\\d{1,2})-bit .*(PCM|law)"));
            const QRegularExpressionMatch match = stored.match(QString::fromLatin1(value));
            info.storedBits = match.hasMatch() ? match.captured(1).toInt() : 0;
            info.framesTold = info.storedBits > 0 || value.endsWith("FLAC") || value == "Vorbis";
        }
    }
    return info;
}

WavFormat withSoxInfo(WavFormat format, const SoxInfo &info, qint64 fileSize)
{
    if (format.sampleRate <= 0) {
        format.sampleRate = info.sampleRate;
        format.channels = info.channels;
    }
    if (format.lengthKnown() || info.frames <= 0 || format.sampleRate <= 0)
        return format;
    // sox gives a header's count however little of it the file holds.
    bool held = info.framesTold;
    if (format.data.dataOffset > 0) // a WAV: its data chunk is there whole
        held = format.data.dataOffset + qint64(format.data.size) <= fileSize;
    else if (info.storedBits > 0 && info.channels > 0)
        held = double(info.frames) * info.channels * ((info.storedBits + 7) / 8) <= double(fileSize);
    if (held) {
        format.frames = info.frames;
        format.framesCounted = true;
    }
    return format;
}
