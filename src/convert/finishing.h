#pragma once

#include "chunks.h"
#include "module.h"

#include <QByteArray>
#include <QString>

#include <optional>

/// The file work of one converted sample: where it goes and what it is
/// called there.
struct Finishing
{
    QByteArray sound;
    QString path; // of the recording, for sox to count its frames when its header cannot tell them
    int rate = 0;
    QString sampleName;
    WavFormat source;
    QString directory; // empty: not into a folder
    QString subfolder; // of it, made as needed
    QString fileName;
    QString noteLabel; // what a length note calls it
    bool forKit = false;
};

/// What finishing one sample came to.
struct Finished
{
    QString problem;    // sox's output is of no use: nothing is written
    QString fileReason; // why it is not in the folder
    QString lengthNote;
    QString crossfadeShortfall; // why its crossfade is shorter than asked, or left out
    std::optional<KitSample> kitSample;
    qint64 bodySize = 0;
};

/// Makes sox's sound an 8SVX file for trackers, writes it into its
/// subfolder of the folder, made as needed (and gone again, where it was
/// made for this file and stays empty, when the file cannot be written),
/// and takes it for the kit. Meant for a thread of its own: a long
/// recording makes a large file.
Finished finishAndPublish(const Finishing &job);
