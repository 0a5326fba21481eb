// What concerns every conversion at once: stopping them all when the
// program must end now, and how many may run side by side.

#include "converter.h"

#include <QDir>
#include <QSet>

#include <limits>
#include <sys/resource.h>

QSet<Conversion *> &Conversion::live()
{
    static QSet<Conversion *> conversions;
    return conversions;
}

void Conversion::stopAll()
{
    for (Conversion *conversion : std::as_const(live())) {
        // No conversion may follow the header's reading now.
        conversion->m_cancelled = true;
        conversion->m_sox.kill();
        conversion->m_sox.waitForFinished();
    }
}

int Conversion::mostAtOnce()
{
    // A running sox holds four of ours (three pipes and its process's own),
    // and one more while it starts; a few stay for reading sources and
    // writing files meanwhile.
    constexpr qint64 perRun = 5;
    constexpr qint64 kept = 16;
    struct rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return std::numeric_limits<int>::max();
    const qint64 open = QDir(QStringLiteral("/proc/self/fd")).count();
    return int(qBound(qint64(1), (qint64(limit.rlim_cur) - open - kept) / perRun, qint64(std::numeric_limits<int>::max())));
}
