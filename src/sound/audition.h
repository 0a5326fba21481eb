#pragma once

#include "keymap.h"
#include "module.h"

#include <QHash>
#include <QObject>

#include <memory>

class QKeyEvent;
class SoundOutput;
class SoundStream;

/// A sample heard on the computer keyboard as a tracker plays it: each key
/// plays the bytes a module holds, at that key's ProTracker note, through
/// the tracker engine (libopenmpt) as a module player plays the exported
/// file. The keys are laid out as in trackers (see keymap.h); F1 and F2
/// choose where they start (F2 at first: Z plays C-2). Holding a key holds
/// the sound, letting it go stops it; several keys sound at once; Space
/// plays the sample at its own note until Space is pressed again or a
/// sample that plays once ends. The Amiga's sound is AmigaSound's.
///
/// The waveform window gives it the sample it pictures; a dialog that
/// changes the sample for a while can give it another, and forward its own
/// key events to handleKey().
class Audition : public QObject
{
    Q_OBJECT

public:
    enum class Output
    {
        Device, ///< the default sound output, on a thread of its own
        Memory  ///< none: whoever reads stream() hears the keys
    };

    explicit Audition(Output output = Output::Device, QObject *parent = nullptr);
    ~Audition() override;

    /// The sample the keys play from the next key on, as a module holds it
    /// (cut to 131,070 bytes, its loop within that); notes that sound stop.
    void setSample(const KitSample &sample);
    /// The keys play nothing until the next setSample().
    void clearSample();
    /// The sample the keys play; one with no BODY when they play nothing.
    const KitSample &sample() const { return m_sample; }

    /// Plays, holds or stops a note for a key press or release of a note
    /// key, F1, F2 or Space; returns whether the event was one of those,
    /// auto-repeats included (which start nothing new).
    bool handleKey(QKeyEvent *event);
    /// Stops the notes of the keys held: their releases will not come (the
    /// window has lost the keyboard).
    void releaseKeys();

    /// The byte of the sample being heard now by the note played last
    /// (wrapping round the loop while it is held); -1 when it is silent.
    qint64 playPosition() const;
    /// Whether any note sounds, as far as what has been rendered.
    bool isSounding() const;
    /// The tracker note played last (0 C-1 to 35 B-3), -1 before any.
    int lastNote() const { return m_lastNote; }

    /// How much sound the device holds ahead of what is heard, in
    /// milliseconds: at most this lies between a note rendered and its
    /// sound. 0 with no device.
    double bufferedMs() const;

    /// What the keys are rendered into; with Output::Memory, read it to
    /// hear them.
    SoundStream *stream() const { return m_stream; }

signals:
    /// Something to say under the picture: "Playing C#3 (period 202)", or,
    /// once, that there is no sound output.
    void said(const QString &text);

private:
    void play(int voice, int note);
    void stop(int voice);
    /// Whether \a voice still sounds, as far as what has been rendered.
    bool sounding(int voice) const;
    /// The frame of the stream being heard now.
    qint64 heardFrame() const;
    /// How many frames a note at \a note sounds for, the sample played to
    /// its end once; -1 when it loops.
    qint64 framesAt(int note) const;

    std::unique_ptr<SoundOutput> m_output;
    std::unique_ptr<SoundStream> m_ownStream; // with Output::Memory
    SoundStream *m_stream = nullptr;
    bool m_silent = false;   // no sound output: the keys play nothing
    bool m_toldSilent = false;
    KitSample m_sample;
    bool m_haveSample = false;
    qint64 m_bytes = 0; // the sample as the module holds it
    qint64 m_loopStart = 0;
    qint64 m_loopLength = 0;
    KeyOctaves m_octaves = KeyOctaves::FromC2;
    int m_lastVoice = -1;
    int m_lastNote = -1;
    /// A note started: which, and the frames rendered when it was asked
    /// for, so that an older span of its voice is not taken for it.
    struct Started
    {
        int note = 0;
        qint64 since = 0;
    };
    QHash<int, Started> m_started;
};
