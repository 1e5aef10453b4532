// Opens an XER file through the main window (as File, Open does, the window
// shown offscreen at 1600 x 1000, the default columns and layout), switches
// to the Week time scale (or the one SNIP_SCALE names: Year, Quarter, Month,
// Week, Day) and runs the Snip command twice, each time until its dialog has
// been shown and drawn, then closes it as Escape does. Prints, one per line:
//   snip_ms                  the command to its dialog drawn (the chart's
//                            picture, the scene placed and shown)
//   snip_again_ms            the same a second time
//   items                    the scene's items, the lines with them (not timed)
//   vmsize_before_mb         the process's address space before the first
//   vmsize_after_mb          after the first dialog has gone
//   vmsize_after_again_mb    after the second
//   rss_after_again_mb       the resident memory after the second
// Usage: snip_scene FILE OUT (OUT is not written; kept for the window
// benches' arguments)

#include "windowbench.h"
#include "mainwindow.h"
#include "qganttchart.h"
#include "zsnipdialog.h"
#include "zsnipgraphicsscene.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <cstdio>

namespace {

// A field of /proc/self/status in MiB; -1 where it cannot be read.
qint64 statusMib(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').value(0).toLongLong() >> 10;
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    WindowBench bench;
    bench.useOwnConfig();
    QApplication app(argc, argv);
    if (!bench.start("snip_scene FILE OUT"))
        return 2;

    MainWindow window;
    if (!bench.open(window))
        return 1;
    mygc::GanttChart *chart = window.activitiesPane()->ganttChart();
    QByteArray scale = qgetenv("SNIP_SCALE");
    if (scale.isEmpty())
        scale = "Week";
    setTimeScale(window, "action" + scale);
    chart->flushPendingRebuild();
    QCoreApplication::processEvents();
    auto *snip = window.findChild<QAction *>(QStringLiteral("actionSnip"));
    if (!snip) {
        std::fprintf(stderr, "no Snip command\n");
        return 1;
    }

    printLine(QStringLiteral("vmsize_before_mb %1").arg(statusMib("VmSize")));
    for (const auto &run : {std::make_pair("snip_ms", "vmsize_after_mb"),
                            std::make_pair("snip_again_ms", "vmsize_after_again_mb")}) {
        QElapsedTimer timer;
        qint64 shown = -1;
        int items = 0;
        // The dialog runs in the command's own loop: it is caught there once
        // drawn, and closed as Escape closes it.
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<ZSnipDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            QCoreApplication::processEvents();
            shown = timer.elapsed();
            items = dialog->scene()->items().size();
            dialog->reject();
        });
        watch.start(5);
        timer.start();
        snip->trigger();
        watch.stop();
        if (shown < 0) {
            std::fprintf(stderr, "no Snip dialog\n");
            return 1;
        }
        printLine(QStringLiteral("%1 %2").arg(QLatin1String(run.first)).arg(shown));
        printLine(QStringLiteral("items %1").arg(items));
        printLine(QStringLiteral("%1 %2").arg(QLatin1String(run.second)).arg(statusMib("VmSize")));
    }
    printLine(QStringLiteral("rss_after_again_mb %1").arg(statusMib("VmRSS")));
    return 0;
}
