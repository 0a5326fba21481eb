// Trim Silence of All Samples, from the context menu: a recording's
// silence at its ends costs a tracker memory and makes a hit start late.

#include "chunks.h"
#include "exportreport.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "progress.h"
#include "question.h"
#include "recording.h"
#include "sample.h"
#include "kithistory.h"
#include "silence.h"

#include <QComboBox>

void MainWindow::trimSilenceOfAllSamples()
{
    const QList<Sample> samples = allSamples(ui->sampleCombo);
    const QList<FoundFile> origins = allOrigins(ui->sampleCombo);
    const QList<SampleShape> shapes = allShapes(ui->sampleCombo);
    const std::optional<QList<SoundSpan>> found = awayFromTheWindow(
        this, QStringLiteral("Looking for the silence at the ends of each sample"),
        [samples, origins, shapes](const std::function<bool()> &cancelled) {
            QList<SoundSpan> spans;
            for (int i = 0; i < samples.size() && !cancelled(); ++i) {
                // A path that may name another file tells nothing of this one.
                if (const QString problem = origins.value(i).problem; !problem.isEmpty()) {
                    spans << SoundSpan{SoundSpan::Unreadable, 0, 0, problem};
                    continue;
                }
                const QString &path = samples.at(i).path;
                spans << findSound(path, readRecording(path), shapes.at(i).crop, defaultSilenceDb, cancelled);
            }
            return spans;
        });
    if (!found)
        return;
    const QList<SoundSpan> &spans = *found;

    QList<ShapeChange> changes;
    QStringList silent, unreadable;
    for (int i = 0; i < samples.size(); ++i) {
        const SoundSpan &span = spans.at(i);
        const QString name = nameInPack(samples.at(i), origins.at(i));
        if (span.kind == SoundSpan::Silent)
            silent << name;
        else if (span.kind == SoundSpan::Unreadable)
            unreadable << name + QStringLiteral(": ") + span.problem;
        else
            changes << ShapeChange{i, shapes.at(i), trimmedTo(shapes.at(i), span)};
    }
    changeShapes(this, changes, tr("Trim Silence of All Samples"));
    if (silent.isEmpty() && unreadable.isEmpty())
        return;
    showListing(tr("Trim Silence of All Samples"), !unreadable.isEmpty(), [&](int shown) {
        return listedSections({{QStringLiteral("Silent throughout (below -%1 dB), so left whole").arg(defaultSilenceDb), silent},
                               {QStringLiteral("Could not be read, so left as they were"), unreadable}},
                              shown);
    });
}
