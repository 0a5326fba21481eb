#include "soundheader.h"

#include <QFile>
#include <QList>
#include <QtEndian>

#include <cmath>

namespace {

/// A rate a recording can have: the 80-bit IEEE extended number of an AIFF
/// file's COMM chunk, whole, from 1 Hz to 1 GHz; 0 for any other.
int extendedRate(const char *bytes)
{
    const int exponent = (qFromBigEndian<quint16>(bytes) & 0x7fff) - 16383 - 63;
    const quint64 mantissa = qFromBigEndian<quint64>(bytes + 2);
    if (qFromBigEndian<quint16>(bytes) & 0x8000 || exponent < -128 || exponent > 0)
        return 0;
    const double rate = std::ldexp(double(mantissa), exponent);
    return rate >= 1 && rate <= 1e9 ? int(std::lround(rate)) : 0;
}

/// A FLAC file's STREAMINFO, which its format puts first: rate, channels,
/// bits and the frames it holds in one 64-bit field after the block sizes
/// and frame sizes.
WavFormat readFlac(QFile &file)
{
    WavFormat format;
    const QByteArray head = file.read(4 + 4 + 34);
    if (head.size() < 4 + 4 + 34 || !head.startsWith("fLaC") || (head.at(4) & 0x7f) != 0)
        return format;
    const quint64 fields = qFromBigEndian<quint64>(head.constData() + 8 + 10);
    format.sampleRate = int(fields >> 44);
    format.channels = int((fields >> 41) & 7) + 1;
    format.bitsPerSample = int((fields >> 36) & 31) + 1;
    // 0: the encoder did not know; sox counts them then.
    if (const qint64 frames = qint64(fields & 0xfffffffffULL); frames > 0 && format.sampleRate > 0) {
        format.frames = frames;
        format.framesCounted = true;
    }
    return format;
}

/// An AIFF or AIFF-C file's COMM chunk (channels, frames, bits, rate and,
/// in AIFF-C, its compression) and how many bytes of sound its SSND chunk
/// holds in the file.
WavFormat readAiff(QFile &file)
{
    WavFormat format;
    qint64 frames = -1;
    QByteArray compression = "NONE";
    qint64 soundBytes = -1;
    const QByteArray form = forEachChunk(file, "FORM", ChunkOrder::BigEndian, [&](const Chunk &chunk) {
        if (chunk.id == "COMM" && frames < 0 && chunk.size >= 18) {
            const QByteArray fields = file.read(qMin<quint32>(chunk.size, 22));
            if (fields.size() >= 18) {
                format.channels = qFromBigEndian<quint16>(fields.constData());
                frames = qFromBigEndian<quint32>(fields.constData() + 2);
                format.bitsPerSample = qFromBigEndian<quint16>(fields.constData() + 6);
                format.sampleRate = extendedRate(fields.constData() + 8);
                if (fields.size() >= 22)
                    compression = fields.mid(18, 4);
            }
        } else if (chunk.id == "SSND" && soundBytes < 0 && chunk.size >= 8) {
            const QByteArray offset = file.read(4);
            const qint64 start = chunk.dataOffset + 8 + (offset.size() == 4 ? qFromBigEndian<quint32>(offset.constData()) : 0);
            soundBytes = qBound<qint64>(0, qMin(file.size(), chunk.dataOffset + qint64(chunk.size)) - start, chunk.size);
        }
        return frames < 0 || soundBytes < 0;
    });
    if ((form != "AIFF" && form != "AIFC") || format.channels <= 0 || format.sampleRate <= 0) {
        return WavFormat();
    }
    // Samples stored plainly, big- or little-endian, whole or floating: the
    // bytes tell how many frames there are. Compressed: sox tells.
    static const QList<QByteArray> plain{"NONE", "twos", "sowt", "raw ", "in24", "in32", "fl32", "FL32", "fl64", "FL64"};
    if (form == "AIFC" && !plain.contains(compression))
        return format;
    const qint64 frameBytes = qint64(format.channels) * ((format.bitsPerSample + 7) / 8);
    if (frames >= 0 && soundBytes >= 0 && frameBytes > 0 && format.bitsPerSample <= 64) {
        format.frames = qMin(frames, soundBytes / frameBytes);
        format.framesCounted = true;
    }
    return format;
}

} // namespace

WavFormat readSoundHeader(const QString &path)
{
    QFile file;
    if (!openRegularFile(file, path))
        return WavFormat();
    const QByteArray magic = file.read(4);
    if (!file.seek(0))
        return WavFormat();
    if (magic == "fLaC")
        return readFlac(file);
    if (magic == "FORM")
        return readAiff(file);
    file.close();
    return readWavFormat(path);
}
