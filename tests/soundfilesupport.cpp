#include "soundfilesupport.h"

#include "export.h"
#include "exportengine.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>

bool makeWav(const QString &path, const QStringList &outputOptions, const QStringList &effects)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"),
              QStringList{QStringLiteral("-n")} + outputOptions + QStringList{path} + effects);
    return sox.waitForFinished(30000) && sox.exitStatus() == QProcess::NormalExit
        && sox.exitCode() == 0;
}

bool appendRiffChunk(const QString &path, const QByteArray &id, const QByteArray &data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(file.size()))
        return false;
    char size[4];
    qToLittleEndian<quint32>(quint32(data.size()), size);
    file.write(id + QByteArray(size, 4) + data + (data.size() % 2 ? QByteArray(1, '\0') : QByteArray()));
    qToLittleEndian<quint32>(quint32(file.size() - 8), size);
    return file.seek(4) && file.write(size, 4) == 4;
}

QByteArray smplData(quint32 loopCount, const QList<SmplLoop> &loops, quint32 samplePeriodNs)
{
    QByteArray data(36 + 24 * loops.size(), '\0');
    const auto put = [&data](int at, quint32 value) { qToLittleEndian<quint32>(value, data.data() + at); };
    put(8, samplePeriodNs);
    put(12, 69); // MIDI unity note: A4
    put(28, loopCount);
    for (int i = 0; i < loops.size(); ++i) {
        put(36 + 24 * i, quint32(i));
        put(36 + 24 * i + 4, loops[i].type);
        put(36 + 24 * i + 8, loops[i].start);
        put(36 + 24 * i + 12, loops[i].end);
    }
    return data;
}

SvxFile read8svx(const QString &path, bool finished)
{
    SvxFile svx;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        svx.problem = QStringLiteral("cannot open");
        return svx;
    }
    const QByteArray data = file.readAll();
    auto u32 = [&data](qint64 at) { return qFromBigEndian<quint32>(data.constData() + at); };
    if (data.size() < 12 || !data.startsWith("FORM") || data.mid(8, 4) != "8SVX") {
        svx.problem = QStringLiteral("no FORM/8SVX header");
        return svx;
    }
    if (u32(4) + 8 != quint32(data.size())) {
        svx.problem = QStringLiteral("FORM size %1 for a file of %2 bytes").arg(u32(4)).arg(data.size());
        return svx;
    }
    bool haveHeader = false;
    bool haveBody = false;
    svx.channels = 1; // without a CHAN chunk a voice is mono
    for (qint64 at = 12; at < data.size();) {
        if (at + 8 > data.size()) {
            svx.problem = QStringLiteral("chunk header cut short");
            return svx;
        }
        const QByteArray id = data.mid(at, 4);
        const qint64 size = u32(at + 4);
        const qint64 padded = size + (size & 1);
        // Pad bytes are right, but some readers stumble on them.
        if (finished && (size & 1))
            svx.problem = QStringLiteral("%1 chunk of odd size").arg(QString::fromLatin1(id));
        if (at + 8 + padded > data.size()) {
            svx.problem = QStringLiteral("%1 chunk runs past the end").arg(QString::fromLatin1(id));
            return svx;
        }
        if (id == "VHDR" && size == 20) {
            haveHeader = true;
            const char *header = data.constData() + at + 8;
            svx.oneShot = u32(at + 8);
            svx.repeat = u32(at + 12);
            svx.samplesPerSec = qFromBigEndian<quint16>(header + 12);
            if (finished && (u32(at + 16) != 0 || header[14] != 1 || header[15] != 0 || u32(at + 24) != 0x10000))
                svx.problem = QStringLiteral("VHDR is not one plain octave at unity volume");
        } else if (id == "CHAN" && size == 4) {
            svx.channels = u32(at + 8) == 6 ? 2 : 1; // 2 = left, 4 = right, 6 = stereo
        } else if (id == "NAME") {
            svx.name = data.mid(at + 8, size);
            svx.name.truncate(svx.name.indexOf('\0') < 0 ? svx.name.size() : svx.name.indexOf('\0'));
        } else if (id == "BODY") {
            haveBody = true;
            svx.bodySize = size;
            svx.body = data.mid(at + 8, size);
        }
        at += 8 + padded;
    }
    if (!haveHeader || !haveBody)
        svx.problem = QStringLiteral("no 20-byte VHDR or no BODY");
    else if (!finished)
        return svx;
    else if (svx.bodySize % 2 != 0)
        svx.problem = QStringLiteral("BODY of %1 bytes, not whole words").arg(svx.bodySize);
    else if (svx.oneShot + svx.repeat > svx.bodySize || svx.oneShot % 2 || svx.repeat % 2)
        svx.problem = QStringLiteral("oneShot %1 + repeat %2 in a BODY of %3").arg(svx.oneShot).arg(svx.repeat).arg(svx.bodySize);
    else if (svx.repeat == 0 && (svx.oneShot != svx.bodySize || !svx.body.startsWith(QByteArray(2, '\0'))))
        svx.problem = QStringLiteral("a one-shot without its whole BODY or without a silent first word");
    return svx;
}

ExportedSample exportSample(const Sample &sample, const SampleShape &shape)
{
    QTemporaryDir out;
    ExportEngine engine({sample}, out.path(), 1);
    engine.setShapes({shape});
    QSignalSpy finished(&engine, &ExportEngine::finished);
    engine.start();
    if (!engine.isFinished() && !finished.wait(30000))
        return {};
    return {read8svx(out.filePath(exportFileName(sample.name))), engine.report().tooLong.value(0),
            engine.report().noisy.value(0)};
}
