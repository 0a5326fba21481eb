#include "badinputsupport.h"
#include "export.h"
#include "mainwindow.h"
#include "modaldriver.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Whatever a folder can hold under a WAV file's name, loaded and exported in
// one batch: each file is exported whole or named in the report, what was in
// the way is left as it was, and nothing half-written is left behind.

namespace {

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

} // namespace

class TestOddSources : public QObject, private BadInputFolders
{
    Q_OBJECT

private slots:
    void initTestCase() { makeFolders(); }
    void cleanup() { clearAway(); }
    void oddSourcesInOneBatch();
};

void TestOddSources::oddSourcesInOneBatch()
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

QTEST_MAIN(TestOddSources)
#include "tst_oddsources.moc"
