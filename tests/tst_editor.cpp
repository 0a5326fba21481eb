#include "editorfixture.h"
#include "modaldriver.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

// Editing the shown sample's settings (Normalise, Ready, the note), each
// sample keeping its own, and the menu that edits them all at once.

namespace {
const QStringList batchEntries{"Undo (disabled)", "Redo (disabled)", "", "Add Samples…", "Remove Sample", "Move Up",
                               "Move Down", "Rename…", "Duplicate", "", "Apply These Settings to All Samples",
                               "Mark All Ready", "Mark All Not Ready", "Trim Silence of All Samples",
                               "Fit Notes to Tracker Length", "Fit Kit into Size…", "Open Kit…", "Save Kit…", "Export Kit as Module…",
                               "Play Kit as Module", "",
                               "Show Kit", "Show Waveform"};
} // namespace

class TestEditor : public QObject, private EditorFixture
{
    Q_OBJECT

private slots:
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }
    void showsItsDefaults();
    void normaliseTogglesOnlyItsFlag();
    void readyRelabelsTheEntry();
    void pickingANoteStoresItsName();
    void eachSampleShowsItsOwnSettings();
    void withAnEmptyListEditsStoreNothing();
    void aNoteWithoutAnEntryShowsNoNote();
    void applyingSettingsReachesEverySample_data();
    void applyingSettingsReachesEverySample();
    void markingAllReadyLetsTheExportAskNothing();
    void noBatchMenuOffTheControlsOrWhileSoxRuns();
};

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
