#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QStringList>
#include <QTimer>

#include <functional>

/// Answers modal dialogs the way a user would. A handler's exec() blocks the
/// test, so the answers are queued first and given from a timer, one to each
/// modal widget that appears, in order, for as long as the driver lives. A
/// dialog that comes when no answer is queued, or that stays open after its
/// answer, is dismissed and counted, so no test can hang on one.
/// What a file dialog showed the user when it came.
struct FileDialogLook
{
    QString caption;
    QString directory;
    QStringList filters;
    QFileDialog::Options options;
};

/// The ways a user stops a long conversion.
enum class CancelBy { Button, Escape, Closing };

class ModalDriver : public QObject
{
    Q_OBJECT

public:
    using Action = std::function<void(QWidget *dialog)>;

    ModalDriver();

    /// Presses a message box's button.
    ModalDriver &press(QMessageBox::StandardButton button);
    /// Presses Escape in the dialog.
    ModalDriver &escape();
    /// Types paths into a file dialog's file-name field and accepts it;
    /// several paths as "a.wav" "b.wav", one as it is.
    ModalDriver &choose(const QStringList &paths);
    /// Cancels a file dialog.
    ModalDriver &cancel();
    /// Notes what a file dialog shows in \a look, then cancels it.
    ModalDriver &lookAndCancel(FileDialogLook &look);
    /// Any other answer.
    ModalDriver &then(Action action);
    /// Stops a conversion once its progress dialog shows. Progress dialogs
    /// are otherwise left alone: they only say that work is going on.
    ModalDriver &cancelProgress(CancelBy way);

    /// The texts of the message boxes and progress dialogs answered so far,
    /// in order.
    QStringList texts() const { return m_texts; }
    /// How many modal widgets were answered.
    int answered() const { return m_answered; }
    /// Dialogs that came with no answer queued or ignored their answer.
    int unexpected() const { return m_unexpected; }
    /// Answers still queued (none once every expected dialog has shown).
    int pending() const { return int(m_actions.size()); }

private:
    void poll();

    struct Answer
    {
        Action action;
        bool forProgress = false;
        bool byKey = false; // pressed as a key: only once the dialog has the keyboard
    };
    QQueue<Answer> m_actions;
    QTimer m_timer;
    QPointer<QWidget> m_last;
    QStringList m_texts;
    int m_answered = 0;
    int m_unexpected = 0;
    int m_stuckTicks = 0;
    int m_activationTicks = 0;
};
