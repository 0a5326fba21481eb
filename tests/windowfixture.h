#pragma once

#include "mainwindow.h"

#include <QComboBox>
#include <QTest>

#include <memory>

/// A shown main window for each test, and its widgets found by name: what
/// the fixtures of the window's test programs start from.
class WindowFixture
{
protected:
    /// A shown main window (in init).
    void openWindow()
    {
        window = std::make_unique<MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void closeWindow() { window.reset(); }

    template<typename T>
    T *find(const char *name) { return window->findChild<T *>(name); }
    QComboBox *list() { return find<QComboBox>("sampleCombo"); }

    std::unique_ptr<MainWindow> window;
};
