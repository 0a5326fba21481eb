#include "converter.h"

#include "notetable.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>

QStringList converterArguments(const Sample &sample, const QString &outputPath)
{
    QStringList arguments{sample.path,
                          QStringLiteral("-b"), QStringLiteral("8"),
                          QStringLiteral("-c"), QStringLiteral("1"),
                          outputPath,
                          QStringLiteral("remix"), QStringLiteral("-")};
    if (sample.normalise)
        arguments << QStringLiteral("norm") << QStringLiteral("-6");
    if (sample.highCut)
        arguments << QStringLiteral("lowpass") << QStringLiteral("-1")
                  << QString::number(sample.highCutFrequency);
    if (sample.lowCut)
        arguments << QStringLiteral("highpass") << QStringLiteral("-1")
                  << QString::number(sample.lowCutFrequency);
    arguments << QStringLiteral("rate") << QString::number(noteFrequencies[sample.note])
              << QStringLiteral("dither") << QStringLiteral("-S");
    return arguments;
}

QString convertSample(Sample sample, bool toWav)
{
    return convertSample(std::move(sample), toWav, converterTimeLimitMs);
}

QString convertSample(Sample sample, bool toWav, int timeLimitMs)
{
    // An unusable temporary directory reads as an empty path, which would
    // put the file at the root of the file system.
    const QString directory = QDir::tempPath();
    if (directory.isEmpty()) {
        qDebug() << "no temporary directory for the converted sample";
        return QString();
    }
    // sox writes into a file we created exclusively, so nobody can plant a
    // file or link under the name beforehand.
    QTemporaryFile output(directory + QStringLiteral("/brindlebox-XXXXXX")
                          + (toWav ? QStringLiteral(".wav") : QStringLiteral(".8svx")));
    output.setAutoRemove(false);
    if (!output.open()) {
        qDebug() << "no temporary file for the converted sample:" << output.errorString();
        return QString();
    }
    const QString outputPath = output.fileName();
    output.close();

    const QStringList arguments = converterArguments(sample, outputPath);
    qDebug() << arguments;

    QProcess sox;
    sox.start(QStringLiteral("sox"), arguments);
    const bool finished = sox.waitForFinished(timeLimitMs);
    qDebug() << sox.readAllStandardOutput();
    qDebug() << sox.readAllStandardError();
    if (!finished && sox.state() != QProcess::NotRunning) {
        sox.kill();
        sox.waitForFinished();
    }

    // Anything a failed run left behind is incomplete; callers must not
    // play or copy it.
    if (!finished || sox.exitStatus() != QProcess::NormalExit || sox.exitCode() != 0)
        QFile::remove(outputPath);
    return outputPath;
}
