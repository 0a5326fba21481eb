#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaObject>
#include <QObject>

#include <memory>

class QAbstractItemModel;
class SoundOutput;

/// Plays a whole module, as a module player built on the tracker engine
/// plays the file, through the sound output and the Amiga sound the keys
/// use, until its song ends or it is stopped. Play Kit as Module gives it
/// the module Export Kit as Module would write.
class KitPlayer : public QObject
{
    Q_OBJECT

public:
    explicit KitPlayer(QObject *parent = nullptr);
    ~KitPlayer() override;

    /// Plays \a module until its song ends, stop() or any change to
    /// \a list (a sample added, removed, moved or edited). Returns whether
    /// it plays: not without a sound output, nor a module the engine
    /// refuses.
    bool play(const QByteArray &module, QAbstractItemModel *list);
    void stop();
    bool isPlaying() const { return m_output != nullptr; }

signals:
    /// Playing began or ended.
    void playingChanged(bool playing);

private:
    std::unique_ptr<SoundOutput> m_output;
    QList<QMetaObject::Connection> m_watching;
};
