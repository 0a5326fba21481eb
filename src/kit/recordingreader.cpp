#include "recordingreader.h"

#include "notefitting.h"
#include "sourcecheck.h"

#include <QtConcurrent>

#include <algorithm>

namespace {

// Often enough for a table filling in as it is read, seldom enough that
// redrawing it costs nothing.
constexpr int tellMs = 100;

} // namespace

RecordingReader::RecordingReader(QObject *parent)
    : QObject(parent)
{
    m_tell.setSingleShot(true);
    m_tell.setInterval(tellMs);
    connect(&m_tell, &QTimer::timeout, this, &RecordingReader::read);
}

RecordingReader::~RecordingReader()
{
    // A reading under way is left to end by itself: it holds nothing of ours.
    if (m_reading)
        m_reading->cancel();
}

const RecordingFacts *RecordingReader::facts(const QString &path)
{
    const auto known = m_known.constFind(path);
    if (known != m_known.constEnd())
        return &known.value();
    if (!m_asked.contains(path)) {
        m_asked.insert(path);
        m_wanted << path;
        if (!m_reading)
            QTimer::singleShot(0, this, &RecordingReader::readNext);
    }
    return nullptr;
}

void RecordingReader::readNext()
{
    if (m_reading || m_wanted.isEmpty())
        return;
    // The newest first: what was asked for last is what the table shows now.
    QStringList paths;
    std::swap(paths, m_wanted);
    std::reverse(paths.begin(), paths.end());
    m_reading = std::make_unique<QFutureWatcher<Reading>>();
    connect(m_reading.get(), &QFutureWatcherBase::resultReadyAt, this, [this](int at) {
        const Reading reading = m_reading->resultAt(at);
        m_known.insert(reading.first, reading.second);
        if (!m_tell.isActive())
            m_tell.start();
    });
    connect(m_reading.get(), &QFutureWatcherBase::finished, this, [this] {
        m_reading.release()->deleteLater();
        readNext();
    });
    m_reading->setFuture(QtConcurrent::run([paths](QPromise<Reading> &promise) {
        for (const QString &path : paths) {
            if (promise.isCanceled())
                return;
            RecordingFacts facts;
            facts.problem = sourceProblem(path);
            if (facts.problem.isEmpty())
                facts.format = readRecording(path);
            promise.addResult(Reading{path, facts});
        }
    }));
}
