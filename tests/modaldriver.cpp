#include "modaldriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

namespace {
constexpr int pollMs = 10;
// Closes a dialog as its Cancel or Escape would.
void reject(QWidget *dialog)
{
    if (auto *closable = qobject_cast<QDialog *>(dialog))
        closable->reject();
}

constexpr int stuckLimit = 2000 / pollMs;
// A user presses a key in the window that has the keyboard: a dialog just
// shown gets it a moment later, once the window system activates it.
constexpr int activationLimit = 2000 / pollMs;
} // namespace

ModalDriver::ModalDriver()
{
    m_timer.setInterval(pollMs);
    connect(&m_timer, &QTimer::timeout, this, &ModalDriver::poll);
    m_timer.start();
}

ModalDriver &ModalDriver::then(Action action)
{
    m_actions.enqueue({std::move(action), false});
    return *this;
}

ModalDriver &ModalDriver::cancelProgress(CancelBy way)
{
    m_actions.enqueue({[way](QWidget *dialog) {
                           if (way == CancelBy::Escape)
                               QTest::keyClick(dialog, Qt::Key_Escape);
                           else if (way == CancelBy::Closing)
                               dialog->close();
                           else if (auto *button = dialog->findChild<QPushButton *>())
                               button->click();
                       },
                       true, way == CancelBy::Escape});
    return *this;
}

ModalDriver &ModalDriver::press(QMessageBox::StandardButton button)
{
    return then([button](QWidget *dialog) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        if (QAbstractButton *pressed = box ? box->button(button) : nullptr)
            pressed->click();
        else
            reject(dialog);
    });
}

ModalDriver &ModalDriver::escape()
{
    m_actions.enqueue({[](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); }, false, true});
    return *this;
}

ModalDriver &ModalDriver::choose(const QStringList &paths)
{
    return then([paths](QWidget *dialog) {
        auto *fileDialog = qobject_cast<QFileDialog *>(dialog);
        auto *edit = fileDialog ? fileDialog->findChild<QLineEdit *>("fileNameEdit") : nullptr;
        if (!edit) {
            reject(dialog);
            return;
        }
        QString typed = paths.value(0);
        if (paths.size() > 1)
            typed = QLatin1Char('"') + paths.join(QLatin1String("\" \"")) + QLatin1Char('"');
        edit->setText(typed);
        static_cast<QDialog *>(fileDialog)->accept();
    });
}

ModalDriver &ModalDriver::cancel()
{
    return then(reject);
}

ModalDriver &ModalDriver::lookAndCancel(FileDialogLook &look)
{
    return then([&look](QWidget *dialog) {
        if (auto *files = qobject_cast<QFileDialog *>(dialog)) {
            look = {files->windowTitle(), files->directory().absolutePath(),
                    files->nameFilters(), files->options()};
        }
        reject(dialog);
    });
}

void ModalDriver::poll()
{
    QWidget *dialog = QApplication::activeModalWidget();
    if (!dialog)
        return;
    if (qobject_cast<QProgressDialog *>(dialog) && (m_actions.isEmpty() || !m_actions.head().forProgress))
        return;
    if (dialog == m_last && dialog->isVisible()) {
        // Our answer did not close it (a file dialog given a name it
        // rejects, say): close it, so the test fails instead of hanging.
        if (++m_stuckTicks > stuckLimit) {
            ++m_unexpected;
            reject(dialog);
        }
        return;
    }
    m_stuckTicks = 0;
    // Escape sent to a dialog that is not yet the active window misses its
    // shortcut (a progress dialog's Cancel) and only hides it.
    if (!m_actions.isEmpty() && m_actions.head().byKey && QApplication::activeWindow() != dialog
        && ++m_activationTicks < activationLimit)
        return;
    m_activationTicks = 0;
    m_last = dialog;
    if (auto *box = qobject_cast<QMessageBox *>(dialog))
        m_texts.append(box->text());
    else if (auto *progress = qobject_cast<QProgressDialog *>(dialog))
        m_texts.append(progress->labelText());
    if (m_actions.isEmpty()) {
        // Nobody expected this one: dismiss it so the test goes on, and count it.
        ++m_unexpected;
        QTest::keyClick(dialog, Qt::Key_Escape);
        return;
    }
    ++m_answered;
    m_actions.dequeue().action(dialog);
}
