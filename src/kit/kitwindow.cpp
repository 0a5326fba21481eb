#include "kitwindow.h"

#include "budgetdialog.h"
#include "folderwalk.h"
#include "kithistory.h"
#include "kitlist.h"
#include "kittablemodel.h"
#include "module.h"
#include "progress.h"
#include "soundfiles.h"
#include "waveformnumbers.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QTableView>
#include <QUndoStack>
#include <QUrl>
#include <QVBoxLayout>

namespace {

/// The open kit window of \a mainWindow; one that is closing is gone.
KitWindow *openWindow(QWidget *mainWindow)
{
    for (auto *window : mainWindow->findChildren<KitWindow *>(Qt::FindDirectChildrenOnly)) {
        if (window->isVisible())
            return window;
    }
    return nullptr;
}

/// The local files of a drag, in order.
QStringList localFiles(const QMimeData *data)
{
    QStringList paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths << url.toLocalFile();
    }
    return paths;
}

/// The local files of a drag or drop, taken as a copy when there are any
/// (a file manager told "moved" might delete what it thinks we took), else
/// refused. Taken whatever they hold, so that what is no sound file can be
/// named.
QStringList takeFiles(QDropEvent *event)
{
    const QStringList paths = localFiles(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
    } else {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
    return paths;
}

} // namespace

void showKitWindow(QWidget *mainWindow)
{
    KitWindow *window = openWindow(mainWindow);
    if (!window)
        window = new KitWindow(mainWindow);
    window->show();
    window->raise();
    window->activateWindow();
}

KitWindow::KitWindow(QWidget *mainWindow)
    : QWidget(mainWindow, Qt::Window)
    , m_mainWindow(mainWindow)
    , m_samples(mainWindow->findChild<QComboBox *>(QStringLiteral("sampleCombo")))
    , m_model(new KitTableModel(
          m_samples->model(), [this](int from, int to) { say(moveSample(m_mainWindow, from, to)); }, this))
    , m_table(new QTableView(this))
    , m_size(new QLabel(this))
    , m_message(new QLabel(this))
{
    setObjectName(QStringLiteral("kitWindow"));
    setWindowTitle(tr("Kit"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAcceptDrops(true);
    m_table->setObjectName(QStringLiteral("kitTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setDragDropMode(QAbstractItemView::DragDrop);
    m_table->setDefaultDropAction(Qt::MoveAction);
    m_table->setDragDropOverwriteMode(false);
    m_table->setDropIndicatorShown(true);
    m_table->setWordWrap(false);
    // Sizes fixed, never measured from the contents: a kit may hold
    // thousands of samples.
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->horizontalHeader()->setStretchLastSection(true);
    const QList<int> widths{110, 200, 50, 90, 70, 190, 80, 220};
    for (int column = 0; column < widths.size(); ++column)
        m_table->setColumnWidth(column, widths.at(column));
    m_size->setObjectName(QStringLiteral("kitSize"));
    m_size->setWordWrap(true);
    m_size->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_message->setObjectName(QStringLiteral("kitMessage"));
    m_message->setWordWrap(true);
    auto *menus = new QMenuBar(this);
    auto *layout = new QVBoxLayout(this);
    layout->setMenuBar(menus);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_size);
    layout->addWidget(m_message);
    resize(1040, 420);
    makeActions(menus);

    // The row chosen is the sample shown, in every window.
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &now) {
        if (now.isValid() && now.row() != m_samples->currentIndex())
            m_samples->setCurrentIndex(now.row());
    });
    connect(m_samples, &QComboBox::currentIndexChanged, this, &KitWindow::followShown);
    // A move shows the sample where it lands, which the list may not signal.
    connect(kitHistory(m_mainWindow), &QUndoStack::indexChanged, this, &KitWindow::followShown);
    m_reckon.setSingleShot(true);
    connect(&m_reckon, &QTimer::timeout, this, &KitWindow::showModuleSize);
    const auto reckonSoon = [this] { m_reckon.start(0); };
    connect(m_model, &QAbstractItemModel::dataChanged, this, reckonSoon);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, reckonSoon);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, reckonSoon);
    connect(m_model, &QAbstractItemModel::modelReset, this, reckonSoon);
    connect(askedBudget(m_mainWindow), &AskedBudget::changed, this, reckonSoon);
    followShown();
    showModuleSize();
}

KitWindow::~KitWindow()
{
    // The table goes before its model, which was made first and would
    // otherwise go first: the table's current and selected rows point into
    // the model until the table is gone.
    delete m_table;
}

void KitWindow::followShown()
{
    const int shown = m_samples->currentIndex();
    const QModelIndex current = m_table->selectionModel()->currentIndex();
    if (shown < 0 || (current.isValid() && current.row() == shown && m_table->selectionModel()->isRowSelected(shown)))
        return;
    m_table->selectionModel()->setCurrentIndex(m_model->index(shown, KitTableModel::NameColumn),
                                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_table->scrollTo(m_model->index(shown, KitTableModel::NameColumn));
}

void KitWindow::showModuleSize()
{
    const int count = m_samples->count();
    QString text = count == 1 ? tr("1 sample") : tr("%1 samples").arg(number(count));
    if (count > moduleSampleSlots)
        text += tr(", the first %1 in the module").arg(moduleSampleSlots);
    text += QStringLiteral(". ");
    const KitTableModel::ModuleSize size = m_model->moduleSize();
    if (size.state == KitTableModel::ModuleSize::Reckoning) {
        text += tr("The kit's module: reckoning its size…");
    } else if (size.state == KitTableModel::ModuleSize::Unknown) {
        text += tr("The kit's module: its size cannot be reckoned, as the length of %1 cannot be read.")
                    .arg(size.unknown.join(QStringLiteral(", ")));
    } else {
        text += moduleSizeLine(tr("The kit's module"), size.bytes);
        const qint64 budget = askedBudget(m_mainWindow)->bytes;
        if (budget > 0 && size.bytes != budget)
            text += tr("; %1 %2 than the %3 bytes last asked for")
                        .arg(number(qAbs(budget - size.bytes)), size.bytes < budget ? tr("less") : tr("more"), number(budget));
        else if (budget > 0)
            text += tr("; just the %1 bytes last asked for").arg(number(budget));
        text += QLatin1Char('.');
    }
    m_size->setText(text);
}

void KitWindow::say(const ListEdit &edit)
{
    m_message->setText(edit.said);
}

void KitWindow::dragEnterEvent(QDragEnterEvent *event)
{
    takeFiles(event);
}

void KitWindow::dragMoveEvent(QDragMoveEvent *event)
{
    takeFiles(event);
}

void KitWindow::dropEvent(QDropEvent *event)
{
    const QStringList paths = takeFiles(event);
    if (paths.isEmpty())
        return;
    // Once the drop is over, so the file manager is not left waiting.
    QTimer::singleShot(0, this, [this, paths] { addDropped(paths); });
}

void KitWindow::addDropped(const QStringList &paths)
{
    QStringList sounds;
    QStringList refused;
    bool folders = false;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.isDir())
            folders = true;
        else if (!info.exists())
            refused << tr("%1: there is no such file").arg(path);
        else if (!isSoundFileName(path))
            refused << tr("%1: not a sound file").arg(info.fileName());
        else
            sounds << path;
    }
    QList<FoundFile> found;
    QStringList unreadable;
    if (folders) {
        QStringList named;
        for (const QString &path : paths) {
            if (QFileInfo(path).isDir() || sounds.contains(path))
                named << path;
        }
        // Folders are walked away from the window: a large tree, or one on
        // a slow share, takes time.
        const std::optional<FileSearch> search = awayFromTheWindow(
            this, tr("Looking for sound files in %1").arg(QFileInfo(named.constFirst()).fileName()),
            [named](const std::function<bool()> &cancelled) {
                return findSoundFiles(named, [&cancelled](const FileSearch &) { return cancelled(); });
            });
        if (!search)
            return;
        found = search->files;
        unreadable = search->unreadable;
        for (const QString &empty : search->emptyFolders)
            refused << tr("%1: a folder with no sound file in it").arg(empty);
        // The export's report counts what the folders held that is no sound.
        if (auto *list = m_mainWindow->findChild<QComboBox *>(QStringLiteral("sampleCombo")))
            setFilesNotSound(list, filesNotSound(list) + search->notSound);
    } else {
        for (const QString &path : sounds)
            found << FoundFile{path, QString(), QString()};
    }
    QStringList files;
    for (const FoundFile &file : found)
        files << file.path;
    ListEdit edit = addRecordings(m_mainWindow, files, found);
    QStringList said;
    if (!edit.said.isEmpty())
        said << edit.said;
    if (!refused.isEmpty())
        said << tr("Not added, as only sound files and folders of them can be: %1.").arg(refused.join(QStringLiteral("; ")));
    if (!unreadable.isEmpty())
        said << tr("Folders that could not be read: %1.").arg(unreadable.join(QStringLiteral("; ")));
    edit.said = said.join(QLatin1Char(' '));
    say(edit);
}
