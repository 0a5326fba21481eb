#pragma once

#include <optional>

class QKeyEvent;

/// Where a tracker lays its notes on a computer keyboard, by the keys'
/// places, not their letters: the bottom row Z S X D C V G B H N J M is one
/// octave from C, the row Q 2 W 3 E R 5 T 6 Y 7 U the octave above it, and
/// I 9 O 0 P go on from there. An AZERTY or QWERTZ keyboard plays the same
/// notes from the same places.
///
/// The place of the key of \a event, in semitones from the bottom row's C
/// (Z 0, M 11, Q 12, U 23, I 24, P 28); none for any other key, or one held
/// with Ctrl, Alt or Meta. The place comes from the key's scan code (an X
/// keycode, under X11 and Wayland alike); an event without one (made by a
/// program) is taken by its key as on a US keyboard.
std::optional<int> pianoKey(const QKeyEvent &event);

/// Where the keys start, chosen with F1 and F2 as in ProTracker.
enum class KeyOctaves
{
    FromC1, ///< F1: the bottom row plays from C-1, the row above from C-2
    FromC2  ///< F2: the bottom row from C-2, the row above from C-3
};

/// The tracker note (0 C-1 to 35 B-3) the key at \a place plays, or none
/// past B-3.
std::optional<int> noteOfKey(int place, KeyOctaves octaves);
