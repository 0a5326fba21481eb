#include "testsupport.h"

#include "exportengine.h"
#include "mainwindow.h"
#include "modaldriver.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDirIterator>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>
#include <QSlider>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/mount.h>
#include <sys/statvfs.h>

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

bool appendRiffChunk(const QString &path, const QByteArray &id, const QByteArray &data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(file.size()))
        return false;
    char size[4];
    qToLittleEndian<quint32>(quint32(data.size()), size);
    file.write(id + QByteArray(size, 4) + data + (data.size() % 2 ? QByteArray(1, '\0') : QByteArray()));
    qToLittleEndian<quint32>(quint32(file.size() - 8), size);
    return file.seek(4) && file.write(size, 4) == 4;
}

QByteArray smplData(quint32 loopCount, const QList<SmplLoop> &loops, quint32 samplePeriodNs)
{
    QByteArray data(36 + 24 * loops.size(), '\0');
    const auto put = [&data](int at, quint32 value) { qToLittleEndian<quint32>(value, data.data() + at); };
    put(8, samplePeriodNs);
    put(12, 69); // MIDI unity note: A4
    put(28, loopCount);
    for (int i = 0; i < loops.size(); ++i) {
        put(36 + 24 * i, quint32(i));
        put(36 + 24 * i + 4, loops[i].type);
        put(36 + 24 * i + 8, loops[i].start);
        put(36 + 24 * i + 12, loops[i].end);
    }
    return data;
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

void drag(QSlider *slider, int position)
{
    slider->setSliderDown(true);
    slider->setSliderPosition(position);
    slider->setSliderDown(false);
}

QStringList useContextMenu(QWidget *widget, const QString &choice)
{
    // The menu's exec() blocks until it closes: act on it from a timer.
    QStringList entries;
    QTimer inMenu;
    inMenu.setSingleShot(true);
    QObject::connect(&inMenu, &QTimer::timeout, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu)
            return;
        QAction *chosen = nullptr;
        for (QAction *entry : menu->actions()) {
            entries << entry->text() + (entry->isEnabled() ? QString() : QStringLiteral(" (disabled)"));
            if (entry->text() == choice)
                chosen = entry;
        }
        if (chosen) {
            const QPoint at = menu->actionGeometry(chosen).center();
            QTest::mouseMove(menu, at);
            QTest::mouseClick(menu, Qt::LeftButton, {}, at);
        }
        // A disabled entry keeps the menu open, as it would for a user.
        if (menu->isVisible())
            QTest::keyClick(menu, Qt::Key_Escape);
    });
    inMenu.start(0);
    const QPoint middle = widget->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, middle, widget->mapToGlobal(middle));
    QApplication::sendEvent(widget, &event);
    return entries;
}

Qt::DropAction dropOn(MainWindow &window, const QList<QUrl> &urls)
{
    return dropOn(window.findChild<QWidget *>("centralwidget"), urls);
}

Qt::DropAction dropOn(QWidget *area, const QList<QUrl> &urls)
{
    QMimeData data;
    data.setUrls(urls);
    const auto actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(area->rect().center(), actions, &data, Qt::LeftButton, Qt::ShiftModifier);
    QDropEvent drop(area->rect().center(), actions, &data, Qt::LeftButton, Qt::ShiftModifier);
    QApplication::sendEvent(area, &enter);
    // The mouse goes on moving, for two seconds at most, until the window
    // lets the drag in.
    for (int moves = 0; enter.isAccepted() && moves < 200; ++moves) {
        QDragMoveEvent move(area->rect().center(), actions, &data, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(area, &move);
        if (move.isAccepted()) {
            QApplication::sendEvent(area, &drop);
            break;
        }
        QTest::qWait(10);
    }
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

QStringList entriesUnder(const QString &dir, QDir::Filters filters)
{
    QStringList entries;
    QDirIterator it(dir, filters, QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << it.next().mid(dir.size() + 1);
    entries.sort();
    return entries;
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

ScopedEnvironment::ScopedEnvironment(const char *name, const QByteArray &value)
    : m_name(name)
    , m_old(qgetenv(name))
    , m_wasSet(qEnvironmentVariableIsSet(name))
{
    qputenv(name, value);
}

ScopedEnvironment::~ScopedEnvironment()
{
    if (m_wasSet)
        qputenv(m_name, m_old);
    else
        qunsetenv(m_name);
}

static QByteArray pathWithFakeSox(const QTemporaryDir &dir, const QString &script)
{
    if (script.isNull())
        return QFile::encodeName(dir.path());
    QFile sox(dir.filePath(QStringLiteral("sox")));
    if (sox.open(QIODevice::WriteOnly)) {
        sox.write("#!/bin/sh\n" + script.toUtf8() + '\n');
        sox.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    return QFile::encodeName(dir.path()) + ':' + qgetenv("PATH");
}

FakeSox::FakeSox(const QString &script)
    : m_path("PATH", pathWithFakeSox(m_dir, script))
{
}

QString hangingSox(const QString &pidFile, const QString &onlyFor)
{
    // $3 is the source and $8 the output, after -R --no-glob.
    const QString hang = QStringLiteral("echo $$ >> '%1'; printf FORM > \"$8\"; exec sleep 60").arg(pidFile);
    if (onlyFor.isEmpty())
        return hang;
    return QStringLiteral("case \"$3\" in *%1*) %2;; esac\nexec '%3' \"$@\"")
        .arg(onlyFor, hang, QStandardPaths::findExecutable(QStringLiteral("sox")));
}

bool processEnded(const QString &pidFile)
{
    QFile file(pidFile);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> pids = file.readAll().simplified().split(' ');
    for (const QByteArray &pid : pids) {
        if (pid.toInt() <= 0)
            return false;
        if (::kill(pid.toInt(), 0) == -1) {
            if (errno != ESRCH)
                return false;
            continue;
        }
        // A process that has ended but that nobody has waited for yet.
        QFile status("/proc/" + pid + "/stat");
        if (!status.open(QIODevice::ReadOnly) || !status.readAll().contains(") Z "))
            return false;
    }
    return true;
}

SmallDisk::SmallDisk(int kib)
{
    const QByteArray options = "size=" + QByteArray::number(kib) + "k";
    if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData()) != 0)
        m_problem = QStringLiteral("cannot mount a file system of %1 KiB: %2").arg(kib).arg(std::strerror(errno));
}

SmallDisk::~SmallDisk()
{
    if (m_problem.isEmpty())
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

bool SmallDisk::fillLeaving(int kib)
{
    QFile filler(m_dir.filePath(QStringLiteral(".filler")));
    if (!filler.open(QIODevice::Append))
        return false;
    struct statvfs disk;
    if (::statvfs(QFile::encodeName(m_dir.path()).constData(), &disk) != 0)
        return false;
    const qint64 fill = qint64(disk.f_bavail) * qint64(disk.f_frsize) - qint64(kib) * 1024;
    return fill >= 0 && filler.write(QByteArray(fill, 'x')) == fill && filler.flush();
}

static LogCapture *currentCapture = nullptr;

LogCapture::LogCapture()
{
    currentCapture = this;
    m_previous = qInstallMessageHandler(&LogCapture::handle);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(m_previous);
    currentCapture = nullptr;
}

void LogCapture::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtDebugMsg && currentCapture) {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        currentCapture->messages.append(message);
        currentCapture->busy.append(cursor
                                    && (cursor->shape() == Qt::WaitCursor || cursor->shape() == Qt::BusyCursor));
    }
    if (currentCapture && currentCapture->m_previous)
        currentCapture->m_previous(type, context, message);
}

SvxFile read8svx(const QString &path, bool finished)
{
    SvxFile svx;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        svx.problem = QStringLiteral("cannot open");
        return svx;
    }
    const QByteArray data = file.readAll();
    auto u32 = [&data](qint64 at) { return qFromBigEndian<quint32>(data.constData() + at); };
    if (data.size() < 12 || !data.startsWith("FORM") || data.mid(8, 4) != "8SVX") {
        svx.problem = QStringLiteral("no FORM/8SVX header");
        return svx;
    }
    if (u32(4) + 8 != quint32(data.size())) {
        svx.problem = QStringLiteral("FORM size %1 for a file of %2 bytes").arg(u32(4)).arg(data.size());
        return svx;
    }
    bool haveHeader = false;
    bool haveBody = false;
    svx.channels = 1; // without a CHAN chunk a voice is mono
    for (qint64 at = 12; at < data.size();) {
        if (at + 8 > data.size()) {
            svx.problem = QStringLiteral("chunk header cut short");
            return svx;
        }
        const QByteArray id = data.mid(at, 4);
        const qint64 size = u32(at + 4);
        const qint64 padded = size + (size & 1);
        // Pad bytes are right, but some readers stumble on them.
        if (finished && (size & 1))
            svx.problem = QStringLiteral("%1 chunk of odd size").arg(QString::fromLatin1(id));
        if (at + 8 + padded > data.size()) {
            svx.problem = QStringLiteral("%1 chunk runs past the end").arg(QString::fromLatin1(id));
            return svx;
        }
        if (id == "VHDR" && size == 20) {
            haveHeader = true;
            const char *header = data.constData() + at + 8;
            svx.oneShot = u32(at + 8);
            svx.repeat = u32(at + 12);
            svx.samplesPerSec = qFromBigEndian<quint16>(header + 12);
            if (finished && (u32(at + 16) != 0 || header[14] != 1 || header[15] != 0 || u32(at + 24) != 0x10000))
                svx.problem = QStringLiteral("VHDR is not one plain octave at unity volume");
        } else if (id == "CHAN" && size == 4) {
            svx.channels = u32(at + 8) == 6 ? 2 : 1; // 2 = left, 4 = right, 6 = stereo
        } else if (id == "NAME") {
            svx.name = data.mid(at + 8, size);
            svx.name.truncate(svx.name.indexOf('\0') < 0 ? svx.name.size() : svx.name.indexOf('\0'));
        } else if (id == "BODY") {
            haveBody = true;
            svx.bodySize = size;
            svx.body = data.mid(at + 8, size);
        }
        at += 8 + padded;
    }
    if (!haveHeader || !haveBody)
        svx.problem = QStringLiteral("no 20-byte VHDR or no BODY");
    else if (!finished)
        return svx;
    else if (svx.bodySize % 2 != 0)
        svx.problem = QStringLiteral("BODY of %1 bytes, not whole words").arg(svx.bodySize);
    else if (svx.oneShot + svx.repeat > svx.bodySize || svx.oneShot % 2 || svx.repeat % 2)
        svx.problem = QStringLiteral("oneShot %1 + repeat %2 in a BODY of %3").arg(svx.oneShot).arg(svx.repeat).arg(svx.bodySize);
    else if (svx.repeat == 0 && (svx.oneShot != svx.bodySize || !svx.body.startsWith(QByteArray(2, '\0'))))
        svx.problem = QStringLiteral("a one-shot without its whole BODY or without a silent first word");
    return svx;
}

ExportedSample exportSample(const Sample &sample, const SampleShape &shape)
{
    QTemporaryDir out;
    ExportEngine engine({sample}, out.path(), 1);
    engine.setShapes({shape});
    QSignalSpy finished(&engine, &ExportEngine::finished);
    engine.start();
    if (!engine.isFinished() && !finished.wait(30000))
        return {};
    return {read8svx(out.filePath(exportFileName(sample.name))), engine.report().tooLong.value(0),
            engine.report().noisy.value(0)};
}
