#include "kittablemodel.h"

#include "module.h"
#include "notetable.h"
#include "recordingreader.h"
#include "shaping.h"
#include "trackersample.h"
#include "waveformnumbers.h"

#include <QApplication>
#include <QMimeData>
#include <QStyle>

namespace {

const QString rowMimeType = QStringLiteral("application/x-brindlebox-kit-row");

} // namespace

KitTableModel::KitTableModel(QAbstractItemModel *sampleList, std::function<void(int, int)> move, QObject *parent)
    : QIdentityProxyModel(parent)
    , m_reader(new RecordingReader(this))
    , m_move(std::move(move))
{
    setSourceModel(sampleList);
    // A change of an entry changes every column of its row; a recording
    // read, the lengths of the rows that have it.
    connect(sampleList, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &from, const QModelIndex &to) {
        emit dataChanged(index(from.row(), 0), index(to.row(), ColumnCount - 1));
    });
    connect(m_reader, &RecordingReader::read, this, [this] {
        if (rowCount() > 0)
            emit dataChanged(index(0, BytesColumn), index(rowCount() - 1, ColumnCount - 1));
    });
}

int KitTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QModelIndex KitTableModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount)
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex KitTableModel::parent(const QModelIndex &) const
{
    return QModelIndex();
}

QModelIndex KitTableModel::sibling(int row, int column, const QModelIndex &) const
{
    return index(row, column);
}

QModelIndex KitTableModel::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!proxyIndex.isValid() || !sourceModel())
        return QModelIndex();
    return sourceModel()->index(proxyIndex.row(), 0);
}

QModelIndex KitTableModel::mapFromSource(const QModelIndex &sourceIndex) const
{
    if (!sourceIndex.isValid())
        return QModelIndex();
    return createIndex(sourceIndex.row(), 0);
}

Qt::ItemFlags KitTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QVariant KitTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QIdentityProxyModel::headerData(section, orientation, role);
    switch (section) {
    case SlotColumn: return tr("Slot");
    case NameColumn: return tr("Name");
    case NoteColumn: return tr("Note");
    case BytesColumn: return tr("Bytes");
    case SecondsColumn: return tr("Seconds");
    case LoopColumn: return tr("Loop");
    case ReadyColumn: return tr("Ready");
    case TrackerColumn: return tr("Classic Trackers");
    }
    return QVariant();
}

QVariant KitTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !sourceModel())
        return QVariant();
    const int row = index.row();
    if (role == Qt::TextAlignmentRole && (index.column() == BytesColumn || index.column() == SecondsColumn))
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != Qt::DecorationRole)
        return QVariant();
    const QModelIndex entry = sourceModel()->index(row, 0);
    const Sample sample = qvariant_cast<Sample>(entry.data(Qt::UserRole));
    switch (index.column()) {
    case SlotColumn:
        if (role == Qt::DisplayRole)
            return row < moduleSampleSlots ? QString::number(row + 1) : tr("not in the module");
        break;
    case NameColumn:
        if (role == Qt::DisplayRole)
            return sample.name;
        if (role == Qt::ToolTipRole)
            return sample.path;
        break;
    case NoteColumn:
        if (role == Qt::DisplayRole)
            return sample.note;
        break;
    case ReadyColumn:
        if (role == Qt::DisplayRole)
            return sample.ready ? tr("Ready") : tr("Not Ready");
        break;
    default:
        return lengthData(row, index.column(), role);
    }
    return QVariant();
}

QVariant KitTableModel::lengthData(int row, int column, int role) const
{
    const QModelIndex entry = sourceModel()->index(row, 0);
    const Sample sample = qvariant_cast<Sample>(entry.data(Qt::UserRole));
    const FoundFile origin = qvariant_cast<FoundFile>(entry.data(originRole));
    const SampleShape shape = qvariant_cast<SampleShape>(entry.data(shapeRole));
    // What a cell says instead of a length, and why.
    const auto instead = [role, column](const QString &text, const QString &why) -> QVariant {
        if (column == TrackerColumn)
            return QVariant();
        return role == Qt::DisplayRole ? QVariant(text) : role == Qt::ToolTipRole ? QVariant(why) : QVariant();
    };
    if (!origin.problem.isEmpty())
        return instead(tr("—"), origin.problem);
    const RecordingFacts *facts = m_reader->facts(sample.path);
    if (!facts)
        return instead(tr("…"), tr("Reading %1").arg(sample.path));
    if (!facts->problem.isEmpty())
        return instead(tr("—"), facts->problem);
    const ShapedRecording shaped = shapeRecording(facts->format, shape);
    if (!shaped.problem.isEmpty())
        return instead(tr("—"), shaped.problem);
    const int rate = noteFrequencies.value(sample.note);
    const qint64 sound = soundBytesAt(shaped.source, rate);
    if (sound < 0)
        return instead(tr("not known"), tr("The length of %1 cannot be read from its header.").arg(sample.path));
    const TrackerLayout layout = trackerLayout(sound, rate, shaped.source);
    const bool tooLong = layout.bodySize > classicTrackerSampleBytes;
    if (tooLong && (column == BytesColumn || column == TrackerColumn)) {
        // Marked as the export's report marks it: with the note at which it fits.
        const QString fits = highestFittingNote(shaped.source);
        const QString said = fits.isEmpty() ? tr("too long: only a shorter recording fits")
                                            : tr("too long: at %1 or lower it fits").arg(fits);
        if (role == Qt::DecorationRole)
            return column == BytesColumn ? QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning) : QVariant();
        if (role == Qt::ToolTipRole)
            return tr("%1 bytes; classic trackers play at most %2 (%3 in newer ones); %4")
                .arg(number(layout.bodySize), number(classicTrackerSampleBytes), number(trackerSampleBytesLimit), said);
        if (column == TrackerColumn)
            return said;
    }
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (column) {
    case BytesColumn:
        return number(layout.bodySize);
    case SecondsColumn:
        return QStringLiteral("%1 s").arg(double(layout.bodySize) / qMax(rate, 1), 0, 'f', 2);
    case LoopColumn:
        return layout.looped ? tr("from byte %1, %2 bytes").arg(number(layout.loopStart), number(layout.loopLength))
                             : tr("no loop");
    }
    return QVariant();
}

std::optional<BudgetEntry> KitTableModel::budgetEntryAt(int row) const
{
    const QModelIndex entry = sourceModel()->index(row, 0);
    const Sample sample = qvariant_cast<Sample>(entry.data(Qt::UserRole));
    const FoundFile origin = qvariant_cast<FoundFile>(entry.data(originRole));
    // A path that may name another file tells nothing of this one.
    if (!origin.problem.isEmpty())
        return BudgetEntry{WavFormat(), sample.note, false, std::nullopt};
    const RecordingFacts *facts = m_reader->facts(sample.path);
    if (!facts)
        return std::nullopt;
    const SampleShape shape = qvariant_cast<SampleShape>(entry.data(shapeRole));
    const ShapedRecording shaped = shapeRecording(facts->format, shape);
    const bool converts = facts->problem.isEmpty() && facts->format.sampleRate > 0 && shaped.problem.isEmpty();
    // Slices of one recording side by side bring the break's patterns.
    return BudgetEntry{shaped.source, sample.note, converts, sliceOrigin(sample, shape, facts->format)};
}

KitTableModel::ModuleSize KitTableModel::moduleSize() const
{
    // Only the samples that take a slot count: the first that convert.
    ModuleSize size;
    QList<BudgetEntry> entries;
    QStringList names;
    int members = 0;
    bool reading = false;
    for (int row = 0; row < rowCount() && members < moduleSampleSlots; ++row) {
        const std::optional<BudgetEntry> entry = budgetEntryAt(row);
        // Still being read, it may take a slot: those after it wait.
        if (!entry) {
            reading = true;
            ++members;
            continue;
        }
        entries << *entry;
        names << qvariant_cast<Sample>(sourceModel()->index(row, 0).data(Qt::UserRole)).name;
        members += entry->converts;
        if (entry->converts && !entry->source.lengthKnown())
            size.unknown << names.constLast();
    }
    if (reading)
        return size;
    if (!size.unknown.isEmpty()) {
        size.state = ModuleSize::Unknown;
        return size;
    }
    size.state = ModuleSize::Known;
    size.bytes = kitModuleSize(entries);
    return size;
}

QStringList KitTableModel::mimeTypes() const
{
    return {rowMimeType};
}

QMimeData *KitTableModel::mimeData(const QModelIndexList &indexes) const
{
    if (indexes.isEmpty())
        return nullptr;
    auto *data = new QMimeData;
    data->setData(rowMimeType, QByteArray::number(indexes.constFirst().row()));
    return data;
}

bool KitTableModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int, int, const QModelIndex &) const
{
    // A row of this table, not what the combo box's own model would take.
    return action == Qt::MoveAction && data && data->hasFormat(rowMimeType);
}

bool KitTableModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int, const QModelIndex &parent)
{
    if (action != Qt::MoveAction || !data || !data->hasFormat(rowMimeType))
        return false;
    bool ok = false;
    const int from = data->data(rowMimeType).toInt(&ok);
    if (!ok || from < 0 || from >= rowCount())
        return false;
    // Dropped between rows: before row; on one: in its place; below the
    // last: at the end.
    int before = row;
    if (before < 0)
        before = parent.isValid() ? parent.row() : rowCount();
    const int to = before > from ? before - 1 : before;
    if (to != from)
        m_move(from, to);
    return true;
}
