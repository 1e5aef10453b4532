// Opens an XER file through the main window (as File, Open does, the window
// shown offscreen at 1600 x 1000, the default columns and layout), then makes
// the chart's whole picture (GanttChart::toImage, as Snip and Print do) on
// the Year and on the Month time scale. Prints, one per line:
//   rows / links        the chart's rows and links (not timed)
//   picture_year_ms     the picture on the Year time scale
//   picture_month_ms    the picture on the Month time scale
//   columns             the picture's columns after each (not timed)
// Usage: chart_picture FILE OUT (OUT is not written; kept for the window
// benches' arguments)

#include "windowbench.h"
#include "activities.h"
#include "mainwindow.h"
#include "qganttchart.h"
#include "zimage.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    WindowBench bench;
    bench.useOwnConfig();
    QApplication app(argc, argv);
    if (!bench.start("chart_picture FILE OUT"))
        return 2;

    MainWindow window;
    if (!bench.open(window))
        return 1;
    mygc::GanttChart *chart = window.activitiesPane()->ganttChart();
    printLine(QStringLiteral("rows %1").arg(chart->taskCount()));
    printLine(QStringLiteral("links %1").arg(chart->relations().size()));

    for (const auto &scale : {std::make_pair("actionYear", "picture_year_ms"),
                              std::make_pair("actionMonth", "picture_month_ms")}) {
        setTimeScale(window, scale.first);
        chart->flushPendingRebuild();
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        ZImage image = chart->toImage();
        const qint64 elapsed = timer.elapsed();
        if (image.rows() != chart->taskCount()) {
            std::fprintf(stderr, "picture of %d rows for %d\n", image.rows(), chart->taskCount());
            return 1;
        }
        printLine(QStringLiteral("%1 %2").arg(QLatin1String(scale.second)).arg(elapsed));
        printLine(QStringLiteral("columns %1").arg(image.columns()));
    }
    return 0;
}
