#include "chunks.h"
#include "converter.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "progress.h"
#include "sample.h"
#include "waveformwindow.h"

#include <QAudioOutput>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QUrl>
#include <QtEndian>

// GStreamer's WAV reader (Debian 12's 1.22) plays nothing of a file whose
// data chunk has an odd length, although sox pads such a chunk as it should:
// about every other preview would be silent. Our preview is 8-bit mono, so the
// pad byte can become one more sample of silence; the file keeps its size.
static void evenOutWavData(const QString &path)
{
    const WavFormat format = readWavFormat(path);
    const Chunk &data = format.data;
    const bool eightBitMono = format.formatTag == 1 && format.channels == 1 && format.bitsPerSample == 8;
    QFile file(path);
    if (!eightBitMono || !(data.size & 1) || data.dataOffset + data.size + 1 != file.size()
        || !file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return;
    char even[4];
    qToLittleEndian<quint32>(data.size + 1, even);
    file.seek(data.dataOffset - 4);
    file.write(even, 4);
    file.seek(data.dataOffset + data.size);
    file.putChar(char(0x80)); // silence in unsigned 8-bit
}

void MainWindow::on_previewButton_clicked()
{
    if (ui->sampleCombo->count() == 0)
        return;

    const Sample sample = currentSample(ui->sampleCombo);
    const SampleShape shape = sampleShape(ui->sampleCombo, ui->sampleCombo->currentIndex());
    auto conversion = std::make_unique<Conversion>(sample, true);
    conversion->setShape(shape);
    // A sample whose path may name another file is never converted.
    QString failure = sampleOrigin(ui->sampleCombo, ui->sampleCombo->currentIndex()).problem;
    if (failure.isEmpty()) {
        ConversionProgress progress(this, 0);
        progress.run(*conversion, QStringLiteral("Converting %1").arg(sample.name), 0);
        if (progress.wasCancelled())
            return;
        failure = conversion->failure();
    }

    const QString path = conversion->outputPath();
    evenOutWavData(path);
    ui->SizeLabel->setText(QLocale().formattedDataSize(QFileInfo(path).size(), 0, QLocale::DataSizeIecFormat));
    if (!failure.isEmpty()) {
        QMessageBox box;
        box.setIcon(QMessageBox::Warning);
        box.setTextFormat(Qt::PlainText);
        box.setText(QStringLiteral("%1 could not be previewed: %2").arg(sample.name, failure));
        box.exec();
        return;
    }

    // Each preview has a player of its own, so a new one never cuts short an
    // earlier one. The window owns it until its playback ends or fails; the
    // converted file goes with it.
    auto *player = new QMediaPlayer(this);
    auto *audioOutput = new QAudioOutput(player);
    conversion.release()->setParent(player);
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
    followPreview(this, player, sample, shape);
}
