#include "soundstream.h"

#include <QMutexLocker>

#include <cstring>

namespace {

// How long the engine goes on rendering after its last voice ends: the
// Amiga 500's filter rings on for a moment after the sound stops.
constexpr int tailMs = 50;

} // namespace

struct SoundStream::Command
{
    enum Kind
    {
        Engine,
        NoteOn,
        NoteOff,
        Model
    };
    Kind kind = Engine;
    std::unique_ptr<TrackerEngine> engine;
    int voice = 0;
    int slot = 0;
    int note = 0;
    qint64 lasts = -1;
    AmigaModel model = AmigaModel::Amiga500;
};

SoundStream::SoundStream(int rate, QObject *parent)
    : QIODevice(parent)
    , m_rate(rate)
{
    // Unbuffered: each read the device makes reaches readData with its size.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

SoundStream::~SoundStream() = default;

void SoundStream::setEngine(std::unique_ptr<TrackerEngine> engine)
{
    Command command;
    command.kind = Command::Engine;
    command.engine = std::move(engine);
    const QMutexLocker lock(&m_mutex);
    m_commands.push_back(std::move(command));
}

void SoundStream::noteOn(int voice, int slot, int note, qint64 lasts)
{
    Command command;
    command.kind = Command::NoteOn;
    command.voice = voice;
    command.slot = slot;
    command.note = note;
    command.lasts = lasts;
    const QMutexLocker lock(&m_mutex);
    m_commands.push_back(std::move(command));
}

void SoundStream::noteOff(int voice)
{
    Command command;
    command.kind = Command::NoteOff;
    command.voice = voice;
    const QMutexLocker lock(&m_mutex);
    m_commands.push_back(std::move(command));
}

void SoundStream::setAmigaModel(AmigaModel model)
{
    Command command;
    command.kind = Command::Model;
    command.model = model;
    const QMutexLocker lock(&m_mutex);
    m_commands.push_back(std::move(command));
}

std::optional<SoundStream::Span> SoundStream::span(int voice) const
{
    const QMutexLocker lock(&m_mutex);
    const auto found = m_spans.constFind(voice);
    if (found == m_spans.cend())
        return std::nullopt;
    return *found;
}

qint64 SoundStream::bytesAvailable() const
{
    // A generator always has sound to give. Saying 10 ms, not more, matters
    // to Qt 6.4 on PulseAudio: it lowers the stream's prebuffer to what the
    // device says it holds, and feeds it in whole periods only, so a buffer
    // that is not a whole number of periods would otherwise never start.
    return qint64(m_rate) / 100 * qint64(sizeof(qint16)) + QIODevice::bytesAvailable();
}

qint64 SoundStream::writeData(const char *, qint64)
{
    return -1;
}

void SoundStream::endVoice(size_t index, qint64 now, bool silence)
{
    const Voice voice = m_voices.at(index);
    if (silence && m_engine)
        m_engine->noteOff(voice.channel);
    m_voices.erase(m_voices.begin() + qsizetype(index));
    m_quietFrom = qMax(m_quietFrom, now + qint64(m_rate) * tailMs / 1000);
    const QMutexLocker lock(&m_mutex);
    const auto span = m_spans.find(voice.id);
    if (span != m_spans.end() && span->start == voice.start && span->end < 0)
        span->end = now;
}

void SoundStream::apply(Command &command, qint64 now)
{
    const auto voiceOf = [this](int id) {
        for (size_t i = 0; i < m_voices.size(); ++i) {
            if (m_voices[i].id == id)
                return qsizetype(i);
        }
        return qsizetype(-1);
    };
    switch (command.kind) {
    case Command::Engine:
        while (!m_voices.empty())
            endVoice(m_voices.size() - 1, now, false);
        m_engine = std::move(command.engine);
        m_songEnded = false;
        break;
    case Command::NoteOn: {
        if (const qsizetype held = voiceOf(command.voice); held >= 0)
            endVoice(size_t(held), now, true);
        const int channel = m_engine ? m_engine->noteOn(command.slot, command.note) : -1;
        // The engine gives a channel whose note has ended to the next one:
        // that earlier voice is over.
        for (qsizetype i = qsizetype(m_voices.size()) - 1; i >= 0; --i) {
            if (m_voices[size_t(i)].channel == channel)
                endVoice(size_t(i), now, false);
        }
        {
            const QMutexLocker lock(&m_mutex);
            m_spans.insert(command.voice, Span{now, channel < 0 ? now : -1});
        }
        if (channel >= 0) {
            const qint64 freeAt = command.lasts < 0 ? -1 : now + command.lasts + qint64(m_rate) * tailMs / 1000;
            m_voices.push_back(Voice{command.voice, channel, now, freeAt});
        }
        break;
    }
    case Command::NoteOff:
        if (const qsizetype held = voiceOf(command.voice); held >= 0)
            endVoice(size_t(held), now, true);
        break;
    case Command::Model:
        if (m_engine)
            m_engine->setAmigaModel(command.model);
        break;
    }
}

qint64 SoundStream::readData(char *data, qint64 maxSize)
{
    const qint64 frames = maxSize / qint64(sizeof(qint16));
    if (frames <= 0)
        return 0;
    std::vector<Command> commands;
    {
        const QMutexLocker lock(&m_mutex);
        commands.swap(m_commands);
    }
    const qint64 now = m_rendered.load();
    for (Command &command : commands)
        apply(command, now);

    auto *out = reinterpret_cast<qint16 *>(data);
    qint64 rendered = 0;
    // With nothing to play the engine is left alone: silence costs nothing.
    const bool song = m_engine && m_engine->mode() == TrackerEngine::Mode::Song && !m_songEnded;
    if (m_engine && (song || !m_voices.empty() || now < m_quietFrom))
        rendered = m_engine->render(out, frames, m_rate);
    std::memset(out + rendered, 0, size_t(frames - rendered) * sizeof(qint16));
    if (song && rendered < frames) {
        m_songEnded = true;
        emit songFinished();
    }
    const qint64 end = now + frames;
    for (qsizetype i = qsizetype(m_voices.size()) - 1; i >= 0; --i) {
        const qint64 freeAt = m_voices[size_t(i)].freeAt;
        if (freeAt >= 0 && freeAt <= end)
            endVoice(size_t(i), end, true);
    }
    m_rendered = end;
    return frames * qint64(sizeof(qint16));
}

#include "moc_soundstream.cpp"
