#include "soundheader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

// What a sound file's header says (its rate and length), read without sox
// from whatever bytes the file holds.

class TestSoundHeader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_sources.isValid()); }
    void headersOfAnyBytes_data();
    void headersOfAnyBytes();

private:
    QTemporaryDir m_sources;
};

void TestSoundHeader::headersOfAnyBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<qint64>("frames"); // -1: not known without sox

    const auto le32 = [](quint32 v) { QByteArray b(4, 0); qToLittleEndian(v, b.data()); return b; };
    const QByteArray fmt = "fmt " + le32(16) + QByteArray::fromHex("01000100") + le32(22050)
        + le32(44100) + QByteArray::fromHex("02001000");
    const QByteArray riff = "RIFF" + le32(0) + "WAVE";
    const qint64 unknown = -1;
    QTest::newRow("plain") << riff + fmt + "data" + le32(2) + QByteArray(2, 0) << 22050 << qint64(1);
    QTest::newRow("unknown chunks first") << riff + "LIST" + le32(3) + "abc" + '\0' + "JUNK" + le32(0) + fmt
                                          << 22050 << unknown;
    QTest::newRow("no header") << QByteArray("RIFX....WAVEfmt ") << 0 << unknown;
    QTest::newRow("empty") << QByteArray() << 0 << unknown;
    QTest::newRow("cut short in fmt") << (riff + fmt).left(30) << 0 << unknown;
    QTest::newRow("fmt too small") << riff + "fmt " + le32(4) + "abcd" << 0 << unknown;
    QTest::newRow("chunk claims 4 GiB") << riff + "JUNK" + le32(0xffffffff) + fmt << 0 << unknown;
    QTest::newRow("absurd rate") << riff + fmt.left(12) + le32(0xfffffff0) + fmt.mid(16) << 0 << unknown;
    QTest::newRow("only chunk headers") << riff + QByteArray(8 * 5000, '\0') << 0 << unknown;
    // The walk gives up long before: sox, in its own time, reads the rest.
    QTest::newRow("fmt after 5000 empty chunks") << riff + QByteArray("JUNK\0\0\0\0", 8).repeated(5000) + fmt << 0 << unknown;
    QTest::newRow("fmt after 4000 empty chunks") << riff + QByteArray("JUNK\0\0\0\0", 8).repeated(4000) + fmt << 22050
                                                 << unknown;
    // FLAC: STREAMINFO first; after the block and frame sizes, the rate (20
    // bits), the channels and bits less one (3 and 5) and the frames (36).
    const auto be64 = [](quint64 v) { QByteArray b(8, 0); qToBigEndian(v, b.data()); return b; };
    const auto streamInfo = [&](quint64 rate, quint64 frames) {
        return "fLaC" + QByteArray::fromHex("00000022") + QByteArray(10, '\x10')
            + be64(rate << 44 | quint64(1) << 41 | quint64(15) << 36 | frames) + QByteArray(16, 'm');
    };
    QTest::newRow("FLAC") << streamInfo(44100, 22050) << 44100 << qint64(22050);
    QTest::newRow("FLAC cut short") << streamInfo(44100, 22050).left(20) << 0 << unknown;
    QTest::newRow("FLAC, its first block not STREAMINFO") << streamInfo(44100, 22050).replace(4, 1, "\x04") << 0 << unknown;
    QTest::newRow("FLAC of a length its encoder did not know") << streamInfo(8000, 0) << 8000 << unknown;
    // AIFF: COMM (channels, frames, bits, a rate in 80 bits), SSND (offset,
    // block size, sound): 100 frames claimed, 10 held.
    const auto be32 = [](quint32 v) { QByteArray b(4, 0); qToBigEndian(v, b.data()); return b; };
    const auto aiff = [&](const QByteArray &form, const QByteArray &rate, const QByteArray &compression) {
        const QByteArray comm = QByteArray::fromHex("0001") + be32(100) + QByteArray::fromHex("0010") + rate + compression;
        return "FORM" + be32(0) + form + "COMM" + be32(comm.size()) + comm + "SSND" + be32(8 + 200) + be32(0) + be32(0)
            + QByteArray(20, '\0');
    };
    const QByteArray rate22050 = QByteArray::fromHex("400dac44000000000000");
    QTest::newRow("AIFF, cut short in its sound") << aiff("AIFF", rate22050, "") << 22050 << qint64(10);
    QTest::newRow("AIFF-C, little-endian") << aiff("AIFC", rate22050, "sowt") << 22050 << qint64(10);
    QTest::newRow("AIFF-C, compressed") << aiff("AIFC", rate22050, "ima4") << 22050 << unknown;
    QTest::newRow("AIFF, a rate of 2^100 Hz") << aiff("AIFF", QByteArray::fromHex("40638000000000000000"), "") << 0
                                             << unknown;
    QTest::newRow("AIFF, cut short in COMM") << aiff("AIFF", rate22050, "").left(30) << 0 << unknown;
    QTest::newRow("8SVX") << QByteArray("FORM\0\0\0\x10" "8SVXVHDR\0\0\0\0", 24) << 0 << unknown;
}

void TestSoundHeader::headersOfAnyBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, sampleRate);
    QFETCH(qint64, frames);
    QFile file(m_sources.filePath("header"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    file.close();
    const WavFormat format = readSoundHeader(file.fileName());
    QCOMPARE(format.sampleRate, sampleRate);
    QCOMPARE(format.lengthKnown() ? format.frames : qint64(-1), frames);
}

QTEST_MAIN(TestSoundHeader)
#include "tst_soundheader.moc"
