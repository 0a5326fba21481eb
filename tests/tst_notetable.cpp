#include "mainwindow.h"
#include "notetable.h"

#include <QComboBox>
#include <QTest>

class TestNoteTable : public QObject
{
    Q_OBJECT

private slots:
    void frequencyListHoldsEveryNoteByRate_data();
    void frequencyListHoldsEveryNoteByRate();
    void findingANoteIsExactAndCaseSensitive_data();
    void findingANoteIsExactAndCaseSensitive();
    void lookupOfAKnownNoteAddsNothing();
    void lookupOfAnUnknownNoteAddsItWithRateZero();
};

void TestNoteTable::frequencyListHoldsEveryNoteByRate_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("note");
    QTest::addColumn<int>("rate");

    const QList<QPair<const char *, int>> notes = {
        {"C-1", 4144},  {"C#1", 4390},  {"D-1", 4655},  {"D#1", 4926},  {"E-1", 5231},
        {"F-1", 5542},  {"F#1", 5872},  {"G-1", 6223},  {"G#1", 6593},  {"A-1", 6982},
        {"A#1", 7389},  {"B-1", 7830},  {"C-2", 8287},  {"C#2", 8779},  {"D-2", 9309},
        {"D#2", 9852},  {"E-2", 10463}, {"F-2", 11084}, {"F#2", 11745}, {"G-2", 12445},
        {"G#2", 13185}, {"A-2", 13964}, {"A#2", 14779}, {"B-2", 15694}, {"C-3", 16574},
        {"C#3", 17559}, {"D-3", 18668}, {"D#3", 19705}, {"E-3", 20864}, {"F-3", 22168},
        {"F#3", 23489}, {"G-3", 24803}, {"G#3", 26273}, {"A-3", 27928},
    };
    for (int i = 0; i < notes.size(); ++i)
        QTest::newRow(notes[i].first) << i << notes[i].first << notes[i].second;
}

void TestNoteTable::frequencyListHoldsEveryNoteByRate()
{
    QFETCH(int, index);
    QFETCH(QString, note);
    QFETCH(int, rate);

    MainWindow window;
    auto *list = window.findChild<QComboBox *>("FrequencyCombo");
    QCOMPARE(list->count(), 34);
    QCOMPARE(list->itemText(index), note);
    QCOMPARE(list->itemData(index, Qt::UserRole), QVariant(rate));
    QVERIFY(list->itemIcon(index).isNull());
    QCOMPARE(noteFrequencies.value(note), rate);

    // The rate is the PAL clock over the note's tracker period, rounded; a
    // typo in one constant shows as a rate off its neighbours' semitone step.
    if (index > 0) {
        const double step = double(rate) / list->itemData(index - 1).toInt();
        QVERIFY2(step > 1.05 && step < 1.07, qPrintable(QString::number(step)));
    }
}

void TestNoteTable::findingANoteIsExactAndCaseSensitive_data()
{
    QTest::addColumn<QString>("note");
    QTest::addColumn<int>("index");
    QTest::newRow("C-2") << "C-2" << 12;
    QTest::newRow("lower case") << "c-2" << -1;
    QTest::newRow("beyond the table") << "A#3" << -1;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("with a space") << "C-2 " << -1;
}

void TestNoteTable::findingANoteIsExactAndCaseSensitive()
{
    QFETCH(QString, note);
    QFETCH(int, index);

    MainWindow window;
    QCOMPARE(window.findChild<QComboBox *>("FrequencyCombo")->findText(note), index);
}

void TestNoteTable::lookupOfAKnownNoteAddsNothing()
{
    QCOMPARE(noteFrequencies[QStringLiteral("C#2")], 8779);
    QCOMPARE(noteFrequencies.size(), 34);
}

void TestNoteTable::lookupOfAnUnknownNoteAddsItWithRateZero()
{
    QCOMPARE(noteFrequencies[QStringLiteral("A#3")], 0);
    QCOMPARE(noteFrequencies[QStringLiteral("c-2")], 0);
    QCOMPARE(noteFrequencies.size(), 36);
    QCOMPARE(noteFrequencies.value(QStringLiteral("C-2")), 8287);

    // A window built afterwards lists the added names too, at rate 0, first.
    MainWindow window;
    auto *list = window.findChild<QComboBox *>("FrequencyCombo");
    QCOMPARE(list->count(), 36);
    QCOMPARE(list->itemText(0), QStringLiteral("A#3"));
    QCOMPARE(list->itemText(1), QStringLiteral("c-2"));
    QCOMPARE(list->itemText(2), QStringLiteral("C-1"));

    noteFrequencies.remove(QStringLiteral("A#3"));
    noteFrequencies.remove(QStringLiteral("c-2"));
}

QTEST_MAIN(TestNoteTable)
#include "tst_notetable.moc"
