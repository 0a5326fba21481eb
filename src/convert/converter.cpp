#include "converter.h"

#include "chunks.h"
#include "notetable.h"
#include "shaping.h"
#include "sourcecheck.h"
#include "temporaryfiles.h"
#include "trackersample.h"

#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSet>
#include <QStandardPaths>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <limits>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
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

/// Every conversion whose sox may be running, for stopAll().
QSet<Conversion *> &liveConversions()
{
    static QSet<Conversion *> conversions;
    return conversions;
}

/// Why the file sox wrote at \a path is not whole, in words for the user.
QString incompleteOutput(const QString &path, const QString &problem)
{
    const QString folder = QFileInfo(path).absolutePath();
    struct statvfs disk;
    if (::statvfs(QFile::encodeName(folder).constData(), &disk) == 0 && disk.f_bavail == 0)
        return QStringLiteral("sox's output is incomplete: the temporary folder %1 is full")
            .arg(QDir::toNativeSeparators(folder));
    return QStringLiteral("sox's output is incomplete: %1").arg(problem);
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
        if (m_output == ConversionOutput::Sound)
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
    liveConversions().insert(this);
}

Conversion::~Conversion()
{
    liveConversions().remove(this);
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
    const ShapedRecording shaped = shapeRecording(readWavFormat(m_sample.path), m_shape);
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

void Conversion::stopAll()
{
    for (Conversion *conversion : std::as_const(liveConversions())) {
        conversion->m_sox.kill();
        conversion->m_sox.waitForFinished();
    }
}

int Conversion::mostAtOnce()
{
    // A running sox holds four of ours (three pipes and its process's own),
    // and one more while it starts; a few stay for reading sources and
    // writing files meanwhile.
    constexpr qint64 perRun = 5;
    constexpr qint64 kept = 16;
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<int>::max();
    const qint64 open = QDir(QStringLiteral("/proc/self/fd")).count();
    return int(qBound(qint64(1), (qint64(limit.rlim_cur) - open - kept) / perRun, qint64(std::numeric_limits<int>::max())));
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
    if (!m_failure.isEmpty()) {
        TemporaryFiles::remove(m_outputPath);
        m_sound.clear();
    }
    emit finished();
}

QString noiseWarningIn(const QByteArray &soxErrorOutput)
{
    // "Volume adjustment:        1.418": the factor that would bring the
    // peak to full scale; norm brings it to -6 dB.
    const qsizetype at = soxErrorOutput.indexOf("Volume adjustment:");
    if (at < 0)
        return QString();
    bool ok = false;
    const double factor = soxErrorOutput.mid(at + 18, soxErrorOutput.indexOf('\n', at) - at - 18).trimmed().toDouble(&ok);
    if (!ok || factor <= 0)
        return QString();
    const double raised = 20 * std::log10(factor) - 6;
    if (raised <= noiseRaiseDb)
        return QString();
    return QStringLiteral("raised by %1 dB: it may be mostly noise").arg(qRound(raised));
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
