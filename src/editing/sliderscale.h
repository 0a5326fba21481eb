#pragma once

#include <cstdlib>

/// The high-cut slider runs backwards, so that further right cuts lower:
/// position = |frequency - 19980|, and the same formula turns a position
/// back into a frequency.
inline int highCutSliderPosition(int frequency)
{
    return std::abs(frequency - 19980);
}
