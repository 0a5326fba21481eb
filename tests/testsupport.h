#pragma once

#include "sample.h"

#include <QString>
#include <QStringList>

class MainWindow;

/// Every field of a Sample in one line, so QCOMPARE of two descriptions
/// shows which field differs (Sample itself has no equality).
QString describe(const Sample &sample);

/// A Sample with every field away from its default.
Sample unusualSample();

/// Loads \a paths as a user would: File > Load Samples, Yes to the question
/// if samples are loaded, and the paths typed into the file dialog (no paths:
/// the dialog is cancelled). Returns
/// whether every dialog came and was answered.
bool loadSamples(MainWindow &window, const QStringList &paths);

/// Creates each named file (empty) in \a dir and returns their full paths.
QStringList touchFiles(const QString &dir, const QStringList &names);

/// Writes a generated sound file with the real sox:
/// sox -n <outputOptions> <path> <effects>. The default is one second of a
/// 440 Hz tone, stereo, 16-bit, 44.1 kHz.
bool makeWav(const QString &path,
             const QStringList &outputOptions = {"-r", "44100", "-c", "2", "-b", "16"},
             const QStringList &effects = {"synth", "1", "sine", "440"});
