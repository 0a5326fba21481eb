#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

class QIODevice;

/// One chunk of a RIFF file (WAV, sizes little-endian) or an IFF file
/// (8SVX, sizes big-endian): its four-letter id, where its data starts and
/// how many bytes of data its header claims.
struct Chunk
{
    QByteArray id;
    qint64 dataOffset = 0;
    quint32 size = 0;
};

enum class ChunkOrder { LittleEndian, BigEndian };

/// Walks the chunks that follow a 12-byte form header ("RIFF....WAVE" or
/// "FORM....8SVX"), calling \a visit for each until it returns false or the
/// file ends. Claimed sizes are not trusted: a chunk may run past the end of
/// the file, and the walk simply stops there. Returns the form type, or an
/// empty array (and visits nothing) when the header is not \a form.
QByteArray forEachChunk(QIODevice &file, const QByteArray &form, ChunkOrder order,
                        const std::function<bool(const Chunk &)> &visit);

/// What a WAV file's header says about its sound, as far as it can be read.
struct WavFormat
{
    int formatTag = 0;
    int channels = 0;
    int sampleRate = 0; // 0: not known
    int bitsPerSample = 0;
    Chunk data;         // data.dataOffset is 0 when there is no data chunk
};

/// Reads the fmt and data chunks of the WAV file at \a path; whatever cannot
/// be read stays 0. Survives any bytes.
WavFormat readWavFormat(const QString &path);

/// The size of the BODY chunk of the 8SVX file at \a path (the bytes of
/// sound a tracker loads), or -1 when the file has none.
qint64 svxBodySize(const QString &path);
