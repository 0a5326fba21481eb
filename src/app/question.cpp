#include "question.h"

#include <QMessageBox>
#include <QStringList>

bool userSaysYes(const QString &question)
{
    QMessageBox box;
    box.setText(question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

namespace {

/// \a text with each word too long to wrap shortened in its middle, so
/// that a box showing it fits the screen; the box's details keep it whole.
QString withLongWordsShortened(const QString &text)
{
    constexpr int longest = 80;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        QStringList words = line.split(QLatin1Char(' '));
        for (QString &word : words) {
            if (word.size() > longest)
                word = word.left(longest / 2 - 1) + QStringLiteral("…") + word.right(longest / 2 - 1);
        }
        line = words.join(QLatin1Char(' '));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

void showListing(const QString &title, bool warning, const std::function<QString(int shown)> &listing)
{
    const QString text = withLongWordsShortened(listing(10));
    QMessageBox box;
    box.setIcon(warning ? QMessageBox::Warning : QMessageBox::Information);
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    if (const QString whole = listing(-1); whole != text)
        box.setDetailedText(whole);
    box.exec();
}

void warnUser(const QString &title, const QString &text)
{
    QMessageBox box;
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    box.setText(text.left(1).toUpper() + text.mid(1));
    box.exec();
}
