#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

/// One finished sample as it goes into a slot of a module.
struct KitSample
{
    QByteArray name;       // its tracker name; the first 22 bytes are kept
    QByteArray body;       // its 8SVX BODY: signed 8-bit sound in whole 16-bit words
    qint64 loopStart = 0;  // bytes: the 8SVX oneShot of a looped sample
    qint64 loopLength = 0; // bytes: the 8SVX repeat; 0 when it does not loop
    int rate = 0;          // samples a second: the rate of its note
};

/// A tracker period times the rate it plays at, on a PAL Amiga.
constexpr qint64 palClock = 3546895;

/// How many samples a module holds.
constexpr int moduleSampleSlots = 31;

/// What of a finished sample decides the room it takes in a module.
struct KitSlotSize
{
    qint64 bodyBytes = 0; // its 8SVX BODY
    qint64 loopStart = 0; // bytes, as KitSample has them
    qint64 loopLength = 0;
    int rate = 0;
};

/// What of a finished sample a module holds: its bytes, cut to
/// trackerSampleBytesLimit in whole words, and its loop within them, in
/// bytes (length 0: it plays once).
struct HeldSample
{
    qint64 bytes = 0;
    qint64 loopStart = 0;
    qint64 loopLength = 0;
};

/// What a module holds of a sample of \a size.
HeldSample heldInModule(const KitSlotSize &size);

/// The bytes of the module protrackerModule() writes of samples of these
/// sizes: its header, its patterns and every sample as it holds it.
qint64 moduleSize(const QList<KitSlotSize> &samples);

/// Chip memory of the Amigas a module may be played on, in bytes.
constexpr qint64 amiga500ChipBytes = 512 * 1024;
constexpr qint64 amiga600ChipBytes = 1024 * 1024;
constexpr qint64 amiga1200ChipBytes = 2048 * 1024;

/// The module \a name's size, \a bytes, against the Amigas' chip memory:
/// "kit.mod: 490,124 bytes, 34,164 less than the 524,288 bytes of an Amiga
/// 500's chip memory".
QString moduleSizeLine(const QString &name, qint64 bytes);

/// A module's title from its file name: without a final ".mod" in any
/// letter case, each character outside printable ASCII as "_", at most 20
/// characters.
QByteArray moduleTitle(const QString &fileName);

/// The tracker period that plays a sample made at \a rate at its own pitch
/// (C-1's 4144 Hz: 856, A-3's 27928 Hz: 127), kept within the trackers'
/// three octaves, C-1 to B-3; C-1's for a rate that is not above 0.
int trackerPeriod(int rate);

/// A four-channel module titled with the first 20 bytes of \a title that
/// holds the first moduleSampleSlots of \a samples, each cut to
/// trackerSampleBytesLimit. Its song plays each sample once on the first
/// channel, in slot order at its own note: a one-shot for its length but at
/// most about 2 s, a looped one for about 2 s; then it ends.
QByteArray protrackerModule(const QByteArray &title, const QList<KitSample> &samples);
