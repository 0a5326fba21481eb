#include "exportengine.h"

#include "converter.h"
#include "export.h"
#include "publish.h"
#include "trackersample.h"

#include <QDebug>
#include <QFile>
#include <QFutureWatcher>
#include <QThread>
#include <QtConcurrent>

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

/// What writing one sample into the folder came to: why it is not there, or
/// a note on its length.
struct Published
{
    QString reason;
    QString lengthNote;
};

/// The file work of one sample, away from the window's thread, since a
/// long recording makes a large file: finishes sox's output at \a converted
/// for trackers and writes it into \a directory as \a fileName.
Published finishAndPublish(const QString &converted, const QString &sampleName, const WavFormat &source,
                           const QString &directory, const QString &fileName)
{
    QFile file(converted);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("sox's output cannot be read: %1").arg(file.errorString()), QString()};
    const TrackerSample finished = finishForTrackers(file.readAll(), sampleName, source);
    if (!finished.problem.isEmpty())
        return {finished.problem, QString()};
    if (const QString reason = publishFile(directory, fileName, finished.bytes); !reason.isEmpty())
        return {reason, QString()};
    return {QString(), lengthNote(fileName, finished)};
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
    for (const std::unique_ptr<Conversion> &conversion : m_conversions) {
        if (conversion)
            conversion->cancel();
    }
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
    // Samples are settled in list order, one file written at a time, so
    // they are published, logged and reported as they would be one after
    // another.
    if (m_settled >= m_samples.size() || m_publishing)
        return false;
    const int index = m_settled;
    std::unique_ptr<Conversion> &conversion = m_conversions[index];
    if (!m_cancelled && (!conversion || !conversion->isFinished()))
        return false;

    QString reason = cancelledReason;
    if (conversion) {
        for (const QString &message : conversion->takeLog())
            qDebug().noquote() << message;
        if (!m_cancelled) {
            const QString fileName = exportFileName(m_samples.at(index).name);
            const QString destination = m_directory + QLatin1Char('/') + fileName;
            qDebug() << destination;
            reason = conversion->failure();
            if (reason.isEmpty() && m_written.contains(destination))
                reason = QStringLiteral("another sample with the same name was already written");
            if (reason.isEmpty()) {
                publish(index, fileName, destination);
                return false;
            }
        }
        if (!conversion->isFinished())
            --m_running;
        conversion.reset();
    }
    settle(index, reason);
    return true;
}

void ExportEngine::publish(int index, const QString &fileName, const QString &destination)
{
    m_publishing = true;
    const Conversion &conversion = *m_conversions[index];
    auto *publishing = new QFutureWatcher<Published>(this);
    connect(publishing, &QFutureWatcherBase::finished, this, [this, publishing, index, destination] {
        const Published published = publishing->result();
        publishing->deleteLater();
        m_publishing = false;
        m_conversions[index].reset();
        if (published.reason.isEmpty()) {
            m_written.insert(destination);
            m_report.written << destination;
            if (!published.lengthNote.isEmpty())
                m_report.tooLong << published.lengthNote;
        }
        settle(index, published.reason);
        schedule();
    });
    publishing->setFuture(QtConcurrent::run(finishAndPublish, conversion.outputPath(), m_samples.at(index).name,
                                            conversion.source(), m_directory, fileName));
}

void ExportEngine::settle(int index, const QString &reason)
{
    ++m_settled;
    if (reason.isEmpty()) {
        emit sampleWritten(index, m_report.written.constLast());
    } else {
        m_report.notWritten << m_samples.at(index).name + QStringLiteral(": ") + reason;
        emit sampleNotWritten(index, reason);
    }
    emit progressed(m_settled);
}
