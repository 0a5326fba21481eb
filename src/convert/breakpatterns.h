#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

// The song of a module: the rows that audition each sample, then, for each
// run of slices of one recording side by side, a break that triggers them at
// the times they had in the recording.

/// Where a sample was cut from: its recording, and the frames of it that it
/// keeps, at the recording's rate.
struct SliceOrigin
{
    QString recording;
    qint64 start = 0;
    qint64 frames = 0;
    int rate = 0;
};

/// One slot of a module as its song plays it.
struct SongSlot
{
    int period = 0;
    qint64 bytes = 0;           // as the module holds it
    bool loops = false;
    qint64 auditionRows = 1;    // rows of the audition it sounds for
    std::optional<SliceOrigin> slice;
};

/// Rows a pattern holds.
constexpr int rowsPerPattern = 64;
/// Bytes a row of four channels takes.
constexpr int rowBytes = 4 * 4;
/// The most patterns, and the longest song, ProTracker's M.K. modules hold.
constexpr int mostPatterns = 64;
constexpr int mostOrders = 128;
/// A break plays at speed 1 and tempo 250: a row is one tick of 10 ms.
constexpr int breakTempo = 250;
constexpr int breakRowsPerSecond = 100;

/// A song: its distinct patterns, rowsPerPattern × rowBytes bytes each, the
/// order they play in, and how many breaks did not fit a module.
struct Song
{
    QList<QByteArray> patterns;
    QByteArray order;
    int breaksLeftOut = 0;
};

/// The song of \a songSlots, in slot order: each plays once on the first
/// channel for its audition rows (the last, still sounding, silenced after
/// them when \a silenceLast), then each break. A break is a run of at least
/// two songSlots side by side cut from one recording, each starting where or
/// after the one before ends; it starts each at the row of its time after
/// the first, on channels 1 and 4 in turn, at its own note.
Song songOf(const QList<SongSlot> &songSlots, bool silenceLast);
