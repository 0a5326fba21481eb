#include "terminalexport.h"

#include "exportengine.h"
#include "notefitting.h"
#include "commandline.h"
#include "unixsignals.h"

#include <QEventLoop>
#include <QLoggingCategory>

#include <cstdio>
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

    QList<Sample> samples;
    QStringList loweredTo; // the note each sample was lowered to, or nothing
    QStringList lowered;
    for (int i = 0; i < line.files.size(); ++i) {
        Sample sample = sampleOfFile(line.files.at(i), line.settings);
        sample.ready = true;
        const FoundFile &origin = line.origins.value(i);
        const NoteFit fit = line.fit && origin.problem.isEmpty() ? fitNote(readWavFormat(sample.path), sample.note)
                                                                 : NoteFit{NoteFit::Fits, sample.note};
        loweredTo << (fit.note != sample.note ? fit.note : QString());
        if (!loweredTo.constLast().isEmpty()) {
            lowered << QStringLiteral("%1: %2 → %3").arg(nameInPack(sample, origin), sample.note, fit.note);
            sample.note = fit.note;
        }
        samples << sample;
    }
    ExportEngine engine(samples, line.exportDirectory, line.jobs);
    engine.setOrigins(line.origins);
    engine.noteUnreadableFolders(line.unreadable);
    engine.noteLoweredNotes(lowered);
    const auto atNote = [&loweredTo](int index) {
        return loweredTo.at(index).isEmpty() ? QString() : QStringLiteral(" at ") + loweredTo.at(index);
    };
    if (!line.modulePath.isEmpty())
        engine.setModule(line.modulePath);
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
