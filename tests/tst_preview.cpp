#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"

#include <QAudioOutput>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QMediaPlayer>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void showsItsDefaults();
    void emptyListDoesNothing();
    void showsSizeAndPlays_data();
    void showsSizeAndPlays();
    void secondPreviewDoesNotStopFirst();
    void failedConversionPlaysNothing_data();
    void failedConversionPlaysNothing();
    void cancelledPreviewChangesNothing();

private:
    void addSample(const QString &note);
    void preview() { m_window->findChild<QPushButton *>("previewButton")->click(); }
    QString sizeText() const { return m_window->findChild<QLabel *>("SizeLabel")->text(); }
    QList<QMediaPlayer *> players() const { return m_window->findChildren<QMediaPlayer *>(); }
    QStringList previewFiles() const { return QDir(m_temp.path()).entryList(QDir::Files); }

    QTemporaryDir m_sources;
    QTemporaryDir m_temp;
    std::unique_ptr<ScopedEnvironment> m_tmpdir;
    std::unique_ptr<MainWindow> m_window;
};

void TestPreview::initTestCase()
{
    QVERIFY(m_sources.isValid() && m_temp.isValid());
    QVERIFY(makeWav(m_sources.filePath("tone.wav")));
    QLocale::setDefault(QLocale(QLocale::English)); // for the size texts
    m_tmpdir = std::make_unique<ScopedEnvironment>("TMPDIR", QFile::encodeName(m_temp.path()));
}

void TestPreview::init()
{
    m_window = std::make_unique<MainWindow>();
}

void TestPreview::cleanup()
{
    m_window.reset();
    for (const QString &name : previewFiles())
        QFile::remove(m_temp.filePath(name));
}

void TestPreview::addSample(const QString &note)
{
    Sample sample;
    sample.path = m_sources.filePath("tone.wav");
    sample.name = "tone.wav";
    sample.note = note;
    appendSample(m_window->findChild<QComboBox *>("sampleCombo"), sample);
    m_window->findChild<QWidget *>("centralwidget")->setEnabled(true);
}

void TestPreview::showsItsDefaults()
{
    QCOMPARE(sizeText(), "0b");
    QVERIFY(!m_window->findChild<QPushButton *>("previewButton")->isEnabled());
}

void TestPreview::emptyListDoesNothing()
{
    m_window->findChild<QWidget *>("centralwidget")->setEnabled(true);
    preview();
    QCOMPARE(sizeText(), "0b");
    QCOMPARE(previewFiles(), QStringList());
    QVERIFY(players().isEmpty());
}

void TestPreview::showsSizeAndPlays_data()
{
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("size");
    // One second of 8-bit mono: one byte per sample at the note's rate.
    QTest::newRow("C-1") << "C-1" << "4 KiB";
    QTest::newRow("C-2") << "C-2" << "8 KiB";
    QTest::newRow("A-3") << "A-3" << "27 KiB";
}

void TestPreview::showsSizeAndPlays()
{
    QFETCH(QString, note);
    QFETCH(QString, size);
    addSample(note);
    auto *combo = m_window->findChild<QComboBox *>("sampleCombo");
    const QString before = describe(currentSample(combo));

    LogCapture log;
    preview();

    QCOMPARE(sizeText(), size);
    QCOMPARE(previewFiles().size(), 1);
    QVERIFY(previewFiles().constFirst().endsWith(".wav"));
    QCOMPARE(describe(currentSample(combo)), before);
    QCOMPARE(combo->itemText(0), "tone.wav | Not Ready");
    QVERIFY(!log.busy.isEmpty() && log.busy.constFirst()); // busy while sox ran
    QVERIFY(!QGuiApplication::overrideCursor());

    QCOMPARE(players().size(), 1);
    QMediaPlayer *player = players().constFirst();
    QCOMPARE(player->source(), QUrl::fromLocalFile(m_temp.filePath(previewFiles().constFirst())));
    QCOMPARE(player->audioOutput()->volume(), 0.5f);
    QSignalSpy durations(player, &QMediaPlayer::durationChanged);
    // Played to the end, or failed for want of a sound device: released either way.
    QTRY_VERIFY_WITH_TIMEOUT(players().isEmpty(), 20000);
    // The player found the whole second to play, whether its length in
    // samples is even (C-1, A-3) or odd (C-2).
    QVERIFY(!durations.isEmpty());
    QVERIFY2(qAbs(durations.constLast().constFirst().toLongLong() - 1000) <= 1,
             qPrintable(durations.constLast().constFirst().toString()));
    QCOMPARE(previewFiles(), QStringList()); // gone with its player
}

void TestPreview::secondPreviewDoesNotStopFirst()
{
    addSample("C-2");
    preview();
    preview();
    QCOMPARE(previewFiles().size(), 2);
    const QList<QMediaPlayer *> both = players();
    QCOMPARE(both.size(), 2);
    QVERIFY(both[0]->source() != both[1]->source());
    QCOMPARE(both[0]->playbackState(), QMediaPlayer::PlayingState);
    QCOMPARE(both[1]->playbackState(), QMediaPlayer::PlayingState);

    m_window.reset(); // as when the program quits with both still playing
    QCOMPARE(previewFiles(), QStringList());
}

void TestPreview::failedConversionPlaysNothing_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("withSox");
    QTest::addColumn<QString>("message");
    QTest::newRow("not WAV data") << "notes.wav" << true
                                  << "notes.wav could not be previewed: sox FAIL formats: can't open input "
                                     "file `%1': WAVE: RIFF header not found";
    QTest::newRow("no sox") << "tone.wav" << false << "tone.wav could not be previewed: sox was not found";
}

void TestPreview::failedConversionPlaysNothing()
{
    QFETCH(QString, source);
    QFETCH(bool, withSox);
    QFETCH(QString, message);
    QFile notes(m_sources.filePath("notes.wav"));
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("not a sound\n") > 0);
    notes.close();
    addSample("C-2");
    Sample sample = currentSample(m_window->findChild<QComboBox *>("sampleCombo"));
    sample.name = source;
    sample.path = m_sources.filePath(source);
    storeCurrentSample(m_window->findChild<QComboBox *>("sampleCombo"), sample);

    std::optional<FakeSox> noSox;
    if (!withSox)
        noSox.emplace();
    ModalDriver driver;
    driver.press(QMessageBox::Ok);
    preview();
    QCOMPARE(driver.texts(), QStringList{message.replace("%1", sample.path)});
    QCOMPARE(sizeText(), "0 bytes");
    QCOMPARE(previewFiles(), QStringList());
    QVERIFY(players().isEmpty());
}

void TestPreview::cancelledPreviewChangesNothing()
{
    addSample("C-2");
    const QString pidFile = m_sources.filePath("sox.pid");
    FakeSox slow(hangingSox(pidFile));
    ModalDriver driver;
    driver.cancelProgress(CancelBy::Button);
    preview();
    QCOMPARE(driver.texts(), QStringList{"Converting tone.wav"});
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(sizeText(), "0b");
    QVERIFY(players().isEmpty());
    QCOMPARE(previewFiles(), QStringList());
    QVERIFY(processEnded(pidFile));
}

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
