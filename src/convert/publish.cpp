#include "publish.h"

#include <QFile>
#include <QLocale>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Why the system said ENAMETOOLONG for \a fileName in \a directory: the
/// name itself, or the whole path it makes (a pack folders deep in a
/// folder deep itself).
QString tooLong(const QString &directory, const QString &fileName)
{
    long nameMax = ::pathconf(QFile::encodeName(directory).constData(), _PC_NAME_MAX);
    if (nameMax <= 0)
        nameMax = NAME_MAX;
    if (QFile::encodeName(fileName).size() > nameMax)
        return QStringLiteral("the name %1 is too long for this folder").arg(fileName);
    const QLocale english(QLocale::English);
    return QStringLiteral("its path is too long: %1 bytes, where the system takes at most %2")
        .arg(english.toString(QFile::encodeName(directory + QLatin1Char('/') + fileName).size()),
             english.toString(PATH_MAX - 1));
}

/// What the system's \a error means for writing \a fileName into \a directory.
QString reasonFor(int error, const QString &directory, const QString &fileName)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("no space left on the disk of %1").arg(directory);
    case EDQUOT:
        return QStringLiteral("the disk quota for %1 is used up").arg(directory);
    case ENAMETOOLONG:
        return tooLong(directory, fileName);
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("the folder does not exist");
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral("the folder cannot be written to");
    default:
        return QStringLiteral("%1 could not be written: %2").arg(fileName, QString::fromLocal8Bit(std::strerror(error)));
    }
}

/// What stands where the new file was to go.
QString inTheWay(const QByteArray &destination, const QString &fileName)
{
    struct stat status;
    if (::lstat(destination.constData(), &status) == 0 && S_ISREG(status.st_mode))
        return QStringLiteral("a file named %1 is already in the folder").arg(fileName);
    return QStringLiteral("something named %1 is already in the folder").arg(fileName);
}

/// Writes all of \a bytes to \a fd and checks that the file holds them;
/// false with errno set when it does not.
bool writeWhole(int fd, const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno != EINTR)
            return false;
        done += qMax<ssize_t>(written, 0);
    }
    struct stat status;
    if (::fstat(fd, &status) != 0)
        return false;
    if (status.st_size != bytes.size()) {
        errno = EIO;
        return false;
    }
    return true;
}

/// For folders whose file system has no unnamed files (FAT on a memory
/// card, network shares), and for a file that replaces another: a hidden
/// file of ours, renamed once whole, over another only with \a replace.
int publishThroughHiddenFile(const QByteArray &folder, const QByteArray &destination, const QByteArray &bytes,
                             bool replace)
{
    QByteArray hidden;
    int fd = -1;
    for (int tries = 0; fd < 0 && tries < 100; ++tries) {
        hidden = folder + "/.brindlebox-" + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        fd = ::open(hidden.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return errno;
    }
    if (fd < 0)
        return EEXIST;
    bool written = writeWhole(fd, bytes);
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written) {
        if (replace ? ::rename(hidden.constData(), destination.constData()) == 0
                    : ::renameat2(AT_FDCWD, hidden.constData(), AT_FDCWD, destination.constData(), RENAME_NOREPLACE) == 0)
            return 0;
        error = errno;
        if (!replace && (error == EINVAL || error == ENOSYS)) {
            // No rename that refuses to replace: a second name, which the
            // system never lets replace anything, then the hidden one goes.
            error = ::link(hidden.constData(), destination.constData()) == 0 ? 0 : errno;
        }
    }
    ::unlink(hidden.constData());
    return error;
}

} // namespace

QString publishFile(const QString &directory, const QString &fileName, const QByteArray &bytes, bool replace)
{
    const QByteArray folder = QFile::encodeName(directory);
    const QByteArray destination = QFile::encodeName(directory + QLatin1Char('/') + fileName);
    int error = 0;
    if (replace) {
        error = publishThroughHiddenFile(folder, destination, bytes, true);
    } else if (const int fd = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666); fd >= 0) {
        // An unnamed file in the folder, given its name once it is whole.
        const QByteArray unnamed = "/proc/self/fd/" + QByteArray::number(fd);
        if (!writeWhole(fd, bytes)
            || ::linkat(AT_FDCWD, unnamed.constData(), AT_FDCWD, destination.constData(), AT_SYMLINK_FOLLOW) != 0)
            error = errno;
        ::close(fd);
    } else if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
        error = publishThroughHiddenFile(folder, destination, bytes, false);
    } else {
        error = errno;
    }
    if (error == EEXIST)
        return inTheWay(destination, fileName);
    return error ? reasonFor(error, directory, fileName) : QString();
}

QString makeFolders(const QString &directory, const QString &subfolder, QStringList *made)
{
    QString folder = directory;
    for (const QString &part : subfolder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QString parent = folder;
        folder += QLatin1Char('/') + part;
        const QByteArray path = QFile::encodeName(folder);
        if (::mkdir(path.constData(), 0777) == 0) {
            if (made)
                made->append(folder);
            continue;
        }
        const int error = errno;
        struct stat status;
        if (error == EEXIST && ::stat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode))
            continue;
        if (error == EEXIST)
            return QStringLiteral("something named %1 is in the way of its folder").arg(folder.mid(directory.size() + 1));
        return reasonFor(error, parent, part);
    }
    return QString();
}

void removeEmptyFolders(const QStringList &made)
{
    // rmdir never takes a folder that holds anything, whoever put it there.
    for (auto folder = made.crbegin(); folder != made.crend(); ++folder)
        ::rmdir(QFile::encodeName(*folder).constData());
}
