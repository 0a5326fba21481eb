#include "converter.h"
#include "notetable.h"
#include "testsupport.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cerrno>

class TestConversion : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void argumentList_data();
    void argumentList();
    void logsArgumentsAndOutput_data();
    void logsArgumentsAndOutput();
    void eachConversionHasItsOwnFile();
    void sourcePaths_data();
    void sourcePaths();
    void failedRunLeavesNoFile_data();
    void failedRunLeavesNoFile();
    void hangingConverterIsStopped();
    void noTemporaryFileMeansNoConversion();

private:
    QStringList converted() const;

    QTemporaryDir m_sources;
    QTemporaryDir m_temp;
    std::unique_ptr<ScopedEnvironment> m_tmpdir;
    Sample m_sample;
};

void TestConversion::initTestCase()
{
    QVERIFY(m_sources.isValid() && m_temp.isValid());
    m_sample.path = m_sources.filePath("tone.wav");
    QVERIFY(makeWav(m_sample.path));
    // Converted files land here, where the tests can see every one of them.
    m_tmpdir = std::make_unique<ScopedEnvironment>("TMPDIR", QFile::encodeName(m_temp.path()));
}

void TestConversion::init()
{
    for (const QString &name : converted())
        QFile::remove(m_temp.filePath(name));
}

QStringList TestConversion::converted() const
{
    return QDir(m_temp.path()).entryList(QDir::Files);
}

void TestConversion::argumentList_data()
{
    QTest::addColumn<bool>("normalise");
    QTest::addColumn<bool>("highCut");
    QTest::addColumn<bool>("lowCut");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QStringList>("effects");

    const QStringList norm{"norm", "-6"};
    const QStringList low{"lowpass", "-1", "18000"};
    const QStringList high{"highpass", "-1", "50"};
    const QStringList tail{"rate", "8287", "dither", "-S"};
    QTest::newRow("nothing") << false << false << false << "C-2" << tail;
    QTest::newRow("normalise") << true << false << false << "C-2" << norm + tail;
    QTest::newRow("high cut") << false << true << false << "C-2" << low + tail;
    QTest::newRow("low cut") << false << false << true << "C-2" << high + tail;
    QTest::newRow("both cuts") << false << true << true << "C-2" << low + high + tail;
    QTest::newRow("normalise, high cut") << true << true << false << "C-2" << norm + low + tail;
    QTest::newRow("normalise, low cut") << true << false << true << "C-2" << norm + high + tail;
    QTest::newRow("everything") << true << true << true << "C-2" << norm + low + high + tail;
    QTest::newRow("A-3") << true << false << false << "A-3"
                         << norm + QStringList{"rate", "27928", "dither", "-S"};
    QTest::newRow("C-1") << false << false << false << "C-1"
                         << QStringList{"rate", "4144", "dither", "-S"};
}

void TestConversion::argumentList()
{
    QFETCH(bool, normalise);
    QFETCH(bool, highCut);
    QFETCH(bool, lowCut);
    QFETCH(QString, note);
    QFETCH(QStringList, effects);

    Sample sample;
    sample.path = "/music/my kick.wav";
    sample.normalise = normalise;
    sample.highCut = highCut;
    sample.lowCut = lowCut;
    sample.note = note;
    QCOMPARE(converterArguments(sample, "/tmp/out.8svx"),
             QStringList({"/music/my kick.wav", "-b", "8", "-c", "1", "/tmp/out.8svx", "remix", "-"})
                 + effects);
}

void TestConversion::logsArgumentsAndOutput_data()
{
    QTest::addColumn<bool>("toWav");
    QTest::addColumn<QString>("extension");
    QTest::newRow("wav") << true << ".wav";
    QTest::newRow("8svx") << false << ".8svx";
}

void TestConversion::logsArgumentsAndOutput()
{
    QFETCH(bool, toWav);
    QFETCH(QString, extension);

    LogCapture log;
    Sample sample = m_sample;
    sample.note = "A-3";
    sample.highCut = true;
    sample.highCutFrequency = 9000; // below the source's Nyquist rate, so sox accepts it
    const QString path = convertSample(sample, toWav);

    QVERIFY(path.endsWith(extension));
    QCOMPARE(QFileInfo(path).absolutePath(), QDir(m_temp.path()).absolutePath());
    QCOMPARE(converted(), QStringList{QFileInfo(path).fileName()}); // no base file beside it
    QVERIFY(QFileInfo(path).size() > 27928);

    QString arguments;
    QDebug(&arguments) << converterArguments(sample, path);
    QCOMPARE(log.messages.size(), 3); // arguments, standard output, standard error
    QCOMPARE(log.messages[0], arguments.trimmed());
}

void TestConversion::eachConversionHasItsOwnFile()
{
    const QString first = convertSample(m_sample, true);
    const QString second = convertSample(m_sample, true);
    QVERIFY(first != second);
    QVERIFY(QFileInfo::exists(first));
    QVERIFY(QFileInfo::exists(second));
}

void TestConversion::sourcePaths_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("spaces") << "my  kick drum.wav";
    QTest::newRow("quotes") << "it's a \"kick\".wav";
    QTest::newRow("non-ASCII") << "Grüße aus Köln – ñ.wav";
    QTest::newRow("shell characters") << "$(echo x) `id` ; a & b.wav";
}

void TestConversion::sourcePaths()
{
    QFETCH(QString, name);
    Sample sample;
    sample.path = m_sources.filePath(name);
    QVERIFY(makeWav(sample.path));
    QVERIFY(QFileInfo(convertSample(sample, false)).size() > 8287);
}

void TestConversion::failedRunLeavesNoFile_data()
{
    QTest::addColumn<QString>("fakeSox"); // null: the real sox
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("note");

    QTest::newRow("source missing") << QString() << "missing.wav" << "C-2";
    QTest::newRow("note without a rate") << QString() << "tone.wav" << "H-9";
    QTest::newRow("no sox on PATH") << "" << "tone.wav" << "C-2";
    QTest::newRow("sox crashes") << "printf 'FORM' > \"$6\"; kill -SEGV $$" << "tone.wav" << "C-2";
}

void TestConversion::failedRunLeavesNoFile()
{
    QFETCH(QString, fakeSox);
    QFETCH(QString, source);
    QFETCH(QString, note);

    std::unique_ptr<FakeSox> fake;
    if (!fakeSox.isNull())
        fake = std::make_unique<FakeSox>(fakeSox.isEmpty() ? QString() : fakeSox);
    Sample sample;
    sample.path = m_sources.filePath(source);
    sample.note = note;
    LogCapture log;
    const QString path = convertSample(sample, false);

    QVERIFY(path.endsWith(".8svx"));
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(converted(), QStringList());
    QCOMPARE(log.messages.size(), 3);
}

void TestConversion::hangingConverterIsStopped()
{
    const QString pidFile = m_sources.filePath("sox.pid");
    FakeSox fake(QStringLiteral("echo $$ > '%1'; printf 'FORM' > \"$6\"; exec sleep 60").arg(pidFile));
    LogCapture log;
    const QString path = convertSample(m_sample, false, 2000);

    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(log.messages.size(), 3);
    QFile pid(pidFile);
    QVERIFY(pid.open(QIODevice::ReadOnly));
    QCOMPARE(::kill(pid.readAll().trimmed().toInt(), 0), -1); // the converter is gone
    QCOMPARE(errno, ESRCH);
}

void TestConversion::noTemporaryFileMeansNoConversion()
{
    ScopedEnvironment nowhere("TMPDIR", QFile::encodeName(m_sources.filePath("no such dir")));
    QTemporaryDir work(m_temp.filePath("work-XXXXXX"));
    const QString oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.path()));
    LogCapture log;
    const QString wav = convertSample(m_sample, true);
    const QString svx = convertSample(m_sample, false);
    QDir::setCurrent(oldCurrent);

    QVERIFY(!QFileInfo::exists(wav));
    QVERIFY(!QFileInfo::exists(svx));
    QCOMPARE(QDir(work.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
    QCOMPARE(log.messages.size(), 2); // the reason, and no argument list: sox never ran
    QVERIFY(!log.messages[0].contains("dither"));
}

QTEST_MAIN(TestConversion)
#include "tst_conversion.moc"
