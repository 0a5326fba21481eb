#pragma once

#include <QString>

#include <functional>

/// Asks \a question in a parentless modal box with Yes and No, No the
/// default; true only for Yes (No, Escape and closing the box say no).
bool userSaysYes(const QString &question);

/// Tells the user something that lists samples, in a parentless modal box
/// titled \a title: \a listing(10) as its text, each list cut short where
/// it would outgrow the screen, and \a listing(-1), whole, behind Show
/// Details… when that is more.
void showListing(const QString &title, bool warning, const std::function<QString(int shown)> &listing);

/// Tells the user of a problem in a parentless modal warning box titled
/// \a title, its first letter a capital.
void warnUser(const QString &title, const QString &text);
