// The export engine's kit module: the first 31 samples that convert, in
// one module written last, into a file or kept in memory for playing.

#include "exportengine.h"

#include "publish.h"

#include <QDebug>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLocale>
#include <QtConcurrent>

void ExportEngine::setModule(const QString &path, bool replace)
{
    m_modulePath = path;
    m_replaceModule = replace;
    m_report.module = QFileInfo(path).fileName();
}

void ExportEngine::setModuleInMemory()
{
    m_moduleInMemory = true;
    m_report.module = QStringLiteral("the kit's module");
}

void ExportEngine::refuseModule(const QString &path, const QString &reason)
{
    m_report.module = QFileInfo(path).fileName();
    m_report.moduleProblem = reason;
}

void ExportEngine::noteLoweredForSize(const QStringList &samples, qint64 budget)
{
    m_report.loweredForSize = samples;
    m_report.budget = budget;
}

void ExportEngine::moduleNotWritten(const QString &reason)
{
    // What the module would have held, or cut short, is no longer news.
    m_report.moduleProblem = reason;
    m_report.leftOut.clear();
    m_report.cut.clear();
    if (m_directory.isEmpty())
        m_report.tooLong.clear();
}

void ExportEngine::writeModule()
{
    m_writingModule = true;
    if (m_moduleInMemory) {
        auto *making = new QFutureWatcher<QByteArray>(this);
        connect(making, &QFutureWatcherBase::finished, this, [this, making] {
            m_module = making->result();
            making->deleteLater();
            m_writingModule = false;
            m_moduleWritten = true;
            schedule();
        });
        making->setFuture(QtConcurrent::run([kit = m_kit] { return protrackerModule(QByteArrayLiteral("kit"), kit); }));
        return;
    }
    QList<KitSlotSize> sizes;
    for (const KitSample &sample : std::as_const(m_kit))
        sizes.append({sample.body.size(), sample.loopStart, sample.loopLength, sample.rate, sample.slice});
    // The budget was reckoned for the samples that were to convert; one
    // that failed in sox has given its slot to another.
    if (const qint64 size = moduleSize(sizes); m_report.budget > 0 && size > m_report.budget) {
        const QLocale english(QLocale::English);
        m_writingModule = false;
        moduleNotWritten(QStringLiteral("it would take %1 bytes, more than the %2 asked for, as samples that were to "
                                        "take its slots could not be converted")
                             .arg(english.toString(size), english.toString(m_report.budget)));
        schedule();
        return;
    }
    const QFileInfo module(m_modulePath);
    auto *writing = new QFutureWatcher<QString>(this);
    connect(writing, &QFutureWatcherBase::finished, this, [this, writing, sizes] {
        const QString reason = writing->result();
        writing->deleteLater();
        m_writingModule = false;
        if (reason.isEmpty()) {
            m_moduleWritten = true;
            m_report.moduleSize = moduleSize(sizes);
            m_report.breaksLeftOut = breaksLeftOut(m_kit);
            qDebug() << m_modulePath;
            emit moduleWritten(m_modulePath);
        } else {
            moduleNotWritten(reason);
        }
        schedule();
    });
    writing->setFuture(QtConcurrent::run([kit = m_kit, title = moduleTitle(module.fileName()),
                                          folder = module.absolutePath(), name = module.fileName(),
                                          replace = m_replaceModule] {
        return publishFile(folder, name, protrackerModule(title, kit), replace);
    }));
}
