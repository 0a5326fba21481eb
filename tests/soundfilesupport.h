#pragma once

// Sound files for the tests: recordings made with the real sox (and the
// chunks a sampler adds to them), and the 8SVX files the export writes, read
// back as trackers read them.

#include "sample.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

/// Writes a generated sound file with the real sox:
/// sox -n <outputOptions> <path> <effects>. The default is one second of a
/// 440 Hz tone, stereo, 16-bit, 44.1 kHz.
bool makeWav(const QString &path,
             const QStringList &outputOptions = {"-r", "44100", "-c", "2", "-b", "16"},
             const QStringList &effects = {"synth", "1", "sine", "440"});

/// Appends a chunk to the RIFF/WAVE file at \a path and mends the RIFF size,
/// as a sampler or an editor adds its smpl chunk.
bool appendRiffChunk(const QString &path, const QByteArray &id, const QByteArray &data);

/// One loop of a WAV file's smpl chunk: type (0 forward, 1 ping-pong,
/// 2 backward), first and last frame.
struct SmplLoop
{
    quint32 type = 0;
    quint32 start = 0;
    quint32 end = 0;
};

/// The data of a smpl chunk that says it holds \a loopCount loops and
/// holds \a loops.
QByteArray smplData(quint32 loopCount, const QList<SmplLoop> &loops, quint32 samplePeriodNs = 22676);

/// What a reader of 8SVX files finds in one: an empty problem when the IFF
/// structure (FORM/8SVX, VHDR, BODY, even padding) holds together and, for a
/// file the export finished (\a finished), the file is as trackers take it:
/// one octave, no compression, unity volume, chunks of whole words, a loop
/// inside the BODY, or a one-shot that starts with a silent word.
struct SvxFile
{
    QString problem;
    int samplesPerSec = 0;
    int channels = 0;
    qint64 bodySize = 0;
    qint64 oneShot = 0; // oneShotHiSamples
    qint64 repeat = 0;  // repeatHiSamples
    QByteArray name;    // of the NAME chunk, up to a NUL
    QByteArray body;
    /// The sound sox made: the BODY without the silent word of a one-shot.
    qint64 soundSize() const { return repeat == 0 ? bodySize - 2 : bodySize; }
};
SvxFile read8svx(const QString &path, bool finished = true);

/// What the export (its engine, as the window and the command line run it)
/// writes of one sample into a folder of its own: the file, read back, and
/// the report's note when it is too long for a tracker.
struct ExportedSample
{
    SvxFile file;
    QString tooLong;
    QString noise; // the report's line on how far Normalise raised it, when that was far
};
ExportedSample exportSample(const Sample &sample, const SampleShape &shape = SampleShape());
