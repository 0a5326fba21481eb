#include "soundfiles.h"

#include <cstring>
#include <strings.h>

QStringList soundFileExtensions()
{
    return {QStringLiteral("wav"),  QStringLiteral("flac"), QStringLiteral("aif"), QStringLiteral("aiff"),
            QStringLiteral("aifc"), QStringLiteral("ogg"),  QStringLiteral("mp3"), QStringLiteral("au"),
            QStringLiteral("snd"),  QStringLiteral("w64"),  QStringLiteral("caf"), QStringLiteral("8svx")};
}

namespace {

/// The length of \a name's sound file extension with its dot; 0 for none.
qsizetype extensionLength(const QString &name)
{
    for (const QString &extension : soundFileExtensions()) {
        const qsizetype length = extension.size() + 1;
        if (name.size() > length && name.at(name.size() - length) == QLatin1Char('.')
            && name.endsWith(extension, Qt::CaseInsensitive))
            return length;
    }
    return 0;
}

} // namespace

bool isSoundFileName(const QString &name)
{
    return extensionLength(name) > 0;
}

bool isSoundFileName(const char *name)
{
    // Extensions are ASCII: the bytes need no decoding to be compared.
    const char *dot = std::strrchr(name, '.');
    if (!dot || dot == name)
        return false;
    for (const QString &extension : soundFileExtensions()) {
        if (::strcasecmp(dot + 1, extension.toLatin1().constData()) == 0)
            return true;
    }
    return false;
}

QString withoutSoundExtension(const QString &name)
{
    return name.chopped(extensionLength(name));
}

QString soundFilePatterns()
{
    QStringList patterns;
    for (const QString &extension : soundFileExtensions())
        patterns << QStringLiteral("*.") + extension;
    return patterns.join(QLatin1Char(' '));
}
