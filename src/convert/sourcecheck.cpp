#include "sourcecheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace {

/// Whether \a path names its file in bytes that are not UTF-8: Qt shows
/// such bytes as U+FFFD and cannot name the file again, so sox would be
/// told of a file that is not there.
bool namedInBytesQtCannotSay(const QString &path)
{
    if (!path.contains(QChar::ReplacementCharacter))
        return false;
    // The first part of the path that cannot be found: is it, as Qt reads
    // names, one of its folder's names that are not UTF-8?
    QString folder = path.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QStringLiteral(".");
    for (const QString &part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QString next = QDir(folder).filePath(part);
        if (QFileInfo::exists(next)) {
            folder = next;
            continue;
        }
        DIR *listing = ::opendir(QFile::encodeName(folder).constData());
        if (!listing)
            return false;
        bool found = false;
        while (const dirent *entry = ::readdir(listing)) {
            const QByteArray bytes(entry->d_name);
            if (QString::fromUtf8(bytes).toUtf8() != bytes && QFile::decodeName(bytes) == part) {
                found = true;
                break;
            }
        }
        ::closedir(listing);
        return found;
    }
    return false;
}

} // namespace

QString sourceProblem(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) == 0)
        return S_ISREG(status.st_mode) ? QString() : QStringLiteral("not a regular file");
    return nameProblem(path);
}

QString nameProblem(const QString &path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) == 0 || errno != ENOENT || !namedInBytesQtCannotSay(path))
        return QString();
    return QStringLiteral("its file name is not valid UTF-8; rename the file");
}

QString settingsProblem(const Sample &sample, const WavFormat &source)
{
    // The slider reaches 0 Hz, where sox has no filter: nothing would be left.
    if (sample.highCut && sample.highCutFrequency <= 0)
        return QStringLiteral("the high cut is at 0 Hz, which would leave no sound; set it higher");
    // A high-pass at or above the top of the recording leaves silence; sox
    // would refuse it anyway, so say why instead of running it.
    if (sample.lowCut && source.sampleRate > 0 && qint64(sample.lowCutFrequency) * 2 >= source.sampleRate)
        return QStringLiteral("the low cut (%1 Hz) is above the highest frequency of this %2 Hz recording")
            .arg(sample.lowCutFrequency)
            .arg(source.sampleRate);
    return QString();
}
