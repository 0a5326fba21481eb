#include "finishing.h"

#include "notefitting.h"
#include "publish.h"
#include "trackersample.h"

Finished finishAndPublish(const Finishing &job)
{
    Finished result;
    const TrackerSample finished = finishForTrackers(job.sound, job.rate, job.sampleName, job.source);
    if (!finished.problem.isEmpty()) {
        result.problem = finished.problem;
        return result;
    }
    if (!job.directory.isEmpty()) {
        QStringList made;
        result.fileReason = makeFolders(job.directory, job.subfolder, &made);
        if (result.fileReason.isEmpty()) {
            const QString folder = job.subfolder.isEmpty() ? job.directory : job.directory + QLatin1Char('/') + job.subfolder;
            result.fileReason = publishFile(folder, job.fileName, finished.bytes);
        }
        if (!result.fileReason.isEmpty())
            removeEmptyFolders(made);
    }
    if (job.forKit) {
        // The module holds no more of a sample than its limit; keep no more.
        KitSample sample;
        sample.name = trackerName(job.sampleName);
        sample.body = finished.bytes.right(finished.bodySize).left(trackerSampleBytesLimit);
        sample.loopStart = finished.loopStart;
        sample.loopLength = finished.loopLength;
        sample.rate = finished.rate;
        result.kitSample = std::move(sample);
    }
    if (result.kitSample || (!job.directory.isEmpty() && result.fileReason.isEmpty())) {
        // The note at which a sample too long fits is reckoned from the
        // frames sox reads, which sox counts where the header cannot.
        WavFormat source = job.source;
        if (finished.bodySize > classicTrackerSampleBytes)
            source = withFramesCounted(source, job.path);
        result.lengthNote = lengthNote(job.noteLabel, finished, source);
    }
    result.bodySize = finished.bodySize;
    result.crossfadeShortfall = finished.crossfadeShortfall;
    return result;
}
