#include "badinputsupport.h"
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
#include <QSlider>
#include <QTest>

#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Every kind of bad input, run through the window as a user would: Load,
// Browse, Export, and the report read off the screen. Whatever the input,
// nothing the folder held before is changed or removed, nothing half-written
// is left in it, and each sample is either exported whole or named in the
// report.

namespace {

const QDateTime longAgo = QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);

} // namespace

class TestBadInput : public QObject, private BadInputFolders
{
    Q_OBJECT

private slots:
    void initTestCase() { makeFolders(); }
    void cleanup();
    void cleanupTestCase();
    void eachSampleExportedOrReported_data();
    void eachSampleExportedOrReported();

private:
    int m_ran = 0;
    int m_failed = 0;
    int m_skipped = 0;
};

void TestBadInput::cleanup()
{
    clearAway();
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

QTEST_MAIN(TestBadInput)
#include "tst_badinput.moc"
