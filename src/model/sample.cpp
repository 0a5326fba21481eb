#include "sample.h"

#include "soundfiles.h"

QString readySuffix(bool ready)
{
    return ready ? QStringLiteral(" | Ready") : QStringLiteral(" | Not Ready");
}

Sample sampleOfFile(const QString &path, Sample settings)
{
    settings.path = path;
    settings.name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    return settings;
}

QString nameWithoutExtension(const QString &name)
{
    return withoutSoundExtension(name);
}

QString nameInPack(const Sample &sample, const FoundFile &origin)
{
    return origin.subfolder.isEmpty() ? sample.name : origin.subfolder + QLatin1Char('/') + sample.name;
}

QString exportFileName(const QString &sampleName)
{
    return nameWithoutExtension(sampleName) + QStringLiteral(".8svx");
}

QString itemLabel(const Sample &sample)
{
    return sample.name + readySuffix(sample.ready);
}
