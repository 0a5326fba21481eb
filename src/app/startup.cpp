#include "startup.h"

#include "mainwindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>

#include <memory>

namespace {

void describeOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Turns WAV recordings into 8-bit 8SVX samples for tracker music."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE.wav"),
                                 QStringLiteral("WAV files to load, as Load Samples does."),
                                 QStringLiteral("[FILE.wav...]"));
}

// Before any application object exists: whether to make one that needs no
// display, as Qt's documentation of QCommandLineParser shows.
bool asksOnlyForText(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    describeOptions(parser);
    parser.parse(arguments);
    return parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))
        || parser.isSet(QStringLiteral("version"));
}

} // namespace

void describeApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("brindlebox"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRINDLEBOX_VERSION));
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Brindlebox"));
    QGuiApplication::setDesktopFileName(QStringLiteral(BRINDLEBOX_APP_ID));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/brindlebox.svg")));
}

QStringList readCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    describeOptions(parser);
    parser.process(arguments);
    QStringList files;
    for (const QString &file : parser.positionalArguments())
        files << QDir::cleanPath(QDir::current().absoluteFilePath(file));
    return files;
}

int runBrindlebox(int &argc, char **argv)
{
    std::unique_ptr<QCoreApplication> application;
    if (asksOnlyForText(argc, argv))
        application = std::make_unique<QCoreApplication>(argc, argv);
    else
        application = std::make_unique<QApplication>(argc, argv);
    describeApplication();
    const QStringList files = readCommandLine(QCoreApplication::arguments());

    MainWindow window;
    window.show();
    window.loadFiles(files);
    return QCoreApplication::exec();
}
