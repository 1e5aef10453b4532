// Files from anywhere, through the main window: what a load changed is said
// on the status bar, and a WBS nested 200,000 levels deep opens, groups,
// expands (as far as the tree view can lay out), draws and exports (60,000
// levels under AddressSanitizer), and filters.

#include "activities.h"
#include "mainwindow.h"
#include "modalanswerers.h"
#include "modelhelpers.h"
#include "projectloader.h"
#include "qganttchart.h"
#include "xertestfiles.h"
#include "zfilterdialogproxymodel.h"
#include "zgroupedtreeview.h"
#include "zgrouping.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace xertest;

namespace {

const QByteArray TaskFields = "task_id\tproj_id\twbs_id\ttask_type\ttask_code\ttask_name\tstatus_code\t"
                              "target_start_date\ttarget_end_date\tact_start_date\tact_end_date\tcstr_type\tcstr_date\t"
                              "total_float_hr_cnt\tfree_float_hr_cnt\t" + taskShownFields();

QByteArray task(int id, int wbs, const QByteArray &code)
{
    return QByteArray::number(id) + "\t1\t" + QByteArray::number(wbs) + "\tTT_Task\t" + code + "\t" + code
           + "\tTK_NotStart\t2024-01-01 08:00\t2024-01-05 17:00\t\t\t\t\t0\t0" + emptyValues(taskShownFields());
}

// One WBS chain: node i under node i - 1; one activity in the deepest node
// and one in the top node.
QByteArray deepChain(int depth)
{
    QByteArray out = header() + "%T\tPROJWBS\r\n%F\twbs_id\tseq_num\twbs_short_name\twbs_name\tparent_wbs_id\r\n";
    out.reserve(depth * 40);
    for (int i = 1; i <= depth; ++i) {
        const QByteArray n = QByteArray::number(i);
        out += "%R\t" + n + "\t" + n + "\tW" + n + "\tLevel " + n + "\t"
               + (i > 1 ? QByteArray::number(i - 1) : QByteArray()) + "\r\n";
    }
    out += table("TASK", TaskFields, {task(1, depth, "DEEP"), task(2, 1, "TOP")});
    return out + "%E\r\n";
}

// Deep enough that a walk recursing once a level runs out of stack: one
// holding an index a level does so between 30,000 and 50,000 levels, and
// under AddressSanitizer, whose frames are larger, below 30,000. There each
// level costs ten times as long, and the plain run guards the full depth.
#if defined(__SANITIZE_ADDRESS__)
const int ChainDepth = 60000;
#else
const int ChainDepth = 200000;
#endif

ZGrouping wbsGrouping()
{
    ZGrouping wbs;
    wbs.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(), QColor(Qt::white),
                 QBrush(QColor(60, 83, 111)));
    return wbs;
}

bool open(MainWindow &w, const QString &path)
{
    w.openChosenFile(path);
    QElapsedTimer timer;
    timer.start();
    while (w.isLoading() && timer.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    return !w.isLoading() && w.loader();
}

} // namespace

class tst_HostileFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void loadReport_data();
    void loadReport();
    void deepWbs();
    void deepWbsFilter();
    void levelLimit_data();
    void levelLimit();

private:
    QTemporaryDir m_dir;
    UnansweredModals m_unanswered;
};

void tst_HostileFiles::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
}

void tst_HostileFiles::loadReport_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    const QByteArray wbs = table("PROJWBS", "wbs_id\tproj_id\twbs_short_name\twbs_name\tparent_wbs_id",
                                 {"10\t1\tC\tCivil\t"});
    const QByteArray tasks = table("TASK", TaskFields, {task(1, 10, "A1"), task(2, 10, "A2")});
    const QByteArray whole = header() + wbs + tasks + "%E\r\n";
    const QString cut = QStringLiteral("The file ends before its end line (%E): it may have been cut short.");
    QTest::addRow("sound export") << whole << QString();
    // A download cut in the middle of the last record, and one cut at a line
    // end: only the missing end line tells.
    QTest::addRow("cut export") << whole.left(whole.indexOf("A2") + 2)
                                << cut + QStringLiteral(" Loaded with changes: records not matching their field list: TASK 1");
    QTest::addRow("export cut at a line end") << whole.left(whole.indexOf("%E")) << cut;
    QTest::addRow("records after the end line")
            << whole + "%R\t" + task(3, 10, "A3") + "\r\n"
            << QStringLiteral("The file goes on after its end line (%E): the records after it are loaded too.");
    QTest::addRow("two exports put together")
            << whole + whole
            << QStringLiteral("An end line (%E) stands before other lines: the lines after it are left out. "
                              "Loaded with changes: records with an id read before, left out: PROJWBS 1, TASK 2; "
                              "tables repeated, copies: PROJWBS 2, TASK 2");
    QTest::addRow("an activity given another's id")
            << header() + wbs + table("TASK", TaskFields, {task(1, 10, "A1"), task(1, 10, "A2")}) + "%E\r\n"
            << QStringLiteral("Loaded with changes: records with an id read before, left out: TASK 1");
    QTest::addRow("a record's marker changed")
            << header() + wbs + table("TASK", TaskFields, {task(1, 10, "A1")}) + "%X\t" + task(2, 10, "A2")
                       + "\r\n%E\r\n"
            << QStringLiteral("Loaded with changes: lines not understood, left out: TASK 1");
    QTest::addRow("the activity table's line changed")
            << header() + wbs + "%X\tTASK" + tasks.mid(tasks.indexOf("\r\n")) + "%E\r\n"
            << QStringLiteral("None of the file's activities could be read. "
                              "Loaded with changes: lines not understood, left out: \"%X TASK\" 4");
    QTest::addRow("the activity table's line in lower case, its key renamed")
            << header() + wbs + "%t\tTask" + tasks.mid(tasks.indexOf("\r\n")).replace("task_id", "id") + "%E\r\n"
            << QStringLiteral("None of the file's activities could be read. "
                              "Loaded with changes: tables read from a line written otherwise: \"%t Task\"; "
                              "needed fields missing: TASK (task_id); records without an id, left out: TASK 2");
    QTest::addRow("the activity table's project id written as its key")
            << header() + wbs + QByteArray(tasks).replace("task_id\tproj_id", "task_id\ttask_id") + "%E\r\n"
            << QStringLiteral("Loaded with changes: needed fields missing: TASK (proj_id); "
                              "fields named twice, the first read: TASK (task_id)");
    QTest::addRow("bad ids and lags")
            << header() + wbs + table("TASK", TaskFields, {task(1, 10, "A1"), "7.5\t1\t10\tTT_Task\tA2"})
                       + table("TASKPRED", "task_pred_id\ttask_id\tpred_task_id\tpred_type\tlag_hr_cnt",
                               {"1\t1\t1\tPR_FS\tinf"})
                       + "%E\r\n"
            << QStringLiteral("Loaded with changes: records without an id, left out: TASK 1; "
                              "lags not read, taken as no lag: 1");
    QTest::addRow("no activity's id read")
            << header() + wbs + table("TASK", TaskFields, {"abc" + task(1, 10, "A1").mid(1), "abc" + task(2, 10, "A2").mid(1)})
                       + "%E\r\n"
            << QStringLiteral("None of the file's activities could be read. "
                              "Loaded with changes: records without an id, left out: TASK 2");
}

void tst_HostileFiles::loadReport()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    const QString path = writeFile(m_dir, QStringLiteral("report.xer"), content);
    // Opened after a file with a report of its own: that report goes.
    const QByteArray wbs = table("PROJWBS", "wbs_id\tproj_id\twbs_name\tparent_wbs_id", {"10\t1\tCivil\t"});
    const QString before = writeFile(m_dir, QStringLiteral("before.xer"), header() + wbs + wbs + "%E\r\n");
    MainWindow w;
    w.show();
    auto *report = w.statusBar()->findChild<QLabel *>(QStringLiteral("loadReport"));
    QVERIFY(open(w, before));
    QVERIFY(!report->text().isEmpty());
    QVERIFY(open(w, path));
    QCOMPARE(report->text(), message);
    QCOMPARE(w.loader()->loadReport(), message);
    // An export's message and a menu's status tip (which clears messages)
    // pass over it; it stays.
    QVERIFY(w.saveViewData(w.activitiesPane()->treeView(), m_dir.filePath(QStringLiteral("report.csv"))));
    // What was left out is no row of blanks in the export either.
    QFile csv(m_dir.filePath(QStringLiteral("report.csv")));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    for (const QByteArray &line : csv.readAll().split('\n'))
        QVERIFY2(line.isEmpty() || !line.trimmed().replace(';', "").isEmpty(), line.constData());
    QStatusTipEvent tip{QString()};
    QCoreApplication::sendEvent(w.menuBar(), &tip);
    QVERIFY(report->isVisible());
    QCOMPARE(report->text(), message);
    // Closing clears it.
    w.findChild<QAction *>(QStringLiteral("actionClose"))->trigger();
    QCOMPARE(report->text(), QString());
}

void tst_HostileFiles::deepWbs()
{
    const int depth = ChainDepth;
    const QString path = writeFile(m_dir, QStringLiteral("deep.xer"), deepChain(depth));
    MainWindow w;
    w.resize(1200, 800);
    w.show();
    QVERIFY(open(w, path));
    Activities *pane = w.activitiesPane();
    QCOMPARE(w.loader()->model(QStringLiteral("PROJWBS"))->rowCount(), depth);

    pane->setCurrentGrouping(wbsGrouping());
    pane->ganttChart()->flushPendingRebuild();
    auto *tree = qobject_cast<ZGroupedTreeView *>(pane->findChild<ZGroupedTreeView *>());
    QVERIFY(tree);
    QAbstractItemModel *model = tree->model();
    QCOMPARE(model->rowCount(), 1); // the top WBS node

    // Expand All stops 1,000 levels below the top and says so.
    w.findChild<QAction *>(QStringLiteral("actionExpand_All"))->trigger();
    pane->ganttChart()->flushPendingRebuild();
    QVERIFY2(w.statusBar()->currentMessage().contains(QLatin1String("1000 levels")),
             qPrintable(w.statusBar()->currentMessage()));
    QModelIndex index = model->index(0, 0);
    for (int level = 0; level < MaxExpandedLevels; ++level) {
        QVERIFY2(tree->isExpanded(index), qPrintable(QString::number(level)));
        // The next band: the child with children of its own ("TOP" sits
        // beside it at the top).
        QModelIndex next;
        for (int r = 0; r < model->rowCount(index) && !next.isValid(); ++r) {
            if (model->hasChildren(model->index(r, 0, index)))
                next = model->index(r, 0, index);
        }
        index = next;
    }
    QCOMPARE(levelFromIndex(index), MaxExpandedLevels);
    QVERIFY(!tree->isExpanded(index));
    QVERIFY(model->hasChildren(index));

    // The chart shows the rows the tree shows, one for one.
    const int shown = tree->visibleItems(QModelIndex()).size();
    QCOMPARE(shown, MaxExpandedLevels + 2); // the bands down to the limit and TOP
    QCOMPARE(pane->ganttChart()->taskCount(), shown);
    QVERIFY(!w.grab().isNull());

    // File, Export writes every row, down to the end of the chain; the
    // indent stops growing at 1000 blanks.
    const QString csv = m_dir.filePath(QStringLiteral("deep.csv"));
    QVERIFY(w.saveViewData(tree, csv));
    QFile written(csv);
    QVERIFY(written.open(QIODevice::ReadOnly));
    int lines = 0;
    QByteArray last;
    while (!written.atEnd()) {
        last = written.readLine();
        ++lines;
    }
    QCOMPARE(lines, 1 + depth + 2); // the header, the bands, the two activities
    QVERIFY(last.startsWith(QByteArray(1000, ' ') + "DEEP;"));

    // Going to the deepest activity makes it current without expanding its
    // ancestors.
    pane->gotoTask(1);
    QCOMPARE(tree->currentIndex().sibling(tree->currentIndex().row(), 0).isValid(), true);
    QCOMPARE(levelFromIndex(tree->currentIndex()), depth);

    // Collapsing and a small expand still work.
    w.findChild<QAction *>(QStringLiteral("actionCollapse_All"))->trigger();
    pane->ganttChart()->flushPendingRebuild();
    QCOMPARE(pane->ganttChart()->taskCount(), 1);
    w.findChild<QAction *>(QStringLiteral("actionLevel_3"))->trigger();
    pane->ganttChart()->flushPendingRebuild();
    QCOMPARE(pane->ganttChart()->taskCount(), tree->visibleItems(QModelIndex()).size());
}

void tst_HostileFiles::deepWbsFilter()
{
    // The value-list filter looks through each band's subtree; the answers
    // it keeps make the whole chain one walk, so its full depth filters.
    const int depth = 200000;
    const QString path = writeFile(m_dir, QStringLiteral("deepfilter.xer"), deepChain(depth));
    MainWindow w;
    w.show();
    QVERIFY(open(w, path));
    Activities *pane = w.activitiesPane();
    pane->setCurrentGrouping(wbsGrouping());
    auto *filter = pane->findChild<ZFilterDialogProxyModel *>();
    QVERIFY(filter);
    const int codeColumn = columnIndex(filter, QStringLiteral("Activity ID"));
    filter->setFilter(codeColumn, {QStringLiteral("DEEP")});
    pane->ganttChart()->flushPendingRebuild();
    // The chain stays, for the one activity at its end; "TOP" goes.
    QCOMPARE(filter->rowCount(), 1);
    QCOMPARE(filter->rowCount(filter->index(0, 0)), 1);
    w.findChild<QAction *>(QStringLiteral("actionExpand_All"))->trigger();
    pane->ganttChart()->flushPendingRebuild();
    QCOMPARE(pane->ganttChart()->taskCount(), MaxExpandedLevels + 1);
}

void tst_HostileFiles::levelLimit_data()
{
    QTest::addColumn<int>("depth"); // the tree level of the deep activity
    QTest::addColumn<bool>("shown");
    QTest::addRow("at the limit") << MaxExpandedLevels << true;
    QTest::addRow("a level below it") << MaxExpandedLevels + 1 << false;
}

// Rows are sought, opened to and expanded down to the level Expand All
// stops at, and no further.
void tst_HostileFiles::levelLimit()
{
    QFETCH(int, depth);
    QFETCH(bool, shown);
    MainWindow w;
    w.show();
    QVERIFY(open(w, writeFile(m_dir, QStringLiteral("limit.xer"), deepChain(depth))));
    Activities *pane = w.activitiesPane();
    ZGroupedTreeView *tree = pane->treeView();
    QCOMPARE(tree->currentIndex().row(), 0); // the deep activity, ungrouped
    pane->setCurrentGrouping(wbsGrouping());
    QCOMPARE(levelFromIndex(tree->currentIndex()) == depth, shown);
    pane->gotoTask(1);
    QCOMPARE(levelFromIndex(tree->currentIndex()), depth);
    const QModelIndex band = tree->currentIndex().parent();
    QCOMPARE(tree->isExpanded(band), shown);
    tree->collapse(band);
    tree->setCurrentIndex(band);
    QTest::keyClick(tree, Qt::Key_Asterisk);
    QCOMPARE(tree->isExpanded(band), shown);
}

QTEST_MAIN(tst_HostileFiles)
#include "tst_hostilefiles.moc"
