#include "budgetdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

void AskedBudget::remember(const QString &asked, qint64 size, BudgetRule how)
{
    text = asked;
    bytes = size;
    rule = how;
    emit changed();
}

AskedBudget *askedBudget(QWidget *mainWindow)
{
    const QString name = QStringLiteral("askedBudget");
    auto *asked = mainWindow->findChild<AskedBudget *>(name, Qt::FindDirectChildrenOnly);
    if (!asked) {
        asked = new AskedBudget(mainWindow);
        asked->setObjectName(name);
    }
    return asked;
}

BudgetDialog::BudgetDialog(QWidget *parent, const QStringList &sizes, const QString &shown, BudgetRule rule)
    : QDialog(parent)
    , m_size(new QComboBox(this))
    , m_longestFirst(new QRadioButton(tr("Longest First: one note at a time, whichever sample then saves the most "
                                         "bytes, so that short hits keep their notes"),
                                      this))
    , m_oneCeiling(new QRadioButton(tr("One Ceiling for All: every sample at most the highest note at which the "
                                       "module fits"),
                                    this))
{
    setWindowTitle(tr("Fit Kit into Size"));
    m_size->setObjectName(QStringLiteral("budgetSize"));
    m_size->setEditable(true);
    m_size->addItems(sizes);
    m_size->setCurrentText(shown);
    m_longestFirst->setObjectName(QStringLiteral("longestFirst"));
    m_oneCeiling->setObjectName(QStringLiteral("oneCeiling"));
    (rule == BudgetRule::LongestFirst ? m_longestFirst : m_oneCeiling)->setChecked(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *sizeLabel = new QLabel(
        tr("The most the kit's module may take (a number of bytes, or with K or M: 1 KB = 1,024 bytes):"), this);
    sizeLabel->setWordWrap(true);
    sizeLabel->setBuddy(m_size);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(sizeLabel);
    layout->addWidget(m_size);
    layout->addWidget(new QLabel(tr("Lower the notes:"), this));
    layout->addWidget(m_longestFirst);
    layout->addWidget(m_oneCeiling);
    layout->addWidget(buttons);
}

QString BudgetDialog::sizeText() const
{
    return m_size->currentText();
}

BudgetRule BudgetDialog::rule() const
{
    return m_oneCeiling->isChecked() ? BudgetRule::OneCeiling : BudgetRule::LongestFirst;
}
