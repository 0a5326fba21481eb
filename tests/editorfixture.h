#pragma once

// What the tests of editing a sample's settings share: a shown main window
// with two samples loaded (kick.wav, shown, and snare.wav), for each test.

#include "mainwindow.h"
#include "testsupport.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class EditorFixture
{
protected:
    /// A shown window with kick.wav and snare.wav loaded (in init).
    void openWindow()
    {
        window = std::make_unique<MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(loadSamples(*window, touchFiles(dir.path(), {"kick.wav", "snare.wav"})));
    }
    void closeWindow() { window.reset(); }

    template<typename T>
    T *find(const char *name) { return window->findChild<T *>(name); }
    Sample stored() { return currentSample(find<QComboBox>("sampleCombo")); }

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};
