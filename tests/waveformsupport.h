#pragma once

#include <QString>

class MainWindow;
class WaveformView;

/// Chooses \a note in the main window's note box with the keys, as a user
/// steps through it.
void chooseNote(MainWindow &window, const QString &note);

/// Opens the waveform window of the shown sample from the main window's
/// context menu and waits until it is active and its picture drawn.
/// Returns its view, or nullptr if either never happened.
WaveformView *openWaveform(MainWindow &window);
