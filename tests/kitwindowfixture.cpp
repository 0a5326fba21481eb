#include "kitwindowfixture.h"

#include "sample.h"
#include "testsupport.h"

#include <QTest>

void KitWindowFixture::makeRecordings()
{
    for (const char *name : {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"})
        QVERIFY(makeWav(dir.filePath(name), {"-r", "8000", "-c", "1"}, {"synth", "0.1", "sine", "440"}));
    // 3 s at 22,050 Hz: at A-3 too long for classic trackers.
    QVERIFY(makeWav(dir.filePath("pad.wav"), {"-r", "22050", "-c", "1"}, {"synth", "3", "sine", "300"}));
    touchFiles(dir.path(), {"notes.txt"});
}

QWidget *KitWindowFixture::openKit()
{
    useContextMenu(find<QWidget>("centralwidget"), "Show Kit");
    auto *kit = find<QWidget>("kitWindow");
    return kit && QTest::qWaitForWindowActive(kit) ? kit : nullptr;
}

QStringList KitWindowFixture::column(int column)
{
    QStringList shown;
    for (int row = 0; row < table()->model()->rowCount(); ++row)
        shown << table()->model()->index(row, column).data().toString();
    return shown;
}

QStringList KitWindowFixture::names()
{
    QStringList named;
    for (const Sample &sample : allSamples(list()))
        named << sample.name;
    return named;
}

void KitWindowFixture::press(const QKeySequence &keys)
{
    auto *kit = find<QWidget>("kitWindow");
    kit->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(kit));
    QTest::keySequence(kit, keys);
}
