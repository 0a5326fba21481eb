// Pictures the real main window with samples loaded, for the README, or
// with --waveform its waveform window, showing the first sample at the
// highest note; with --shaping, that sample looped by hand over the middle
// of its picture, and a selection before the loop; with --crossfade, the
// seam of that sample's loop before and after Crossfade Loop…, one above
// the other.
//
//   brindlebox_screenshot [--waveform | --shaping | --crossfade] <output.png> <file.wav>...
//
// Loads the files the way a user does: picks File > Load Samples and types
// their paths into the file dialog; for the waveform, presses End in the
// frequency list and chooses Show Waveform from the context menu. Meant for
// the offscreen platform (scripts/screenshot sets it up), where Qt's own
// file dialog is used.

#include "mainwindow.h"
#include "waveformview.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QWheelEvent>
#include <QSaveFile>
#include <QTextStream>
#include <QTimer>

#include <functional>

namespace {

constexpr int pollMs = 20;
constexpr int giveUpMs = 10000;

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

/// What a user types into the file-name field to choose several files.
QString typedPaths(const QStringList &paths)
{
    if (paths.size() == 1)
        return paths.first();
    return QLatin1Char('"') + paths.join(QLatin1String("\" \"")) + QLatin1Char('"');
}

/// Writes the picture whole or not at all, so a failed run leaves the old one.
bool savePng(const QPixmap &picture, const QString &path)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && picture.save(&file, "PNG") && file.commit();
}

/// Right-clicks the middle of \a widget and chooses \a choice from the
/// menu that opens, with the keyboard; false when there was no such entry.
bool chooseFromContextMenu(QWidget *widget, const QString &choice)
{
    bool chosen = false;
    // The menu's exec() blocks until it closes: act on it from a timer.
    QTimer::singleShot(0, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction *entry : menu->actions()) {
            if (entry->text() == choice && entry->isEnabled()) {
                menu->setActiveAction(entry);
                chosen = true;
            }
        }
        QKeyEvent key(QEvent::KeyPress, chosen ? Qt::Key_Return : Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(menu, &key);
    });
    const QPoint middle = widget->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, middle, widget->mapToGlobal(middle));
    QApplication::sendEvent(widget, &event);
    return chosen;
}

/// Shows the waveform window of the first sample at the highest note, and
/// returns it once its picture is painted; nullptr when it does not come.
QWidget *showWaveform(QWidget &window)
{
    auto *notes = window.findChild<QWidget *>("FrequencyCombo");
    QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
    QApplication::sendEvent(notes, &end);
    if (!chooseFromContextMenu(window.findChild<QWidget *>("centralwidget"), QStringLiteral("Show Waveform"))) {
        err() << "the context menu has no Show Waveform\n";
        return nullptr;
    }
    auto *waveform = window.findChild<QWidget *>("waveformWindow");
    auto *view = window.findChild<QWidget *>("waveformView");
    if (!waveform || !view)
        return nullptr;
    // The numbers line comes with the picture.
    for (int waited = 0; waited < giveUpMs; waited += pollMs) {
        if (view->accessibleDescription().contains(QStringLiteral(" bytes, "))) {
            QApplication::processEvents();
            return waveform;
        }
        QEventLoop wait;
        QTimer::singleShot(pollMs, &wait, &QEventLoop::quit);
        wait.exec();
    }
    err() << "no picture came: " << view->accessibleDescription() << "\n";
    return nullptr;
}

/// Lets the event loop run until \a done says so; false when it never does.
bool waitFor(const std::function<bool()> &done)
{
    for (int waited = 0; waited < giveUpMs; waited += pollMs) {
        if (done())
            return true;
        QEventLoop wait;
        QTimer::singleShot(pollMs, &wait, &QEventLoop::quit);
        wait.exec();
    }
    return false;
}

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

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool shaping = args.value(1) == QLatin1String("--shaping");
    const bool crossfading = args.value(1) == QLatin1String("--crossfade");
    const bool waveformOnly = shaping || crossfading || args.value(1) == QLatin1String("--waveform");
    if (waveformOnly)
        args.removeAt(1);
    if (args.size() < 3) {
        err() << "usage: brindlebox_screenshot [--waveform | --shaping | --crossfade] <output.png> <file.wav>...\n";
        return 2;
    }
    const QString output = args.at(1);
    QStringList wavs;
    for (const QString &wav : args.mid(2))
        wavs.append(QFileInfo(wav).absoluteFilePath());

    MainWindow window;
    // A little wider than it opens, as a user would drag it, so a whole
    // sample label shows in the list.
    const QSize natural = window.sizeHint();
    window.resize(qMax(natural.width(), 400), natural.height());
    window.show();
    QApplication::processEvents();

    auto *load = window.findChild<QAction *>("actionLoad_Samples");
    auto *samples = window.findChild<QComboBox *>("sampleCombo");
    if (!load || !samples) {
        err() << "the window has no Load Samples action or no sample list\n";
        return 1;
    }

    // Load Samples blocks in the dialog's exec(); this timer runs inside it
    // and answers the dialog as a user would. It gives up rather than hang.
    bool dialogSeen = false;
    int waitedMs = 0;
    QTimer user;
    user.setInterval(pollMs);
    QObject::connect(&user, &QTimer::timeout, [&] {
        waitedMs += pollMs;
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        auto *edit = dialog ? dialog->findChild<QLineEdit *>("fileNameEdit") : nullptr;
        if (edit) {
            dialogSeen = true;
            edit->setText(typedPaths(wavs));
            static_cast<QDialog *>(dialog)->accept();
        } else if (QWidget *other = QApplication::activeModalWidget()) {
            err() << "unexpected dialog: " << other->metaObject()->className() << "\n";
            if (auto *otherDialog = qobject_cast<QDialog *>(other))
                otherDialog->reject();
        }
        if (dialogSeen || waitedMs >= giveUpMs)
            user.stop();
    });
    user.start();
    load->trigger();
    user.stop();
    QApplication::processEvents();

    if (!dialogSeen) {
        err() << "Load Samples opened no file dialog; the picture shows the window without samples\n";
    } else if (samples->count() != wavs.size()) {
        err() << "loaded " << samples->count() << " of " << wavs.size() << " samples\n";
        return 1;
    }

    QWidget *pictured = &window;
    if (waveformOnly && !(pictured = showWaveform(window)))
        return 1;
    if (shaping && !shapeShownSample(pictured)) {
        err() << "the sample could not be looped by hand\n";
        return 1;
    }
    const QPixmap picture = crossfading ? crossfadeBeforeAndAfter(pictured) : pictured->grab();
    if (picture.isNull()) {
        err() << "the sample's loop could not be crossfaded\n";
        return 1;
    }
    if (!savePng(picture, output)) {
        err() << "cannot write " << output << "\n";
        return 1;
    }
    err() << "wrote " << output << "\n";
    err().flush();
    return 0;
}
