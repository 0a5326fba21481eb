// Fit Kit into Size…, from the context menu: the notes lowered, longest
// sounds first or all under one ceiling, until the kit's module fits the
// memory of the machine it is for, or a competition's limit.

#include "budget.h"
#include "budgetdialog.h"
#include "exportreport.h"
#include "kithistory.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "module.h"
#include "notefitting.h"
#include "progress.h"
#include "question.h"
#include "sample.h"

#include <QComboBox>
#include <QLocale>

namespace {

/// A budget a musician meets: what it is for, and its bytes.
struct Budget
{
    QString name;
    qint64 bytes;
};

QList<Budget> budgets()
{
    return {{QStringLiteral("4 KB"), 4 * 1024},
            {QStringLiteral("8 KB"), 8 * 1024},
            {QStringLiteral("32 KB"), 32 * 1024},
            {QStringLiteral("64 KB"), 64 * 1024},
            {QStringLiteral("512 KB: an Amiga 500's chip memory"), amiga500ChipBytes},
            {QStringLiteral("1 MB: an Amiga 600's chip memory"), amiga600ChipBytes},
            {QStringLiteral("2 MB: an Amiga 1200's chip memory"), amiga1200ChipBytes}};
}

QString number(qint64 value)
{
    return QLocale(QLocale::English).toString(value);
}

/// How each budget is offered: "64 KB (65,536 bytes)".
QString offered(const Budget &budget)
{
    return QStringLiteral("%1 (%2 bytes)").arg(budget.name, number(budget.bytes));
}

/// What the samples bring to the kit, their headers read (and their frames
/// counted by sox where the header cannot tell them) until the module's
/// slots are full: only those samples take room in it.
QList<BudgetEntry> readEntries(const std::function<bool()> &cancelled, const QList<Sample> &samples,
                               const QList<FoundFile> &origins, const QList<SampleShape> &shapes)
{
    QList<BudgetEntry> entries;
    int converting = 0;
    for (int i = 0; i < samples.size() && !cancelled(); ++i) {
        // Past the module's slots a sample takes no room: only its note counts.
        if (converting >= moduleSampleSlots) {
            entries << BudgetEntry{WavFormat(), samples.at(i).note, false, std::nullopt};
            continue;
        }
        // A path that may name another file tells nothing of this one.
        const WavFormat recording = origins.at(i).problem.isEmpty() ? readRecording(samples.at(i).path) : WavFormat();
        entries << budgetEntry(samples.at(i), origins.at(i), shapes.at(i), recording);
        converting += entries.constLast().converts;
    }
    return entries;
}

} // namespace

void MainWindow::fitKitIntoSize()
{
    QStringList items;
    for (const Budget &budget : budgets())
        items << offered(budget);
    // It opens at what was asked for last, as the kit window weighs the
    // module against that.
    AskedBudget *asked = askedBudget(this);
    BudgetDialog dialog(this, items, asked->text.isEmpty() ? items.at(3) : asked->text, asked->rule);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString typed = dialog.sizeText();
    const qsizetype chosen = items.indexOf(typed);
    bool tooLarge = false;
    const qint64 budget = chosen >= 0 ? budgets().at(chosen).bytes : parseByteCount(typed, &tooLarge);
    if (tooLarge) {
        warnUser(tr("Fit Kit into Size"), QStringLiteral("%1 is too large a number of bytes").arg(typed));
        return;
    }
    if (budget < moduleSize({})) {
        warnUser(tr("Fit Kit into Size"),
                 QStringLiteral("%1 is no size a module can take: give a number of bytes, at least %2, or one with K or M "
                                "(64K, 512K, 1M)")
                     .arg(typed, number(moduleSize({}))));
        return;
    }
    asked->remember(typed, budget, dialog.rule());

    const QList<Sample> samples = allSamples(ui->sampleCombo);
    const QList<FoundFile> origins = allOrigins(ui->sampleCombo);
    const std::optional<QList<BudgetEntry>> entries = awayFromTheWindow(
        this, QStringLiteral("Reading how long each sample is"),
        [samples, origins, shapes = allShapes(ui->sampleCombo)](const std::function<bool()> &cancelled) {
            return readEntries(cancelled, samples, origins, shapes);
        });
    if (!entries)
        return;
    const BudgetFit fit = fitByRule(dialog.rule(), *entries, budget);
    QStringList names;
    for (int i = 0; i < samples.size(); ++i)
        names << nameInPack(samples.at(i), origins.at(i));

    const QString title = tr("Fit Kit into Size");
    if (fit.kind == BudgetFit::LengthUnknown || fit.kind == BudgetFit::TooLarge) {
        QStringList listed;
        if (fit.kind == BudgetFit::TooLarge) {
            for (const auto &[index, bytes] : fit.largest)
                listed << QStringLiteral("%1: %2 bytes").arg(names.at(index), number(bytes));
        } else {
            for (const int index : fit.unknown)
                listed << names.at(index);
        }
        const QString said = fit.kind == BudgetFit::TooLarge
            ? QStringLiteral("Even at C-1 the kit's module would take %1 bytes, %2 more than the %3 asked for, so no "
                             "note was changed.")
                  .arg(number(fit.size), number(fit.size - budget), number(budget))
            : QStringLiteral("The kit's size cannot be reckoned, so no note was changed.");
        const QString heading = fit.kind == BudgetFit::TooLarge ? QStringLiteral("Its largest samples at C-1")
                                                                 : lengthUnknownHeading();
        showListing(title, true, [&](int shown) { return said + QStringLiteral("\n\n") + listedSections({{heading, listed}}, shown); });
        return;
    }

    // Only the notes change, as one step that Undo takes back: the labels,
    // and so the ready marks, stay.
    QStringList lowered;
    QList<EntryChange> changes;
    for (int i = 0; i < samples.size(); ++i) {
        if (fit.notes.at(i) == samples.at(i).note)
            continue;
        lowered << QStringLiteral("%1: %2 → %3").arg(names.at(i), samples.at(i).note, fit.notes.at(i));
        EntryChange change{i, sampleEntry(ui->sampleCombo, i), {}};
        change.after = change.before;
        change.after.sample.note = fit.notes.at(i);
        changes << change;
    }
    changeEntries(this, changes, tr("Fit Kit into Size"));
    const QString said = QStringLiteral("At %1 the kit's module takes %2 bytes, %3 less than the %4 asked for.")
                             .arg(lowered.isEmpty() ? QStringLiteral("the notes it has") : QStringLiteral("these notes"),
                                  number(fit.size), number(budget - fit.size), number(budget));
    showListing(title, false, [&](int shown) {
        return lowered.isEmpty() ? said
                                 : said + QStringLiteral("\n\n")
                + listedSections({{QStringLiteral("Lowered to fit"), lowered}}, shown);
    });
}
