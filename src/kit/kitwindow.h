#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>

class KitTableModel;
class QComboBox;
class QLabel;
class QMenuBar;
class QTableView;
struct ListEdit;

/// Shows the kit window of \a mainWindow, making it when none is open, and
/// raises it.
void showKitWindow(QWidget *mainWindow);

/// A window of its own beside the main window, not modal: every sample of
/// the kit in one table, in list order, with its slot in the module, name,
/// note, length at its note, loop and ready mark, and under it the
/// module's size against an Amiga 500's memory and the budget last asked
/// for. The table is the main window's sample list seen whole: choosing a
/// row shows that sample everywhere, and every change anywhere shows here.
/// Here the kit is built: samples added (from a dialog, or dropped on the
/// window), removed, moved (with keys, or rows dragged), renamed and
/// duplicated, each one step of the kit's history.
class KitWindow : public QWidget
{
    Q_OBJECT

public:
    explicit KitWindow(QWidget *mainWindow);
    ~KitWindow() override;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    /// The window's actions with their keys, its menu bar and the table's
    /// context menu (src/kit/kitwindowactions.cpp).
    void makeActions(QMenuBar *menus);
    /// Selects the row of the sample the main window shows.
    void followShown();
    void showModuleSize();
    /// Says what a change to the list came to, under the table.
    void say(const ListEdit &edit);
    /// Adds what was dropped: sound files, and the WAV files under folders;
    /// names what is no sound file.
    void addDropped(const QStringList &paths);

    QWidget *m_mainWindow;
    QComboBox *m_samples;
    KitTableModel *m_model;
    QTableView *m_table;
    QLabel *m_size;
    QLabel *m_message;
    QTimer m_reckon;
};
