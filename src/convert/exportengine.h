#pragma once

#include "exportreport.h"
#include "folderwalk.h"
#include "module.h"
#include "sample.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class Conversion;

/// An export of samples into a folder, a module, or both, with no window and
/// no terminal: the window's Export and Export Kit as Module, and
/// `brindlebox --export`/`--module` all drive it. Up to jobs samples are
/// converted at once by sox; each is then finished for trackers, checked,
/// and published in list order, never over an existing file, by a thread of
/// its own, so that a large file does not hold up the event loop. The
/// module, of the first 31 samples that convert, is written last. Cancel
/// stops every sox at once; what is published stays, and no module is
/// written.
class ExportEngine : public QObject
{
    Q_OBJECT

public:
    /// \a directory empty: no 8SVX files. \a jobs below 1: one more than
    /// the processor cores, so that a sox is ready for each core while this
    /// thread finishes a sample; never more than the open-file limit lets
    /// start.
    ExportEngine(const QList<Sample> &samples, const QString &directory, int jobs = 0, QObject *parent = nullptr);
    ~ExportEngine() override;

    /// Writes the kit as the module \a path too; over a file that is there
    /// only with \a replace (and then whole or not at all).
    void setModule(const QString &path, bool replace = false);
    /// Makes the kit's module as setModule() would write it, but keeps it
    /// in memory, for moduleBytes(): no file is written.
    void setModuleInMemory();
    /// The module made in memory, once finished; empty when it was not made
    /// (cancelled).
    const QByteArray &moduleBytes() const { return m_module; }
    /// Writes no module \a path, and says why in the report.
    void refuseModule(const QString &path, const QString &reason);
    /// Samples made at a lower note for the module to take at most
    /// \a budget bytes, for the report: "name: C-3 → G-2".
    void noteLoweredForSize(const QStringList &samples, qint64 budget);
    /// Where each sample was found, in list order: it is written into its
    /// subfolder of the folder ("Kicks", "Snares/Rim"; empty: the folder
    /// itself), made as needed; a sample left out because another of its
    /// name took its place is reported by the path it was named with; one
    /// with a problem is not converted at all, and reported with it.
    void setOrigins(const QList<FoundFile> &origins);
    /// How each sample was shaped, in list order: the part of its recording
    /// it keeps and its loop (none given: each whole, with its own loop).
    void setShapes(const QList<SampleShape> &shapes);
    /// Folders that were to bring samples and could not be read, for the
    /// report: "folder: reason"; and how many files in them are not sound
    /// files, so were left out.
    void noteUnreadableFolders(const QStringList &folders, qsizetype notSound = 0);
    /// Samples whose note was lowered to fit a tracker, for the report:
    /// "name: C-3 → G#2"; and those that were to be fitted but whose length
    /// could not be read.
    void noteLoweredNotes(const QStringList &samples, const QStringList &lengthUnknown = {});
    /// Samples whose recording is silent throughout, which trimming the
    /// silence left whole, for the report; and those whose silence could
    /// not be found ("name: why"), left whole too.
    void noteSilentSamples(const QStringList &samples, const QStringList &untrimmed = {});
    /// Files to be sliced that were made whole instead, "name: why", for
    /// the report.
    void noteNotSliced(const QStringList &samples) { m_report.notSliced = samples; }
    /// What the report calls the sample at \a index: its name, under its
    /// subfolder.
    QString sampleLabel(int index) const;

    const QList<Sample> &samples() const { return m_samples; }

    /// Starts converting; finished() comes once every sample is settled and
    /// the module written or not (at once, before start() returns, when it
    /// was cancelled already).
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
    void moduleWritten(const QString &path);
    void finished();

private:
    void schedule();
    void startConversions();
    bool settleNext();
    /// Finishes the converted sample away from this thread and writes it
    /// into the folder and the kit, and settles it once that is done.
    void publish(int index, const QString &destination);
    void settle(int index, const QString &fileReason, const QString &kitReason);
    void writeModule();
    /// The sample's file under the folder: "Kicks/kick 1.8svx".
    QString fileInFolder(int index) const;
    /// The sample's path as it was named, which tells it from another of
    /// its name.
    QString namedPath(int index) const;
    void moduleNotWritten(const QString &reason);
    bool makesModule() const { return !m_modulePath.isEmpty() || m_moduleInMemory; }

    QList<Sample> m_samples;
    QString m_directory;
    QList<FoundFile> m_origins;
    QList<SampleShape> m_shapes;
    QString m_modulePath;
    bool m_replaceModule = false;
    bool m_moduleInMemory = false;
    QByteArray m_module;
    int m_jobs;
    std::vector<std::unique_ptr<Conversion>> m_conversions;
    QList<KitSample> m_kit;
    int m_started = 0;
    int m_running = 0;
    int m_settled = 0;
    int m_failed = 0; // samples settled without a finished sound
    bool m_publishing = false;
    bool m_scheduling = false;
    bool m_scheduleAgain = false;
    bool m_cancelled = false;
    bool m_writingModule = false;
    bool m_moduleWritten = false;
    bool m_finished = false;
    QSet<QString> m_written;
    ExportReport m_report;
};
