#include "recordinglook.h"

#include "silence.h"
#include "sourcecheck.h"

#include <QProcess>

#include <cmath>
#include <cstring>

namespace {

/// Finds the stretches of silence as Trim Silence judges them: windows of
/// silenceWindowMs in which no value of any channel reaches the threshold.
class SilenceFinder
{
public:
    SilenceFinder(int rate, int channels, qint64 start)
        : m_window(qMax<qint64>(1, qint64(rate) * silenceWindowMs / 1000))
        , m_shortest(qMax<qint64>(1, qint64(rate) * shortestSilenceMs / 1000))
        , m_channels(channels)
        , m_start(start)
        , m_threshold(float(std::pow(10.0, -defaultSilenceDb / 20)))
    {
    }

    void take(const float *values, qint64 frames)
    {
        for (qint64 frame = 0; frame < frames; ++frame) {
            for (int channel = 0; channel < m_channels; ++channel)
                m_loud = m_loud || std::fabs(values[frame * m_channels + channel]) >= m_threshold;
            if (++m_inWindow == m_window)
                endWindow();
        }
    }

    QList<std::pair<qint64, qint64>> finish()
    {
        if (m_inWindow > 0)
            endWindow();
        // A silence that runs to the end separates nothing.
        return m_found;
    }

private:
    void endWindow()
    {
        const qint64 from = m_read;
        m_read += m_inWindow;
        m_inWindow = 0;
        if (!m_loud) {
            if (m_quietFrom < 0)
                m_quietFrom = from;
        } else {
            // Only a silence after some sound lies between sounds.
            if (m_quietFrom >= 0 && m_heard && from - m_quietFrom >= m_shortest)
                m_found.append({m_start + m_quietFrom, m_start + from});
            m_quietFrom = -1;
            m_heard = true;
        }
        m_loud = false;
    }

    qint64 m_window;
    qint64 m_shortest;
    int m_channels;
    qint64 m_start;
    float m_threshold;
    qint64 m_read = 0;
    qint64 m_inWindow = 0;
    bool m_loud = false;
    bool m_heard = false;
    qint64 m_quietFrom = -1;
    QList<std::pair<qint64, qint64>> m_found;
};

RecordingLook failed(const QString &problem)
{
    RecordingLook look;
    look.problem = problem;
    return look;
}

} // namespace

RecordingLook lookAtRecording(const QString &path, const WavFormat &format,
                              const std::optional<SampleShape::Crop> &within, Looking what,
                              const std::function<bool()> &cancelled)
{
    if (const QString problem = sourceProblem(path); !problem.isEmpty())
        return failed(problem);
    if (format.sampleRate <= 0)
        return failed(QStringLiteral("its header cannot be read"));
    // Every channel, for silence as Trim Silence judges it; mixed to one
    // otherwise. Where the header does not tell the channels, sox mixes.
    const int channels = what == Looking::Silences && format.channels > 0 ? format.channels : 1;
    QStringList arguments{QStringLiteral("--no-glob"), path, QStringLiteral("-t"), QStringLiteral("f32")};
    if (channels == 1)
        arguments << QStringLiteral("-c") << QStringLiteral("1");
    arguments << QStringLiteral("-");
    if (within)
        arguments << QStringLiteral("trim") << QString::number(within->start) + QLatin1Char('s')
                  << QString::number(within->frames) + QLatin1Char('s');

    RecordingLook look;
    look.start = within ? within->start : 0;
    look.rate = format.sampleRate;
    std::shared_ptr<HitCurve> curve;
    if (what == Looking::Hits)
        curve = std::make_shared<HitCurve>(format.sampleRate);
    SilenceFinder silences(format.sampleRate, channels, look.start);

    QProcess sox;
    sox.start(QStringLiteral("sox"), arguments, QIODevice::ReadOnly);
    if (!sox.waitForStarted())
        return failed(QStringLiteral("sox could not be started"));
    const qint64 frameBytes = qint64(sizeof(float)) * channels;
    QByteArray pending;
    std::vector<float> values;
    const auto takeWhole = [&] {
        const qint64 frames = pending.size() / frameBytes;
        if (frames == 0)
            return;
        values.resize(size_t(frames * channels));
        std::memcpy(values.data(), pending.constData(), size_t(frames * frameBytes));
        pending.remove(0, frames * frameBytes);
        look.frames += frames;
        if (curve)
            curve->take(values.data(), frames);
        if (what == Looking::Silences)
            silences.take(values.data(), frames);
        if (what == Looking::ZeroCrossings) {
            for (const float value : values)
                look.positive.push_back(value >= 0);
        }
    };
    while (sox.state() != QProcess::NotRunning || sox.bytesAvailable() > 0) {
        if (cancelled && cancelled()) {
            sox.kill();
            sox.waitForFinished();
            return failed(QStringLiteral("cancelled"));
        }
        if (sox.bytesAvailable() == 0)
            sox.waitForReadyRead(100);
        pending.append(sox.readAllStandardOutput());
        takeWhole();
    }
    sox.waitForFinished();
    if (sox.exitStatus() != QProcess::NormalExit || sox.exitCode() != 0) {
        const QByteArray said = sox.readAllStandardError().trimmed();
        return failed(said.isEmpty() ? QStringLiteral("sox could not read it")
                                     : QString::fromLocal8Bit(said.mid(said.lastIndexOf('\n') + 1)));
    }
    if (within && look.frames < within->frames)
        return failed(QStringLiteral("its recording has become shorter than the part kept"));
    if (curve) {
        curve->finish();
        look.hits = curve;
    }
    if (what == Looking::Silences)
        look.silences = silences.finish();
    return look;
}
