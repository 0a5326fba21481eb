#pragma once

// Running the program itself, as a terminal or a script does. Header only:
// BRINDLEBOX_PROGRAM is the path of the program, defined for each test
// program that runs it.

#include "testsupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

/// The program's environment without a display, and without a logging rule
/// of the test's own.
inline QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LOGGING_RULES"})
        environment.remove(name);
    return environment;
}

struct Run
{
    int status = -1; // the exit status, or the signal that ended it
    bool bySignal = false;
    QStringList said; // standard error, line by line
};

inline Run brindlebox(const QStringList &arguments, const QProcessEnvironment &environment = withoutDisplay())
{
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(BRINDLEBOX_PROGRAM), arguments);
    Run run;
    if (!program.waitForFinished(60000))
        return run;
    run.bySignal = program.exitStatus() == QProcess::CrashExit;
    run.status = program.exitCode();
    run.said = QString::fromLocal8Bit(program.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    return run;
}

/// The recordings the command line's tests name: kick.wav, snare.wav (two
/// seconds of noise) and short tones a.wav to f.wav.
class CommandLineSources
{
protected:
    void makeSources()
    {
        m_sources = std::make_unique<QTemporaryDir>();
        QVERIFY(m_sources->isValid());
        QVERIFY(makeWav(source("kick.wav")));
        QVERIFY(makeWav(source("snare.wav"), {"-r", "22050", "-c", "1", "-b", "16"}, {"synth", "2", "noise"}));
        for (const QString name : {"a", "b", "c", "d", "e", "f"})
            QVERIFY(makeWav(source(name + ".wav"), {"-r", "8000", "-c", "1"}, {"synth", "0.2", "sine", "300"}));
    }

    QString source(const QString &name) const { return m_sources->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_sources;
};
