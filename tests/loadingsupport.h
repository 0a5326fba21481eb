#pragma once

// What the tests of filling the sample list share: the states the main
// window moves between, and two empty files to load.

#include "mainwindow.h"
#include "testsupport.h"

#include <QComboBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

enum State { Locked, Loaded, OpenAndEmpty };

inline State stateOf(MainWindow &window)
{
    const bool empty = window.findChild<QComboBox *>("sampleCombo")->count() == 0;
    const bool enabled = window.findChild<QWidget *>("centralwidget")->isEnabled();
    if (!empty && enabled)
        return Loaded;
    if (empty && enabled)
        return OpenAndEmpty;
    // A list with entries but a locked central area would be a fault.
    return empty ? Locked : State(-1);
}

class LoadingFixture
{
protected:
    /// Makes kick.wav and snare.wav, empty, afresh (in init).
    void makeFiles()
    {
        QVERIFY(dir.isValid());
        kickAndSnare = touchFiles(dir.path(), {"kick.wav", "snare.wav"});
    }

    QTemporaryDir dir;
    QStringList kickAndSnare;
};
