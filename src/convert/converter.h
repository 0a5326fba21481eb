#pragma once

#include "chunks.h"
#include "sample.h"
#include "soxarguments.h"
#include "soxoutput.h"

#include <QObject>
#include <QProcess>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <utility>

/// How long one run of sox may take before it is stopped, in milliseconds.
constexpr int converterTimeLimitMs = 30000;

/// What a run of sox makes: a file of the system temporary directory, WAV
/// (to play) or 8SVX, or the bare sound, signed 8-bit, which it hands over
/// on its standard output for an export to finish itself.
enum class ConversionOutput { WavFile, SvxFile, Sound };

/// One run of sox that turns a Sample into a WAV (preview) or 8SVX file of
/// the system temporary directory, or into the bare sound (export), without
/// blocking: finished() says when it is over. The converted file belongs to
/// this object and is removed with it, or at once when the run fails or is
/// cancelled.
class Conversion : public QObject
{
    Q_OBJECT

public:
    Conversion(const Sample &sample, ConversionOutput output, QObject *parent = nullptr);
    Conversion(const Sample &sample, bool toWav, QObject *parent = nullptr)
        : Conversion(sample, toWav ? ConversionOutput::WavFile : ConversionOutput::SvxFile, parent)
    {
    }
    ~Conversion() override;

    /// Makes the part of its recording that \a shape keeps, with the loop
    /// it sets; before start().
    void setShape(const SampleShape &shape) { m_shape = shape; }

    /// Starts sox. When it cannot or need not run (cancelled already, say),
    /// the conversion fails at once, and finished() comes before start()
    /// returns.
    void start(int timeLimitMs = converterTimeLimitMs);
    /// Starts sox and returns once the run is over, the event loop turning
    /// meanwhile, so the window repaints and cancel() can still come.
    void run(int timeLimitMs = converterTimeLimitMs);
    /// Stops sox at once and removes what it wrote.
    void cancel();
    /// Stops every sox that is running, at once: for a program that must
    /// end now.
    static void stopAll();
    /// How many runs of sox can be under way at once, as far as the
    /// descriptors this process may still open go (each run holds its
    /// pipes); at least one.
    static int mostAtOnce();

    /// Keeps the debug messages of this run (its argument list, what sox
    /// said) until takeLog(), so that runs side by side do not mix them.
    void holdLog() { m_holdLog = true; }
    QStringList takeLog() { return std::exchange(m_log, {}); }

    bool isFinished() const { return m_finished; }
    bool wasCancelled() const { return m_cancelled; }
    /// Why there is no converted file, in plain words; empty once it exists.
    QString failure() const { return m_failure; }
    /// Where the converted file is, or was to be. A file is there only when
    /// the run has finished without a failure.
    QString outputPath() const { return m_outputPath; }
    /// The bare sound, once the run has finished without a failure.
    QByteArray sound() const { return m_sound; }
    /// What the source's header says, as read before sox started (for any
    /// sound file but a WAV, FLAC or AIFF file, as sox told it in a run of
    /// its own), with its frames and loop as the shape leaves them.
    const WavFormat &source() const { return m_source; }
    /// Why the sample's loop was left out (it lies outside the part kept),
    /// or nothing.
    QString loopDropped() const { return m_loopDropped; }
    /// Why the sample's crossfade was left out (it has no loop, or its
    /// recording's loop is not the one it was made for), or nothing; and
    /// whether only because there is no loop at all.
    QString crossfadeDropped() const { return m_crossfadeDropped; }
    bool noLoopToCrossfade() const { return m_noLoopToCrossfade; }
    /// How far Normalise raised the sound, in words, when that was so far
    /// that it may be mostly noise ("raised by 78 dB: it may be mostly
    /// noise"); nothing otherwise.
    QString noiseWarning() const { return m_noiseWarning; }
    /// Leaves the converted file for the caller: it is no longer removed
    /// with this object, only when the program ends.
    QString takeOutput();

signals:
    void finished();

private:
    /// Every conversion whose sox may be running, for stopAll().
    static QSet<Conversion *> &live();
    /// Goes on once sox has told what the recording holds.
    void headerRead();
    /// Starts sox on the recording whose header is \a recording.
    void startConverting(const WavFormat &recording);
    void finish(const QString &failure);
    void processEnded();
    QString soxFailure() const;
    void log(const QString &message);

    Sample m_sample;
    SampleShape m_shape;
    ConversionOutput m_output;
    WavFormat m_source;
    QString m_loopDropped;
    QString m_crossfadeDropped;
    bool m_noLoopToCrossfade = false;
    QString m_noiseWarning;
    QString m_outputPath;
    QProcess m_sox;
    QTimer m_timeLimit;
    QByteArray m_errorOutput;
    QByteArray m_sound;
    QString m_failure;
    bool m_finished = false;
    bool m_cancelled = false;
    bool m_timedOut = false;
    bool m_ownsOutput = true;
    bool m_holdLog = false;
    bool m_readingHeader = false; // sox is telling what the recording holds
    QStringList m_log;
};

/// Runs sox once on \a sample and waits for it, the event loop turning
/// meanwhile, at most \a timeLimitMs; returns the path of the converted file
/// of the system temporary directory, which is the caller's to use until the
/// program ends. When the conversion fails the path names no file, so
/// nothing half-written is played or copied.
QString convertSample(Sample sample, bool toWav, int timeLimitMs = converterTimeLimitMs);
