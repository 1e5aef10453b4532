// Loads an XER file through XERLoader as the application does, hands the
// models to the activities pane shown offscreen at 1600 x 1000 with the
// default visible columns, groups by WBS, expands all and renders tree and
// chart side by side into OUT.png. Prints, one per line:
//   load_ms        start of the read to finished()
//   show_ms        hand-over of the models to the shown pane, chart built
//   group_wbs_ms   grouping by "WBS Name" (all levels), chart rebuilt
//   expand_all_ms  expanding every band, chart rebuilt
//   render_ms      painting the pane (tree and chart) into an image
// Usage: render_view FILE OUT.png

#include "activities.h"
#include "modelhelpers.h"
#include "qganttchart.h"
#include "xerloader.h"
#include "zgroupedtreeview.h"
#include "zgrouping.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHeaderView>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QPixmap>
#include <QSplitter>
#include <QThreadPool>
#include <QtConcurrent>

#include <cstdio>
#include <memory>

namespace {

void printLine(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(
        QStringLiteral("sv.*.info=false\nsv.*.debug=false\nsv.models.warning=false"));

    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: render_view FILE OUT.png\n");
        return 2;
    }
    const QString path = args.at(0);
    const QString out = args.at(1);

    // The pane stands shown before a project arrives, as in the main window.
    Activities pane;
    pane.resize(1600, 1000);
    pane.ganttChart()->setDateLevels({mygc::Month, mygc::Week});
    if (auto *splitter = pane.findChild<QSplitter *>(QStringLiteral("splitter")))
        splitter->setSizes({900, 0, 700});
    pane.show();
    QCoreApplication::processEvents();

    const QJsonDocument schema =
        QJsonDocument::fromJson(readFile(QStringLiteral(":/files/schema.json")).toUtf8());
    auto loader = std::make_unique<XERLoader>(path, schema);
    int result = 0;
    QEventLoop loop;
    QObject receiver;
    bool done = false;
    QObject::connect(loader.get(), &ProjectLoader::finished, &receiver, [&] {
        done = true;
        loop.quit();
    });
    QObject::connect(loader.get(), &ProjectLoader::failed, &receiver, [&](int code) {
        result = code;
        done = true;
        loop.quit();
    });
    QElapsedTimer timer;
    timer.start();
    QFuture<void> future =
        QtConcurrent::run(QThreadPool::globalInstance(), loader.get(), &XERLoader::read);
    if (!done)
        loop.exec();
    future.waitForFinished();
    printLine(QStringLiteral("load_ms %1").arg(timer.elapsed()));
    if (result != 0) {
        std::fprintf(stderr, "cannot read %s: result %d\n", path.toUtf8().constData(), result);
        return 1;
    }

    timer.restart();
    pane.setModels(loader->model(QStringLiteral("ActivityModel")),
                   loader->model(QStringLiteral("PROJWBS")),
                   loader->model(QStringLiteral("ACTVTYPE")),
                   loader->model(QStringLiteral("ACTVCODE")),
                   loader->model(QStringLiteral("PredecessorModel")), true);
    QHeaderView *header = pane.treeView()->header();
    setVisibleColumns(header, {QStringLiteral("Activity ID"), QStringLiteral("Activity Name"),
                               QStringLiteral("Activity Type"), QStringLiteral("Start Date"),
                               QStringLiteral("Finish Date"), QStringLiteral("WBS Code"),
                               QStringLiteral("WBS Name")});
    pane.treeView()->setTreePosition(firstVisibleColumn(header));
    pane.onUpdateMergeColumns();
    pane.ganttChart()->flushPendingRebuild();
    printLine(QStringLiteral("show_ms %1").arg(timer.elapsed()));

    timer.restart();
    ZGrouping grouping = pane.currentGrouping();
    ZGrouping wbs;
    wbs.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(), QColor(Qt::white),
                 QBrush(QColor(60, 83, 111)));
    for (int i = 1; i < grouping.size(); ++i)
        wbs.addGroup(grouping.group(i));
    pane.setCurrentGrouping(wbs);
    pane.ganttChart()->flushPendingRebuild();
    printLine(QStringLiteral("group_wbs_ms %1").arg(timer.elapsed()));

    // As the outline action does it: signals of the tree blocked, then one
    // rebuild of the chart.
    timer.restart();
    pane.treeView()->blockSignals(true);
    pane.treeView()->expandAll();
    pane.treeView()->blockSignals(false);
    pane.ganttChart()->resetModels();
    pane.ganttChart()->flushPendingRebuild();
    printLine(QStringLiteral("expand_all_ms %1").arg(timer.elapsed()));

    timer.restart();
    const QPixmap image = pane.grab();
    printLine(QStringLiteral("render_ms %1").arg(timer.elapsed()));
    if (!image.save(out, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", out.toUtf8().constData());
        return 1;
    }
    return 0;
}
