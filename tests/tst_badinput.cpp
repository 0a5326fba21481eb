#include "export.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QThreadPool>


#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <fcntl.h>
#include <linux/capability.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/fsuid.h>
#include <sys/syscall.h>
#include <unistd.h>

// Every kind of bad input, run through the window as a user would: Load,
// Browse, Export, and the report read off the screen. Whatever the input,
// nothing the folder held before is changed or removed, nothing half-written
// is left in it, and each sample is either exported whole or named in the
// report.

namespace {

/// One file the user loads, below the row's own source folder.
struct Source
{
    enum Kind { Tone, NotWav, Empty, DeletedAfterLoading, CorruptFlac };
    QString path;
    Kind kind = Tone;
    QStringList format; // sox output options of a tone
    int seconds = 1;
};

const QStringList stereo16 = {"-c", "2", "-b", "16", "-r", "44100"};

Source tone(const QString &path, const QStringList &format = stereo16, int seconds = 1)
{
    return {path, Source::Tone, format, seconds};
}

Source broken(const QString &path, Source::Kind kind)
{
    return {path, kind, {}, 0};
}

/// What goes wrong besides the sources themselves.
enum class Trouble {
    None,
    ReadOnlyFolder,
    FolderRemovedAfterBrowse,
    FileSystemRoot,
    NoSox,
    HighCutAtZero,
};

/// While it lives, the program writes files as the user nobody: root would
/// write into any folder whatever its mode, and into / itself. Reading and
/// passing through folders stay allowed, so the program still reaches its
/// converted files; sox, a new process, runs with the test's own rights.
/// File rights are a thread's own and new threads inherit them, so the
/// thread pool that writes the exported files lets its threads go and
/// starts new ones from this thread.
class WritingAsNobody
{
public:
    WritingAsNobody()
    {
        syscall(SYS_capget, &m_header, m_saved);
        m_previous = setfsuid(nobody());
        // Leaving fsuid 0 drops the file capabilities: take them back, all but
        // the one that writes anywhere.
        __user_cap_data_struct reading[2] = {m_saved[0], m_saved[1]};
        reading[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        syscall(SYS_capset, &m_header, reading);
        QThreadPool::globalInstance()->waitForDone();
    }
    ~WritingAsNobody()
    {
        setfsuid(m_previous);
        syscall(SYS_capset, &m_header, m_saved);
        QThreadPool::globalInstance()->waitForDone();
    }
    static uid_t nobody()
    {
        const passwd *user = getpwnam("nobody");
        return user ? user->pw_uid : 65534;
    }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
    int m_previous = 0;
};

/// Opens a FIFO for writing every little while, so that a program waiting
/// to read it goes on, and a test that would hang there fails instead.
class FifoRelease
{
public:
    explicit FifoRelease(const QString &fifo)
        : m_thread([this, path = QFile::encodeName(fifo)] {
            std::unique_lock<std::mutex> lock(m_mutex);
            while (!m_done.wait_for(lock, std::chrono::seconds(10), [this] { return m_finished; })) {
                const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    released = true;
                    ::close(fd);
                }
            }
        })
    {
    }
    ~FifoRelease()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }
    std::atomic<bool> released = false;

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

const QDateTime longAgo = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);

} // namespace

Q_DECLARE_METATYPE(Source)
Q_DECLARE_METATYPE(Trouble)

class TestBadInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();
    void eachSampleExportedOrReported_data();
    void eachSampleExportedOrReported();
    void oddSourcesInOneBatch();

private:
    QTemporaryDir m_base;
    QTemporaryDir m_converted;
    std::unique_ptr<ScopedEnvironment> m_tmpdir;
    int m_ran = 0;
    int m_failed = 0;
    int m_skipped = 0;
};

void TestBadInput::initTestCase()
{
    QVERIFY(m_base.isValid() && m_converted.isValid());
    // Converted files are made while writing as nobody, too.
    QCOMPARE(::chmod(QFile::encodeName(m_converted.path()).constData(), 01777), 0);
    // sox's files go where each row can clear them away.
    m_tmpdir = std::make_unique<ScopedEnvironment>("TMPDIR", QFile::encodeName(m_converted.path()));
}

void TestBadInput::cleanup()
{
    outputDirectory.clear();
    for (const QString &name : QDir(m_converted.path()).entryList(QDir::Files))
        QFile::remove(m_converted.filePath(name));
    if (QTest::currentTestFunction() == QByteArray("eachSampleExportedOrReported")) {
        ++m_ran;
        m_failed += QTest::currentTestFailed();
    }
}

void TestBadInput::cleanupTestCase()
{
    QString summary = QStringLiteral("bad-input matrix: %1 cases ran, %2 passed, %3 failed")
                          .arg(m_ran)
                          .arg(m_ran - m_failed - m_skipped)
                          .arg(m_failed);
    if (m_skipped)
        summary += QStringLiteral(", %1 skipped").arg(m_skipped);
    std::printf("%s\n", qPrintable(summary));
    std::fflush(stdout);

    // ctest hides a passing test's output; the test command prints this file
    // once every test has run.
    if (const QString path = qEnvironmentVariable("BRINDLEBOX_MATRIX_SUMMARY"); !path.isEmpty()) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(summary.toUtf8() + '\n');
    }
}

void TestBadInput::eachSampleExportedOrReported_data()
{
    QTest::addColumn<QList<Source>>("sources");
    QTest::addColumn<Trouble>("trouble");
    QTest::addColumn<QStringList>("failing"); // the sources that cannot be exported

    const Source good = tone("good.wav");
    const auto row = [](const char *name, const QList<Source> &sources, Trouble trouble,
                        const QStringList &failing) {
        QTest::newRow(name) << sources << trouble << failing;
    };
    const auto format = [](const char *channels, const char *bits, const char *rate) {
        return QStringList{"-c", channels, "-b", bits, "-r", rate};
    };

    row("not WAV data", {broken("noise.wav", Source::NotWav), good}, Trouble::None, {"noise.wav"});
    row("empty file", {broken("empty.wav", Source::Empty), good}, Trouble::None, {"empty.wav"});
    row("deleted after loading", {broken("gone.wav", Source::DeletedAfterLoading), good},
        Trouble::None, {"gone.wav"});
    row("1 channel", {tone("mono.wav", format("1", "16", "44100"))}, Trouble::None, {});
    row("2 channels, 16-bit, 44.1 kHz", {tone("stereo.wav")}, Trouble::None, {});
    row("6 channels", {tone("six.wav", format("6", "16", "48000"))}, Trouble::None, {});
    row("8-bit", {tone("eight.wav", format("1", "8", "22050"))}, Trouble::None, {});
    row("24-bit", {tone("deep.wav", format("2", "24", "48000"))}, Trouble::None, {});
    row("32-bit float", {tone("float.wav", QStringList{"-e", "floating-point"} + format("2", "32", "44100"))},
        Trouble::None, {});
    row("8 kHz", {tone("low.wav", format("1", "16", "8000"))}, Trouble::None, {});
    row("22.05 kHz", {tone("mid.wav", format("2", "16", "22050"))}, Trouble::None, {});
    row("96 kHz", {tone("high.wav", format("2", "24", "96000"))}, Trouble::None, {});
    row("four minutes", {tone("long.wav", format("1", "16", "8000"), 240), good}, Trouble::None, {});
    row("spaces", {tone("my samples/kick drum.wav"), good}, Trouble::None, {});
    // Single quotes: the file dialog reads a typed double quote as the edge
    // of a file name, so no user can type one there.
    row("single quotes", {tone("Bob's/it's 'here'.wav"), good}, Trouble::None, {});
    row("leading dashes", {tone("-dir/--help.wav"), tone("-n.wav")}, Trouble::None, {});
    row("non-ASCII letters", {tone("Ångström/Grüße ドラム.wav"), good}, Trouble::None, {});
    row("two samples with the same name", {tone("a/kick.wav"), tone("b/kick.wav", stereo16, 2), good},
        Trouble::None, {"b/kick.wav"});
    row("name taken in the folder", {tone("keep.wav"), good}, Trouble::None, {"keep.wav"});
    row("read-only folder", {good, tone("other.wav")}, Trouble::ReadOnlyFolder,
        {"good.wav", "other.wav"});
    row("folder removed after Browse", {good, tone("other.wav")},
        Trouble::FolderRemovedAfterBrowse, {"good.wav", "other.wav"});
    row("file-system root", {good}, Trouble::FileSystemRoot, {"good.wav"});
    row("sox missing", {good, tone("other.wav")}, Trouble::NoSox, {"good.wav", "other.wav"});
    row("high cut at 0 Hz", {tone("cut.wav"), good}, Trouble::HighCutAtZero, {"cut.wav"});
    row("FLAC, AIFF, AIFF-C and Ogg Vorbis", {tone("flac.flac"), tone("aiff.aiff"), tone("aifc.aifc"), tone("ogg.ogg")},
        Trouble::None, {});
    row("an AIFF named .wav", {tone("aiff.wav", QStringList{"-t", "aiff"} + stereo16), good}, Trouble::None, {});
    // sox reads its header, then loses its sync and makes nothing, exiting 0.
    row("a FLAC file garbled after its header", {broken("garbled.flac", Source::CorruptFlac), good}, Trouble::None,
        {"garbled.flac"});
}

void TestBadInput::eachSampleExportedOrReported()
{
    QFETCH(QList<Source>, sources);
    QFETCH(Trouble, trouble);
    QFETCH(QStringList, failing);

    QTemporaryDir dir(m_base.filePath("row-XXXXXX"));
    QDir top(dir.path());
    QVERIFY(top.mkdir("src") && top.mkdir("out"));
    QStringList paths;
    for (const Source &source : sources) {
        const QString path = top.filePath("src/" + source.path);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        if (source.kind == Source::Tone || source.kind == Source::CorruptFlac) {
            QVERIFY2(makeWav(path, source.kind == Source::Tone ? source.format : stereo16,
                             {"synth", QString::number(qMax(source.seconds, 1)), "sine", "440"}),
                     qPrintable(path));
        }
        if (source.kind == Source::CorruptFlac) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QByteArray bytes = file.readAll();
            for (qsizetype i = 200; i < bytes.size() - 10; ++i)
                bytes[i] = char(quint8(bytes[i]) * 7 + 13);
            QVERIFY(file.seek(0) && file.write(bytes) == bytes.size());
        } else if (source.kind != Source::Tone) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (source.kind == Source::NotWav)
                file.write("These are my notes on the kick drum, not a sound.\n");
        }
        paths << path;
    }

    // What the folder held before: content and time, each set far back so
    // that any write would show.
    const QString out = trouble == Trouble::FileSystemRoot ? QStringLiteral("/") : top.filePath("out");
    struct Kept { QByteArray content; QDateTime modified; };
    QMap<QString, Kept> kept;
    if (trouble != Trouble::FileSystemRoot) {
        for (const auto &[name, content] : std::initializer_list<std::pair<QString, QByteArray>>{
                 {"keep.8svx", "not a sample, but mine"}, {"notes.txt", "tuning notes\n"}}) {
            QFile file(top.filePath("out/" + name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
            QVERIFY(file.flush());
            QVERIFY(file.setFileTime(longAgo, QFileDevice::FileModificationTime));
            kept.insert(name, {content, longAgo});
        }
    }

    MainWindow window;
    QVERIFY(loadSamples(window, paths));
    QCOMPARE(window.findChild<QComboBox *>("sampleCombo")->count(), sources.size());
    for (const Source &source : sources) {
        if (source.kind == Source::DeletedAfterLoading)
            QVERIFY(QFile::remove(top.filePath("src/" + source.path)));
    }
    if (trouble == Trouble::HighCutAtZero) {
        // The first sample is the current one.
        window.findChild<QCheckBox *>("highCutCheckbox")->click();
        drag(window.findChild<QSlider *>("highCutSlider"), 19980);
        QCOMPARE(currentSample(window.findChild<QComboBox *>("sampleCombo")).highCutFrequency, 0);
    }

    // The directory dialog drops a trailing separator from a typed path, so
    // only the root itself gives the export a folder ending in one.
    ModalDriver driver;
    driver.choose({out});
    window.findChild<QPushButton *>("browseButton")->click();
    QCOMPARE(window.findChild<QLabel *>("DirectoryName")->text(), out);

    if (trouble == Trouble::FolderRemovedAfterBrowse)
        QVERIFY(QDir(out).removeRecursively());
    if (trouble == Trouble::ReadOnlyFolder) {
        // The user's own folder, made read-only (chown fails, harmlessly, when
        // the test does not run as root: the folder is the user's already).
        [[maybe_unused]] int owned = ::chown(QFile::encodeName(out).constData(),
                                             WritingAsNobody::nobody(), gid_t(-1));
        QCOMPARE(::chmod(QFile::encodeName(out).constData(), 0555), 0);
    }
    std::optional<WritingAsNobody> asNobody;
    if (trouble == Trouble::ReadOnlyFolder || trouble == Trouble::FileSystemRoot)
        asNobody.emplace();
    if (trouble == Trouble::FileSystemRoot && ::faccessat(AT_FDCWD, "/", W_OK, AT_EACCESS) == 0) {
        ++m_skipped;
        QSKIP("/ can be written to here: the export would put samples into the real root");
    }
    std::optional<FakeSox> noSox;
    if (trouble == Trouble::NoSox)
        noSox.emplace();

    driver.press(QMessageBox::Yes); // not all samples are ready
    // Written samples longer than a tracker plays are noted in the report too.
    const bool tooLong = std::any_of(sources.cbegin(), sources.cend(), [&](const Source &source) {
        return source.seconds * 8287 > 65534 && !failing.contains(source.path);
    });
    if (!failing.isEmpty() || tooLong)
        driver.press(QMessageBox::Ok);
    window.findChild<QPushButton *>("ExportButton")->click();
    noSox.reset();
    asNobody.reset();
    if (trouble == Trouble::ReadOnlyFolder) // so that it can be cleared away
        QCOMPARE(::chmod(QFile::encodeName(out).constData(), 0755), 0);

    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(driver.pending(), 0);

    // The report names exactly the samples that are not in the folder.
    QStringList reported;
    const QStringList report = driver.texts().value(1).split(QStringLiteral("\n\n"));
    if (!failing.isEmpty()) {
        QVERIFY2(report[0].startsWith(QStringLiteral("%1 of %2 ").arg(failing.size()).arg(sources.size())),
                 qPrintable(report[0]));
        for (const QString &line : report.value(1).split('\n'))
            reported << QFileInfo(line.section(QStringLiteral(": "), 0, 0)).fileName();
    }
    QCOMPARE(report.constLast().startsWith("long.8svx: "), tooLong);
    QStringList expectedReported;
    QMap<QString, int> expectedFiles; // exported name -> seconds of sound
    for (const Source &source : sources) {
        const QString name = QFileInfo(source.path).fileName();
        if (failing.contains(source.path))
            expectedReported << name;
        else
            expectedFiles.insert(exportFileName(name), source.seconds);
    }
    reported.sort();
    expectedReported.sort();
    QCOMPARE(reported, expectedReported);

    // Whatever happened, nothing of ours is left in the temporary directory.
    QCOMPARE(QDir(m_converted.path()).entryList(QDir::Files), QStringList());
    if (trouble == Trouble::FolderRemovedAfterBrowse) {
        QVERIFY(!QFileInfo::exists(out)); // not made again
        return;
    }
    if (trouble == Trouble::FileSystemRoot) {
        for (const Source &source : sources)
            QVERIFY(!QFileInfo::exists(out + exportFileName(QFileInfo(source.path).fileName())));
        return;
    }

    // Nothing but what was there and the new samples; what was there is as it was.
    QStringList expectedEntries = kept.keys() + expectedFiles.keys();
    expectedEntries.sort();
    QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                 QDir::Name),
             expectedEntries);
    for (auto it = kept.cbegin(); it != kept.cend(); ++it) {
        QFile file(QDir(out).filePath(it.key()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), it->content);
        QCOMPARE(QFileInfo(file).lastModified().toUTC(), it->modified);
    }
    // Each new sample is a whole 8SVX file of its source's length, one byte a
    // sample at C-2.
    for (auto it = expectedFiles.cbegin(); it != expectedFiles.cend(); ++it) {
        const SvxFile svx = read8svx(QDir(out).filePath(it.key()));
        QVERIFY2(svx.problem.isEmpty(), qPrintable(it.key() + ": " + svx.problem));
        QVERIFY2(qAbs(svx.soundSize() - qint64(it.value()) * 8287) <= 2,
                 qPrintable(QStringLiteral("%1: %2 bytes").arg(it.key()).arg(svx.soundSize())));
    }
}

void TestBadInput::oddSourcesInOneBatch()
{
    // Whatever a folder can hold under a WAV file's name, loaded as the
    // command line loads it: the file dialog cannot name all of them.
    QTemporaryDir dir(m_base.filePath("odd-XXXXXX"));
    QDir top(dir.path());
    QVERIFY(top.mkdir("out") && top.mkdir("folder.wav"));
    const auto path = [&top](const QString &name) { return top.filePath(name); };
    for (const QString name : {"good.wav", "gone.wav", "replaced.wav", "linked.wav", "dirred.wav", "other.wav"})
        QVERIFY(makeWav(path(name)));
    QVERIFY(::mkfifo(QFile::encodeName(path("fifo.wav")).constData(), 0600) == 0);
    QVERIFY(QFile::link("/dev/zero", path("zero.wav")));
    QVERIFY(QFile::link(path("loop2.wav"), path("loop.wav")) && QFile::link(path("loop.wav"), path("loop2.wav")));
    touchFiles(dir.path(), {"empty.wav"});
    QFile notes(path("notes.wav"));
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("kick: tune down a fifth\n") > 0);
    notes.close();
    // A name in Latin-1, not UTF-8, and one that fits but whose 8SVX name
    // does not.
    const QByteArray latin1 = QFile::encodeName(dir.path()) + "/caf\xe9.wav";
    QVERIFY(makeWav(path("cafe.wav")) && ::rename(QFile::encodeName(path("cafe.wav")).constData(), latin1) == 0);
    const QString longName = QString(251, 'a');
    QVERIFY(makeWav(path(longName + ".wav")));
    // A million empty chunks ahead of the sound.
    QFile walk(path("walk.wav"));
    QVERIFY(walk.open(QIODevice::WriteOnly));
    walk.write(QByteArray("RIFF\0\0\0\0WAVE", 12) + QByteArray("JUNK\0\0\0\0", 8).repeated(1 << 20));
    walk.write(QByteArray::fromHex("666d74201000000001000100401f0000803e000002001000") + "data"
               + QByteArray::fromHex("803e0000") + QByteArray(16000, '\0'));
    walk.close();
    QVERIFY(QFile::link(path("nowhere"), path("out/linked.8svx")) && top.mkdir("out/dirred.8svx"));

    const QStringList names{"good.wav", "fifo.wav", "zero.wav", "folder.wav", "gone.wav", "replaced.wav",
                            "empty.wav", "notes.wav", "loop.wav", "caf\uFFFD.wav", longName + ".wav", "walk.wav",
                            "linked.wav", "dirred.wav", "other.wav"};
    QStringList paths;
    for (const QString &name : names)
        paths << path(name);
    MainWindow window;
    window.loadFiles(paths);
    QVERIFY(QFile::remove(path("gone.wav")));
    QFile replaced(path("replaced.wav"));
    QVERIFY(replaced.open(QIODevice::WriteOnly | QIODevice::Truncate) && replaced.write("garbage") > 0);
    replaced.close();
    outputDirectory = path("out");

    const QString soxSays = QStringLiteral("sox FAIL formats: can't open input file `%1': %2");
    const QMap<QString, QString> reasons{
        {"fifo.wav", "not a regular file"},
        {"zero.wav", "not a regular file"},
        {"folder.wav", "not a regular file"},
        {"gone.wav", soxSays.arg(path("gone.wav"), "No such file or directory")},
        {"replaced.wav", soxSays.arg(path("replaced.wav"), "WAVE: RIFF header not found")},
        {"empty.wav", soxSays.arg(path("empty.wav"), "WAVE: RIFF header not found")},
        {"notes.wav", soxSays.arg(path("notes.wav"), "WAVE: RIFF header not found")},
        {"loop.wav", soxSays.arg(path("loop.wav"), "Too many levels of symbolic links")},
        {"caf\uFFFD.wav", "its file name is not valid UTF-8; rename the file"},
        {longName + ".wav", "the name " + longName + ".8svx is too long for this folder"},
        {"linked.wav", "something named linked.8svx is already in the folder"},
        {"dirred.wav", "something named dirred.8svx is already in the folder"},
    };
    QStringList expected;
    for (const QString &name : names) {
        if (reasons.contains(name))
            expected << name + ": " + reasons[name];
    }

    FifoRelease release(path("fifo.wav"));
    ModalDriver driver;
    QString details;
    QRect box;
    driver.press(QMessageBox::Yes).then([&](QWidget *dialog) {
        box = dialog->frameGeometry();
        details = static_cast<QMessageBox *>(dialog)->detailedText();
        static_cast<QMessageBox *>(dialog)->accept();
    });
    window.findChild<QPushButton *>("ExportButton")->click();
    // Each that fails on its way into sox fails in a preview too, and says
    // why in the same words.
    auto *list = window.findChild<QComboBox *>("sampleCombo");
    QStringList previewed;
    for (int i = 0; i < names.size(); ++i) {
        if (!reasons.contains(names[i]) || names[i].startsWith("linked") || names[i].startsWith("dirred")
            || names[i] == longName + ".wav")
            continue;
        list->setCurrentIndex(i);
        driver.press(QMessageBox::Ok);
        window.findChild<QPushButton *>("previewButton")->click();
        previewed << names[i] + " could not be previewed: " + reasons[names[i]];
    }
    QVERIFY(!release.released);
    QCOMPARE(driver.unexpected(), 0);

    QCOMPARE(details, QStringLiteral("12 of 15 samples were not written:\n\n") + expected.join('\n'));
    // The box itself shows the first ten, each word too long to wrap (the
    // long name, a long path) cut in its middle, so that it fits the screen.
    const QStringList shown = driver.texts().value(1).split('\n');
    const QStringList whole = details.split('\n');
    QCOMPARE(shown.size(), 2 + 10 + 1);
    QCOMPARE(shown.mid(0, 5), whole.mid(0, 5));
    QCOMPARE(shown.constLast(), "… and 2 more");
    for (int line = 5; line < 12; ++line) {
        const QStringList words = shown[line].split(' ');
        const QStringList wholeWords = whole[line].split(' ');
        QCOMPARE(words.size(), wholeWords.size());
        for (int i = 0; i < words.size(); ++i) {
            QVERIFY2(words[i] == wholeWords[i]
                         || (words[i].size() <= 80 && wholeWords[i].startsWith(words[i].section("…", 0, 0))
                             && wholeWords[i].endsWith(words[i].section("…", 1))),
                     qPrintable(words[i]));
        }
    }
    QVERIFY(!shown.join('\n').contains(longName));
    QVERIFY2(QGuiApplication::primaryScreen()->availableGeometry().contains(box),
             qPrintable(QStringLiteral("%1x%2").arg(box.width()).arg(box.height())));
    QCOMPARE(driver.texts().mid(2), previewed);

    // The good ones whole, what was in the way as it was, and nothing left
    // behind.
    QCOMPARE(QDir(path("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList({"dirred.8svx", "good.8svx", "linked.8svx", "other.8svx", "walk.8svx"}));
    for (const QString file : {"good.8svx", "other.8svx", "walk.8svx"})
        QVERIFY2(read8svx(path("out/" + file)).problem.isEmpty(), qPrintable(file));
    QVERIFY(QFileInfo(path("out/linked.8svx")).isSymLink() && QFileInfo(path("out/dirred.8svx")).isDir());
    QCOMPARE(QDir(m_converted.path()).entryList(QDir::Files), QStringList());
    ::unlink(latin1.constData()); // a name Qt could not remove
}

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
