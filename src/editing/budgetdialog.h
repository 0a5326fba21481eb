#pragma once

#include "longestfirst.h"

#include <QDialog>
#include <QObject>
#include <QString>
#include <QStringList>

class QComboBox;
class QRadioButton;

/// What Fit Kit into Size was last asked for, kept as long as the program
/// runs: its dialog opens at it, and the kit window weighs the module
/// against it.
class AskedBudget : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    QString text;   // as typed or chosen; empty until asked
    qint64 bytes = 0;
    BudgetRule rule = BudgetRule::LongestFirst;

    /// Keeps what was asked for, and says so.
    void remember(const QString &asked, qint64 size, BudgetRule how);

signals:
    void changed();
};

/// The budget \a mainWindow's Fit Kit into Size was last asked for, made
/// on first use.
AskedBudget *askedBudget(QWidget *mainWindow);

/// Fit Kit into Size's question: the most the module may take, from a list
/// of the budgets musicians meet or typed, and the rule that lowers the
/// notes, Longest First or One Ceiling for All.
class BudgetDialog : public QDialog
{
    Q_OBJECT

public:
    /// Offers \a sizes, showing \a shown, with \a rule chosen.
    BudgetDialog(QWidget *parent, const QStringList &sizes, const QString &shown, BudgetRule rule);

    QString sizeText() const;
    BudgetRule rule() const;

private:
    QComboBox *m_size;
    QRadioButton *m_longestFirst;
    QRadioButton *m_oneCeiling;
};
