#include "temporaryfiles.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryFile>

namespace {

/// Removes whatever is still listed when the process ends.
struct Registry
{
    QSet<QString> paths;
    ~Registry() { removeAll(); }
    void removeAll()
    {
        for (const QString &path : std::as_const(paths))
            QFile::remove(path);
        paths.clear();
    }
};

Registry &registry()
{
    static Registry files;
    return files;
}

} // namespace

QString TemporaryFiles::create(const QString &suffix)
{
    // An unusable temporary directory reads as an empty path, which would
    // put the file at the root of the file system.
    const QString directory = QDir::tempPath();
    if (directory.isEmpty()) {
        qDebug() << "no temporary directory for the converted sample";
        return QString();
    }
    QTemporaryFile file(directory + QStringLiteral("/brindlebox-XXXXXX") + suffix);
    file.setAutoRemove(false);
    if (!file.open()) {
        qDebug() << "no temporary file for the converted sample:" << file.errorString();
        return QString();
    }
    registry().paths.insert(file.fileName());
    return file.fileName();
}

void TemporaryFiles::remove(const QString &path)
{
    if (registry().paths.remove(path))
        QFile::remove(path);
}

void TemporaryFiles::removeAll()
{
    registry().removeAll();
}
