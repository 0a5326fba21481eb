#include "converter.h"

#include "chunks.h"
#include "notetable.h"
#include "temporaryfiles.h"

#include <QDebug>
#include <QEventLoop>
#include <QStandardPaths>

QStringList converterArguments(const Sample &sample, const QString &outputPath, int sourceRate)
{
    // --no-glob: sox would read "snare [old].wav" as a pattern and convert
    // whatever it matches instead.
    QStringList arguments{QStringLiteral("--no-glob"), sample.path,
                          QStringLiteral("-b"), QStringLiteral("8"),
                          QStringLiteral("-c"), QStringLiteral("1"),
                          outputPath,
                          QStringLiteral("remix"), QStringLiteral("-")};
    if (sample.normalise)
        arguments << QStringLiteral("norm") << QStringLiteral("-6");
    const bool belowTop = sourceRate <= 0 || qint64(sample.highCutFrequency) * 2 < sourceRate;
    if (sample.highCut && belowTop)
        arguments << QStringLiteral("lowpass") << QStringLiteral("-1")
                  << QString::number(sample.highCutFrequency);
    if (sample.lowCut)
        arguments << QStringLiteral("highpass") << QStringLiteral("-1")
                  << QString::number(sample.lowCutFrequency);
    arguments << QStringLiteral("rate") << QString::number(noteFrequencies[sample.note])
              << QStringLiteral("dither") << QStringLiteral("-S");
    return arguments;
}

Conversion::Conversion(const Sample &sample, bool toWav, QObject *parent)
    : QObject(parent)
    , m_sample(sample)
    , m_toWav(toWav)
{
    m_timeLimit.setSingleShot(true);
    connect(&m_timeLimit, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        m_sox.kill();
    });
    connect(&m_sox, &QProcess::finished, this, &Conversion::processEnded);
    connect(&m_sox, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // Only a start that failed has no finished() to follow.
        if (error == QProcess::FailedToStart)
            processEnded();
    });
}

Conversion::~Conversion()
{
    if (m_sox.state() != QProcess::NotRunning) {
        m_sox.disconnect(this);
        m_sox.kill();
        m_sox.waitForFinished();
    }
    if (m_ownsOutput)
        TemporaryFiles::remove(m_outputPath);
}

void Conversion::start(int timeLimitMs)
{
    if (m_cancelled) { // before it began: sox need not run at all
        finish(soxFailure());
        return;
    }
    // A high-pass at or above the top of the recording leaves silence; sox
    // would refuse it anyway, so say why instead of running it.
    const int sourceRate = readWavFormat(m_sample.path).sampleRate;
    if (m_sample.lowCut && sourceRate > 0 && qint64(m_sample.lowCutFrequency) * 2 >= sourceRate) {
        const QString reason =
            QStringLiteral("the low cut (%1 Hz) is above the highest frequency of this %2 Hz recording")
                .arg(m_sample.lowCutFrequency)
                .arg(sourceRate);
        qDebug() << "sox not run:" << reason;
        finish(reason);
        return;
    }
    m_outputPath = TemporaryFiles::create(m_toWav ? QStringLiteral(".wav") : QStringLiteral(".8svx"));
    if (m_outputPath.isEmpty()) {
        finish(QStringLiteral("no temporary file could be made"));
        return;
    }
    const QStringList arguments = converterArguments(m_sample, m_outputPath, sourceRate);
    qDebug() << arguments;
    m_timeLimit.setInterval(timeLimitMs);
    m_timeLimit.start();
    m_sox.start(QStringLiteral("sox"), arguments);
}

void Conversion::run(int timeLimitMs)
{
    QEventLoop loop;
    connect(this, &Conversion::finished, &loop, &QEventLoop::quit);
    start(timeLimitMs);
    if (!m_finished)
        loop.exec();
}

void Conversion::cancel()
{
    if (m_finished)
        return;
    m_cancelled = true;
    m_sox.kill();
}

QString Conversion::takeOutput()
{
    m_ownsOutput = false;
    return m_outputPath;
}

void Conversion::processEnded()
{
    m_timeLimit.stop();
    qDebug() << m_sox.readAllStandardOutput();
    m_errorOutput = m_sox.readAllStandardError();
    qDebug() << m_errorOutput;
    finish(soxFailure());
}

QString Conversion::soxFailure() const
{
    if (m_cancelled)
        return QStringLiteral("the conversion was cancelled");
    if (m_timedOut)
        return QStringLiteral("sox ran longer than %1 seconds and was stopped").arg(m_timeLimit.interval() / 1000);
    if (m_sox.error() == QProcess::FailedToStart) {
        return QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty()
            ? QStringLiteral("sox was not found")
            : QStringLiteral("sox could not be started: %1").arg(m_sox.errorString());
    }
    if (m_sox.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("sox crashed");
    if (m_sox.exitCode() == 0)
        return QString();
    // sox says why it gave up in its last FAIL line, which a usage text may
    // follow. It names itself as it was started, which is by its full path.
    const QList<QByteArray> lines = m_errorOutput.split('\n');
    QByteArray said;
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (const qsizetype fail = line->indexOf(" FAIL "); fail >= 0) {
            said = "sox " + line->mid(fail + 1).trimmed();
            break;
        }
        if (said.isEmpty())
            said = line->trimmed();
    }
    if (said.isEmpty())
        return QStringLiteral("sox failed with exit code %1 and said nothing").arg(m_sox.exitCode());
    return QString::fromLocal8Bit(said);
}

void Conversion::finish(const QString &failure)
{
    m_failure = failure;
    m_finished = true;
    // Whatever a failed run left behind is incomplete; nobody may play or
    // copy it.
    if (!m_failure.isEmpty())
        TemporaryFiles::remove(m_outputPath);
    emit finished();
}

QString convertSample(Sample sample, bool toWav, int timeLimitMs)
{
    Conversion conversion(sample, toWav);
    conversion.run(timeLimitMs);
    return conversion.takeOutput();
}
