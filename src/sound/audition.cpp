#include "audition.h"

#include "amigamodel.h"
#include "soundoutput.h"
#include "soundstream.h"
#include "trackerengine.h"
#include "trackernotes.h"

#include <QKeyEvent>

namespace {

// Voices are the keys' places (0 to 28), and Space.
constexpr int spaceVoice = 100;
// Rendered to memory, the sound is made at the rate most devices play.
constexpr int memoryRate = 48000;

bool plainKey(const QKeyEvent *event)
{
    return !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

} // namespace

Audition::Audition(Output output, QObject *parent)
    : QObject(parent)
{
    if (output == Output::Memory) {
        m_ownStream = std::make_unique<SoundStream>(memoryRate);
        m_stream = m_ownStream.get();
    } else if (SoundOutput::available()) {
        m_stream = new SoundStream(SoundOutput::preferredRate());
        m_output = std::make_unique<SoundOutput>(m_stream);
        connect(m_output.get(), &SoundOutput::failedToPlay, this, [this] { m_silent = true; });
    } else {
        m_silent = true;
    }
    connect(AmigaSound::instance(), &AmigaSound::modelChanged, this, [this](AmigaModel model) {
        if (m_stream)
            m_stream->setAmigaModel(model);
    });
}

Audition::~Audition() = default;

void Audition::setSample(const KitSample &sample)
{
    if (m_haveSample && sample.body == m_sample.body && sample.loopStart == m_sample.loopStart
        && sample.loopLength == m_sample.loopLength && sample.rate == m_sample.rate)
        return;
    m_sample = sample;
    m_haveSample = !sample.body.isEmpty();
    const HeldSample held = heldInModule({sample.body.size(), sample.loopStart, sample.loopLength, sample.rate});
    m_bytes = held.bytes;
    m_loopStart = held.loopStart;
    m_loopLength = held.loopLength;
    m_started.clear();
    m_lastVoice = -1;
    if (!m_stream)
        return;
    // The module the export would write of this sample alone, made here
    // and handed over whole to the side that renders.
    m_stream->setEngine(m_haveSample ? TrackerEngine::load(protrackerModule(QByteArray(), {sample}),
                                                           TrackerEngine::Mode::Keys, AmigaSound::instance()->model())
                                     : nullptr);
}

void Audition::clearSample()
{
    setSample(KitSample());
}

bool Audition::handleKey(QKeyEvent *event)
{
    const bool press = event->type() == QEvent::KeyPress;
    if (!press && event->type() != QEvent::KeyRelease)
        return false;
    const int key = event->key();
    const std::optional<int> place = pianoKey(*event);
    const bool octaveKey = (key == Qt::Key_F1 || key == Qt::Key_F2) && plainKey(event);
    const bool spaceKey = key == Qt::Key_Space && plainKey(event) && !place;
    if (!place && !octaveKey && !spaceKey)
        return false;
    // Held, a key repeats: still the one note.
    if (event->isAutoRepeat())
        return true;
    if (octaveKey) {
        if (press)
            m_octaves = key == Qt::Key_F1 ? KeyOctaves::FromC1 : KeyOctaves::FromC2;
        return true;
    }
    if (!press) {
        if (place)
            stop(*place);
        return true;
    }
    if (m_silent) {
        if (!m_toldSilent) {
            m_toldSilent = true;
            emit said(tr("No sound output is available, so the keys play nothing"));
        }
        return true;
    }
    if (!m_haveSample)
        return true;
    if (spaceKey) {
        if (sounding(spaceVoice))
            stop(spaceVoice);
        else
            play(spaceVoice, ownTrackerNote(m_sample.rate));
    } else if (const std::optional<int> note = noteOfKey(*place, m_octaves)) {
        play(*place, *note);
    }
    return true;
}

void Audition::releaseKeys()
{
    const QList<int> voices = m_started.keys();
    for (const int voice : voices) {
        if (voice != spaceVoice)
            stop(voice);
    }
}

void Audition::play(int voice, int note)
{
    m_started.insert(voice, Started{note, m_stream->framesRendered()});
    m_stream->noteOn(voice, 1, note, framesAt(note));
    m_lastVoice = voice;
    m_lastNote = note;
    emit said(tr("Playing %1 (period %2)").arg(trackerNoteName(note)).arg(trackerNotePeriod(note)));
}

void Audition::stop(int voice)
{
    if (m_started.remove(voice) && m_stream)
        m_stream->noteOff(voice);
}

bool Audition::sounding(int voice) const
{
    const auto started = m_started.constFind(voice);
    if (!m_stream || started == m_started.cend())
        return false;
    const std::optional<SoundStream::Span> span = m_stream->span(voice);
    if (!span || span->start < started->since)
        return true; // asked for, not rendered yet
    if (span->end >= 0)
        return false;
    const qint64 lasts = framesAt(started->note);
    return lasts < 0 || m_stream->framesRendered() < span->start + lasts;
}

bool Audition::isSounding() const
{
    for (auto started = m_started.cbegin(); started != m_started.cend(); ++started) {
        if (sounding(started.key()))
            return true;
    }
    return false;
}

qint64 Audition::heardFrame() const
{
    return m_stream->framesRendered() - (m_output ? m_output->bufferedFrames() : 0);
}

double Audition::bufferedMs() const
{
    return m_output ? double(m_output->bufferedFrames()) * 1000 / m_stream->rate() : 0;
}

qint64 Audition::framesAt(int note) const
{
    if (m_loopLength > 0)
        return -1;
    const qint64 ticks = m_bytes * trackerNotePeriod(note) * m_stream->rate();
    return (ticks + palClock - 1) / palClock;
}

qint64 Audition::playPosition() const
{
    const auto started = m_started.constFind(m_lastVoice);
    if (!m_stream || started == m_started.cend())
        return -1;
    const std::optional<SoundStream::Span> span = m_stream->span(m_lastVoice);
    if (!span || span->start < started->since)
        return -1;
    const qint64 heard = heardFrame();
    if (heard < span->start || (span->end >= 0 && heard >= span->end))
        return -1;
    // The sample is read at the note's period: palClock / period bytes a
    // second.
    const qint64 byte = (heard - span->start) * palClock / (qint64(trackerNotePeriod(started->note)) * m_stream->rate());
    if (m_loopLength > 0 && byte >= m_loopStart + m_loopLength)
        return m_loopStart + (byte - m_loopStart) % m_loopLength;
    return byte < m_bytes ? byte : -1;
}

#include "moc_audition.cpp"
