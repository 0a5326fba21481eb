#include "budget.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "notetable.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QProcess>
#include <QRadioButton>
#include <QTest>

// The kit's module fitted into a size by lowering notes: from the command
// line (--module-size, --ceiling) and from the menu (Fit Kit into Size…).

class TestKitSize : public QObject
{
    Q_OBJECT

private slots:
    void fitsTheModuleIntoASize_data();
    void fitsTheModuleIntoASize();
    void fitsTheKitFromTheMenu_data();
    void fitsTheKitFromTheMenu();

private:
    QTemporaryDir m_dir;
};

void TestKitSize::fitsTheModuleIntoASize_data()
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

void TestKitSize::fitsTheModuleIntoASize()
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

void TestKitSize::fitsTheKitFromTheMenu_data()
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

void TestKitSize::fitsTheKitFromTheMenu()
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

QTEST_MAIN(TestKitSize)
#include "tst_kitsize.moc"
