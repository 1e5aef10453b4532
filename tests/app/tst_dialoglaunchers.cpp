#include "activities.h"
#include "activitydetails.h"
#include "chartarea.h"
#include "imagelimit.h"
#include "mainwindow.h"
#include "modalanswerers.h"
#include "modelhelpers.h"
#include "ownallocationfailure.h"
#include "pdfpages.h"
#include "qganttchart.h"
#include "qgcvaxis.h"
#include "quitsignals.h"
#include "resources.h"
#include "workprogress.h"
#include "xertestfiles.h"
#include "zcolorcombo.h"
#include "zcolorwidget.h"
#include "zgroupdialog.h"
#include "zgroupdialogdelegate.h"
#include "zgroupedtreeview.h"
#include "zfilterdialogpopup.h"
#include "zfilterdialogproxymodel.h"
#include "zgrouping.h"
#include "zpageselectorbutton.h"
#include "zprintdialog.h"
#include "zprinters.h"
#include "zprintpreviewscene.h"
#include "zsnipdialog.h"
#include "zstylecombo.h"
#include "zstylewidget.h"

#include <QAction>
#include <QCloseEvent>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QStackedWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QWidgetAction>
#include <QtTest>
#include <qtestspontaneevent.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>

namespace {

// One installed printer that writes a PDF file.
class PdfPrinters : public ZPrinters
{
public:
    // Asked while the dialog is built, that is while the pages are prepared.
    QStringList printerNames() const override
    {
        const QCursor *cursor = QApplication::overrideCursor();
        whilePreparing = QStringLiteral("cursor %1, menu %2")
                             .arg(cursor ? int(cursor->shape()) : -1)
                             .arg(QApplication::activePopupWidget() ? "open" : "closed");
        return {QStringLiteral("Stand-in")};
    }
    QString defaultPrinterName() const override { return QStringLiteral("Stand-in"); }
    std::unique_ptr<QPrinter> createPrinter(const QString &) const override
    {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(output);
        return printer;
    }
    QString output;
    mutable QString whilePreparing;
};

// The heap's releases (WindowMemory::releaseFreed), each noted with the
// snip and print dialogs then left and the message then answered.
QStringList g_releases;
const BoxAnswerer *g_box = nullptr;

} // namespace

extern "C" int malloc_trim(size_t pad)
{
    if (QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread()) {
        // The note is the test's, not the work under an injected failure.
        const bool armed = ownallocationfailure::armed.exchange(false);
        const auto rearm = qScopeGuard([armed] { ownallocationfailure::armed = armed; });
        int dialogs = 0;
        for (QWidget *widget : QApplication::topLevelWidgets())
            dialogs += qobject_cast<ZSnipDialog *>(widget) || qobject_cast<ZPrintDialog *>(widget) ? 1 : 0;
        g_releases << QStringLiteral("dialogs %1, message '%2'").arg(dialogs).arg(g_box ? g_box->text : QString());
    }
    using Trim = int (*)(size_t);
    static const auto real = reinterpret_cast<Trim>(dlsym(RTLD_NEXT, "malloc_trim"));
    return real ? real(pad) : 0;
}

namespace {

// What the window shows while the chart paints its picture (its signals
// held): the cursor and whether a menu is open.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(mygc::GanttChart *chart) : m_chart(chart) {}
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_chart->signalsBlocked()) {
            const QCursor *cursor = QApplication::overrideCursor();
            lastPaint = QStringLiteral("cursor %1, menu %2")
                            .arg(cursor ? int(cursor->shape()) : -1)
                            .arg(QApplication::activePopupWidget() ? "open" : "closed");
        }
        return false;
    }
    QString lastPaint;

private:
    mygc::GanttChart *m_chart;
};

// A project of 40 activities under two WBS nodes, coded by phase; with
// longRun, one more activity runs for 50 years and 200 more short ones
// follow (by days, over 3,000,000 cells); tall more one-day ones follow.
QByteArray project(bool longRun, int tall = 0)
{
    using xertest::table;
    QByteArray xer = xertest::header();
    xer += table("PROJWBS", "wbs_id\tseq_num\twbs_short_name\twbs_name\tparent_wbs_id",
                 {"1\t1\tP\tProject\t", "2\t2\tP.D\tDesign\t1", "3\t3\tP.B\tBuild\t1"});
    QList<QByteArray> tasks;
    QList<QByteArray> codes;
    for (int i = 0; i < 40; ++i) {
        const QByteArray id = QByteArray::number(100 + i);
        const QByteArray day = QByteArray::number(1 + i % 28).rightJustified(2, '0');
        tasks << id + "\t1\t" + (i < 20 ? "2" : "3") + "\tTT_Task\tA" + id + "\tTask " + id
                + "\tTK_NotStart\t2024-03-" + day + " 08:00\t2024-04-" + day + " 17:00";
        codes << id + "\t7\t" + (i % 2 ? "11" : "12") + "\t1";
    }
    if (longRun) {
        tasks << "900\t1\t3\tTT_Task\tA900\tLong run\tTK_NotStart\t1990-01-03 08:00\t2040-01-03 17:00";
        for (int i = 0; i < 200; ++i) {
            const QByteArray id = QByteArray::number(1000 + i);
            tasks << id + "\t1\t3\tTT_Task\tA" + id + "\tShort " + id
                    + "\tTK_NotStart\t2024-05-02 08:00\t2024-05-03 17:00";
        }
    }
    for (int i = 0; i < tall; ++i) {
        const QByteArray id = QByteArray::number(10000 + i);
        tasks << id + "\t1\t3\tTT_Task\tA" + id + "\tDay " + id
                + "\tTK_NotStart\t2024-05-02 08:00\t2024-05-02 17:00";
    }
    xer += table("TASK",
                 "task_id\tproj_id\twbs_id\ttask_type\ttask_code\ttask_name\tstatus_code"
                 "\ttarget_start_date\ttarget_end_date",
                 tasks);
    xer += table("ACTVTYPE", "actv_code_type_id\tactv_code_type\tactv_code_type_scope",
                 {"7\tPhase\tAS_Project"});
    xer += table("ACTVCODE",
                 "actv_code_id\tactv_code_type_id\tshort_name\tparent_actv_code_id\tactv_code_name",
                 {"11\t7\tP1\t\tPhase One", "12\t7\tP2\t\tPhase Two"});
    xer += table("TASKACTV", "task_id\tactv_code_type_id\tactv_code_id\tproj_id", codes);
    xer += "%E\r\n";
    return xer;
}

// Sets a Group By or Rule cell as the delegate's combo box would.
void chooseInCell(ZGroupDialog *dialog, int row, int column, const QString &text)
{
    QTableWidget *table = dialog->table();
    const QModelIndex index = table->model()->index(row, column);
    std::unique_ptr<QWidget> editor(
        dialog->delegate()->createEditor(table->viewport(), QStyleOptionViewItem(), index));
    auto *combo = qobject_cast<QComboBox *>(editor.get());
    QVERIFY(combo);
    dialog->delegate()->setEditorData(combo, index);
    combo->setCurrentText(text);
    QCOMPARE(combo->currentText(), text);
    dialog->delegate()->setModelData(combo, table->model(), index);
}

} // namespace

// The Group, Snip, Print and About commands of a window with a loaded
// project, each dialog answered as a user would.
class tst_DialogLaunchers : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void groupByCodeThenWbs();
    void cancelKeepsGrouping();
    void okKeepsThePlace_data();
    void okKeepsThePlace();
    void outlineKeepsTheCurrentRow_data();
    void outlineKeepsTheCurrentRow();
    void snipToPngAndClipboard();
    void printGroupedLandscape();
    void refusals_data();
    void refusals();
    void cancelledWork_data();
    void cancelledWork();
    void endsOnSignals_data();
    void endsOnSignals();
    void snipOfRowsUnderAPixel();
    void aboutBox();
    void commandsByKeys_data();
    void commandsByKeys();

private:
    void open(const QString &file);
    void setTimeScale(const QString &action);
    // Band texts of the tree, depth-first, indented by depth.
    QString bands() const;

    QTemporaryDir m_dir;
    QString m_file;
    QString m_longFile;
    QString m_tallFile;
    std::unique_ptr<MainWindow> m_window;
    UnansweredModals m_unanswered;
    Activities *m_pane = nullptr;
};

void tst_DialogLaunchers::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.5.0"));
    m_file = xertest::writeFile(m_dir, QStringLiteral("coded.xer"), project(false));
    m_longFile = xertest::writeFile(m_dir, QStringLiteral("long.xer"), project(true));
    // 19,999 rows: only with the date axis above them too tall for rows of a pixel.
    m_tallFile = xertest::writeFile(m_dir, QStringLiteral("tall.xer"), project(false, 19959));
}

void tst_DialogLaunchers::init()
{
    m_window = std::make_unique<MainWindow>();
    m_window->resize(1200, 800);
    m_window->show();
}

void tst_DialogLaunchers::cleanup()
{
    ZPrinters::install(nullptr);
    m_window.reset();
}

void tst_DialogLaunchers::open(const QString &file)
{
    m_window->openXerFile(file);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isLoading(), 30000);
    m_pane = m_window->activitiesPane();
}

void tst_DialogLaunchers::setTimeScale(const QString &name)
{
    for (const char *scale : {"actionYear", "actionQuarter", "actionMonth", "actionWeek", "actionDay"}) {
        auto *action = m_window->findChild<QAction *>(QString::fromLatin1(scale));
        QVERIFY(action);
        if (action->isChecked() != (name == QLatin1String(scale)))
            action->trigger();
    }
    m_pane->ganttChart()->flushPendingRebuild();
}

QString tst_DialogLaunchers::bands() const
{
    const QAbstractItemModel *model = m_pane->filterModel();
    const int group = columnIndex(model, QStringLiteral("Group"));
    QStringList lines;
    std::function<void(const QModelIndex &, int)> walk = [&](const QModelIndex &parent, int depth) {
        for (int r = 0; r < model->rowCount(parent); ++r) {
            const QModelIndex row = model->index(r, 0, parent);
            if (model->rowCount(row) == 0)
                continue;
            lines << QString(depth, QLatin1Char(' ')) + model->index(r, group, parent).data().toString();
            walk(row, depth + 1);
        }
    };
    walk(QModelIndex(), 0);
    return lines.join(QLatin1Char('|'));
}

void tst_DialogLaunchers::groupByCodeThenWbs()
{
    open(m_file);
    const QColor background(0, 128, 128); // "Teal" in the palette
    const QColor text(255, 255, 0);       // "Yellow"
    WidgetAnswerer<ZGroupDialog> answer;
    answer.arm([&](ZGroupDialog *dialog) {
        const QStringList fields = dialog->columns();
        QCOMPARE(fields.first(), QString());
        for (const char *system : {"ID", "parentID", "Group"})
            QVERIFY(!fields.contains(QString::fromLatin1(system)));
        QVERIFY(fields.contains(QStringLiteral("Phase")));

        chooseInCell(dialog, 0, 0, QStringLiteral("Phase"));
        chooseInCell(dialog, 1, 0, QStringLiteral("WBS Name"));
        QTableWidget *table = dialog->table();
        // A structured field starts at "All" and offers the level rules.
        QCOMPARE(table->model()->index(1, 1).data().toString(), QStringLiteral("All"));
        QCOMPARE(dialog->delegate()->ruleFromColumn(QStringLiteral("WBS Name")).size(), 11);
        chooseInCell(dialog, 1, 1, QStringLiteral("To level 2"));

        // The Format editor opens under the mouse; its pop-up sets the level's
        // colours and bold, and "Ok" writes them into the cell.
        const QPoint cell = table->visualRect(table->model()->index(0, 2)).center();
        QMouseEvent move(QEvent::MouseMove, cell, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(table->viewport(), &move);
        auto *combo = qobject_cast<ZStyleCombo *>(table->indexWidget(table->model()->index(0, 2)));
        QVERIFY(combo);
        ZStyleWidget *popup = combo->popup();
        popup->backgroundGrid()->setColor(background);
        QCOMPARE(popup->backgroundGrid()->color(), background);
        popup->textColorCombo()->setColor(text);
        popup->boldButton()->setChecked(true);
        popup->okButton()->click();
        QCOMPARE(table->model()->index(0, 2).data(Qt::BackgroundRole).value<QBrush>().color(), background);
        QCOMPARE(dialog->selection(),
                 QStringList({QStringLiteral("Phase;"), QStringLiteral("WBS Name;To level 2")}));
        dialog->accept();
    });
    m_window->findChild<QAction *>(QStringLiteral("actionGroup"))->trigger();
    QVERIFY(answer.answered);

    const ZGrouping grouping = m_pane->currentGrouping();
    QCOMPARE(grouping.size(false), 10);
    QCOMPARE(grouping.size(true), 2);
    QCOMPARE(grouping.group(0).field, QStringLiteral("Phase"));
    QCOMPARE(grouping.group(0).brush.color(), background);
    QCOMPARE(grouping.group(0).color, text);
    QCOMPARE(grouping.group(0).font.weight(), int(QFont::Bold));
    QCOMPARE(grouping.group(1).title, QStringLiteral("To level 2"));
    QCOMPARE(bands(), QStringLiteral("Phase One| Project|  Design|  Build|"
                                     "Phase Two| Project|  Design|  Build"));

    // The level's background reaches the tree's band rows.
    ZGroupedTreeView *tree = m_pane->treeView();
    const QImage shot = tree->viewport()->grab().toImage();
    // The first shown column: "ID" is hidden.
    const int y = tree->visualRect(tree->model()->index(0, tree->header()->logicalIndexAt(0))).center().y();
    QCOMPARE(shot.pixelColor(shot.width() / 2, y), background);
    bool textPainted = false;
    for (int x = 0; x < shot.width() / 2 && !textPainted; ++x) {
        for (int dy = -4; dy <= 4 && !textPainted; ++dy) {
            const QColor c = shot.pixelColor(x, y + dy);
            textPainted = c.red() > 200 && c.green() > 200 && c.blue() < 80;
        }
    }
    QVERIFY(textPainted);
}

void tst_DialogLaunchers::cancelKeepsGrouping()
{
    open(m_file);
    ZGrouping wbs;
    wbs.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(), QColor(), QBrush(Qt::gray));
    m_pane->setCurrentGrouping(wbs);
    const QString before = bands();
    WidgetAnswerer<ZGroupDialog> answer;
    answer.arm([](ZGroupDialog *dialog) {
        // The dialog opens on the grouping on screen.
        QCOMPARE(dialog->table()->model()->index(0, 0).data().toString(), QStringLiteral("WBS Name"));
        chooseInCell(dialog, 0, 0, QStringLiteral("Phase"));
        dialog->reject();
    });
    m_window->findChild<QAction *>(QStringLiteral("actionGroup"))->trigger();
    QVERIFY(answer.answered);
    QCOMPARE(bands(), before);
}

void tst_DialogLaunchers::okKeepsThePlace_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("expanded");
    QTest::addRow("nothing changed") << QString() << "Project Design Build";
    QTest::addRow("a level's colour") << "colour" << "Project Design Build";
    // New bands: only the way to the current activity is open.
    QTest::addRow("a level added") << "level" << "Phase One Project Build";
    QTest::addRow("a level's rule") << "rule" << "Project";
}

void tst_DialogLaunchers::okKeepsThePlace()
{
    QFETCH(QString, change);
    QFETCH(QString, expanded);
    open(m_file);
    m_window->findChild<QAction *>(QStringLiteral("actionDetail"))->trigger();
    ZGrouping wbs;
    wbs.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(), QColor(), QBrush(Qt::gray));
    m_pane->setCurrentGrouping(wbs);
    ZGroupedTreeView *tree = m_pane->treeView();
    tree->resize(tree->width(), 200); // the activity lies below the fold
    m_pane->gotoTask(135);
    const QAbstractItemModel *model = tree->model();
    const int group = columnIndex(model, QStringLiteral("Group"));
    const auto openBands = [&] {
        QStringList open;
        for (const QModelIndex &row : preorderList(tree->model(), QModelIndex())) {
            if (tree->isExpanded(row))
                open << row.sibling(row.row(), group).data().toString();
        }
        return open.join(QLatin1Char(' '));
    };
    // A band the user opened besides.
    const QModelIndex design = model->match(model->index(0, group, model->index(0, 0)), Qt::DisplayRole,
                                            QStringLiteral("Design"), 1, Qt::MatchExactly).value(0);
    tree->expand(design.siblingAtColumn(0));
    QCOMPARE(openBands(), QStringLiteral("Project Design Build"));

    const QColor teal(0, 128, 128);
    WidgetAnswerer<ZGroupDialog> answer;
    answer.arm([&](ZGroupDialog *dialog) {
        QAbstractItemModel *levels = dialog->table()->model();
        if (change == QLatin1String("colour"))
            levels->setData(levels->index(0, 2), QBrush(teal), Qt::BackgroundRole);
        if (change == QLatin1String("level")) {
            chooseInCell(dialog, 0, 0, QStringLiteral("Phase"));
            chooseInCell(dialog, 1, 0, QStringLiteral("WBS Name"));
        }
        if (change == QLatin1String("rule"))
            chooseInCell(dialog, 0, 1, QStringLiteral("To level 1"));
        dialog->accept();
    });
    m_window->findChild<QAction *>(QStringLiteral("actionGroup"))->trigger();
    QVERIFY(answer.answered);

    QCOMPARE(openBands(), expanded);
    // The activity is still current, highlighted, in view, and in the details.
    const QModelIndex current = tree->currentIndex();
    QCOMPARE(current.siblingAtColumn(columnIndex(model, QStringLiteral("Activity ID"))).data().toString(),
             QStringLiteral("A135"));
    QVERIFY(tree->selectionModel()->isRowSelected(current.row(), current.parent()));
    QVERIFY(tree->viewport()->rect().contains(tree->visualRect(current).center()));
    QCOMPARE(m_window->detailsPane()->findChild<QLineEdit *>(QStringLiteral("leName"))->text(),
             QStringLiteral("Task 135"));
    if (change == QLatin1String("colour"))
        QCOMPARE(tree->levelStyles().first().brush.color(), teal);
}

void tst_DialogLaunchers::outlineKeepsTheCurrentRow_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("inBand"); // the current row is an activity of the collapsed band
    QTest::addRow("Expand All") << "Expand All" << false;
    QTest::addRow("Level 1") << "Level 1" << false;
    QTest::addRow("the Outline button") << "Outline" << false;
    QTest::addRow("Expand All, an activity in the band") << "Expand All" << true;
}

// From two collapsed bands, the second or an activity in it current: the
// rows that open above it leave the current row where the band was on
// screen, and the chart's band with it.
void tst_DialogLaunchers::outlineKeepsTheCurrentRow()
{
    QFETCH(QString, command);
    QFETCH(bool, inBand);
    open(m_file);
    ZGrouping phases;
    phases.addGroup(QStringLiteral("Phase"), QString(), QFont(), QColor(), QBrush(Qt::gray));
    m_pane->setCurrentGrouping(phases);
    ZGroupedTreeView *tree = m_pane->treeView();
    tree->resize(tree->width(), 200); // some 8 rows
    const QList<QAction *> tools = m_window->findChild<QToolBar *>()->actions();
    QList<QAction *> commands = tools;
    for (const QAction *outline : tools) {
        if (outline->menu() && outline->text() == QLatin1String("Outline"))
            commands += outline->menu()->actions();
    }
    const auto run = [&commands](const QString &text) {
        for (QAction *action : commands) {
            if (action->text() == text)
                return action->trigger(), true;
        }
        return false;
    };
    const QAbstractItemModel *model = tree->model();
    QCOMPARE(model->rowCount(), 2);
    const QModelIndex second = model->index(1, firstVisibleColumn(tree->header()));
    QVERIFY(run(QStringLiteral("Expand All")));
    tree->setCurrentIndex(inBand ? model->index(0, second.column(), second.siblingAtColumn(0)) : second);
    QVERIFY(run(QStringLiteral("Collapse All")));
    const int top = tree->visualRect(second).top();
    QVERIFY(top > 0);
    QVERIFY(run(command));
    QVERIFY(tree->isExpanded(second.siblingAtColumn(0)));
    QCOMPARE(tree->visualRect(tree->currentIndex()).top(), top);
    mygc::GanttChart *chart = m_pane->ganttChart();
    chart->flushPendingRebuild();
    const int band = chart->chartArea()->selectedRow();
    QCOMPARE(QModelIndex(chart->tasks().at(band)->index()), tree->currentIndex().siblingAtColumn(0));
    QCOMPARE(chart->rowAxis()->rowTop(band) - chart->verticalScrollBar()->value(), top);
}

void tst_DialogLaunchers::snipToPngAndClipboard()
{
    open(m_file);
    setTimeScale(QStringLiteral("actionWeek"));
    const ZImage picture = m_pane->ganttChart()->toImage();
    const QRect chart = picture.rect();
    QVERIFY(chart.width() > 100);
    // The room asked for counts the tiles made.
    QCOMPARE(ImageLimit::chartTiles(m_pane->ganttChart()), qint64(picture.rows() + 1) * picture.columns());
    const QString png = m_dir.filePath(QStringLiteral("chart.png"));
    PaintWatch watch(m_pane->ganttChart());
    m_pane->ganttChart()->chartArea()->installEventFilter(&watch);
    QString whilePainting;
    WidgetAnswerer<ZSnipDialog> answer;
    answer.arm([&](ZSnipDialog *dialog) {
        whilePainting = watch.lastPaint;
        // The wait cursor ends when the dialog is up.
        QVERIFY(!QApplication::overrideCursor());
        FileDialogAnswerer files;
        BoxAnswerer box;
        files.arm(png);
        box.arm();
        dialog->saveToPngClicked();
        QCOMPARE(box.text, QStringLiteral("Image was saved to ") + png);
        box.arm();
        dialog->saveToClipboardClicked();
        QCOMPARE(box.text, QStringLiteral("Image was copied to clipboard"));
        dialog->reject();
    });
    // Chosen with the File menu open: the menu goes first, and the wait
    // cursor shows while the picture is painted.
    auto *file = m_window->findChild<QMenu *>(QStringLiteral("menuFile"));
    file->popup(m_window->mapToGlobal(QPoint(0, 0)));
    QVERIFY(QTest::qWaitForWindowExposed(file));
    g_releases.clear();
    m_window->findChild<QAction *>(QStringLiteral("actionSnip"))->trigger();
    QVERIFY(answer.answered);
    // The picture's memory is handed back once the dialog has gone.
    QCOMPARE(g_releases, QStringList(QStringLiteral("dialogs 0, message ''")));
    QCOMPARE(whilePainting, QStringLiteral("cursor %1, menu closed").arg(int(Qt::WaitCursor)));
    // The whole chart, with the lines' border around it.
    QCOMPARE(QImage(png).size(), chart.size() + QSize(5, 5));
    QCOMPARE(QGuiApplication::clipboard()->image().size(), chart.size() + QSize(5, 5));
}

void tst_DialogLaunchers::printGroupedLandscape()
{
    open(m_file);
    ZGrouping wbs;
    wbs.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(), QColor(), QBrush(Qt::gray));
    m_pane->setCurrentGrouping(wbs);
    m_window->findChild<QAction *>(QStringLiteral("actionExpand_All"))->trigger();
    setTimeScale(QStringLiteral("actionMonth"));
    const ZImage table = m_pane->treeView()->toImage();
    QCOMPARE(ImageLimit::treeTiles(m_pane->treeView(), m_pane->ganttChart()),
             qint64(table.rows() + 1) * table.columns());

    PdfPrinters printers;
    printers.output = m_dir.filePath(QStringLiteral("print.pdf"));
    ZPrinters::install(&printers);
    int pages = 0;
    int headerRows = 0;
    WidgetAnswerer<ZPrintDialog> answer;
    answer.arm([&](ZPrintDialog *dialog) {
        // The wait cursor ends when the dialog is up.
        QVERIFY(!QApplication::overrideCursor());
        dialog->findChild<ZPageSelectorButton *>(QStringLiteral("horizontalPage"))->setChecked(true);
        QVERIFY(dialog->findChild<QCheckBox *>(QStringLiteral("chkRepeatTableHeaders"))->isChecked());
        dialog->findChild<QPushButton *>(QStringLiteral("btnPrint"))->click();
        pages = dialog->scene()->pages().size();
        headerRows = dialog->scene()->headerRowCount();
        dialog->findChild<QPushButton *>(QStringLiteral("btnDone"))->click();
    });
    // Chosen with the File menu open: the menu goes first, and the wait
    // cursor shows while the pages are prepared.
    auto *file = m_window->findChild<QMenu *>(QStringLiteral("menuFile"));
    file->popup(m_window->mapToGlobal(QPoint(0, 0)));
    QVERIFY(QTest::qWaitForWindowExposed(file));
    g_releases.clear();
    m_window->findChild<QAction *>(QStringLiteral("actionPrint"))->trigger();
    QVERIFY(answer.answered);
    QCOMPARE(g_releases, QStringList(QStringLiteral("dialogs 0, message ''")));
    QCOMPARE(printers.whilePreparing, QStringLiteral("cursor %1, menu closed").arg(int(Qt::WaitCursor)));
    // 43 rows of 22 pixels do not fit on one landscape sheet: two page rows,
    // each beginning with the header.
    QCOMPARE(headerRows, 2);
    const QVector<QSizeF> sheets = pdfPageSizes(printers.output);
    QCOMPARE(sheets.size(), pages);
    QVERIFY(pages >= 2);
    for (const QSizeF &sheet : sheets)
        QCOMPARE(sheet.toSize(), QSize(842, 595));
}

void tst_DialogLaunchers::refusals_data()
{
    // The long project by days is too large; the short one by months is
    // refused for want of memory only.
    QTest::addColumn<bool>("longRun");
    QTest::addColumn<int>("ceiling"); // -1: no bound but the system's; -2: room for all but the table's tiles
    QTest::addColumn<bool>("runsOut");
    QTest::addRow("too large") << true << -1 << false;
    QTest::addRow("no room") << false << 0 << false;
    // Snip goes through; Print, which draws the table too, does not.
    QTest::addRow("no room for the table") << false << -2 << false;
    QTest::addRow("runs out while drawing") << false << -1 << true;
}

// Refused with a message, the window as it was and the project open.
void tst_DialogLaunchers::refusals()
{
    QFETCH(bool, longRun);
    QFETCH(int, ceiling);
    QFETCH(bool, runsOut);
    open(longRun ? m_longFile : m_file);
    setTimeScale(QLatin1String(longRun ? "actionDay" : "actionMonth"));
    mygc::GanttChart *chart = m_pane->ganttChart();
    ZGroupedTreeView *tree = m_pane->treeView();
    QCOMPARE(ImageLimit::tooLarge(chart), longRun);
    QCOMPARE(chart->cellsCount() >= 3000000, longRun);
    const qint64 room = ceiling == -2
        ? ImageLimit::roomFor(ImageLimit::chartTiles(chart), ImageLimit::treeTiles(tree, chart)) - 1
        : ceiling;
    tree->verticalScrollBar()->setValue(3);
    const QSize treeSize = tree->size();
    for (const char *command : {"onSnip", "onPrintMenu"}) {
        const int inPaintBefore = ownallocationfailure::thrownInPaint.load();
        // Running out: allocations of the command's own work fail in turn,
        // spread over all of it, until one past its last runs it through;
        // among them those of the table's and the chart's paint code.
        for (int skip = 0;; skip += 1 + skip / 16) {
            BoxAnswerer box;
            box.arm();
            WidgetAnswerer<ZSnipDialog> snip;
            snip.arm([](ZSnipDialog *dialog) { dialog->reject(); });
            WidgetAnswerer<ZPrintDialog> print;
            print.arm([](ZPrintDialog *dialog) { dialog->reject(); });
            g_releases.clear();
            g_box = &box;
            {
                const ownallocationfailure::Shortage shortage(room, runsOut, skip);
                QMetaObject::invokeMethod(m_window.get(), command);
            }
            g_box = nullptr;
            // Whatever the outcome, what was made is freed and handed back
            // before the message (a refusal for size makes nothing).
            QCOMPARE(g_releases, longRun ? QStringList() : QStringList(QStringLiteral("dialogs 0, message ''")));
            if (runsOut && ownallocationfailure::thrown.load() == 0) {
                QVERIFY(skip > 0 && (snip.answered || print.answered));
                QVERIFY(ownallocationfailure::thrownInPaint.load() > inPaintBefore);
                break;
            }
            // Each failure in the paint code stopped before Qt's frames.
            QCOMPARE(ownallocationfailure::thrownAcrossQt.load(), 0);
            const QString title = QLatin1String(command[2] == 'S' ? "Snip" : "Print");
            if (ceiling == -2 && title == QLatin1String("Snip")) {
                QVERIFY(snip.answered);
                break;
            }
            QCOMPARE(box.title, title);
            QCOMPARE(box.text, longRun ? QStringLiteral("Gantt Chart is too large. Try to use different time scale")
                                       : QStringLiteral("There is not enough memory to %1.").arg(title.toLower()));
            QCOMPARE(tree->size(), treeSize);
            QCOMPARE(tree->verticalScrollBar()->value(), 3);
            QVERIFY(!tree->signalsBlocked() && !chart->signalsBlocked());
            QVERIFY(m_window->loader());
            if (!runsOut)
                break;
        }
    }
    // With room, and a coarser time scale, it goes through.
    setTimeScale(QStringLiteral("actionYear"));
    QVERIFY(!ImageLimit::tooLarge(chart));
    WidgetAnswerer<ZSnipDialog> snip;
    snip.arm([](ZSnipDialog *dialog) { dialog->reject(); });
    m_window->findChild<QAction *>(QStringLiteral("actionSnip"))->trigger();
    QVERIFY(snip.answered);
}

void tst_DialogLaunchers::cancelledWork_data()
{
    QTest::addColumn<QString>("command");
    // When the user acts on the progress: the first step of the table's
    // picture, of the chart's, or of the pages' layout; "late": a click on
    // Cancel waiting in the queue until the work has ended.
    QTest::addColumn<QString>("when");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("said"); // in the status bar
    QTest::addRow("Snip, Escape") << "actionSnip" << "chart" << "Escape" << "";
    QTest::addRow("Print, Escape on the table") << "actionPrint" << "table" << "Escape" << "Printing was cancelled.";
    // The focus not yet moved to the progress shown: Qt hands the key to
    // the window under it.
    QTest::addRow("Print, Escape to the window") << "actionPrint" << "chart" << "Escape, window" << "Printing was cancelled.";
    // A click gave the window under the progress Qt's focus, where keys go.
    QTest::addRow("Print, Escape after a click") << "actionPrint" << "chart" << "Escape, focus" << "Printing was cancelled.";
    QTest::addRow("Print, Cancel in the layout") << "actionPrint" << "layout" << "Cancel" << "Printing was cancelled.";
    QTest::addRow("Print, late Cancel") << "actionPrint" << "layout" << "late" << "Printing was cancelled.";
    // Printed from the dialog: a late Cancel or a signal (its number) at the last page, or nothing.
    QTest::addRow("Print, late Cancel on the last page") << "actionPrint" << "last page" << "late" << "Printing was cancelled.";
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        QTest::addRow("Print, %s", strsignal(signal)) << "actionPrint" << "last page" << QString::number(signal)
                                                      << "Printing was cancelled.";
    QTest::addRow("Print, not cancelled") << "actionPrint" << "no page" << "" << "Printed %1 pages to Stand-in.";
}

// Cancelled through the progress while the picture is drawn: no dialog, no
// message but the status bar's, nothing drawn after, the window as it was
// and the memory handed back; what the user did to the window meanwhile
// (a click, a close) is dropped, a layout it asked for is done after; the
// next command works.
void tst_DialogLaunchers::cancelledWork()
{
    QFETCH(QString, command);
    QFETCH(QString, when);
    QFETCH(QString, how);
    QFETCH(QString, said);
    open(m_file);
    setTimeScale(QStringLiteral("actionMonth"));
    ZGroupedTreeView *tree = m_pane->treeView();
    mygc::GanttChart *chart = m_pane->ganttChart();
    const QSize treeSize = tree->size();
    auto *action = m_window->findChild<QAction *>(command);
    BoxAnswerer box;
    box.arm();
    WidgetAnswerer<ZSnipDialog> snip;
    snip.arm([](ZSnipDialog *dialog) { dialog->reject(); });
    WidgetAnswerer<ZPrintDialog> print;
    // A print stopped keeps the file the user had, and leaves no other.
    QTemporaryDir dir;
    PdfPrinters printers;
    printers.output = xertest::writeFile(dir, QStringLiteral("out.pdf"), "%PDF-1.4 the user's own");
    ZPrinters::install(&printers);
    QuitSignals quit;
    quit.setWindow(m_window.get());
    g_releases.clear();
    m_window->statusBar()->showMessage(QStringLiteral("Printed 3 pages to out.pdf."));
    // What of the window's events passes the progress: the tree's layouts
    // only when done, the window's close never.
    struct Watch : QObject {
        bool eventFilter(QObject *, QEvent *e) override { return (layouts += e->type() == QEvent::LayoutRequest,
                                                                  closes += e->type() == QEvent::Close, false); }
        int layouts = 0, closes = 0;
    } watch;
    QWidget *on = m_window.get(); // where the progress shows
    print.arm([&](ZPrintDialog *dialog) {
        on = dialog, watch.layouts = 0; // those held while the picture was drawn are done
        dialog->print();
        dialog->reject();
    });
    tree->installEventFilter(&watch);
    m_window->installEventFilter(&watch);
    const QModelIndex current = tree->currentIndex();
    QString phase;
    QStringList acted;
    int chartStepsAfter = 0;
    bool returnCancels = true;
    bool errnoKept = false;
    {
        const WorkProgress user([&](qint64 done, qint64 total) {
            auto *progress = on->findChild<QProgressDialog *>();
            const QString now = tree->signalsBlocked() ? QStringLiteral("table")
                : chart->signalsBlocked()              ? QStringLiteral("chart")
                : on == m_window.get()                 ? QStringLiteral("layout")
                                                       : QLatin1String(done + 1 < total ? "pages" : "last page");
            if (!acted.isEmpty()) {
                chartStepsAfter += now == QLatin1String("chart") && phase != now;
                phase = now;
                return true;
            }
            phase = now;
            auto *cancel = progress->findChild<QPushButton *>();
            // Return typed ahead must not cancel: the progress's Cancel is no default.
            returnCancels = !cancel || cancel->autoDefault() || cancel->isDefault();
            if (now != when)
                return true;
            // The window's own close and a click on it, as the window
            // system hands them.
            QCloseEvent close;
            QSpontaneKeyEvent::setSpontaneous(&close);
            QCoreApplication::instance()->notify(m_window.get(), &close);
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(tree->model()->index(4, 1)).center());
            QEvent layout(QEvent::LayoutRequest);
            QCoreApplication::sendEvent(tree, &layout);
            acted << QStringLiteral("layouts %1, closes %2").arg(watch.layouts).arg(watch.closes);
            if (how != QLatin1String("Escape") && how != QLatin1String("Cancel"))
                progress->show();
            if (how == QLatin1String("late")) {
                for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                    QCoreApplication::postEvent(cancel, new QMouseEvent(type, QPointF(2, 2), Qt::LeftButton,
                                                                       Qt::LeftButton, {}));
            } else if (how == QLatin1String("Cancel")) {
                cancel->click();
            } else if (how.toInt()) {
                // A burst that fills the pipe: the handler's writes fail,
                // and leave errno as it was.
                const int pipe = quit.findChild<QSocketNotifier *>()->socket();
                const int signal = how.toInt(); // which sets errno
                errno = EDOM;
                for (int i = fcntl(pipe, F_SETPIPE_SZ, 4096); i >= 0; --i)
                    raise(signal);
                errnoKept = errno == EDOM;
            } else if (how == QLatin1String("Escape, focus")) {
                m_window->activateWindow();
                QTest::qWait(50);
                QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key_Escape);
            } else {
                QTest::keyClick(how == QLatin1String("Escape") ? static_cast<QWidget *>(progress) : tree, Qt::Key_Escape);
            }
            return true;
        });
        action->trigger();
    }
    // A loop begun after a signal was acted on (a message the stopped work
    // would show) returns at once, before any event.
    struct Events : QObject {
        bool eventFilter(QObject *, QEvent *) override { return ++count, false; }
        int count = 0;
    } during;
    {
        QEventLoop after;
        QTimer::singleShot(0, &after, &QEventLoop::quit);
        qApp->installEventFilter(&during);
        after.exec();
        qApp->removeEventFilter(&during);
    }
    // The loops' end a signal asked for holds until the application's own loop runs again.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit), QCoreApplication::exec();
    QCOMPARE(during.count == 0, how.toInt() != 0);
    QCOMPARE(errnoKept, how.toInt() != 0);
    QCOMPARE(acted, how.isEmpty() ? QStringList() : QStringList(QStringLiteral("layouts 0, closes 0")));
    QVERIFY(watch.layouts >= acted.size());
    QVERIFY(!returnCancels);
    QCOMPARE(tree->currentIndex(), current);
    QCOMPARE(snip.answered || print.answered, when.endsWith(QLatin1String("page")));
    QCOMPARE(m_window->isVisible(), !how.toInt());
    QCOMPARE(quit.exitCode(0), how.toInt() ? 128 + how.toInt() : 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList(QStringLiteral("out.pdf")));
    QFile file(printers.output);
    QCOMPARE(file.open(QIODevice::ReadOnly) && file.readAll() == "%PDF-1.4 the user's own", !how.isEmpty());
    said = how.isEmpty() ? said.arg(pdfPageSizes(printers.output).size()) : said;
    // Nothing after the table's picture is drawn.
    QCOMPARE(chartStepsAfter, 0);
    QCOMPARE(box.text, QString());
    QCOMPARE(m_window->statusBar()->currentMessage(), said);
    QCOMPARE(g_releases, QStringList(QStringLiteral("dialogs 0, message ''")));
    QCOMPARE(tree->size(), treeSize);
    if (std::exchange(print.answered, false))
        print.poll();
    action->trigger();
    QVERIFY(snip.answered || print.answered);
    QCOMPARE(box.text, QString());
}

void tst_DialogLaunchers::endsOnSignals_data()
{
    QTest::addColumn<int>("ignored"); // the viewer was started ignoring it (nohup); 0 none
    QTest::addColumn<int>("first");
    for (const int signal : {SIGTERM, SIGINT})
        QTest::addRow("%s", strsignal(signal)) << 0 << signal;
    QTest::addRow("SIGHUP ignored, then SIGTERM") << SIGHUP << SIGTERM;
}

// The viewer's process ends on the first signal it does not ignore, by exit
// with 128 plus its number: a burst of SIGTERM after the QuitSignals has
// gone, while the application is torn down, cuts nothing short.
void tst_DialogLaunchers::endsOnSignals()
{
    QFETCH(int, ignored);
    QFETCH(int, first);
    QProcess viewer;
    viewer.setProcessChannelMode(QProcess::ForwardedChannels);
    viewer.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("-endonsignals"), QString::number(ignored), QString::number(first)});
    QVERIFY(viewer.waitForFinished(60000));
    QCOMPARE(viewer.exitStatus(), QProcess::NormalExit);
    QCOMPARE(viewer.exitCode(), 128 + first);
}

// Rows that Snip's picture would make less than a pixel high are refused
// before anything is drawn.
void tst_DialogLaunchers::snipOfRowsUnderAPixel()
{
    open(m_tallFile);
    setTimeScale(QStringLiteral("actionYear"));
    BoxAnswerer box;
    box.arm();
    WidgetAnswerer<ZSnipDialog> snip;
    snip.arm([](ZSnipDialog *dialog) { dialog->reject(); });
    m_window->findChild<QAction *>(QStringLiteral("actionSnip"))->trigger();
    QVERIFY(!snip.answered);
    QCOMPARE(box.title, QStringLiteral("Snip"));
    QCOMPARE(box.text, ZSnipDialog::tooTallText());
    // No row shown: nothing too tall, and the dialog tells what there is.
    ZFilterDialogProxyModel *filter = m_pane->filterModel();
    filter->setFilter(columnIndex(filter, QStringLiteral("Activity Name")), {QStringLiteral("No such")});
    m_pane->onFiltered();
    m_pane->ganttChart()->flushPendingRebuild();
    QCOMPARE(m_pane->ganttChart()->taskCount(), 0);
    m_window->findChild<QAction *>(QStringLiteral("actionSnip"))->trigger();
    QVERIFY(snip.answered);
}

void tst_DialogLaunchers::aboutBox()
{
    BoxAnswerer box;
    box.arm();
    m_window->findChild<QAction *>(QStringLiteral("actionAbout"))->trigger();
    QCOMPARE(box.title, QStringLiteral("About Tarvolen XER"));
    QVERIFY(box.text.contains(QStringLiteral("<p>This is version 1.5.0</p>")));
}

void tst_DialogLaunchers::commandsByKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("current"); // the column of the tree's current cell
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QKeySequence>("menuKeys"); // typed into a menu that opens
    const int altDown = int(Qt::ALT | Qt::Key_Down);
    const QKeySequence enter(Qt::Key_Return);
    QTest::addRow("Group") << int(Qt::CTRL | Qt::Key_G) << QString() << "Group" << enter;
    QTest::addRow("Export") << int(Qt::CTRL | Qt::Key_E) << QString() << "Export activities" << enter;
    // The menus open on their first entries: Enter ticks Year, or expands.
    QTest::addRow("Time, Enter") << int(Qt::CTRL | Qt::Key_T) << QString() << "Time: 9" << enter;
    QTest::addRow("Outline, Enter") << int(Qt::CTRL | Qt::Key_L) << QString() << "Outline: Expand" << enter;
    // The key only opens the menu: the button's own Expand/Collapse waits
    // for a click.
    QTest::addRow("Outline, Escape") << int(Qt::CTRL | Qt::Key_L) << QString() << "Outline: "
                                     << QKeySequence(Qt::Key_Escape);
    QTest::addRow("View, Resources") << int(Qt::CTRL | Qt::SHIFT | Qt::Key_V) << QString() << "View: 1"
                                     << QKeySequence(Qt::Key_Down, Qt::Key_Return);
    QTest::addRow("filter") << altDown << "Activity Name" << "Activity Name" << enter;
    QTest::addRow("filter, hidden column") << altDown << "ID" << "Activity ID" << enter;
}

// Every tool-bar command has a key of its own, named in its tool tip, and
// the keys reach the commands through the window.
void tst_DialogLaunchers::commandsByKeys()
{
    QFETCH(int, key);
    QFETCH(QString, current);
    QFETCH(QString, outcome);
    QFETCH(QKeySequence, menuKeys);
    open(m_file);
    QList<QKeySequence> taken;
    for (QAction *action : m_window->findChildren<QAction *>())
        taken << action->shortcut();
    for (QAction *action : m_window->findChild<QToolBar *>()->actions()) {
        if (!action->isVisible() || qobject_cast<QWidgetAction *>(action))
            continue;
        const QKeySequence shortcut = action->shortcut();
        QVERIFY2(!shortcut.isEmpty() && taken.count(shortcut) == 1, qPrintable(action->text()));
        QVERIFY2(action->toolTip().contains(shortcut.toString(QKeySequence::NativeText)),
                 qPrintable(action->toolTip()));
    }

    ZGroupedTreeView *tree = m_pane->treeView();
    QVERIFY(tree->header()->toolTip().endsWith(QStringLiteral(": Alt+Down")));
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    const QAbstractItemModel *model = tree->model();
    tree->setFocus();
    if (!current.isEmpty())
        tree->setCurrentIndex(model->index(0, columnIndex(model, current)));
    tree->horizontalScrollBar()->setValue(20); // the first column partly out of view
    QString found;
    WidgetAnswerer<ZGroupDialog> group;
    group.arm([&found](ZGroupDialog *dialog) {
        found = dialog->windowTitle();
        dialog->reject();
    });
    FileDialogAnswerer save;
    save.arm(m_dir.filePath(QStringLiteral("keys.csv")));
    // The column's filter opens with its first control focused; Escape
    // closes it.
    WidgetAnswerer<ZFilterDialogPopUp> filter;
    QHeaderView *header = tree->header();
    filter.arm([&found, model, header](ZFilterDialogPopUp *popup) {
        found = model->headerData(popup->column(), Qt::Horizontal).toString();
        if (QApplication::focusWidget() != popup->searchField())
            found += QStringLiteral(" unfocused");
        const int left = qMax(0, header->sectionViewportPosition(popup->column()));
        if (popup->x() != header->viewport()->mapToGlobal(QPoint(left, 0)).x())
            found += QStringLiteral(" elsewhere");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    });
    QTest::keyClick(tree, Qt::Key(key & ~Qt::KeyboardModifierMask),
                    Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
    if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
        // Below its button.
        const QWidget *button =
            m_window->findChild<QToolBar *>()->widgetForAction(menu->menuAction());
        QCOMPARE(menu->y(), button->mapToGlobal(QPoint(0, button->height())).y());
        QTest::keySequence(menu, menuKeys);
        const QString title = menu->title();
        found = title + QStringLiteral(": ")
            + (title == QLatin1String("Time") ? QString::number(m_window->timeScaleUnits().constLast())
               : title == QLatin1String("View")
                   ? QString::number(m_window->findChild<QStackedWidget *>()->currentIndex())
                   : m_window->outlineLevel());
    }
    if (save.answered)
        found = save.caption;
    QCOMPARE(found, outcome);
    // A plain Down moves in the table and opens nothing.
    WidgetAnswerer<QMenu> stray;
    stray.arm([](QMenu *menu) { menu->close(); });
    QTest::keyClick(tree, Qt::Key_Down);
    QVERIFY(!stray.answered);
    // The window's focus is back in the table (the platform may not give
    // the window back its activation here), the resources' when shown.
    QCOMPARE(m_window->focusWidget(), outcome == QLatin1String("View: 1")
                                          ? static_cast<QWidget *>(m_window->resourcesPane()->tableView())
                                          : tree);
}

// endsOnSignals' process: main()'s order, the QuitSignals made after the
// application and gone before it.
int endOnSignals(int argc, char *argv[])
{
    if (const int ignored = std::atoi(argv[2]))
        std::signal(ignored, SIG_IGN);
    QCoreApplication app(argc, argv);
    qAddPostRoutine([] {
        for (int i = 0; i < 50; ++i)
            raise(SIGTERM);
    });
    QuitSignals quit;
    if (const int ignored = std::atoi(argv[2]))
        raise(ignored);
    raise(std::atoi(argv[3]));
    return quit.exitCode(QCoreApplication::exec());
}

int main(int argc, char *argv[])
{
    if (argc == 4 && std::strcmp(argv[1], "-endonsignals") == 0)
        return endOnSignals(argc, argv);
    QTEST_MAIN_IMPL(tst_DialogLaunchers)
}
#include "tst_dialoglaunchers.moc"
