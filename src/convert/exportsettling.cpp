// The export engine's settling: samples are settled in list order, each
// converted one finished and published away from the window's thread, and
// the report told of it; once all are settled, the module is written.

#include "exportengine.h"

#include "converter.h"
#include "finishing.h"
#include "notetable.h"
#include "trackersample.h"

#include <QDebug>
#include <QFutureWatcher>
#include <QLocale>
#include <QtConcurrent>

namespace {

const QString cancelledReason = QStringLiteral("the export was cancelled");
const QString kitFullReason = QStringLiteral("a module holds at most %1 samples").arg(moduleSampleSlots);
const QString takenReason = QStringLiteral("another sample with the same name was already written");

} // namespace

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
    if (m_settled < m_samples.size() || m_writingModule || m_finished)
        return;
    if (makesModule() && m_report.moduleProblem.isEmpty() && !m_moduleWritten) {
        if (!m_cancelled) {
            writeModule();
            return;
        }
        moduleNotWritten(cancelledReason);
    }
    m_finished = true;
    emit finished();
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
    if (const QString &problem = m_origins.value(index).problem; !problem.isEmpty() && index < m_started && !m_cancelled) {
        qDebug().noquote() << QStringLiteral("sox not run for %1: %2").arg(namedPath(index), problem);
        settle(index, problem, problem);
        return true;
    }
    if (!conversion && !m_cancelled && m_directory.isEmpty() && m_kit.size() >= moduleSampleSlots) {
        settle(index, QString(), kitFullReason);
        return true;
    }
    if (!m_cancelled && (!conversion || !conversion->isFinished()))
        return false;

    QString reason = cancelledReason;
    if (conversion) {
        for (const QString &message : conversion->takeLog())
            qDebug().noquote() << message;
        if (!m_cancelled) {
            QString destination;
            if (!m_directory.isEmpty()) {
                destination = m_directory + QLatin1Char('/') + fileInFolder(index);
                qDebug() << destination;
            }
            reason = conversion->failure();
            if (reason.isEmpty()) {
                publish(index, destination);
                return false;
            }
            ++m_failed;
        }
        if (!conversion->isFinished())
            --m_running;
        conversion.reset();
    }
    settle(index, reason, reason);
    return true;
}

void ExportEngine::publish(int index, const QString &destination)
{
    m_publishing = true;
    const Sample &sample = m_samples.at(index);
    const Conversion &conversion = *m_conversions[index];
    if (const QString dropped = conversion.loopDropped(); !dropped.isEmpty())
        m_report.loopsDropped << sampleLabel(index) + QStringLiteral(": ") + dropped;
    if (conversion.noLoopToCrossfade())
        m_report.withoutLoop << sampleLabel(index);
    else if (const QString dropped = conversion.crossfadeDropped(); !dropped.isEmpty())
        m_report.crossfadesShort << sampleLabel(index) + QStringLiteral(": ") + dropped;
    if (const QString noise = conversion.noiseWarning(); !noise.isEmpty())
        m_report.noisy << sampleLabel(index) + QStringLiteral(": ") + noise;
    Finishing job{conversion.sound(),
                  sample.path,
                  noteFrequencies.value(sample.note),
                  sample.name,
                  conversion.source(),
                  QString(),
                  m_origins.value(index).subfolder,
                  exportFileName(sample.name),
                  m_directory.isEmpty() ? sampleLabel(index) : fileInFolder(index),
                  makesModule() && m_kit.size() < moduleSampleSlots};
    QString fileReason;
    if (!destination.isEmpty()) {
        if (m_written.contains(destination))
            fileReason = takenReason;
        else
            job.directory = m_directory;
    }

    auto *publishing = new QFutureWatcher<Finished>(this);
    connect(publishing, &QFutureWatcherBase::finished, this, [this, publishing, index, destination, fileReason, job] {
        const Finished finished = publishing->result();
        publishing->deleteLater();
        m_publishing = false;
        m_conversions[index].reset();
        QString fileProblem = fileReason;
        QString kitReason;
        if (!finished.problem.isEmpty()) {
            fileProblem = kitReason = finished.problem;
            ++m_failed;
        } else {
            if (!job.directory.isEmpty()) {
                fileProblem = finished.fileReason;
                if (fileProblem.isEmpty()) {
                    m_written.insert(destination);
                    m_report.written << destination;
                }
            }
            if (finished.kitSample) {
                m_kit << *finished.kitSample;
                // A cropped sample may be one slice of a break.
                const SampleShape shape = m_shapes.value(index);
                if (shape.crop)
                    m_kit.last().slice = SliceOrigin{m_samples.at(index).path, shape.crop->start, shape.crop->frames,
                                                     job.source.sampleRate};
                if (finished.bodySize > trackerSampleBytesLimit) {
                    const QLocale english(QLocale::English);
                    m_report.cut << QStringLiteral("%1: %2 bytes of sound, cut to the first %3")
                                        .arg(sampleLabel(index), english.toString(finished.bodySize),
                                             english.toString(trackerSampleBytesLimit));
                }
            } else if (makesModule()) {
                kitReason = kitFullReason;
            }
            if (!finished.lengthNote.isEmpty())
                m_report.tooLong << finished.lengthNote;
            if (!finished.crossfadeShortfall.isEmpty())
                m_report.crossfadesShort << sampleLabel(index) + QStringLiteral(": ") + finished.crossfadeShortfall;
        }
        settle(index, fileProblem, kitReason);
        schedule();
    });
    publishing->setFuture(QtConcurrent::run(finishAndPublish, job));
}

void ExportEngine::settle(int index, const QString &fileReason, const QString &kitReason)
{
    ++m_settled;
    // Of two samples of one name, the one left out is told by the path it
    // came by.
    const QString name = fileReason == takenReason ? namedPath(index) : sampleLabel(index);
    if (!m_directory.isEmpty()) {
        if (fileReason.isEmpty()) {
            emit sampleWritten(index, m_report.written.constLast());
        } else {
            m_report.notWritten << name + QStringLiteral(": ") + fileReason;
            emit sampleNotWritten(index, fileReason);
        }
    }
    if (makesModule() && !kitReason.isEmpty())
        m_report.leftOut << name + QStringLiteral(": ") + kitReason;
    emit progressed(m_settled);
}
