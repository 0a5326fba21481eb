#pragma once

// What the tests of editing a sample's settings share: a shown main window
// with two samples loaded (kick.wav, shown, and snare.wav), for each test.

#include "testsupport.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class EditorFixture : public WindowFixture
{
protected:
    /// A shown window with kick.wav and snare.wav loaded (in init).
    void openWindow()
    {
        WindowFixture::openWindow();
        QVERIFY(loadSamples(*window, touchFiles(dir.path(), {"kick.wav", "snare.wav"})));
    }

    Sample stored() { return currentSample(find<QComboBox>("sampleCombo")); }

    QTemporaryDir dir;
};
