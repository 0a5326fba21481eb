#include "screenshotscenes.h"

#include "waveformview.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QWheelEvent>

namespace {

/// The picture zoomed in on byte \a byte, which it shows in its middle.
QPixmap zoomedOn(WaveformView *view, qint64 byte)
{
    qint64 shown = 0;
    const QMetaObject::Connection span =
        QObject::connect(view, &WaveformView::spanChanged, [&shown](qint64, qint64 bytes, qint64) { shown = bytes; });
    view->showWhole();
    const QPointF at(double(byte) * view->width() / view->summary()->size(), view->height() / 2.0);
    for (int notch = 0; notch < 22; ++notch) {
        QWheelEvent wheel(at, view->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view, &wheel);
    }
    view->scrollTo(byte - shown / 2);
    QObject::disconnect(span);
    QApplication::processEvents();
    return view->grab();
}

/// The seam of the shown sample's loop as it plays: the loop's last bytes
/// on the left, its first on the right, the numbers underneath.
QPixmap seamAsPlayed(QWidget *waveform)
{
    auto *view = waveform->findChild<WaveformView *>("waveformView");
    auto *numbers = waveform->findChild<QWidget *>("waveformNumbers");
    const TrackerLayout layout = view->summary()->layout;
    const QPixmap end = zoomedOn(view, layout.loopStart + layout.loopLength);
    const QPixmap start = zoomedOn(view, layout.loopStart);
    const QPixmap words = numbers->grab();
    const int half = view->width() / 2;
    QPixmap seam(view->width(), view->height() + numbers->height() + 8);
    seam.fill(waveform->palette().color(QPalette::Window));
    QPainter painter(&seam);
    painter.drawPixmap(0, 0, end, 0, 0, int(half * end.devicePixelRatio()), int(end.height()));
    painter.drawPixmap(half, 0, start, int(half * start.devicePixelRatio()), 0, int((view->width() - half) * start.devicePixelRatio()),
                       int(start.height()));
    painter.drawPixmap(0, view->height() + 4, words);
    return seam;
}

} // namespace

/// Loops the shown sample by hand over the middle of its picture, as a
/// user does with Loop Selection, then selects a stretch before the loop.
bool shapeShownSample(QWidget *waveform)
{
    auto *view = waveform->findChild<WaveformView *>("waveformView");
    QAction *loop = nullptr;
    for (QAction *action : waveform->actions()) {
        if (action->text() == QLatin1String("Loop Selection"))
            loop = action;
    }
    if (!view || !view->summary() || !loop)
        return false;
    const qint64 size = view->summary()->size();
    view->select(size * 45 / 100, size * 72 / 100);
    loop->trigger();
    if (!waitFor([view] { return view->accessibleDescription().contains(QLatin1String("loop from byte")); }))
        return false;
    view->select(size * 6 / 100, size * 30 / 100);
    QApplication::processEvents();
    return true;
}

/// The seam of the loop as it plays, before and after Crossfade Loop… with
/// its defaults, one above the other; a null picture when the crossfade
/// does not come.
QPixmap crossfadeBeforeAndAfter(QWidget *waveform)
{
    auto *view = waveform->findChild<WaveformView *>("waveformView");
    QAction *crossfade = nullptr;
    for (QAction *action : waveform->actions()) {
        if (action->text() == QStringLiteral("Crossfade Loop…"))
            crossfade = action;
    }
    if (!view || !view->summary() || !view->summary()->layout.looped || !crossfade)
        return QPixmap();
    const QPixmap before = seamAsPlayed(waveform);
    // The dialog's exec() blocks: OK is pressed from a timer, as a user would.
    QTimer ok;
    ok.setInterval(pollMs);
    QObject::connect(&ok, &QTimer::timeout, [] {
        QWidget *dialog = QApplication::activeModalWidget();
        if (auto *buttons = dialog ? dialog->findChild<QDialogButtonBox *>() : nullptr)
            buttons->button(QDialogButtonBox::Ok)->click();
    });
    ok.start();
    crossfade->trigger();
    ok.stop();
    if (!waitFor([view] { return view->accessibleDescription().contains(QStringLiteral(" · crossfade ")); }))
        return QPixmap();
    const QPixmap after = seamAsPlayed(waveform);
    QPixmap both(before.width(), before.height() * 2);
    both.fill(waveform->palette().color(QPalette::Window));
    QPainter painter(&both);
    painter.drawPixmap(0, 0, before);
    painter.drawPixmap(0, before.height(), after);
    return both;
}

/// Slices the shown sample at its hits, as a user does with Slice at
/// Hits… and OK at the sensitivity it opens with.
bool sliceShownSample(QWidget *waveform)
{
    auto *view = waveform->findChild<WaveformView *>("waveformView");
    QAction *slice = nullptr;
    for (QAction *action : waveform->actions()) {
        if (action->text() == QStringLiteral("Slice at Hits…"))
            slice = action;
    }
    if (!view || !slice)
        return false;
    slice->trigger();
    auto *dialog = waveform->findChild<QDialog *>("hitsDialog");
    auto *count = dialog ? dialog->findChild<QLabel *>("hitCount") : nullptr;
    if (!count || !waitFor([count] { return count->text().endsWith(QLatin1String("hits")); }))
        return false;
    dialog->accept();
    return waitFor([view] { return view->accessibleDescription().contains(QLatin1String("slice markers")); });
}
