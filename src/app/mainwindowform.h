#pragma once

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QMainWindow;
class QMenu;
class QMenuBar;
class QPushButton;
class QSlider;
class QStatusBar;
class QVBoxLayout;
class QWidget;

/// Pointers to every object of the main window's form, each named after its
/// object and listed in creation order. Owns nothing: the objects belong to
/// the window's parent-child tree.
struct MainWindowForm
{
    QAction *actionLoad_Samples = nullptr;
    QAction *actionClear_All = nullptr;
    QAction *actionQuit = nullptr;
    QWidget *centralwidget = nullptr;
    QGridLayout *gridLayout = nullptr;
    QVBoxLayout *verticalLayout_2 = nullptr;
    QHBoxLayout *horizontalLayout = nullptr;
    QLabel *label = nullptr;
    QComboBox *sampleCombo = nullptr;
    QFrame *line = nullptr;
    QHBoxLayout *horizontalLayout_2 = nullptr;
    QLabel *label_2 = nullptr;
    QComboBox *FrequencyCombo = nullptr;
    QVBoxLayout *verticalLayout = nullptr;
    QCheckBox *NormaliseCheckbox = nullptr;
    QHBoxLayout *horizontalLayout_5 = nullptr;
    QCheckBox *lowCutCheckbox = nullptr;
    QSlider *lowCutSlider = nullptr;
    QHBoxLayout *horizontalLayout_4 = nullptr;
    QCheckBox *highCutCheckbox = nullptr;
    QSlider *highCutSlider = nullptr;
    QHBoxLayout *horizontalLayout_6 = nullptr;
    QPushButton *previewButton = nullptr;
    QLabel *SizeLabel = nullptr;
    QPushButton *readyButton = nullptr;
    QFrame *line_2 = nullptr;
    QHBoxLayout *horizontalLayout_3 = nullptr;
    QLabel *DirectoryName = nullptr;
    QPushButton *browseButton = nullptr;
    QPushButton *ExportButton = nullptr;
    QMenuBar *menubar = nullptr;
    QMenu *menuFile = nullptr;
    QStatusBar *statusbar = nullptr;

    /// Builds the form on \a window, sets its texts and, last, binds the
    /// window's on_<object>_<signal> slots by name.
    void setupForm(QMainWindow *window);

    /// Sets every user-visible text of the form.
    void retranslateForm(QMainWindow *window);
};
