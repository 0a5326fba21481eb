#pragma once

#include "benchsupport.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QTextStream>
#include <QWidget>

/// Prints "ready_ns: <monotonic clock>" for the launcher and ends the
/// program once \a window has been painted for the first time and the event
/// loop then comes round to wait for more. Neither alone will do: the loop
/// is about to wait once before it has laid out or painted anything, and a
/// zero timer set after show() fires before the first paint too.
class StartupReport : public QObject
{
public:
    explicit StartupReport(QWidget *window)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
            connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this, dispatcher] {
                disconnect(dispatcher, nullptr, this, nullptr);
                QTextStream(stdout) << "ready_ns: " << monotonicNs() << Qt::endl;
                QCoreApplication::exit(0);
            });
        }
        return false;
    }
};
