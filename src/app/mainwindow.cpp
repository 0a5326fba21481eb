#include "mainwindow.h"

#include "kithistory.h"
#include "mainwindowform.h"
#include "notetable.h"
#include "question.h"
#include "unixsignals.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QUndoStack>
#include <QWidget>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new MainWindowForm)
{
    ui->setupForm(this);
    connectCutSliderActions();
    connectBatchMenu();
    connectKitHistory();
    connectKitDocuments();
    connectKitPlaying();
    fillFrequencyList(ui->FrequencyCombo);
    // Nothing to edit until a load brings files.
    ui->centralwidget->setEnabled(false);
    // WAV files from a file manager (src/editing/dropping.cpp).
    setAcceptDrops(true);
    // Nobody is at the window to answer the quit question when the system
    // or the terminal asks the program to end: it stops every sox, clears
    // its temporary files away and ends.
    UnixSignals::watch();
}

MainWindow::~MainWindow()
{
    // The history clears itself as it goes, after the form is gone.
    kitHistory(this)->disconnect(this);
    delete ui;
}

void MainWindow::on_actionQuit_triggered()
{
    confirmQuit();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // The window never closes by itself; only a confirmed quit ends the program.
    event->ignore();
    confirmQuit();
}

void MainWindow::confirmQuit()
{
    if (userSaysYes(QStringLiteral("Are you sure you want to quit?"))) {
        // Not quit(): on Qt 6 it closes every window first, and our close
        // event would ask the same question again.
        QCoreApplication::exit(0);
    }
}
