#include "chunks.h"

#include <QFile>
#include <QtEndian>

#include <limits>

QByteArray forEachChunk(QIODevice &file, const QByteArray &form, ChunkOrder order,
                        const std::function<bool(const Chunk &)> &visit)
{
    const QByteArray header = file.read(12);
    if (header.size() < 12 || !header.startsWith(form))
        return QByteArray();
    const auto size = [order](const char *bytes) {
        return order == ChunkOrder::LittleEndian ? qFromLittleEndian<quint32>(bytes)
                                                 : qFromBigEndian<quint32>(bytes);
    };
    // Every step moves at least 8 bytes on, so even a file of nothing but
    // empty chunk headers is walked to its end.
    for (qint64 at = 12;; ) {
        if (!file.seek(at))
            break;
        const QByteArray chunkHeader = file.read(8);
        if (chunkHeader.size() < 8)
            break;
        const Chunk chunk{chunkHeader.left(4), at + 8, size(chunkHeader.constData() + 4)};
        if (!visit(chunk))
            break;
        // Odd-sized chunks are followed by a pad byte in both formats.
        at = chunk.dataOffset + chunk.size + (chunk.size & 1);
    }
    return header.mid(8, 4);
}

WavFormat readWavFormat(const QString &path)
{
    WavFormat format;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return format;
    bool haveFormat = false;
    forEachChunk(file, "RIFF", ChunkOrder::LittleEndian, [&](const Chunk &chunk) {
        if (chunk.id == "fmt " && !haveFormat && chunk.size >= 16) {
            const QByteArray fields = file.read(16);
            if (fields.size() == 16) {
                haveFormat = true;
                const char *at = fields.constData();
                format.formatTag = qFromLittleEndian<quint16>(at);
                format.channels = qFromLittleEndian<quint16>(at + 2);
                const quint32 rate = qFromLittleEndian<quint32>(at + 4);
                format.sampleRate = rate <= quint32(std::numeric_limits<int>::max()) ? int(rate) : 0;
                format.bitsPerSample = qFromLittleEndian<quint16>(at + 14);
            }
        } else if (chunk.id == "data" && format.data.dataOffset == 0) {
            format.data = chunk;
        }
        return !haveFormat || format.data.dataOffset == 0;
    });
    return format;
}

qint64 svxBodySize(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    qint64 body = -1;
    const QByteArray type = forEachChunk(file, "FORM", ChunkOrder::BigEndian, [&](const Chunk &chunk) {
        if (chunk.id == "BODY")
            body = chunk.size;
        return body < 0;
    });
    return type == "8SVX" ? body : -1;
}
