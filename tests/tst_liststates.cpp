#include "kithistory.h"
#include "loadingsupport.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

// The states Load Samples and Clear All move the main window between, the
// question they ask of a loaded list, and what refusing it keeps.

class TestListStates : public QObject, private LoadingFixture
{
    Q_OBJECT

private slots:
    void init() { makeFiles(); }
    void eachActionMovesBetweenTheStates_data();
    void eachActionMovesBetweenTheStates();
    void refusingKeepsEverySetting_data();
    void refusingKeepsEverySetting();
    void oneSampleIsAskedAboutToo_data();
    void oneSampleIsAskedAboutToo();
    void clearingShowsTheDefaults();
    void loadingLeavesDirectoryAndSizeAlone();
    void anEmptyListOffersNoBatchEdit_data();
    void anEmptyListOffersNoBatchEdit();
};

void TestListStates::eachActionMovesBetweenTheStates_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("to");

    const QList<QPair<int, const char *>> froms = {
        {Locked, "Locked"}, {Loaded, "Loaded"}, {OpenAndEmpty, "Open and empty"}};
    for (const auto &[from, name] : froms) {
        const auto row = [name = name](const char *action) -> QTestData & {
            return QTest::addRow("%s, %s", name, action);
        };
        row("load") << from << "load" << int(Loaded);
        row("load cancelled") << from << "load cancelled"
                              << (from == Locked ? int(Locked) : int(OpenAndEmpty));
        row("clear") << from << "clear" << int(Locked);
        if (from == Loaded) {
            row("load refused") << from << "load refused" << from;
            row("clear refused") << from << "clear refused" << from;
        }
    }
}

void TestListStates::eachActionMovesBetweenTheStates()
{
    QFETCH(int, from);
    QFETCH(QString, action);
    QFETCH(int, to);

    MainWindow window;
    if (from != Locked)
        QVERIFY(loadSamples(window, kickAndSnare));
    if (from == OpenAndEmpty)
        QVERIFY(loadSamples(window, {}));
    QCOMPARE(stateOf(window), State(from));
    // Two steps of shaping the first sample: cropped, then looped too.
    SampleShape shape;
    if (from == Loaded) {
        shape.crop = SampleShape::Crop{100, 1000};
        changeShape(&window, 0, shape, "Crop to Selection");
        shape.loop = SampleShape::Loop::None;
        changeShape(&window, 0, shape, "Clear Loop");
    }

    const bool asks = from == Loaded;
    ModalDriver driver;
    if (asks)
        driver.press(action.endsWith(QLatin1String("refused")) ? QMessageBox::No : QMessageBox::Yes);
    if (action == QLatin1String("load"))
        driver.choose(kickAndSnare.mid(1));
    else if (action == QLatin1String("load cancelled"))
        driver.cancel();

    const char *trigger = action.startsWith(QLatin1String("load")) ? "actionLoad_Samples"
                                                                    : "actionClear_All";
    window.findChild<QAction *>(trigger)->trigger();

    QCOMPARE(driver.pending(), 0);
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(driver.texts(), asks ? QStringList{"Lose current samples?"} : QStringList{});
    QCOMPARE(stateOf(window), State(to));
    if (action == QLatin1String("load"))
        QCOMPARE(window.findChild<QComboBox *>("sampleCombo")->itemText(0),
                 QStringLiteral("snare.wav | Not Ready"));
    // A replaced list takes its history with it: Undo puts no old crop on
    // a new sample.
    auto *undo = window.findChild<QAction *>("actionUndo");
    QCOMPARE(undo->isEnabled(), from == Loaded && action.endsWith("refused"));
    undo->trigger();
    if (window.findChild<QComboBox *>("sampleCombo")->count() > 0)
        QCOMPARE(sampleShape(window.findChild<QComboBox *>("sampleCombo"), 0).isWhole(), !action.endsWith("refused"));
}

void TestListStates::refusingKeepsEverySetting_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<int>("key"); // 0: the No button
    QTest::newRow("load, No") << "actionLoad_Samples" << 0;
    QTest::newRow("load, Escape") << "actionLoad_Samples" << int(Qt::Key_Escape);
    QTest::newRow("load, Enter") << "actionLoad_Samples" << int(Qt::Key_Return);
    QTest::newRow("clear, No") << "actionClear_All" << 0;
    QTest::newRow("clear, Escape") << "actionClear_All" << int(Qt::Key_Escape);
    QTest::newRow("clear, Enter") << "actionClear_All" << int(Qt::Key_Return);
}

void TestListStates::refusingKeepsEverySetting()
{
    QFETCH(QString, trigger);
    QFETCH(int, key);

    MainWindow window;
    QVERIFY(loadSamples(window, kickAndSnare));
    auto *samples = window.findChild<QComboBox *>("sampleCombo");
    samples->setCurrentIndex(1);
    window.findChild<QPushButton *>("readyButton")->click();
    window.findChild<QCheckBox *>("lowCutCheckbox")->click();
    const QString before = describe(currentSample(samples));

    ModalDriver driver;
    if (key)
        driver.then([key](QWidget *box) { QTest::keyClick(box, Qt::Key(key)); });
    else
        driver.press(QMessageBox::No);
    window.findChild<QAction *>(qPrintable(trigger))->trigger();

    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(samples->count(), 2);
    QCOMPARE(samples->currentIndex(), 1);
    QCOMPARE(samples->itemText(1), QStringLiteral("snare.wav | Ready"));
    QCOMPARE(describe(currentSample(samples)), before);
    QVERIFY(window.findChild<QSlider *>("lowCutSlider")->isEnabled());
    QCOMPARE(stateOf(window), Loaded);
}

void TestListStates::oneSampleIsAskedAboutToo_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::newRow("load") << "actionLoad_Samples";
    QTest::newRow("clear") << "actionClear_All";
}

void TestListStates::oneSampleIsAskedAboutToo()
{
    QFETCH(QString, trigger);
    MainWindow window;
    QVERIFY(loadSamples(window, kickAndSnare.mid(1)));

    ModalDriver driver;
    driver.press(QMessageBox::No);
    window.findChild<QAction *>(qPrintable(trigger))->trigger();

    QCOMPARE(driver.texts(), QStringList{"Lose current samples?"});
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(window.findChild<QComboBox *>("sampleCombo")->itemText(0),
             QStringLiteral("snare.wav | Not Ready"));
    QCOMPARE(stateOf(window), Loaded);
}

void TestListStates::clearingShowsTheDefaults()
{
    MainWindow window;
    QVERIFY(loadSamples(window, kickAndSnare));
    window.findChild<QCheckBox *>("NormaliseCheckbox")->click();
    window.findChild<QCheckBox *>("highCutCheckbox")->click();
    auto *frequencies = window.findChild<QComboBox *>("FrequencyCombo");
    frequencies->setCurrentIndex(0);

    ModalDriver driver;
    driver.press(QMessageBox::Yes);
    window.findChild<QAction *>("actionClear_All")->trigger();

    QVERIFY(window.findChild<QCheckBox *>("NormaliseCheckbox")->isChecked());
    QVERIFY(!window.findChild<QCheckBox *>("highCutCheckbox")->isChecked());
    QVERIFY(!window.findChild<QSlider *>("highCutSlider")->isEnabled());
    QVERIFY(!window.findChild<QSlider *>("lowCutSlider")->isEnabled());
    QCOMPARE(window.findChild<QSlider *>("lowCutSlider")->value(), 50);
    QCOMPARE(window.findChild<QSlider *>("highCutSlider")->value(), 1980);
    QCOMPARE(frequencies->currentText(), QStringLiteral("C-2"));
}

void TestListStates::loadingLeavesDirectoryAndSizeAlone()
{
    MainWindow window;
    auto *directory = window.findChild<QLabel *>("DirectoryName");
    auto *size = window.findChild<QLabel *>("SizeLabel");
    QVERIFY(loadSamples(window, kickAndSnare));
    QVERIFY(loadSamples(window, kickAndSnare.mid(1)));
    ModalDriver driver;
    driver.press(QMessageBox::Yes);
    window.findChild<QAction *>("actionClear_All")->trigger();
    QCOMPARE(directory->text(), QStringLiteral("Select a Directory"));
    QCOMPARE(size->text(), QStringLiteral("0b"));
}

void TestListStates::anEmptyListOffersNoBatchEdit_data()
{
    QTest::addColumn<int>("state");
    QTest::newRow("Locked") << int(Locked);
    QTest::newRow("Open and empty") << int(OpenAndEmpty);
}

void TestListStates::anEmptyListOffersNoBatchEdit()
{
    QFETCH(int, state);
    MainWindow window;
    if (state == OpenAndEmpty) {
        QVERIFY(loadSamples(window, kickAndSnare));
        QVERIFY(loadSamples(window, {}));
    }
    for (const char *control : {"NormaliseCheckbox", "FrequencyCombo", "lowCutSlider"}) {
        QCOMPARE(useContextMenu(window.findChild<QWidget *>(control), "Mark All Ready"),
                 QStringList({"Undo (disabled)", "Redo (disabled)", "", "Add Samples…", "Remove Sample (disabled)",
                              "Move Up (disabled)", "Move Down (disabled)", "Rename… (disabled)", "Duplicate (disabled)", "",
                              "Apply These Settings to All Samples (disabled)",
                              "Mark All Ready (disabled)", "Mark All Not Ready (disabled)",
                              "Trim Silence of All Samples (disabled)", "Fit Notes to Tracker Length (disabled)", "Fit Kit into Size… (disabled)",
                              "Open Kit…", "Save Kit… (disabled)", "Export Kit as Module… (disabled)",
                              "Play Kit as Module (disabled)", "",
                              "Show Kit", "Show Waveform (disabled)"}));
    }
    QCOMPARE(stateOf(window), State(state));
}

QTEST_MAIN(TestListStates)
#include "tst_liststates.moc"
