#include "soxoutput.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <cmath>
#include <sys/statvfs.h>

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

QString soxReason(const QByteArray &soxErrorOutput)
{
    // It names itself as it was started, which is by its full path.
    const QList<QByteArray> lines = soxErrorOutput.split('\n');
    QByteArray said;
    for (auto line = lines.crbegin(); line != lines.crend(); ++line) {
        if (const qsizetype fail = line->indexOf(" FAIL "); fail >= 0) {
            said = "sox " + line->mid(fail + 1).trimmed();
            break;
        }
        if (said.isEmpty())
            said = line->trimmed();
    }
    return QString::fromLocal8Bit(said);
}

QString incompleteOutput(const QString &path, const QString &problem)
{
    const QString folder = QFileInfo(path).absolutePath();
    struct statvfs disk;
    if (::statvfs(QFile::encodeName(folder).constData(), &disk) == 0 && disk.f_bavail == 0)
        return QStringLiteral("sox's output is incomplete: the temporary folder %1 is full")
            .arg(QDir::toNativeSeparators(folder));
    return QStringLiteral("sox's output is incomplete: %1").arg(problem);
}
