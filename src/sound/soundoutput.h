#pragma once

#include <QObject>
#include <QThread>

#include <atomic>

class SoundStream;

/// The sound card, playing a SoundStream through Qt Multimedia's
/// QAudioSink in pull mode, on a thread of its own: the stream renders on
/// that thread as the device asks, so neither the window's thread waits on
/// the device nor the device on the window. The sink holds 20 to 40 ms of
/// sound: a note rendered is heard after what lies in it then.
class SoundOutput : public QObject
{
    Q_OBJECT

public:
    /// Whether there is anything to play through: a device, a sound
    /// server. There is none under the offscreen platform with no server.
    static bool available();
    /// The rate to render at for the default device: 48000 Hz, unless it
    /// cannot play mono 16-bit sound at that rate but can at its own.
    static int preferredRate();

    /// Plays \a stream, which must have no parent; it becomes the output's,
    /// and lives on the output's thread from now on.
    explicit SoundOutput(SoundStream *stream, QObject *parent = nullptr);
    /// Stops the device and ends the thread.
    ~SoundOutput() override;

    /// The stream, for commands and what it has rendered.
    SoundStream *stream() const { return m_stream; }
    /// How many frames the device holds ahead of what is heard, once it
    /// has started; 0 before.
    qint64 bufferedFrames() const { return m_bufferedFrames.load(); }
    /// Whether the device could not be opened, or failed since.
    bool failed() const { return m_failed.load(); }

signals:
    /// The device could not be opened, or failed.
    void failedToPlay();

private:
    void start();

    QThread m_thread;
    SoundStream *m_stream;
    std::atomic<qint64> m_bufferedFrames{0};
    std::atomic<bool> m_failed{false};
};
