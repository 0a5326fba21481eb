#include "mainwindowform.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

void setPolicy(QWidget *widget, QSizePolicy::Policy horizontal, QSizePolicy::Policy vertical)
{
    QSizePolicy policy(horizontal, vertical);
    policy.setHorizontalStretch(0);
    policy.setVerticalStretch(0);
    policy.setHeightForWidth(widget->sizePolicy().hasHeightForWidth());
    widget->setSizePolicy(policy);
}

QFrame *makeLine(QWidget *parent, const char *name)
{
    auto *line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QSlider *makeCutSlider(QWidget *parent, const char *name)
{
    auto *slider = new QSlider(parent);
    slider->setObjectName(name);
    slider->setEnabled(true);
    slider->setMinimum(20);
    slider->setMaximum(20000);
    slider->setOrientation(Qt::Horizontal);
    slider->setTickPosition(QSlider::NoTicks);
    slider->setTickInterval(1000);
    return slider;
}

QCheckBox *makeCheckBox(QWidget *parent, const char *name)
{
    auto *box = new QCheckBox(parent);
    box->setObjectName(name);
    box->setEnabled(true);
    return box;
}

QAction *makeAction(QMainWindow *window, const char *name)
{
    auto *action = new QAction(window);
    action->setObjectName(name);
    return action;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("MainWindow", text, nullptr);
}

} // namespace

void MainWindowForm::setupForm(QMainWindow *window)
{
    if (window->objectName().isEmpty())
        window->setObjectName("MainWindow");

    actionLoad_Samples = makeAction(window, "actionLoad_Samples");
    actionClear_All = makeAction(window, "actionClear_All");
    actionQuit = makeAction(window, "actionQuit");

    centralwidget = new QWidget(window);
    centralwidget->setObjectName("centralwidget");
    centralwidget->setEnabled(true);
    setPolicy(centralwidget, QSizePolicy::Expanding, QSizePolicy::Expanding);
    gridLayout = new QGridLayout(centralwidget);
    gridLayout->setObjectName("gridLayout");

    verticalLayout_2 = new QVBoxLayout();
    verticalLayout_2->setObjectName("verticalLayout_2");

    horizontalLayout = new QHBoxLayout();
    horizontalLayout->setObjectName("horizontalLayout");
    horizontalLayout->setSizeConstraint(QLayout::SetDefaultConstraint);
    label = new QLabel(centralwidget);
    label->setObjectName("label");
    label->setEnabled(true);
    setPolicy(label, QSizePolicy::Preferred, QSizePolicy::Preferred);
    horizontalLayout->addWidget(label);
    sampleCombo = new QComboBox(centralwidget);
    sampleCombo->setObjectName("sampleCombo");
    sampleCombo->setEnabled(true);
    setPolicy(sampleCombo, QSizePolicy::Preferred, QSizePolicy::Fixed);
    horizontalLayout->addWidget(sampleCombo);
    verticalLayout_2->addLayout(horizontalLayout);

    line = makeLine(centralwidget, "line");
    verticalLayout_2->addWidget(line);

    horizontalLayout_2 = new QHBoxLayout();
    horizontalLayout_2->setObjectName("horizontalLayout_2");
    label_2 = new QLabel(centralwidget);
    label_2->setObjectName("label_2");
    label_2->setEnabled(true);
    horizontalLayout_2->addWidget(label_2);
    FrequencyCombo = new QComboBox(centralwidget);
    FrequencyCombo->setObjectName("FrequencyCombo");
    setPolicy(FrequencyCombo, QSizePolicy::Expanding, QSizePolicy::Fixed);
    horizontalLayout_2->addWidget(FrequencyCombo);
    verticalLayout_2->addLayout(horizontalLayout_2);

    verticalLayout = new QVBoxLayout();
    verticalLayout->setObjectName("verticalLayout");
    NormaliseCheckbox = makeCheckBox(centralwidget, "NormaliseCheckbox");
    verticalLayout->addWidget(NormaliseCheckbox);
    horizontalLayout_5 = new QHBoxLayout();
    horizontalLayout_5->setObjectName("horizontalLayout_5");
    lowCutCheckbox = makeCheckBox(centralwidget, "lowCutCheckbox");
    horizontalLayout_5->addWidget(lowCutCheckbox);
    lowCutSlider = makeCutSlider(centralwidget, "lowCutSlider");
    horizontalLayout_5->addWidget(lowCutSlider);
    verticalLayout->addLayout(horizontalLayout_5);
    horizontalLayout_4 = new QHBoxLayout();
    horizontalLayout_4->setObjectName("horizontalLayout_4");
    highCutCheckbox = makeCheckBox(centralwidget, "highCutCheckbox");
    horizontalLayout_4->addWidget(highCutCheckbox);
    highCutSlider = makeCutSlider(centralwidget, "highCutSlider");
    highCutSlider->setSingleStep(1);
    horizontalLayout_4->addWidget(highCutSlider);
    verticalLayout->addLayout(horizontalLayout_4);
    verticalLayout_2->addLayout(verticalLayout);

    horizontalLayout_6 = new QHBoxLayout();
    horizontalLayout_6->setObjectName("horizontalLayout_6");
    previewButton = new QPushButton(centralwidget);
    previewButton->setObjectName("previewButton");
    previewButton->setEnabled(true);
    setPolicy(previewButton, QSizePolicy::Fixed, QSizePolicy::Fixed);
    horizontalLayout_6->addWidget(previewButton);
    SizeLabel = new QLabel(centralwidget);
    SizeLabel->setObjectName("SizeLabel");
    SizeLabel->setEnabled(true);
    setPolicy(SizeLabel, QSizePolicy::Minimum, QSizePolicy::Minimum);
    SizeLabel->setTextFormat(Qt::AutoText);
    horizontalLayout_6->addWidget(SizeLabel);
    readyButton = new QPushButton(centralwidget);
    readyButton->setObjectName("readyButton");
    readyButton->setEnabled(true);
    setPolicy(readyButton, QSizePolicy::Fixed, QSizePolicy::Fixed);
    horizontalLayout_6->addWidget(readyButton);
    verticalLayout_2->addLayout(horizontalLayout_6);

    line_2 = makeLine(centralwidget, "line_2");
    verticalLayout_2->addWidget(line_2);

    horizontalLayout_3 = new QHBoxLayout();
    horizontalLayout_3->setObjectName("horizontalLayout_3");
    DirectoryName = new QLabel(centralwidget);
    DirectoryName->setObjectName("DirectoryName");
    DirectoryName->setEnabled(true);
    // A folder's name is shown as it is, whatever characters it holds.
    DirectoryName->setTextFormat(Qt::PlainText);
    horizontalLayout_3->addWidget(DirectoryName);
    browseButton = new QPushButton(centralwidget);
    browseButton->setObjectName("browseButton");
    browseButton->setEnabled(true);
    horizontalLayout_3->addWidget(browseButton);
    ExportButton = new QPushButton(centralwidget);
    ExportButton->setObjectName("ExportButton");
    ExportButton->setEnabled(true);
    horizontalLayout_3->addWidget(ExportButton);
    verticalLayout_2->addLayout(horizontalLayout_3);

    gridLayout->addLayout(verticalLayout_2, 0, 0, 1, 1);
    window->setCentralWidget(centralwidget);

    menubar = new QMenuBar(window);
    menubar->setObjectName("menubar");
    menubar->setGeometry(QRect(0, 0, 343, 26));
    menuFile = new QMenu(menubar);
    menuFile->setObjectName("menuFile");
    window->setMenuBar(menubar);
    statusbar = new QStatusBar(window);
    statusbar->setObjectName("statusbar");
    window->setStatusBar(statusbar);

    menubar->addAction(menuFile->menuAction());
    menuFile->addAction(actionLoad_Samples);
    menuFile->addAction(actionClear_All);
    menuFile->addAction(actionQuit);

    retranslateForm(window);

    // Last, so no handler runs while the form is being built.
    QMetaObject::connectSlotsByName(window);
}

void MainWindowForm::retranslateForm(QMainWindow *window)
{
    window->setWindowTitle(tr("Brindlebox"));
    actionLoad_Samples->setText(tr("Load Samples"));
    actionLoad_Samples->setShortcut(QKeySequence(tr("Ctrl+L"), QKeySequence::NativeText));
    actionClear_All->setText(tr("Clear All"));
    actionClear_All->setShortcut(QKeySequence(tr("Ctrl+W"), QKeySequence::NativeText));
    actionQuit->setText(tr("Quit"));
    actionQuit->setShortcut(QKeySequence(tr("Ctrl+Q"), QKeySequence::NativeText));
    label->setText(tr("Sample:"));
    sampleCombo->setToolTip(tr("Currently Selected Sample"));
    label_2->setText(tr("Frequency:"));
    FrequencyCombo->setToolTip(tr("Currently Selected Sample"));
    NormaliseCheckbox->setText(tr("Normalise"));
    lowCutCheckbox->setText(tr("Low Cut "));
    highCutCheckbox->setText(tr("High Cut"));
    previewButton->setText(tr("Preview"));
    SizeLabel->setText(tr("0b"));
    readyButton->setText(tr("Toggle Ready"));
    DirectoryName->setText(tr("Select a Directory"));
    browseButton->setText(tr("Browse"));
    ExportButton->setText(tr("Export"));
    menuFile->setTitle(tr("File"));
}
