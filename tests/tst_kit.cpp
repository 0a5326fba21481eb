#include "export.h"
#include "exportengine.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"
#include "trackersample.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

// The whole kit as one module, read back as a tracker reads it: every
// sample as exported, loops kept inside, the end in silence, and the menu
// that writes it.

namespace {

struct Slot
{
    QByteArray name;
    int words, finetune, volume, loopStart, loopWords;
};

struct Module
{
    QByteArray title, signature, data;
    QList<Slot> headers;
    QList<QPair<int, int>> notes; // on the first channel, as the song plays: sample number, period
};

Module readModule(const QString &path)
{
    QFile file(path);
    Module module;
    if (!file.open(QIODevice::ReadOnly) || file.size() < 1084)
        return module;
    const QByteArray bytes = file.readAll();
    const auto byte = [&bytes](qsizetype at) { return int(quint8(bytes.at(at))); };
    const auto word = [&bytes](qsizetype at) { return int(qFromBigEndian<quint16>(bytes.constData() + at)); };
    module.title = bytes.left(20);
    for (int at = 20; at < 950; at += 30)
        module.headers << Slot{bytes.mid(at, 22), word(at + 22), byte(at + 24), byte(at + 25), word(at + 26), word(at + 28)};
    module.signature = bytes.mid(1080, 4);
    int patterns = 0;
    for (int order = 0; order < 128; ++order)
        patterns = qMax(patterns, byte(952 + order) + 1);
    for (int order = 0; order < byte(950); ++order) {
        for (int row = 0; row < 64; ++row) {
            const QByteArray cell = bytes.mid(1084 + 1024 * byte(952 + order) + 16 * row, 4);
            const int sample = (quint8(cell[0]) & 0xf0) | quint8(cell[2]) >> 4;
            if (sample)
                module.notes << qMakePair(sample, (quint8(cell[0]) & 0x0f) << 8 | quint8(cell[1]));
        }
    }
    module.data = bytes.mid(1084 + 1024 * patterns);
    return module;
}

} // namespace

class TestKit : public QObject
{
    Q_OBJECT

private slots:
    void holdsEverySampleAsExported();
    void keepsLoopsInsideAndEndsInSilence_data();
    void keepsLoopsInsideAndEndsInSilence();
    void exportsFromTheMenu();

private:
    QTemporaryDir m_dir;
};

void TestKit::holdsEverySampleAsExported()
{
    // A tone looped from 0.25 to 0.75 s, which at C-1's 4144 Hz is bytes
    // 1036 to 3108 exactly.
    const QString pad = m_dir.filePath("pad.wav");
    QVERIFY(makeWav(pad) && appendRiffChunk(pad, "smpl", smplData(1, {{0, 11025, 33074}})));
    QVERIFY(makeWav(m_dir.filePath("Bässe 1.wav"), {"-r", "22050", "-c", "1"}, {"synth", "0.3", "sine", "100"}));
    QVERIFY(makeWav(m_dir.filePath("kick"), {"-t", "wav", "-r", "44100", "-c", "2", "-b", "16"}));
    QList<Sample> samples;
    for (const auto &[name, note] : {std::pair{"pad.wav", "C-1"}, {"Bässe 1.wav", "A-3"}, {"kick", "F#2"}}) {
        Sample sample = sampleOfFile(m_dir.filePath(name));
        sample.note = note;
        samples << sample;
    }
    QVERIFY(QDir(m_dir.path()).mkdir("out"));
    ExportEngine engine(samples, m_dir.filePath("out"), 2);
    engine.setModule(m_dir.filePath("out/Drum Kit Nº 1 for the tracker.mod"));
    QSignalSpy finished(&engine, &ExportEngine::finished);
    engine.start();
    QVERIFY(finished.wait(30000));
    QVERIFY2(engine.report().complete(), qPrintable(reportText(engine.report())));

    const Module module = readModule(m_dir.filePath("out/Drum Kit Nº 1 for the tracker.mod"));
    QCOMPARE(module.title, QByteArray("Drum Kit N_ 1 for th"));
    QCOMPARE(module.signature, "M.K.");
    // Each slot is the 8SVX file the export wrote beside it, sound and loop.
    QByteArray bodies;
    for (int i = 0; i < 31; ++i) {
        const Slot &slot = module.headers.at(i);
        if (i >= samples.size()) {
            QCOMPARE(slot.words, 0);
            QCOMPARE(slot.loopWords, 1);
            continue;
        }
        const SvxFile svx = read8svx(m_dir.filePath("out/" + exportFileName(samples.at(i).name)));
        bodies += svx.body;
        QCOMPARE(slot.name, trackerName(samples.at(i).name).leftJustified(22, '\0'));
        QCOMPARE(slot.words, svx.bodySize / 2);
        QCOMPARE(slot.finetune, 0);
        QCOMPARE(slot.volume, 64);
        QCOMPARE(qMakePair(slot.loopStart, slot.loopWords), i == 0 ? qMakePair(518, 1036) : qMakePair(0, 1));
    }
    QCOMPARE(module.data, bodies);
    // The song plays each once, at the period of its note.
    QCOMPARE(module.notes, (QList<QPair<int, int>>{{1, 856}, {2, 127}, {3, 302}}));

    if (QStandardPaths::findExecutable("openmpt123").isEmpty())
        QSKIP("openmpt123 (Debian package openmpt123) is not installed");
    QProcess tracker;
    tracker.start("openmpt123", {"--info", m_dir.filePath("out/Drum Kit Nº 1 for the tracker.mod")});
    QVERIFY(tracker.waitForFinished(10000));
    const QString info = QString::fromUtf8(tracker.readAllStandardOutput());
    QVERIFY2(info.contains("Samples....: 31"), qPrintable(info));
    // The pad held about 2 s, the others for their length, and then it ends.
    const QTime duration = QTime::fromString(info.section("Duration...: ", 1).left(9), "mm:ss.zzz");
    QVERIFY2(duration >= QTime(0, 0, 3, 340) && duration <= QTime(0, 0, 3, 700), qPrintable(info));
}

void TestKit::keepsLoopsInsideAndEndsInSilence_data()
{
    // The last sample of the kit: its BODY and loop in bytes, and what the
    // module makes of them in words.
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("loopStart");
    QTest::addColumn<int>("loopLength");
    QTest::addColumn<QList<int>>("slot"); // length, loop start, loop length
    QTest::addColumn<bool>("silenced");   // by a C00 on the song's last row
    QTest::newRow("short one-shot") << 1000 << 0 << 0 << QList<int>{500, 0, 1} << false;
    QTest::newRow("short loop") << 1000 << 200 << 600 << QList<int>{500, 100, 300} << true;
    QTest::newRow("loop ending past the cut") << 140000 << 120000 << 20000 << QList<int>{65535, 60000, 5535} << true;
    QTest::newRow("loop starting past the cut") << 140000 << 132000 << 8000 << QList<int>{65535, 0, 1} << true;
}

void TestKit::keepsLoopsInsideAndEndsInSilence()
{
    QFETCH(int, bytes);
    QFETCH(int, loopStart);
    QFETCH(int, loopLength);
    QFETCH(QList<int>, slot);
    QFETCH(bool, silenced);
    const QString path = m_dir.filePath("last.mod");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const KitSample first{"first", QByteArray(100, '\1'), 0, 0, 8287, std::nullopt};
    const KitSample last{"last", QByteArray(bytes, '\1'), loopStart, loopLength, 27928, std::nullopt};
    const QByteArray written = protrackerModule("kit", {first, last});
    file.write(written);
    file.close();

    const Slot header = readModule(path).headers.at(1);
    QCOMPARE((QList<int>{header.words, header.loopStart, header.loopWords}), slot);
    // The song's last row ends it (D00 on the second channel) and, for a
    // sample still sounding, silences the first.
    const int patterns = quint8(written.at(950));
    const char *lastRow = written.constData() + 1084 + 1024 * patterns - 16;
    for (int row = 64 * patterns - 1; row >= 0 && (quint8(lastRow[6]) & 0x0f) != 0xd; --row)
        lastRow -= 16;
    QCOMPARE(quint8(lastRow[6]) & 0x0f, 0xd);
    QCOMPARE((quint8(lastRow[2]) & 0x0f) == 0xc && lastRow[3] == 0, silenced);
}

void TestKit::exportsFromTheMenu()
{
    // Ten more than a module holds, all of which the report shows.
    QVERIFY(makeWav(m_dir.filePath("tick.wav"), {"-r", "8000", "-c", "1"}, {"synth", "0.05", "sine", "440"}));
    MainWindow window;
    for (int i = 0; i < 41; ++i)
        appendSample(window.findChild<QComboBox *>("sampleCombo"), sampleOfFile(m_dir.filePath("tick.wav")));
    window.findChild<QWidget *>("centralwidget")->setEnabled(true);
    QTemporaryDir out;
    outputDirectory = out.path();
    QFile old(out.filePath("kit.mod"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("an older kit") > 0);
    old.close();

    ModalDriver driver;
    QStringList look;
    driver.then([&look](QWidget *dialog) {
        auto *files = static_cast<QFileDialog *>(dialog);
        auto *name = files->findChild<QLineEdit *>("fileNameEdit");
        look << files->windowTitle() << files->directory().absolutePath() << files->nameFilters() << name->text();
        name->setText("kit");
        // Queued: accepting asks whether to replace kit.mod, which this
        // driver must be free to answer.
        QMetaObject::invokeMethod(files, "accept", Qt::QueuedConnection);
    });
    driver.press(QMessageBox::Yes); // replace kit.mod
    driver.press(QMessageBox::Yes); // not all samples are ready
    driver.press(QMessageBox::Ok);
    useContextMenu(window.findChild<QWidget *>("centralwidget"), "Export Kit as Module…");

    QCOMPARE(look, QStringList({"Export Kit as Module", out.path(), "ProTracker modules (*.mod)", "kit.mod"}));
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(driver.pending(), 0);
    const QStringList report = driver.texts().constLast().split('\n');
    QCOMPARE(report.size(), 2 + 10 + 2);
    QCOMPARE(report.at(0), "10 of 41 samples are not in kit.mod:");
    QCOMPARE(report.at(11), "tick.wav: a module holds at most 31 samples");
    // Its size, as written, against an Amiga's memory.
    const QLocale english(QLocale::English);
    const qint64 size = QFileInfo(out.filePath("kit.mod")).size();
    QCOMPARE(report.at(13), QStringLiteral("kit.mod: %1 bytes, %2 less than the 524,288 bytes of an Amiga 500's chip memory")
                                .arg(english.toString(size), english.toString(524288 - size)));
    const Module module = readModule(out.filePath("kit.mod"));
    QCOMPARE(module.title, QByteArray("kit").leftJustified(20, '\0'));
    QCOMPARE(module.notes.size(), 31);
}

QTEST_MAIN(TestKit)
#include "tst_kit.moc"
