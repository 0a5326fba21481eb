#include "question.h"

#include <QMessageBox>

bool userSaysYes(const QString &question)
{
    QMessageBox box;
    box.setText(question);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
