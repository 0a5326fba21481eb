#include "recording.h"

#include "soundheader.h"
#include "sourcecheck.h"
#include "soxinfo.h"

#include <QFileInfo>
#include <QProcess>

namespace {

/// How long sox may take to tell of a recording, or to count its frames.
constexpr int soxWaitMs = 10000;

/// What sox says of the recording at \a path; all zeros when it cannot
/// read it.
SoxInfo askSox(const QString &path)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"), soxInfoArguments(path), QIODevice::ReadOnly);
    if (!sox.waitForFinished(soxWaitMs) || sox.exitStatus() != QProcess::NormalExit || sox.exitCode() != 0) {
        sox.kill();
        sox.waitForFinished();
        return SoxInfo();
    }
    return parseSoxInfo(sox.readAllStandardOutput());
}

/// The frames sox decodes of the recording at \a path, counted one byte a
/// frame as they come; 0 when it cannot.
qint64 countFrames(const QString &path)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"),
              {QStringLiteral("-D"), QStringLiteral("--no-glob"), soxName(path), QStringLiteral("-t"), QStringLiteral("s8"),
               QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-")},
              QIODevice::ReadOnly);
    if (!sox.waitForStarted())
        return 0;
    qint64 frames = 0;
    while (sox.state() != QProcess::NotRunning || sox.bytesAvailable() > 0) {
        if (sox.bytesAvailable() == 0 && !sox.waitForReadyRead(soxWaitMs) && sox.state() != QProcess::NotRunning)
            break;
        frames += sox.readAllStandardOutput().size();
    }
    if (sox.state() != QProcess::NotRunning) {
        sox.kill();
        sox.waitForFinished();
        return 0;
    }
    sox.waitForFinished();
    return sox.exitStatus() == QProcess::NormalExit && sox.exitCode() == 0 ? frames : 0;
}

} // namespace

WavFormat readRecording(const QString &path)
{
    const WavFormat own = readSoundHeader(path);
    // Only a regular file is handed to sox.
    if (own.lengthKnown() || !sourceProblem(path).isEmpty())
        return own;
    // sox only where the program cannot read the header itself: a run of
    // sox costs tens of milliseconds, its format libraries loaded.
    WavFormat format = withSoxInfo(own, askSox(path), QFileInfo(path).size());
    if (format.sampleRate <= 0 || format.lengthKnown())
        return format;
    // Its header claims more than the file holds: only decoding tells what
    // sox will read of it.
    if (const qint64 frames = countFrames(path); frames > 0) {
        format.frames = frames;
        format.framesCounted = true;
    }
    return format;
}

WavFormat withFramesCounted(WavFormat source, const QString &path)
{
    if (source.lengthKnown())
        return source;
    const WavFormat counted = readRecording(path);
    if (counted.lengthKnown()) {
        source.frames = counted.frames;
        source.framesCounted = true;
    }
    return source;
}
