#pragma once

#include "export.h"
#include "mainwindow.h"
#include "testsupport.h"

#include <QDir>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class ModalDriver;

/// What the export's test programs share: recordings made once per program,
/// a fresh output folder and main window for each test, and the clicks a
/// user makes to choose the folder and export.
class ExportFixture
{
protected:
    /// Makes the recordings every export test may add (in initTestCase).
    void makeSources();
    /// A fresh output folder and window (in init).
    void openWindow();
    /// Closes the window and removes what the test left behind (in cleanup).
    void closeWindow();

    void addSample(const QString &source, const QString &note = "C-2", bool ready = true);
    void browse(ModalDriver &driver, const QString &directory);
    void exportAll() { m_window->findChild<QPushButton *>("ExportButton")->click(); }
    QStringList exported() const { return QDir(m_out->path()).entryList(QDir::Files, QDir::Name); }
    QStringList converted() const { return QDir(m_temp.path()).entryList(QDir::Files); }

    QTemporaryDir m_sources;
    QTemporaryDir m_temp;
    std::unique_ptr<QTemporaryDir> m_out;
    std::unique_ptr<ScopedEnvironment> m_tmpdir;
    std::unique_ptr<MainWindow> m_window;
};
