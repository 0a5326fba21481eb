#include "chunks.h"
#include "converter.h"
#include "notetable.h"
#include "soundheader.h"
#include "testsupport.h"

#include <QDebug>
#include <QSignalSpy>
#include <QtEndian>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

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
    void outputIsOursBeforeSoxRuns();
    void cutsAtTheTopOfTheRecording_data();
    void cutsAtTheTopOfTheRecording();
    void headersOfAnyBytes_data();
    void headersOfAnyBytes();

private:
    QStringList converted() const;
    static void runToEnd(Conversion &conversion, int timeLimitMs = converterTimeLimitMs);

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

void TestConversion::runToEnd(Conversion &conversion, int timeLimitMs)
{
    QSignalSpy finished(&conversion, &Conversion::finished);
    conversion.start(timeLimitMs);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
}

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

void TestConversion::failedRunLeavesNoFile_data()
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

void TestConversion::failedRunLeavesNoFile()
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

void TestConversion::hangingConverterIsStopped()
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

void TestConversion::noTemporaryFileMeansNoConversion()
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

void TestConversion::outputIsOursBeforeSoxRuns()
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

void TestConversion::cutsAtTheTopOfTheRecording_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("WAV") << "22k.wav";
    QTest::newRow("FLAC, whose rate sox tells") << "22k.flac";
}

void TestConversion::cutsAtTheTopOfTheRecording()
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

void TestConversion::headersOfAnyBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<qint64>("frames"); // -1: not known without sox

    const auto le32 = [](quint32 v) { QByteArray b(4, 0); qToLittleEndian(v, b.data()); return b; };
    const QByteArray fmt = "fmt " + le32(16) + QByteArray::fromHex("01000100") + le32(22050)
        + le32(44100) + QByteArray::fromHex("02001000");
    const QByteArray riff = "RIFF" + le32(0) + "WAVE";
    const qint64 unknown = -1;
    QTest::newRow("plain") << riff + fmt + "data" + le32(2) + QByteArray(2, 0) << 22050 << qint64(1);
    QTest::newRow("unknown chunks first") << riff + "LIST" + le32(3) + "abc" + '\0' + "JUNK" + le32(0) + fmt
                                          << 22050 << unknown;
    QTest::newRow("no header") << QByteArray("RIFX....WAVEfmt ") << 0 << unknown;
    QTest::newRow("empty") << QByteArray() << 0 << unknown;
    QTest::newRow("cut short in fmt") << (riff + fmt).left(30) << 0 << unknown;
    QTest::newRow("fmt too small") << riff + "fmt " + le32(4) + "abcd" << 0 << unknown;
    QTest::newRow("chunk claims 4 GiB") << riff + "JUNK" + le32(0xffffffff) + fmt << 0 << unknown;
    QTest::newRow("absurd rate") << riff + fmt.left(12) + le32(0xfffffff0) + fmt.mid(16) << 0 << unknown;
    QTest::newRow("only chunk headers") << riff + QByteArray(8 * 5000, '\0') << 0 << unknown;
    // The walk gives up long before: sox, in its own time, reads the rest.
    QTest::newRow("fmt after 5000 empty chunks") << riff + QByteArray("JUNK\0\0\0\0", 8).repeated(5000) + fmt << 0 << unknown;
    QTest::newRow("fmt after 4000 empty chunks") << riff + QByteArray("JUNK\0\0\0\0", 8).repeated(4000) + fmt << 22050
                                                 << unknown;
    // FLAC: STREAMINFO first; after the block and frame sizes, the rate (20
    // bits), the channels and bits less one (3 and 5) and the frames (36).
    const auto be64 = [](quint64 v) { QByteArray b(8, 0); qToBigEndian(v, b.data()); return b; };
    const auto streamInfo = [&](quint64 rate, quint64 frames) {
        return "fLaC" + QByteArray::fromHex("00000022") + QByteArray(10, '\x10')
            + be64(rate << 44 | quint64(1) << 41 | quint64(15) << 36 | frames) + QByteArray(16, 'm');
    };
    QTest::newRow("FLAC") << streamInfo(44100, 22050) << 44100 << qint64(22050);
    QTest::newRow("FLAC cut short") << streamInfo(44100, 22050).left(20) << 0 << unknown;
    QTest::newRow("FLAC, its first block not STREAMINFO") << streamInfo(44100, 22050).replace(4, 1, "\x04") << 0 << unknown;
    QTest::newRow("FLAC of a length its encoder did not know") << streamInfo(8000, 0) << 8000 << unknown;
    // AIFF: COMM (channels, frames, bits, a rate in 80 bits), SSND (offset,
    // block size, sound): 100 frames claimed, 10 held.
    const auto be32 = [](quint32 v) { QByteArray b(4, 0); qToBigEndian(v, b.data()); return b; };
    const auto aiff = [&](const QByteArray &form, const QByteArray &rate, const QByteArray &compression) {
        const QByteArray comm = QByteArray::fromHex("0001") + be32(100) + QByteArray::fromHex("0010") + rate + compression;
        return "FORM" + be32(0) + form + "COMM" + be32(comm.size()) + comm + "SSND" + be32(8 + 200) + be32(0) + be32(0)
            + QByteArray(20, '\0');
    };
    const QByteArray rate22050 = QByteArray::fromHex("400dac44000000000000");
    QTest::newRow("AIFF, cut short in its sound") << aiff("AIFF", rate22050, "") << 22050 << qint64(10);
    QTest::newRow("AIFF-C, little-endian") << aiff("AIFC", rate22050, "sowt") << 22050 << qint64(10);
    QTest::newRow("AIFF-C, compressed") << aiff("AIFC", rate22050, "ima4") << 22050 << unknown;
    QTest::newRow("AIFF, a rate of 2^100 Hz") << aiff("AIFF", QByteArray::fromHex("40638000000000000000"), "") << 0
                                             << unknown;
    QTest::newRow("AIFF, cut short in COMM") << aiff("AIFF", rate22050, "").left(30) << 0 << unknown;
    QTest::newRow("8SVX") << QByteArray("FORM\0\0\0\x10" "8SVXVHDR\0\0\0\0", 24) << 0 << unknown;
}

void TestConversion::headersOfAnyBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, sampleRate);
    QFETCH(qint64, frames);
    QFile file(m_sources.filePath("header"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    const WavFormat format = readSoundHeader(file.fileName());
    QCOMPARE(format.sampleRate, sampleRate);
    QCOMPARE(format.lengthKnown() ? format.frames : qint64(-1), frames);
}

QTEST_MAIN(TestConversion)
#include "tst_conversion.moc"
