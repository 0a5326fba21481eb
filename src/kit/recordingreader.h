#pragma once

#include "chunks.h"

#include <QFutureWatcher>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>
#include <utility>

/// What a recording's header tells of it, read away from the window.
struct RecordingFacts
{
    WavFormat format; // with its frames counted by sox where the header cannot tell them
    QString problem;  // why sox is not given it at all (not a regular file, ...); empty when it is
};

/// Reads the headers of recordings away from the window's thread, one at a
/// time and each once, as they are asked for, and keeps what they told for
/// as long as it lives. A reading may take long (a file on a slow share,
/// sox counting frames); the window never waits for one.
class RecordingReader : public QObject
{
    Q_OBJECT

public:
    explicit RecordingReader(QObject *parent = nullptr);
    ~RecordingReader() override;

    /// What the recording at \a path told, or nothing yet: then it is read,
    /// and read() follows once it (and perhaps others) have been.
    const RecordingFacts *facts(const QString &path);

signals:
    /// Recordings asked for have been read; sent at most every 100 ms.
    void read();

private:
    void readNext();

    using Reading = std::pair<QString, RecordingFacts>;
    QHash<QString, RecordingFacts> m_known;
    QStringList m_wanted;
    QSet<QString> m_asked;
    std::unique_ptr<QFutureWatcher<Reading>> m_reading;
    QTimer m_tell;
};
