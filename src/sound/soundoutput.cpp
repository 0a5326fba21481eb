#include "soundoutput.h"

#include "soundstream.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QDebug>
#include <QMediaDevices>

namespace {

// Qt 6.4 feeds a PulseAudio stream 20 ms at a time, on a timer that now
// and then fires a little early and then waits another 20 ms: a buffer of
// less than two feeds then runs dry (with 30 ms, eleven times in ten
// seconds here). 40 ms never did. PulseAudio grants three quarters of what
// is asked here.
constexpr int grantedBufferMs = 40;
constexpr int requestedBufferUs = grantedBufferMs * 1000 * 4 / 3;
// Where the device takes it: every desktop sound server does, and Qt 6.4's
// feed keeps time at it (at 44.1 kHz it fed 20 ms every 40 ms here).
constexpr int renderRate = 48000;

QAudioFormat monoFormat(int rate)
{
    QAudioFormat format;
    format.setSampleRate(rate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

} // namespace

bool SoundOutput::available()
{
    return !QMediaDevices::defaultAudioOutput().isNull();
}

int SoundOutput::preferredRate()
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isFormatSupported(monoFormat(renderRate)))
        return renderRate;
    const int rate = device.preferredFormat().sampleRate();
    return rate >= 8000 && device.isFormatSupported(monoFormat(rate)) ? rate : renderRate;
}

SoundOutput::SoundOutput(SoundStream *stream, QObject *parent)
    : QObject(parent)
    , m_stream(stream)
{
    m_thread.setObjectName(QStringLiteral("sound output"));
    m_stream->moveToThread(&m_thread);
    // The stream, and the sink it holds, go with the thread, on the thread.
    connect(&m_thread, &QThread::finished, m_stream, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(m_stream, [this] { start(); }, Qt::QueuedConnection);
}

SoundOutput::~SoundOutput()
{
    m_thread.quit();
    m_thread.wait();
}

void SoundOutput::start()
{
    // Runs on the output's thread: the sink is made, pulls and dies there.
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    const QAudioFormat format = monoFormat(m_stream->rate());
    if (device.isNull() || !device.isFormatSupported(format)) {
        m_failed = true;
        emit failedToPlay();
        return;
    }
    auto *sink = new QAudioSink(device, format, m_stream);
    sink->setBufferSize(format.bytesForDuration(requestedBufferUs));
    connect(sink, &QAudioSink::stateChanged, m_stream, [this, sink](QAudio::State state) {
        if (state == QAudio::StoppedState && sink->error() != QAudio::NoError && !m_failed.exchange(true)) {
            qDebug() << "The sound output failed:" << sink->error();
            emit failedToPlay();
        }
    });
    sink->start(m_stream);
    if (sink->state() == QAudio::StoppedState) {
        if (!m_failed.exchange(true))
            emit failedToPlay();
        return;
    }
    m_bufferedFrames = format.framesForBytes(sink->bufferSize());
}

#include "moc_soundoutput.cpp"
