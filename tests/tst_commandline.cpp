#include "export.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"

#include <QDir>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/prctl.h>

// brindlebox --export, run as a user runs it from a terminal or a script,
// and how the program ends on the signals that ask it to, in a window too.

namespace {

/// The program's environment without a display, and without a logging rule
/// of the test's own.
QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LOGGING_RULES"})
        environment.remove(name);
    return environment;
}

struct Run
{
    int status = -1; // the exit status, or the signal that ended it
    bool bySignal = false;
    QStringList said; // standard error, line by line
};

Run brindlebox(const QStringList &arguments, const QProcessEnvironment &environment = withoutDisplay())
{
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(BRINDLEBOX_PROGRAM), arguments);
    Run run;
    if (!program.waitForFinished(60000))
        return run;
    run.bySignal = program.exitStatus() == QProcess::CrashExit;
    run.status = program.exitCode();
    run.said = QString::fromLocal8Bit(program.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    return run;
}

/// Which way the program is running when a signal comes.
enum class Doing { CommandLine, CommandLineUnderNohup, WindowExporting, WindowPreviewing, WindowPlaying, WindowIdle };

const char *childVariable = "BRINDLEBOX_TEST_WINDOW_CHILD";

} // namespace

Q_DECLARE_METATYPE(Doing)

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void exportsWithoutADisplay();
    void reportsWhatIsNotWritten();
    void usageErrors_data();
    void usageErrors();
    void convertsSeveralAtOnceAndPublishesInOrder();
    void kitLeavesOutWhatAModuleCannotHold();
    void packsKeepTheirOrderAndTree();
    void packsOfEverySoundFile();
    void packsAndKitsAsTyped_data();
    void packsAndKitsAsTyped();
    void wrongCommandLinesNeedNoDisplay_data();
    void wrongCommandLinesNeedNoDisplay();
    void signalsEndItCleanly_data();
    void signalsEndItCleanly();
    void windowChild();

private:
    QString source(const QString &name) const { return m_sources->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_sources;
};

void TestCommandLine::initTestCase()
{
    // A window of a child process leaves nothing of the test behind.
    if (qEnvironmentVariableIsSet(childVariable))
        return;
    m_sources = std::make_unique<QTemporaryDir>();
    QVERIFY(m_sources->isValid());
    QVERIFY(makeWav(source("kick.wav")));
    QVERIFY(makeWav(source("snare.wav"), {"-r", "22050", "-c", "1", "-b", "16"}, {"synth", "2", "noise"}));
    for (const QString name : {"a", "b", "c", "d", "e", "f"})
        QVERIFY(makeWav(source(name + ".wav"), {"-r", "8000", "-c", "1"}, {"synth", "0.2", "sine", "300"}));
}

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

void TestCommandLine::packsKeepTheirOrderAndTree()
{
    QTemporaryDir work;
    const QDir pack(work.filePath("pack"));
    for (const QString folder : {"pack/Kicks", "pack/B", "pack/.cache", "pack/Snares/Rim", "out"})
        QVERIFY(QDir(work.path()).mkpath(folder));
    for (const QString file : {"a.wav", "B/b.wav", "c.WAV", "Kicks/kick 10.wav", "Kicks/kick 2.wav", "Kicks/Kick 3.wav",
                               ".hidden.wav", ".cache/x.wav", "Snares/Rim/rim.wav", "notes.txt", "../elsewhere.wav"})
        QVERIFY(QFile::copy(source("a.wav"), pack.filePath(file)));
    QVERIFY(QFile::link("../elsewhere.wav", pack.filePath("link.wav")));
    QVERIFY(QFile::link(".", pack.filePath("loop"))); // never followed
    QVERIFY(QFile::setPermissions(pack.filePath("Snares/Rim"), {}));

    QProcess program;
    program.setProcessEnvironment(withoutDisplay());
    // Root reads any folder; without these two capabilities it reads as a
    // user does.
    program.setChildProcessModifier([] {
        ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE);
        ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH);
    });
    program.start(BRINDLEBOX_PROGRAM, {"--export", work.filePath("out"), pack.path(), source("kick.wav")});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitCode(), 1);
    const QString out = work.filePath("out/");
    QCOMPARE(QString::fromLocal8Bit(program.readAllStandardError()).split('\n', Qt::SkipEmptyParts),
             QStringList({out + "a.8svx", out + "B/b.8svx", out + "c.8svx", out + "Kicks/kick 2.8svx",
                          out + "Kicks/Kick 3.8svx", out + "Kicks/kick 10.8svx", out + "link.8svx", out + "kick.8svx",
                          "Folders that could not be read:", pack.filePath("Snares/Rim") + ": Permission denied",
                          "1 file in the folders is not a sound file, so it was left out"}));
}

void TestCommandLine::packsOfEverySoundFile()
{
    // A sample pack as sold today, a text file and a picture beside it.
    QTemporaryDir pack;
    const QStringList recordings{"BD_01.aiff", "hat.mp3", "Kick.FLAC", "pad.ogg", "snare.wav"};
    for (const QString &name : recordings)
        QVERIFY(makeWav(pack.filePath(name), {"-r", "44100", "-c", "2"}, {"synth", "0.2", "sine", "300"}));
    touchFiles(pack.path(), {"notes.txt", "cover.jpg"});
    QTemporaryDir out;
    const Run run = brindlebox({"--export", out.path(), "--note", "A-3", "--module", out.filePath("kit.mod"), pack.path()});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.said.mid(0, 6), QStringList({out.filePath("BD_01.8svx"), out.filePath("hat.8svx"), out.filePath("Kick.8svx"),
                                               out.filePath("pad.8svx"), out.filePath("snare.8svx"), out.filePath("kit.mod")}));
    QCOMPARE(run.said.constLast(), "2 files in the folders are not sound files, so they were left out");
    // Each at the note's rate, named without its own extension, in its
    // file and its slot of the module alike.
    QFile module(out.filePath("kit.mod"));
    QVERIFY(module.open(QIODevice::ReadOnly));
    const QByteArray headers = module.read(20 + 30 * 5).mid(20);
    for (int i = 0; i < recordings.size(); ++i) {
        const QByteArray name = recordings.at(i).section('.', 0, 0).toLatin1();
        const SvxFile svx = read8svx(out.filePath(name + ".8svx"));
        QVERIFY2(svx.problem.isEmpty(), qPrintable(svx.problem));
        QCOMPARE(svx.samplesPerSec, 27928);
        QCOMPARE(svx.name, name);
        QCOMPARE(headers.mid(30 * i, 22), name.leftJustified(22, '\0'));
    }
}

void TestCommandLine::packsAndKitsAsTyped_data()
{
    // Paths are typed relative to the work folder; "%80" in a file's path
    // is the byte 0x80, which is not UTF-8. A recording lasts 0.2 s, or as
    // many seconds as "=N" says; "=file" makes a plain file instead, and
    // "=link:X" a link to X.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("fileLimit"); // 0: as it is
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("said");
    QTest::addColumn<QStringList>("left"); // in the folder exported into
    const auto numbered = [](const QString &pattern, int count) {
        QStringList list;
        for (int i = 1; i <= count; ++i)
            list << pattern.arg(i);
        return list;
    };
    QTest::newRow("two packs side by side") << QStringList{"digits/1.wav", "digits/2.wav", "silence/1.wav"}
                                            << QStringList{"--export", "out", "digits", "silence"} << 0 << 0
                                            << QStringList{"out/digits/1.8svx", "out/digits/2.8svx", "out/silence/1.8svx"}
                                            << QStringList{"digits", "digits/1.8svx", "digits/2.8svx", "silence",
                                                           "silence/1.8svx"};
    QTest::newRow("two packs of one name") << QStringList{"a/digits/1.wav", "b/digits/1.wav", "b/digits/2.wav"}
                                           << QStringList{"--export", "out", "a/digits", "b/digits"} << 0 << 1
                                           << QStringList{"out/digits/1.8svx", "out/digits/2.8svx",
                                                          "1 of 3 samples were not written:",
                                                          "b/digits/1.wav: another sample with the same name was already written"}
                                           << QStringList{"digits", "digits/1.8svx", "digits/2.8svx"};
    QTest::newRow("a WAV and a FLAC file of one name") << QStringList{"pack/kick.wav", "pack/kick.flac=0.2"}
                                                     << QStringList{"--export", "out", "pack"} << 0 << 1
                                                     << QStringList{"out/kick.8svx", "1 of 2 samples were not written:",
                                                                    "pack/kick.wav: another sample with the same name was "
                                                                    "already written"}
                                                     << QStringList{"kick.8svx"};
    QTest::newRow("a pack named through a link, nested")
        << QStringList{"pack/Snares/Side/side.wav", "pack/top.wav", "drums=link:pack"}
        << QStringList{"--export", "out", "drums"} << 0 << 0
        << QStringList{"out/Snares/Side/side.8svx", "out/top.8svx"}
        << QStringList{"Snares", "Snares/Side", "Snares/Side/side.8svx", "top.8svx"};
    QTest::newRow("a name that is not UTF-8 beside the one it reads as")
        << QStringList{"pack/%80/kick.wav", "pack/%80/only.wav", "pack/\uFFFD/kick.wav"}
        << QStringList{"--export", "out", "pack"} << 0 << 1
        << QStringList{"out/\uFFFD/kick.8svx", "2 of 3 samples were not written:",
                       "\uFFFD/kick.wav: the name of its folder \uFFFD is not valid UTF-8; rename the folder",
                       "\uFFFD/only.wav: the name of its folder \uFFFD is not valid UTF-8; rename the folder"}
        << QStringList{"\uFFFD", "\uFFFD/kick.8svx"};
    QTest::newRow("fitted, a name that is not UTF-8 beside a long one it reads as")
        << QStringList{"pack/%80/kick.wav", "pack/\uFFFD/kick.wav=4.5"}
        << QStringList{"--export", "out", "--fit", "--note", "C-3", "pack"} << 0 << 1
        << QStringList{"out/\uFFFD/kick.8svx at A-2", "1 of 2 samples were not written:",
                       "\uFFFD/kick.wav: the name of its folder \uFFFD is not valid UTF-8; rename the folder",
                       "Made at a lower note for a tracker to play whole:", "\uFFFD/kick.wav: C-3 → A-2"}
        << QStringList{"\uFFFD", "\uFFFD/kick.8svx"};
    QTest::newRow("a file where a folder goes") << QStringList{"pack/Kicks/kick.wav", "out/Kicks=file"}
                                                << QStringList{"--export", "out", "pack"} << 0 << 1
                                                << QStringList{"1 of 1 samples were not written:",
                                                               "Kicks/kick.wav: something named Kicks is in the way of its folder"}
                                                << QStringList{"Kicks"};
    const QString deep = QStringLiteral("a/").repeated(200);
    QTest::newRow("a path too long") << QStringList{"pack/" + deep + "deep.wav"}
                                     << QStringList{"--export", "out/" + QString(250, 'x').append('/').repeated(15), "pack"}
                                     << 0 << 1
                                     << QStringList{"1 of 1 samples were not written:",
                                                    deep + "deep.wav: its path is too long: *"}
                                     << QStringList();
    QTest::newRow("more jobs than open files allow") << numbered("many/%1.wav", 30)
                                                     << QStringList{"--export", "out", "--jobs", "1024", "many"} << 48 << 0
                                                     << numbered("out/%1.8svx", 30) << numbered("%1.8svx", 30);
    QTest::newRow("the lowest values") << QStringList{"one.wav"}
                                       << QStringList{"--export", "out", "--jobs", "1", "--low-cut", "20", "--high-cut",
                                                      "20", "one.wav"}
                                       << 0 << 0 << QStringList{"out/one.8svx"} << QStringList{"one.8svx"};
    QTest::newRow("a folder and a module, a 32nd sample") << numbered("kit/%1.wav", 32)
                                                         << QStringList{"--export", "out", "--module", "out/kit.mod", "kit"}
                                                         << 0 << 1
                                                         << numbered("out/%1.8svx", 32)
            + QStringList{"out/kit.mod", "1 of 32 samples are not in kit.mod:", "32.wav: a module holds at most 31 samples",
                          "kit.mod: *"}
                                                         << numbered("%1.8svx", 32) + QStringList{"kit.mod"};
    QTest::newRow("fitted to a tracker, one at no note")
        << QStringList{"pad.wav=4.5", "drone.wav=17", "one.wav"}
        << QStringList{"--export", "out", "--fit", "--note", "C-3", "pad.wav", "drone.wav", "one.wav"} << 0 << 0
        << QStringList{"out/pad.8svx at A-2", "out/drone.8svx at C-1", "out/one.8svx",
                       "Made at a lower note for a tracker to play whole:", "pad.wav: C-3 → A-2", "drone.wav: C-3 → C-1",
                       "Too long for a tracker to play whole:",
                       "drone.8svx: 70,450 bytes of sound; classic trackers play at most 65,534 bytes (131,070 in "
                       "newer ones); it is too long even at C-1, so only a shorter recording fits."}
        << QStringList{"pad.8svx", "drone.8svx", "one.8svx"};
    QTest::newRow("a module but no files") << QStringList() << QStringList{"--module", "out/kit.mod"} << 0 << 2
                                           << QStringList{"brindlebox: no sound files to export were named",
                                                          "Try 'brindlebox --help'."}
                                           << QStringList();
    QTest::newRow("a module without a name") << QStringList{"one.wav"} << QStringList{"--module", "", "one.wav"} << 0 << 2
                                             << QStringList{"brindlebox: the module's file name is empty",
                                                            "Try 'brindlebox --help'."}
                                             << QStringList();
}

void TestCommandLine::packsAndKitsAsTyped()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, arguments);
    QFETCH(int, fileLimit);
    QFETCH(int, status);
    QFETCH(QStringList, said);
    QFETCH(QStringList, left);
    QTemporaryDir work;
    const QByteArray top = QFile::encodeName(work.path()) + '/';
    QFile recording(source("a.wav"));
    QVERIFY(recording.open(QIODevice::ReadOnly));
    const QByteArray sound = recording.readAll();
    const qsizetype exportOption = arguments.indexOf("--export");
    const QString exportTo = exportOption >= 0 ? arguments.value(exportOption + 1) : QStringLiteral("out");
    for (const QString &file : files + QStringList{exportTo + '/'}) {
        const QByteArray path = top + file.section('=', 0, 0).toUtf8().replace("%80", "\x80");
        for (qsizetype slash = path.indexOf('/', top.size()); slash > 0; slash = path.indexOf('/', slash + 1))
            ::mkdir(path.left(slash).constData(), 0777);
        if (file.section('=', 1).startsWith("link:"))
            QCOMPARE(::symlink(file.section(':', 1).toUtf8().constData(), path.constData()), 0);
        else if (const double seconds = file.section('=', 1).toDouble(); seconds > 0)
            QVERIFY(makeWav(QFile::decodeName(path), {"-r", "8000", "-c", "1"}, {"synth", QString::number(seconds), "sine", "300"}));
        else if (!file.endsWith('/')) {
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL, 0666);
            QVERIFY(fd >= 0 && ::write(fd, sound.constData(), file.endsWith("=file") ? 0 : sound.size()) >= 0);
            ::close(fd);
        }
    }

    QProcess program;
    program.setProcessEnvironment(withoutDisplay());
    program.setWorkingDirectory(work.path());
    if (fileLimit > 0) {
        program.setChildProcessModifier([fileLimit] {
            const rlimit limit{rlim_t(fileLimit), rlim_t(fileLimit)};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        });
    }
    program.start(BRINDLEBOX_PROGRAM, arguments);
    QVERIFY(program.waitForFinished(60000));
    const QStringList lines = QString::fromLocal8Bit(program.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), said.size());
    for (int i = 0; i < said.size(); ++i) {
        if (said[i].endsWith('*'))
            QVERIFY2(lines[i].startsWith(said[i].chopped(1)), qPrintable(lines[i]));
        else
            QCOMPARE(lines[i], said[i]);
    }
    QCOMPARE(program.exitCode(), status);
    // What the export left in its folder: no folder made for nothing.
    left.sort();
    QCOMPARE(entriesUnder(work.filePath(exportTo), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), left);
    // Qt cannot name the byte 0x80 to remove it: rm takes the names as they are.
    QCOMPARE(QProcess::execute("rm", {"-rf", "--", work.path()}), 0);
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

void TestCommandLine::signalsEndItCleanly_data()
{
    QTest::addColumn<Doing>("doing");
    QTest::addColumn<int>("signal");
    QTest::newRow("command line, SIGTERM") << Doing::CommandLine << SIGTERM;
    QTest::newRow("command line, Ctrl+C") << Doing::CommandLine << SIGINT;
    QTest::newRow("command line, SIGHUP") << Doing::CommandLine << SIGHUP;
    QTest::newRow("command line, killed outright") << Doing::CommandLine << SIGKILL;
    QTest::newRow("command line under nohup, SIGHUP then SIGTERM") << Doing::CommandLineUnderNohup << SIGTERM;
    QTest::newRow("window exporting, SIGTERM") << Doing::WindowExporting << SIGTERM;
    QTest::newRow("window previewing, Ctrl+C") << Doing::WindowPreviewing << SIGINT;
    QTest::newRow("window playing a preview, SIGTERM") << Doing::WindowPlaying << SIGTERM;
    QTest::newRow("window idle, SIGHUP") << Doing::WindowIdle << SIGHUP;
}

void TestCommandLine::signalsEndItCleanly()
{
    QFETCH(Doing, doing);
    QFETCH(int, signal);
    QTemporaryDir work;
    for (const QString folder : {"tmp", "out", "runtime"})
        QVERIFY(QDir(work.path()).mkdir(folder));
    QVERIFY(QFile::setPermissions(work.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString pids = work.filePath("sox.pids");
    const QString ready = work.filePath("ready");
    FakeSox hanging(hangingSox(pids, "slow"));
    for (const QString name : {"slow1.wav", "slow2.wav"})
        QVERIFY(QFile::copy(source("kick.wav"), work.filePath(name)));
    const QStringList sources{source("kick.wav"), work.filePath("slow1.wav"), work.filePath("slow2.wav")};

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", work.filePath("tmp"));
    // Not in TMPDIR, where Qt would put it without.
    environment.insert("XDG_RUNTIME_DIR", work.filePath("runtime"));
    const bool commandLine = doing == Doing::CommandLine || doing == Doing::CommandLineUnderNohup;
    const bool windowWaits = doing == Doing::WindowIdle || doing == Doing::WindowPlaying;
    if (commandLine) {
        // As nohup starts it: SIGHUP ignored, which it must leave so.
        if (doing == Doing::CommandLineUnderNohup)
            program.setChildProcessModifier([] { ::signal(SIGHUP, SIG_IGN); });
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(BRINDLEBOX_PROGRAM),
                      QStringList{"--export", work.filePath("out"), "--jobs", "2"} + sources);
    } else {
        // This test program itself, running its window as a child does.
        environment.insert(childVariable, QString::number(int(doing)));
        environment.insert("BRINDLEBOX_TEST_SOURCES", sources.join('\n'));
        environment.insert("BRINDLEBOX_TEST_OUT", work.filePath("out"));
        environment.insert("BRINDLEBOX_TEST_READY", ready);
        program.setProcessEnvironment(environment);
        program.start(QCoreApplication::applicationFilePath(), {"windowChild"});
    }
    // Both slow conversions under way (or the window up, idle or playing),
    // and the quick one written before them.
    const int soxRunning = doing == Doing::WindowPreviewing ? 1 : 2;
    const auto underWay = [&] {
        if (windowWaits)
            return QFileInfo::exists(ready);
        QFile file(pids);
        return file.open(QIODevice::ReadOnly) && file.readAll().count('\n') == soxRunning;
    };
    QTRY_VERIFY_WITH_TIMEOUT(underWay(), 20000);
    if (doing == Doing::CommandLineUnderNohup) {
        QVERIFY(::kill(pid_t(program.processId()), SIGHUP) == 0);
        QVERIFY(!program.waitForFinished(500));
    }
    QVERIFY(::kill(pid_t(program.processId()), signal) == 0);
    QVERIFY(program.waitForFinished(10000));

    QCOMPARE(program.exitStatus(), QProcess::CrashExit);
    QCOMPARE(program.exitCode(), signal);
    if (signal == SIGKILL) {
        // Nothing of ours can run then, but sox dies with us all the same.
        QTRY_VERIFY_WITH_TIMEOUT(processEnded(pids), 5000);
        return;
    }
    if (!windowWaits)
        QVERIFY(processEnded(pids));
    QCOMPARE(QDir(work.filePath("tmp")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden | QDir::System),
             QStringList());
    const QStringList written = QDir(work.filePath("out")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    if (commandLine || doing == Doing::WindowExporting) {
        QCOMPARE(written, QStringList{"kick.8svx"});
        QVERIFY(read8svx(work.filePath("out/kick.8svx")).problem.isEmpty());
    } else {
        QCOMPARE(written, QStringList());
    }
}

void TestCommandLine::windowChild()
{
    const QByteArray doing = qgetenv(childVariable);
    if (doing.isEmpty())
        QSKIP("the window that signalsEndItCleanly starts in a child process");
    MainWindow window;
    window.show();
    ModalDriver driver;
    driver.press(QMessageBox::Yes); // not all samples are ready
    const QStringList sources = qEnvironmentVariable("BRINDLEBOX_TEST_SOURCES").split('\n');
    switch (Doing(doing.toInt())) {
    case Doing::WindowExporting:
        window.loadFiles(sources);
        exportJobs = 2;
        outputDirectory = qEnvironmentVariable("BRINDLEBOX_TEST_OUT");
        window.findChild<QPushButton *>("ExportButton")->click();
        break;
    case Doing::WindowPreviewing:
        window.loadFiles(sources.mid(1, 1));
        window.findChild<QPushButton *>("previewButton")->click();
        break;
    default:
        window.loadFiles(sources.mid(0, 1));
        // Playing: the preview's file stays while its second of sound plays.
        if (Doing(doing.toInt()) == Doing::WindowPlaying) {
            window.findChild<QPushButton *>("previewButton")->click();
            if (QDir::temp().entryList({"brindlebox-*.wav"}).isEmpty())
                QFAIL("no preview plays");
        }
        QFile(qEnvironmentVariable("BRINDLEBOX_TEST_READY")).open(QIODevice::WriteOnly);
        QEventLoop().exec();
    }
    QFAIL("the window went on after the signal");
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
