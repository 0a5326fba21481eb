#include "amigamodel.h"
#include "audition.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"
#include "waveformview.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>

// The waveform window's keys as a user meets them: what they play follows
// the picture, the Amiga's sound is chosen in the window's menu, and with
// no sound output they say so. How they sound is tst_audition's.

class TestWaveformKeys : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void withoutSoundTheWindowSaysSoOnce();
    void keysPlayThePictureAsItIsNow();
    void amigaSoundIsChosenInTheWindowsMenu();

private:
    /// Opens the waveform window of \a window on \a file, a tone; its view
    /// once it pictures it.
    QWidget *showTone(MainWindow &window, const QString &file = "tone.wav");
    /// Right-clicks \a view and, in its Amiga Sound menu, chooses \a choice
    /// (none: chooses nothing). Returns the choices, the one chosen before
    /// marked " (chosen)".
    QStringList useSoundMenu(QWidget *view, const QString &choice = QString());

    QTemporaryDir m_dir;
    // No sound server here: under ctest there is none, and a developer's
    // own must not be heard from.
    ScopedEnvironment m_noServer{"PULSE_SERVER", "unix:/nonexistent/brindlebox-test"};
};

void TestWaveformKeys::initTestCase()
{
    QVERIFY(makeWav(m_dir.filePath("tone.wav"), {"-r", "44100", "-c", "1", "-b", "16"}, {"synth", "1", "sine", "440"}));
}

QWidget *TestWaveformKeys::showTone(MainWindow &window, const QString &file)
{
    if (!loadSamples(window, {m_dir.filePath(file)}))
        return nullptr;
    useContextMenu(window.findChild<QWidget *>("centralwidget"), "Show Waveform");
    auto *view = window.findChild<QWidget *>("waveformView");
    return view && QTest::qWaitFor([&] { return view->accessibleDescription().startsWith(file + " · C-2"); }, 10000)
        ? view
        : nullptr;
}

QStringList TestWaveformKeys::useSoundMenu(QWidget *view, const QString &choice)
{
    QStringList choices;
    QTimer::singleShot(0, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *entry : menu->actions()) {
            if (entry->text() != "Amiga Sound" || !entry->menu())
                continue;
            for (QAction *sound : entry->menu()->actions()) {
                choices << sound->text() + (sound->isChecked() ? " (chosen)" : "");
                if (sound->text() == choice)
                    sound->trigger();
            }
        }
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, view->rect().center(), view->mapToGlobal(view->rect().center()));
    QApplication::sendEvent(view, &event);
    return choices;
}

void TestWaveformKeys::withoutSoundTheWindowSaysSoOnce()
{
    MainWindow window;
    QWidget *view = showTone(window);
    QVERIFY(view);
    auto *numbers = window.findChild<QLabel *>("waveformNumbers");
    const QString before = numbers->text();
    const QString said = "No sound output is available, so the keys play nothing";
    QTest::keyClick(view, Qt::Key_Z);
    QCOMPARE(numbers->text(), before + "\n" + said);
    // Said once; the keys do nothing else, Space neither.
    for (const Qt::Key key : {Qt::Key_X, Qt::Key_Q, Qt::Key_Space})
        QTest::keyClick(view, key);
    QCOMPARE(numbers->text(), before + "\n" + said);

    // Nor can the kit be played.
    ModalDriver driver;
    driver.press(QMessageBox::Ok);
    useContextMenu(window.findChild<QWidget *>("centralwidget"), "Play Kit as Module");
    QCOMPARE(driver.texts(), QStringList{"No sound output is available, so the kit cannot be played."});
}

void TestWaveformKeys::amigaSoundIsChosenInTheWindowsMenu()
{
    {
        MainWindow window;
        QWidget *view = showTone(window);
        QVERIFY(view);
        QCOMPARE(useSoundMenu(view, "Unfiltered"), QStringList({"Amiga 500 (chosen)", "Amiga 1200", "Unfiltered"}));
        QCOMPARE(AmigaSound::instance()->model(), AmigaModel::Unfiltered);
    }
    // The choice holds until the program ends, in every window.
    MainWindow window;
    QWidget *view = showTone(window);
    QVERIFY(view);
    QCOMPARE(useSoundMenu(view), QStringList({"Amiga 500", "Amiga 1200", "Unfiltered (chosen)"}));
}

void TestWaveformKeys::keysPlayThePictureAsItIsNow()
{
    MainWindow window;
    window.show();
    QVERIFY(QFile::copy(m_dir.filePath("tone.wav"), m_dir.filePath("moving.wav")));
    QWidget *view = showTone(window, "moving.wav");
    QVERIFY(view);
    auto *audition = window.findChild<Audition *>("audition");
    const auto heard = [&] { return audition->sample(); };
    const auto pictured = [&] { return static_cast<WaveformView *>(view)->summary(); };
    QCOMPARE(heard().body, pictured()->body);
    QCOMPARE(heard().rate, 8287);
    // Another note: the keys play the sample made for it.
    auto *notes = window.findChild<QComboBox *>("FrequencyCombo");
    QTest::keyClick(notes, Qt::Key_Down);
    QTRY_COMPARE_WITH_TIMEOUT(heard().rate, 8779, 10000);
    QCOMPARE(heard().body, pictured()->body);
    // A loop set by eye, and taken back.
    QWidget *waveform = view->window();
    waveform->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(waveform));
    QTest::keyClick(waveform, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(waveform, Qt::Key_L, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(heard().loopLength > 0, 10000);
    QCOMPARE(heard().loopLength, pictured()->layout.loopLength);
    QTest::keyClick(waveform, Qt::Key_Z, Qt::ControlModifier);
    QTRY_COMPARE_WITH_TIMEOUT(heard().loopLength, 0, 10000);
    // A sample that cannot be converted: the keys play nothing.
    QVERIFY(QFile::remove(m_dir.filePath("moving.wav")));
    QTest::keyClick(notes, Qt::Key_Up);
    QTRY_VERIFY_WITH_TIMEOUT(heard().body.isEmpty(), 10000);
}

QTEST_MAIN(TestWaveformKeys)
#include "tst_waveformkeys.moc"
