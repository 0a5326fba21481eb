#include "kitlist.h"

#include "kithistory.h"
#include "progress.h"
#include "sample.h"
#include "soundfiles.h"

#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QRegularExpression>
#include <QSet>
#include <QUndoStack>

namespace {

QComboBox *sampleList(QWidget *mainWindow)
{
    return mainWindow->findChild<QComboBox *>(QStringLiteral("sampleCombo"));
}

/// Where every entry but the one at \a except is exported to.
QSet<QString> takenNames(const QComboBox *list, int except = -1)
{
    QSet<QString> taken;
    taken.reserve(list->count());
    for (int i = 0; i < list->count(); ++i) {
        if (i != except)
            taken << exportedAs(qvariant_cast<Sample>(list->itemData(i, Qt::UserRole)).name, sampleOrigin(list, i).subfolder);
    }
    return taken;
}

/// "a.wav", "a.wav, b.wav and c.wav", "a.wav, b.wav and 38 more".
QString namesOf(const QList<KitEntry> &entries)
{
    QStringList names;
    for (const KitEntry &entry : entries.mid(0, 3))
        names << entry.sample.name;
    if (entries.size() > 3)
        return names.mid(0, 2).join(QStringLiteral(", ")) + QStringLiteral(" and %1 more").arg(entries.size() - 2);
    const QString last = names.takeLast();
    return names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

/// What Undo now says it takes back, for a message: "Undo Remove Sample of kick.wav".
QString undoText(QWidget *mainWindow)
{
    return kitHistory(mainWindow)->undoText().isEmpty() ? QString() : QStringLiteral("Undo ") + kitHistory(mainWindow)->undoText();
}

} // namespace

QString exportedAs(const QString &name, const QString &subfolder)
{
    const QString file = exportFileName(name);
    return subfolder.isEmpty() ? file : subfolder + QLatin1Char('/') + file;
}

QString freeName(const QString &name, const QString &subfolder, const QSet<QString> &taken)
{
    if (!taken.contains(exportedAs(name, subfolder)))
        return name;
    // "kick.wav" becomes "kick 2.wav", and "kick 2.wav" "kick 3.wav", as
    // file managers name a second copy.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    QString stem = dot > 0 ? name.left(dot) : name;
    static const QRegularExpression numbered(QStringLiteral("^(.*\\S) (\\d{1,9})$"));
    qint64 number = 2;
    if (const QRegularExpressionMatch match = numbered.match(stem); match.hasMatch()) {
        stem = match.captured(1);
        number = match.captured(2).toLongLong() + 1;
    }
    for (;; ++number) {
        const QString candidate = QStringLiteral("%1 %2%3").arg(stem).arg(number).arg(extension);
        if (!taken.contains(exportedAs(candidate, subfolder)))
            return candidate;
    }
}

QString sampleNameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("a sample needs a name");
    for (const QChar forbidden : {QChar(u'/'), QChar(0)}) {
        if (name.contains(forbidden))
            return QStringLiteral("a file name cannot hold \"%1\"").arg(forbidden == QChar(0) ? QStringLiteral("\\0") : QStringLiteral("/"));
    }
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("\"%1\" names a folder, not a file").arg(name);
    // What the system takes: 255 bytes a name.
    if (exportFileName(name).toUtf8().size() > 255)
        return QStringLiteral("its file, %1, would have a name longer than the 255 bytes a file name can have")
            .arg(exportFileName(name).left(24) + QStringLiteral("…"));
    return QString();
}

namespace {

/// The entries of the recordings at \a paths, found as \a origins, each
/// named so that none is exported where one of \a taken is.
QList<KitEntry> newEntries(const QStringList &paths, const QList<FoundFile> &origins, QSet<QString> taken)
{
    QList<KitEntry> added;
    added.reserve(paths.size());
    for (int i = 0; i < paths.size(); ++i) {
        KitEntry entry{sampleOfFile(paths.at(i)), SampleShape(), origins.value(i), SliceMarkers()};
        QString as = exportedAs(entry.sample.name, entry.origin.subfolder);
        if (taken.contains(as)) {
            entry.sample.name = freeName(entry.sample.name, entry.origin.subfolder, taken);
            as = exportedAs(entry.sample.name, entry.origin.subfolder);
        }
        taken.insert(as);
        added.append(std::move(entry));
    }
    return added;
}

/// A pack of thousands is named away from the window, which goes on
/// drawing itself; a few files need no thread.
constexpr qsizetype namedInPlace = 500;

} // namespace

ListEdit addRecordings(QWidget *mainWindow, const QStringList &paths, const QList<FoundFile> &origins)
{
    QComboBox *list = sampleList(mainWindow);
    if (paths.isEmpty())
        return {};
    const QSet<QString> taken = takenNames(list);
    QList<KitEntry> added;
    if (paths.size() <= namedInPlace) {
        added = newEntries(paths, origins, taken);
    } else {
        std::optional<QList<KitEntry>> named = awayFromTheWindow(
            mainWindow, QStringLiteral("Adding %1 samples").arg(paths.size()),
            [paths, origins, taken](const std::function<bool()> &) { return newEntries(paths, origins, taken); });
        if (!named)
            return {false, QStringLiteral("Nothing was added.")};
        added = std::move(*named);
    }
    replaceEntries(mainWindow, list->count(), 0, added, QStringLiteral("Add Samples of %1").arg(namesOf(added)));
    return {true, QStringLiteral("Added %1.").arg(namesOf(added))};
}

ListEdit addSamples(QWidget *parent, QWidget *mainWindow)
{
    const QStringList paths = QFileDialog::getOpenFileNames(parent, QObject::tr("Add Samples"), QStringLiteral("."),
                                                            QObject::tr("Wave Files (*.wav)") + QStringLiteral(";;")
                                                                + QObject::tr("Sound Files (%1)").arg(soundFilePatterns()));
    return addRecordings(mainWindow, paths);
}

ListEdit removeShownSample(QWidget *mainWindow)
{
    QComboBox *list = sampleList(mainWindow);
    const int shown = list->currentIndex();
    if (shown < 0)
        return {false, QStringLiteral("There is no sample to remove.")};
    const QString name = currentSample(list).name;
    replaceEntries(mainWindow, shown, 1, {}, QStringLiteral("Remove Sample of %1").arg(name));
    return {true, QStringLiteral("Removed %1; %2 (Ctrl+Z) brings it back.").arg(name, undoText(mainWindow))};
}

ListEdit moveShownSample(QWidget *mainWindow, int by)
{
    QComboBox *list = sampleList(mainWindow);
    const int shown = list->currentIndex();
    if (shown < 0)
        return {false, QStringLiteral("There is no sample to move.")};
    const QString name = currentSample(list).name;
    if (shown + by < 0)
        return {false, QStringLiteral("%1 is the first sample already: it cannot move further up.").arg(name)};
    if (shown + by >= list->count())
        return {false, QStringLiteral("%1 is the last sample already: it cannot move further down.").arg(name)};
    moveEntry(mainWindow, shown, shown + by, QStringLiteral("%1 of %2").arg(by < 0 ? QStringLiteral("Move Up") : QStringLiteral("Move Down"), name));
    return {true, QString()};
}

ListEdit moveSample(QWidget *mainWindow, int from, int to)
{
    QComboBox *list = sampleList(mainWindow);
    if (from < 0 || from >= list->count())
        return {};
    to = qBound(0, to, list->count() - 1);
    if (to == from)
        return {};
    moveEntry(mainWindow, from, to, QStringLiteral("Move of %1").arg(sampleEntry(list, from).sample.name));
    return {true, QString()};
}

ListEdit renameShownSample(QWidget *mainWindow, const QString &typed)
{
    QComboBox *list = sampleList(mainWindow);
    const int shown = list->currentIndex();
    if (shown < 0)
        return {false, QStringLiteral("There is no sample to rename.")};
    const KitEntry before = sampleEntry(list, shown);
    const QString name = typed.trimmed();
    if (const QString problem = sampleNameProblem(name); !problem.isEmpty())
        return {false, QStringLiteral("%1 keeps its name: %2.").arg(before.sample.name, problem)};
    if (name == before.sample.name)
        return {};
    if (takenNames(list, shown).contains(exportedAs(name, before.origin.subfolder)))
        return {false, QStringLiteral("%1 keeps its name: another sample is exported as %2 already, and two samples "
                                      "of one name would be one file.")
                           .arg(before.sample.name, exportedAs(name, before.origin.subfolder))};
    KitEntry after = before;
    after.sample.name = name;
    changeEntry(mainWindow, EntryChange{shown, before, after}, QStringLiteral("Rename"));
    return {true, QString()};
}

ListEdit askToRenameShownSample(QWidget *parent, QWidget *mainWindow)
{
    QComboBox *list = sampleList(mainWindow);
    if (list->currentIndex() < 0)
        return {false, QStringLiteral("There is no sample to rename.")};
    const Sample shown = currentSample(list);
    QInputDialog dialog(parent);
    dialog.setWindowTitle(QObject::tr("Rename Sample"));
    dialog.setLabelText(QObject::tr("The name %1 is exported, shown in trackers and put in the module under "
                                    "(its recording, %2, stays as it is):")
                            .arg(shown.name, shown.path));
    dialog.setTextValue(shown.name);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return renameShownSample(mainWindow, dialog.textValue());
}

ListEdit duplicateShownSample(QWidget *mainWindow)
{
    QComboBox *list = sampleList(mainWindow);
    const int shown = list->currentIndex();
    if (shown < 0)
        return {false, QStringLiteral("There is no sample to duplicate.")};
    KitEntry copy = sampleEntry(list, shown);
    const QString name = copy.sample.name;
    copy.sample.name = freeName(name, copy.origin.subfolder, takenNames(list));
    replaceEntries(mainWindow, shown + 1, 0, {copy}, QStringLiteral("Duplicate of %1").arg(name));
    return {true, QStringLiteral("%1 is a second sample of %2's recording.").arg(copy.sample.name, name)};
}
