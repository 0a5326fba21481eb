#include "export.h"
#include "programrun.h"
#include "testsupport.h"

#include <QDir>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

// brindlebox --export and --module, run as a user runs it from a terminal or
// a script: what it writes and says, and the command lines it refuses.

class TestCommandLine : public QObject, private CommandLineSources
{
    Q_OBJECT

private slots:
    void initTestCase() { makeSources(); }
    void exportsWithoutADisplay();
    void reportsWhatIsNotWritten();
    void usageErrors_data();
    void usageErrors();
    void convertsSeveralAtOnceAndPublishesInOrder();
    void kitLeavesOutWhatAModuleCannotHold();
    void wrongCommandLinesNeedNoDisplay_data();
    void wrongCommandLinesNeedNoDisplay();
};

void TestCommandLine::exportsWithoutADisplay()
{
    QTemporaryDir out;
    QProcessEnvironment environment = withoutDisplay();
    environment.insert("QT_LOGGING_RULES", "default.debug=true");
    const Run run = brindlebox({"--export", out.path(), "--note", "A-3", "--no-normalise", "--high-cut", "9000",
                                source("kick.wav"), source("snare.wav")},
                               environment);
    QCOMPARE(run.status, 0);
    QVERIFY(!run.bySignal);
    QCOMPARE(run.said.filter(QRegularExpression("^" + QRegularExpression::escape(out.path()))),
             QStringList({out.filePath("kick.8svx"), out.filePath("snare.8svx")}));

    // Every file at the note's rate, and the options in every argument list.
    for (const QString file : {"kick.8svx", "snare.8svx"}) {
        QProcess sox;
        sox.start("sox", {"--i", "-r", out.filePath(file)});
        QVERIFY(sox.waitForFinished());
        QCOMPARE(sox.readAllStandardOutput().trimmed(), "27928");
        QVERIFY(read8svx(out.filePath(file)).problem.isEmpty());
    }
    const QStringList argumentLists = run.said.filter("\"dither\", \"-S\"");
    QCOMPARE(argumentLists.size(), 2);
    for (const QString &arguments : argumentLists) {
        QVERIFY2(arguments.contains("\"lowpass\", \"-1\", \"9000\", \"rate\", \"27928\""), qPrintable(arguments));
        QVERIFY2(!arguments.contains("\"norm\""), qPrintable(arguments));
    }
}

void TestCommandLine::reportsWhatIsNotWritten()
{
    QTemporaryDir out;
    QFile taken(out.filePath("snare.8svx"));
    QVERIFY(taken.open(QIODevice::WriteOnly) && taken.write("mine") == 4);
    taken.close();
    const Run run = brindlebox({"--export", out.path(), source("kick.wav"), source("snare.wav")});
    QCOMPARE(run.status, 1);
    // What is written, then the window's report; no debug log by default.
    QCOMPARE(run.said, QStringList({out.filePath("kick.8svx"), "1 of 2 samples were not written:",
                                    "snare.wav: a file named snare.8svx is already in the folder"}));
    QVERIFY(taken.open(QIODevice::ReadOnly));
    QCOMPARE(taken.readAll(), "mine");
}

void TestCommandLine::usageErrors_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown note") << QStringList{"--note", "H-2"}
                                  << "there is no note 'H-2'; the notes are C-1, C#1, D-1, D#1, E-1, F-1, F#1, G-1, "
                                     "G#1, A-1, A#1, B-1, C-2, C#2, D-2, D#2, E-2, F-2, F#2, G-2, G#2, A-2, A#2, B-2, "
                                     "C-3, C#3, D-3, D#3, E-3, F-3, F#3, G-3, G#3, A-3";
    QTest::newRow("note in lower case") << QStringList{"--note", "c-2"}
                                        << "there is no note 'c-2'; the notes are C-1, C#1, D-1, D#1, E-1, F-1, "
                                           "F#1, G-1, G#1, A-1, A#1, B-1, C-2, C#2, D-2, D#2, E-2, F-2, F#2, G-2, "
                                           "G#2, A-2, A#2, B-2, C-3, C#3, D-3, D#3, E-3, F-3, F#3, G-3, G#3, A-3";
    QTest::newRow("low cut below 20 Hz") << QStringList{"--low-cut", "19"}
                                         << "--low-cut takes a frequency from 20 to 20000 Hz, not '19'";
    QTest::newRow("high cut above 20 kHz") << QStringList{"--high-cut", "20001"}
                                           << "--high-cut takes a frequency from 20 to 20000 Hz, not '20001'";
    QTest::newRow("high cut in kHz") << QStringList{"--high-cut", "9k"}
                                     << "--high-cut takes a frequency from 20 to 20000 Hz, not '9k'";
    QTest::newRow("no jobs") << QStringList{"--jobs", "0"} << "--jobs takes a number of files from 1 up, not '0'";
    QTest::newRow("no crossfade") << QStringList{"--crossfade", "0"}
                                  << "--crossfade takes the fade's length in milliseconds, more than 0, not '0'";
    QTest::newRow("a negative crossfade") << QStringList{"--crossfade", "-5"}
                                          << "--crossfade takes the fade's length in milliseconds, more than 0, not '-5'";
    QTest::newRow("a crossfade that is no number") << QStringList{"--crossfade", "20ms"}
                                                   << "--crossfade takes the fade's length in milliseconds, more than 0, not '20ms'";
    QTest::newRow("unknown option") << QStringList{"--normalize"} << "Unknown option 'normalize'.";
    QTest::newRow("a ceiling without a size") << QStringList{"--ceiling"} << "--ceiling goes with --module-size";
    QTest::newRow("no files") << QStringList{"--no-files"} << "no sound files to export were named";
    const QString budget = "--module-size takes the most bytes the module may take, at least 2,108 (what a module "
                           "without samples takes), as bytes or with K or M (64K, 512K, 1M), not '%2'";
    QTest::newRow("no budget at all") << QStringList{"--module", "%1/kit.mod", "--module-size", "0"}
                                      << QString(budget).replace("%2", "0");
    QTest::newRow("a budget below an empty module's") << QStringList{"--module", "%1/kit.mod", "--module-size", "2107"}
                                                      << QString(budget).replace("%2", "2107");
    QTest::newRow("an enormous budget") << QStringList{"--module", "%1/kit.mod", "--module-size", "99999999999999999999"}
                                        << "--module-size 99999999999999999999 is too large a number of bytes";
    const QString trim = "--trim-silence takes a number of dB below full scale, from 1 to 96, not '%2'";
    QTest::newRow("silence above full scale") << QStringList{"--trim-silence=-48"} << QString(trim).replace("%2", "-48");
    QTest::newRow("silence at full scale") << QStringList{"--trim-silence=0"} << QString(trim).replace("%2", "0");
    QTest::newRow("no folder") << QStringList{"--no-folder"} << "there is no folder %1/nowhere to export into";
}

void TestCommandLine::usageErrors()
{
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    QTemporaryDir out;
    QStringList arguments{"--export", out.path()};
    if (options == QStringList{"--no-folder"})
        arguments = QStringList{"--export", out.filePath("nowhere")};
    else if (options != QStringList{"--no-files"})
        arguments += QStringList(options).replaceInStrings("%1", out.path());
    if (options != QStringList{"--no-files"})
        arguments << source("kick.wav");
    const Run run = brindlebox(arguments);
    QCOMPARE(run.status, 2);
    QCOMPARE(run.said, QStringList({"brindlebox: " + QString(message).replace("%1", out.path()),
                                    "Try 'brindlebox --help'."}));
    QCOMPARE(QDir(out.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

void TestCommandLine::convertsSeveralAtOnceAndPublishesInOrder()
{
    // The first samples take the longest, so they end in the reverse of
    // list order.
    const QString runs = m_sources->filePath("runs");
    QFile::remove(runs);
    FakeSox slow(QStringLiteral("echo \"+ $3\" >> '%1'\n"
                                "case \"$3\" in *a.wav) sleep 0.9;; *b.wav) sleep 0.6;; *c.wav) sleep 0.3;; esac\n"
                                "echo \"- $3\" >> '%1'\n"
                                "exec '%2' \"$@\"")
                     .arg(runs, QStandardPaths::findExecutable("sox")));
    QTemporaryDir out;
    QProcessEnvironment environment = withoutDisplay();
    environment.insert("QT_LOGGING_RULES", "default.debug=true");
    const QStringList names{"a", "b", "c", "d", "e", "f"};
    QStringList arguments{"--export", out.path(), "--jobs", "3"};
    for (const QString &name : names)
        arguments << source(name + ".wav");
    const Run run = brindlebox(arguments, environment);
    QCOMPARE(run.status, 0);

    QFile log(runs);
    QVERIFY(log.open(QIODevice::ReadOnly));
    int running = 0;
    int most = 0;
    QStringList ended;
    for (const QByteArray &line : log.readAll().split('\n')) {
        if (line.startsWith('+'))
            most = qMax(most, ++running);
        else if (line.startsWith('-'))
            --running, ended << QFileInfo(QString::fromLocal8Bit(line.mid(2))).baseName();
    }
    QCOMPARE(most, 3);
    QCOMPARE(ended.filter(QRegularExpression("^[abc]$")), QStringList({"c", "b", "a"}));

    // Written, and logged sample by sample (argument list, then where it
    // went), in list order all the same.
    QStringList written, logged;
    for (const QString &line : run.said) {
        for (const QString &name : names) {
            if (line == out.filePath(name + ".8svx"))
                written << name;
            else if (line.contains(source(name + ".wav")) || line.contains(out.filePath(name + ".8svx")))
                logged << name;
        }
    }
    QCOMPARE(written, names);
    QStringList pairs;
    for (const QString &name : names)
        pairs << name << name;
    QCOMPARE(logged, pairs);
}

void TestCommandLine::kitLeavesOutWhatAModuleCannotHold()
{
    // 33 samples: the second is missing, the third too long for a module,
    // and the last past the 31 it holds.
    QTemporaryDir out;
    QVERIFY(makeWav(out.filePath("long.wav"), {"-r", "44100", "-c", "1"}, {"synth", "6", "sine", "440"}));
    QStringList arguments{"--module", out.filePath("kit.mod"), "--note", "A-3", source("kick.wav"),
                          source("missing.wav"), out.filePath("long.wav")};
    for (int i = 0; i < 30; ++i)
        arguments << source("a.wav");
    const Run run = brindlebox(arguments);
    QCOMPARE(run.status, 1);
    // The module's size, as it is written, against an Amiga's memory.
    QFile module(out.filePath("kit.mod"));
    QVERIFY(module.open(QIODevice::ReadOnly));
    const QLocale english(QLocale::English);
    QCOMPARE(run.said.mid(0, 8),
             QStringList({out.filePath("kit.mod"), "2 of 33 samples are not in kit.mod:",
                          "missing.wav: sox FAIL formats: can't open input file `" + source("missing.wav")
                              + "': No such file or directory",
                          "a.wav: a module holds at most 31 samples", "Cut to fit kit.mod:",
                          "long.wav: 167,570 bytes of sound, cut to the first 131,070",
                          QStringLiteral("kit.mod: %1 bytes, %2 less than the 524,288 bytes of an Amiga 500's chip memory")
                              .arg(english.toString(module.size()), english.toString(524288 - module.size())),
                          "Too long for a tracker to play whole:"}));
    QVERIFY(run.said.value(8).endsWith("at E-2 or lower it fits."));
    const QByteArray written = module.readAll();
    QCOMPARE(written.mid(20 + 30 + 22, 2), "\xff\xff"); // long.wav follows kick.wav: 65,535 words
    module.close();

    // An existing file is never replaced from the command line.
    const Run again = brindlebox(arguments);
    QCOMPARE(again.status, 1);
    QCOMPARE(again.said, QStringList{"kit.mod was not written: a file named kit.mod is already in the folder"});
    QVERIFY(module.open(QIODevice::ReadOnly));
    QCOMPARE(module.readAll(), written);
}

void TestCommandLine::wrongCommandLinesNeedNoDisplay_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("a typo") << QStringList{"--modul", "kit.mod", "%k"} << 2 << "brindlebox: Unknown option 'modul'.";
    QTest::newRow("no such note") << QStringList{"--note", "Z-9", "%k"} << 2
                                  << "brindlebox: there is no note 'Z-9'; the notes";
    QTest::newRow("a folder with no sound file") << QStringList{"--export", "%1", "%1"} << 2
                                                 << "brindlebox: there are no sound files in %1";
    QTest::newRow("the window") << QStringList{"%k"} << 1 << "brindlebox: there is no display to open the window on";
}

void TestCommandLine::wrongCommandLinesNeedNoDisplay()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    QTemporaryDir empty;
    const Run run = brindlebox(arguments.replaceInStrings("%1", empty.path()).replaceInStrings("%k", source("kick.wav")));
    QCOMPARE(run.bySignal, false);
    QCOMPARE(run.status, status);
    QVERIFY2(run.said.value(0).startsWith(said.replace("%1", empty.path())), qPrintable(run.said.join('\n')));
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
