#include "converter.h"

#include "chunks.h"
#include "notetable.h"
#include "shaping.h"
#include "soundheader.h"
#include "sourcecheck.h"
#include "soxinfo.h"
#include "soxoutput.h"
#include "temporaryfiles.h"
#include "trackersample.h"

#include <QDebug>
#include <QEventLoop>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

/// \a value as qDebug() writes it.
template<typename T>
QString inDebugNotation(const T &value)
{
    QString text;
    QDebug(&text) << value;
    return text.trimmed();
}

/// Whether the debug log is kept at all: the command line turns it off, and
/// then what it would say is not even written out.
bool debugLogged()
{
    return QLoggingCategory::defaultCategory()->isDebugEnabled();
}

} // namespace

Conversion::Conversion(const Sample &sample, ConversionOutput output, QObject *parent)
    : QObject(parent)
    , m_sample(sample)
    , m_output(output)
{
    m_timeLimit.setSingleShot(true);
    connect(&m_timeLimit, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        m_sox.kill();
    });
    // The bare sound is taken as it comes, so no second copy of a long one
    // waits in the process's buffer.
    connect(&m_sox, &QProcess::readyReadStandardOutput, this, [this] {
        if (m_output == ConversionOutput::Sound && !m_readingHeader)
            m_sound.append(m_sox.readAllStandardOutput());
    });
    connect(&m_sox, &QProcess::finished, this, &Conversion::processEnded);
    connect(&m_sox, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // Only a start that failed has no finished() to follow.
        if (error == QProcess::FailedToStart)
            processEnded();
    });
    // sox goes with us, even when we are killed outright.
    m_sox.setChildProcessModifier([parent = ::getpid()] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent)
            ::_exit(127);
    });
    live().insert(this);
}

Conversion::~Conversion()
{
    live().remove(this);
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
    // Nothing may wait on a FIFO or read a device here, in the window's
    // thread; sox would not make sense of them either.
    if (const QString problem = sourceProblem(m_sample.path); !problem.isEmpty()) {
        log(QStringLiteral("sox not run: ") + problem);
        finish(problem);
        return;
    }
    m_timeLimit.setInterval(timeLimitMs);
    // A WAV, FLAC or AIFF file's few header bytes are read here; of any
    // other sound file, sox tells first what it holds, in a short run of
    // its own, so that the filters it is given suit the recording's rate.
    const WavFormat recording = readSoundHeader(m_sample.path);
    if (recording.sampleRate > 0) {
        startConverting(recording);
        return;
    }
    m_readingHeader = true;
    const QStringList arguments = soxInfoArguments(m_sample.path);
    if (debugLogged())
        log(inDebugNotation(arguments));
    m_timeLimit.start();
    m_sox.start(QStringLiteral("sox"), arguments, QIODevice::ReadOnly);
}

void Conversion::headerRead()
{
    m_readingHeader = false;
    m_timeLimit.stop();
    const QByteArray said = m_sox.readAllStandardOutput();
    m_errorOutput = m_sox.readAllStandardError();
    if (debugLogged()) {
        log(inDebugNotation(said));
        log(inDebugNotation(m_errorOutput));
    }
    // What stops sox reading the file stops its conversion too, in the
    // same words.
    if (const QString failure = soxFailure(); !failure.isEmpty()) {
        finish(failure);
        return;
    }
    m_errorOutput.clear();
    // Queued: the process is done with once its signal has returned.
    QMetaObject::invokeMethod(
        this,
        [this, recording = withSoxInfo(readSoundHeader(m_sample.path), parseSoxInfo(said),
                                       QFileInfo(m_sample.path).size())] {
            if (m_cancelled)
                finish(soxFailure());
            else
                startConverting(recording);
        },
        Qt::QueuedConnection);
}

void Conversion::startConverting(const WavFormat &recording)
{
    const ShapedRecording shaped = shapeRecording(recording, m_shape);
    if (!shaped.problem.isEmpty()) {
        log(QStringLiteral("sox not run: ") + shaped.problem);
        finish(shaped.problem);
        return;
    }
    m_source = shaped.source;
    m_loopDropped = shaped.loopDropped;
    m_crossfadeDropped = shaped.crossfadeDropped;
    m_noLoopToCrossfade = shaped.noLoopToCrossfade;
    const int sourceRate = m_source.sampleRate;
    if (const QString problem = settingsProblem(m_sample, m_source); !problem.isEmpty()) {
        log(QStringLiteral("sox not run: ") + problem);
        finish(problem);
        return;
    }
    // The bare sound needs no file: it comes whole through a pipe, and no
    // disk can fill under it.
    if (m_output != ConversionOutput::Sound) {
        m_outputPath = TemporaryFiles::create(m_output == ConversionOutput::WavFile ? QStringLiteral(".wav")
                                                                                    : QStringLiteral(".8svx"));
        if (m_outputPath.isEmpty()) {
            finish(QStringLiteral("no temporary file could be made"));
            return;
        }
    }
    if (m_output == ConversionOutput::Sound) {
        // Room for the whole sound at once, as far as the header tells it.
        const qint64 expected = soundBytesAt(m_source, noteFrequencies.value(m_sample.note));
        if (expected > 0 && expected < (qint64(1) << 30))
            m_sound.reserve(expected);
    }
    const QStringList arguments =
        converterArguments(m_sample, m_output == ConversionOutput::Sound ? soundOnStandardOutput : m_outputPath,
                           sourceRate, m_shape);
    if (debugLogged())
        log(inDebugNotation(arguments));
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

void Conversion::log(const QString &message)
{
    if (m_holdLog)
        m_log << message;
    else
        qDebug().noquote() << message;
}

QString Conversion::takeOutput()
{
    m_ownsOutput = false;
    return m_outputPath;
}

void Conversion::processEnded()
{
    if (m_readingHeader) {
        headerRead();
        return;
    }
    m_timeLimit.stop();
    if (m_output == ConversionOutput::Sound) {
        m_sound.append(m_sox.readAllStandardOutput());
        if (debugLogged())
            log(QStringLiteral("%1 bytes of sound").arg(m_sound.size()));
    } else if (const QByteArray said = m_sox.readAllStandardOutput(); debugLogged()) {
        log(inDebugNotation(said));
    }
    m_errorOutput = m_sox.readAllStandardError();
    if (debugLogged())
        log(inDebugNotation(m_errorOutput));
    QString failure = soxFailure();
    if (failure.isEmpty() && m_sample.normalise)
        m_noiseWarning = noiseWarningIn(m_errorOutput);
    // sox only warns when the recording ends before the part to keep does,
    // and makes what it could: never a sample cut in the wrong place.
    if (failure.isEmpty() && m_shape.crop && trimFellShort(m_errorOutput))
        failure = recordingShorterThanCrop();
    // sox exits 0 with a file cut short when its disk fills.
    if (failure.isEmpty() && m_output != ConversionOutput::Sound) {
        if (const QString problem = incompleteness(m_outputPath); !problem.isEmpty())
            failure = incompleteOutput(m_outputPath, problem);
    }
    // sox can give up on a file it could open (a FLAC file that loses its
    // sync) and still exit 0, having made nothing: its FAIL line says so.
    if (failure.isEmpty() && m_errorOutput.contains(" FAIL "))
        failure = soxReason(m_errorOutput);
    finish(failure);
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
    const QString said = soxReason(m_errorOutput);
    if (said.isEmpty())
        return QStringLiteral("sox failed with exit code %1 and said nothing").arg(m_sox.exitCode());
    return said;
}

void Conversion::finish(const QString &failure)
{
    m_failure = failure;
    m_finished = true;
    // Whatever a failed run left behind is incomplete; nobody may play or
    // copy it.
    if (!m_failure.isEmpty()) {
        TemporaryFiles::remove(m_outputPath);
        m_sound.clear();
    }
    emit finished();
}

QString convertSample(Sample sample, bool toWav, int timeLimitMs)
{
    Conversion conversion(sample, toWav);
    conversion.run(timeLimitMs);
    return conversion.takeOutput();
}

// Its meta-object lives here, not with the window's, so the command line
// can do without the window's libraries.
#include "moc_converter.cpp"
