#include "conversionfixture.h"
#include "converter.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

// Every way converting one sample can fail (sox missing, crashing, hanging,
// refusing; no temporary file; a cut above the recording), each said in
// words and leaving no file behind.

class TestConversionFailures : public QObject, private ConversionFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { makeSources(); }
    void init() { clearConverted(); }
    void failedRunLeavesNoFile_data();
    void failedRunLeavesNoFile();
    void hangingConverterIsStopped();
    void noTemporaryFileMeansNoConversion();
    void outputIsOursBeforeSoxRuns();
    void cutsAtTheTopOfTheRecording_data();
    void cutsAtTheTopOfTheRecording();
};

void TestConversionFailures::failedRunLeavesNoFile_data()
{
    QTest::addColumn<QString>("fakeSox"); // null: the real sox
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("reason");

    QTest::newRow("source missing") << QString() << "missing.wav" << "C-2"
                                    << "sox FAIL formats: can't open input file `%1': No such file or directory";
    QTest::newRow("not WAV data") << QString() << "notes.wav" << "C-2"
                                  << "sox FAIL formats: can't open input file `%1': WAVE: RIFF header not found";
    QTest::newRow("note without a rate") << QString() << "tone.wav" << "H-9"
                                         << "sox FAIL rate: usage: [-q|-l|-m|-h|-v] [override-options] RATE[k]";
    QTest::newRow("no sox on PATH") << "" << "tone.wav" << "C-2" << "sox was not found";
    QTest::newRow("sox crashes") << "printf 'FORM' > \"$8\"; kill -SEGV $$" << "tone.wav" << "C-2"
                                 << "sox crashed";
    QTest::newRow("sox fails silently") << "exit 3" << "tone.wav" << "C-2"
                                        << "sox failed with exit code 3 and said nothing";
}

void TestConversionFailures::failedRunLeavesNoFile()
{
    QFETCH(QString, fakeSox);
    QFETCH(QString, source);
    QFETCH(QString, note);
    QFETCH(QString, reason);

    std::unique_ptr<FakeSox> fake;
    if (!fakeSox.isNull())
        fake = std::make_unique<FakeSox>(fakeSox.isEmpty() ? QString() : fakeSox);
    QFile notes(m_sources.filePath("notes.wav"));
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("not a sound\n") > 0);
    notes.close();
    Sample sample;
    sample.path = m_sources.filePath(source);
    sample.note = note;
    LogCapture log;
    Conversion conversion(sample, false);
    runToEnd(conversion);

    QCOMPARE(conversion.failure(), QString(reason).replace("%1", sample.path));
    // Of a file that is no WAV, sox tells what it holds before a file is
    // made for it, and that run fails alike.
    if (source == "tone.wav")
        QVERIFY(conversion.outputPath().endsWith(".8svx"));
    QVERIFY(!QFileInfo::exists(conversion.outputPath()));
    QCOMPARE(converted(), QStringList());
    QCOMPARE(log.messages.size(), 3);
}

void TestConversionFailures::hangingConverterIsStopped()
{
    const QString pidFile = m_sources.filePath("sox.pid");
    FakeSox fake(hangingSox(pidFile));
    LogCapture log;
    Conversion conversion(m_sample, false);
    runToEnd(conversion, 2000);

    QCOMPARE(conversion.failure(), "sox ran longer than 2 seconds and was stopped");
    QVERIFY(!QFileInfo::exists(conversion.outputPath()));
    QCOMPARE(log.messages.size(), 3);
    QVERIFY(processEnded(pidFile));
}

void TestConversionFailures::noTemporaryFileMeansNoConversion()
{
    ScopedEnvironment nowhere("TMPDIR", QFile::encodeName(m_sources.filePath("no such dir")));
    QTemporaryDir work(m_temp.filePath("work-XXXXXX"));
    const QString oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));
    LogCapture log;
    Conversion wav(m_sample, true);
    runToEnd(wav);
    const QString svx = convertSample(m_sample, false);
    QDir::setCurrent(oldCurrent);

    QCOMPARE(wav.failure(), "no temporary file could be made");
    QVERIFY(!QFileInfo::exists(svx));
    QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
    QCOMPARE(log.messages.size(), 2); // the reason, and no argument list: sox never ran
    QVERIFY(!log.messages[0].contains("dither"));
}

void TestConversionFailures::outputIsOursBeforeSoxRuns()
{
    // Made and kept by us from before sox starts: a name merely reserved
    // could be taken by someone else's file or link in between.
    const QString seen = m_sources.filePath("seen");
    FakeSox fake(QStringLiteral("stat -c '%s %a %u' \"$8\" > '%1'; exit 1").arg(seen));
    convertSample(m_sample, false);
    QFile file(seen);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll().trimmed(), "0 600 " + QByteArray::number(::geteuid()));
}

void TestConversionFailures::cutsAtTheTopOfTheRecording_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("WAV") << "22k.wav";
    QTest::newRow("FLAC, whose rate sox tells") << "22k.flac";
}

void TestConversionFailures::cutsAtTheTopOfTheRecording()
{
    QFETCH(QString, file);
    Sample sample;
    sample.path = m_sources.filePath(file);
    QVERIFY(makeWav(sample.path, {"-r", "22050", "-c", "1", "-b", "16"}));
    sample.highCut = true; // at 18000 Hz, above anything a 22.05 kHz recording holds
    QVERIFY(QFileInfo(convertSample(sample, false)).size() > 8287);

    sample.lowCut = true;
    sample.lowCutFrequency = 18000;
    LogCapture log;
    Conversion conversion(sample, false);
    runToEnd(conversion);
    QCOMPARE(conversion.failure(),
             "the low cut (18000 Hz) is above the highest frequency of this 22050 Hz recording");
    QVERIFY(!log.messages.join(' ').contains("dither")); // sox never ran

    // The high-cut slider reaches 0 Hz, where sox has no filter.
    sample.lowCut = false;
    sample.highCutFrequency = 0;
    Conversion nothingLeft(sample, false);
    runToEnd(nothingLeft);
    QCOMPARE(nothingLeft.failure(), "the high cut is at 0 Hz, which would leave no sound; set it higher");
    QVERIFY(!log.messages.join(' ').contains("dither"));
}

QTEST_MAIN(TestConversionFailures)
#include "tst_conversionfailures.moc"
