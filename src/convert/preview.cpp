#include "busycursor.h"
#include "converter.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "sample.h"

#include <QAudioOutput>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMediaPlayer>
#include <QUrl>

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
