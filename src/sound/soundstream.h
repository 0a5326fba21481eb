#pragma once

#include "trackerengine.h"

#include <QHash>
#include <QIODevice>
#include <QMutex>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

/// The sound of a tracker engine as a device pulls it: each read renders
/// just the frames asked for (mono, signed 16-bit), so nothing is made
/// ahead of what the device holds. Whoever plays (the keys, a kit) hands it
/// small commands from any thread, under a short lock; they take effect at
/// the start of the next read, on the thread that reads. The engine is the
/// reading side's alone.
class SoundStream : public QIODevice
{
    Q_OBJECT

public:
    /// Renders at \a rate frames a second; opened for reading.
    explicit SoundStream(int rate, QObject *parent = nullptr);
    ~SoundStream() override;

    int rate() const { return m_rate; }

    /// Plays \a engine from now on, as \a mode says; every voice of the
    /// engine before stops. None: silence.
    void setEngine(std::unique_ptr<TrackerEngine> engine);
    /// Starts the voice \a voice, a number of the caller's own: the
    /// module's sample \a slot at tracker note \a note. It sounds until
    /// noteOff(), another noteOn() of the same voice or a new engine, or,
    /// when \a lasts is not negative, for about that many frames (a sample
    /// that plays once).
    void noteOn(int voice, int slot, int note, qint64 lasts = -1);
    void noteOff(int voice);
    void setAmigaModel(AmigaModel model);

    /// When a voice sounded, in frames of this stream: from its start up to
    /// its end, which is -1 while nothing has stopped it.
    struct Span
    {
        qint64 start = -1;
        qint64 end = -1;
    };
    /// The span of \a voice's last note, once a read has started it; none
    /// before.
    std::optional<Span> span(int voice) const;
    /// Frames rendered so far.
    qint64 framesRendered() const { return m_rendered.load(); }
    /// Whether a song has played to its end.
    bool songEnded() const { return m_songEnded.load(); }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

signals:
    /// A song has played to its end; emitted on the reading thread.
    void songFinished();

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 size) override;

private:
    struct Command;
    struct Voice
    {
        int id = 0;
        int channel = -1;
        qint64 start = 0;
        qint64 freeAt = -1; // when a sample that plays once is surely over
    };

    void apply(Command &command, qint64 now);
    void endVoice(size_t index, qint64 now, bool silence);

    const int m_rate;
    mutable QMutex m_mutex; // guards the commands and the spans
    std::vector<Command> m_commands;
    QHash<int, Span> m_spans;
    std::atomic<qint64> m_rendered{0};
    std::atomic<bool> m_songEnded{false};
    // The reading side's own.
    std::unique_ptr<TrackerEngine> m_engine;
    std::vector<Voice> m_voices;
    qint64 m_quietFrom = 0; // when the last voice's sound has surely died away
};
