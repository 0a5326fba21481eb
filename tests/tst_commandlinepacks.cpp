#include "programrun.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// Folders of recordings named on the command line, as sample packs come:
// their order and tree in what is written, every kind of sound file, and
// paths as a user types them (odd names, links, limits).

class TestCommandLinePacks : public QObject, private CommandLineSources
{
    Q_OBJECT

private slots:
    void initTestCase() { makeSources(); }
    void packsKeepTheirOrderAndTree();
    void packsOfEverySoundFile();
    void packsAndKitsAsTyped_data();
    void packsAndKitsAsTyped();
};

void TestCommandLinePacks::packsKeepTheirOrderAndTree()
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

void TestCommandLinePacks::packsOfEverySoundFile()
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

void TestCommandLinePacks::packsAndKitsAsTyped_data()
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

void TestCommandLinePacks::packsAndKitsAsTyped()
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

QTEST_MAIN(TestCommandLinePacks)
#include "tst_commandlinepacks.moc"
