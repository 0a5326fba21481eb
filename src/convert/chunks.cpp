#include "chunks.h"

#include <QFile>
#include <QtEndian>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <limits>

namespace {

quint32 sizeField(const char *bytes, ChunkOrder order)
{
    return order == ChunkOrder::LittleEndian ? qFromLittleEndian<quint32>(bytes) : qFromBigEndian<quint32>(bytes);
}

} // namespace

bool openRegularFile(QFile &file, const QString &path, bool buffered)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    return file.open(fd, buffered ? QIODevice::ReadOnly : QIODevice::ReadOnly | QIODevice::Unbuffered,
                     QFileDevice::AutoCloseHandle);
}

namespace {

/// The first loop of a smpl chunk: 36 bytes of sampler data with the loop
/// count at 28, then 24 bytes a loop (id, type, start, end, ...). Forward
/// and alternating loops play forward from the start in a tracker; others
/// are not taken.
std::optional<WavLoop> readSmplLoop(QIODevice &file, const Chunk &chunk)
{
    if (chunk.size < 36 + 24)
        return std::nullopt;
    const QByteArray bytes = file.read(36 + 24);
    if (bytes.size() < 36 + 24 || qFromLittleEndian<quint32>(bytes.constData() + 28) == 0)
        return std::nullopt;
    const char *loop = bytes.constData() + 36;
    const quint32 type = qFromLittleEndian<quint32>(loop + 4);
    if (type != 0 && type != 1)
        return std::nullopt;
    return WavLoop{qFromLittleEndian<quint32>(loop + 8), qFromLittleEndian<quint32>(loop + 12)};
}

} // namespace

QByteArray forEachChunk(QIODevice &file, const QByteArray &form, ChunkOrder order,
                        const std::function<bool(const Chunk &)> &visit)
{
    if (!file.seek(0))
        return QByteArray();
    const QByteArray header = file.read(12);
    if (header.size() < 12 || !header.startsWith(form))
        return QByteArray();
    // Every step moves at least 8 bytes on, and the walk is bounded, so no
    // file keeps it going for long.
    qint64 at = 12;
    for (int visited = 0; visited < chunkWalkLimit; ++visited) {
        if (!file.seek(at))
            break;
        const QByteArray chunkHeader = file.read(8);
        if (chunkHeader.size() < 8)
            break;
        const Chunk chunk{chunkHeader.left(4), at + 8, sizeField(chunkHeader.constData() + 4, order)};
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
    QFile file;
    if (!openRegularFile(file, path))
        return format;
    bool haveFormat = false;
    bool haveSmpl = false;
    forEachChunk(file, "RIFF", ChunkOrder::LittleEndian, [&](const Chunk &chunk) {
        if (chunk.id == "fmt " && !haveFormat && chunk.size >= 16) {
            const QByteArray fields = file.read(qMin<quint32>(chunk.size, 40));
            if (fields.size() >= 16) {
                haveFormat = true;
                const char *at = fields.constData();
                format.formatTag = qFromLittleEndian<quint16>(at);
                format.channels = qFromLittleEndian<quint16>(at + 2);
                const quint32 rate = qFromLittleEndian<quint32>(at + 4);
                format.sampleRate = rate <= quint32(std::numeric_limits<int>::max()) ? int(rate) : 0;
                format.blockAlign = qFromLittleEndian<quint16>(at + 12);
                format.bitsPerSample = qFromLittleEndian<quint16>(at + 14);
                // WAVE_FORMAT_EXTENSIBLE names its encoding in the first
                // two bytes of a GUID at 24.
                if (format.formatTag == 0xfffe && fields.size() >= 26)
                    format.subFormat = qFromLittleEndian<quint16>(at + 24);
            }
        } else if (chunk.id == "data" && format.data.dataOffset == 0) {
            format.data = chunk;
        } else if (chunk.id == "smpl" && !haveSmpl) {
            haveSmpl = true;
            format.loop = readSmplLoop(file, chunk);
        }
        return !haveFormat || format.data.dataOffset == 0 || !haveSmpl;
    });
    if (format.blockAlign > 0 && format.data.dataOffset > 0) {
        const qint64 held = qBound<qint64>(0, file.size() - format.data.dataOffset, format.data.size);
        format.frames = held / format.blockAlign;
    }
    return format;
}

QString incompleteness(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("it cannot be read");
    const QByteArray header = file.read(12);
    const bool wav = header.startsWith("RIFF") && header.mid(8, 4) == "WAVE";
    const bool svx = header.startsWith("FORM") && header.mid(8, 4) == "8SVX";
    if (!wav && !svx)
        return QStringLiteral("it has %1 bytes and no header").arg(file.size());
    const ChunkOrder order = wav ? ChunkOrder::LittleEndian : ChunkOrder::BigEndian;
    const qint64 claimed = qint64(sizeField(header.constData() + 4, order)) + 8;
    if (claimed != file.size())
        return QStringLiteral("its header claims %1 bytes, but it has %2").arg(claimed).arg(file.size());
    bool haveVhdr = false;
    Chunk sound;
    forEachChunk(file, header.left(4), order, [&](const Chunk &chunk) {
        if (chunk.id == "VHDR" && chunk.size == 20)
            haveVhdr = true;
        else if (chunk.id == (wav ? "data" : "BODY"))
            sound = chunk;
        return sound.dataOffset == 0;
    });
    if (sound.dataOffset == 0 || (svx && !haveVhdr))
        return QStringLiteral("it has no sound");
    if (sound.dataOffset + sound.size > file.size())
        return QStringLiteral("its sound is cut short");
    return QString();
}

void appendIffChunk(QByteArray &file, const QByteArray &id, QByteArrayView data)
{
    char size[4];
    qToBigEndian<quint32>(quint32(data.size()), size);
    file.append(id.left(4)).append(size, 4).append(data);
    if (data.size() & 1)
        file.append('\0');
}
