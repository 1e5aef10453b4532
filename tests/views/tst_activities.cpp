#include "activities.h"
#include "modelhelpers.h"
#include "qganttchart.h"
#include "qgcvaxis.h"
#include "chartarea.h"
#include "xerloader.h"
#include "xertestfiles.h"
#include "zfilterdialogproxymodel.h"
#include "zgroupedtreeview.h"
#include "zgrouping.h"
#include "zimage.h"
#include "zjoinproxymodel.h"
#include "zparentitemproxymodel.h"
#include "zsortfilterheader.h"
#include "zsortfilterwidget.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QJsonDocument>
#include <QScopedPointer>
#include <QScrollBar>
#include <QSplitter>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtConcurrent>
#include <QtTest>

#include <memory>

// The activities pane end to end: a small XER file of our own goes through
// the loader on the pool thread, the models are handed over as the main
// window hands them, and the tree, its bands, row numbers and outline
// levels and the Gantt chart are checked against each other.
class TestActivities : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;

    static QString xerText()
    {
        const QString t = QStringLiteral("\t");
        QStringList lines;
        const auto line = [&lines, &t](const QStringList &fields) { lines << fields.join(t); };
        line({QStringLiteral("ERMHDR"), QStringLiteral("19.12"), QStringLiteral("2024-01-01")});
        line({QStringLiteral("%T"), QStringLiteral("PROJWBS")});
        line({QStringLiteral("%F"), QStringLiteral("wbs_id"), QStringLiteral("seq_num"),
              QStringLiteral("wbs_short_name"), QStringLiteral("wbs_name"),
              QStringLiteral("parent_wbs_id")});
        line({QStringLiteral("%R"), QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("P"),
              QStringLiteral("Project"), QString()});
        line({QStringLiteral("%R"), QStringLiteral("2"), QStringLiteral("2"), QStringLiteral("P.D"),
              QStringLiteral("Design"), QStringLiteral("1")});
        line({QStringLiteral("%R"), QStringLiteral("3"), QStringLiteral("3"), QStringLiteral("P.B"),
              QStringLiteral("Build"), QStringLiteral("1")});
        line({QStringLiteral("%R"), QStringLiteral("4"), QStringLiteral("4"), QStringLiteral("P.E"),
              QStringLiteral("Empty"), QStringLiteral("1")});
        line({QStringLiteral("%T"), QStringLiteral("TASK")});
        line({QStringLiteral("%F"), QStringLiteral("task_id"), QStringLiteral("proj_id"),
              QStringLiteral("wbs_id"), QStringLiteral("task_type"), QStringLiteral("task_code"),
              QStringLiteral("task_name"), QStringLiteral("status_code"),
              QStringLiteral("target_start_date"), QStringLiteral("target_end_date")});
        const auto task = [&line](const char *id, const char *wbs, const char *type,
                                  const char *code, const char *name, const char *status,
                                  const char *start, const char *finish) {
            line({QStringLiteral("%R"), QString::fromLatin1(id), QStringLiteral("1"),
                  QString::fromLatin1(wbs), QString::fromLatin1(type), QString::fromLatin1(code),
                  QString::fromLatin1(name), QString::fromLatin1(status),
                  QString::fromLatin1(start), QString::fromLatin1(finish)});
        };
        // Out of task id order on purpose; 106 has no WBS and no dates.
        task("103", "3", "TT_Task", "A1020", "Pour", "TK_NotStart", "2024-01-15 08:00",
             "2024-01-20 17:00");
        task("101", "2", "TT_Task", "A1000", "Survey", "TK_NotStart", "2024-01-01 08:00",
             "2024-01-05 17:00");
        task("102", "2", "TT_Task", "A1010", "Drawings", "TK_NotStart", "2024-01-08 08:00",
             "2024-01-12 17:00");
        task("104", "3", "TT_Mile", "A1030", "Handover", "TK_NotStart", "2024-01-22 08:00",
             "2024-01-22 08:00");
        task("105", "1", "TT_Task", "A1040", "Closeout", "TK_NotStart", "2024-02-01 08:00",
             "2024-02-10 17:00");
        task("106", "", "TT_Task", "A1050", "Unfiled", "TK_Active", "", "");
        line({QStringLiteral("%T"), QStringLiteral("TASKPRED")});
        line({QStringLiteral("%F"), QStringLiteral("task_id"), QStringLiteral("pred_task_id"),
              QStringLiteral("pred_proj_id"), QStringLiteral("pred_type"),
              QStringLiteral("lag_hr_cnt")});
        line({QStringLiteral("%R"), QStringLiteral("102"), QStringLiteral("101"),
              QStringLiteral("1"), QStringLiteral("PR_FS"), QStringLiteral("0")});
        line({QStringLiteral("%R"), QStringLiteral("103"), QStringLiteral("102"),
              QStringLiteral("1"), QStringLiteral("PR_SS"), QStringLiteral("8")});
        line({QStringLiteral("%R"), QStringLiteral("104"), QStringLiteral("103"),
              QStringLiteral("1"), QStringLiteral("PR_FS"), QStringLiteral("0")});
        line({QStringLiteral("%R"), QStringLiteral("104"), QStringLiteral("101"),
              QStringLiteral("1"), QStringLiteral("PR_FF"), QStringLiteral("0")});
        line({QStringLiteral("%T"), QStringLiteral("RSRC")});
        line({QStringLiteral("%F"), QStringLiteral("rsrc_id"), QStringLiteral("rsrc_type"),
              QStringLiteral("rsrc_short_name"), QStringLiteral("rsrc_name")});
        line({QStringLiteral("%R"), QStringLiteral("1"), QStringLiteral("RT_Labor"),
              QStringLiteral("ENG"), QStringLiteral("Engineer")});
        line({QStringLiteral("%T"), QStringLiteral("TASKRSRC")});
        line({QStringLiteral("%F"), QStringLiteral("task_id"), QStringLiteral("rsrc_id")});
        line({QStringLiteral("%R"), QStringLiteral("101"), QStringLiteral("1")});
        line({QStringLiteral("%T"), QStringLiteral("ACTVTYPE")});
        line({QStringLiteral("%F"), QStringLiteral("actv_code_type_id"),
              QStringLiteral("actv_code_type"), QStringLiteral("actv_code_type_scope")});
        line({QStringLiteral("%R"), QStringLiteral("7"), QStringLiteral("Phase"),
              QStringLiteral("AS_Project")});
        line({QStringLiteral("%T"), QStringLiteral("ACTVCODE")});
        line({QStringLiteral("%F"), QStringLiteral("actv_code_id"),
              QStringLiteral("actv_code_type_id"), QStringLiteral("short_name"),
              QStringLiteral("parent_actv_code_id"), QStringLiteral("actv_code_name")});
        line({QStringLiteral("%R"), QStringLiteral("11"), QStringLiteral("7"), QStringLiteral("P1"),
              QString(), QStringLiteral("Phase One")});
        line({QStringLiteral("%R"), QStringLiteral("12"), QStringLiteral("7"), QStringLiteral("P2"),
              QString(), QStringLiteral("Phase Two")});
        line({QStringLiteral("%T"), QStringLiteral("TASKACTV")});
        line({QStringLiteral("%F"), QStringLiteral("task_id"), QStringLiteral("actv_code_type_id"),
              QStringLiteral("actv_code_id"), QStringLiteral("proj_id")});
        line({QStringLiteral("%R"), QStringLiteral("101"), QStringLiteral("7"),
              QStringLiteral("11"), QStringLiteral("1")});
        line({QStringLiteral("%R"), QStringLiteral("102"), QStringLiteral("7"),
              QStringLiteral("11"), QStringLiteral("1")});
        line({QStringLiteral("%R"), QStringLiteral("103"), QStringLiteral("7"),
              QStringLiteral("12"), QStringLiteral("1")});
        lines << QStringLiteral("%E");
        return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
    }

    // Reads the file as the main window does: on the global pool, the
    // loader kept until the read has ended (its future), and finished() sent.
    // A wait for the signal alone misses one sent before it begins.
    std::unique_ptr<XERLoader> load(const QString &file = QString())
    {
        QFile schemaFile(QStringLiteral(":/files/schema.json"));
        if (!schemaFile.open(QIODevice::ReadOnly))
            return nullptr;
        const QJsonDocument schema = QJsonDocument::fromJson(schemaFile.readAll());
        auto loader = std::make_unique<XERLoader>(file.isEmpty() ? m_file : file, schema);
        QSignalSpy finished(loader.get(), &ProjectLoader::finished);
        QtConcurrent::run(QThreadPool::globalInstance(), loader.get(), &XERLoader::read).waitForFinished();
        if (finished.count() != 1)
            return nullptr;
        return loader;
    }

    // The pane shown at a size with room for the default columns, then the
    // hand-over.
    static bool showLoaded(Activities &pane, ProjectLoader *loader)
    {
        pane.resize(1600, 800);
        pane.show();
        if (!QTest::qWaitForWindowExposed(&pane))
            return false;
        handOver(pane, loader);
        return true;
    }

    // The hand-over of the main window, with its default visible columns.
    static void handOver(Activities &pane, ProjectLoader *loader)
    {
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
    }

    static ZGrouping groupingBy(const QStringList &fields, const QStringList &titles = {})
    {
        ZGrouping grouping;
        for (int i = 0; i < fields.size(); ++i) {
            grouping.addGroup(fields.at(i), titles.value(i), QFont(), QColor(Qt::white),
                              QBrush(QColor(60 + 20 * i, 83, 111)));
        }
        return grouping;
    }

    static QString cell(QAbstractItemModel *model, const QModelIndex &row, const QString &caption)
    {
        const int column = columnIndex(model, caption);
        const QVariant value = model->index(row.row(), column, row.parent()).data();
        if (value.type() == QVariant::DateTime)
            return value.toDateTime().isNull() ? QString()
                                               : value.toDateTime().toString(QStringLiteral("yyyy-MM-dd"));
        return value.toString();
    }

    // The whole tree as text: per row, indentation by depth, then the label
    // (band title in brackets, or activity ID), row number, outline level,
    // start and finish.
    static QString treeText(Activities &pane)
    {
        QAbstractItemModel *model = pane.filterModel();
        const int group = columnIndex(model, QStringLiteral("Group"));
        QStringList out;
        const QModelIndexList rows = preorderList(model, QModelIndex());
        for (const QModelIndex &row : rows) {
            const QVariant title = model->index(row.row(), group, row.parent()).data();
            const QString label = !title.isNull()
                                      ? QStringLiteral("[%1]").arg(title.toString())
                                      : cell(model, row, QStringLiteral("Activity ID"));
            out << QString(levelFromIndex(row) * 2, QLatin1Char(' '))
                       + QStringLiteral("%1 %2/%3 %4..%5")
                             .arg(label, cell(model, row, QStringLiteral("Row Number")),
                                  cell(model, row, QStringLiteral("Outline Level")),
                                  cell(model, row, QStringLiteral("Start Date")),
                                  cell(model, row, QStringLiteral("Finish Date")));
        }
        return out.join(QLatin1Char('\n'));
    }

    // Tree rows shown against chart tasks, one for one.
    static void compareTreeAndChart(Activities &pane)
    {
        mygc::GanttChart *chart = pane.ganttChart();
        chart->flushPendingRebuild();
        const QList<QModelIndex> shown = pane.treeView()->visibleItems(QModelIndex());
        QCOMPARE(chart->taskCount(), shown.size());
        for (int i = 0; i < shown.size(); ++i)
            QCOMPARE(QModelIndex(chart->tasks().at(i)->index()), shown.at(i));
    }

private slots:
    void initTestCase()
    {
        ZSortFilterWidget::installAsHeaderFilterBox();
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("small.xer"));
        QFile file(m_file);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(xerText().toUtf8());
    }

    void idlePane()
    {
        Activities pane;
        pane.resize(1200, 600);
        pane.show();
        QAbstractItemModel *model = pane.treeView()->model();
        QCOMPARE(model->columnCount(), 5);
        QCOMPARE(model->rowCount(), 0);
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Activity ID"));
        QCOMPARE(pane.ganttChart()->taskCount(), 0);
        QVERIFY(!pane.sortFilterWidget());
        QVERIFY(qobject_cast<ZSortFilterHeader *>(pane.treeView()->header()));
        QCOMPARE(pane.treeView()->header()->objectName(), QStringLiteral("sortFilterHeader"));
        QCOMPARE(pane.currentGrouping().size(), 10);
        QCOMPARE(pane.currentGrouping().size(true), 0);
        // Clicks on the header of the idle pane reach nothing.
        QHeaderView *header = pane.treeView()->header();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->width() - 3, 5));
        pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Name")}));
        QCOMPARE(model->rowCount(), 0);
        pane.gotoTask(1);
        pane.clearFilterSort();
        pane.calculateGroupings();
    }

    void flatProject()
    {
        std::unique_ptr<XERLoader> loader = load();
        QVERIFY(loader);
        Activities pane;
        QVERIFY(showLoaded(pane, loader.get()));

        QAbstractItemModelTester parentTester(pane.parentItemModel());
        QAbstractItemModelTester filterTester(pane.filterModel());

        QCOMPARE(pane.filterModel()->rowCount(), 6);
        QCOMPARE(pane.initialRowCount(), 6);
        QVERIFY(pane.sortFilterWidget());
        QCOMPARE(treeText(pane),
                 QStringLiteral("A1000 1/1 2024-01-01..2024-01-05\n"
                                "A1010 2/1 2024-01-08..2024-01-12\n"
                                "A1020 3/1 2024-01-15..2024-01-20\n"
                                "A1030 4/1 2024-01-22..2024-01-22\n"
                                "A1040 5/1 2024-02-01..2024-02-10\n"
                                "A1050 6/1 .."));
        compareTreeAndChart(pane);
        // Predecessors as row numbers with their relation texts.
        QAbstractItemModel *model = pane.filterModel();
        QCOMPARE(cell(model, model->index(3, 0), QStringLiteral("Predecessors Details Rows")),
                 QStringLiteral("1FF, 3FS"));
        QCOMPARE(cell(model, model->index(2, 0), QStringLiteral("Predecessors Details Rows")),
                 QStringLiteral("2SS+8h"));
        QCOMPARE(cell(model, model->index(0, 0), QStringLiteral("Predecessors Details Rows")),
                 QString());
        // The chart links the shown tasks.
        QCOMPARE(pane.ganttChart()->relations().size(), 4);

        // Merge count from the visible columns: ID, Name, then a non-date.
        QCOMPARE(pane.treeView()->mergeColumns(), 2);
    }

    void groupedByWbs()
    {
        std::unique_ptr<XERLoader> loader = load();
        QVERIFY(loader);
        Activities pane;
        QVERIFY(showLoaded(pane, loader.get()));
        QAbstractItemModelTester parentTester(pane.parentItemModel());
        QAbstractItemModelTester filterTester(pane.filterModel());

        pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Name")}, {QStringLiteral("All")}));
        QAbstractItemModel *activities = pane.activityModel();
        QCOMPARE(pane.initialRowCount(), 6);
        QCOMPARE(activities->rowCount(), 6 + 5); // four WBS bands and one untitled
        const QString expected = QStringLiteral(
            "[Project] 1/1 2024-01-01..2024-02-10\n"
            "  A1040 2/2 2024-02-01..2024-02-10\n"
            "  [Design] 3/2 2024-01-01..2024-01-12\n"
            "    A1000 4/3 2024-01-01..2024-01-05\n"
            "    A1010 5/3 2024-01-08..2024-01-12\n"
            "  [Build] 6/2 2024-01-15..2024-01-22\n"
            "    A1020 7/3 2024-01-15..2024-01-20\n"
            "    A1030 8/3 2024-01-22..2024-01-22\n"
            "  [Empty] 9/2 ..\n"
            "[] 10/1 ..\n"
            "  A1050 11/2 ..");
        QCOMPARE(treeText(pane), expected);

        // Grouping by WBS Code gives the same bands, labelled with names.
        pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Code")}));
        QCOMPARE(treeText(pane), expected);
        QCOMPARE(activities->rowCount(), 11);
        QCOMPARE(pane.initialRowCount(), 6);

        // Predecessor rows follow the tree's numbering.
        QAbstractItemModel *model = pane.filterModel();
        QCOMPARE(cell(model, model->index(1, 0, model->index(2, 0, model->index(0, 0))),
                      QStringLiteral("Predecessors Details Rows")),
                 QStringLiteral("4FF, 7FS"));

        // Collapsed: the chart shows the two top-level bands.
        compareTreeAndChart(pane);
        QCOMPARE(pane.ganttChart()->taskCount(), 2);
        // Expanded as the outline action does it: the chart follows, row for row.
        pane.treeView()->blockSignals(true);
        pane.treeView()->expandAll();
        pane.treeView()->blockSignals(false);
        pane.ganttChart()->resetModels();
        compareTreeAndChart(pane);
        QCOMPARE(pane.ganttChart()->taskCount(), 11);
        // Bands are summaries in the chart.
        QCOMPARE(pane.ganttChart()->tasks().at(0)->type(), 2);
        QCOMPARE(pane.ganttChart()->tasks().at(7)->type(), 1); // A1030, the milestone
        QCOMPARE(pane.ganttChart()->relations().size(), 4);

        // To level 1: one band per top-level WBS element.
        pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Name")},
                                           {QStringLiteral("To level 1")}));
        QCOMPARE(treeText(pane),
                 QStringLiteral("[Project] 1/1 2024-01-01..2024-02-10\n"
                                "  A1000 2/2 2024-01-01..2024-01-05\n"
                                "  A1010 3/2 2024-01-08..2024-01-12\n"
                                "  A1020 4/2 2024-01-15..2024-01-20\n"
                                "  A1030 5/2 2024-01-22..2024-01-22\n"
                                "  A1040 6/2 2024-02-01..2024-02-10\n"
                                "[] 7/1 ..\n"
                                "  A1050 8/2 .."));

        // No active level: flat again.
        pane.setCurrentGrouping(ZGrouping());
        QCOMPARE(activities->rowCount(), 6);
        QCOMPARE(pane.filterModel()->rowCount(), 6);
        QCOMPARE(cell(model, model->index(5, 0), QStringLiteral("Row Number")), QStringLiteral("6"));
    }

    void inactiveLevelsAreSkipped()
    {
        std::unique_ptr<XERLoader> loader = load();
        QVERIFY(loader);
        Activities pane;
        handOver(pane, loader.get());
        pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Name")}));
        const QString direct = treeText(pane);

        // Two inactive levels before the active one, one after it.
        ZGrouping grouping;
        grouping.addGroup(QColor(1, 2, 3));
        grouping.addGroup(QColor(4, 5, 6));
        grouping.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(),
                          QColor(Qt::white), QBrush(QColor(7, 8, 9)));
        grouping.addGroup(QColor(10, 11, 12));
        pane.setCurrentGrouping(grouping);
        QCOMPARE(treeText(pane), direct);
        // The first band depth is painted in the active level's colour.
        QCOMPARE(pane.treeView()->levelStyles().value(0).brush.color(), QColor(7, 8, 9));
    }

    void codesWithoutValueStayVisible()
    {
        std::unique_ptr<XERLoader> loader = load();
        QVERIFY(loader);
        Activities pane;
        pane.show();
        handOver(pane, loader.get());
        pane.setCurrentGrouping(groupingBy({QStringLiteral("Phase")}));
        QCOMPARE(treeText(pane),
                 QStringLiteral("[Phase One] 1/1 2024-01-01..2024-01-12\n"
                                "  A1000 2/2 2024-01-01..2024-01-05\n"
                                "  A1010 3/2 2024-01-08..2024-01-12\n"
                                "[Phase Two] 4/1 2024-01-15..2024-01-20\n"
                                "  A1020 5/2 2024-01-15..2024-01-20\n"
                                "[] 6/1 2024-01-22..2024-02-10\n"
                                "  A1030 7/2 2024-01-22..2024-01-22\n"
                                "  A1040 8/2 2024-02-01..2024-02-10\n"
                                "  A1050 9/2 .."));

        // Two levels: the untitled bands nest as well, every activity shows.
        pane.setCurrentGrouping(
            groupingBy({QStringLiteral("Phase"), QStringLiteral("Activity Type")}));
        const QString text = treeText(pane);
        for (const char *id : {"A1000", "A1010", "A1020", "A1030", "A1040", "A1050"})
            QCOMPARE(text.count(QString::fromLatin1(id)), 1);
        pane.treeView()->expandAll();
        pane.ganttChart()->resetModels();
        compareTreeAndChart(pane);
    }

    void groupedByDates()
    {
        std::unique_ptr<XERLoader> loader = load();
        QVERIFY(loader);
        Activities pane;
        handOver(pane, loader.get());
        pane.setCurrentGrouping(groupingBy({QStringLiteral("Start Date")}, {QStringLiteral("Year")}));
        QCOMPARE(treeText(pane),
                 QStringLiteral("[2024] 1/1 2024-01-01..2024-02-10\n"
                                "  A1000 2/2 2024-01-01..2024-01-05\n"
                                "  A1010 3/2 2024-01-08..2024-01-12\n"
                                "  A1020 4/2 2024-01-15..2024-01-20\n"
                                "  A1030 5/2 2024-01-22..2024-01-22\n"
                                "  A1040 6/2 2024-02-01..2024-02-10\n"
                                "[] 7/1 ..\n"
                                "  A1050 8/2 .."));
        // By month (the default interval), under each WBS band.
        pane.setCurrentGrouping(
            groupingBy({QStringLiteral("WBS Name"), QStringLiteral("Start Date")},
                       {QStringLiteral("To level 1"), QString()}));
        const QString text = treeText(pane);
        QCOMPARE(text,
                 QStringLiteral("[Project] 1/1 2024-01-01..2024-02-10\n"
                                "  [January] 2/2 2024-01-01..2024-01-22\n"
                                "    A1000 3/3 2024-01-01..2024-01-05\n"
                                "    A1010 4/3 2024-01-08..2024-01-12\n"
                                "    A1020 5/3 2024-01-15..2024-01-20\n"
                                "    A1030 6/3 2024-01-22..2024-01-22\n"
                                "  [February] 7/2 2024-02-01..2024-02-10\n"
                                "    A1040 8/3 2024-02-01..2024-02-10\n"
                                "[] 9/1 ..\n"
                                "  [] 10/2 ..\n"
                                "    A1050 11/3 .."));
        for (const char *id : {"A1000", "A1010", "A1020", "A1030", "A1040", "A1050"})
            QCOMPARE(text.count(QString::fromLatin1(id)), 1);
    }

    void bandDatesFollowCurrentChildren()
    {
        std::unique_ptr<XERLoader> loader = load();
        QVERIFY(loader);
        Activities pane;
        handOver(pane, loader.get());
        QAbstractItemModel *model = pane.filterModel();

        pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Name")}));
        // Band row 0 was [Project] with dates; by status its first band holds
        // only the activity without dates.
        pane.setCurrentGrouping(groupingBy({QStringLiteral("Activity status")}));
        QCOMPARE(treeText(pane),
                 QStringLiteral("[TK_Active] 1/1 ..\n"
                                "  A1050 2/2 ..\n"
                                "[TK_NotStart] 3/1 2024-01-01..2024-02-10\n"
                                "  A1000 4/2 2024-01-01..2024-01-05\n"
                                "  A1010 5/2 2024-01-08..2024-01-12\n"
                                "  A1020 6/2 2024-01-15..2024-01-20\n"
                                "  A1030 7/2 2024-01-22..2024-01-22\n"
                                "  A1040 8/2 2024-02-01..2024-02-10"));

        // A filter narrows the band to its shown children; clearing it
        // widens it again.
        pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Name")}));
        const int idColumn = columnIndex(model, QStringLiteral("Activity ID"));
        auto *header = qobject_cast<ZSortFilterHeader *>(pane.treeView()->header());
        connect(header, &ZSortFilterHeader::filterSettingsChanged, &pane,
                &Activities::calculateGroupings);
        pane.filterModel()->setFilter(idColumn, {QStringLiteral("A1010"), QStringLiteral("A1040")});
        header->setFilter(idColumn);
        QCOMPARE(treeText(pane),
                 QStringLiteral("[Project] 1/1 2024-01-08..2024-02-10\n"
                                "  A1040 2/2 2024-02-01..2024-02-10\n"
                                "  [Design] 3/2 2024-01-08..2024-01-12\n"
                                "    A1010 5/3 2024-01-08..2024-01-12"));
        pane.filterModel()->clearAll();
        header->clearAll();
        QVERIFY(treeText(pane).startsWith(
            QStringLiteral("[Project] 1/1 2024-01-01..2024-02-10\n")));
    }

    void largeProjectBandsLinksAndRows()
    {
        // Enough activities and relations for the band dates, the chart's
        // relation read and the relation slots to be worked in slices side
        // by side: the results must be those of the rules, row for row.
        const int taskCount = 9000;
        const int relationCount = 40000;
        QByteArray xer = xertest::header();
        QList<QByteArray> wbs{"1\t1\tP\tProject\t"};
        for (int i = 0; i < 30; ++i) {
            wbs << QByteArray::number(2 + i) + "\t1\tW" + QByteArray::number(i) + "\tArea "
                       + QByteArray::number(i) + "\t1";
            for (int j = 0; j < 3; ++j) {
                const int id = 32 + i * 3 + j;
                wbs << QByteArray::number(id) + "\t1\tL" + QByteArray::number(id) + "\tLot "
                           + QByteArray::number(id) + "\t" + QByteArray::number(2 + i);
            }
        }
        xer += xertest::table("PROJWBS", "wbs_id\tseq_num\twbs_short_name\twbs_name\tparent_wbs_id", wbs);
        QList<QByteArray> tasks;
        const QDate first(2024, 1, 1);
        for (int i = 0; i < taskCount; ++i) {
            const QByteArray wbsId = i == 17 ? QByteArray()
                                     : i % 500 == 3 ? QByteArray::number(2 + i % 30)
                                                    : QByteArray::number(32 + i % 90);
            const bool milestone = i % 50 == 0;
            const QDate start = first.addDays((i * 37) % 300);
            const QDate finish = milestone ? start : start.addDays(i % 9);
            tasks << QByteArray::number(1000 + i) + "\t1\t" + wbsId + "\t"
                         + (milestone ? "TT_Mile" : "TT_Task") + "\tA"
                         + QByteArray::number(i).rightJustified(5, '0') + "\tTask "
                         + QByteArray::number(i) + "\tTK_NotStart\t"
                         + start.toString(Qt::ISODate).toLatin1() + " 08:00\t"
                         + finish.toString(Qt::ISODate).toLatin1() + (milestone ? " 08:00" : " 17:00");
        }
        xer += xertest::table("TASK",
                              "task_id\tproj_id\twbs_id\ttask_type\ttask_code\ttask_name\t"
                              "status_code\ttarget_start_date\ttarget_end_date",
                              tasks);
        struct Link
        {
            int task;
            int predecessor;
            QString type;
            int lag;
        };
        QVector<Link> links;
        QList<QByteArray> relations;
        for (int k = 0; k < relationCount; ++k) {
            const int t = k % taskCount;
            const int p = (t + 1 + (k / taskCount) * 13) % taskCount;
            const Link link{t, p, k % 3 == 0 ? QStringLiteral("PR_SS") : QStringLiteral("PR_FS"),
                            k % 4 == 0 ? 8 : 0};
            links.append(link);
            relations << QByteArray::number(1000 + t) + "\t" + QByteArray::number(1000 + p)
                             + "\t1\t" + link.type.toLatin1() + "\t" + QByteArray::number(link.lag);
        }
        xer += xertest::table("TASKPRED", "task_id\tpred_task_id\tpred_proj_id\tpred_type\tlag_hr_cnt",
                              relations);
        xer += "%E\r\n";
        std::unique_ptr<XERLoader> loader = load(xertest::writeFile(m_dir, QStringLiteral("large.xer"), xer));
        QVERIFY(loader);
        Activities pane;
        handOver(pane, loader.get());
        QCOMPARE(pane.initialRowCount(), taskCount);
        pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Name")}));
        pane.treeView()->expandAll();
        pane.ganttChart()->resetModels();
        compareTreeAndChart(pane);

        QAbstractItemModel *model = pane.filterModel();
        const int group = columnIndex(model, QStringLiteral("Group"));
        const int startColumn = columnIndex(model, QStringLiteral("Start Date"));
        const int finishColumn = columnIndex(model, QStringLiteral("Finish Date"));
        const int idColumn = columnIndex(model, QStringLiteral("Activity ID"));
        const int rowColumn = columnIndex(model, QStringLiteral("Row Number"));
        const int predColumn = columnIndex(model, QStringLiteral("Predecessors Details Rows"));
        QVERIFY(group >= 0 && startColumn >= 0 && finishColumn >= 0 && idColumn >= 0
                && rowColumn >= 0 && predColumn >= 0);
        const auto at = [model](const QModelIndex &row, int column) {
            return model->index(row.row(), column, row.parent()).data();
        };

        // Every band spans the earliest start and the latest finish below it.
        const QModelIndexList rows = preorderList(model, QModelIndex());
        QHash<QString, int> numberOfId;
        int bandsChecked = 0;
        for (const QModelIndex &row : rows) {
            if (at(row, group).isNull()) {
                numberOfId.insert(at(row, idColumn).toString(), at(row, rowColumn).toInt());
                continue;
            }
            QDateTime earliest;
            QDateTime latest;
            for (const QModelIndex &below : preorderList(model, row)) {
                if (!at(below, group).isNull())
                    continue;
                const QDateTime start = at(below, startColumn).toDateTime();
                const QDateTime finish = at(below, finishColumn).toDateTime();
                if (start.isValid() && (!earliest.isValid() || start < earliest))
                    earliest = start;
                if (finish.isValid() && (!latest.isValid() || finish > latest))
                    latest = finish;
            }
            QCOMPARE(at(row, startColumn).toDateTime(), earliest);
            QCOMPARE(at(row, finishColumn).toDateTime(), latest);
            ++bandsChecked;
        }
        QVERIFY(bandsChecked > 120);
        QCOMPARE(numberOfId.size(), taskCount);

        // Every relation is linked in the chart, and every bar has its row's dates.
        mygc::GanttChart *chart = pane.ganttChart();
        QStringList drawn;
        for (const auto &relation : chart->relations()) {
            drawn << QStringLiteral("%1>%2:%3:%4")
                         .arg(chart->tasks().at(relation->from)->taskId())
                         .arg(chart->tasks().at(relation->to)->taskId())
                         .arg(int(relation->type))
                         .arg(relation->lag);
        }
        QStringList wanted;
        for (const Link &link : qAsConst(links)) {
            wanted << QStringLiteral("%1>%2:%3:%4")
                          .arg(1000 + link.predecessor)
                          .arg(1000 + link.task)
                          .arg(int(mygc::relationTypeFromText(link.type)))
                          .arg(link.lag);
        }
        drawn.sort();
        wanted.sort();
        QCOMPARE(drawn.size(), relationCount);
        QCOMPARE(drawn, wanted);
        for (const auto &task : chart->tasks()) {
            QCOMPARE(task->start(), at(task->index(), startColumn).toDateTime());
            QCOMPARE(task->finish(), at(task->index(), finishColumn).toDateTime());
        }

        // Predecessor rows: by predecessor ID, the row numbers of the tree.
        QHash<int, QMap<QString, QString>> expected;
        for (const Link &link : qAsConst(links)) {
            const QString id = QStringLiteral("A%1").arg(link.predecessor, 5, 10, QLatin1Char('0'));
            expected[link.task].insert(id, QString::number(numberOfId.value(id))
                                               + relationText(link.type, link.lag));
        }
        for (const QModelIndex &row : rows) {
            if (!at(row, group).isNull())
                continue;
            const int task = at(row, idColumn).toString().mid(1).toInt();
            QCOMPARE(at(row, predColumn).toString(),
                     QStringList(expected.value(task).values()).join(QStringLiteral(", ")));
        }
    }

    void gotoTaskMatchesExactly()
    {
        std::unique_ptr<XERLoader> loader = load();
        QVERIFY(loader);
        Activities pane;
        pane.show();
        handOver(pane, loader.get());
        pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Name")}));
        QAbstractItemModel *model = pane.filterModel();

        pane.gotoTask(103);
        QModelIndex current = pane.treeView()->currentIndex();
        QCOMPARE(cell(model, current, QStringLiteral("Activity ID")), QStringLiteral("A1020"));
        QVERIFY(pane.treeView()->isExpanded(current.parent()));
        // The chart selects the same row.
        pane.ganttChart()->flushPendingRebuild();

        pane.gotoTask(10); // no such task: nothing changes
        QCOMPARE(pane.treeView()->currentIndex(), current);
        pane.gotoTask(1);
        QCOMPARE(pane.treeView()->currentIndex(), current);
    }

    void listGroupingLookupsAndNewChart()
    {
        std::unique_ptr<XERLoader> loader = load();
        QVERIFY(loader);
        Activities pane;
        QVERIFY(showLoaded(pane, loader.get()));
        QAbstractItemModelTester parentTester(pane.parentItemModel());
        QAbstractItemModelTester filterTester(pane.filterModel());

        // Two nested bands from a ready list; the outer band keeps only
        // the row its inner band does not list.
        QList<QVariant> groups{
            QVariantMap{{QStringLiteral("caption"), QStringLiteral("Outer")},
                        {QStringLiteral("set"), QVariantList{0, 1, 2}}},
            QVariantMap{{QStringLiteral("caption"), QStringLiteral("Inner")},
                        {QStringLiteral("parent"), 0}, {QStringLiteral("set"), QVariantList{1, 2}}}};
        Activities::makeGroupsUnique(groups);
        pane.groupByList(groups);
        QAbstractItemModel *activities = pane.activityModel();
        QCOMPARE(activities->rowCount(), 6 + 2);
        pane.parentItemModel()->setParentStructure(columnIndex(activities, QStringLiteral("ID")),
                                                   columnIndex(activities, QStringLiteral("parentID")));
        pane.updateRowNumber();
        pane.calculateGroupings();
        QCOMPARE(treeText(pane), QStringLiteral("A1030 1/1 2024-01-22..2024-01-22\n"
                                                "A1040 2/1 2024-02-01..2024-02-10\n"
                                                "A1050 3/1 ..\n"
                                                "[Outer] 4/1 2024-01-01..2024-01-20\n"
                                                "  A1000 5/2 2024-01-01..2024-01-05\n"
                                                "  [Inner] 6/2 2024-01-08..2024-01-20\n"
                                                "    A1010 7/3 2024-01-08..2024-01-12\n"
                                                "    A1020 8/3 2024-01-15..2024-01-20"));

        // Lookups over the whole tree, nested rows included.
        QAbstractItemModel *model = pane.filterModel();
        const int idColumn = columnIndex(model, QStringLiteral("Activity ID"));
        std::map<int, QModelIndex> byTask;
        build_task_index(model, QModelIndex(), columnIndex(model, QStringLiteral("ID")), idColumn, byTask);
        QCOMPARE(int(byTask.size()), 6 + 2); // the bands' ids are -1 and -2
        QCOMPARE(byTask.at(103).data().toString(), QStringLiteral("A1020"));
        QCOMPARE(levelFromIndex(byTask.at(103)), 2);
        QHash<QString, QModelIndex> byText;
        fillIndexMap(&byText, model->index(0, idColumn));
        QCOMPARE(byText.value(QStringLiteral("A1020")), byTask.at(103));
        QCOMPARE(byText.size(), 6 + 1); // both bands show no activity ID

        // A new chart takes the old one's place and shows the same rows.
        QPointer<mygc::GanttChart> old = pane.ganttChart();
        pane.createGanttChart();
        pane.createResourceView();
        QVERIFY(!old);
        auto *splitter = pane.findChild<QSplitter *>(QStringLiteral("splitter"));
        QCOMPARE(splitter->count(), 3);
        QCOMPARE(splitter->widget(0), static_cast<QWidget *>(pane.treeView()));
        QCOMPARE(splitter->widget(2), static_cast<QWidget *>(pane.ganttChart()));
        pane.treeView()->expandAll();
        pane.ganttChart()->resetModels();
        compareTreeAndChart(pane);
        QCOMPARE(pane.ganttChart()->relations().size(), 4);
    }

    // The pictures printed (and snipped) show neither the selected row nor
    // the header's drop-down button under the mouse; the selection stays.
    void picturesShowNoSelectionOrHover()
    {
        std::unique_ptr<XERLoader> loader = load();
        QVERIFY(loader);
        Activities pane;
        QVERIFY(showLoaded(pane, loader.get()));
        QAbstractItemModel *model = pane.filterModel();
        pane.treeView()->setCurrentIndex(model->index(2, 1));
        mygc::GanttChart *chart = pane.ganttChart();
        chart->flushPendingRebuild();
        QCOMPARE(chart->chartArea()->selectedRow(), 2);
        QHeaderView *header = pane.treeView()->header();
        QCursor::setPos(pane.mapToGlobal(QPoint(800, 700)));
        const QImage plainHeader = pane.treeView()->toImage().getHeaderPart(0);
        QCursor::setPos(header->viewport()->mapToGlobal(QPoint(30, 5)));
        QTest::mouseMove(header->viewport(), QPoint(30, 5));

        const ZImage tree = pane.treeView()->toImage();
        const ZImage gantt = chart->toImage();
        QCOMPARE(tree.getHeaderPart(0), plainHeader);
        // The selected row looks like the rows beside it where no bar is.
        const int last = gantt.columns() - 1;
        QCOMPARE(gantt.getPart(2, last).pixelColor(12, 3), gantt.getPart(0, last).pixelColor(12, 3));
        QCOMPARE(tree.getPart(2, 3).pixelColor(40, 3), tree.getPart(0, 3).pixelColor(40, 3));

        QCOMPARE(pane.treeView()->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(chart->chartArea()->selectedRow(), 2);
    }

    void sortAndClear()
    {
        std::unique_ptr<XERLoader> loader = load();
        QVERIFY(loader);
        Activities pane;
        handOver(pane, loader.get());
        auto *header = qobject_cast<ZSortFilterHeader *>(pane.treeView()->header());
        QAbstractItemModel *model = pane.filterModel();

        pane.setSortBy(QStringLiteral("Activity ID"), Qt::DescendingOrder);
        QCOMPARE(cell(model, model->index(0, 0), QStringLiteral("Activity ID")),
                 QStringLiteral("A1050"));
        QCOMPARE(header->sortColumn(), columnIndex(model, QStringLiteral("Activity ID")));
        pane.setSortBy(QStringLiteral("No such column"), Qt::AscendingOrder);
        QCOMPARE(cell(model, model->index(0, 0), QStringLiteral("Activity ID")),
                 QStringLiteral("A1050"));
        pane.clearFilterSort();
        QCOMPARE(header->sortColumn(), -1);
        QCOMPARE(cell(model, model->index(0, 0), QStringLiteral("Activity ID")),
                 QStringLiteral("A1000"));
    }

    // Grouped by ten WBS levels, the ID column widens by their indentation;
    // a width set by hand stays, with that room on top.
    void idsKeepTheirRoomUnderGrouping()
    {
        QList<QByteArray> wbs;
        for (int level = 1; level <= 10; ++level)
            wbs << QByteArray::number(level) + "\t1\tW\tLevel " + QByteArray::number(level) + '\t'
                       + (level > 1 ? QByteArray::number(level - 1) : QByteArray());
        const QByteArray xer = xertest::header()
            + xertest::table("PROJWBS", "wbs_id\tseq_num\twbs_short_name\twbs_name\tparent_wbs_id", wbs)
            + xertest::table("TASK", "task_id\tproj_id\twbs_id\ttask_type\ttask_code\tstatus_code\t"
                                     "target_start_date\ttarget_end_date",
                             {"1000\t1\t10\tTT_Task\tA1000\tTK_NotStart\t2024-01-01 08:00\t2024-01-05 17:00"})
            + "%E\r\n";
        std::unique_ptr<XERLoader> loader = load(xertest::writeFile(m_dir, QStringLiteral("deep.xer"), xer));
        QVERIFY(loader);
        Activities pane;
        QVERIFY(showLoaded(pane, loader.get()));
        ZGroupedTreeView *tree = pane.treeView();
        QAbstractItemModel *model = pane.filterModel();
        const int idColumn = tree->treePosition();
        QCOMPARE(idColumn, columnIndex(model, QStringLiteral("Activity ID")));
        // The width of the activity's ID cell, pending layouts made.
        const auto idWidth = [&]() {
            QCoreApplication::sendPostedEvents();
            for (const QModelIndex &row : preorderList(model, QModelIndex())) {
                if (cell(model, row, QStringLiteral("Activity ID")) == QLatin1String("A1000"))
                    return tree->visualRect(row.siblingAtColumn(idColumn)).width();
            }
            return 0;
        };
        const int given = tree->columnWidth(idColumn);
        const int flatWidth = idWidth();
        QVERIFY(flatWidth > 0);

        pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Name")}, {QStringLiteral("All")}));
        tree->expandAll();
        QCOMPARE(tree->toImage().getHeaderPart(0).width(), given + 10 * tree->indentation());
        QVERIFY2(idWidth() >= flatWidth, qPrintable(QString::number(idWidth())));

        tree->header()->resizeSection(idColumn, tree->columnWidth(idColumn) + 20);
        tree->collapseAll();
        idWidth();
        QCOMPARE(tree->columnWidth(idColumn), given + 20);
        tree->expandAll();
        QCOMPARE(idWidth(), flatWidth + 20);
        pane.setCurrentGrouping(ZGrouping());
        idWidth();
        QCOMPARE(tree->columnWidth(idColumn), given + 20);
        // Closed while grouped, the column gets its default width back: the
        // next project, handed over at once, has no old room taken off it.
        pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Name")}, {QStringLiteral("To level 2")}));
        tree->expandAll();
        idWidth();
        pane.onCloseProject();
        handOver(pane, loader.get());
        idWidth();
        QCOMPARE(tree->columnWidth(idColumn), tree->header()->defaultSectionSize());
    }

    void projectsComeAndGo()
    {
        Activities pane;
        pane.show();
        QHeaderView *header = pane.treeView()->header();
        const auto boxes = [header] { return header->findChildren<ZSortFilterWidget *>().size(); };
        for (int round = 0; round < 5; ++round) {
            std::unique_ptr<XERLoader> loader = load();
            QVERIFY(loader);
            handOver(pane, loader.get());
            QCOMPARE(boxes(), 1);
            // A second hand-over without closing replaces the box.
            handOver(pane, loader.get());
            QCOMPARE(boxes(), 1);
            QCOMPARE(pane.sortFilterWidget()->parentWidget(), header);
            pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Name")}));
            QCOMPARE(pane.activityModel()->rowCount(), 11);
            // The same model handed over again shows ungrouped, without the
            // bands of before.
            handOver(pane, loader.get());
            QCOMPARE(pane.activityModel()->rowCount(), 6);
            QCOMPARE(pane.initialRowCount(), 6);
            QCOMPARE(pane.filterModel()->rowCount(), 6);
            pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Name")}));
            pane.filterModel()->setFilter(1, {QStringLiteral("x")});

            // Closing as the main window does, then the loader goes; the
            // loader's model is left without bands.
            pane.onCloseProject();
            QCOMPARE(loader->model(QStringLiteral("ActivityModel"))->rowCount(), 6);
            pane.clearFilterSort();
            loader.reset();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(boxes(), 0);
            QVERIFY(!pane.sortFilterWidget());
            QCOMPARE(pane.filterModel()->rowCount(), 0);
            QCOMPARE(pane.filterModel()->columnCount(), 5);
            QVERIFY(pane.filterModel()->patterns().isEmpty());
            QCOMPARE(pane.currentGrouping().size(true), 0);
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
            QTest::mouseMove(header->viewport(), QPoint(30, 5));
        }

        // A loader deleted while its project is still shown: the pane falls
        // back to the idle model instead of keeping the dead one.
        {
            std::unique_ptr<XERLoader> loader = load();
            QVERIFY(loader);
            handOver(pane, loader.get());
            pane.setCurrentGrouping(groupingBy({QStringLiteral("WBS Name")}));
            pane.treeView()->expandAll();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(pane.activityModel()->rowCount(), 0);
        QCOMPARE(pane.filterModel()->columnCount(), 5);
        // A load without an activity model shows the idle model too.
        pane.setModels(nullptr, nullptr, nullptr, nullptr, nullptr, true);
        QCOMPARE(pane.filterModel()->columnCount(), 5);
        QVERIFY(!pane.sortFilterWidget());
        QCOMPARE(boxes(), 0);
        pane.ganttChart()->flushPendingRebuild();
        QCOMPARE(pane.ganttChart()->taskCount(), 0);
        pane.repaint();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(10, 5));
    }

    void chartSelectionFollowsTree()
    {
        std::unique_ptr<XERLoader> loader = load();
        QVERIFY(loader);
        Activities pane;
        QVERIFY(showLoaded(pane, loader.get()));
        QAbstractItemModel *model = pane.filterModel();
        pane.ganttChart()->flushPendingRebuild();

        // Chart to tree: the tree's current row follows without moving
        // horizontally.
        pane.treeView()->horizontalScrollBar()->setValue(0);
        pane.onGanttSelectionChanged(model->index(2, 0));
        QCOMPARE(pane.treeView()->currentIndex().row(), 2);
        // Tree to chart, same row, same parent: nothing is sent.
        pane.onTreeCurrentChanged(model->index(2, 3), model->index(2, 0));
        pane.onTreeCurrentChanged(QModelIndex(), model->index(2, 0));
        QCOMPARE(pane.treeView()->currentIndex().row(), 2);
    }

    // However the rows are scrolled, each chart row stands level with its
    // table row, and a focused chart shows its focus.
    void chartStaysLevelWithTable_data()
    {
        QTest::addColumn<bool>("grouped");
        QTest::addColumn<int>("spare"); // pixels of the table below whole rows
        // In the table (End), in the chart after Tab; 0 wheel, -1 scroll bar,
        // -2 the same and then the pane 3 px higher.
        QTest::addColumn<int>("key");
        QTest::addRow("End in the table, grouped and expanded") << true << 10 << int(Qt::Key_End);
        QTest::addRow("PageDown with the chart focused") << false << 0 << int(Qt::Key_PageDown);
        QTest::addRow("Down with the chart focused") << false << 0 << int(Qt::Key_Down);
        QTest::addRow("wheel over the chart's viewport") << false << 0 << 0;
        QTest::addRow("fractional-row height, scroll bar at its end") << false << 11 << -1;
        QTest::addRow("scroll bar at its end, then a little higher") << false << 11 << -2;
    }

    void chartStaysLevelWithTable()
    {
        QFETCH(bool, grouped);
        QFETCH(int, spare);
        QFETCH(int, key);
        QList<QByteArray> tasks;
        for (int i = 0; i < 120; ++i)
            tasks << QByteArray::number(1000 + i) + "\t1\tTT_Task\tA" + QByteArray::number(i)
                         + "\tTK_NotStart\t2024-03-01 08:00\t2024-04-01 17:00";
        const QByteArray xer = xertest::header()
            + xertest::table("TASK", "task_id\tproj_id\ttask_type\ttask_code\tstatus_code\t"
                                     "target_start_date\ttarget_end_date", tasks) + "%E\r\n";
        std::unique_ptr<XERLoader> loader = load(xertest::writeFile(m_dir, QStringLiteral("level.xer"), xer));
        QVERIFY(loader);
        Activities pane;
        pane.resize(700, 500); // the table scrolls sideways, as the chart does
        pane.show();
        pane.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&pane));
        handOver(pane, loader.get());
        mygc::GanttChart *chart = pane.ganttChart();
        // Grid lines between weeks: they would reach into any room below the rows.
        chart->setDateLevels({mygc::Week, mygc::Day});
        chart->setBarStyles(chart->barStyles(), true, false, true, mygc::YearFourDigits, mygc::QuarterShort,
                            mygc::MonthNumberPadded, mygc::WeekLong, mygc::DayNumberPadded, {}, {}, {}, {}, {});
        pane.onHeaderSizeChanged(); // as the main window does after a load
        ZGroupedTreeView *tree = pane.treeView();
        if (grouped) {
            pane.setCurrentGrouping(groupingBy({QStringLiteral("Activity Type")}));
            tree->expandAll();
        }
        const int rowHeight = tree->sizeHintForRow(0);
        for (int i = 0; i < 2; ++i) {
            pane.resize(pane.width(), pane.height() + spare - tree->viewport()->height() % rowHeight);
            QCoreApplication::processEvents();
        }
        QCOMPARE(tree->viewport()->height() % rowHeight, spare);

        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(150, rowHeight + 5));
        if (key == Qt::Key_End) {
            QTest::keyClick(tree, Qt::Key_End);
        } else if (key > 0) {
            QTest::keyClick(tree, Qt::Key_Tab);
            QVERIFY(chart->hasFocus());
            QCOMPARE(chart->grab().toImage().pixelColor(0, 100), chart->palette().color(QPalette::Highlight));
            // The current cell's column half scrolled out of view.
            tree->setCurrentIndex(tree->currentIndex().siblingAtColumn(firstVisibleColumn(tree->header())));
            QScrollBar *columns = tree->horizontalScrollBar();
            columns->setValue(columns->maximum());
            for (int i = 0; i < (key == Qt::Key_Down ? 30 : 2); ++i)
                QTest::keyClick(chart, Qt::Key(key));
            QCOMPARE(columns->value(), columns->maximum()); // the table's columns stay put
        } else if (key == 0) {
            QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -360), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(chart->viewport(), &wheel);
        } else {
            tree->verticalScrollBar()->setValue(tree->verticalScrollBar()->maximum());
            if (key == -2) { // less than a row: the table's range stays, the chart's grows
                pane.resize(pane.width(), pane.height() + 3);
                QCoreApplication::processEvents();
            }
        }
        chart->flushPendingRebuild();
        QVERIFY(tree->verticalScrollBar()->value() > 0);

        mygc::ChartArea *area = chart->chartArea();
        const int shown = firstVisibleColumn(tree->header());
        int compared = 0;
        for (int k = 0; k < chart->taskCount(); ++k) {
            const QModelIndex index = chart->tasks().at(k)->index();
            const QRect row = tree->visualRect(index.sibling(index.row(), shown));
            if (tree->viewport()->rect().intersects(row)) {
                QCOMPARE(area->mapToGlobal(QPoint(0, chart->rowAxis()->rowTop(k))).y(),
                         tree->viewport()->mapToGlobal(row.topLeft()).y());
                ++compared;
            }
        }
        QVERIFY(compared >= tree->viewport()->height() / rowHeight);
        // The room below the last row stays blank.
        const int rowsEnd = chart->rowAxis()->totalHeight();
        if (area->height() > rowsEnd) {
            const QImage room = area->grab(QRect(0, rowsEnd, area->width(), area->height() - rowsEnd)).toImage();
            QImage blank(room.size(), room.format());
            blank.fill(room.pixel(0, 0));
            QCOMPARE(room, blank);
        }
        QCOMPARE(QModelIndex(chart->tasks().at(area->selectedRow())->index()),
                 tree->currentIndex().siblingAtColumn(0));
        // A press in the room below the last row keeps the selection.
        const int selected = area->selectedRow();
        QTest::mouseClick(area, Qt::LeftButton, {}, QPoint(20, chart->rowAxis()->totalHeight() + 2));
        QCOMPARE(area->selectedRow(), selected);
    }

    // An activity that started after its planned finish is shown up to its
    // early finish, and the chart draws its bar.
    void startedLateActivityDrawsABar()
    {
        QByteArray xer = xertest::header();
        xer += xertest::table("TASK",
                              "task_id\tproj_id\ttask_type\ttask_code\ttask_name\tstatus_code\tact_start_date"
                              "\ttarget_start_date\ttarget_end_date\tearly_end_date",
                              {"1\t1\tTT_Task\tA1\tLate\tTK_Active\t2024-04-02 08:00\t2024-01-01 08:00"
                               "\t2024-01-10 17:00\t2024-04-12 17:00"});
        xer += "%E\r\n";
        std::unique_ptr<XERLoader> loader = load(xertest::writeFile(m_dir, QStringLiteral("late.xer"), xer));
        QVERIFY(loader);
        Activities pane;
        QVERIFY(showLoaded(pane, loader.get()));
        QCOMPARE(treeText(pane), QStringLiteral("A1 1/1 2024-04-02..2024-04-12"));

        mygc::GanttChart *chart = pane.ganttChart();
        chart->flushPendingRebuild();
        mygc::ChartArea *area = chart->chartArea();
        QCOMPARE(area->items().size(), 1);
        const mygc::ChartTaskItem &item = *area->items().first();
        QVERIFY(item.valid);
        QVERIFY(item.width > 0);
        // The normal bar's body colour shows across the row.
        const QImage image = area->grab().toImage();
        const int x = item.left + item.width / 2;
        const int top = chart->rowAxis()->rowTop(0);
        int body = 0;
        for (int y = top; y < top + chart->rowAxis()->rowHeightAt(0); ++y)
            body += image.pixelColor(x, y) == QColor(150, 50, 50);
        QVERIFY(body > 0);
    }
};

QTEST_MAIN(TestActivities)
#include "tst_activities.moc"
