#include "mainwindow.h"
#include "modaldriver.h"
#include "notefitting.h"
#include "notetable.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QHelpEvent>
#include <QProcess>
#include <QTest>
#include <QToolTip>
#include <QtEndian>

#include <sys/stat.h>

// Each sample at the highest note at which a classic tracker plays it whole:
// the rule against what the export really writes, and the window's entry.

namespace {

/// The BODY the export writes of \a path at \a note, in bytes.
qint64 exportedBody(const QString &path, const QString &note)
{
    Sample sample = sampleOfFile(path);
    sample.note = note;
    const SvxFile svx = exportSample(sample).file;
    return svx.problem.isEmpty() ? svx.bodySize : -1;
}

} // namespace

class TestFitting : public QObject
{
    Q_OBJECT

private slots:
    void agreesWithTheExportAtTheByteBoundary_data();
    void agreesWithTheExportAtTheByteBoundary();
    void fitsEveryLoadedSampleFromTheMenu();

private:
    QTemporaryDir m_dir;
};

void TestFitting::agreesWithTheExportAtTheByteBoundary_data()
{
    QTest::addColumn<QStringList>("format"); // sox's output options
    QTest::addColumn<bool>("looped");
    QTest::addColumn<QString>("note");
    QTest::addColumn<int>("frameSize"); // what the header says of it; 0: the truth
    QTest::addColumn<bool>("twoGigabytes"); // its data chunk claims 2 GB
    QTest::addColumn<QString>("type");       // the sound file's extension
    const auto row = [](const char *name, const QStringList &format, bool looped, const QString &note, int frameSize = 0,
                        bool twoGigabytes = false, const QString &type = "wav") {
        QTest::newRow(name) << format << looped << note << frameSize << twoGigabytes << type;
    };
    row("8-bit mono, 22,050 Hz, E-3", {"-r", "22050", "-c", "1", "-b", "8"}, false, "E-3");
    row("16-bit stereo, 44,100 Hz, looped, C-2", {"-r", "44100", "-c", "2", "-b", "16"}, true, "C-2");
    row("24-bit mono, 48,000 Hz, G#2", {"-r", "48000", "-c", "1", "-b", "24"}, false, "G#2");
    row("24-bit stereo, 96,000 Hz, A-3", {"-r", "96000", "-c", "2", "-b", "24"}, false, "A-3");
    row("8-bit stereo, 96,000 Hz, D-1", {"-r", "96000", "-c", "2", "-b", "8"}, false, "D-1");
    row("µ-law, 8,000 Hz, C-3", {"-r", "8000", "-c", "1", "-e", "u-law"}, false, "C-3");
    row("A-law stereo, 22,050 Hz, F-2", {"-r", "22050", "-c", "2", "-e", "a-law"}, false, "F-2");
    row("IMA ADPCM, 22,050 Hz, looped, A-2", {"-r", "22050", "-c", "1", "-e", "ima-adpcm"}, true, "A-2");
    row("MS ADPCM stereo, 44,100 Hz, D-3", {"-r", "44100", "-c", "2", "-e", "ms-adpcm"}, false, "D-3");
    row("GSM, 8,000 Hz, G-1", {"-r", "8000", "-c", "1", "-e", "gsm-full-rate"}, false, "G-1");
    row("16-bit stereo whose header says 2 bytes a frame, C-2", {"-r", "44100", "-c", "2", "-b", "16"}, false, "C-2", 2);
    row("µ-law whose data chunk claims 2 GB, A-3", {"-r", "8000", "-c", "1", "-e", "u-law"}, false, "A-3", 0, true);
    row("FLAC stereo, 22,050 Hz, A-3", {"-r", "22050", "-c", "2", "-b", "16"}, false, "A-3", 0, false, "flac");
    row("AIFF, 22,050 Hz, E-2", {"-r", "22050", "-c", "1", "-b", "16"}, false, "E-2", 0, false, "aiff");
    // sox reckons an MP3's length past what it decodes.
    row("MP3, 22,050 Hz, A-3", {"-r", "22050", "-c", "1"}, false, "A-3", 0, false, "mp3");
}

void TestFitting::agreesWithTheExportAtTheByteBoundary()
{
    QFETCH(QStringList, format);
    QFETCH(bool, looped);
    QFETCH(QString, note);
    QFETCH(int, frameSize);
    QFETCH(bool, twoGigabytes);
    QFETCH(QString, type);
    const int noteRate = noteFrequencies.value(note);
    const int rate = format.at(1).toInt();
    // A recording somewhat longer than the note can play, cut to length below.
    const QString long_ = m_dir.filePath("long." + type);
    QVERIFY(makeWav(long_, format, {"synth", QString::number(70000.0 / noteRate), "sine", "440", "gain", "-3"}));
    const QString cut = m_dir.filePath("cut." + type);
    const auto cutTo = [&](qint64 frames) {
        if (QProcess::execute("sox", {long_, cut, "trim", "0", QString::number(frames) + 's'}) != 0
            || (looped && !appendRiffChunk(cut, "smpl", smplData(1, {{0, quint32(rate / 10), quint32(rate / 5)}}))))
            return false;
        if (twoGigabytes) {
            // The data chunk's size, as a recorder that was cut off leaves it.
            QFile file(cut);
            char bytes[4];
            qToLittleEndian<quint32>(0x7fffffff, bytes);
            return file.open(QIODevice::ReadWrite) && file.seek(file.readAll().indexOf("data") + 4) && file.write(bytes, 4) == 4;
        }
        if (frameSize == 0)
            return true;
        // A header that disagrees with itself: its frame size (block align,
        // 12 bytes into fmt, which sox writes first) is not its channels
        // times its bytes.
        QFile file(cut);
        char bytes[2];
        qToLittleEndian<quint16>(quint16(frameSize), bytes);
        return file.open(QIODevice::ReadWrite) && file.seek(12 + 8 + 12) && file.write(bytes, 2) == 2;
    };
    // The longest recording whose exported BODY fits, found by the export
    // alone: at that many frames it fits, one more and it does not.
    qint64 fits = qint64(60000.0 * rate / noteRate);
    qint64 tooLong = qint64(70000.0 * rate / noteRate);
    while (tooLong - fits > 1) {
        const qint64 frames = (fits + tooLong) / 2;
        QVERIFY(cutTo(frames));
        const qint64 body = exportedBody(cut, note);
        QVERIFY(body > 0);
        (body <= 65534 ? fits : tooLong) = frames;
    }

    // The rule, from the top note down, says the same before sox runs.
    QVERIFY(cutTo(fits));
    const NoteFit atBoundary = fitNote(readRecording(cut), "A-3");
    QCOMPARE(atBoundary.note, note);
    QCOMPARE(atBoundary.kind, note == "A-3" ? NoteFit::Fits : NoteFit::Lowered);
    QVERIFY(cutTo(tooLong));
    const NoteFit past = fitNote(readRecording(cut), "A-3");
    QCOMPARE(past.note, notesByRate().value(notesByRate().indexOf(note) - 1));
    const qint64 body = exportedBody(cut, past.note);
    QVERIFY2(body > 0 && body <= 65534, qPrintable(QString::number(body)));
    // The export's report names the same note for it, from what sox made.
    Sample atTop = sampleOfFile(cut);
    atTop.note = "A-3";
    const QString tooLongSaid = exportSample(atTop).tooLong;
    QVERIFY2(tooLongSaid.endsWith(QStringLiteral("; at %1 or lower it fits.").arg(past.note)), qPrintable(tooLongSaid));
}

void TestFitting::fitsEveryLoadedSampleFromTheMenu()
{
    // One that fits, one a little too long, one too long at any note, and
    // two whose length no header tells: a truncated one, and a FIFO that
    // must not hold anything up.
    QVERIFY(makeWav(m_dir.filePath("short.wav"), {"-r", "44100", "-c", "2", "-b", "16"}, {"synth", "0.5", "sine", "300"}));
    QVERIFY(makeWav(m_dir.filePath("pad.wav"), {"-r", "44100", "-c", "2", "-b", "16"}, {"synth", "4.5", "sine", "300"}));
    QVERIFY(makeWav(m_dir.filePath("drone.wav"), {"-r", "8000", "-c", "1", "-b", "16"}, {"synth", "17", "sine", "300"}));
    QFile broken(m_dir.filePath("broken.wav"));
    QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("RIFF\x10\0\0\0WAVEfmt ", 16) == 16);
    broken.close();
    QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath("fifo.wav")).constData(), 0600), 0);
    MainWindow window;
    window.loadFiles({m_dir.filePath("short.wav"), m_dir.filePath("pad.wav"), m_dir.filePath("drone.wav"),
                      m_dir.filePath("broken.wav"), m_dir.filePath("fifo.wav")});
    auto *list = window.findChild<QComboBox *>("sampleCombo");
    const QStringList notes{"C-2", "C-3", "C-2", "C-3", "C-3"};
    for (int i = 0; i < list->count(); ++i) {
        Sample sample = allSamples(list).at(i);
        sample.note = notes.at(i);
        sample.ready = i == 1;
        storeSample(list, i, sample);
        relabelSample(list, i, sample);
    }
    list->setCurrentIndex(1);

    ModalDriver driver;
    driver.press(QMessageBox::Ok);
    useContextMenu(window.findChild<QWidget *>("centralwidget"), "Fit Notes to Tracker Length");
    QCOMPARE(driver.pending(), 0);
    QCOMPARE(driver.texts(),
             QStringList{"Lowered to the highest note at which classic trackers play them whole:\n\n"
                         "pad.wav: C-3 → A-2\n\n"
                         "Too long at every note, so at C-1, where they are shortest:\n\n"
                         "drone.wav: C-2 → C-1\n\n"
                         "Their length could not be read, so their notes are as they were:\n\n"
                         "broken.wav\nfifo.wav"});
    QStringList fitted;
    for (const Sample &sample : allSamples(list))
        fitted << sample.note;
    QCOMPARE(fitted, QStringList({"C-2", "A-2", "C-1", "C-3", "C-3"}));
    QCOMPARE(list->itemText(1), "pad.wav | Ready");
    QVERIFY(allSamples(list).at(1).ready);
    // One step takes every note back, and brings them again.
    auto *undo = window.findChild<QAction *>("actionUndo");
    QCOMPARE(undo->text(), "Undo Fit Notes to Tracker Length");
    undo->trigger();
    const auto notesNow = [list] {
        QStringList now;
        for (const Sample &sample : allSamples(list))
            now << sample.note;
        return now;
    };
    QCOMPARE(notesNow(), notes);
    QCOMPARE(window.findChild<QComboBox *>("FrequencyCombo")->currentText(), "C-3");
    window.findChild<QAction *>("actionRedo")->trigger();
    QCOMPARE(notesNow(), fitted);
    // The form shows the new note, and its tip names it as other trackers do.
    auto *frequencies = window.findChild<QComboBox *>("FrequencyCombo");
    QCOMPARE(frequencies->currentText(), "A-2");
    window.show();
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), frequencies->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(frequencies, &hover);
    QCOMPARE(QToolTip::text(), "Currently Selected Sample\nA-2: 13964 Hz; A-4 in FastTracker 2 and MilkyTracker, "
                               "A-5 in Impulse Tracker and Schism Tracker");
}

QTEST_MAIN(TestFitting)
#include "tst_fitting.moc"
