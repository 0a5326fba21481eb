#include "exportengine.h"

#include "converter.h"
#include "export.h"
#include "publish.h"
#include "trackersample.h"

#include <QDebug>
#include <QFile>
#include <QThread>

namespace {

const QString cancelledReason = QStringLiteral("the export was cancelled");

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

QString reportText(const ExportReport &report, int shown)
{
    QStringList sections;
    if (!report.notWritten.isEmpty()) {
        sections << QStringLiteral("%1 of %2 samples were not written:\n\n%3")
                        .arg(report.notWritten.size())
                        .arg(report.total)
                        .arg(listed(report.notWritten, shown));
    }
    if (!report.tooLong.isEmpty())
        sections << QStringLiteral("Too long for a tracker to play whole:\n\n%1").arg(listed(report.tooLong, shown));
    return sections.join(QStringLiteral("\n\n"));
}

ExportEngine::ExportEngine(const QList<Sample> &samples, const QString &directory, int jobs, QObject *parent)
    : QObject(parent)
    , m_samples(samples)
    , m_directory(directory)
    , m_jobs(jobs > 0 ? jobs : QThread::idealThreadCount())
    , m_conversions(samples.size())
{
    m_report.total = samples.size();
}

// Each conversion still running stops its sox and removes its file.
ExportEngine::~ExportEngine() = default;

void ExportEngine::start()
{
    schedule();
}

void ExportEngine::cancel()
{
    if (m_finished)
        return;
    m_cancelled = true;
    schedule();
}

void ExportEngine::schedule()
{
    // A conversion can finish while another is being started, and a front
    // end can cancel while it is told of a sample: one pass at a time, and
    // another pass when something came up meanwhile.
    if (m_scheduling) {
        m_scheduleAgain = true;
        return;
    }
    m_scheduling = true;
    do {
        m_scheduleAgain = false;
        while (settleNext()) {
        }
        startConversions();
    } while (m_scheduleAgain);
    m_scheduling = false;
    if (m_settled == m_samples.size() && !m_finished) {
        m_finished = true;
        emit finished();
    }
}

void ExportEngine::startConversions()
{
    while (!m_cancelled && m_running < m_jobs && m_started < m_samples.size()) {
        const int index = m_started++;
        m_conversions[index] = std::make_unique<Conversion>(m_samples.at(index), false);
        Conversion *conversion = m_conversions[index].get();
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

bool ExportEngine::settleNext()
{
    // Samples are settled in list order, so they are published, logged and
    // reported as they would be one after another.
    if (m_settled >= m_samples.size())
        return false;
    const int index = m_settled;
    std::unique_ptr<Conversion> &conversion = m_conversions[index];
    if (!m_cancelled && (!conversion || !conversion->isFinished()))
        return false;

    const Sample &sample = m_samples.at(index);
    QString reason = cancelledReason;
    if (conversion) {
        for (const QString &message : conversion->takeLog())
            qDebug().noquote() << message;
        if (!m_cancelled) {
            const QString fileName = exportFileName(sample.name);
            const QString destination = m_directory + QLatin1Char('/') + fileName;
            qDebug() << destination;
            reason = conversion->failure();
            if (reason.isEmpty())
                reason = publish(index, *conversion, fileName, destination);
        }
        if (!conversion->isFinished())
            --m_running;
        conversion.reset();
    }
    ++m_settled;
    if (reason.isEmpty()) {
        emit sampleWritten(index, m_report.written.constLast());
    } else {
        m_report.notWritten << sample.name + QStringLiteral(": ") + reason;
        emit sampleNotWritten(index, reason);
    }
    emit progressed(m_settled);
    return true;
}

QString ExportEngine::publish(int index, Conversion &conversion, const QString &fileName, const QString &destination)
{
    if (m_written.contains(destination))
        return QStringLiteral("another sample with the same name was already written");
    QFile converted(conversion.outputPath());
    if (!converted.open(QIODevice::ReadOnly))
        return QStringLiteral("sox's output cannot be read: %1").arg(converted.errorString());
    const TrackerSample finished = finishForTrackers(converted.readAll(), m_samples.at(index).name, conversion.source());
    if (!finished.problem.isEmpty())
        return finished.problem;
    if (const QString reason = publishFile(m_directory, fileName, finished.bytes); !reason.isEmpty())
        return reason;
    m_written.insert(destination);
    m_report.written << destination;
    if (const QString note = lengthNote(fileName, finished); !note.isEmpty())
        m_report.tooLong << note;
    return QString();
}
