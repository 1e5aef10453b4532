// Opens an XER file through the main window, the same road as File, Open,
// groups by WBS, expands all through the Outline menu and writes the
// activity tree to OUT.csv through the code of File, Export.
// Prints, one per line:
//   rows         lines written below the header: every row of the tree
//   csv_ms       the export, from the command to the written file
//   peak_rss_mb  peak resident memory of the whole run
// Exits 0 when the export was written.
// Usage: csv_export FILE OUT.csv

#include "windowbench.h"
#include "activities.h"
#include "mainwindow.h"
#include "modelhelpers.h"
#include "qganttchart.h"
#include "zgroupedtreeview.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>

int main(int argc, char **argv)
{
    WindowBench bench;
    bench.useOwnConfig();
    QApplication app(argc, argv);
    if (!bench.start("csv_export FILE OUT.csv"))
        return 2;
    const QString path = bench.file;
    const QString out = bench.out;

    // A failed read or write ends in a message box; its text is the bench's
    // error.
    MainWindow window;
    bench.show(window);
    window.openChosenFile(path);
    if (!window.loader()) {
        std::fprintf(stderr, "cannot open %s\n", path.toUtf8().constData());
        return 1;
    }
    waitForLoad(window);
    Activities *pane = window.activitiesPane();
    pane->ganttChart()->flushPendingRebuild();
    QCoreApplication::processEvents();
    if (!bench.failure.isEmpty() || !window.loader()) {
        std::fprintf(stderr, "cannot read %s: %s\n", path.toUtf8().constData(),
                     bench.failure.toUtf8().constData());
        return 1;
    }

    pane->setCurrentGrouping(wbsGrouping(pane->currentGrouping()));
    if (QAction *expandAll = window.findChild<QAction *>(QStringLiteral("actionExpand_All")))
        expandAll->trigger();
    pane->ganttChart()->flushPendingRebuild();
    QCoreApplication::processEvents();

    ZGroupedTreeView *tree = pane->treeView();
    int rows = 0;
    walkRows(tree->model(), QModelIndex(), [&rows, tree](const QModelIndex &index, int) {
        ++rows;
        return tree->model()->hasChildren(index) ? WalkStep::Descend : WalkStep::Skip;
    });
    printLine(QStringLiteral("rows %1").arg(rows));

    QElapsedTimer timer;
    timer.start();
    const bool written = window.saveViewData(tree, out);
    printLine(QStringLiteral("csv_ms %1").arg(timer.elapsed()));
    printLine(QStringLiteral("peak_rss_mb %1").arg(peakRssMb()));
    if (!written) {
        std::fprintf(stderr, "cannot write %s: %s\n", out.toUtf8().constData(),
                     bench.failure.toUtf8().constData());
        return 1;
    }
    return 0;
}
