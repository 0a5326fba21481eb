#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

namespace {
const QStringList batchEntries{"Undo (disabled)", "Redo (disabled)", "", "Add Samples…", "Remove Sample", "Move Up",
                               "Move Down", "Rename…", "Duplicate", "", "Apply These Settings to All Samples",
                               "Mark All Ready", "Mark All Not Ready", "Trim Silence of All Samples",
                               "Fit Notes to Tracker Length", "Fit Kit into Size…", "Open Kit…", "Save Kit…", "Export Kit as Module…",
                               "Play Kit as Module", "",
                               "Show Kit", "Show Waveform"};
} // namespace

class TestEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void showsItsDefaults();
    void normaliseTogglesOnlyItsFlag();
    void cutBoxesToggleFlagAndSlider_data();
    void cutBoxesToggleFlagAndSlider();
    void draggingTheLowCutStoresThePosition();
    void draggingTheHighCutRunsBackwards_data();
    void draggingTheHighCutRunsBackwards();
    void aRealMouseDragStoresWhereTheHandleStops_data();
    void aRealMouseDragStoresWhereTheHandleStops();
    void keysWheelAndGrooveStoreThePosition_data();
    void keysWheelAndGrooveStoreThePosition();
    void readyRelabelsTheEntry();
    void pickingANoteStoresItsName();
    void eachSampleShowsItsOwnSettings();
    void withAnEmptyListEditsStoreNothing();
    void aNoteWithoutAnEntryShowsNoNote();
    void applyingSettingsReachesEverySample_data();
    void applyingSettingsReachesEverySample();
    void markingAllReadyLetsTheExportAskNothing();
    void noBatchMenuOffTheControlsOrWhileSoxRuns();

private:
    template<typename T>
    T *find(const char *name) { return window->findChild<T *>(name); }
    Sample stored() { return currentSample(find<QComboBox>("sampleCombo")); }
    QString tip() { return QToolTip::isVisible() ? QToolTip::text() : QString(); }

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

void TestEditor::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QVERIFY(loadSamples(*window, touchFiles(dir.path(), {"kick.wav", "snare.wav"})));
}

void TestEditor::cleanup()
{
    window.reset();
}

void TestEditor::showsItsDefaults()
{
    QVERIFY(find<QCheckBox>("NormaliseCheckbox")->isChecked());
    QVERIFY(!find<QCheckBox>("lowCutCheckbox")->isChecked());
    QVERIFY(!find<QCheckBox>("highCutCheckbox")->isChecked());
    QVERIFY(!find<QSlider>("lowCutSlider")->isEnabled());
    QVERIFY(!find<QSlider>("highCutSlider")->isEnabled());
    QCOMPARE(find<QSlider>("lowCutSlider")->value(), 50);
    QCOMPARE(find<QSlider>("highCutSlider")->value(), 1980);
    QCOMPARE(find<QComboBox>("FrequencyCombo")->currentText(), QStringLiteral("C-2"));
    QVERIFY(find<QPushButton>("previewButton")->isEnabled());
}

void TestEditor::normaliseTogglesOnlyItsFlag()
{
    // Every other field away from its default, so any change to one shows.
    auto *samples = find<QComboBox>("sampleCombo");
    appendSample(samples, unusualSample());
    samples->setCurrentIndex(2);
    auto *normalise = find<QCheckBox>("NormaliseCheckbox");
    normalise->click();
    Sample expected = unusualSample();
    expected.normalise = true;
    QCOMPARE(describe(stored()), describe(expected));
    QVERIFY(normalise->isChecked());
    QVERIFY(find<QSlider>("lowCutSlider")->isEnabled());
    normalise->click();
    QCOMPARE(describe(stored()), describe(unusualSample()));
    QVERIFY(!normalise->isChecked());
    QCOMPARE(samples->itemText(2), QStringLiteral("kick | Ready.wav | Ready"));
}

void TestEditor::cutBoxesToggleFlagAndSlider_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("slider");
    QTest::addColumn<QString>("other");
    QTest::newRow("low cut") << "lowCutCheckbox" << "lowCutSlider" << "highCutSlider";
    QTest::newRow("high cut") << "highCutCheckbox" << "highCutSlider" << "lowCutSlider";
}

void TestEditor::cutBoxesToggleFlagAndSlider()
{
    QFETCH(QString, box);
    QFETCH(QString, slider);
    QFETCH(QString, other);
    const bool low = box.startsWith(QLatin1String("low"));
    const auto flag = [&] { return low ? stored().lowCut : stored().highCut; };
    const auto frequencies = [&] {
        return QPair<int, int>(stored().lowCutFrequency, stored().highCutFrequency);
    };
    const auto before = frequencies();

    find<QCheckBox>(qPrintable(box))->click();
    QVERIFY(flag());
    QVERIFY(find<QSlider>(qPrintable(slider))->isEnabled());
    QVERIFY(!find<QSlider>(qPrintable(other))->isEnabled());

    find<QCheckBox>(qPrintable(box))->click();
    QVERIFY(!flag());
    QVERIFY(!find<QSlider>(qPrintable(slider))->isEnabled());
    QCOMPARE(frequencies(), before);
}

void TestEditor::draggingTheLowCutStoresThePosition()
{
    find<QCheckBox>("lowCutCheckbox")->click();
    drag(find<QSlider>("lowCutSlider"), 300);
    QCOMPARE(stored().lowCutFrequency, 300);
    QCOMPARE(tip(), QStringLiteral("Low cut: 300 Hz"));

    // Switching the cut off and on keeps the frequency, shown while disabled.
    find<QCheckBox>("lowCutCheckbox")->click();
    find<QComboBox>("sampleCombo")->setCurrentIndex(1);
    find<QComboBox>("sampleCombo")->setCurrentIndex(0);
    QCOMPARE(find<QSlider>("lowCutSlider")->value(), 300);
    QVERIFY(!find<QSlider>("lowCutSlider")->isEnabled());
    QCOMPARE(stored().lowCutFrequency, 300);
}

void TestEditor::draggingTheHighCutRunsBackwards_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("frequency");
    QTest::addColumn<int>("shownAgain");
    QTest::newRow("left end") << 20 << 19960 << 20;
    QTest::newRow("default") << 1980 << 18000 << 1980;
    QTest::newRow("zero hertz") << 19980 << 0 << 19980;
    QTest::newRow("right end") << 20000 << 20 << 19960;
}

void TestEditor::draggingTheHighCutRunsBackwards()
{
    QFETCH(int, position);
    QFETCH(int, frequency);
    QFETCH(int, shownAgain);

    find<QCheckBox>("highCutCheckbox")->click();
    drag(find<QSlider>("highCutSlider"), position);
    QCOMPARE(stored().highCutFrequency, frequency);

    find<QComboBox>("sampleCombo")->setCurrentIndex(1);
    QCOMPARE(find<QSlider>("highCutSlider")->value(), 1980);
    find<QComboBox>("sampleCombo")->setCurrentIndex(0);
    QCOMPARE(find<QSlider>("highCutSlider")->value(), shownAgain);
    QCOMPARE(stored().highCutFrequency, frequency);
}

void TestEditor::aRealMouseDragStoresWhereTheHandleStops_data()
{
    QTest::addColumn<QString>("cut");
    QTest::addColumn<int>("hertz");
    QTest::addColumn<QString>("shown");
    // Past the right end: the low cut's highest frequency, and the high
    // cut's lowest, as that slider runs backwards.
    QTest::newRow("low cut") << "low" << 20000 << "Low cut: 20000 Hz";
    QTest::newRow("high cut") << "high" << 20 << "High cut: 20 Hz";
}

void TestEditor::aRealMouseDragStoresWhereTheHandleStops()
{
    QFETCH(QString, cut);
    QFETCH(int, hertz);
    QFETCH(QString, shown);
    find<QCheckBox>(qPrintable(cut + "CutCheckbox"))->click();
    auto *slider = find<QSlider>(qPrintable(cut + "CutSlider"));
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                        QStyle::SC_SliderHandle, slider);
    QTest::mousePress(slider, Qt::LeftButton, {}, handle.center());
    QTest::mouseMove(slider, QPoint(slider->width() + 50, handle.center().y()));
    QCOMPARE(tip(), shown);
    QTest::mouseRelease(slider, Qt::LeftButton, {},
                        QPoint(slider->width() + 50, handle.center().y()));
    QCOMPARE(slider->value(), 20000);
    QCOMPARE(cut == "low" ? stored().lowCutFrequency : stored().highCutFrequency, hertz);
}

void TestEditor::keysWheelAndGrooveStoreThePosition_data()
{
    QTest::addColumn<QString>("cut");
    QTest::addColumn<QString>("way");
    for (const char *cut : {"low", "high"}) {
        for (const char *way : {"keys", "wheel", "groove"})
            QTest::addRow("%s cut, %s", cut, way) << QString(cut) << QString(way);
    }
}

void TestEditor::keysWheelAndGrooveStoreThePosition()
{
    QFETCH(QString, cut);
    QFETCH(QString, way);
    const bool low = cut == QLatin1String("low");
    const auto frequency = [&] { return low ? stored().lowCutFrequency : stored().highCutFrequency; };
    find<QCheckBox>(qPrintable(cut + "CutCheckbox"))->click();
    auto *slider = find<QSlider>(qPrintable(cut + "CutSlider"));
    const QPoint groove(slider->width() - 2, slider->height() / 2);
    if (way == QLatin1String("keys")) {
        slider->setFocus();
        for (Qt::Key key : {Qt::Key_End, Qt::Key_Home, Qt::Key_PageUp, Qt::Key_Right})
            QTest::keyClick(slider, key);
    } else if (way == QLatin1String("wheel")) {
        QWheelEvent up(groove, slider->mapToGlobal(groove), {}, {0, 120}, Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(slider, &up);
    } else {
        QTest::mouseClick(slider, Qt::LeftButton, {}, groove);
    }
    const int shown = slider->value();
    QVERIFY(shown != (low ? 50 : 1980));
    const int expected = low ? shown : qAbs(shown - 19980);
    QCOMPARE(frequency(), expected);
    if (way != QLatin1String("groove")) // a groove click's tip goes with the button
        QCOMPARE(tip(), QStringLiteral("%1 cut: %2 Hz").arg(low ? "Low" : "High").arg(expected));

    find<QComboBox>("sampleCombo")->setCurrentIndex(1);
    find<QComboBox>("sampleCombo")->setCurrentIndex(0);
    QCOMPARE(slider->value(), shown);
    QCOMPARE(frequency(), expected);
}

void TestEditor::readyRelabelsTheEntry()
{
    auto *samples = find<QComboBox>("sampleCombo");
    auto *ready = find<QPushButton>("readyButton");
    ready->click();
    QVERIFY(stored().ready);
    QCOMPARE(samples->itemText(0), QStringLiteral("kick.wav | Ready"));
    QCOMPARE(samples->itemText(1), QStringLiteral("snare.wav | Not Ready"));
    QCOMPARE(stored().name, QStringLiteral("kick.wav"));

    ready->click();
    QVERIFY(!stored().ready);
    QCOMPARE(samples->itemText(0), QStringLiteral("kick.wav | Not Ready"));
    QCOMPARE(stored().name, QStringLiteral("kick.wav"));
}

void TestEditor::pickingANoteStoresItsName()
{
    auto *frequencies = find<QComboBox>("FrequencyCombo");
    frequencies->setFocus();
    QTest::keyClick(frequencies, Qt::Key_Down);
    QCOMPARE(frequencies->currentText(), QStringLiteral("C#2"));
    QCOMPARE(stored().note, QStringLiteral("C#2"));

    QTest::keyClick(frequencies, Qt::Key_End);
    QCOMPARE(stored().note, QStringLiteral("A-3"));

    // Showing a sample moves the list without storing anything.
    find<QComboBox>("sampleCombo")->setCurrentIndex(1);
    QCOMPARE(frequencies->currentText(), QStringLiteral("C-2"));
    find<QComboBox>("sampleCombo")->setCurrentIndex(0);
    QCOMPARE(frequencies->currentText(), QStringLiteral("A-3"));
    QCOMPARE(allSamples(find<QComboBox>("sampleCombo")).at(1).note, QStringLiteral("C-2"));
}

void TestEditor::eachSampleShowsItsOwnSettings()
{
    auto *samples = find<QComboBox>("sampleCombo");
    find<QCheckBox>("NormaliseCheckbox")->click();
    find<QCheckBox>("highCutCheckbox")->click();
    drag(find<QSlider>("highCutSlider"), 5000);
    samples->setCurrentIndex(1);
    find<QCheckBox>("lowCutCheckbox")->click();
    drag(find<QSlider>("lowCutSlider"), 120);

    const QList<Sample> before = allSamples(samples);
    QVERIFY(!before.at(0).normalise && before.at(0).highCut && !before.at(0).lowCut);
    QCOMPARE(before.at(0).highCutFrequency, 14980);
    QVERIFY(before.at(1).normalise && !before.at(1).highCut && before.at(1).lowCut);
    QCOMPARE(before.at(1).lowCutFrequency, 120);

    samples->setCurrentIndex(0);
    QVERIFY(!find<QCheckBox>("NormaliseCheckbox")->isChecked());
    QVERIFY(find<QCheckBox>("highCutCheckbox")->isChecked());
    QVERIFY(find<QSlider>("highCutSlider")->isEnabled());
    QVERIFY(!find<QCheckBox>("lowCutCheckbox")->isChecked());
    QVERIFY(!find<QSlider>("lowCutSlider")->isEnabled());
    QCOMPARE(find<QSlider>("highCutSlider")->value(), 5000);
    QCOMPARE(find<QSlider>("lowCutSlider")->value(), 50);
    samples->setCurrentIndex(1);
    QCOMPARE(find<QSlider>("lowCutSlider")->value(), 120);

    const QList<Sample> after = allSamples(samples);
    for (int i = 0; i < 2; ++i)
        QCOMPARE(describe(after.at(i)), describe(before.at(i)));
}

void TestEditor::withAnEmptyListEditsStoreNothing()
{
    // Reload, cancelled in the file dialog: the area stays open, the list empty.
    QVERIFY(loadSamples(*window, {}));
    auto *samples = find<QComboBox>("sampleCombo");
    QCOMPARE(samples->count(), 0);
    QVERIFY(find<QWidget>("centralwidget")->isEnabled());

    find<QCheckBox>("lowCutCheckbox")->click();
    QVERIFY(find<QCheckBox>("lowCutCheckbox")->isChecked());
    QVERIFY(find<QSlider>("lowCutSlider")->isEnabled());
    find<QCheckBox>("highCutCheckbox")->click();
    QVERIFY(find<QSlider>("highCutSlider")->isEnabled());
    find<QCheckBox>("NormaliseCheckbox")->click();
    drag(find<QSlider>("lowCutSlider"), 700);
    find<QPushButton>("readyButton")->click();
    QTest::keyClick(find<QComboBox>("FrequencyCombo"), Qt::Key_Down);

    QCOMPARE(samples->count(), 0);
    QCOMPARE(describe(currentSample(samples)), describe(Sample()));
}

void TestEditor::aNoteWithoutAnEntryShowsNoNote()
{
    // No control can store such a note; only a stored Sample can carry one.
    Sample odd;
    odd.name = QStringLiteral("odd.wav");
    odd.note = QStringLiteral("c-2");
    auto *samples = find<QComboBox>("sampleCombo");
    appendSample(samples, odd);
    samples->setCurrentIndex(2);
    QCOMPARE(find<QComboBox>("FrequencyCombo")->currentIndex(), -1);
    QCOMPARE(stored().note, QStringLiteral("c-2"));
}

void TestEditor::applyingSettingsReachesEverySample_data()
{
    QTest::addColumn<QString>("control");
    for (const char *control : {"NormaliseCheckbox", "lowCutSlider", "centralwidget", "sampleCombo",
                                "FrequencyCombo"})
        QTest::newRow(control) << QString(control);
}

void TestEditor::applyingSettingsReachesEverySample()
{
    QFETCH(QString, control);
    auto *samples = find<QComboBox>("sampleCombo");
    appendSample(samples, unusualSample());
    samples->setCurrentIndex(2);
    const QList<Sample> before = allSamples(samples);

    QCOMPARE(useContextMenu(find<QWidget>(qPrintable(control)), "Apply These Settings to All Samples"),
             batchEntries);

    for (int i = 0; i < 3; ++i) {
        Sample expected = unusualSample();
        expected.path = before.at(i).path;
        expected.name = before.at(i).name;
        expected.ready = before.at(i).ready;
        QCOMPARE(describe(allSamples(samples).at(i)), describe(expected));
    }
    QCOMPARE(samples->itemText(0), QStringLiteral("kick.wav | Not Ready"));
    samples->setCurrentIndex(0);
    QCOMPARE(find<QComboBox>("FrequencyCombo")->currentText(), QStringLiteral("G#3"));
    QVERIFY(!find<QCheckBox>("NormaliseCheckbox")->isChecked());
    QVERIFY(find<QSlider>("lowCutSlider")->isEnabled() && find<QSlider>("highCutSlider")->isEnabled());
}

void TestEditor::markingAllReadyLetsTheExportAskNothing()
{
    for (const char *name : {"kick.wav", "snare.wav"})
        QVERIFY(makeWav(dir.filePath(name), {"-r", "22050"}, {"synth", "0.1", "sine", "440"}));
    QTemporaryDir out;
    ModalDriver driver;
    driver.choose({out.path()});
    find<QPushButton>("browseButton")->click();
    auto *samples = find<QComboBox>("sampleCombo");

    // The high cut is off, so its slider is disabled.
    QCOMPARE(useContextMenu(find<QWidget>("highCutSlider"), "Mark All Ready"), batchEntries);
    QCOMPARE(samples->itemText(1), QStringLiteral("snare.wav | Ready"));
    find<QPushButton>("ExportButton")->click();
    QCOMPARE(driver.texts(), QStringList());
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList({"kick.8svx", "snare.8svx"}));

    QCOMPARE(useContextMenu(find<QWidget>("sampleCombo"), "Mark All Not Ready"), batchEntries);
    QCOMPARE(samples->itemText(0), QStringLiteral("kick.wav | Not Ready"));
    QCOMPARE(samples->itemText(1), QStringLiteral("snare.wav | Not Ready"));
}

void TestEditor::noBatchMenuOffTheControlsOrWhileSoxRuns()
{
    QCOMPARE(useContextMenu(find<QWidget>("menubar")) + useContextMenu(find<QWidget>("statusbar")),
             QStringList());

    FakeSox slow(hangingSox(dir.filePath("sox.pid")));
    bool tried = false;
    QStringList offered;
    QTimer::singleShot(100, window.get(), [&] {
        for (const char *control : {"NormaliseCheckbox", "sampleCombo", "FrequencyCombo"})
            offered << useContextMenu(find<QWidget>(control), "Mark All Ready");
        tried = true;
    });
    ModalDriver driver;
    driver.cancelProgress(CancelBy::Button);
    find<QPushButton>("previewButton")->click();
    QCOMPARE(driver.texts(), QStringList{"Converting kick.wav"});
    QVERIFY(tried);
    QCOMPARE(offered, QStringList());
    // Once sox has stopped, the same right-click offers the menu again.
    QCOMPARE(useContextMenu(find<QWidget>("FrequencyCombo")), batchEntries);
}

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
