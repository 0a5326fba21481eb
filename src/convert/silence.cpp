#include "silence.h"

#include "sourcecheck.h"

#include <QFile>
#include <QProcess>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

/// How samples are stored, as far as we read them ourselves.
enum class Encoding { Unsigned8, Signed, Float, Other };

Encoding encodingOf(const WavFormat &format)
{
    const int tag = format.formatTag == 0xfffe ? format.subFormat : format.formatTag;
    const int bits = format.bitsPerSample;
    if (tag == 1 && bits == 8)
        return Encoding::Unsigned8;
    if (tag == 1 && (bits == 16 || bits == 24 || bits == 32))
        return Encoding::Signed;
    if (tag == 3 && (bits == 32 || bits == 64))
        return Encoding::Float;
    return Encoding::Other;
}

/// Tells whether a stretch of interleaved frames rises to the threshold.
class LoudnessTest
{
public:
    LoudnessTest(Encoding encoding, int bits, double thresholdDb)
        : m_encoding(encoding)
        , m_bytes(bits / 8)
    {
        const double fraction = std::pow(10.0, -thresholdDb / 20);
        m_floatThreshold = fraction;
        // A value counts from the threshold on, in the sample's own steps.
        m_intThreshold = qint64(std::ceil(fraction * double(qint64(1) << (bits - 1))));
    }

    bool loud(const char *bytes, qint64 size) const
    {
        for (qint64 at = 0; at + m_bytes <= size; at += m_bytes) {
            if (loudAt(bytes + at))
                return true;
        }
        return false;
    }

private:
    bool loudAt(const char *at) const
    {
        switch (m_encoding) {
        case Encoding::Unsigned8:
            return qAbs(int(quint8(*at)) - 128) >= m_intThreshold;
        case Encoding::Signed: {
            qint64 value = 0;
            if (m_bytes == 2)
                value = qFromLittleEndian<qint16>(at);
            else if (m_bytes == 4)
                value = qFromLittleEndian<qint32>(at);
            else // 24-bit, sign from its top byte
                value = qint32(quint32(quint8(at[0])) << 8 | quint32(quint8(at[1])) << 16 | quint32(quint8(at[2])) << 24) >> 8;
            return qAbs(value) >= m_intThreshold;
        }
        case Encoding::Float: {
            // NaN is no silence: sox makes it full scale.
            const double value = m_bytes == 4 ? double(qFromLittleEndian<float>(at)) : qFromLittleEndian<double>(at);
            return !(std::fabs(value) < m_floatThreshold);
        }
        case Encoding::Other:
            break;
        }
        return false;
    }

    Encoding m_encoding;
    int m_bytes;
    double m_floatThreshold = 0;
    qint64 m_intThreshold = 0;
};

/// The span of the windows from \a first to \a last (inclusive) of a part of
/// \a frames frames from \a from, each \a window frames long but the last.
SoundSpan spanOf(qint64 from, qint64 frames, qint64 window, qint64 first, qint64 last)
{
    SoundSpan span;
    span.kind = SoundSpan::Sound;
    span.start = from + first * window;
    span.frames = qMin(frames, (last + 1) * window) - first * window;
    span.lookedAt = frames;
    return span;
}

SoundSpan silent()
{
    SoundSpan span;
    span.kind = SoundSpan::Silent;
    return span;
}

SoundSpan unreadable(const QString &problem)
{
    SoundSpan span;
    span.problem = problem;
    return span;
}

/// Reads a PCM recording where it lies: forward from the start of the part
/// to its first loud window, backward from its end to its last.
SoundSpan findInPcm(const QString &path, const WavFormat &format, qint64 from, qint64 frames, double thresholdDb,
                    const std::function<bool()> &cancelled)
{
    QFile file;
    if (!openRegularFile(file, path, true))
        return unreadable(QStringLiteral("it cannot be read"));
    const LoudnessTest test(encodingOf(format), format.bitsPerSample, thresholdDb);
    const qint64 window = qMax<qint64>(1, qint64(format.sampleRate) * silenceWindowMs / 1000);
    const qint64 windows = (frames + window - 1) / window;
    const qint64 frameBytes = format.blockAlign;
    QByteArray buffer;
    const auto windowIsLoud = [&](qint64 index) -> std::optional<bool> {
        const qint64 first = from + index * window;
        const qint64 count = qMin(window, from + frames - first);
        buffer.resize(count * frameBytes);
        if (!file.seek(format.data.dataOffset + first * frameBytes)
            || file.read(buffer.data(), buffer.size()) != buffer.size())
            return std::nullopt;
        return test.loud(buffer.constData(), buffer.size());
    };
    // From window \a start towards \a end, the first loud one: \a end when
    // there is none, -1 when the file ends too soon or the user cancelled.
    QString problem;
    const auto firstLoud = [&](qint64 start, qint64 end) -> qint64 {
        const qint64 step = start <= end ? 1 : -1;
        for (qint64 index = start; index != end; index += step) {
            if ((index & 63) == 0 && cancelled && cancelled()) {
                problem = QStringLiteral("cancelled");
                return -1;
            }
            const std::optional<bool> loud = windowIsLoud(index);
            if (!loud) {
                problem = QStringLiteral("it ends before its header says");
                return -1;
            }
            if (*loud)
                return index;
        }
        return end;
    };
    const qint64 first = firstLoud(0, windows);
    if (first == windows)
        return silent();
    const qint64 last = first < 0 ? -1 : firstLoud(windows - 1, first);
    if (first < 0 || last < 0)
        return unreadable(problem);
    return spanOf(from, frames, window, first, last);
}

/// Has sox decode the part to 16-bit and looks through all of it as it
/// comes, for the encodings sox alone reads. The frames are counted in the
/// channels and at the rate \a format has, which sox itself told where the
/// file's header is not a WAV's.
SoundSpan findThroughSox(const QString &path, const WavFormat &format, const std::optional<SampleShape::Crop> &within,
                         double thresholdDb, const std::function<bool()> &cancelled)
{
    if (format.channels <= 0 || format.sampleRate <= 0)
        return unreadable(QStringLiteral("sox cannot tell its channels and rate"));
    const int channels = format.channels;
    const qint64 window = qMax<qint64>(1, qint64(format.sampleRate) * silenceWindowMs / 1000);
    // -c: sox hands on every channel the header told of, however many its
    // reader finds.
    QStringList arguments{QStringLiteral("--no-glob"), path, QStringLiteral("-t"), QStringLiteral("s16"),
                          QStringLiteral("-c"), QString::number(channels), QStringLiteral("-")};
    if (within)
        arguments << QStringLiteral("trim") << QString::number(within->start) + QLatin1Char('s')
                  << QString::number(within->frames) + QLatin1Char('s');
    QProcess sox;
    sox.start(QStringLiteral("sox"), arguments, QIODevice::ReadOnly);
    if (!sox.waitForStarted())
        return unreadable(QStringLiteral("sox could not be started"));
    const LoudnessTest test(Encoding::Signed, 16, thresholdDb);
    const qint64 windowBytes = window * channels * 2;
    QByteArray pending;
    qint64 decoded = 0; // bytes
    qint64 index = 0;
    qint64 first = -1;
    qint64 last = -1;
    const auto take = [&](bool atEnd) {
        qint64 at = 0;
        for (; at + windowBytes <= pending.size() || (atEnd && at < pending.size()); at += windowBytes, ++index) {
            if (test.loud(pending.constData() + at, qMin(windowBytes, pending.size() - at))) {
                if (first < 0)
                    first = index;
                last = index;
            }
        }
        pending.remove(0, qMin<qint64>(at, pending.size()));
    };
    while (sox.state() != QProcess::NotRunning || sox.bytesAvailable() > 0) {
        if (cancelled && cancelled()) {
            sox.kill();
            sox.waitForFinished();
            return unreadable(QStringLiteral("cancelled"));
        }
        if (sox.bytesAvailable() == 0)
            sox.waitForReadyRead(100);
        const QByteArray more = sox.readAllStandardOutput();
        decoded += more.size();
        pending.append(more);
        take(false);
    }
    sox.waitForFinished();
    take(true);
    if (sox.exitStatus() != QProcess::NormalExit || sox.exitCode() != 0) {
        const QByteArray said = sox.readAllStandardError().trimmed();
        return unreadable(said.isEmpty() ? QStringLiteral("sox could not read it")
                                         : QString::fromLocal8Bit(said.mid(said.lastIndexOf('\n') + 1)));
    }
    if (first < 0)
        return silent();
    return spanOf(within ? within->start : 0, decoded / (channels * 2), window, first, last);
}

} // namespace

SoundSpan findSound(const QString &path, const WavFormat &format, const std::optional<SampleShape::Crop> &within,
                    double thresholdDb, const std::function<bool()> &cancelled)
{
    if (const QString problem = sourceProblem(path); !problem.isEmpty())
        return unreadable(problem);
    if (format.plainPcm() && encodingOf(format) != Encoding::Other) {
        const qint64 from = within ? within->start : 0;
        const qint64 frames = within ? within->frames : format.frames;
        if (from < 0 || frames < 0 || from + frames > format.frames)
            return unreadable(QStringLiteral("its recording has become shorter than the part kept"));
        return findInPcm(path, format, from, frames, thresholdDb, cancelled);
    }
    return findThroughSox(path, format, within, thresholdDb, cancelled);
}

SampleShape trimmedTo(SampleShape shape, const SoundSpan &span)
{
    const qint64 from = shape.crop ? shape.crop->start : 0;
    if (span.kind == SoundSpan::Sound && (span.start != from || span.frames != span.lookedAt))
        shape.crop = SampleShape::Crop{span.start, span.frames};
    return shape;
}
