#include "soundoutput.h"

#include "soundstream.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QDebug>
#include <QMediaDevices>

namespace {

// What is asked of the sink. PulseAudio grants three quarters of it here:
// 30 ms, fed in periods of 20 ms, so that it holds 10 to 30 ms.
constexpr int requestedBufferMs = 40;

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
    const int rate = device.preferredFormat().sampleRate();
    return rate >= 8000 && device.isFormatSupported(monoFormat(rate)) ? rate : 48000;
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
    sink->setBufferSize(format.bytesForDuration(qint64(requestedBufferMs) * 1000));
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
