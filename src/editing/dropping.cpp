// WAV files dropped on the window, from a file manager say, are loaded as
// Load Samples loads them.

#include "mainwindow.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {

/// The local WAV files among what is dragged, in the order given.
QStringList wavFiles(const QMimeData *data)
{
    QStringList paths;
    for (const QUrl &url : data->urls()) {
        const QString path = url.toLocalFile();
        if (path.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive))
            paths << path;
    }
    return paths;
}

/// Takes a drop of files as a copy: a file manager told "moved" might
/// delete what it thinks we took.
void acceptAsCopy(QDropEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    // Ignored, the drag's cursor shows that nothing can be dropped here.
    if (wavFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        acceptAsCopy(event);
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QStringList paths = wavFiles(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    acceptAsCopy(event);
    // Loading may ask "Lose current samples?": ask once the drop is over, so
    // the file manager is not left waiting for the answer.
    QTimer::singleShot(0, this, [this, paths] { loadFiles(paths); });
}
