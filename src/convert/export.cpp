#include "export.h"

#include "busycursor.h"
#include "converter.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "question.h"
#include "sample.h"

#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QSet>
#include <QStandardPaths>

#include <sys/stat.h>

#include <algorithm>

QString outputDirectory;

// The converted file is private to us, and a copy keeps its permissions;
// a file the user keeps should get those of any new file of theirs.
static QFileDevice::Permissions newFilePermissions()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    QFileDevice::Permissions permissions;
    if (!(mask & S_IRUSR))
        permissions |= QFileDevice::ReadOwner | QFileDevice::ReadUser;
    if (!(mask & S_IWUSR))
        permissions |= QFileDevice::WriteOwner | QFileDevice::WriteUser;
    if (!(mask & S_IRGRP))
        permissions |= QFileDevice::ReadGroup;
    if (!(mask & S_IWGRP))
        permissions |= QFileDevice::WriteGroup;
    if (!(mask & S_IROTH))
        permissions |= QFileDevice::ReadOther;
    if (!(mask & S_IWOTH))
        permissions |= QFileDevice::WriteOther;
    return permissions;
}

QString exportFileName(const QString &sampleName)
{
    const QString extension = QStringLiteral(".wav");
    QString name = sampleName;
    if (name.endsWith(extension, Qt::CaseInsensitive))
        name.chop(extension.size());
    return name + QStringLiteral(".8svx");
}

void MainWindow::on_browseButton_clicked()
{
    const QString directory = QFileDialog::getExistingDirectory(
        this, tr("Open Directory"), QStringLiteral("/home"),
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    ui->DirectoryName->setText(directory);
    outputDirectory = directory;
}

void MainWindow::on_ExportButton_clicked()
{
    if (outputDirectory.isEmpty()) {
        QMessageBox box;
        box.setText(QStringLiteral("no output directory selected!"));
        box.exec();
        return;
    }

    const QList<Sample> samples = allSamples(ui->sampleCombo);
    const bool allReady = std::all_of(samples.cbegin(), samples.cend(),
                                      [](const Sample &sample) { return sample.ready; });
    if (!allReady
        && !userSaysYes(QStringLiteral(
            "Not all samples are marked as ready. Do you want to proceed?")))
        return;

    QStringList notWritten;
    {
        BusyCursor busy;
        QSet<QString> written;
        for (const Sample &sample : samples) {
            const QString converted = convertSample(sample, false);
            const QString fileName = exportFileName(sample.name);
            const QString destination = outputDirectory + QLatin1Char('/') + fileName;
            qDebug() << destination;

            QString reason;
            if (!QFileInfo::exists(converted))
                reason = QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty()
                    ? QStringLiteral("sox was not found")
                    : QStringLiteral("sox could not convert it (its message is in the debug log)");
            else if (QFile::copy(converted, destination)) {
                QFile::setPermissions(destination, newFilePermissions());
                written.insert(destination);
            }
            else if (written.contains(destination))
                reason = QStringLiteral("another sample with the same name was already written");
            else if (QFileInfo::exists(destination))
                reason = QStringLiteral("a file named %1 is already in the folder").arg(fileName);
            else if (!QFileInfo(outputDirectory).isDir())
                reason = QStringLiteral("the folder does not exist");
            else
                reason = QStringLiteral("the folder cannot be written to");
            if (!reason.isEmpty())
                notWritten << sample.name + QStringLiteral(": ") + reason;
        }
    }

    // Existing files are never replaced, so say what is missing from the folder.
    if (!notWritten.isEmpty()) {
        QMessageBox box;
        box.setIcon(QMessageBox::Warning);
        box.setTextFormat(Qt::PlainText);
        box.setText(QStringLiteral("%1 of %2 samples were not written:\n\n%3")
                        .arg(notWritten.size())
                        .arg(samples.size())
                        .arg(notWritten.join(QLatin1Char('\n'))));
        box.exec();
    }
}
