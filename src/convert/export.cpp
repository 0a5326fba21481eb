#include "export.h"

#include "chunks.h"
#include "converter.h"
#include "mainwindow.h"
#include "mainwindowform.h"
#include "progress.h"
#include "question.h"
#include "sample.h"

#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QSet>

#include <sys/stat.h>

#include <algorithm>

QString outputDirectory;

namespace {

// A classic four-channel tracker module stores a sample's length in 16-bit
// words in a 16-bit field, so no sample can be longer than 65,535 words; the
// classic players, and their faithful clones by default, stop one word
// short of half of that.
constexpr qint64 classicTrackerSampleBytes = 65534;
constexpr qint64 trackerSampleBytesLimit = 131070;

const QString cancelledReason = QStringLiteral("the export was cancelled");

// Learning the mask through umask(2) means setting it for a moment, for the
// whole process, while GStreamer's threads may be creating files. The
// kernel tells it here instead; without /proc the mask at start-up, learned
// before any thread ran, is the best guess.
const mode_t umaskAtStart = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}();

mode_t currentUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly | QIODevice::Text)) {
        for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(mask);
            }
        }
    }
    return umaskAtStart;
}

// The converted file is private to us, and a copy keeps its permissions;
// a file the user keeps should get those of any new file of theirs.
QFileDevice::Permissions newFilePermissions()
{
    const mode_t mask = currentUmask();
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

/// Copies a converted file to \a destination, never over an existing file,
/// and gives it \a permissions; returns why it could not, or an empty string.
QString publish(const QString &converted, const QString &destination,
                QFileDevice::Permissions permissions, QSet<QString> &written)
{
    if (QFile::copy(converted, destination)) {
        QFile::setPermissions(destination, permissions);
        written.insert(destination);
        return QString();
    }
    if (written.contains(destination))
        return QStringLiteral("another sample with the same name was already written");
    if (QFileInfo::exists(destination))
        return QStringLiteral("a file named %1 is already in the folder").arg(QFileInfo(destination).fileName());
    if (!QFileInfo(outputDirectory).isDir())
        return QStringLiteral("the folder does not exist");
    return QStringLiteral("the folder cannot be written to");
}

/// A note on a written sample that a tracker would cut short, or an empty
/// string when it fits.
QString lengthNote(const QString &fileName, qint64 bytes)
{
    const QLocale english(QLocale::English);
    if (bytes > trackerSampleBytesLimit) {
        return QStringLiteral("%1: %2 bytes of sound; no tracker of the classic kind holds more than %3 bytes "
                              "of one sample, so it will be cut short. A lower note or a shorter recording "
                              "makes it fit.")
            .arg(fileName, english.toString(bytes), english.toString(trackerSampleBytesLimit));
    }
    if (bytes > classicTrackerSampleBytes) {
        return QStringLiteral("%1: %2 bytes of sound; classic trackers play at most %3 bytes (%4 in newer "
                              "ones). A lower note or a shorter recording makes it fit.")
            .arg(fileName, english.toString(bytes), english.toString(classicTrackerSampleBytes),
                 english.toString(trackerSampleBytesLimit));
    }
    return QString();
}

/// One box after the export: the samples that are not in the folder, then
/// the written ones that are too long for a tracker. Nothing when all is well.
void showReport(qsizetype total, const QStringList &notWritten, const QStringList &tooLong)
{
    if (notWritten.isEmpty() && tooLong.isEmpty())
        return;
    QStringList sections;
    if (!notWritten.isEmpty()) {
        sections << QStringLiteral("%1 of %2 samples were not written:\n\n%3")
                        .arg(notWritten.size())
                        .arg(total)
                        .arg(notWritten.join(QLatin1Char('\n')));
    }
    if (!tooLong.isEmpty()) {
        sections << QStringLiteral("Too long for a tracker to play whole:\n\n%1")
                        .arg(tooLong.join(QLatin1Char('\n')));
    }
    QMessageBox box;
    const bool failed = !notWritten.isEmpty();
    box.setIcon(failed ? QMessageBox::Warning : QMessageBox::Information);
    box.setWindowTitle(failed ? QStringLiteral("Not all samples were written")
                              : QStringLiteral("Samples too long for a tracker"));
    box.setTextFormat(Qt::PlainText);
    box.setText(sections.join(QStringLiteral("\n\n")));
    box.exec();
}

} // namespace

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
    if (samples.isEmpty())
        return;

    QStringList notWritten;
    QStringList tooLong;
    {
        ConversionProgress progress(this, int(samples.size()));
        const QFileDevice::Permissions permissions = newFilePermissions();
        QSet<QString> written;
        for (qsizetype i = 0; i < samples.size(); ++i) {
            const Sample &sample = samples.at(i);
            if (progress.wasCancelled()) {
                notWritten << sample.name + QStringLiteral(": ") + cancelledReason;
                continue;
            }
            Conversion conversion(sample, false);
            progress.run(conversion,
                         QStringLiteral("Exporting %1 of %2: %3").arg(i + 1).arg(samples.size()).arg(sample.name),
                         int(i));
            const QString fileName = exportFileName(sample.name);
            const QString destination = outputDirectory + QLatin1Char('/') + fileName;
            qDebug() << destination;

            QString reason = conversion.failure();
            if (conversion.wasCancelled())
                reason = cancelledReason;
            else if (reason.isEmpty())
                reason = publish(conversion.outputPath(), destination, permissions, written);
            if (!reason.isEmpty())
                notWritten << sample.name + QStringLiteral(": ") + reason;
            else if (const QString note = lengthNote(fileName, svxBodySize(destination)); !note.isEmpty())
                tooLong << note;
        }
    }
    // Existing files are never replaced, so say what is missing from the
    // folder, and what a tracker would cut short.
    showReport(samples.size(), notWritten, tooLong);
}
