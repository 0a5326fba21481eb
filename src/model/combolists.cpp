// The two lists the window keeps in its combo boxes, the sample list and the
// frequency list; apart from the record and the note table, which the
// command line uses with no widget at all.

#include "notetable.h"
#include "sample.h"

#include <QComboBox>
#include <QIcon>

void appendSample(QComboBox *list, const Sample &sample, const FoundFile &origin, const SampleShape &shape)
{
    list->insertItem(list->count(), QIcon(), itemLabel(sample), QVariant::fromValue(sample));
    if (!origin.path.isEmpty())
        list->setItemData(list->count() - 1, QVariant::fromValue(origin), originRole);
    if (!shape.isWhole())
        storeShape(list, list->count() - 1, shape);
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
