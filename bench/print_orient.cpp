// Opens an XER file through the main window (as File, Open does, the window
// shown offscreen at 1600 x 1000, the default columns and layout), switches
// to the Year time scale (or the one PRINT_SCALE names: Year, Quarter, Month,
// Week, Day), makes the picture the Print command makes (the table with the
// chart on its right) and the print dialog on it, shown. Then turns the
// paper as a user does, each time until the dialog has been drawn again.
// Prints, one per line:
//   tree_picture_ms     the table's picture
//   chart_picture_ms    the chart's picture
//   preview_ms          the dialog made on them and shown, its pages laid out
//                       (the three under the progress the Print command shows)
//   dialog_ms           the three together: the Print command to its dialog
//   pages               the pages of the first layout, A4 portrait (not timed)
//   landscape_ms        portrait to landscape
//   portrait_ms         landscape back to portrait
//   landscape_again_ms  portrait to landscape once more
// Usage: print_orient FILE OUT (OUT is not written; kept for the window
// benches' arguments)

#include "windowbench.h"
#include "activities.h"
#include "mainwindow.h"
#include "qganttchart.h"
#include "zgroupedtreeview.h"
#include "zimage.h"
#include "zpageselectorbutton.h"
#include "zprintdialog.h"
#include "zprintpreviewscene.h"
#include "zworkprogress.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    WindowBench bench;
    bench.useOwnConfig();
    QApplication app(argc, argv);
    if (!bench.start("print_orient FILE OUT"))
        return 2;

    MainWindow window;
    if (!bench.open(window))
        return 1;
    Activities *pane = window.activitiesPane();
    mygc::GanttChart *chart = pane->ganttChart();

    QByteArray scale = qgetenv("PRINT_SCALE");
    if (scale.isEmpty())
        scale = "Year";
    setTimeScale(window, "action" + scale);
    chart->flushPendingRebuild();
    QCoreApplication::processEvents();

    QElapsedTimer total;
    total.start();
    QElapsedTimer step;
    step.start();
    ZImage image;
    std::unique_ptr<ZPrintDialog> made;
    {
        // Shown as the Print command shows it, its events handled.
        ZWorkProgress progress(&window, QStringLiteral("Print"), QString(), {14, 3, 2});
        image = pane->treeView()->toImage();
        printLine(QStringLiteral("tree_picture_ms %1").arg(step.restart()));
        progress.nextPhase();
        image.appendToRight(chart->toImage());
        printLine(QStringLiteral("chart_picture_ms %1").arg(step.restart()));
        progress.nextPhase();
        made = std::make_unique<ZPrintDialog>(image);
    }
    ZPrintDialog &dialog = *made;
    dialog.show();
    QCoreApplication::processEvents();
    printLine(QStringLiteral("preview_ms %1").arg(step.elapsed()));
    printLine(QStringLiteral("dialog_ms %1").arg(total.elapsed()));
    printLine(QStringLiteral("pages %1").arg(dialog.scene()->pages().size()));

    auto *portrait = dialog.findChild<ZPageSelectorButton *>(QStringLiteral("verticalPage"));
    auto *landscape = dialog.findChild<ZPageSelectorButton *>(QStringLiteral("horizontalPage"));
    if (!portrait || !landscape) {
        std::fprintf(stderr, "no orientation buttons\n");
        return 1;
    }
    for (const auto &turn : {std::make_pair(landscape, "landscape_ms"), std::make_pair(portrait, "portrait_ms"),
                             std::make_pair(landscape, "landscape_again_ms")}) {
        QElapsedTimer timer;
        timer.start();
        turn.first->setChecked(true);
        QCoreApplication::processEvents();
        printLine(QStringLiteral("%1 %2").arg(QLatin1String(turn.second)).arg(timer.elapsed()));
    }
    return 0;
}
