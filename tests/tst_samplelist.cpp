#include "sample.h"
#include "testsupport.h"

#include <QComboBox>
#include <QTest>

class TestSampleList : public QObject
{
    Q_OBJECT

private slots:
    void emptyListReadsAsTheDefaultSample();
    void sampleRoundTripsThroughAnEntry();
    void writingTheCurrentEntryLeavesTheOthersAlone();
    void labelIsNameAndReadySuffix_data();
    void labelIsNameAndReadySuffix();
    void allSamplesReadsEveryEntryInOrder();
    void dataOfAnotherTypeReadsAsTheDefault();
};

static const QString defaults = describe(Sample());

void TestSampleList::emptyListReadsAsTheDefaultSample()
{
    QCOMPARE(defaults,
             QStringLiteral("path= name= normalise=1 ready=0 lowCut=0 highCut=0 "
                            "lowCutFrequency=50 highCutFrequency=18000 note=C-2"));

    QComboBox list;
    QCOMPARE(describe(currentSample(&list)), defaults);

    appendSample(&list, unusualSample());
    list.clear();
    QCOMPARE(describe(currentSample(&list)), defaults);
}

void TestSampleList::sampleRoundTripsThroughAnEntry()
{
    QComboBox list;
    const Sample stored = unusualSample();
    appendSample(&list, stored);
    QCOMPARE(list.currentIndex(), 0);
    QCOMPARE(describe(currentSample(&list)), describe(stored));
    QCOMPARE(list.itemText(0), QStringLiteral("kick | Ready.wav | Ready"));
    QVERIFY(list.itemIcon(0).isNull());

    Sample changed = currentSample(&list);
    changed.highCutFrequency = 0;
    changed.note = QStringLiteral("not a note");
    storeCurrentSample(&list, changed);
    QCOMPARE(describe(currentSample(&list)), describe(changed));
}

void TestSampleList::writingTheCurrentEntryLeavesTheOthersAlone()
{
    QComboBox list;
    Sample first;
    first.name = QStringLiteral("first.wav");
    Sample second;
    second.name = QStringLiteral("second.wav");
    appendSample(&list, first);
    appendSample(&list, second);
    QCOMPARE(list.currentIndex(), 0);

    list.setCurrentIndex(1);
    Sample edited = currentSample(&list);
    edited.ready = true;
    edited.lowCut = true;
    storeCurrentSample(&list, edited);

    QCOMPARE(list.currentIndex(), 1);
    QCOMPARE(describe(allSamples(&list).at(0)), describe(first));
    QCOMPARE(list.itemText(0), QStringLiteral("first.wav | Not Ready"));
    // Storing never relabels; only a ready change does, through relabelling.
    QCOMPARE(list.itemText(1), QStringLiteral("second.wav | Not Ready"));
    relabelCurrentSample(&list, edited);
    QCOMPARE(list.itemText(1), QStringLiteral("second.wav | Ready"));
    QCOMPARE(currentSample(&list).name, QStringLiteral("second.wav"));
}

void TestSampleList::labelIsNameAndReadySuffix_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("ready");
    QTest::addColumn<QString>("label");
    QTest::newRow("not ready") << "kick.wav" << false << "kick.wav | Not Ready";
    QTest::newRow("ready") << "kick.wav" << true << "kick.wav | Ready";
    QTest::newRow("suffix in the name") << "a | Ready" << false << "a | Ready | Not Ready";
    QTest::newRow("empty name") << "" << true << " | Ready";
}

void TestSampleList::labelIsNameAndReadySuffix()
{
    QFETCH(QString, name);
    QFETCH(bool, ready);
    QFETCH(QString, label);

    Sample sample;
    sample.name = name;
    sample.ready = ready;
    QCOMPARE(itemLabel(sample), label);
}

void TestSampleList::allSamplesReadsEveryEntryInOrder()
{
    QComboBox list;
    QVERIFY(allSamples(&list).isEmpty());
    for (const char *name : {"a.wav", "b.wav", "a.wav"}) {
        Sample sample;
        sample.name = name;
        appendSample(&list, sample);
    }
    QStringList names;
    for (const Sample &sample : allSamples(&list))
        names << sample.name;
    QCOMPARE(names, (QStringList{"a.wav", "b.wav", "a.wav"}));
}

void TestSampleList::dataOfAnotherTypeReadsAsTheDefault()
{
    QComboBox list;
    list.addItem(QStringLiteral("stray"), QStringLiteral("not a sample"));
    QCOMPARE(describe(currentSample(&list)), defaults);
}

QTEST_MAIN(TestSampleList)
#include "tst_samplelist.moc"
