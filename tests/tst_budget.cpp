#include "budget.h"
#include "longestfirst.h"
#include "module.h"
#include "notetable.h"
#include "testsupport.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

// The kit's module within a memory budget, longest sounds first: the short
// hits keep their notes, and the module is exact to the byte.

class TestBudget : public QObject
{
    Q_OBJECT

private slots:
    void lowersTheLongestFirst_data();
    void lowersTheLongestFirst();
    void longestFirstIsExactToTheByte_data();
    void longestFirstIsExactToTheByte();
};

void TestBudget::lowersTheLongestFirst_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("longest first") << QStringList{};
    QTest::newRow("under one ceiling") << QStringList{"--ceiling"};
}

void TestBudget::lowersTheLongestFirst()
{
    QFETCH(QStringList, options);
    // A 6 s sound and three short hits at A-3, into 64 KB.
    QTemporaryDir work;
    QStringList files;
    for (const QString recording : {"long=6.01", "tick1=0.3", "tick2=0.2", "tick3=0.4"}) {
        files << work.filePath(recording.section('=', 0, 0) + ".wav");
        QVERIFY(makeWav(files.constLast(), {"-r", "22050", "-c", "1", "-b", "16"},
                        {"synth", recording.section('=', 1), "sine", "300"}));
    }
    const qint64 budget = 64 * 1024;
    QProcess program;
    program.start(BRINDLEBOX_PROGRAM,
                  QStringList{"--module", work.filePath("kit.mod"), "--note", "A-3", "--module-size", "64K"} + options + files);
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitCode(), 0);
    const QString said = QString::fromLocal8Bit(program.readAllStandardError());
    QVERIFY2(QFileInfo(work.filePath("kit.mod")).size() <= budget, qPrintable(said));
    // What it lowered, named as the ceiling names it.
    const QRegularExpressionMatch lowered = QRegularExpression("long.wav: A-3 → (\\S+)\n").match(said);
    QVERIFY2(lowered.hasMatch(), qPrintable(said));
    if (!options.isEmpty()) {
        // One ceiling dulls the short hits too.
        QVERIFY2(said.contains("tick1.wav: A-3 → " + lowered.captured(1)), qPrintable(said));
        return;
    }
    // Longest first, the short hits keep their notes.
    QVERIFY2(!said.contains("tick"), qPrintable(said));
    // And the long one a note higher would pass the budget, as written.
    const QString higher = notesByRate().value(notesByRate().indexOf(lowered.captured(1)) + 1);
    QFile kit(work.filePath("higher.brindlekit"));
    QVERIFY(kit.open(QIODevice::WriteOnly));
    kit.write(QStringLiteral(R"({"format": "brindlebox-kit", "version": 1, "sampleCount": 4, "samples": [
        {"recording": "long.wav", "note": "%1"}, {"recording": "tick1.wav", "note": "A-3"},
        {"recording": "tick2.wav", "note": "A-3"}, {"recording": "tick3.wav", "note": "A-3"}]})").arg(higher).toUtf8());
    kit.close();
    program.start(BRINDLEBOX_PROGRAM, {"--module", work.filePath("higher.mod"), kit.fileName()});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(QFileInfo(work.filePath("higher.mod")).size() > budget);
}

void TestBudget::longestFirstIsExactToTheByte_data()
{
    // Recordings of so many seconds at 22,050 Hz, each at A-3 but where
    // "s@NOTE" says; the budget in bytes.
    QTest::addColumn<QStringList>("recordings");
    QTest::addColumn<qint64>("budget");
    QTest::newRow("one long, several short") << QStringList{"4.3", "0.17", "0.3", "0.25", "0.2@C-3"} << qint64(64 * 1024);
    QTest::newRow("longer than a module holds at any note but the lowest")
        << QStringList{"20", "0.17", "0.3"} << qint64(100000);
    QTest::newRow("two of a length") << QStringList{"2", "2", "0.1"} << qint64(60000);
    QStringList many;
    for (int i = 1; i <= 31; ++i)
        many << QString::number(0.05 * i);
    QTest::newRow("31 of every length") << many << qint64(128 * 1024);
    QTest::newRow("past the slots, a long one") << QStringList(many) + QStringList{"30"} << qint64(128 * 1024);
}

void TestBudget::longestFirstIsExactToTheByte()
{
    QFETCH(QStringList, recordings);
    QFETCH(qint64, budget);
    QList<BudgetEntry> entries;
    for (const QString &recording : recordings) {
        WavFormat format;
        format.formatTag = 1;
        format.channels = 1;
        format.sampleRate = 22050;
        format.bitsPerSample = 16;
        format.blockAlign = 2;
        format.data.dataOffset = 44;
        format.frames = qint64(recording.section('@', 0, 0).toDouble() * 22050);
        entries << BudgetEntry{format, recording.contains('@') ? recording.section('@', 1) : QStringLiteral("A-3"), true, std::nullopt};
    }
    const BudgetFit fit = fitLongestFirst(entries, budget);
    QCOMPARE(fit.kind, BudgetFit::Lowered);
    QList<BudgetEntry> fitted = entries;
    for (int i = 0; i < fitted.size(); ++i)
        fitted[i].note = fit.notes.at(i);
    QCOMPARE(kitModuleSize(fitted), fit.size);
    QVERIFY(fit.size <= budget);
    const QStringList notes = notesByRate();
    for (int i = 0; i < fitted.size(); ++i) {
        // Never above its own note; past the slots, as it was.
        QVERIFY(notes.indexOf(fit.notes.at(i)) <= notes.indexOf(entries.at(i).note));
        if (i >= moduleSampleSlots) {
            QCOMPARE(fit.notes.at(i), entries.at(i).note);
            continue;
        }
        // No single sample could be raised by a note without passing it.
        if (fit.notes.at(i) == entries.at(i).note)
            continue;
        QList<BudgetEntry> raised = fitted;
        raised[i].note = notes.value(notes.indexOf(fit.notes.at(i)) + 1);
        QVERIFY2(kitModuleSize(raised) > budget, qPrintable(QStringLiteral("sample %1 at %2").arg(i).arg(raised[i].note)));
    }
    // The shortest keeps its note while a longer one could give way.
    qsizetype shortest = 0;
    for (qsizetype i = 0; i < qMin<qsizetype>(fitted.size(), moduleSampleSlots); ++i) {
        if (entries.at(i).source.frames < entries.at(shortest).source.frames)
            shortest = i;
    }
    if (fit.notes.constFirst() != "C-1")
        QCOMPARE(fit.notes.at(shortest), entries.at(shortest).note);
}

QTEST_MAIN(TestBudget)
#include "tst_budget.moc"
