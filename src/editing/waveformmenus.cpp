// The waveform window's menu bar: every action of the window, with its key,
// in one place, and the kit's own actions, which do here what they do in
// the main window.

#include "waveformwindow.h"

#include "slicing.h"

#include <QAction>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>

void WaveformWindow::makeMenus(QAction *undo, QAction *redo)
{
    auto *menus = new QMenuBar(this);
    menus->setObjectName(QStringLiteral("waveformMenus"));
    layout()->setMenuBar(menus);

    QMenu *edit = menus->addMenu(tr("&Edit"));
    edit->addActions({undo, redo});
    edit->addSeparator();
    edit->addActions({m_selectAll, m_clearSelection});
    edit->addSeparator();
    edit->addActions({m_crop, m_loop, m_clearLoop, m_crossfade, m_removeCrossfade, m_trim, m_restore});

    QMenu *view = menus->addMenu(tr("&View"));
    view->addActions({m_zoom, m_whole});

    QMenu *slice = menus->addMenu(tr("S&lice"));
    slice->addActions(m_slicing->actions());

    // The Amiga's sound, chosen anew each time from what holds now: another
    // window may have changed it.
    QMenu *sound = menus->addMenu(tr("S&ound"));
    const auto fillSound = [this, sound] {
        qDeleteAll(sound->findChildren<QMenu *>(Qt::FindDirectChildrenOnly));
        sound->clear();
        addSoundMenu(sound);
    };
    fillSound();
    connect(sound, &QMenu::aboutToShow, this, fillSound);

    // The main window's own actions, keys and all: Ctrl+O, Ctrl+S and
    // Ctrl+W do here what they do there, and Ctrl+K shows the kit.
    const auto mains = [this](const char *name) { return m_mainWindow->findChild<QAction *>(QLatin1String(name)); };
    QMenu *kit = menus->addMenu(tr("&Kit"));
    kit->addActions({mains("actionOpen_Kit"), mains("actionSave_Kit"), mains("actionShow_Kit"),
                     mains("actionExport_Kit_as_Module")});
    kit->addSeparator();
    kit->addAction(mains("actionClear_All"));

    for (QMenu *menu : {edit, view, slice})
        connect(menu, &QMenu::aboutToShow, this, &WaveformWindow::updateActions);
}
