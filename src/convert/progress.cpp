#include "progress.h"

#include "converter.h"
#include "exportengine.h"

#include <QApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QWindow>

namespace {

constexpr int dialogDelayMs = 500;

bool isUserInput(const QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    case QEvent::Close:
        return event->spontaneous(); // the window manager's close button
    default:
        return false;
    }
}

} // namespace

ConversionProgress::ConversionProgress(QWidget *window, int steps)
    : m_dialog(window)
{
    m_dialog.setWindowModality(Qt::ApplicationModal);
    m_dialog.setAutoReset(false);
    m_dialog.setAutoClose(false);
    m_dialog.setRange(0, steps);
    m_dialog.setMinimumDuration(dialogDelayMs);
    m_dialog.setValue(0);
    // Cancel, Escape and closing the dialog all come here.
    connect(&m_dialog, &QProgressDialog::canceled, this, [this] {
        m_cancelled = true;
        m_dialog.hide();
        if (m_cancel)
            m_cancel();
    });
    qApp->installEventFilter(this);
}

ConversionProgress::~ConversionProgress()
{
    qApp->removeEventFilter(this);
}

void ConversionProgress::run(Conversion &conversion, const QString &text, int done)
{
    // Once shown, the dialog takes the input that waited while the last
    // sample was copied as soon as its value moves on; a Cancel in it must
    // already reach this conversion.
    m_cancel = [&conversion] { conversion.cancel(); };
    if (m_cancelled)
        m_cancel();
    show(text, done);
    conversion.run();
    m_cancel = nullptr;
}

void ConversionProgress::run(ExportEngine &engine)
{
    const QList<Sample> &samples = engine.samples();
    const auto showNext = [this, &samples](int settled) {
        if (settled < samples.size())
            show(QStringLiteral("Exporting %1 of %2: %3").arg(settled + 1).arg(samples.size()).arg(samples.at(settled).name),
                 settled);
    };
    QEventLoop loop;
    connect(&engine, &ExportEngine::finished, &loop, &QEventLoop::quit);
    const QMetaObject::Connection progressed = connect(&engine, &ExportEngine::progressed, this, showNext);
    m_cancel = [&engine] { engine.cancel(); };
    if (m_cancelled)
        m_cancel();
    showNext(0);
    engine.start();
    if (!engine.isFinished())
        loop.exec();
    disconnect(progressed);
    m_cancel = nullptr;
}

void ConversionProgress::run(QFuture<void> work, const QString &text)
{
    QEventLoop loop;
    QFutureWatcher<void> watcher;
    connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    m_cancel = [&work, &loop] {
        work.cancel();
        loop.quit();
    };
    if (m_cancelled)
        m_cancel();
    show(text, 0);
    watcher.setFuture(work);
    if (!work.isFinished() && !m_cancelled)
        loop.exec();
    m_cancel = nullptr;
}

void ConversionProgress::show(const QString &text, int done)
{
    m_dialog.setLabelText(text);
    m_dialog.setValue(done);
}

bool ConversionProgress::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == &m_dialog && event->type() == QEvent::Show) {
        // The arrow with an hourglass: work goes on, and Cancel can be pressed.
        QGuiApplication::changeOverrideCursor(QCursor(Qt::BusyCursor));
        return false;
    }
    if (!isUserInput(event) || watched == m_dialog.windowHandle())
        return false;
    // Input to the dialog and to what it holds (its button, its Escape
    // shortcut) goes through; to anything else, the window's actions
    // included, it does not.
    for (const QObject *object = watched; object; object = object->parent()) {
        if (object == &m_dialog)
            return false;
    }
    return true;
}
