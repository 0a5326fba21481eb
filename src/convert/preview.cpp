#include "busycursor.h"
#include "converter.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "sample.h"

#include <QAudioOutput>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMediaPlayer>
#include <QUrl>
#include <QtEndian>

// GStreamer's WAV reader (Debian 12's 1.22) plays nothing of a file whose
// data chunk has an odd length, although sox pads such a chunk as it should:
// about every other preview would be silent. Our preview is 8-bit mono, so the
// pad byte can become one more sample of silence; the file keeps its size.
static void evenOutWavData(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly) || file.read(12).mid(8) != "WAVE")
        return;
    bool eightBitMono = false;
    while (true) {
        const qint64 at = file.pos();
        const QByteArray header = file.read(8);
        if (header.size() < 8)
            return;
        const quint32 size = qFromLittleEndian<quint32>(header.constData() + 4);
        if (header.startsWith("fmt ")) {
            const QByteArray format = file.read(16);
            // PCM, one channel, one byte per frame
            eightBitMono = format.size() == 16
                && qFromLittleEndian<quint16>(format.constData()) == 1
                && qFromLittleEndian<quint16>(format.constData() + 2) == 1
                && qFromLittleEndian<quint16>(format.constData() + 12) == 1;
        } else if (header.startsWith("data")) {
            if (eightBitMono && (size & 1) && at + 8 + size + 1 == file.size()) {
                char even[4];
                qToLittleEndian<quint32>(size + 1, even);
                file.seek(at + 4);
                file.write(even, 4);
                file.seek(at + 8 + size);
                file.putChar(char(0x80)); // silence in unsigned 8-bit
            }
            return;
        }
        file.seek(at + 8 + size + (size & 1));
    }
}

void MainWindow::on_previewButton_clicked()
{
    if (ui->sampleCombo->count() == 0)
        return;

    const Sample sample = currentSample(ui->sampleCombo);
    QString path;
    {
        BusyCursor busy;
        path = convertSample(sample, true);
    }
    evenOutWavData(path);

    const QFileInfo file(path);
    ui->SizeLabel->setText(QLocale().formattedDataSize(file.size(), 0, QLocale::DataSizeIecFormat));
    if (!file.exists())
        return; // the conversion failed: nothing to play

    // Each preview has a player of its own, so a new one never cuts short an
    // earlier one. The window owns it until its playback ends or fails.
    auto *player = new QMediaPlayer(this);
    auto *audioOutput = new QAudioOutput(player);
    connect(player, &QMediaPlayer::mediaStatusChanged, player,
            [player](QMediaPlayer::MediaStatus status) {
                if (status == QMediaPlayer::EndOfMedia || status == QMediaPlayer::InvalidMedia)
                    player->deleteLater();
            });
    connect(player, &QMediaPlayer::errorOccurred, player, &QObject::deleteLater);
    player->setAudioOutput(audioOutput);
    player->setSource(QUrl::fromLocalFile(path));
    audioOutput->setVolume(0.5f);
    player->play();
}
