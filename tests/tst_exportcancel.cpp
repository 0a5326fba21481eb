#include "converter.h"
#include "exportfixture.h"
#include "modaldriver.h"
#include "progress.h"

#include <QComboBox>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(CancelBy)

/// A long export: the window stays alive while sox works, and each way of
/// cancelling stops it between samples or in the middle of one.
class TestExportCancel : public QObject, private ExportFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { makeSources(); }
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }
    void longExportKeepsTurningAndCancels_data();
    void longExportKeepsTurningAndCancels();
    void cancelAsTheNextSampleStartsStopsIt();
};

void TestExportCancel::longExportKeepsTurningAndCancels_data()
{
    QTest::addColumn<CancelBy>("way");
    QTest::newRow("Cancel button") << CancelBy::Button;
    QTest::newRow("Escape") << CancelBy::Escape;
    QTest::newRow("closing the dialog") << CancelBy::Closing;
}

void TestExportCancel::longExportKeepsTurningAndCancels()
{
    QFETCH(CancelBy, way);
    const QString pidFile = m_sources.filePath("sox.pid");
    FakeSox slow(hangingSox(pidFile, "slow"));
    addSample("kick.wav");
    addSample("slow.wav");
    addSample("take");
    outputDirectory = m_out->path();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));

    // While sox runs the event loop turns, and neither the File menu's
    // shortcuts nor a drop of WAV files do anything.
    int ticks = 0;
    Qt::DropAction dropped = Qt::CopyAction;
    QTimer ticker;
    ModalDriver driver;
    connect(&ticker, &QTimer::timeout, [&] {
        if (++ticks == 20) {
            for (const Qt::Key key : {Qt::Key_L, Qt::Key_W, Qt::Key_Q})
                QTest::keyClick(m_window.get(), key, Qt::ControlModifier);
            dropped = dropOn(*m_window, {QUrl::fromLocalFile(m_sources.filePath("kick.wav"))});
            // Cancelled only now: a loaded machine may show the dialog
            // before the loop has turned this often.
            driver.cancelProgress(way).press(QMessageBox::Ok);
        }
    });
    ticker.start(10);
    exportAll();
    ticker.stop();

    QVERIFY2(ticks >= 20, qPrintable(QString::number(ticks)));
    QCOMPARE(dropped, Qt::IgnoreAction);
    QCOMPARE(driver.texts(), QStringList({"Exporting 2 of 3: slow.wav",
                                          "2 of 3 samples were not written:\n\n"
                                          "slow.wav: the export was cancelled\n"
                                          "take: the export was cancelled"}));
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(m_window->findChild<QComboBox *>("sampleCombo")->count(), 3);
    QCOMPARE(exported(), QStringList{"kick.8svx"});
    QVERIFY(read8svx(m_out->filePath("kick.8svx")).problem.isEmpty());
    QCOMPARE(converted(), QStringList());
    QVERIFY(processEnded(pidFile));

    // Once the export is over, the shortcuts work again (activated as a
    // window manager would once the dialogs are gone).
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    driver.press(QMessageBox::No);
    QTest::keyClick(m_window.get(), Qt::Key_Q, Qt::ControlModifier);
    QCOMPARE(driver.texts().constLast(), "Are you sure you want to quit?");
}

void TestExportCancel::cancelAsTheNextSampleStartsStopsIt()
{
    // Between two samples the dialog takes the clicks that came while the
    // last one was copied; a Cancel among them must stop the next one.
    const QString runs = m_sources.filePath("runs");
    FakeSox slow(QStringLiteral("echo >> '%1'; sleep 1.5; exec '%2' \"$@\"")
                     .arg(runs, QStandardPaths::findExecutable("sox")));
    Sample sample;
    sample.path = m_sources.filePath("kick.wav");
    Conversion first(sample, false), second(sample, false);
    ConversionProgress progress(m_window.get(), 2);
    progress.run(first, "first", 0);
    auto *dialog = m_window->findChild<QProgressDialog *>();
    QVERIFY(first.failure().isEmpty() && dialog->isVisible());

    QMetaObject::invokeMethod(dialog->findChild<QPushButton *>(), "click", Qt::QueuedConnection);
    progress.run(second, "second", 1);
    QVERIFY(progress.wasCancelled());
    QVERIFY(second.wasCancelled());
    QVERIFY(!QFileInfo::exists(second.outputPath()));
    QFile ran(runs);
    QVERIFY(ran.open(QIODevice::ReadOnly));
    QCOMPARE(ran.readAll().count('\n'), 1); // sox never started on the second
}

QTEST_MAIN(TestExportCancel)
#include "tst_exportcancel.moc"
