#include "terminalexport.h"

#include "budget.h"
#include "longestfirst.h"
#include "exportengine.h"
#include "notefitting.h"
#include "shaping.h"
#include "silence.h"
#include "commandline.h"
#include "unixsignals.h"

#include <QEventLoop>
#include <QLoggingCategory>
#include <QtConcurrent>

#include <cstdio>
#include <numeric>
#include <unistd.h>

namespace {

/// Standard error, with one line at its end that rewrites itself when it
/// is a terminal.
class ProgressLine
{
public:
    ProgressLine()
        : m_terminal(::isatty(STDERR_FILENO) == 1)
    {
    }
    ~ProgressLine() { show(QString()); }

    /// Replaces the progress line with \a text (nothing: no line).
    void show(const QString &text)
    {
        if (!m_terminal)
            return;
        m_text = text;
        std::fprintf(stderr, "\r\033[K%s", qPrintable(m_text));
        std::fflush(stderr);
    }
    /// Says \a text on a line of its own, above the progress line.
    void say(const QString &text)
    {
        std::fprintf(stderr, m_terminal ? "\r\033[K%s\n" : "%s\n", qPrintable(text));
        show(m_text);
    }

private:
    bool m_terminal;
    QString m_text;
};

} // namespace

int exportFromTerminal(const CommandLine &line)
{
    // The log of every sox run would bury what is said here;
    // QT_LOGGING_RULES="default.debug=true" brings it back.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    // Each with its own settings, a kit's samples with the kit's; none is
    // held back by its ready mark.
    // With --slice, each file's slices in its place, before anything else
    // is done with them.
    SlicedSamples named{line.samples, line.shapes, line.origins, {}};
    if (line.slice)
        named = sliceSamples(line.samples, line.shapes, line.origins, *line.slice);
    QList<Sample> samples = named.samples;
    for (Sample &sample : samples)
        sample.ready = true;
    // What each file's header says, and with --trim-silence where its sound
    // lies: each read on a core of its own. A path that may name another
    // file is never read.
    struct Reading
    {
        WavFormat format;
        SampleShape shape;
        bool silent = false;
        QString untrimmed; // why its silence could not be found
    };
    QList<int> indexes(samples.size());
    std::iota(indexes.begin(), indexes.end(), 0);
    const bool readHeaders = line.fit || line.trimSilenceDb || line.moduleSize > 0;
    const QList<Reading> readings = QtConcurrent::blockingMapped(indexes, [&](int i) {
        Reading reading;
        reading.shape = named.shapes.value(i);
        if (!readHeaders || !named.origins.value(i).problem.isEmpty())
            return reading;
        reading.format = readRecording(samples.at(i).path);
        if (line.trimSilenceDb) {
            // Within a kit's crop: the silence the musician left out is not looked at.
            const SoundSpan span = findSound(samples.at(i).path, reading.format, reading.shape.crop, *line.trimSilenceDb);
            reading.shape = trimmedTo(reading.shape, span);
            reading.silent = span.kind == SoundSpan::Silent;
            if (span.kind == SoundSpan::Unreadable)
                reading.untrimmed = span.problem;
        }
        return reading;
    });

    QList<SampleShape> shapes;
    const QList<Sample> asNamed = samples;
    QStringList lowered;
    QStringList unknown; // fitted to nothing: their length could not be read
    QStringList silent;
    QStringList untrimmed;
    for (int i = 0; i < samples.size(); ++i) {
        Sample &sample = samples[i];
        const Reading &reading = readings.at(i);
        const FoundFile &origin = named.origins.value(i);
        // Over a kit's own crossfade too: the command line asks for it.
        shapes << reading.shape;
        if (line.crossfadeMs)
            shapes.last().crossfade = SampleShape::Crossfade{*line.crossfadeMs, 0.5, std::nullopt};
        if (reading.silent)
            silent << nameInPack(sample, origin);
        if (!reading.untrimmed.isEmpty())
            untrimmed << nameInPack(sample, origin) + QStringLiteral(": ") + reading.untrimmed;
        const ShapedRecording shaped = shapeRecording(reading.format, reading.shape);
        const NoteFit fit = line.fit && origin.problem.isEmpty() && shaped.problem.isEmpty()
            ? fitNote(shaped.source, sample.note)
            : NoteFit{NoteFit::Fits, sample.note};
        if (fit.kind == NoteFit::LengthUnknown)
            unknown << nameInPack(sample, origin);
        if (fit.note != sample.note) {
            lowered << QStringLiteral("%1: %2 → %3").arg(nameInPack(sample, origin), sample.note, fit.note);
            sample.note = fit.note;
        }
    }
    // Then, with --module-size, the kit within its budget.
    QStringList loweredForSize;
    QString moduleProblem;
    if (line.moduleSize > 0) {
        QList<BudgetEntry> entries;
        QStringList names;
        for (int i = 0; i < samples.size(); ++i) {
            entries << budgetEntry(samples.at(i), named.origins.value(i), shapes.at(i), readings.at(i).format);
            names << nameInPack(samples.at(i), named.origins.value(i));
        }
        const BudgetFit fit = fitByRule(line.ceiling ? BudgetRule::OneCeiling : BudgetRule::LongestFirst, entries, line.moduleSize);
        moduleProblem = budgetProblem(fit, line.moduleSize, names);
        for (int i = 0; i < samples.size() && fit.kind == BudgetFit::Lowered; ++i) {
            if (fit.notes.at(i) != samples.at(i).note) {
                loweredForSize << QStringLiteral("%1: %2 → %3").arg(names.at(i), samples.at(i).note, fit.notes.at(i));
                samples[i].note = fit.notes.at(i);
            }
        }
    }
    // What each sample is made at when that is not as named.
    QStringList loweredTo;
    for (int i = 0; i < samples.size(); ++i)
        loweredTo << (samples.at(i).note != asNamed.at(i).note ? samples.at(i).note : QString());
    ExportEngine engine(samples, line.exportDirectory, line.jobs);
    engine.setOrigins(named.origins);
    engine.noteNotSliced(named.notSliced);
    engine.setShapes(shapes);
    engine.noteUnreadableFolders(line.unreadable, line.notSound);
    engine.noteSilentSamples(silent, untrimmed);
    engine.noteLoweredNotes(lowered, unknown);
    const auto atNote = [&loweredTo](int index) {
        return loweredTo.at(index).isEmpty() ? QString() : QStringLiteral(" at ") + loweredTo.at(index);
    };
    if (!moduleProblem.isEmpty())
        engine.refuseModule(line.modulePath, moduleProblem);
    else if (!line.modulePath.isEmpty())
        engine.setModule(line.modulePath);
    engine.noteLoweredForSize(loweredForSize, line.moduleSize);
    // Nothing to make when the module alone was asked for and cannot be.
    if (!moduleProblem.isEmpty() && line.exportDirectory.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(reportText(engine.report())));
        return 1;
    }
    int endingSignal = 0;
    {
        ProgressLine progress;
        const auto showNext = [&progress, &engine, &samples, &atNote](int settled) {
            if (settled < samples.size())
                progress.show(QStringLiteral("%1/%2 %3%4")
                                  .arg(settled + 1)
                                  .arg(samples.size())
                                  .arg(engine.sampleLabel(settled), atNote(settled)));
        };
        QObject::connect(&engine, &ExportEngine::progressed, showNext);
        QObject::connect(&engine, &ExportEngine::sampleWritten, [&progress, &atNote](int index, const QString &destination) {
            progress.say(destination + atNote(index));
        });
        QObject::connect(&engine, &ExportEngine::moduleWritten, [&progress](const QString &path) { progress.say(path); });
        QObject::connect(&UnixSignals::watch(), &UnixSignals::arrived, &engine, [&engine, &endingSignal](int signal) {
            endingSignal = signal;
            engine.cancel();
        });
        QEventLoop loop;
        QObject::connect(&engine, &ExportEngine::finished, &loop, &QEventLoop::quit);
        showNext(0);
        engine.start();
        if (!engine.isFinished())
            loop.exec();
    }
    if (const QString report = reportText(engine.report()); !report.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(report));
    if (endingSignal)
        UnixSignals::endBy(endingSignal);
    return engine.report().complete() ? 0 : 1;
}
