#include "mainwindow.h"
#include "modaldriver.h"
#include "sample.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <QTimer>

namespace {

// Runs the real event loop, which quitting needs, with \a start queued as
// its first event; gives up with exit code 99 after a few seconds.
int runEventLoop(const std::function<void()> &start)
{
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    giveUp.start(5000);
    QTimer::singleShot(0, start);
    return QApplication::exec();
}

} // namespace

class TestQuit : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void closeAnsweredNoKeepsWindowAndSamples_data();
    void closeAnsweredNoKeepsWindowAndSamples();
    void yesEndsWithExitCodeZeroAskingOnce_data();
    void yesEndsWithExitCodeZeroAskingOnce();

private:
    std::unique_ptr<MainWindow> window;
};

void TestQuit::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
}

enum Way { TitleBar, Menu, Shortcut };

static void askToQuit(MainWindow *window, Way way)
{
    auto *quit = window->findChild<QAction *>("actionQuit");
    switch (way) {
    case TitleBar:
        window->close();
        break;
    case Menu:
        quit->trigger();
        break;
    case Shortcut:
        QTest::keySequence(window, quit->shortcut());
        break;
    }
}

void TestQuit::closeAnsweredNoKeepsWindowAndSamples_data()
{
    QTest::addColumn<int>("way");
    QTest::addColumn<int>("key"); // 0: the No button
    QTest::newRow("title bar, No") << int(TitleBar) << 0;
    QTest::newRow("title bar, Escape") << int(TitleBar) << int(Qt::Key_Escape);
    QTest::newRow("title bar, Enter") << int(TitleBar) << int(Qt::Key_Return);
    QTest::newRow("menu, No") << int(Menu) << 0;
    QTest::newRow("shortcut, No") << int(Shortcut) << 0;
}

void TestQuit::closeAnsweredNoKeepsWindowAndSamples()
{
    QFETCH(int, way);
    QFETCH(int, key);

    auto *samples = window->findChild<QComboBox *>("sampleCombo");
    Sample kick;
    kick.name = QStringLiteral("kick.wav");
    kick.note = QStringLiteral("A-3");
    appendSample(samples, kick);

    ModalDriver driver;
    if (key)
        driver.then([key](QWidget *box) { QTest::keyClick(box, Qt::Key(key)); });
    else
        driver.press(QMessageBox::No);
    // A quit ends the loop before it gets to the exit queued after the question.
    const int code = runEventLoop([this, way] {
        askToQuit(window.get(), Way(way));
        QTimer::singleShot(0, [] { QCoreApplication::exit(1); });
    });

    QCOMPARE(code, 1);
    QCOMPARE(driver.texts(), QStringList{"Are you sure you want to quit?"});
    QVERIFY(window->isVisible());
    QCOMPARE(samples->count(), 1);
    QCOMPARE(samples->itemText(0), QStringLiteral("kick.wav | Not Ready"));
    QCOMPARE(currentSample(samples).note, QStringLiteral("A-3"));
}

void TestQuit::yesEndsWithExitCodeZeroAskingOnce_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("title bar") << int(TitleBar);
    QTest::newRow("menu") << int(Menu);
    QTest::newRow("shortcut") << int(Shortcut);
}

void TestQuit::yesEndsWithExitCodeZeroAskingOnce()
{
    QFETCH(int, way);

    ModalDriver driver;
    driver.press(QMessageBox::Yes);
    const int code = runEventLoop([this, way] { askToQuit(window.get(), Way(way)); });

    QCOMPARE(code, 0);
    QCOMPARE(driver.texts(), QStringList{"Are you sure you want to quit?"});
    QCOMPARE(driver.unexpected(), 0);
}

QTEST_MAIN(TestQuit)
#include "tst_quit.moc"
