#include "trackersample.h"

#include "loopseam.h"
#include "notetable.h"
#include "sample.h"

#include <QLocale>
#include <QtEndian>

#include <optional>

namespace {

struct Loop
{
    qint64 start = 0;
    qint64 length = 0;
};

/// The recording's first loop at \a rate, in whole words inside a sound of
/// \a soundBytes; none when the loop is not a loop or falls outside the
/// recording, or when less than a word of it would be left.
std::optional<Loop> scaledLoop(const WavFormat &source, int rate, qint64 soundBytes)
{
    if (!source.loop || source.sampleRate <= 0 || rate <= 0)
        return std::nullopt;
    const WavLoop &loop = *source.loop;
    if (loop.end < loop.start || (source.lengthKnown() && loop.end >= source.frames))
        return std::nullopt;
    // The loop plays frames start to end inclusive. Its length is rounded
    // to the nearest whole word and its start to the nearest word, so that
    // a loop its sampler made of whole periods stays within a byte of them.
    const double scale = double(rate) / source.sampleRate;
    const qint64 start = 2 * qRound64(double(loop.start) * scale / 2);
    qint64 length = 2 * qRound64(double(loop.end + 1 - loop.start) * scale / 2);
    length = qMin(length, (soundBytes & ~qint64(1)) - start);
    if (length < 2)
        return std::nullopt;
    return Loop{start, length};
}

QByteArray voiceHeader(quint32 oneShot, quint32 repeat, quint16 rate)
{
    QByteArray header(20, '\0');
    char *at = header.data();
    qToBigEndian<quint32>(oneShot, at);
    qToBigEndian<quint32>(repeat, at + 4);
    qToBigEndian<quint32>(0, at + 8); // samplesPerHiCycle: not a tuned instrument
    qToBigEndian<quint16>(rate, at + 12);
    at[14] = 1;                           // one octave
    at[15] = 0;                           // no compression
    qToBigEndian<quint32>(0x10000, at + 16); // unity volume
    return header;
}

} // namespace

QByteArray printableAscii(const QString &text)
{
    QByteArray ascii;
    for (const char32_t character : text.toUcs4())
        ascii.append(character >= 0x20 && character <= 0x7e ? char(character) : '_');
    return ascii;
}

QByteArray trackerName(const QString &sampleName)
{
    return printableAscii(nameWithoutExtension(sampleName));
}

TrackerLayout trackerLayout(qint64 soundBytes, int rate, const WavFormat &source)
{
    TrackerLayout layout;
    const std::optional<Loop> loop = scaledLoop(source, rate, soundBytes);
    // Classic trackers count a sample in 16-bit words, silence a one-shot
    // sample's first word, and disagree on whether an odd BODY's pad byte
    // is sound.
    layout.silentBytes = loop ? 0 : 2;
    layout.bodySize = layout.silentBytes + soundBytes + ((layout.silentBytes + soundBytes) & 1);
    layout.looped = loop.has_value();
    layout.loopStart = loop ? loop->start : 0;
    layout.loopLength = loop ? loop->length : 0;
    return layout;
}

qint64 soundBytesAt(const WavFormat &source, int rate)
{
    if (!source.lengthKnown() || rate <= 0)
        return -1;
    // sox's rate effect, to the letter: it ends with the frame nearest to
    // the input's length times the ratio, reckoned in doubles.
    return qint64(double(source.frames) * (double(rate) / double(source.sampleRate)) + .5);
}

QString highestFittingNote(const WavFormat &source, int ceilingRate)
{
    const QStringList notes = notesByRate();
    for (auto note = notes.crbegin(); note != notes.crend(); ++note) {
        const int rate = noteFrequencies.value(*note);
        if (ceilingRate > 0 && rate > ceilingRate)
            continue;
        const qint64 sound = soundBytesAt(source, rate);
        if (sound < 0)
            return QString();
        if (trackerLayout(sound, rate, source).bodySize <= classicTrackerSampleBytes)
            return *note;
    }
    return QString();
}

TrackerSample finishForTrackers(QByteArrayView sound, int rate, const QString &sampleName, const WavFormat &source)
{
    TrackerSample finished;
    if (rate <= 0 || rate > 0xffff) {
        finished.problem = QStringLiteral("there is no sample rate of %1 Hz in an 8SVX file").arg(rate);
        return finished;
    }
    const TrackerLayout layout = finishedLayout(sound, rate, source);
    const QByteArray silentWord(layout.silentBytes, '\0');
    const quint32 oneShot = layout.looped ? quint32(layout.loopStart) : quint32(layout.bodySize);
    const quint32 repeat = quint32(layout.loopLength);
    // A NUL ends an odd name instead of a pad byte, which some readers take
    // for the start of the next chunk.
    QByteArray name = trackerName(sampleName);
    if (name.size() & 1)
        name.append('\0');

    // One buffer of the finished size: a sample can be long, and the window
    // waits while it is made.
    QByteArray &file = finished.bytes;
    file.reserve(12 + 8 + 20 + 8 + name.size() + 8 + layout.bodySize);
    file.append("FORM\0\0\0\08SVX", 12);
    appendIffChunk(file, "VHDR", voiceHeader(oneShot, repeat, quint16(rate)));
    appendIffChunk(file, "NAME", name);
    char size[4];
    qToBigEndian<quint32>(quint32(layout.bodySize), size);
    file.append("BODY", 4).append(size, 4).append(silentWord).append(sound);
    if (layout.bodySize > silentWord.size() + sound.size())
        file.append('\0');
    blendLoopEnd(file.data() + file.size() - layout.bodySize, layout);
    qToBigEndian<quint32>(quint32(file.size() - 8), file.data() + 4);
    finished.rate = rate;
    finished.bodySize = layout.bodySize;
    finished.soundSize = sound.size();
    finished.looped = layout.looped;
    finished.loopStart = layout.loopStart;
    finished.loopLength = layout.loopLength;
    finished.crossfadeShortfall = crossfadeShortfall(layout, rate);
    return finished;
}

QString fittingNote(qint64 soundSize, int rate, bool looped, const WavFormat &source)
{
    // The header tells exactly, as long as it agrees with what sox made.
    if (soundBytesAt(source, rate) == soundSize)
        return highestFittingNote(source);
    // Otherwise the same sound at another note's rate, about: the silent
    // first word of a one-shot stays, and the BODY is whole words.
    QString fitting;
    int fittingRate = 0;
    for (auto it = noteFrequencies.cbegin(); it != noteFrequencies.cend(); ++it) {
        qint64 atNote = (soundSize * it.value() + rate - 1) / rate + (looped ? 0 : 2);
        atNote += atNote & 1;
        if (it.value() > fittingRate && atNote <= classicTrackerSampleBytes) {
            fittingRate = it.value();
            fitting = it.key();
        }
    }
    return fitting;
}

QString lengthNote(const QString &fileName, const TrackerSample &sample, const WavFormat &source)
{
    const int rate = sample.rate;
    const qint64 bytes = sample.bodySize;
    if (bytes <= classicTrackerSampleBytes || rate <= 0)
        return QString();
    const QLocale english(QLocale::English);
    QString note;
    if (bytes > trackerSampleBytesLimit) {
        note = QStringLiteral("%1: %2 bytes of sound; no tracker of the classic kind holds more than %3 bytes "
                              "of one sample, so it will be cut short")
                   .arg(fileName, english.toString(bytes), english.toString(trackerSampleBytesLimit));
    } else {
        note = QStringLiteral("%1: %2 bytes of sound; classic trackers play at most %3 bytes (%4 in newer ones)")
                   .arg(fileName, english.toString(bytes), english.toString(classicTrackerSampleBytes),
                        english.toString(trackerSampleBytesLimit));
    }
    const QString fitting = fittingNote(sample.soundSize, rate, sample.looped, source);
    if (fitting.isEmpty())
        return note + QStringLiteral("; it is too long even at C-1, so only a shorter recording fits.");
    return note + QStringLiteral("; at %1 or lower it fits.").arg(fitting);
}
