#pragma once

#include <QString>

/// Asks \a question in a parentless modal box with Yes and No, No the
/// default; true only for Yes (No, Escape and closing the box say no).
bool userSaysYes(const QString &question);
