#include "export.h"
#include "exportengine.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"
#include "trackersample.h"
#include "budget.h"
#include "notetable.h"

#include <QComboBox>
#include <QAction>
#include <QRadioButton>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

// The whole kit as one module, read back as a tracker reads it.

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
    void fitsTheModuleIntoASize_data();
    void fitsTheModuleIntoASize();
    void fitsTheKitFromTheMenu_data();
    void fitsTheKitFromTheMenu();

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

void TestKit::fitsTheModuleIntoASize_data()
{
    // Recordings as "name=seconds" (22,050 Hz mono WAV files named .wav),
    // after which a number is another rate and a word the type of sound
    // file written under that name; each starts at A-3. The budget: bytes
    // (with K or M), or "=X" for just what the module takes with every
    // sample at X, "-X" for a byte less. The note the kit then tops out at;
    // none when it fits at no note. Options for every export, and the exit
    // status.
    QTest::addColumn<QStringList>("recordings");
    QTest::addColumn<QString>("budget");
    QTest::addColumn<QString>("ceiling");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QStringList shorts;
    for (int i = 1; i <= 31; ++i)
        shorts << QStringLiteral("hit%1=0.3").arg(i);
    const QStringList longAndShort{"long=6.01", "tick1=0.3", "tick2=0.3", "tick3=0.3"};
    const QStringList none;
    QTest::newRow("one long, three short, just what it takes at E-2") << longAndShort << "=E-2" << "E-2" << none << 0;
    QTest::newRow("one long, three short, a byte less") << longAndShort << "-E-2" << "D#2" << none << 0;
    QTest::newRow("31 short one-shots, a byte less than at G-1") << shorts << "-G-1" << "F#1" << none << 0;
    QTest::newRow("one long, 64K") << QStringList{"long=6.01"} << "64K" << "E-2" << none << 0;
    QTest::newRow("already smaller than an Amiga 500's memory") << longAndShort << "512K" << "A-3" << none << 0;
    QTest::newRow("too large at every note") << longAndShort << "4K" << "" << none << 1;
    QStringList tenLong;
    for (int i = 1; i <= 10; ++i)
        tenLong << QStringLiteral("long%1=5").arg(i);
    QTest::newRow("ten long ones, more than an Amiga 600 holds") << tenLong << "2M" << "A-3" << none << 0;
    QTest::newRow("the long one an AIFF named .wav, a byte less than at E-2")
        << QStringList{"long=6.01 aiff", "tick1=0.3", "tick2=0.3", "tick3=0.3"} << "-E-2" << "D#2" << none << 0;
    // The first fails (its low cut is above all it holds), so the 32nd, a
    // long one, takes a slot.
    QTest::newRow("the first failing, a long 32nd, a byte less than at A-3")
        << QStringList{"low=0.3 8000"} + shorts.mid(0, 30) + QStringList{"long=6.01"} << "-A-3" << "G#3"
        << QStringList{"--low-cut", "6000"} << 1;
}

void TestKit::fitsTheModuleIntoASize()
{
    QFETCH(QStringList, recordings);
    QFETCH(QString, budget);
    QFETCH(QString, ceiling);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QTemporaryDir work;
    QStringList files;
    for (const QString &recording : recordings) {
        files << work.filePath(recording.section('=', 0, 0) + ".wav");
        const QStringList made = recording.section('=', 1).split(' ');
        QStringList format{"-r", "22050", "-c", "1", "-b", "16"};
        for (const QString &what : made.mid(1))
            format << (what.toInt() > 0 ? QStringList{"-r", what} : QStringList{"-t", what});
        QVERIFY(makeWav(files.constLast(), format, {"synth", made.at(0), "sine", "300"}));
    }
    const auto exportModule = [&](const QString &name, const QStringList &asked, QString *said = nullptr) {
        QProcess program;
        program.start(BRINDLEBOX_PROGRAM, QStringList{"--module", work.filePath(name)} + options + asked + files);
        program.waitForFinished(60000);
        if (said)
            *said = QString::fromLocal8Bit(program.readAllStandardError());
        return program.exitCode();
    };
    qint64 bytes = parseByteCount(budget);
    if (budget.startsWith('=') || budget.startsWith('-')) {
        QCOMPARE(exportModule("at.mod", {"--note", budget.mid(1)}), status);
        bytes = QFileInfo(work.filePath("at.mod")).size() - budget.startsWith('-');
    }

    QString said;
    const int exitStatus = exportModule("kit.mod", {"--note", "A-3", "--module-size", QString::number(bytes), "--ceiling"}, &said);
    const QLocale english(QLocale::English);
    QCOMPARE(exitStatus, status);
    if (ceiling.isEmpty()) {
        QVERIFY(!QFileInfo::exists(work.filePath("kit.mod")));
        QVERIFY2(said.startsWith("kit.mod was not written: even at C-1 it would take "), qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral(" more than the %1 asked for; its largest samples at C-1: long.wav, ")
                                   .arg(english.toString(bytes))),
                 qPrintable(said));
        return;
    }
    // At the ceiling the module is at most the budget, to the byte, and the
    // report says what was lowered.
    const qint64 written = QFileInfo(work.filePath("kit.mod")).size();
    QVERIFY2(written <= bytes, qPrintable(QStringLiteral("%1 > %2").arg(written).arg(bytes)));
    QVERIFY2(said.contains(QStringLiteral("kit.mod: %1 bytes, ").arg(english.toString(written))), qPrintable(said));
    if (written > 1024 * 1024)
        QVERIFY2(said.contains("it fits an Amiga 1200's 2,097,152, not an Amiga 600's 1,048,576"), qPrintable(said));
    QCOMPARE(said.contains(QStringLiteral("long.wav: A-3 → %1\n").arg(ceiling)) || said.contains("hit1.wav: A-3 → " + ceiling),
             ceiling != "A-3");
    QCOMPARE(said.contains("Made at a lower note"), ceiling != "A-3");
    if (ceiling == "A-3")
        return;
    // One note higher it would be larger.
    const QString higher = notesByRate().value(notesByRate().indexOf(ceiling) + 1);
    QCOMPARE(exportModule("higher.mod", {"--note", higher}), status);
    QVERIFY(QFileInfo(work.filePath("higher.mod")).size() > bytes);
}

void TestKit::fitsTheKitFromTheMenu_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("said"); // the message's first line
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<QString>("encoding"); // of the short ones, which only sox can count; empty: 16-bit PCM
    QTest::newRow("64 KB from the list, longest first")
        << "64 KB (65,536 bytes)" << "longestFirst"
        << "At these notes the kit's module takes 62,784 bytes, 2,752 less than the 65,536 asked for."
        << QStringList{"C-2", "A-3", "C-2"} << "";
    QTest::newRow("64 KB from the list, longest first, the short ones µ-law")
        << "64 KB (65,536 bytes)" << "longestFirst"
        << "At these notes the kit's module takes 62,784 bytes, 2,752 less than the 65,536 asked for."
        << QStringList{"C-2", "A-3", "C-2"} << "u-law";
    QTest::newRow("64 KB from the list, under one ceiling")
        << "64 KB (65,536 bytes)" << "oneCeiling"
        << "At these notes the kit's module takes 63,342 bytes, 2,194 less than the 65,536 asked for."
        << QStringList{"D-2", "D-2", "C-2"} << "";
    QTest::newRow("a number typed in") << "70000" << "longestFirst"
                                       << "At these notes the kit's module takes 68,926 bytes, 1,074 less than "
                                          "the 70,000 asked for."
                                       << QStringList{"D-2", "A-3", "C-2"} << "";
    QTest::newRow("too small") << "4K" << "longestFirst"
                               << "Even at C-1 the kit's module would take 29,508 bytes, 25,412 more than the "
                                  "4,096 asked for, so no note was changed."
                               << QStringList{"A-3", "A-3", "C-2"} << "";
    QTest::newRow("no size") << "64Q" << "longestFirst"
                             << "64Q is no size a module can take: give a number of bytes, at least 2,108, or "
                                "one with K or M (64K, 512K, 1M)"
                             << QStringList{"A-3", "A-3", "C-2"} << "";
}

void TestKit::fitsTheKitFromTheMenu()
{
    QFETCH(QString, typed);
    QFETCH(QString, rule);
    QFETCH(QString, said);
    QFETCH(QStringList, notes);
    QFETCH(QString, encoding);
    // A long recording and a short hit at A-3, and a short one at C-2.
    QVERIFY(makeWav(m_dir.filePath("long.wav"), {"-r", "22050", "-c", "1", "-b", "16"}, {"synth", "6.01", "sine", "300"}));
    QVERIFY(makeWav(m_dir.filePath("short.wav"),
                    QStringList{"-r", "22050", "-c", "1"} + (encoding.isEmpty() ? QStringList{"-b", "16"} : QStringList{"-e", encoding}),
                    {"synth", "0.3", "sine", "300"}));
    MainWindow window;
    auto *list = window.findChild<QComboBox *>("sampleCombo");
    window.loadFiles({m_dir.filePath("long.wav"), m_dir.filePath("short.wav"), m_dir.filePath("short.wav")});
    const auto notesNow = [list] {
        QStringList now;
        for (const Sample &sample : allSamples(list))
            now << sample.note;
        return now;
    };
    for (int i = 0; i < 2; ++i) {
        Sample sample = allSamples(list).at(i);
        sample.note = "A-3";
        sample.ready = i == 0;
        storeSample(list, i, sample);
        relabelSample(list, i, sample);
    }
    list->setCurrentIndex(1);
    list->setCurrentIndex(0);
    const QStringList before = notesNow();

    const auto ask = [](ModalDriver &driver, const QString &size, const QString &how, QStringList *offered = nullptr) {
        driver.then([=](QWidget *dialog) {
            auto *sizes = dialog->findChild<QComboBox *>("budgetSize");
            QVERIFY(sizes);
            if (offered)
                *offered << sizes->currentText() << (dialog->findChild<QRadioButton *>("longestFirst")->isChecked()
                                                         ? "longestFirst" : "oneCeiling");
            if (!size.isEmpty()) {
                sizes->setCurrentText(size);
                dialog->findChild<QRadioButton *>(how)->click();
            }
            static_cast<QDialog *>(dialog)->accept();
        });
    };
    ModalDriver driver;
    QStringList offered;
    ask(driver, typed, rule, &offered);
    driver.press(QMessageBox::Ok);
    useContextMenu(window.findChild<QWidget *>("centralwidget"), "Fit Kit into Size…");
    QCOMPARE(driver.pending(), 0);
    // It opens at 64 KB, longest first.
    QCOMPARE(offered, QStringList({"64 KB (65,536 bytes)", "longestFirst"}));
    QCOMPARE(driver.texts().value(0).section('\n', 0, 0), said);
    QCOMPARE(notesNow(), notes);
    // The ready mark stays; the form shows the new note.
    QCOMPARE(list->itemText(0), "long.wav | Ready");
    QVERIFY(allSamples(list).at(0).ready);
    QCOMPARE(window.findChild<QComboBox *>("FrequencyCombo")->currentText(), notes.at(0));
    if (notes == before)
        return;
    // One step takes every note back, and the form follows.
    auto *undo = window.findChild<QAction *>("actionUndo");
    QCOMPARE(undo->text(), "Undo Fit Kit into Size");
    undo->trigger();
    QCOMPARE(notesNow(), before);
    QCOMPARE(window.findChild<QComboBox *>("FrequencyCombo")->currentText(), "A-3");
    // Asked again, it opens at the size and the rule asked for last.
    offered.clear();
    ask(driver, QString(), QString(), &offered);
    driver.press(QMessageBox::Ok);
    useContextMenu(window.findChild<QWidget *>("centralwidget"), "Fit Kit into Size…");
    QCOMPARE(offered, QStringList({typed, rule}));
    QCOMPARE(notesNow(), notes);
}

QTEST_MAIN(TestKit)
#include "tst_kit.moc"
