#include "export.h"
#include "exportfixture.h"
#include "modaldriver.h"
#include "notetable.h"

#include <QComboBox>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <sys/stat.h>

namespace {

/// What sndfile-info, a reader of the trackers' kind of file, finds in one:
/// "OneShotHiSamples", "RepeatHiSamples" and "Frames" to their numbers, and
/// "Errors" to how many lines say something went wrong.
QMap<QString, qint64> asSndfileReadsIt(const QString &path)
{
    QProcess info;
    info.start("sndfile-info", {path});
    QMap<QString, qint64> fields;
    if (!info.waitForFinished(10000))
        return fields;
    for (const QByteArray &line : info.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> parts = line.split(':');
        const QByteArray field = parts.value(0).trimmed();
        if (parts.size() == 2 && (field.endsWith("HiSamples") || field == "Frames"))
            fields[QString::fromLatin1(field)] = parts[1].trimmed().toLongLong();
        if (line.contains("Error") || line.contains("Unknown") || line.contains("denied"))
            ++fields["Errors"];
    }
    return fields;
}

} // namespace

/// The files an export writes: their names, rates, permissions and what
/// trackers take of them (loops, names, whole words, their length).
class TestExportFiles : public QObject, private ExportFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { openWindow(); }
    void cleanup() { closeWindow(); }
    void writes8svxAtNoteRates();
    void exportFileNames_data();
    void exportFileNames();
    void trailingSeparator();
    void exportedFilesFollowUmask_data();
    void exportedFilesFollowUmask();
    void notesSamplesTooLongForATracker();
    void trackersTakeLoopsNamesAndWholeWords_data();
    void trackersTakeLoopsNamesAndWholeWords();
};

void TestExportFiles::initTestCase()
{
    makeSources();
    // At C-2 these stay as long as they are: one sample short of the classic
    // limit with the silent first word, one over it, and one too long even
    // at C-1.
    for (const QString frames : {"65532", "65533"})
        QVERIFY(makeWav(m_sources.filePath(frames + ".wav"), {"-r", "8287", "-c", "1"}, {"synth", "9", "sine", "440", "rate", "8287", "trim", "0", frames + "s"}));
    QVERIFY(makeWav(m_sources.filePath("16s.wav"), {"-r", "8000", "-c", "1"}, {"synth", "16", "sine", "440"}));
}

void TestExportFiles::writes8svxAtNoteRates()
{
    struct Case { QString source, note; bool normalise, lowCut, highCut; QString file; };
    const QList<Case> cases{
        {"kick.wav", "C-2", true, false, false, "kick.8svx"},
        {"wavetable.wav", "A-3", false, true, true, "wavetable.8svx"},
        {"KICK.WAV", "C-1", true, true, false, "KICK.8svx"},
        {"take", "F#2", false, false, true, "take.8svx"},
    };
    auto *combo = m_window->findChild<QComboBox *>("sampleCombo");
    for (const Case &c : cases) {
        Sample sample;
        sample.path = m_sources.filePath(c.source);
        sample.name = c.source;
        sample.note = c.note;
        sample.normalise = c.normalise;
        sample.lowCut = c.lowCut;
        sample.highCut = c.highCut;
        sample.highCutFrequency = 9000;
        sample.ready = true;
        appendSample(combo, sample);
    }
    ModalDriver driver;
    browse(driver, m_out->path());
    LogCapture log;
    exportAll();

    QCOMPARE(driver.unexpected(), 0); // all ready: no question, and nothing to report
    QStringList destinations;
    for (const Case &c : cases) {
        destinations << QLatin1Char('"') + m_out->filePath(c.file) + QLatin1Char('"');
        const SvxFile svx = read8svx(m_out->filePath(c.file));
        QVERIFY2(svx.problem.isEmpty(), qPrintable(c.file + ": " + svx.problem));
        QCOMPARE(svx.samplesPerSec, noteFrequencies.value(c.note));
        QCOMPARE(svx.channels, 1);
        QVERIFY(qAbs(svx.soundSize() - svx.samplesPerSec) <= 2); // one second, one byte a sample
    }
    QCOMPARE(exported().size(), cases.size());
    for (const QString &destination : destinations)
        QVERIFY2(log.messages.contains(destination), qPrintable(destination));
    QVERIFY(!log.busy.contains(false)); // the busy cursor showed throughout
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(converted(), QStringList()); // nothing of ours left behind
}

void TestExportFiles::exportFileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::newRow("kick.wav") << "kick.wav" << "kick.8svx";
    QTest::newRow("wav inside the name") << "wavetable.wav" << "wavetable.8svx";
    QTest::newRow("upper case") << "KICK.WAV" << "KICK.8svx";
    QTest::newRow("mixed case") << "Snare.Wav" << "Snare.8svx";
    QTest::newRow("no extension") << "take" << "take.8svx";
    QTest::newRow("an extension of no sound file") << "take.txt" << "take.txt.8svx";
    QTest::newRow("AIFF") << "BD_01.aiff" << "BD_01.8svx";
    QTest::newRow("FLAC in upper case") << "kick.FLAC" << "kick.8svx";
    QTest::newRow("Ogg Vorbis") << "pad.ogg" << "pad.8svx";
    QTest::newRow("8SVX itself") << "hat.8svx" << "hat.8svx";
    QTest::newRow("WAV inside, FLAC outside") << "kick.wav.flac" << "kick.wav.8svx";
    QTest::newRow("wav without dot") << "slowav" << "slowav.8svx";
    QTest::newRow("twice") << "a.wav.wav" << "a.wav.8svx";
}

void TestExportFiles::exportFileNames()
{
    QFETCH(QString, name);
    QFETCH(QString, file);
    QCOMPARE(exportFileName(name), file);
}

void TestExportFiles::trailingSeparator()
{
    addSample("kick.wav");
    outputDirectory = m_out->path() + '/';
    ModalDriver driver;
    exportAll();
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(exported(), QStringList{"kick.8svx"});
}

void TestExportFiles::exportedFilesFollowUmask_data()
{
    QTest::addColumn<int>("umask");
    QTest::addColumn<QFileDevice::Permissions>("permissions");
    const QFileDevice::Permissions mine = QFileDevice::ReadOwner | QFileDevice::WriteOwner
        | QFileDevice::ReadUser | QFileDevice::WriteUser;
    QTest::newRow("022") << 022 << (mine | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    QTest::newRow("077") << 077 << mine;
    QTest::newRow("002") << 002 << (mine | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther);
    QTest::newRow("027") << 027 << (mine | QFileDevice::ReadGroup);
}

void TestExportFiles::exportedFilesFollowUmask()
{
    QFETCH(int, umask);
    QFETCH(QFileDevice::Permissions, permissions);
    addSample("kick.wav");
    outputDirectory = m_out->path();
    const mode_t old = ::umask(umask);
    exportAll();
    ::umask(old);
    QCOMPARE(QFile::permissions(m_out->filePath("kick.8svx")), permissions);
}

void TestExportFiles::notesSamplesTooLongForATracker()
{
    addSample("kick.wav", "A-3");
    addSample("3s.wav", "A-3");
    addSample("5s.wav", "A-3");
    addSample("65532.wav", "C-2");
    addSample("65533.wav", "C-2");
    addSample("16s.wav", "C-1");
    outputDirectory = m_out->path();
    ModalDriver driver;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    driver.then([&icon](QWidget *box) {
        icon = static_cast<QMessageBox *>(box)->icon();
        static_cast<QMessageBox *>(box)->accept();
    });
    exportAll();

    // What a tracker loads is the BODY of the written file; exactly the
    // classic limit still fits.
    QMap<QString, qint64> body;
    for (const QString &file : exported()) {
        const SvxFile svx = read8svx(m_out->filePath(file));
        QVERIFY2(svx.problem.isEmpty(), qPrintable(file + ": " + svx.problem));
        body[file] = svx.bodySize;
    }
    QCOMPARE(body.size(), 6);
    QCOMPARE(body["65532.8svx"], 65534);
    QCOMPARE(body["65533.8svx"], 65536);
    QVERIFY(body["3s.8svx"] > 65534 && body["3s.8svx"] <= 131070 && body["5s.8svx"] > 131070);
    const QLocale english(QLocale::English);
    const auto bytes = [&](const char *file) { return english.toString(body[file]) + " bytes of sound; "; };
    const QString classic = "classic trackers play at most 65,534 bytes (131,070 in newer ones); ";
    QCOMPARE(driver.texts(),
             QStringList{"Too long for a tracker to play whole:\n\n"
                         "3s.8svx: " + bytes("3s.8svx") + classic + "at E-3 or lower it fits.\n"
                         "5s.8svx: " + bytes("5s.8svx") + "no tracker of the classic kind holds more than 131,070 "
                         "bytes of one sample, so it will be cut short; at G-2 or lower it fits.\n"
                         "65533.8svx: " + bytes("65533.8svx") + classic + "at B-1 or lower it fits.\n"
                         "16s.8svx: " + bytes("16s.8svx") + classic + "it is too long even at C-1, so only a "
                         "shorter recording fits."});
    QCOMPARE(icon, QMessageBox::Information);
}

void TestExportFiles::trackersTakeLoopsNamesAndWholeWords_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArrayList>("smpl"); // each smpl chunk's data, in order
    QTest::addColumn<int>("cutShort");        // bytes taken off the end of the file
    QTest::addColumn<QString>("note");
    QTest::addColumn<double>("loopStart");    // seconds; -1 for a one-shot
    QTest::addColumn<double>("loopEnd");
    QTest::addColumn<QByteArray>("trackerName");

    // A second of a tone at 44.1 kHz, looped from 0.25 to 0.75 s.
    const SmplLoop middle{0, 11025, 33074};
    const auto row = [](const char *name, const QString &file, const QByteArrayList &smpl, const QString &note,
                        double start, double end, const QByteArray &trackerName, int cutShort = 0) {
        QTest::newRow(name) << file << smpl << cutShort << note << start << end << trackerName;
    };
    row("loop at C-1", "pad.wav", {smplData(1, {middle})}, "C-1", 0.25, 0.75, "pad");
    row("loop at C-2", "pad.wav", {smplData(1, {middle})}, "C-2", 0.25, 0.75, "pad");
    row("loop at A-3", "pad.wav", {smplData(1, {middle})}, "A-3", 0.25, 0.75, "pad");
    row("ping-pong plays forward", "pad.wav", {smplData(1, {{1, 11025, 33074}})}, "C-2", 0.25, 0.75, "pad");
    row("the first smpl chunk counts", "pad.wav", {smplData(1, {{0, 4410, 8819}}), smplData(1, {middle})},
        "C-2", 0.1, 0.2, "pad");
    row("more loops said than there are", "pad.wav", {smplData(3, {middle})}, "C-2", 0.25, 0.75, "pad");
    row("zero sample period", "pad.wav", {smplData(1, {middle}, 0)}, "C-2", 0.25, 0.75, "pad");
    row("no smpl, a name to clean", "Bässe 1.WAV", {}, "C-2", -1, -1, "B_sse 1");
    row("a name beyond one UTF-16 unit", "kick 🥁.wav", {}, "A-3", -1, -1, "kick _");
    row("loop count 0xFFFFFFFF and no loop", "pad.wav", {smplData(0xffffffff, {})}, "C-2", -1, -1, "pad");
    row("no loops", "pad.wav", {smplData(0, {middle})}, "C-2", -1, -1, "pad");
    row("chunk shorter than one loop", "pad.wav", {smplData(1, {middle}).left(50)}, "C-2", -1, -1, "pad");
    row("chunk cut off by the end of the file", "pad.wav", {smplData(1, {middle})}, "C-2", -1, -1, "pad", 40);
    row("loop past the data", "pad.wav", {smplData(1, {{0, 11025, 44100}})}, "C-2", -1, -1, "pad");
    row("start after end", "pad.wav", {smplData(1, {{0, 33074, 11025}})}, "C-2", -1, -1, "pad");
    row("backward loop", "pad.wav", {smplData(1, {{2, 11025, 33074}})}, "C-2", -1, -1, "pad");
    row("a loop of a few frames at C-1", "pad.wav", {smplData(1, {{0, 1000, 1004}})}, "C-1", -1, -1, "pad");
}

void TestExportFiles::trackersTakeLoopsNamesAndWholeWords()
{
    QFETCH(QString, name);
    QFETCH(QByteArrayList, smpl);
    QFETCH(int, cutShort);
    QFETCH(QString, note);
    QFETCH(double, loopStart);
    QFETCH(double, loopEnd);
    QFETCH(QByteArray, trackerName);

    QTemporaryDir sources(m_sources.filePath("loop-XXXXXX"));
    const QString source = sources.filePath(name);
    QVERIFY(makeWav(source, {"-r", "44100", "-c", "2", "-b", "16"}));
    for (const QByteArray &data : smpl)
        QVERIFY(appendRiffChunk(source, "smpl", data));
    if (cutShort)
        QVERIFY(QFile::resize(source, QFileInfo(source).size() - cutShort));
    Sample sample;
    sample.path = source;
    sample.name = name;
    sample.note = note;
    sample.ready = true;
    appendSample(m_window->findChild<QComboBox *>("sampleCombo"), sample);
    outputDirectory = m_out->path();
    ModalDriver driver;
    exportAll();
    QCOMPARE(driver.unexpected(), 0);

    const QString written = m_out->filePath(exportFileName(name));
    const SvxFile svx = read8svx(written);
    QVERIFY2(svx.problem.isEmpty(), qPrintable(svx.problem));
    QCOMPARE(svx.name, trackerName);
    const int rate = noteFrequencies.value(note);
    QCOMPARE(svx.samplesPerSec, rate);
    if (loopStart < 0) {
        QCOMPARE(svx.repeat, 0);
        QVERIFY(qAbs(svx.soundSize() - rate) <= 2);
    } else {
        QVERIFY2(qAbs(svx.oneShot - loopStart * rate) <= 3, qPrintable(QString::number(svx.oneShot)));
        QVERIFY2(qAbs(svx.oneShot + svx.repeat - loopEnd * rate) <= 3, qPrintable(QString::number(svx.repeat)));
        QVERIFY(qAbs(svx.bodySize - rate) <= 2); // the sound after the loop stays
    }

    if (QStandardPaths::findExecutable("sndfile-info").isEmpty())
        QSKIP("sndfile-info (Debian package sndfile-programs) is not installed");
    const QMap<QString, qint64> seen = asSndfileReadsIt(written);
    QCOMPARE(seen.value("Errors"), 0);
    QCOMPARE(seen.value("OneShotHiSamples", -1), svx.oneShot);
    QCOMPARE(seen.value("RepeatHiSamples", -1), svx.repeat);
    QCOMPARE(seen.value("Frames", -1), svx.bodySize);
}

QTEST_MAIN(TestExportFiles)
#include "tst_exportfiles.moc"
