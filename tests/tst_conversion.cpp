#include "conversionfixture.h"
#include "converter.h"
#include "testsupport.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Converting one sample with sox: its argument list, its log, a file of its
// own for each conversion, and source paths sox must take as they are.

class TestConversion : public QObject, private ConversionFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { makeSources(); }
    void init() { clearConverted(); }
    void argumentList_data();
    void argumentList();
    void logsArgumentsAndOutput_data();
    void logsArgumentsAndOutput();
    void eachConversionHasItsOwnFile();
    void sourcePaths_data();
    void sourcePaths();
};

void TestConversion::argumentList_data()
{
    QTest::addColumn<bool>("normalise");
    QTest::addColumn<bool>("highCut");
    QTest::addColumn<bool>("lowCut");
    QTest::addColumn<QString>("note");
    QTest::addColumn<int>("sourceRate");
    QTest::addColumn<QStringList>("effects");

    const QStringList norm{"stat", "norm", "-6"};
    const QStringList low{"lowpass", "-1", "18000"};
    const QStringList high{"highpass", "-1", "50"};
    const QStringList tail{"rate", "8287", "dither", "-S"};
    QTest::newRow("nothing") << false << false << false << "C-2" << 0 << tail;
    QTest::newRow("normalise") << true << false << false << "C-2" << 0 << norm + tail;
    QTest::newRow("high cut") << false << true << false << "C-2" << 0 << low + tail;
    QTest::newRow("low cut") << false << false << true << "C-2" << 0 << high + tail;
    QTest::newRow("both cuts") << false << true << true << "C-2" << 0 << low + high + tail;
    QTest::newRow("normalise, high cut") << true << true << false << "C-2" << 0 << norm + low + tail;
    QTest::newRow("normalise, low cut") << true << false << true << "C-2" << 0 << norm + high + tail;
    QTest::newRow("everything") << true << true << true << "C-2" << 0 << norm + low + high + tail;
    QTest::newRow("A-3") << true << false << false << "A-3" << 0
                         << norm + QStringList{"rate", "27928", "dither", "-S"};
    QTest::newRow("C-1") << false << false << false << "C-1" << 0
                         << QStringList{"rate", "4144", "dither", "-S"};
    // sox refuses a low-pass above half the source's rate; there is nothing
    // up there to cut anyway.
    QTest::newRow("high cut at half the source rate") << false << true << true << "C-2" << 36000
                                                      << high + tail;
    QTest::newRow("high cut just below it") << false << true << false << "C-2" << 36002 << low + tail;
}

void TestConversion::argumentList()
{
    QFETCH(bool, normalise);
    QFETCH(bool, highCut);
    QFETCH(bool, lowCut);
    QFETCH(QString, note);
    QFETCH(int, sourceRate);
    QFETCH(QStringList, effects);

    Sample sample;
    sample.path = "/music/my kick.wav";
    sample.normalise = normalise;
    sample.highCut = highCut;
    sample.lowCut = lowCut;
    sample.note = note;
    QCOMPARE(converterArguments(sample, "/tmp/out.8svx", sourceRate),
             QStringList({"-R", "--no-glob", "/music/my kick.wav", "-b", "8", "-c", "1", "/tmp/out.8svx", "remix", "-"})
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
    QTest::addColumn<QString>("decoy"); // a file the name matches as a pattern
    QTest::newRow("spaces") << "my  kick drum.wav" << "";
    QTest::newRow("quotes") << "it's a \"kick\".wav" << "";
    QTest::newRow("non-ASCII") << "Grüße aus Köln – ñ.wav" << "";
    QTest::newRow("shell characters") << "$(echo x) `id` ; a & b.wav" << "";
    QTest::newRow("brackets") << "snare [old].wav" << "snare o.wav";
    QTest::newRow("question mark") << "take?.wav" << "take1.wav";
    QTest::newRow("star") << "*.wav" << "a.wav";
    QTest::newRow("braces") << "{a,b}.wav" << "b.wav";
}

void TestConversion::sourcePaths()
{
    QFETCH(QString, name);
    QFETCH(QString, decoy);
    QTemporaryDir dir(m_sources.filePath("paths-XXXXXX"));
    Sample sample;
    sample.path = dir.filePath(name);
    QVERIFY(makeWav(sample.path));
    if (!decoy.isEmpty())
        QVERIFY(makeWav(dir.filePath(decoy), {"-r", "8000", "-c", "1"}, {"synth", "3", "sine", "300"}));
    // One second at C-2, and not the three seconds of the decoy.
    const SvxFile svx = read8svx(convertSample(sample, false), false);
    QVERIFY2(svx.problem.isEmpty(), qPrintable(svx.problem));
    QVERIFY2(qAbs(svx.bodySize - 8287) <= 2, qPrintable(QString::number(svx.bodySize)));
}

QTEST_MAIN(TestConversion)
#include "tst_conversion.moc"
