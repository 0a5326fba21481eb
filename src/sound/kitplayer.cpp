#include "kitplayer.h"

#include "amigamodel.h"
#include "soundoutput.h"
#include "soundstream.h"
#include "trackerengine.h"

#include <QAbstractItemModel>

KitPlayer::KitPlayer(QObject *parent)
    : QObject(parent)
{
    connect(AmigaSound::instance(), &AmigaSound::modelChanged, this, [this](AmigaModel model) {
        if (m_output)
            m_output->stream()->setAmigaModel(model);
    });
}

KitPlayer::~KitPlayer() = default;

bool KitPlayer::play(const QByteArray &module, QAbstractItemModel *list)
{
    stop();
    if (!SoundOutput::available())
        return false;
    std::unique_ptr<TrackerEngine> engine =
        TrackerEngine::load(module, TrackerEngine::Mode::Song, AmigaSound::instance()->model());
    if (!engine)
        return false;
    auto *stream = new SoundStream(SoundOutput::preferredRate());
    stream->setEngine(std::move(engine));
    // Both come from the output's thread, and are taken here in turn.
    connect(stream, &SoundStream::songFinished, this, &KitPlayer::stop);
    m_output = std::make_unique<SoundOutput>(stream);
    connect(m_output.get(), &SoundOutput::failedToPlay, this, &KitPlayer::stop);
    // What plays is the list as it was: once it changes, that is over.
    m_watching << connect(list, &QAbstractItemModel::dataChanged, this, &KitPlayer::stop)
               << connect(list, &QAbstractItemModel::rowsInserted, this, &KitPlayer::stop)
               << connect(list, &QAbstractItemModel::rowsRemoved, this, &KitPlayer::stop)
               << connect(list, &QAbstractItemModel::rowsMoved, this, &KitPlayer::stop)
               << connect(list, &QAbstractItemModel::modelReset, this, &KitPlayer::stop)
               << connect(list, &QAbstractItemModel::layoutChanged, this, &KitPlayer::stop);
    emit playingChanged(true);
    return true;
}

void KitPlayer::stop()
{
    for (const QMetaObject::Connection &watching : std::as_const(m_watching))
        disconnect(watching);
    m_watching.clear();
    if (!m_output)
        return;
    m_output.reset();
    emit playingChanged(false);
}

#include "moc_kitplayer.cpp"
