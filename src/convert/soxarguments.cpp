#include "soxarguments.h"

#include "notetable.h"
#include "shaping.h"

QStringList converterArguments(const Sample &sample, const QString &outputPath, int sourceRate, const SampleShape &shape)
{
    // -R: the picture, the preview and the export of one sample are the
    // same bytes. --no-glob: sox would read "snare [old].wav" as a pattern
    // and convert whatever it matches instead.
    QStringList arguments{QStringLiteral("-R"), QStringLiteral("--no-glob"), sample.path,
                          QStringLiteral("-b"), QStringLiteral("8"),
                          QStringLiteral("-c"), QStringLiteral("1")};
    if (outputPath == soundOnStandardOutput)
        arguments << QStringLiteral("-t") << QStringLiteral("s8");
    arguments << outputPath << trimArguments(shape) << QStringLiteral("remix") << QStringLiteral("-");
    // stat says, in the same run, how loud the sound is before norm raises
    // it, and passes it on unchanged.
    if (sample.normalise)
        arguments << QStringLiteral("stat") << QStringLiteral("norm") << QStringLiteral("-6");
    const bool belowTop = sourceRate <= 0 || qint64(sample.highCutFrequency) * 2 < sourceRate;
    if (sample.highCut && belowTop)
        arguments << QStringLiteral("lowpass") << QStringLiteral("-1")
                  << QString::number(sample.highCutFrequency);
    if (sample.lowCut)
        arguments << QStringLiteral("highpass") << QStringLiteral("-1")
                  << QString::number(sample.lowCutFrequency);
    arguments << QStringLiteral("rate") << QString::number(noteFrequencies[sample.note])
              << QStringLiteral("dither") << QStringLiteral("-S");
    return arguments;
}

bool convertsAlike(const Sample &a, const SampleShape &aShape, const Sample &b, const SampleShape &bShape)
{
    return a.path == b.path && a.normalise == b.normalise && a.note == b.note && a.lowCut == b.lowCut
        && (!a.lowCut || a.lowCutFrequency == b.lowCutFrequency) && a.highCut == b.highCut
        && (!a.highCut || a.highCutFrequency == b.highCutFrequency) && aShape == bShape;
}
