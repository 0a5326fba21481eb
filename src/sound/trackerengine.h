#pragma once

#include "amigamodel.h"

#include <QByteArray>
#include <QtGlobal>

#include <memory>

/// A tracker engine playing one module held in memory: Debian's libopenmpt,
/// with its Amiga resampler emulation on, so that a sample sounds as a
/// ProTracker module plays it on a PAL Amiga. This is the one place that
/// speaks to libopenmpt. It renders mono, 16-bit, undithered, so that the
/// same module and notes always give the same frames.
///
/// An engine belongs to one thread at a time: it may be made on one and
/// handed to another, never used from two at once.
class TrackerEngine
{
public:
    /// How the module is played.
    enum class Mode
    {
        Keys, ///< its song stays silent and never ends; notes come from noteOn()
        Song  ///< its song plays once, as a module player plays it
    };

    /// The engine of the module \a module, or none when libopenmpt does not
    /// take it.
    static std::unique_ptr<TrackerEngine> load(const QByteArray &module, Mode mode, AmigaModel model);
    ~TrackerEngine();

    TrackerEngine(const TrackerEngine &) = delete;
    TrackerEngine &operator=(const TrackerEngine &) = delete;

    Mode mode() const { return m_mode; }
    void setAmigaModel(AmigaModel model);

    /// Starts the module's sample \a slot (counted from 1) at the tracker
    /// note \a note (0 C-1 to 35 B-3), full volume, in the middle; it takes
    /// effect at the next render(). Returns the voice that plays it, or -1.
    int noteOn(int slot, int note);
    /// Silences the voice \a voice at once.
    void noteOff(int voice);

    /// Renders \a count frames at \a rate into \a frames; returns how many it
    /// rendered, fewer only once a song has ended.
    qint64 render(qint16 *frames, qint64 count, int rate);

private:
    struct Library;
    TrackerEngine(std::unique_ptr<Library> library, Mode mode);

    std::unique_ptr<Library> m_library;
    Mode m_mode;
};
