#include "trackernotes.h"

#include "module.h"

#include <QtGlobal>

#include <array>
#include <cstdlib>

namespace {

// ProTracker's periods for finetune 0.
constexpr std::array<int, trackerNoteCount> periods{
    856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453, //
    428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226, //
    214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};

} // namespace

int trackerNotePeriod(int note)
{
    return periods.at(size_t(qBound(0, note, trackerNoteCount - 1)));
}

QString trackerNoteName(int note)
{
    static const char *const names[12] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};
    note = qBound(0, note, trackerNoteCount - 1);
    return QLatin1String(names[note % 12]) + QString::number(note / 12 + 1);
}

int ownTrackerNote(int rate)
{
    const int period = trackerPeriod(rate);
    int nearest = 0;
    for (int note = 1; note < trackerNoteCount; ++note) {
        if (std::abs(periods.at(size_t(note)) - period) < std::abs(periods.at(size_t(nearest)) - period))
            nearest = note;
    }
    return nearest;
}
