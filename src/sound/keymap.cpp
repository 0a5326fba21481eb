#include "keymap.h"

#include "trackernotes.h"

#include <QKeyEvent>

#include <array>

namespace {

struct Place
{
    quint32 scanCode; // the X keycode: the evdev code + 8
    int key;          // Qt::Key on a US keyboard
};

// In order of the notes they play, from the bottom row's C.
constexpr std::array<Place, 29> places{{
    {52, Qt::Key_Z}, {39, Qt::Key_S}, {53, Qt::Key_X}, {40, Qt::Key_D}, {54, Qt::Key_C}, {55, Qt::Key_V},
    {42, Qt::Key_G}, {56, Qt::Key_B}, {43, Qt::Key_H}, {57, Qt::Key_N}, {44, Qt::Key_J}, {58, Qt::Key_M},
    {24, Qt::Key_Q}, {11, Qt::Key_2}, {25, Qt::Key_W}, {12, Qt::Key_3}, {26, Qt::Key_E}, {27, Qt::Key_R},
    {14, Qt::Key_5}, {28, Qt::Key_T}, {15, Qt::Key_6}, {29, Qt::Key_Y}, {16, Qt::Key_7}, {30, Qt::Key_U},
    {31, Qt::Key_I}, {18, Qt::Key_9}, {32, Qt::Key_O}, {19, Qt::Key_0}, {33, Qt::Key_P},
}};

} // namespace

std::optional<int> pianoKey(const QKeyEvent &event)
{
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return std::nullopt;
    const quint32 scanCode = event.nativeScanCode();
    for (size_t place = 0; place < places.size(); ++place) {
        if (scanCode != 0 ? places[place].scanCode == scanCode : places[place].key == event.key())
            return int(place);
    }
    return std::nullopt;
}

std::optional<int> noteOfKey(int place, KeyOctaves octaves)
{
    const int note = place + (octaves == KeyOctaves::FromC2 ? 12 : 0);
    if (place < 0 || note >= trackerNoteCount)
        return std::nullopt;
    return note;
}
