#pragma once

#include "busycursor.h"

#include <QFuture>
#include <QObject>
#include <QProgressDialog>
#include <QtConcurrent>

#include <functional>
#include <optional>

class Conversion;
class ExportEngine;

/// Waits for conversions, or other long work, without freezing the window. While it lives the
/// busy cursor shows and no window but its own progress dialog takes the
/// user's input (keys, shortcuts, clicks, drops, close requests), so nothing
/// can change the list, start another conversion or quit meanwhile. Once
/// the wait has lasted about half a second a modal dialog shows what is
/// being converted, with Cancel.
class ConversionProgress : public QObject
{
    Q_OBJECT

public:
    /// \a steps: how many conversions the bar counts; 0 for a bar that only
    /// shows that something is going on.
    ConversionProgress(QWidget *window, int steps);
    ~ConversionProgress() override;

    /// Shows \a text and the \a done steps, starts \a conversion and returns
    /// once it has finished or has been cancelled.
    void run(Conversion &conversion, const QString &text, int done);
    /// Starts \a engine and returns once it has finished or has been
    /// cancelled, showing which sample it waits for ("Exporting 2 of 3:
    /// kick.wav") and counting those it is done with.
    void run(ExportEngine &engine);
    /// Shows \a text and returns once \a work, which runs away from the
    /// window's thread, is done or has been cancelled.
    void run(QFuture<void> work, const QString &text);
    /// Whether the user pressed Cancel, Escape or closed the dialog.
    bool wasCancelled() const { return m_cancelled; }

private:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void show(const QString &text, int done);

    BusyCursor m_busy;
    QProgressDialog m_dialog;
    std::function<void()> m_cancel;
    bool m_cancelled = false;
};

/// Does \a work away from the window's thread, behind the progress dialog
/// of \a window saying \a text, and returns what it found; nothing when the
/// user cancelled. \a work is given a function that says whether it has
/// been cancelled, to ask now and then: a file may lie on a slow share,
/// or be no file at all.
template<typename Work>
auto awayFromTheWindow(QWidget *window, const QString &text, Work work)
    -> std::optional<std::invoke_result_t<Work, std::function<bool()>>>
{
    using Result = std::invoke_result_t<Work, std::function<bool()>>;
    QFuture<Result> future = QtConcurrent::run([work = std::move(work)](QPromise<Result> &promise) {
        promise.addResult(work(std::function<bool()>([&promise] { return promise.isCanceled(); })));
    });
    ConversionProgress progress(window, 0);
    progress.run(QFuture<void>(future), text);
    if (progress.wasCancelled())
        return std::nullopt;
    return future.result();
}
