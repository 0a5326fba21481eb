#include "audition.h"
#include "crossfadesupport.h"
#include "testsupport.h"
#include "waveformview.h"
#include "waveformwindow.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

// Loops that do not click: a looped recording crossfaded in the waveform
// window, its tries heard and seen as the export writes them, by either law.

namespace {

/// Counts the keys that reach a widget.
class KeysSeen : public QObject
{
public:
    QList<int> keys;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            keys << static_cast<QKeyEvent *>(event)->key();
        return false;
    }
};

} // namespace

class TestCrossfade : public QObject, private CrossfadeFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { makeRecordings(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }
    void crossfadesTheLoopThatClicks();
    void followsTheLaw_data();
    void followsTheLaw();
};

void TestCrossfade::crossfadesTheLoopThatClicks()
{
    WaveformView *view = showWaveform(dir.filePath("pad.wav"), "C-3");
    QVERIFY(view);
    const SvxFile before = exported();
    QVERIFY2(seam(before) > 20, qPrintable(QString::number(seam(before))));
    const QByteArray clicking = view->summary()->body;
    QCOMPARE(clicking, before.body);

    // The defaults: a fifth of the loop, halfway between the laws; each
    // change tried on the picture at once, and the keys left to play it.
    const qint64 fifth = before.repeat / 5;
    KeysSeen seen;
    find<QWidget>("waveformWindow")->installEventFilter(&seen);
    QByteArray tried;
    crossfadeLoop(view, [&](QWidget *dialog) {
        auto *length = dialog->findChild<QSlider *>("fadeLengthSlider");
        QCOMPARE(qint64(length->value()), fifth);
        QVERIFY(dialog->findChild<QLabel *>("fadeLengthWords")->text().startsWith(
            QStringLiteral("%1 ms, %2 bytes").arg(fifth * 1000.0 / 16574, 0, 'f', 1).arg(fifth)));
        tried = view->summary()->body;
        // The keys play the try, so the seam is heard as it changes.
        const Audition *keys = find<WaveformWindow>("waveformWindow")->audition();
        QCOMPARE(keys->sample().body, tried);
        length->setFocus();
        for (const Qt::Key key : {Qt::Key_Z, Qt::Key_Space, Qt::Key_F1, Qt::Key_5})
            QTest::keyClick(length, key);
        QCOMPARE(qint64(length->value()), fifth);
        QTest::keyClick(length, Qt::Key_Right);
        QVERIFY(view->summary()->body != tried);
        QCOMPARE(keys->sample().body, view->summary()->body);
        QTest::keyClick(length, Qt::Key_Left);
        QCOMPARE(view->summary()->body, tried);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    QCOMPARE(seen.keys, QList<int>({Qt::Key_Z, Qt::Key_Space, Qt::Key_F1, Qt::Key_5}));
    QVERIFY(tried != clicking);
    QVERIFY(pictured(view, QStringLiteral("crossfade %1 ms, %2 bytes, halfway between Equal Gain and Equal Power")
                               .arg(fifth * 1000.0 / 16574, 0, 'f', 1)
                               .arg(fifth)));

    // The loop's end now leads into its start as its own past did; nothing
    // else changed, and the picture is the file.
    SvxFile after = exported();
    QVERIFY2(seam(after) <= 4, qPrintable(QString::number(seam(after))));
    QVERIFY(changedSpan(before.body, after.body).first >= after.oneShot + after.repeat - fifth);
    QVERIFY(changedSpan(before.body, after.body).second <= after.oneShot + after.repeat);
    QCOMPARE(std::pair(after.oneShot, after.repeat), std::pair(before.oneShot, before.repeat));
    QVERIFY(offTheLaw(before, after, fifth, 0.5) <= 1);
    QCOMPARE(view->summary()->body, after.body);
    QCOMPARE(tried, after.body);

    // Undo brings the click back, Redo takes it away.
    find<QWidget>("waveformWindow")->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(find<QWidget>("waveformWindow")));
    QTest::keyClick(find<QWidget>("waveformWindow"), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(pictured(view, "loop from byte"));
    QTRY_COMPARE_WITH_TIMEOUT(view->summary()->body, clicking, 10000);
    QVERIFY(sampleShape(list(), 0).isWhole());
    QTest::keyClick(find<QWidget>("waveformWindow"), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE_WITH_TIMEOUT(view->summary()->body, after.body, 10000);

    // At another note the crossfade lasts as long.
    QTest::keyClick(find<QComboBox>("FrequencyCombo"), Qt::Key_Down);
    QVERIFY(pictured(view, "C#3, 17559 Hz"));
    after = exported();
    QVERIFY2(seam(after) <= 4, qPrintable(QString::number(seam(after))));
    const qint64 bytes = qRound64(fifth * 17559 / 16574.0);
    QVERIFY2(view->accessibleDescription().contains(
                 QStringLiteral("crossfade %1 ms, %2 bytes").arg(bytes * 1000.0 / 17559, 0, 'f', 1).arg(bytes)),
             qPrintable(view->accessibleDescription()));

    // Taken off again, the loop clicks as before.
    useContextMenu(view, "Remove Crossfade");
    QVERIFY(sampleShape(list(), 0).isWhole());
    QTRY_VERIFY_WITH_TIMEOUT(!view->accessibleDescription().contains("crossfade"), 10000);
    QVERIFY(seam(exported()) > 20);
}

void TestCrossfade::followsTheLaw_data()
{
    QTest::addColumn<int>("law");
    QTest::addColumn<int>("length"); // in bytes; 0: the longest there can be
    QTest::addColumn<bool>("accepted");
    QTest::newRow("Equal Gain") << 0 << 400 << true;
    QTest::newRow("Equal Power, as long as can be") << 100 << 0 << true;
    QTest::newRow("cancelled") << 100 << 400 << false;
}

void TestCrossfade::followsTheLaw()
{
    QFETCH(int, law);
    QFETCH(int, length);
    QFETCH(bool, accepted);
    WaveformView *view = showWaveform(dir.filePath("pad.wav"), "C-3");
    QVERIFY(view);
    const SvxFile before = exported();
    crossfadeLoop(view, [&](QWidget *dialog) {
        auto *lengthSlider = dialog->findChild<QSlider *>("fadeLengthSlider");
        // At most half the loop, and the sound before its start.
        QCOMPARE(qint64(lengthSlider->maximum()), qMin(before.oneShot, before.repeat / 2));
        lengthSlider->setValue(length ? length : lengthSlider->maximum());
        length = lengthSlider->value();
        dialog->findChild<QSlider *>("fadeLawSlider")->setValue(law);
        auto *buttons = dialog->findChild<QDialogButtonBox *>();
        buttons->button(accepted ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    });
    if (!accepted) {
        QVERIFY(sampleShape(list(), 0).isWhole());
        QCOMPARE(view->summary()->body, before.body);
        QVERIFY(!view->accessibleDescription().contains("crossfade"));
        return;
    }
    QVERIFY(pictured(view, law ? "Equal Power" : "Equal Gain"));
    const SvxFile after = exported();
    QVERIFY2(offTheLaw(before, after, length, law / 100.0) <= 1, qPrintable(QString::number(offTheLaw(before, after, length, law / 100.0))));
    QVERIFY2(seam(after) <= 4, qPrintable(QString::number(seam(after))));
}

QTEST_MAIN(TestCrossfade)
#include "tst_crossfade.moc"
