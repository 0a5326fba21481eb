// The two lists the window keeps in its combo boxes, the sample list and the
// frequency list; apart from the record and the note table, which the
// command line uses with no widget at all.

#include "notetable.h"
#include "sample.h"

#include <QComboBox>
#include <QIcon>
#include <QSignalBlocker>
#include <QStandardItemModel>

void appendSample(QComboBox *list, const Sample &sample, const FoundFile &origin, const SampleShape &shape)
{
    insertEntry(list, list->count(), KitEntry{sample, shape, origin, SliceMarkers()});
}

void insertEntry(QComboBox *list, int index, const KitEntry &entry)
{
    list->insertItem(index, QIcon(), itemLabel(entry.sample), QVariant::fromValue(entry.sample));
    if (!entry.origin.path.isEmpty() || !entry.origin.subfolder.isEmpty() || !entry.origin.problem.isEmpty())
        list->setItemData(index, QVariant::fromValue(entry.origin), originRole);
    if (!entry.shape.isWhole())
        storeShape(list, index, entry.shape);
    if (!entry.markers.isEmpty())
        storeMarkers(list, index, entry.markers);
}

void insertEntries(QComboBox *list, int index, const QList<KitEntry> &entries)
{
    // All in one change of the model, which every view of it follows at
    // once: a kit of thousands is put in as fast as one sample.
    auto *model = qobject_cast<QStandardItemModel *>(list->model());
    if (!model || entries.size() < 2) {
        for (qsizetype i = 0; i < entries.size(); ++i)
            insertEntry(list, index + int(i), entries.at(i));
        return;
    }
    QList<QStandardItem *> items;
    items.reserve(entries.size());
    for (const KitEntry &entry : entries) {
        auto *item = new QStandardItem(itemLabel(entry.sample));
        item->setData(QVariant::fromValue(entry.sample), Qt::UserRole);
        if (!entry.origin.path.isEmpty() || !entry.origin.subfolder.isEmpty() || !entry.origin.problem.isEmpty())
            item->setData(QVariant::fromValue(entry.origin), originRole);
        if (!entry.shape.isWhole())
            item->setData(QVariant::fromValue(entry.shape), shapeRole);
        items << item;
    }
    model->invisibleRootItem()->insertRows(index, items);
}

void removeEntries(QComboBox *list, int index, int count)
{
    if (count == 1)
        list->removeItem(index);
    else if (count > 1)
        list->model()->removeRows(index, count);
}

KitEntry sampleEntry(const QComboBox *list, int index)
{
    return {qvariant_cast<Sample>(list->itemData(index, Qt::UserRole)), sampleShape(list, index),
            sampleOrigin(list, index), sliceMarkers(list, index)};
}

QList<KitEntry> allEntries(const QComboBox *list)
{
    QList<KitEntry> entries;
    entries.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        entries.append(sampleEntry(list, i));
    return entries;
}

void storeEntry(QComboBox *list, int index, const KitEntry &entry)
{
    storeSample(list, index, entry.sample);
    relabelSample(list, index, entry.sample);
    list->setItemData(index, QVariant::fromValue(entry.origin), originRole);
    storeShape(list, index, entry.shape);
    storeMarkers(list, index, entry.markers);
}

void moveEntry(QComboBox *list, int from, int to)
{
    if (from == to || from < 0 || to < 0 || from >= list->count() || to >= list->count())
        return;
    const int shown = list->currentIndex();
    const KitEntry entry = sampleEntry(list, from);
    // Quiet while the entry is out of the list: the shown sample is shown
    // again where it lands, not some neighbour meanwhile.
    {
        const QSignalBlocker quiet(list);
        list->removeItem(from);
        insertEntry(list, to, entry);
    }
    int nowShown = shown;
    if (shown == from)
        nowShown = to;
    else if (from < shown && shown <= to)
        --nowShown;
    else if (to <= shown && shown < from)
        ++nowShown;
    list->setCurrentIndex(nowShown);
}

Sample currentSample(const QComboBox *list)
{
    return qvariant_cast<Sample>(list->currentData(Qt::UserRole));
}

void storeCurrentSample(QComboBox *list, const Sample &sample)
{
    storeSample(list, list->currentIndex(), sample);
}

void storeSample(QComboBox *list, int index, const Sample &sample)
{
    list->setItemData(index, QVariant::fromValue(sample), Qt::UserRole);
}

void relabelCurrentSample(QComboBox *list, const Sample &sample)
{
    relabelSample(list, list->currentIndex(), sample);
}

void relabelSample(QComboBox *list, int index, const Sample &sample)
{
    list->setItemText(index, itemLabel(sample));
}

QList<Sample> allSamples(const QComboBox *list)
{
    QList<Sample> samples;
    samples.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        samples.append(qvariant_cast<Sample>(list->itemData(i, Qt::UserRole)));
    return samples;
}

void fillFrequencyList(QComboBox *list)
{
    for (const QString &name : notesByRate())
        list->insertItem(list->count(), QIcon(), name, noteFrequencies[name]);
}

FoundFile sampleOrigin(const QComboBox *list, int index)
{
    return qvariant_cast<FoundFile>(list->itemData(index, originRole));
}

QList<FoundFile> allOrigins(const QComboBox *list)
{
    QList<FoundFile> origins;
    origins.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        origins.append(sampleOrigin(list, i));
    return origins;
}

SampleShape sampleShape(const QComboBox *list, int index)
{
    return qvariant_cast<SampleShape>(list->itemData(index, shapeRole));
}

void storeShape(QComboBox *list, int index, const SampleShape &shape)
{
    list->setItemData(index, QVariant::fromValue(shape), shapeRole);
}

qsizetype filesNotSound(const QComboBox *list)
{
    return list->property("filesNotSound").toLongLong();
}

void setFilesNotSound(QComboBox *list, qsizetype files)
{
    list->setProperty("filesNotSound", qint64(files));
}

QList<SampleShape> allShapes(const QComboBox *list)
{
    QList<SampleShape> shapes;
    shapes.reserve(list->count());
    for (int i = 0; i < list->count(); ++i)
        shapes.append(sampleShape(list, i));
    return shapes;
}

SliceMarkers sliceMarkers(const QComboBox *list, int index)
{
    return qvariant_cast<SliceMarkers>(list->itemData(index, markersRole));
}

void storeMarkers(QComboBox *list, int index, const SliceMarkers &markers)
{
    list->setItemData(index, QVariant::fromValue(markers), markersRole);
}
