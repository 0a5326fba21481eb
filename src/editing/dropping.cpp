// Sound files and folders of them dropped on the window, from a file manager
// say, are loaded as Load Samples loads files.

#include "folderwalk.h"
#include "mainwindow.h"
#include "progress.h"
#include "soundfiles.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QtConcurrent>

namespace {

const char *folderLookName = "folderLook";

/// What of a drag can be loaded: its local sound files and folders, in the
/// order given.
struct Dragged
{
    QStringList paths;
    QStringList folders;
};

Dragged dragged(const QMimeData *data)
{
    Dragged found;
    for (const QUrl &url : data->urls()) {
        const QString path = url.toLocalFile();
        if (path.isEmpty())
            continue;
        if (QFileInfo(path).isDir())
            found.folders << path;
        else if (!isSoundFileName(path))
            continue;
        found.paths << path;
    }
    return found;
}

/// Ends the look into a drag's folders, when a drag leaves, drops or comes
/// anew: its search stops at the next folder, so an abandoned drag of a
/// large tree does not go on walking it.
void forgetFolderLook(QObject *window)
{
    if (QFutureWatcherBase *look = window->findChild<QFutureWatcherBase *>(folderLookName)) {
        look->cancel();
        delete look;
    }
}

/// Takes a drop of files as a copy: a file manager told "moved" might
/// delete what it thinks we took.
void acceptAsCopy(QDropEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

/// The sound files under \a paths, found away from the window's thread; with
/// \a firstOnly, it stops at the first.
FileSearch searchFor(QPromise<FileSearch> &promise, const QStringList &paths, bool firstOnly)
{
    return findSoundFiles(paths, [&promise, firstOnly](const FileSearch &sofar) {
        return promise.isCanceled() || (firstOnly && !sofar.files.isEmpty());
    });
}

} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    forgetFolderLook(this);
    const Dragged drag = dragged(event->mimeData());
    if (drag.paths.isEmpty()) {
        // Ignored, the drag's cursor shows that nothing can be dropped here.
        event->ignore();
        return;
    }
    acceptAsCopy(event);
    if (drag.paths.size() > drag.folders.size())
        return;
    // Folders alone can be dropped once one of them is seen to hold a sound
    // file; a large tree, or one on a slow share, is looked through away
    // from the window meanwhile.
    auto *look = new QFutureWatcher<FileSearch>(this);
    look->setObjectName(folderLookName);
    look->setFuture(QtConcurrent::run(
        [](QPromise<FileSearch> &promise, const QStringList &folders) {
            promise.addResult(searchFor(promise, folders, true));
        },
        drag.folders));
}

void MainWindow::dragMoveEvent(QDragMoveEvent *event)
{
    const auto *look = static_cast<QFutureWatcher<FileSearch> *>(findChild<QFutureWatcherBase *>(folderLookName));
    if (!look || (look->isFinished() && !look->result().files.isEmpty()))
        acceptAsCopy(event);
    else
        event->ignore();
}

void MainWindow::dragLeaveEvent(QDragLeaveEvent *)
{
    forgetFolderLook(this);
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const Dragged drag = dragged(event->mimeData());
    if (drag.paths.isEmpty()) {
        event->ignore();
        return;
    }
    acceptAsCopy(event);
    forgetFolderLook(this);
    // Loading may ask "Lose current samples?": ask once the drop is over, so
    // the file manager is not left waiting for the answer.
    QTimer::singleShot(0, this, [this, paths = drag.paths] { loadDropped(paths); });
}

void MainWindow::loadDropped(const QStringList &paths)
{
    QFuture<FileSearch> search = QtConcurrent::run(
        [](QPromise<FileSearch> &promise, const QStringList &paths) { promise.addResult(searchFor(promise, paths, false)); },
        paths);
    {
        ConversionProgress progress(this, 0);
        progress.run(QFuture<void>(search), QStringLiteral("Looking for sound files in %1").arg(QFileInfo(paths.constFirst()).fileName()));
        if (progress.wasCancelled())
            return;
    }
    const FileSearch found = search.result();
    QStringList files;
    for (const FoundFile &file : found.files)
        files << file.path;
    if (loadFiles(files, Sample(), found.files))
        noteFilesNotSound(found.notSound);
    if (!found.unreadable.isEmpty()) {
        QMessageBox box;
        box.setIcon(QMessageBox::Warning);
        box.setTextFormat(Qt::PlainText);
        box.setText(QStringLiteral("Some folders could not be read:\n\n%1").arg(found.unreadable.join(QLatin1Char('\n'))));
        box.exec();
    }
}
