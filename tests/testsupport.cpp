#include "testsupport.h"

#include "mainwindow.h"
#include "modaldriver.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QProcess>

QString describe(const Sample &s)
{
    return QStringLiteral("path=%1 name=%2 normalise=%3 ready=%4 lowCut=%5 highCut=%6 "
                          "lowCutFrequency=%7 highCutFrequency=%8 note=%9")
        .arg(s.path, s.name)
        .arg(s.normalise)
        .arg(s.ready)
        .arg(s.lowCut)
        .arg(s.highCut)
        .arg(s.lowCutFrequency)
        .arg(s.highCutFrequency)
        .arg(s.note);
}

Sample unusualSample()
{
    Sample s;
    s.path = QStringLiteral("/data/odd dir/kick | Ready.wav");
    s.name = QStringLiteral("kick | Ready.wav");
    s.normalise = false;
    s.ready = true;
    s.lowCut = true;
    s.highCut = true;
    s.lowCutFrequency = -7;
    s.highCutFrequency = 123456;
    s.note = QStringLiteral("G#3");
    return s;
}

bool makeWav(const QString &path, const QStringList &outputOptions, const QStringList &effects)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"),
              QStringList{QStringLiteral("-n")} + outputOptions + QStringList{path} + effects);
    return sox.waitForFinished(30000) && sox.exitStatus() == QProcess::NormalExit
        && sox.exitCode() == 0;
}

bool loadSamples(MainWindow &window, const QStringList &paths)
{
    ModalDriver driver;
    if (window.findChild<QComboBox *>("sampleCombo")->count() > 0)
        driver.press(QMessageBox::Yes);
    if (paths.isEmpty())
        driver.cancel();
    else
        driver.choose(paths);
    window.findChild<QAction *>("actionLoad_Samples")->trigger();
    return driver.pending() == 0 && driver.unexpected() == 0;
}

QStringList touchFiles(const QString &dir, const QStringList &names)
{
    QStringList paths;
    for (const QString &name : names) {
        QFile file(dir + QLatin1Char('/') + name);
        if (!file.open(QIODevice::WriteOnly))
            qWarning() << "cannot create" << file.fileName();
        paths << file.fileName();
    }
    return paths;
}
