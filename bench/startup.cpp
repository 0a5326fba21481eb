// Start-up: how long Brindlebox takes from process start to its main window
// shown and its event loop idle, against a bare Qt program that shows an
// empty main window. Starts them in turn under the offscreen platform; each
// child reads the monotonic clock when it is ready, and the time counts from
// just before the launcher starts it. A second yardstick, an empty window
// with one label and linked with Qt Multimedia, shows how much of the
// difference is text and that library rather than Brindlebox's own work.
//
//   brindlebox_bench_startup [runs]

#include "benchsupport.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTextStream>

namespace {

/// Milliseconds from just before the start of \a program to its report of
/// being ready; -1 if it gave none.
double timeToReady(const QString &program)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 start = monotonicNs();
    child.start(program, {});
    if (!child.waitForFinished(30000) || child.exitStatus() != QProcess::NormalExit
        || child.exitCode() != 0) {
        child.kill();
        child.waitForFinished();
        err() << program << " did not start and end cleanly\n";
        return -1;
    }
    const QByteArray report = child.readAllStandardOutput().trimmed();
    if (!report.startsWith("ready_ns: ")) {
        err() << program << " gave no report: " << report << "\n";
        return -1;
    }
    return (report.mid(10).toLongLong() - start) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = qMax(1, app.arguments().value(1, QStringLiteral("15")).toInt());
    const QString directory = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    const QStringList programs{directory + QStringLiteral("brindlebox_bench_startup_bare"),
                               directory + QStringLiteral("brindlebox_bench_startup_text"),
                               directory + QStringLiteral("brindlebox_bench_startup_window")};
    enum { Bare, Text, Brindlebox };

    // One run of each first, not counted, to load the libraries and fonts
    // into the page cache; then they take turns going first.
    QList<QList<double>> times(programs.size());
    for (int run = 0; run <= runs; ++run) {
        for (int turn = 0; turn < programs.size(); ++turn) {
            const int which = (run + turn) % programs.size();
            const double ms = timeToReady(programs.at(which));
            if (ms < 0)
                return 1;
            if (run > 0)
                times[which] << ms;
        }
    }

    const double bare = median(times.at(Bare));
    const double text = median(times.at(Text));
    const double brindlebox = median(times.at(Brindlebox));
    printFigure(QStringLiteral("startup_runs"), runs, 0);
    printFigure(QStringLiteral("startup_bare_median_ms"), bare, 1);
    printFigure(QStringLiteral("startup_text_and_multimedia_median_ms"), text, 1);
    printFigure(QStringLiteral("startup_brindlebox_median_ms"), brindlebox, 1);
    printFigure(QStringLiteral("startup_ratio"), brindlebox / bare, 3);
    printFigure(QStringLiteral("startup_ratio_to_text_and_multimedia"), brindlebox / text, 3);
    return 0;
}
