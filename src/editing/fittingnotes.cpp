// Fit Notes to Tracker Length, from the context menu: each sample at the
// highest note, from its own down, at which a classic tracker plays it
// whole, so that a pack need not be exported twice.

#include "exportreport.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "notefitting.h"
#include "notetable.h"
#include "progress.h"
#include "question.h"
#include "sample.h"
#include "shaping.h"

#include <QComboBox>

namespace {

/// The fit of every sample, from what its header tells; each read away
/// from the window's thread, since a source may be on a slow share, or no
/// file at all.
QList<NoteFit> fitEach(const std::function<bool()> &cancelled, const QList<Sample> &samples,
                       const QList<FoundFile> &origins, const QList<SampleShape> &shapes)
{
    QList<NoteFit> fits;
    for (int i = 0; i < samples.size() && !cancelled(); ++i) {
        const Sample &sample = samples.at(i);
        // A path that may name another file tells nothing of this one.
        const ShapedRecording shaped = origins.value(i).problem.isEmpty()
            ? shapeRecording(readRecording(sample.path), shapes.value(i))
            : ShapedRecording();
        fits << (shaped.problem.isEmpty() ? fitNote(shaped.source, sample.note) : NoteFit{NoteFit::LengthUnknown, sample.note});
    }
    return fits;
}

} // namespace

void MainWindow::fitNotesToTrackerLength()
{
    const QList<Sample> samples = allSamples(ui->sampleCombo);
    const QList<FoundFile> origins = allOrigins(ui->sampleCombo);
    const std::optional<QList<NoteFit>> fitted = awayFromTheWindow(
        this, QStringLiteral("Reading how long each sample is"),
        [samples, origins, shapes = allShapes(ui->sampleCombo)](const std::function<bool()> &cancelled) {
            return fitEach(cancelled, samples, origins, shapes);
        });
    if (!fitted)
        return;
    const QList<NoteFit> &fits = *fitted;

    QStringList lowered, nowhere, unknown;
    for (int i = 0; i < samples.size(); ++i) {
        Sample sample = samples.at(i);
        const QString name = nameInPack(sample, origins.at(i));
        const NoteFit &fit = fits.at(i);
        if (fit.kind == NoteFit::LengthUnknown)
            unknown << name;
        if (fit.kind == NoteFit::Lowered)
            lowered << QStringLiteral("%1: %2 → %3").arg(name, sample.note, fit.note);
        if (fit.kind == NoteFit::FitsNowhere)
            nowhere << (fit.note == sample.note ? QStringLiteral("%1: %2").arg(name, fit.note)
                                                : QStringLiteral("%1: %2 → %3").arg(name, sample.note, fit.note));
        if (fit.note != sample.note) {
            // Only the note changes: the label, and so the ready mark, stays.
            sample.note = fit.note;
            storeSample(ui->sampleCombo, i, sample);
        }
    }
    refreshControls();
    if (lowered.isEmpty() && nowhere.isEmpty() && unknown.isEmpty())
        return;
    showListing(QStringLiteral("Notes fitted to tracker length"), !unknown.isEmpty(), [&](int shown) {
        return listedSections({{QStringLiteral("Lowered to the highest note at which classic trackers play them whole"), lowered},
                               {QStringLiteral("Too long at every note, so at C-1, where they are shortest"), nowhere},
                               {lengthUnknownHeading(), unknown}},
                              shown);
    });
}
