#pragma once

#include "sample.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class Conversion;

/// What an export did, in list order: the basis of its report.
struct ExportReport
{
    qsizetype total = 0;
    QStringList written;    // destination paths
    QStringList notWritten; // "name: reason"
    QStringList tooLong;    // a note on each written sample a tracker cuts short
};

/// The report of an export for the user, or an empty string when every
/// sample was written and fits: the samples that are not in the folder, then
/// the written ones that are too long for a tracker. With \a shown (not -1),
/// each of the two lists names at most that many and counts the rest.
QString reportText(const ExportReport &report, int shown = -1);

/// An export of samples into a folder, with no window and no terminal: the
/// window's Export and `brindlebox --export` both drive it. Up to jobs
/// samples are converted at once by sox; each is then finished for
/// trackers, checked, and published in list order, never over an existing
/// file, by a thread of its own, so that a large file does not hold up the
/// event loop. Cancel stops every sox at once; what is published stays.
class ExportEngine : public QObject
{
    Q_OBJECT

public:
    /// \a jobs below 1: one for each processor core.
    ExportEngine(const QList<Sample> &samples, const QString &directory, int jobs = 0, QObject *parent = nullptr);
    ~ExportEngine() override;

    const QList<Sample> &samples() const { return m_samples; }

    /// Starts converting; finished() comes once every sample is settled (at
    /// once, before start() returns, when it was cancelled already).
    void start();
    /// Stops every sox and settles the samples not yet written as cancelled.
    void cancel();
    bool isFinished() const { return m_finished; }
    const ExportReport &report() const { return m_report; }

signals:
    /// \a settled samples, counted from the first, are written or not.
    void progressed(int settled);
    void sampleWritten(int index, const QString &destination);
    void sampleNotWritten(int index, const QString &reason);
    void finished();

private:
    void schedule();
    void startConversions();
    bool settleNext();
    /// Finishes and writes the converted sample away from this thread, and
    /// settles it once it is written or not.
    void publish(int index, const QString &fileName, const QString &destination);
    void settle(int index, const QString &reason);

    QList<Sample> m_samples;
    QString m_directory;
    int m_jobs;
    std::vector<std::unique_ptr<Conversion>> m_conversions;
    int m_started = 0;
    int m_running = 0;
    int m_settled = 0;
    bool m_publishing = false;
    bool m_scheduling = false;
    bool m_scheduleAgain = false;
    bool m_cancelled = false;
    bool m_finished = false;
    QSet<QString> m_written;
    ExportReport m_report;
};
