#include "sample.h"

#include <QIcon>

QString readySuffix(bool ready)
{
    return ready ? QStringLiteral(" | Ready") : QStringLiteral(" | Not Ready");
}

Sample sampleOfFile(const QString &path, Sample settings)
{
    settings.path = path;
    settings.name = path.split(QLatin1Char('/')).last();
    return settings;
}

QString nameWithoutWav(const QString &name)
{
    const QString extension = QStringLiteral(".wav");
    return name.endsWith(extension, Qt::CaseInsensitive) ? name.chopped(extension.size()) : name;
}

QString itemLabel(const Sample &sample)
{
    return sample.name + readySuffix(sample.ready);
}

void appendSample(QComboBox *list, const Sample &sample)
{
    list->insertItem(list->count(), QIcon(), itemLabel(sample), QVariant::fromValue(sample));
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
