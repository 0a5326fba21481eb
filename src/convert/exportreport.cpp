#include "exportreport.h"

#include "module.h"

#include <QLocale>

namespace {

/// \a lines one to a line; with \a shown (not -1), the first that many and
/// how many more there are.
QString listed(const QStringList &lines, int shown)
{
    if (shown < 0 || lines.size() <= shown)
        return lines.join(QLatin1Char('\n'));
    return (lines.mid(0, shown) + QStringList{QStringLiteral("… and %1 more").arg(lines.size() - shown)})
        .join(QLatin1Char('\n'));
}

} // namespace

QString listedSections(const QList<std::pair<QString, QStringList>> &sections, int shown)
{
    QStringList texts;
    for (const auto &[heading, lines] : sections) {
        if (!lines.isEmpty())
            texts << heading + QStringLiteral(":\n\n") + listed(lines, shown);
    }
    return texts.join(QStringLiteral("\n\n"));
}

QString reportText(const ExportReport &report, int shown)
{
    QStringList sections;
    const auto section = [&sections, shown](const QString &heading, const QStringList &lines) {
        if (!lines.isEmpty())
            sections << listedSections({{heading, lines}}, shown);
    };
    section(QStringLiteral("Folders that could not be read"), report.unreadable);
    section(QStringLiteral("%1 of %2 samples were not written").arg(report.notWritten.size()).arg(report.total),
            report.notWritten);
    if (!report.moduleProblem.isEmpty())
        sections << QStringLiteral("%1 was not written: %2").arg(report.module, report.moduleProblem);
    section(QStringLiteral("%1 of %2 samples are not in %3").arg(report.leftOut.size()).arg(report.total).arg(report.module),
            report.leftOut);
    section(QStringLiteral("Cut to fit %1").arg(report.module), report.cut);
    if (report.moduleSize > 0)
        sections << moduleSizeLine(report.module, report.moduleSize);
    if (report.breaksLeftOut > 0)
        sections << QStringLiteral("%1 plays %2 break%3 of its slices less than it holds: a module's song has at most "
                                   "%4 patterns")
                        .arg(report.module)
                        .arg(report.breaksLeftOut)
                        .arg(report.breaksLeftOut == 1 ? QString() : QStringLiteral("s"))
                        .arg(mostPatterns);
    section(QStringLiteral("Not sliced, so made whole"), report.notSliced);
    section(QStringLiteral("Their loops lie outside the part they keep, so they play once"), report.loopsDropped);
    section(QStringLiteral("No loop to crossfade, so made without a crossfade"), report.withoutLoop);
    section(QStringLiteral("Their crossfades are shorter than asked, or left out"), report.crossfadesShort);
    section(QStringLiteral("Raised far by Normalise"), report.noisy);
    section(QStringLiteral("Silent throughout, so made whole"), report.silent);
    section(QStringLiteral("Their silence could not be found, so made whole"), report.untrimmed);
    section(QStringLiteral("Made at a lower note for a tracker to play whole"), report.lowered);
    section(QStringLiteral("Made at a lower note for %1 to take at most %2 bytes")
                .arg(report.module, QLocale(QLocale::English).toString(report.budget)),
            report.loweredForSize);
    section(lengthUnknownHeading(), report.lengthUnknown);
    section(QStringLiteral("Too long for a tracker to play whole"), report.tooLong);
    if (report.notSound > 0)
        sections << notSoundLine(report.notSound);
    return sections.join(QStringLiteral("\n\n"));
}

QString notSoundLine(qsizetype files)
{
    if (files <= 0)
        return QString();
    if (files == 1)
        return QStringLiteral("1 file in the folders is not a sound file, so it was left out");
    return QStringLiteral("%1 files in the folders are not sound files, so they were left out")
        .arg(QLocale(QLocale::English).toString(files));
}

QString lengthUnknownHeading()
{
    return QStringLiteral("Their length could not be read, so their notes are as they were");
}
