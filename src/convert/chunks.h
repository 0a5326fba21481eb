#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class QFile;
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

/// How many chunks a walk visits at most. Real files have a handful; a file
/// of nothing but empty chunk headers would otherwise keep the reader busy
/// for as long as it is large.
constexpr int chunkWalkLimit = 4096;

/// Walks the chunks that follow a 12-byte form header ("RIFF....WAVE" or
/// "FORM....8SVX"), calling \a visit for each until it returns false, the
/// file ends or chunkWalkLimit chunks have been seen. Claimed sizes are not
/// trusted: a chunk may run past the end of the file, and the walk simply
/// stops there. Returns the form type, or an empty array (and visits
/// nothing) when the header is not \a form.
QByteArray forEachChunk(QIODevice &file, const QByteArray &form, ChunkOrder order,
                        const std::function<bool(const Chunk &)> &visit);

/// The first loop of a WAV file's smpl chunk, in sample frames of the
/// recording; the end is the last frame that is played, as smpl has it.
struct WavLoop
{
    qint64 start = 0;
    qint64 end = 0;
    /// Set by hand on the picture: its edges are moved to where the sound
    /// crosses zero once it is finished.
    bool byHand = false;
    /// The sample's crossfade of it: over so many milliseconds (0: none),
    /// by the law from 0 (Equal Gain) to 1 (Equal Power).
    double fadeMs = 0;
    double fadeLaw = 0.5;
};

/// What a WAV file's header says about its sound, as far as it can be read.
struct WavFormat
{
    int formatTag = 0;
    int subFormat = 0;  // of WAVE_FORMAT_EXTENSIBLE (0xfffe): 1 PCM, 3 float
    int channels = 0;
    int sampleRate = 0; // 0: not known
    int bitsPerSample = 0;
    int blockAlign = 0;  // bytes per frame
    Chunk data;          // data.dataOffset is 0 when there is no data chunk
    std::optional<WavLoop> loop;

    /// How many frames the data chunk holds, as far as the file holds them;
    /// or, with framesCounted, what sox counted.
    qint64 frames = 0;
    /// frames is not the header's reckoning but a count sox made, or the
    /// part of the recording a sample keeps.
    bool framesCounted = false;

    /// Whether the header alone tells the frames sox reads: plain PCM or
    /// float whose frame size agrees with its channels and bits.
    bool plainPcm() const
    {
        const bool plain = formatTag == 1 || formatTag == 3 || formatTag == 0xfffe;
        return plain && channels > 0 && sampleRate > 0 && bitsPerSample > 0 && data.dataOffset != 0
            && blockAlign == channels * ((bitsPerSample + 7) / 8);
    }
    /// Whether frames is what sox reads.
    bool lengthKnown() const { return sampleRate > 0 && (framesCounted || plainPcm()); }
};

/// Opens \a path for reading only if it is a regular file: a FIFO or a
/// device put there is never waited on or read. Unbuffered unless
/// \a buffered: each chunk header is one small read, not a buffer's worth.
bool openRegularFile(QFile &file, const QString &path, bool buffered = false);

/// Reads the fmt, data and first smpl chunks of the WAV file at \a path;
/// whatever cannot be read stays 0. Survives any bytes, and reads nothing
/// but a regular file: a FIFO or a device is never waited on.
WavFormat readWavFormat(const QString &path);

/// What is wrong with the file at \a path as the whole output of a finished
/// sox run, or an empty string: a WAV's RIFF size and data chunk, an 8SVX's
/// FORM size, VHDR and BODY, must agree with the size of the file. sox
/// leaves a file cut short, and says nothing, when its disk fills.
QString incompleteness(const QString &path);

/// Appends one IFF chunk (big-endian size) to \a file, with its pad byte
/// when odd.
void appendIffChunk(QByteArray &file, const QByteArray &id, QByteArrayView data);
