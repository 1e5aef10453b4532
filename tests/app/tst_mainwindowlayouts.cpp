#include "activities.h"
#include "mainwindow.h"
#include "modalanswerers.h"
#include "modelhelpers.h"
#include "qganttchart.h"
#include "qgcdateaxis.h"
#include "chartarea.h"
#include "xertestfiles.h"
#include "zcolorcombo.h"
#include "zcolorwidget.h"
#include "zganttchartstylesdialog.h"
#include "zgroupedtreeview.h"
#include "zgrouping.h"
#include "zsortfilterheader.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCheckBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QTimer>
#include <QTreeView>
#include <QElapsedTimer>
#include <QtTest>

#include <functional>

namespace {

QString node(const QString &name, const QStringList &attributes = {},
             const QString &children = QString())
{
    return QStringLiteral("(0||%1(%2)(%3))")
        .arg(name, attributes.join(QLatin1Char('|')), children);
}

// A P6 layout: the given column fields and widths, WBS grouping, a
// descending sort on the activity code.
QString viewData(const QList<QPair<QString, int>> &columns)
{
    QString cols;
    for (const auto &c : columns)
        cols += node(c.first, {QStringLiteral("width"), QString::number(c.second)});
    const QString group = node(QStringLiteral("GroupBys"), {},
                               node(QStringLiteral("Item1"), {QStringLiteral("join_path"),
                                                              QStringLiteral("PROJWBS")}));
    const QString sort = node(QStringLiteral("SortBys"), {},
                              node(QStringLiteral("Item1"),
                                   {QStringLiteral("source_field"), QStringLiteral("task_code"),
                                    QStringLiteral("sort_type"), QStringLiteral("DESC")}));
    return node(QStringLiteral("Root"), {},
                node(QStringLiteral("TaskView"), {},
                     node(QStringLiteral("Columns"), {}, cols)
                         + node(QStringLiteral("GroupSortBy"), {}, group + sort)));
}

QByteArray exportWithLayouts()
{
    using namespace xertest;
    QByteArray out = header();
    out += table("PROJWBS",
                 "wbs_id\tproj_id\tseq_num\tproj_node_flag\twbs_short_name\twbs_name\tparent_wbs_id",
                 {"100\t1\t0\tY\tPRJ\tProject\t", "101\t1\t1\tN\tDS\tDesign\t100"});
    out += table("TASK",
                 "task_id\tproj_id\twbs_id\ttask_type\tstatus_code\ttask_code\ttask_name"
                 "\ttarget_drtn_hr_cnt\tearly_start_date\tearly_end_date"
                 "\ttarget_start_date\ttarget_end_date",
                 {"1000\t1\t101\tTT_Task\tTK_NotStart\tA1000\tSurvey\t16\t2021-03-08 09:00"
                  "\t2021-03-09 17:00\t2021-03-08 09:00\t2021-03-09 17:00",
                  "1010\t1\t101\tTT_Task\tTK_NotStart\tA1010\tDesign\t24\t2021-03-10 09:00"
                  "\t2021-03-12 17:00\t2021-03-10 09:00\t2021-03-12 17:00"});
    out += table("TASKPRED",
                 "task_pred_id\ttask_id\tpred_task_id\tproj_id\tpred_proj_id\tpred_type\tlag_hr_cnt",
                 {"5000\t1010\t1000\t1\t1\tPR_FS\t0"});
    const QByteArray classic =
        viewData({{QStringLiteral("task_code"), 120}, {QStringLiteral("task_name"), 260}}).toUtf8();
    const QByteArray odd = viewData({{QStringLiteral("udf_nothing"), 50}}).toUtf8();
    out += table("VIEWPROP", "view_id\tview_name\tdata_pos",
                 {"7\tClassic\t" + classic, "8\tOdd\t" + odd, "9\tBroken\t(0||A("});
    out += "%E\r\n";
    return out;
}

// Runs a function on the next modal widget of type T, then accepts or
// rejects it.
template<class T>
void answerModal(QObject *context, std::function<void(T *)> work, bool accept, bool *done)
{
    QTimer::singleShot(0, context, [=] {
        if (auto *w = qobject_cast<T *>(QApplication::activeModalWidget())) {
            work(w);
            if (accept)
                static_cast<QDialog *>(w)->accept(); // public there
            else
                static_cast<QDialog *>(w)->reject();
            *done = true;
            return;
        }
        answerModal<T>(context, work, accept, done);
    });
}

QStringList layoutEntries(MainWindow &w)
{
    QStringList out;
    const QList<QAction *> actions = w.findChild<QMenu *>(QStringLiteral("menuLayout"))->actions();
    for (int i = 2; i < actions.size(); ++i)
        out << actions.at(i)->text() + (actions.at(i)->isChecked() ? QStringLiteral("*") : QString());
    return out;
}

QAction *layoutEntry(MainWindow &w, const QString &text)
{
    for (QAction *a : w.findChild<QMenu *>(QStringLiteral("menuLayout"))->actions()) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

int pixelsOf(const QImage &image, const QColor &color)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == color;
    }
    return n;
}

} // namespace

// The main window's P6 layouts, ".plf" import and bar styles command over a
// small export of its own.
class tst_MainWindowLayouts : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void layoutsOfTheExport();
    void importPlf();
    void barStylesEdit();

private:
    bool open(MainWindow &w);
    QTemporaryDir m_dir;
    QString m_path;
    UnansweredModals m_unanswered;
};

void tst_MainWindowLayouts::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    m_path = xertest::writeFile(m_dir, QStringLiteral("layouts.xer"), exportWithLayouts());
    QVERIFY(!m_path.isEmpty());
}

bool tst_MainWindowLayouts::open(MainWindow &w)
{
    w.resize(1200, 700);
    w.show();
    w.openChosenFile(m_path);
    QElapsedTimer timer;
    timer.start();
    while (w.isLoading() && timer.elapsed() < 30000)
        QTest::qWait(10);
    QCoreApplication::sendPostedEvents();
    return !w.isLoading() && w.loader();
}

void tst_MainWindowLayouts::layoutsOfTheExport()
{
    MainWindow w;
    QCOMPARE(layoutEntries(w), QStringList({QStringLiteral("layouts not found")}));
    QVERIFY(open(w));
    QCOMPARE(layoutEntries(w), QStringList({QStringLiteral("[P6] Classic"), QStringLiteral("[P6] Odd"),
                                            QStringLiteral("layouts not found")}));
    QCOMPARE(w.p6Layouts().size(), 2);
    QCOMPARE(w.p6Layouts().first().id, 7);

    mygc::GanttChart *chart = w.activitiesPane()->ganttChart();
    const QList<ZGanttViewBarStyle> styles = chart->barStyles();
    QCOMPARE(styles.size(), 6);
    QTreeView *tree = w.activitiesPane()->treeView();

    layoutEntry(w, QStringLiteral("[P6] Classic"))->trigger();
    QCOMPARE(visibleColumns(tree->header()),
             QStringList({QStringLiteral("Activity ID"), QStringLiteral("Activity Name")}));
    QCOMPARE(tree->header()->sectionSize(columnIndex(tree->model(), QStringLiteral("Activity Name"))), 260);
    auto *header = qobject_cast<ZSortFilterHeader *>(tree->header());
    QCOMPARE(tree->model()->headerData(header->sortColumn(), Qt::Horizontal).toString(),
             QStringLiteral("Activity ID"));
    QCOMPARE(header->sortOrder(), Qt::DescendingOrder);
    // The WBS grouping applies, and the chart keeps its bars.
    const ZGrouping grouping = w.activitiesPane()->currentGrouping();
    QCOMPARE(grouping.size(true), 1);
    QCOMPARE(grouping.group(0).field, QStringLiteral("WBS Code"));
    QCOMPARE(chart->barStyles(), styles);
    QCOMPARE(layoutEntries(w), QStringList({QStringLiteral("[P6] Classic*"), QStringLiteral("[P6] Odd"),
                                            QStringLiteral("layouts not found")}));
    // Under the grouping the ID column gains room for the indentation; a
    // layout keeps the width it gave, and applying it again adds nothing.
    auto *grouped = qobject_cast<ZGroupedTreeView *>(tree);
    const int idColumn = columnIndex(tree->model(), QStringLiteral("Activity ID"));
    // Neither saving nor applying takes the room away for longer than it
    // takes to write or read the width.
    QString saved;
    tree->expandAll();
    for (int round = 0; round < 3; ++round) {
        if (round == 1)
            saved = w.layoutToJson();
        if (round == 2)
            w.applyLayout(saved);
        QCoreApplication::sendPostedEvents();
        QVERIFY(grouped->treeColumnGrowth() > 0);
        QCOMPARE(tree->header()->sectionSize(idColumn), 120 + grouped->treeColumnGrowth());
    }
    QVERIFY(saved.contains(QStringLiteral("\"Activity ID:120\"")));

    // No caption of this layout names a column: the columns stay.
    layoutEntry(w, QStringLiteral("[P6] Odd"))->trigger();
    QCOMPARE(visibleColumns(tree->header()),
             QStringList({QStringLiteral("Activity ID"), QStringLiteral("Activity Name")}));
    QCOMPARE(chart->barStyles(), styles);
    QCOMPARE(layoutEntries(w), QStringList({QStringLiteral("[P6] Classic"), QStringLiteral("[P6] Odd*"),
                                            QStringLiteral("layouts not found")}));
}

void tst_MainWindowLayouts::importPlf()
{
    MainWindow w;
    QVERIFY(open(w));
    const QString plf = xertest::writeFile(
        m_dir, QStringLiteral("mine.plf"),
        viewData({{QStringLiteral("task_name"), 200}}).toUtf8() + QByteArray(1, '\0') + "tail");
    QAction *import = w.findChild<QAction *>(QStringLiteral("actionImportLayout"));
    QVERIFY(import && !import->isVisible()); // hidden, still wired
    bool done = false;
    QString caption;
    answerModal<QFileDialog>(
        &w,
        [&](QFileDialog *dialog) {
            caption = dialog->windowTitle();
            dialog->selectFile(plf);
        },
        true, &done);
    import->trigger();
    QVERIFY(done);
    QCOMPARE(caption, QStringLiteral("Select files to open"));
    QCOMPARE(layoutEntries(w), QStringList({QStringLiteral("[P6] ") + plf,
                                            QStringLiteral("layouts not found")}));
    layoutEntry(w, QStringLiteral("[P6] ") + plf)->trigger();
    QCOMPARE(visibleColumns(w.activitiesPane()->treeView()->header()),
             QStringList({QStringLiteral("Activity Name")}));

    // An unreadable file gives no layout.
    w.openPlfLayout(m_dir.filePath(QStringLiteral("missing.plf")));
    QCOMPARE(layoutEntries(w), QStringList({QStringLiteral("layouts not found")}));
}

void tst_MainWindowLayouts::barStylesEdit()
{
    MainWindow w;
    QVERIFY(open(w));
    mygc::GanttChart *chart = w.activitiesPane()->ganttChart();
    chart->flushPendingRebuild();
    const QColor taskBlue(QStringLiteral("#0068b6"));
    QTRY_VERIFY(pixelsOf(chart->chartArea()->grab().toImage(), taskBlue) > 0);
    QCOMPARE(chart->dateAxis()->caption(mygc::Day, QDateTime(QDate(2021, 3, 8), QTime())),
             QStringLiteral("08"));

    bool done = false;
    QStringList dates, texts;
    bool links = false, vertical = true, alternating = true;
    QMap<ZTimeLineFlags, int> formats;
    answerModal<ZGanttChartStylesDialog>(
        &w,
        [&](ZGanttChartStylesDialog *dialog) {
            formats = dialog->dateFormats();
            links = dialog->isLinksVisible();
            vertical = dialog->veticalLines();
            alternating = dialog->alternatingRowColors();
            auto *right = dialog->textCombo(ZGanttViewBarStyle::TextRight);
            for (int i = 0; i < right->count(); ++i)
                texts << right->itemText(i);
            // The Task style (row 0, current) gets a red bar.
            auto *color = dialog->findChild<ZColorCombo *>(QStringLiteral("cmbBodyColor"));
            QTest::mouseRelease(color, Qt::LeftButton);
            color->popup()->grab();
            QTest::mouseRelease(color->popup(), Qt::LeftButton, Qt::NoModifier,
                                color->popup()->cellRect(17).center());
            right->setCurrentText(QStringLiteral("Activity Name"));
            dialog->findChild<QComboBox *>(QStringLiteral("cmbDay"))->setCurrentIndex(4);
            dialog->findChild<QComboBox *>(QStringLiteral("cmbMonth"))->setCurrentIndex(3);
            dialog->findChild<QCheckBox *>(QStringLiteral("chkShowAlternating"))->setChecked(true);
        },
        true, &done);
    w.findChild<QAction *>(QStringLiteral("actionStyles"))->trigger();
    QVERIFY(done);

    // What the dialog was given: the defaults of the layout.
    QCOMPARE(formats.keys(), QList<ZTimeLineFlags>({TimeLineDay, TimeLineWeek, TimeLineMonth,
                                                    TimeLineQuarter, TimeLineYear}));
    QCOMPARE(formats.values(), QList<int>({1, 1, 1, 0, 0}));
    QVERIFY(links && !vertical && !alternating);
    QCOMPARE(texts.first(), QStringLiteral("[Right]"));
    QVERIFY(texts.contains(QStringLiteral("Activity Name")));
    for (const char *system : {"ID", "parentID", "Group"})
        QVERIFY(!texts.contains(QString::fromLatin1(system)));

    // What the chart shows now.
    QCOMPARE(chart->barStyles().first().bodyColor, QColor(Qt::red));
    QCOMPARE(chart->barStyles().first().displayColumns.value(2), QStringLiteral("Activity Name"));
    QVERIFY(chart->alternatingRowColors());
    QCOMPARE(chart->dayFormat(), mygc::DayWeekdayLetter);
    QCOMPARE(chart->dateAxis()->caption(mygc::Day, QDateTime(QDate(2021, 3, 8), QTime())),
             QStringLiteral("M"));
    QCOMPARE(chart->dateAxis()->caption(mygc::Month, QDateTime(QDate(2021, 3, 1), QTime())),
             QStringLiteral("March"));
    chart->flushPendingRebuild();
    QTRY_VERIFY(pixelsOf(chart->chartArea()->grab().toImage(), QColor(Qt::red)) > 0);
    QCOMPARE(pixelsOf(chart->chartArea()->grab().toImage(), taskBlue), 0);
}

QTEST_MAIN(tst_MainWindowLayouts)
#include "tst_mainwindowlayouts.moc"
