#pragma once

#include <QCursor>
#include <QGuiApplication>

/// Shows the busy cursor for as long as it lives: while sox runs the window
/// cannot respond, and the user should see why.
class BusyCursor
{
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }

    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};
