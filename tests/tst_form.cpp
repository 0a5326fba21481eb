#include "mainwindow.h"
#include "mainwindowform.h"
#include "modaldriver.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTest>

class TestForm : public QObject
{
    Q_OBJECT

private slots:
    void showsItsDefaults();
    void widgetsHaveTheirClassAndParent_data();
    void widgetsHaveTheirClassAndParent();
    void layoutsHoldTheirItemsInOrder_data();
    void layoutsHoldTheirItemsInOrder();
    void textsAreExactlyAsShown_data();
    void textsAreExactlyAsShown();
    void directoryNameShowsMarkupAsText();
    void fileMenuListsItsThreeActions();
    void slidersCoverTheAudibleRange();
    void sizePoliciesKeepButtonsFixedAndFrequencyListWide();
    void focusFollowsCreationOrder();
    void setupKeepsAnExistingObjectName();
    void shortcutsWorkWhileCentralAreaIsLocked();
    void handlersAreTheWindowsOwnSlotsInOrder();
};

void TestForm::showsItsDefaults()
{
    MainWindow window;
    QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Brindlebox"));

    auto *central = window.findChild<QWidget *>("centralwidget");
    QVERIFY(central);
    QCOMPARE(window.centralWidget(), central);
    QVERIFY(!central->isEnabled());
    for (QWidget *child : central->findChildren<QWidget *>())
        QVERIFY2(!child->isEnabled(), qPrintable(child->objectName()));
    QVERIFY(window.menuBar()->isEnabled());

    QCOMPARE(window.findChild<QComboBox *>("sampleCombo")->count(), 0);
    QCOMPARE(window.findChild<QComboBox *>("FrequencyCombo")->count(), 34);
    QCOMPARE(window.findChild<QSlider *>("lowCutSlider")->value(), 20);
    QCOMPARE(window.findChild<QSlider *>("highCutSlider")->value(), 20);
    for (const char *name : {"NormaliseCheckbox", "lowCutCheckbox", "highCutCheckbox"})
        QVERIFY(!window.findChild<QCheckBox *>(name)->isChecked());
    QVERIFY(window.statusBar()->currentMessage().isEmpty());
    QCOMPARE(window.menuBar()->geometry(), QRect(0, 0, 343, 26));
}

void TestForm::widgetsHaveTheirClassAndParent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("parentName");

    const QString central = QStringLiteral("centralwidget");
    const QString window = QStringLiteral("MainWindow");
    const QList<std::array<const char *, 3>> rows = {
        {"actionLoad_Samples", "QAction", "MainWindow"},
        {"actionClear_All", "QAction", "MainWindow"},
        {"actionQuit", "QAction", "MainWindow"},
        {"centralwidget", "QWidget", "MainWindow"},
        {"label", "QLabel", "centralwidget"},
        {"sampleCombo", "QComboBox", "centralwidget"},
        {"line", "QFrame", "centralwidget"},
        {"label_2", "QLabel", "centralwidget"},
        {"FrequencyCombo", "QComboBox", "centralwidget"},
        {"NormaliseCheckbox", "QCheckBox", "centralwidget"},
        {"lowCutCheckbox", "QCheckBox", "centralwidget"},
        {"lowCutSlider", "QSlider", "centralwidget"},
        {"highCutCheckbox", "QCheckBox", "centralwidget"},
        {"highCutSlider", "QSlider", "centralwidget"},
        {"previewButton", "QPushButton", "centralwidget"},
        {"SizeLabel", "QLabel", "centralwidget"},
        {"readyButton", "QPushButton", "centralwidget"},
        {"line_2", "QFrame", "centralwidget"},
        {"DirectoryName", "QLabel", "centralwidget"},
        {"browseButton", "QPushButton", "centralwidget"},
        {"ExportButton", "QPushButton", "centralwidget"},
        {"menubar", "QMenuBar", "MainWindow"},
        {"menuFile", "QMenu", "menubar"},
        {"statusbar", "QStatusBar", "MainWindow"},
    };
    for (const auto &[name, className, parent] : rows)
        QTest::newRow(name) << name << className << parent;
}

void TestForm::widgetsHaveTheirClassAndParent()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QString, parentName);

    MainWindow window;
    const QList<QObject *> found = window.findChildren<QObject *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first()->metaObject()->className(), className);
    QCOMPARE(found.first()->parent()->objectName(), parentName);
}

void TestForm::layoutsHoldTheirItemsInOrder_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("gridLayout") << "gridLayout" << QStringList{"verticalLayout_2"};
    QTest::newRow("verticalLayout_2")
        << "verticalLayout_2"
        << QStringList{"horizontalLayout", "line", "horizontalLayout_2", "verticalLayout",
                       "horizontalLayout_6", "line_2", "horizontalLayout_3"};
    QTest::newRow("horizontalLayout") << "horizontalLayout" << QStringList{"label", "sampleCombo"};
    QTest::newRow("horizontalLayout_2")
        << "horizontalLayout_2" << QStringList{"label_2", "FrequencyCombo"};
    QTest::newRow("verticalLayout")
        << "verticalLayout"
        << QStringList{"NormaliseCheckbox", "horizontalLayout_5", "horizontalLayout_4"};
    QTest::newRow("horizontalLayout_5")
        << "horizontalLayout_5" << QStringList{"lowCutCheckbox", "lowCutSlider"};
    QTest::newRow("horizontalLayout_4")
        << "horizontalLayout_4" << QStringList{"highCutCheckbox", "highCutSlider"};
    QTest::newRow("horizontalLayout_6")
        << "horizontalLayout_6" << QStringList{"previewButton", "SizeLabel", "readyButton"};
    QTest::newRow("horizontalLayout_3")
        << "horizontalLayout_3" << QStringList{"DirectoryName", "browseButton", "ExportButton"};
}

void TestForm::layoutsHoldTheirItemsInOrder()
{
    QFETCH(QString, layout);
    QFETCH(QStringList, items);

    MainWindow window;
    auto *found = window.findChild<QLayout *>(layout);
    QVERIFY(found);
    QStringList actual;
    for (int i = 0; i < found->count(); ++i) {
        QLayoutItem *item = found->itemAt(i);
        QVERIFY2(!item->spacerItem(), "the form adds no spacers");
        QCOMPARE(item->alignment(), Qt::Alignment());
        actual << (item->widget() ? item->widget()->objectName() : item->layout()->objectName());
        if (auto *box = qobject_cast<QBoxLayout *>(found))
            QCOMPARE(box->stretch(i), 0);
    }
    QCOMPARE(actual, items);
}

void TestForm::textsAreExactlyAsShown_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    // "Low Cut " keeps its trailing space; no text carries a mnemonic.
    QTest::newRow("label") << "label" << "Sample:";
    QTest::newRow("label_2") << "label_2" << "Frequency:";
    QTest::newRow("NormaliseCheckbox") << "NormaliseCheckbox" << "Normalise";
    QTest::newRow("lowCutCheckbox") << "lowCutCheckbox" << "Low Cut ";
    QTest::newRow("highCutCheckbox") << "highCutCheckbox" << "High Cut";
    QTest::newRow("previewButton") << "previewButton" << "Preview";
    QTest::newRow("SizeLabel") << "SizeLabel" << "0b";
    QTest::newRow("readyButton") << "readyButton" << "Toggle Ready";
    QTest::newRow("DirectoryName") << "DirectoryName" << "Select a Directory";
    QTest::newRow("browseButton") << "browseButton" << "Browse";
    QTest::newRow("ExportButton") << "ExportButton" << "Export";
}

void TestForm::textsAreExactlyAsShown()
{
    QFETCH(QString, name);
    QFETCH(QString, text);

    MainWindow window;
    QObject *object = window.findChild<QObject *>(name);
    QVERIFY(object);
    QCOMPARE(object->property("text").toString(), text);
}

void TestForm::directoryNameShowsMarkupAsText()
{
    MainWindow window;
    auto *shown = window.findChild<QLabel *>("DirectoryName");
    shown->setText(QStringLiteral("/home/me/<i>takes"));
    const QImage image = shown->grab().toImage();
    QLabel plain(shown->text(), shown->parentWidget());
    plain.setTextFormat(Qt::PlainText);
    plain.resize(shown->size());
    QCOMPARE(image, plain.grab().toImage());
}

void TestForm::fileMenuListsItsThreeActions()
{
    MainWindow window;
    const QList<QAction *> menus = window.menuBar()->actions();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus.first()->text(), QStringLiteral("File"));

    auto *file = window.findChild<QMenu *>("menuFile");
    QCOMPARE(menus.first()->menu(), file);
    QStringList entries;
    for (QAction *action : file->actions())
        entries << action->text() + QLatin1Char('=') + action->shortcut().toString();
    QCOMPARE(entries, (QStringList{"Load Samples=Ctrl+L", "Clear All=Ctrl+W", "Quit=Ctrl+Q"}));

    for (const char *name : {"sampleCombo", "FrequencyCombo"})
        QCOMPARE(window.findChild<QComboBox *>(name)->toolTip(),
                 QStringLiteral("Currently Selected Sample"));
}

void TestForm::slidersCoverTheAudibleRange()
{
    MainWindow window;
    window.findChild<QWidget *>("centralwidget")->setEnabled(true);
    // Both cuts on, or a key on one slider disables the other with its box.
    for (const char *box : {"lowCutCheckbox", "highCutCheckbox"})
        window.findChild<QCheckBox *>(box)->click();
    for (const char *name : {"lowCutSlider", "highCutSlider"}) {
        auto *slider = window.findChild<QSlider *>(name);
        QCOMPARE(slider->orientation(), Qt::Horizontal);
        QCOMPARE(slider->tickPosition(), QSlider::NoTicks);
        QCOMPARE(slider->tickInterval(), 1000);
        QVERIFY(!slider->invertedAppearance());

        slider->setValue(20000);
        QCOMPARE(slider->value(), 20000);
        slider->setValue(20001);
        QCOMPARE(slider->value(), 20000);
        slider->setValue(19);
        QCOMPARE(slider->value(), 20);
        QTest::keyClick(slider, Qt::Key_Right);
        QCOMPARE(slider->value(), 21);
    }
}

void TestForm::sizePoliciesKeepButtonsFixedAndFrequencyListWide()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *frequencies = window.findChild<QComboBox *>("FrequencyCombo");
    auto *preview = window.findChild<QPushButton *>("previewButton");
    auto *ready = window.findChild<QPushButton *>("readyButton");
    const int frequencyWidth = frequencies->width();
    const QSize previewSize = preview->size();
    const QSize readySize = ready->size();

    window.resize(window.width() + 300, window.height() + 200);
    QTRY_VERIFY(frequencies->width() > frequencyWidth);
    QCOMPARE(preview->size(), previewSize);
    QCOMPARE(ready->size(), readySize);
}

void TestForm::focusFollowsCreationOrder()
{
    MainWindow window;
    window.findChild<QWidget *>("centralwidget")->setEnabled(true);
    const QStringList expected = {"sampleCombo",    "FrequencyCombo", "NormaliseCheckbox",
                                  "lowCutCheckbox", "lowCutSlider",   "highCutCheckbox",
                                  "highCutSlider",  "previewButton",  "readyButton",
                                  "browseButton",   "ExportButton"};
    QStringList chain;
    QWidget *widget = window.findChild<QWidget *>("sampleCombo");
    while (chain.size() < expected.size()) {
        chain << widget->objectName();
        do
            widget = widget->nextInFocusChain();
        while (!(widget->focusPolicy() & Qt::TabFocus));
    }
    QCOMPARE(chain, expected);
}

void TestForm::setupKeepsAnExistingObjectName()
{
    QMainWindow named;
    named.setObjectName("mine");
    MainWindowForm form;
    form.setupForm(&named);
    QCOMPARE(named.objectName(), QStringLiteral("mine"));
    QCOMPARE(form.centralwidget->parent(), &named);
}

void TestForm::shortcutsWorkWhileCentralAreaIsLocked()
{
    MainWindow window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(!window.findChild<QWidget *>("centralwidget")->isEnabled());

    // Load opens its file dialog and Quit asks; both are turned down.
    ModalDriver driver;
    driver.cancel().press(QMessageBox::No);
    for (const char *name : {"actionLoad_Samples", "actionClear_All", "actionQuit"}) {
        auto *action = window.findChild<QAction *>(name);
        QSignalSpy triggered(action, &QAction::triggered);
        // The offscreen platform does not hand activation back after a dialog.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keySequence(&window, action->shortcut());
        QCOMPARE(triggered.count(), 1);
    }
    QCOMPARE(driver.pending(), 0);
    QCOMPARE(driver.unexpected(), 0);
    QCOMPARE(driver.texts(), QStringList{"Are you sure you want to quit?"});
    QVERIFY(window.isVisible());
}

void TestForm::handlersAreTheWindowsOwnSlotsInOrder()
{
    const QStringList expected = {
        "on_actionQuit_triggered()",
        "on_actionLoad_Samples_triggered()",
        "closeEvent(QCloseEvent*)",
        "on_browseButton_clicked()",
        "on_sampleCombo_currentIndexChanged(int)",
        "on_NormaliseCheckbox_clicked()",
        "on_lowCutCheckbox_clicked()",
        "on_highCutCheckbox_clicked()",
        "on_lowCutSlider_sliderMoved(int)",
        "on_highCutSlider_sliderMoved(int)",
        "on_actionClear_All_triggered()",
        "on_readyButton_clicked()",
        "on_previewButton_clicked()",
        "on_FrequencyCombo_activated(int)",
        "on_ExportButton_clicked()",
    };
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QStringList handlers;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        handlers << QString::fromLatin1(method.methodSignature());
    }
    QCOMPARE(handlers, expected);
}

QTEST_MAIN(TestForm)
#include "tst_form.moc"
