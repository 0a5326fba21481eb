// Play Kit as Module, from the context menu: the module Export Kit as
// Module would write, made in memory and played through the tracker engine,
// no file written. Choosing it again, Escape or any change to the list
// stops it.

#include "exportengine.h"
#include "exportreport.h"
#include "export.h"
#include "kitplayer.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "progress.h"
#include "question.h"
#include "sample.h"
#include "soundoutput.h"

#include <QAction>
#include <QComboBox>

void MainWindow::connectKitPlaying()
{
    auto *player = new KitPlayer(this);
    player->setObjectName(QStringLiteral("kitPlayer"));
    // The window's own action, not the File menu's: the form stays as it is.
    auto *stop = new QAction(tr("Stop Kit"), this);
    stop->setObjectName(QStringLiteral("actionStop_Kit"));
    stop->setShortcut(QKeySequence(Qt::Key_Escape));
    // Only while the kit plays does Escape belong to it.
    stop->setEnabled(false);
    connect(stop, &QAction::triggered, player, &KitPlayer::stop);
    connect(player, &KitPlayer::playingChanged, stop, &QAction::setEnabled);
    addAction(stop);
}

void MainWindow::playKitAsModule()
{
    auto *player = findChild<KitPlayer *>(QStringLiteral("kitPlayer"));
    if (player->isPlaying()) {
        player->stop();
        return;
    }
    if (!SoundOutput::available()) {
        warnUser(QStringLiteral("No sound output"), QStringLiteral("No sound output is available, so the kit cannot be played."));
        return;
    }
    const QList<Sample> samples = allSamples(ui->sampleCombo);
    ExportEngine engine(samples, QString(), exportJobs);
    engine.setOrigins(allOrigins(ui->sampleCombo));
    engine.setShapes(allShapes(ui->sampleCombo));
    engine.setModuleInMemory();
    {
        ConversionProgress progress(this, int(samples.size()));
        progress.run(engine);
        if (progress.wasCancelled())
            return;
    }
    const ExportReport &report = engine.report();
    const bool anyHeard = report.leftOut.size() < samples.size();
    if (anyHeard && !player->play(engine.moduleBytes(), ui->sampleCombo->model())) {
        warnUser(QStringLiteral("No sound output"), QStringLiteral("No sound output is available, so the kit cannot be played."));
        return;
    }
    // The sound goes on while the user reads what is missing from it.
    if (!report.leftOut.isEmpty()) {
        const QString heading = QStringLiteral("%1 of %2 samples are not in the kit's module, so they are not heard")
                                    .arg(report.leftOut.size())
                                    .arg(report.total);
        showListing(QStringLiteral("Not all samples are heard"), true,
                    [&](int shown) { return listedSections({{heading, report.leftOut}}, shown); });
    }
}
