#include "folderwalk.h"

#include "soundfiles.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

/// \a c with letter case folded away; ASCII without a call into Qt's tables,
/// as most names are.
char16_t folded(QChar c)
{
    if (c.unicode() >= 0x80)
        return c.toCaseFolded().unicode();
    return c >= u'A' && c <= u'Z' ? c.unicode() + 32 : c.unicode();
}

/// The run of digits at \a at without its leading zeros; \a at moves past it.
QStringView digitRun(QStringView name, qsizetype &at)
{
    while (at < name.size() && name[at] == u'0')
        ++at;
    const qsizetype start = at;
    while (at < name.size() && isDigit(name[at]))
        ++at;
    return name.sliced(start, at - start);
}

/// Below, equal to or above zero as \a a sorts before, with or after \a b;
/// zero only for the same text. Digit runs go by length, then digit by
/// digit, so none is too long to compare.
int compareNames(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const QStringView x = digitRun(a, i);
            const QStringView y = digitRun(b, j);
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int order = x.compare(y))
                return order;
            continue;
        }
        if (a[i] != b[j]) {
            const char16_t x = folded(a[i]);
            const char16_t y = folded(b[j]);
            if (x != y)
                return x < y ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return a.compare(b); // "kick 02" and "kick 2", "Kick" and "kick": never left to chance
}

struct Entry
{
    QString name;
    QByteArray bytes; // the name as the system has it, which Qt may not say back
    bool folder = false;
};

/// Adds the sound files under a folder to \a search, with \a problem (a
/// name on the way that Qt cannot say back); false once \a stop says so.
bool walkFolder(const QByteArray &bytes, const QString &path, const QString &subfolder, bool named,
                const QString &problem, FileSearch &search, const std::function<bool(const FileSearch &)> &stop)
{
    if (stop(search))
        return false;
    // O_NOFOLLOW: a subfolder swapped for a link since it was listed is not
    // followed either. O_DIRECTORY: nothing else is ever opened.
    const int fd = ::open(bytes.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (named ? 0 : O_NOFOLLOW));
    DIR *dir = fd < 0 ? nullptr : ::fdopendir(fd);
    int error = dir ? 0 : errno;
    QList<Entry> entries;
    if (dir) {
        const dirent *entry;
        for (errno = 0; (entry = ::readdir(dir)); errno = 0) {
            if (entry->d_name[0] == '.')
                continue;
            unsigned char type = entry->d_type;
            struct stat status;
            // Some file systems, network shares among them, leave the type to stat.
            if (type == DT_UNKNOWN && ::fstatat(fd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0)
                type = IFTODT(status.st_mode);
            // A link to a file counts as the file; one to a folder is never
            // followed.
            if (type == DT_LNK && ::fstatat(fd, entry->d_name, &status, 0) == 0 && S_ISREG(status.st_mode))
                type = DT_REG;
            const bool sound = type == DT_REG && isSoundFileName(entry->d_name);
            if (type == DT_DIR || sound)
                entries.append({QFile::decodeName(entry->d_name), QByteArray(entry->d_name), type == DT_DIR});
            else if (type == DT_REG)
                ++search.notSound;
        }
        error = errno;
        ::closedir(dir);
    } else if (fd >= 0) {
        ::close(fd);
    }
    if (error != 0) {
        search.unreadable.append(path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
        return true;
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        const int order = compareNames(a.name, b.name);
        return order != 0 ? order < 0 : a.bytes < b.bytes;
    });
    const QString prefix = path.endsWith(u'/') ? path : path + u'/';
    const QByteArray bytePrefix = bytes.endsWith('/') ? bytes : bytes + '/';
    for (const Entry &entry : std::as_const(entries)) {
        // Such a name comes back from Qt with U+FFFD in it, which may be
        // the name of another file beside it.
        const bool sayable = QFile::encodeName(entry.name) == entry.bytes;
        const QString inside = subfolder.isEmpty() ? entry.name : subfolder + u'/' + entry.name;
        if (!entry.folder) {
            search.files.append({prefix + entry.name, subfolder,
                                 !problem.isEmpty() || sayable
                                     ? problem
                                     : QStringLiteral("its file name is not valid UTF-8; rename the file")});
        } else if (!walkFolder(bytePrefix + entry.bytes, prefix + entry.name, inside, false,
                               !problem.isEmpty() || sayable
                                   ? problem
                                   : QStringLiteral("the name of its folder %1 is not valid UTF-8; rename the folder")
                                         .arg(entry.name),
                               search, stop)) {
            return false;
        }
    }
    return true;
}

} // namespace

FileSearch findSoundFiles(const QStringList &paths, const std::function<bool(const FileSearch &)> &enough)
{
    FileSearch search;
    const std::function<bool(const FileSearch &)> stop = [&enough](const FileSearch &sofar) {
        return enough && enough(sofar);
    };
    const auto isFolder = [](const QString &path) {
        struct stat status;
        return ::stat(QFile::encodeName(path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
    };
    // Several packs side by side each keep their own folder, so that their
    // files of one name do not meet.
    const bool severalFolders = std::count_if(paths.cbegin(), paths.cend(), isFolder) > 1;
    for (const QString &path : paths) {
        if (!isFolder(path)) {
            search.files.append({path, QString(), QString()});
            continue;
        }
        const qsizetype filesBefore = search.files.size();
        const qsizetype problemsBefore = search.unreadable.size();
        const QString own = severalFolders ? QFileInfo(QDir::cleanPath(path)).fileName() : QString();
        if (!walkFolder(QFile::encodeName(path), path, own, true, QString(), search, stop))
            break;
        if (search.files.size() == filesBefore && search.unreadable.size() == problemsBefore)
            search.emptyFolders.append(path);
    }
    return search;
}

bool comesBefore(const QString &a, const QString &b)
{
    return compareNames(a, b) < 0;
}
