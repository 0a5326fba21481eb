// The export engine: what it is given, and the conversions it starts, at
// most jobs at once; exportsettling.cpp settles them in list order.

#include "exportengine.h"

#include "converter.h"

#include <QThread>

ExportEngine::ExportEngine(const QList<Sample> &samples, const QString &directory, int jobs, QObject *parent)
    : QObject(parent)
    , m_samples(samples)
    , m_directory(directory)
    , m_jobs(qMin(jobs > 0 ? jobs : QThread::idealThreadCount() + 1, Conversion::mostAtOnce()))
    , m_conversions(samples.size())
{
    m_report.total = samples.size();
}

// Each conversion still running stops its sox and removes its file.
ExportEngine::~ExportEngine() = default;

void ExportEngine::setOrigins(const QList<FoundFile> &origins)
{
    m_origins = origins;
}

void ExportEngine::setShapes(const QList<SampleShape> &shapes)
{
    m_shapes = shapes;
}

void ExportEngine::noteSilentSamples(const QStringList &samples, const QStringList &untrimmed)
{
    m_report.silent = samples;
    m_report.untrimmed = untrimmed;
}

void ExportEngine::noteUnreadableFolders(const QStringList &folders, qsizetype notSound)
{
    m_report.unreadable = folders;
    m_report.notSound = notSound;
}

void ExportEngine::noteLoweredNotes(const QStringList &samples, const QStringList &lengthUnknown)
{
    m_report.lowered = samples;
    m_report.lengthUnknown = lengthUnknown;
}

QString ExportEngine::sampleLabel(int index) const
{
    return nameInPack(m_samples.at(index), m_origins.value(index));
}

QString ExportEngine::namedPath(int index) const
{
    const QString &named = m_origins.value(index).path;
    return named.isEmpty() ? m_samples.at(index).path : named;
}

QString ExportEngine::fileInFolder(int index) const
{
    const QString &folder = m_origins.value(index).subfolder;
    const QString file = exportFileName(m_samples.at(index).name);
    return folder.isEmpty() ? file : folder + QLatin1Char('/') + file;
}

void ExportEngine::start()
{
    schedule();
}

void ExportEngine::cancel()
{
    if (m_finished)
        return;
    m_cancelled = true;
    for (const std::unique_ptr<Conversion> &conversion : m_conversions) {
        if (conversion)
            conversion->cancel();
    }
    schedule();
}

void ExportEngine::startConversions()
{
    // Without a folder, a sample past those that can still fill the kit
    // need not be converted at all.
    const auto kitHasRoom = [this] {
        return !m_directory.isEmpty() || m_started - m_failed < moduleSampleSlots;
    };
    // Converted samples wait, sound in memory, until those before them are
    // settled: a long one ahead holds back only so many.
    const int lookahead = m_jobs * 16;
    while (!m_cancelled && m_running < m_jobs && m_started < m_samples.size() && m_started - m_settled < lookahead
           && kitHasRoom()) {
        const int index = m_started++;
        // A sample whose path may name another file is never converted.
        if (!m_origins.value(index).problem.isEmpty()) {
            ++m_failed;
            continue;
        }
        m_conversions[index] = std::make_unique<Conversion>(m_samples.at(index), ConversionOutput::Sound);
        Conversion *conversion = m_conversions[index].get();
        conversion->setShape(m_shapes.value(index));
        // Each sample's messages go to the log together, when it is settled.
        conversion->holdLog();
        // Queued: settling removes the conversion, which must not happen
        // while its sox process is still telling that it ended.
        connect(
            conversion, &Conversion::finished, this,
            [this] {
                --m_running;
                schedule();
            },
            Qt::QueuedConnection);
        ++m_running;
        conversion->start();
    }
}

// Its meta-object lives here, not with the window's, so the command line
// can do without the window's libraries.
#include "moc_exportengine.cpp"
