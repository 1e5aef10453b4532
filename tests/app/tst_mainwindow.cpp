#include "activities.h"
#include "activitydetails.h"
#include "chartarea.h"
#include "loadprogressdialog.h"
#include "mainwindow.h"
#include "memoryroom.h"
#include "modelhelpers.h"
#include "projectloader.h"
#include "qganttchart.h"
#include "qgcdateaxis.h"
#include "readheappadding.h"
#include "recentlist.h"
#include "resources.h"
#include "windowmemory.h"
#include "zdetaildelegate.h"
#include "zfilterdialogproxymodel.h"
#include "zganttviewbarstyle.h"
#include "zgroupedtreeview.h"
#include "zgrouping.h"
#include "zsortfilterheader.h"
#include "zsortfilterwidget.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QItemSelectionModel>
#include <QStatusBar>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QScopeGuard>
#include <QSemaphore>
#include <QStandardPaths>
#include <QWidgetAction>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmapCache>
#include <QHeaderView>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtConcurrent>
#include <QtTest>

#include <cstring>
#include <memory>

#include "modalanswerers.h"
#include "syncs.h"

namespace {

QAction *actionNamed(QWidget *window, const char *name)
{
    return window->findChild<QAction *>(QString::fromLatin1(name));
}

QStringList visibleTexts(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions) {
        if (!a->isVisible())
            continue;
        // As shown: without the accelerator marks, "&&" as "&".
        out << (a->isSeparator() ? QStringLiteral("|")
                                 : QString(a->text()).replace(QRegularExpression(QStringLiteral("&(.)")),
                                                              QStringLiteral("\\1")));
    }
    return out;
}

// A small project: three WBS nodes, three activities, one relation, one
// resource assignment and one activity code.
QByteArray smallXer()
{
    const char *lines[] = {
        "ERMHDR\t8.0\t2024-01-05\tProject\tadmin\tAdmin\tdb\tProject Management\tEUR",
        "%T\tPROJWBS",
        "%F\twbs_id\tproj_id\tseq_num\tproj_node_flag\twbs_short_name\twbs_name\tparent_wbs_id",
        "%R\t100\t1\t0\tY\tPRJ\tProject\t",
        "%R\t101\t1\t1\tN\tDS\tDesign\t100",
        "%R\t102\t1\t2\tN\tBL\tBuild\t100",
        "%T\tTASK",
        "%F\ttask_id\tproj_id\twbs_id\ttask_type\tstatus_code\ttask_code\ttask_name"
        "\ttotal_float_hr_cnt\tfree_float_hr_cnt\tremain_drtn_hr_cnt\ttarget_drtn_hr_cnt"
        "\tact_start_date\tact_end_date\tearly_start_date\tearly_end_date"
        "\tlate_start_date\tlate_end_date\ttarget_start_date\ttarget_end_date",
        "%R\t1000\t1\t101\tTT_Task\tTK_NotStart\tA1000\tSurvey; site\t8\t0\t16\t16"
        "\t\t\t2021-03-07 09:00\t2021-03-08 17:00\t2021-03-08 09:00\t2021-03-09 17:00"
        "\t2021-03-07 09:00\t2021-03-08 17:00",
        "%R\t1010\t1\t101\tTT_Task\tTK_NotStart\tA1010\tDesign \"core\"\t0\t0\t24\t24"
        "\t\t\t2021-03-09 09:00\t2021-03-11 17:00\t2021-03-09 09:00\t2021-03-11 17:00"
        "\t2021-03-09 09:00\t2021-03-11 17:00",
        "%R\t1020\t1\t102\tTT_Mile\tTK_NotStart\tA1020\tCaf\xc3\xa9 handover\t0\t0\t0\t0"
        "\t\t\t2021-03-12 09:00\t\t2021-03-12 09:00\t\t2021-03-12 09:00\t",
        "%T\tTASKPRED",
        "%F\ttask_pred_id\ttask_id\tpred_task_id\tproj_id\tpred_proj_id\tpred_type\tlag_hr_cnt",
        "%R\t5000\t1010\t1000\t1\t1\tPR_FS\t0",
        "%T\tRSRC",
        "%F\trsrc_id\trsrc_name\trsrc_short_name\trsrc_type",
        "%R\t70\tSurveyor\tSV\tRT_Labor",
        "%T\tTASKRSRC",
        "%F\ttaskrsrc_id\ttask_id\tproj_id\trsrc_id\ttarget_qty\trsrc_type",
        "%R\t900\t1000\t1\t70\t16\tRT_Labor",
        "%T\tACTVTYPE",
        "%F\tactv_code_type_id\tactv_short_len\tseq_num\tactv_code_type\tproj_id\twbs_id\tactv_code_type_scope",
        "%R\t10\t5\t1\tPhase\t1\t\tAS_Project",
        "%T\tACTVCODE",
        "%F\tactv_code_id\tparent_actv_code_id\tactv_code_type_id\tactv_code_name\tshort_name\tseq_num",
        "%R\t11\t\t10\tEarly works\tEW\t1",
        "%T\tTASKACTV",
        "%F\ttask_id\tactv_code_type_id\tactv_code_id\tproj_id",
        "%R\t1000\t10\t11\t1",
        "%E",
    };
    QByteArray out;
    for (const char *line : lines)
        out += QByteArray(line) + "\r\n";
    return out;
}

// A project of `count` activities in a chain, for memory counts.
QByteArray chainXer(int count)
{
    QByteArray out = "ERMHDR\t8.0\t2024-01-05\tProject\tadmin\tAdmin\tdb\tProject Management\tEUR\r\n"
                     "%T\tPROJWBS\r\n%F\twbs_id\tproj_id\tseq_num\tproj_node_flag\twbs_short_name\twbs_name\tparent_wbs_id\r\n"
                     "%R\t100\t1\t0\tY\tPRJ\tProject\t\r\n"
                     "%T\tTASK\r\n%F\ttask_id\tproj_id\twbs_id\ttask_type\ttask_code\ttask_name\ttarget_start_date\ttarget_end_date\r\n";
    for (int i = 0; i < count; ++i)
        out += "%R\t" + QByteArray::number(i) + "\t1\t100\tTT_Task\tA" + QByteArray::number(i)
               + "\tActivity " + QByteArray::number(i) + "\t2021-03-07 09:00\t2021-03-08 17:00\r\n";
    out += "%T\tTASKPRED\r\n%F\ttask_pred_id\ttask_id\tpred_task_id\tproj_id\tpred_proj_id\tpred_type\tlag_hr_cnt\r\n";
    for (int i = 1; i < count; ++i)
        out += "%R\t" + QByteArray::number(i) + "\t" + QByteArray::number(i) + "\t" + QByteArray::number(i - 1)
               + "\t1\t1\tPR_FS\t0\r\n";
    return out + "%E\r\n";
}

// The process's resident memory in KiB.
qint64 residentKb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(1).toLongLong() * 4;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Connections to a signal, read through QObject's protected count.
class SignalReceivers : public QObject
{
public:
    static int count(const QObject *sender, const char *signal)
    {
        // Named through this class, the protected member may be taken and
        // then called on any object.
        int (QObject::*receivers)(const char *) const = &SignalReceivers::receivers;
        return (sender->*receivers)(signal);
    }
};

// Whether the read's heap padding was in force each time the watched
// object was given a child.
class PaddingWhenChildAdded : public QObject
{
public:
    explicit PaddingWhenChildAdded(QObject *watched) { watched->installEventFilter(this); }
    QList<bool> padded;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ChildAdded)
            padded << ReadHeapPadding::inForce();
        return false;
    }
};

// The window manager's late word that the watched window has the keys,
// given as it is about to be deleted.
class ActivatedWhenDeleted : public QObject
{
public:
    explicit ActivatedWhenDeleted(QWidget *watched) : m_watched(watched) { watched->installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::DeferredDelete)
            QApplication::setActiveWindow(m_watched);
        return false;
    }

private:
    QWidget *m_watched;
};

int sortFilterWidgetsOn(QObject *parent)
{
    return parent->findChildren<ZSortFilterWidget *>(QString(), Qt::FindDirectChildrenOnly)
        .size();
}

// Every index below parent, depth first.
QModelIndexList allRows(const QAbstractItemModel *model, const QModelIndex &parent = {})
{
    QModelIndexList out;
    for (int r = 0; r < model->rowCount(parent); ++r) {
        const QModelIndex index = model->index(r, 0, parent);
        out << index;
        out << allRows(model, index);
    }
    return out;
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void startUpState();
    void startUnderLimit();
    void menusFromTheKeyboard_data();
    void menusFromTheKeyboard();
    void timeScaleUnits();
    void outlineTextRecorded();
    void layoutNameField();
    void recentListReadAtStartAndWrittenAtClose();
    void missingRecentFileIsRemoved();
    void chosenNamesOtherThanXerAreIgnored();
    void progressDialogCannotBeDismissed();
    void openSmallXer();
    void failedReads_data();
    void failedReads();
    void heapFreeInReport_data();
    void heapFreeInReport();
    void windowRoomCountsFreedHeap_data();
    void windowRoomCountsFreedHeap();
    void commandsWaitForRunningRead();
    void quitWhileLoading_data();
    void quitWhileLoading();
    void resourcesTablePrepared();
    void projectOnScreen();
    void openAndCloseManyTimes();

private:
    QTemporaryDir m_config;
    UnansweredModals m_unanswered;
    QString mruPath() const { return m_config.filePath(QStringLiteral("mru.config")); }
};

void tst_MainWindow::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QCOMPARE(RecentList::defaultPath(), mruPath());
}

void tst_MainWindow::init()
{
    QFile::remove(mruPath());
}

void tst_MainWindow::startUpState()
{
    // Without the room its platform takes (the last -platform argument's,
    // else the environment's: offscreen here) the start is refused.
    const QList<QPair<QByteArray, qint64>> starts{{"", 5}, {"-platform offscreen -platform xcb", 50},
            {"--platform offscreenx", 50}, {"-platform offscreen:fontengine=freetype -platform", 5}};
    const auto unbound = qScopeGuard([] { memoryroom::setCeiling(-1); });
    for (const auto &[arguments, mib] : starts) {
        QList<QByteArray> words = ("viewer " + arguments).trimmed().split(' ');
        std::vector<char *> argv(words.size() + 1); // null last, as main's
        std::transform(words.begin(), words.end(), argv.begin(), [](QByteArray &word) { return word.data(); });
        memoryroom::setCeiling((mib << 20) - 1);
        QCOMPARE(WindowMemory::startRefusal(words.size(), argv.data()), "There is not enough memory to start the viewer.\n");
        memoryroom::setCeiling(mib << 20);
        QVERIFY(!WindowMemory::startRefusal(words.size(), argv.data()));
    }
    memoryroom::setCeiling(-1);

    MainWindow w;
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Tarvolen"));
    // The first size fits the screen (the test screen is smaller than the
    // form's 1280 by 800), at a place the program gives rather than one a
    // window manager picks for the form's size.
    QVERIFY(w.screen()->availableGeometry().contains(w.frameGeometry()));
    QVERIFY(w.testAttribute(Qt::WA_Moved));
    QVERIFY(!w.windowIcon().isNull());

    QMenu *file = w.findChild<QMenu *>(QStringLiteral("menuFile"));
    QVERIFY(file);
    QCOMPARE(visibleTexts(file->actions()),
             QStringList({QStringLiteral("Open file"), QStringLiteral("Close"),
                          QStringLiteral("|"), QStringLiteral("Snip"), QStringLiteral("Print")}));
    QCOMPARE(actionNamed(&w, "actionOpen_file")->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(actionNamed(&w, "actionPrint")->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));

    QMenuBar *bar = w.menuBar();
    QCOMPARE(visibleTexts(bar->actions()),
             QStringList({QStringLiteral("File"), QStringLiteral("Help")}));
    // Every menu and every item of the form has an accelerator of its own
    // (the recent files are named by their paths, the hidden Layout menu's
    // entries by the layouts').
    QMenu *help = w.findChild<QMenu *>(QStringLiteral("menuHelp"));
    const QList<QList<QAction *>> menus{bar->actions(), file->actions(), help->actions()};
    for (const QList<QAction *> &actions : menus) {
        QStringList keys;
        for (QAction *a : actions) {
            if (!a->isSeparator() && !a->data().toMap().contains(QStringLiteral("isMRU")))
                keys << QKeySequence::mnemonic(a->text()).toString();
        }
        QVERIFY2(!keys.contains(QString()) && keys.removeDuplicates() == 0,
                 qPrintable(keys.join(QLatin1Char(','))));
    }

    QToolBar *tools = w.findChild<QToolBar *>(QStringLiteral("mainToolBar"));
    QVERIFY(tools);
    QStringList toolTexts;
    QMenu *view = nullptr;
    for (QAction *a : tools->actions()) {
        if (!a->isVisible())
            continue;
        toolTexts << (qobject_cast<QWidgetAction *>(a) || a->text().isEmpty() ? QStringLiteral("<spacer>")
                                                                              : a->text());
        if (a->menu() && a->text() == QLatin1String("View"))
            view = a->menu();
        // No project: every button off, the menus' too.
        QVERIFY2(!a->isEnabled() || qobject_cast<QWidgetAction *>(a), qPrintable(a->text()));
    }
    QCOMPARE(toolTexts, QStringList({QStringLiteral("Columns"), QStringLiteral("Group"),
                                     QStringLiteral("Detail"), QStringLiteral("Export"),
                                     QStringLiteral("Outline"), QStringLiteral("View"), QStringLiteral("<spacer>"),
                                     QStringLiteral("Time"), QStringLiteral("Styles")}));
    // Only views that show something of their own are offered.
    QVERIFY(view);
    QCOMPARE(visibleTexts(view->actions()), QStringList({QStringLiteral("Gantt chart"), QStringLiteral("Resources")}));

    // No project: project actions off, opening on.
    for (const char *name : {"actionColumns", "actionGroup", "actionDetail", "actionExport",
                             "actionStyles", "actionSnip", "actionPrint", "actionClose"})
        QVERIFY2(!actionNamed(&w, name)->isEnabled(), name);
    QVERIFY(actionNamed(&w, "actionOpen_file")->isEnabled());
    QVERIFY(actionNamed(&w, "actionAbout")->isEnabled());

    QVERIFY(actionNamed(&w, "actionDay")->isChecked());
    for (const char *name : {"actionYear", "actionQuarter", "actionMonth", "actionWeek"})
        QVERIFY2(!actionNamed(&w, name)->isChecked(), name);
    QVERIFY(actionNamed(&w, "actionGanttChart")->isChecked());
    QVERIFY(!actionNamed(&w, "actionDetail")->isChecked());

    auto *stack = w.findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    QCOMPARE(stack->count(), 2);
    QCOMPARE(stack->currentIndex(), 0);
    actionNamed(&w, "actionResources")->trigger();
    QCOMPARE(stack->currentIndex(), 1);
    QVERIFY(!actionNamed(&w, "actionDetail")->isVisible());
    view->menuAction()->trigger(); // the button's own part: back to the Gantt chart
    QCOMPARE(stack->currentIndex(), 0);
    QVERIFY(actionNamed(&w, "actionGanttChart")->isChecked());
    QVERIFY(actionNamed(&w, "actionDetail")->isVisible());
}

void tst_MainWindow::menusFromTheKeyboard_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("menu"); // the one that opens
    QTest::addRow("Alt+F") << int(Qt::ALT | Qt::Key_F) << "menuFile";
    QTest::addRow("Alt+H") << int(Qt::ALT | Qt::Key_H) << "menuHelp";
    QTest::addRow("F10") << int(Qt::Key_F10) << "menuFile";
}

void tst_MainWindow::menusFromTheKeyboard()
{
    QFETCH(int, key);
    QFETCH(QString, menu);
    MainWindow w;
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key(key & ~Qt::KeyboardModifierMask),
                    Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
    QTRY_COMPARE(QApplication::activePopupWidget(), w.findChild<QMenu *>(menu));
    QApplication::activePopupWidget()->close();
}

void tst_MainWindow::timeScaleUnits()
{
    MainWindow w;
    QCOMPARE(w.timeScaleUnits(), QVector<int>({3}));
    actionNamed(&w, "actionMonth")->trigger();
    QCOMPARE(w.timeScaleUnits(), QVector<int>({3, 6}));
    actionNamed(&w, "actionYear")->trigger();
    actionNamed(&w, "actionDay")->trigger();
    QCOMPARE(w.timeScaleUnits(), QVector<int>({6, 9}));
    actionNamed(&w, "actionMonth")->trigger();
    // The last level ticked cannot be unticked, nor set to none.
    actionNamed(&w, "actionYear")->trigger();
    QCOMPARE(w.timeScaleUnits(), QVector<int>({9}));
    QVERIFY(actionNamed(&w, "actionYear")->isChecked());
    w.setToolBarButtonsFromFlags(4 | 8 | 32);
    QCOMPARE(w.timeScaleUnits(), QVector<int>({3, 4, 7}));
    w.setToolBarButtonsFromFlags(0);
    QCOMPARE(w.timeScaleUnits(), QVector<int>({3}));
}

void tst_MainWindow::outlineTextRecorded()
{
    MainWindow w;
    QCOMPARE(w.outlineLevel(), QString());
    QCOMPARE(w.outlineActions().size(), 11);
    actionNamed(&w, "actionLevel_3")->trigger();
    QCOMPARE(w.outlineLevel(), QStringLiteral("Level 3"));
    actionNamed(&w, "actionExpand")->trigger();
    QCOMPARE(w.outlineLevel(), QStringLiteral("Expand"));
}

void tst_MainWindow::layoutNameField()
{
    MainWindow w;
    // The field heads the Layout menu (the panes have line edits of their own).
    QMenu *layoutMenu = w.findChild<QMenu *>(QStringLiteral("menuLayout"));
    QVERIFY(layoutMenu && !layoutMenu->actions().isEmpty());
    auto *fieldAction = qobject_cast<QWidgetAction *>(layoutMenu->actions().constFirst());
    QVERIFY(fieldAction && fieldAction->defaultWidget());
    auto *edit = fieldAction->defaultWidget()->findChild<QLineEdit *>();
    auto *save = fieldAction->defaultWidget()->findChild<QPushButton *>();
    QVERIFY(edit && save);
    QCOMPARE(edit->placeholderText(), QStringLiteral("Layout name"));
    QVERIFY(save->isEnabled());
    QTest::keyClick(edit, Qt::Key_A);
    QVERIFY(save->isEnabled());
    QTest::keyClick(edit, Qt::Key_Backspace);
    QVERIFY(!save->isEnabled());
    QMenu *layout = w.findChild<QMenu *>(QStringLiteral("menuLayout"));
    QCOMPARE(layout->actions().constLast()->text(), QStringLiteral("layouts not found"));
    QVERIFY(!layout->actions().constLast()->isEnabled());
}

void tst_MainWindow::recentListReadAtStartAndWrittenAtClose()
{
    RecentList stored;
    stored.addFile(QStringLiteral("/x/b.MPP"), QString());
    stored.addFile(QStringLiteral("/x/a.xer"), QString());
    QCOMPARE(stored.save(mruPath()), RecentList::Saved);
    const QByteArray before = readAll(mruPath());
    {
        MainWindow w;
        w.show();
        QCOMPARE(w.recentList().size(), 2);
        QMenu *file = w.findChild<QMenu *>(QStringLiteral("menuFile"));
        // The MPP entry is kept but shows no action.
        QCOMPARE(visibleTexts(file->actions()).mid(5),
                 QStringList({QStringLiteral("|"), QStringLiteral("/x/a.xer")}));
        QVERIFY(w.close());
    }
    QCOMPARE(readAll(mruPath()), before);
}

void tst_MainWindow::missingRecentFileIsRemoved()
{
    QTemporaryDir dir;
    const QString gone = dir.filePath(QStringLiteral("gone.xer"));
    RecentList stored;
    stored.addFile(gone, QString());
    QCOMPARE(stored.save(mruPath()), RecentList::Saved);

    MainWindow w;
    w.show();
    QMenu *file = w.findChild<QMenu *>(QStringLiteral("menuFile"));
    QAction *entry = file->actions().constLast();
    QCOMPARE(entry->text(), gone);
    BoxAnswerer answer;
    answer.arm();
    entry->trigger();
    QCOMPARE(answer.title, QStringLiteral("File doesn't exist"));
    QCOMPARE(answer.text, QStringLiteral("File was deleted"));
    QVERIFY(w.recentList().isEmpty());
    // The separator goes with the last entry.
    QCOMPARE(visibleTexts(file->actions()),
             QStringList({QStringLiteral("Open file"), QStringLiteral("Close"),
                          QStringLiteral("|"), QStringLiteral("Snip"), QStringLiteral("Print")}));
}

void tst_MainWindow::chosenNamesOtherThanXerAreIgnored()
{
    MainWindow w;
    w.openChosenFile(QString());
    // A name typed past the dialog's filter is refused with a word.
    for (const QString &name : {QStringLiteral("/x/plan.mpp"), QStringLiteral("/x/plan.txt")}) {
        BoxAnswerer answer;
        answer.arm();
        w.openChosenFile(name);
        QVERIFY2(answer.text.contains(QDir::toNativeSeparators(name)), qPrintable(answer.text));
        QVERIFY2(answer.text.contains(QStringLiteral("only XER files")), qPrintable(answer.text));
    }
    QVERIFY(w.recentList().isEmpty());
    QCOMPARE(w.windowTitle(), QStringLiteral("Tarvolen"));
    QVERIFY(!w.isLoading());
}

void tst_MainWindow::progressDialogCannotBeDismissed()
{
    QWidget parent;
    QPointer<LoadProgressDialog> dialog = new LoadProgressDialog(&parent);
    QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
    QCOMPARE(dialog->labelText(), QStringLiteral("Project load"));
    QCOMPARE(dialog->maximum(), 100);
    dialog->show();
    QVERIFY(!dialog->close());
    QTest::keyClick(dialog, Qt::Key_Escape);
    dialog->reject();
    QVERIFY(dialog->isVisible());
    dialog->setDismissable(true);
    QVERIFY(dialog->close());
    QTRY_VERIFY(dialog.isNull()); // deletes itself
}

void tst_MainWindow::openSmallXer()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("small.XER"));
    QVERIFY(writeFile(path, smallXer()));
    {
        MainWindow w;
        w.show();
        // The hand-over frees much of what the read's threads built: the
        // heaps keep no padding meanwhile (seen as the resources table is
        // given its selection model and delegate).
        const PaddingWhenChildAdded handOver(w.resourcesPane()->tableView());
        QVERIFY(QTest::qWaitForWindowActive(&w)); // the keys the window has back after the load
        w.openChosenFile(path); // the road of the file dialog
        QVERIFY(w.isLoading());
        auto *progress = w.findChild<LoadProgressDialog *>();
        QVERIFY(progress);
        progress->show(); // as a long read shows it, taking the keys
        QTRY_COMPARE(QApplication::activeWindow(), progress);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 30000);
        QVERIFY(w.loader());
        QAbstractItemModel *activities = w.loader()->model(QStringLiteral("ActivityModel"));
        QVERIFY(activities);
        QCOMPARE(activities->thread(), w.thread());
        for (const char *name : {"PROJWBS", "ACTVTYPE", "ACTVCODE", "PredecessorModel",
                                 "ResourceModel", "taskCodesAssignmentModel"}) {
            QAbstractItemModel *model = w.loader()->model(QString::fromLatin1(name));
            QVERIFY2(model, name);
            QCOMPARE(model->thread(), w.thread());
        }
        QVERIFY(!handOver.padded.isEmpty());
        QVERIFY(!handOver.padded.contains(true));
        // The progress dialog is gone once the project is handed over.
        QTRY_VERIFY(!w.findChild<LoadProgressDialog *>());
        QTRY_COMPARE(QApplication::activeWindow(), &w); // the keys are back
        QCOMPARE(w.windowTitle(), path);
        QCOMPARE(w.recentList().entries().value(0).file, path);

        // Nor is a short load's dialog seen holding them: the window
        // manager's change of focus to it comes too late to be seen, or
        // only once the load is over, just before the dialog goes.
        for (const bool late : {false, true}) {
            const auto held = std::make_shared<QSemaphore>();
            const int holders = QThreadPool::globalInstance()->maxThreadCount();
            for (int i = 0; i < holders; ++i)
                QThreadPool::globalInstance()->start([held] { held->acquire(); });
            w.openChosenFile(path);
            auto *dialog = w.findChild<LoadProgressDialog *>();
            QTRY_VERIFY(dialog && QApplication::activeWindow() == dialog);
            QApplication::setActiveWindow(nullptr);
            std::unique_ptr<ActivatedWhenDeleted> lateWord(late ? new ActivatedWhenDeleted(dialog) : nullptr);
            held->release(holders);
            QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 30000);
            QTRY_COMPARE(QApplication::activeWindow(), &w);
        }

        // Closing the project deletes the loader and the title's path.
        w.findChild<QAction *>(QStringLiteral("actionClose"))->trigger();
        QVERIFY(!w.loader());
        QCOMPARE(w.windowTitle(), QStringLiteral("Tarvolen"));
        QVERIFY(w.close());
    }
    RecentList saved;
    saved.load(mruPath());
    QCOMPARE(saved.entries().value(0).file, path);
}

void tst_MainWindow::failedReads_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("create");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("listed"); // in the recent list before
    QTest::addColumn<qint64>("estimateScale"); // of the window's memory
    QTest::addColumn<bool>("reportLost"); // the read's signals reach nobody
    QTest::addColumn<qint64>("room"); // what the memory probe finds; -1 all there is
    const auto row = [](const char *tag, const QByteArray &content, bool create, const QString &message,
                        bool listed = false, qint64 scale = 1, bool lost = false, qint64 room = -1) {
        QTest::addRow("%s", tag) << content << create << message << listed << scale << lost << room;
    };
    const QString notXer = QStringLiteral("is not an XER file");
    const QString missing = QStringLiteral("cannot be opened");
    const QString noMemory = QStringLiteral("There is not enough memory to open the file");
    row("text", "hello\nworld\n", true, notXer);
    row("binary", QByteArray("\x00\x01\xff\xfe%T\tTASK", 11), true, notXer);
    row("missing", QByteArray(), false, missing);
    row("empty", QByteArray(), true, notXer);
    row("listed, now missing", QByteArray(), false, missing, true);
    // Read whole, but the window's part is more than any machine can map.
    row("no room for the window", smallXer(), true, noMemory, false, qint64(1) << 24);
    // Not even the room for a thread to read on: the loader is not made.
    row("no room for the read", smallXer(), true, noMemory, false, 1, false, 0);
    // Room for the window's part, but not for the step by which the heap
    // grows to hold it.
    row("no room for the heap's step", smallXer(), true, noMemory, false, 1, false, qint64(40) << 20);
    // As when memory ran out for queueing the failure: the window learns of
    // the read's end all the same.
    row("report not queued", "hello\nworld\n", true, notXer, false, 1, true);
}

void tst_MainWindow::failedReads()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, create);
    QFETCH(QString, message);
    QFETCH(bool, listed);
    QFETCH(qint64, estimateScale);
    QFETCH(bool, reportLost);
    QFETCH(qint64, room);
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.xer"));
    QVERIFY(writeFile(good, smallXer()));
    const QString bad = dir.filePath(QStringLiteral("bad.xer"));
    if (create)
        QVERIFY(writeFile(bad, content));
    RecentList stored;
    if (listed)
        stored.addFile(bad, QString());
    stored.addFile(QStringLiteral("/x/other.xer"), QString());
    QCOMPARE(stored.save(mruPath()), RecentList::Saved);

    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    const QString idleLayout = w.layoutToJson();
    BoxAnswerer answer;
    answer.arm();
    WindowMemory::setEstimateScale(estimateScale);
    const auto unscale = qScopeGuard([] { WindowMemory::setEstimateScale(1); });
    // The pool is held until the read's signals are blocked. The holders
    // share the semaphore: one still waking when this test ends must not
    // find it gone.
    const auto held = std::make_shared<QSemaphore>();
    const int holders = reportLost ? QThreadPool::globalInstance()->maxThreadCount() : 0;
    for (int i = 0; i < holders; ++i)
        QThreadPool::globalInstance()->start([held] { held->acquire(); });
    memoryroom::setCeiling(room);
    const auto unbound = qScopeGuard([] { memoryroom::setCeiling(-1); });
    w.openChosenFile(bad);
    if (reportLost) {
        w.loader()->blockSignals(true);
        held->release(holders);
    }
    QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 30000);
    memoryroom::setCeiling(-1);
    QTRY_VERIFY(!answer.text.isEmpty());
    QTRY_COMPARE(QApplication::activeWindow(), &w); // the keys back after the message
    QCOMPARE(answer.title, QStringLiteral("Open file"));
    QVERIFY2(answer.text.contains(message), qPrintable(answer.text));
    QVERIFY(answer.text.contains(QDir::toNativeSeparators(bad)));
    QVERIFY(!w.loader());
    QTRY_VERIFY(!w.findChild<LoadProgressDialog *>());
    QVERIFY(!w.findChild<QAction *>(QStringLiteral("actionClose"))->isEnabled());
    // The panes show nothing of the file, not even its layout.
    const auto rows = [](const QAbstractItemModel *model) { return model ? model->rowCount() : 0; };
    QCOMPARE(rows(w.activitiesPane()->treeView()->model()), 0);
    QVERIFY(w.activitiesPane()->ganttChart()->tasks().isEmpty());
    QCOMPARE(rows(w.resourcesPane()->tableView()->model()), 0);
    QCOMPARE(w.layoutToJson(), idleLayout);
    // Neither the title nor the recent list keeps the file; an entry that
    // was there stays where it was.
    QCOMPARE(w.windowTitle(), QStringLiteral("Tarvolen"));
    QCOMPARE(w.recentList().entries(), stored.entries());

    // The window stays usable: the next file opens.
    WindowMemory::setEstimateScale(1);
    w.openChosenFile(good);
    QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 30000);
    QVERIFY(w.loader());
    QVERIFY(w.loader()->model(QStringLiteral("ActivityModel")));
}

// The built viewer under an address-space limit: just above what its
// libraries take, it says it cannot start and ends; with the room it asks
// for, it starts.
void tst_MainWindow::startUnderLimit()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("the sanitizer reserves more address space than a limit leaves");
#endif
    const QString prlimit = QStandardPaths::findExecutable(QStringLiteral("prlimit"));
    if (prlimit.isEmpty())
        QSKIP("no prlimit");
    QByteArray said;
    // The viewer's exit code under a limit of that many MiB; -1 while it runs
    // (a refusal ends long before the wait, however busy the machine).
    const auto run = [&](qint64 mib) {
        QProcess viewer;
        viewer.start(prlimit, {QStringLiteral("--as=%1").arg(mib << 20), QStringLiteral(VIEWER_PATH)});
        const bool ended = viewer.waitForStarted() && viewer.waitForFinished(5000);
        viewer.kill();
        viewer.waitForFinished();
        said = viewer.readAllStandardError();
        return ended ? viewer.exitCode() : -1;
    };
    // The least limit under which the loader maps every library (else 127).
    qint64 below = 16, loads = 1024;
    while (loads - below > 1) {
        const qint64 mid = (below + loads) / 2;
        (run(mid) == 127 ? below : loads) = mid;
    }
    QCOMPARE(run(loads), 1);
    QVERIFY2(said.contains("There is not enough memory to start the viewer."), said.constData());
    // The 5 MiB an offscreen start asks, and one for the pages' rounding.
    QCOMPARE(run(loads + 6), -1);
}

void tst_MainWindow::windowRoomCountsFreedHeap_data()
{
    QTest::addColumn<qint64>("room"); // MiB the memory probe finds
    QTest::addColumn<bool>("opens");
    QTest::addColumn<qint64>("free"); // MiB the main heap holds free at the reopen
    QTest::addColumn<qint64>("kept"); // MiB kept in use from an open and Close before; -1 none
    QTest::addColumn<qint64>("keptScale"); // the estimate's scale for that project
    // The small project's estimate, scaled to 64 MiB, asks 120 MiB with the
    // heap's growth step; of 96 MiB freed in the main heap the window's
    // small blocks take 48, three quarters of the estimate.
    QTest::newRow("room for the rest") << qint64(100) << true << qint64(96) << qint64(-1) << qint64(4);
    QTest::newRow("just room for the rest") << qint64(80) << true << qint64(96) << qint64(-1) << qint64(4);
    QTest::newRow("the freed heap counted beyond the small blocks") << qint64(68) << false << qint64(96) << qint64(-1) << qint64(4);
    QTest::newRow("less freed than the small blocks take") << qint64(100) << false << qint64(16) << qint64(-1) << qint64(4);
    // What stayed in use after a Close is taken again by a reopen, in
    // proportion to the projects' estimates.
    QTest::newRow("kept from the same project") << qint64(60) << true << qint64(0) << qint64(64) << qint64(4);
    QTest::newRow("nothing kept") << qint64(60) << false << qint64(0) << qint64(0) << qint64(4);
    QTest::newRow("kept from a project twice as large") << qint64(60) << false << qint64(0) << qint64(64) << qint64(8);
    QTest::newRow("half kept from a project twice as large") << qint64(100) << true << qint64(0) << qint64(64) << qint64(8);
}

void tst_MainWindow::heapFreeInReport_data()
{
    QTest::addColumn<QByteArray>("report");
    QTest::addColumn<qint64>("free");
    const QByteArray heap0 = "<malloc version=\"1\">\n<heap nr=\"0\">\n<sizes>\n"
                             "  <size from=\"33\" to=\"48\" total=\"48\" count=\"1\"/>\n</sizes>\n"
                             "<total type=\"fast\" count=\"2\" size=\"96\"/>\n";
    const QByteArray heap1 = "<heap nr=\"1\">\n<total type=\"rest\" count=\"5\" size=\"700\"/>\n</heap>\n";
    QTest::newRow("main heap") << heap0 + "<total type=\"rest\" count=\"3\" size=\"4096\"/>\n</heap>\n" + heap1
                               << qint64(4096);
    QTest::newRow("only another heap tells") << heap0 + "</heap>\n" + heap1 << qint64(0);
    QTest::newRow("no main heap") << heap1 << qint64(0);
    QTest::newRow("cut before its end") << heap0 + "<total type=\"rest\" count=\"3\" size=\"4096\"/>"
                                        << qint64(0);
    QTest::newRow("no size") << heap0 + "<total type=\"rest\" count=\"3\"/>\n</heap>\n" + heap1 << qint64(0);
    QTest::newRow("negative") << heap0 + "<total type=\"rest\" size=\"-5\"/>\n</heap>\n" << qint64(0);
}

void tst_MainWindow::heapFreeInReport()
{
    QFETCH(QByteArray, report);
    QFETCH(qint64, free);
    QCOMPARE(WindowMemory::heapFreeInReport(report.constData()), free);
}

// After a Close the main heap keeps the address space of the project's
// freed memory below blocks made later, and a reopen takes it again: the
// window's room check counts it, or a file that opened would not reopen
// under the same limit. The heap is the rows' own: the process's real one
// changes with what other threads free meanwhile.
void tst_MainWindow::windowRoomCountsFreedHeap()
{
    QFETCH(qint64, room);
    QFETCH(bool, opens);
    QFETCH(qint64, free);
    QFETCH(qint64, kept);
    QFETCH(qint64, keptScale);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("small.xer"));
    QVERIFY(writeFile(path, smallXer()));
    const auto unbound = qScopeGuard([] {
        WindowMemory::setEstimateScale(1);
        WindowMemory::setHeap(-1, -1);
        memoryroom::setCeiling(-1);
    });
    MainWindow w;
    w.show();
    // In use before the first open: the window's own, not the project's.
    const qint64 own = qint64(64) << 20;
    WindowMemory::setHeap(0, own);
    if (kept >= 0) {
        // Held from the open to the Close, as the window's views hold rows.
        WindowMemory::setEstimateScale(keptScale);
        w.openChosenFile(path);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 30000);
        QVERIFY(w.loader());
        WindowMemory::setHeap(0, own + (kept << 20));
        w.findChild<QAction *>(QStringLiteral("actionClose"))->trigger();
        QVERIFY(!w.loader());
    }

    BoxAnswerer answer;
    answer.arm();
    WindowMemory::setEstimateScale(4);
    WindowMemory::setHeap(free << 20, own + (qMax<qint64>(0, kept) << 20));
    memoryroom::setCeiling(room << 20);
    w.openChosenFile(path);
    QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 30000);
    QCOMPARE(w.loader() != nullptr, opens);
    if (!opens)
        QTRY_VERIFY(answer.text.contains(QStringLiteral("There is not enough memory")));
}

void tst_MainWindow::commandsWaitForRunningRead()
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.xer"));
    const QString second = dir.filePath(QStringLiteral("second.xer"));
    QVERIFY(writeFile(first, smallXer()));
    QVERIFY(writeFile(second, smallXer()));

    MainWindow w;
    w.show();
    w.openChosenFile(first);
    QVERIFY(w.isLoading());
    ProjectLoader *running = w.loader();
    // Opening, closing and choosing a recent entry are refused meanwhile.
    w.openChosenFile(second);
    w.findChild<QAction *>(QStringLiteral("actionClose"))->trigger();
    QMenu *file = w.findChild<QMenu *>(QStringLiteral("menuFile"));
    file->actions().constLast()->trigger();
    QCOMPARE(w.loader(), running);
    QCOMPARE(w.windowTitle(), first);
    QCOMPARE(w.recentList().size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 30000);
    QCOMPARE(w.loader(), running);
}

void tst_MainWindow::quitWhileLoading_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("listed"); // in the list written at close
    QTest::addRow("project") << smallXer() << true;
    QTest::addRow("not an XER file") << QByteArray("hello\n") << false;
}

void tst_MainWindow::quitWhileLoading()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, listed);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quit.xer"));
    QVERIFY(writeFile(path, content));
    {
        MainWindow w;
        w.show();
        // A failure handled before the quit says so in a box.
        BoxAnswerer answer;
        answer.arm();
        // The pool kept busy: the wait at quitting runs the read on this
        // thread, where a direct call would handle its report inside it.
        QThreadPool *pool = QThreadPool::globalInstance();
        const int threads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        // Shared with the job: released at the end, it may still be waking
        // when this scope has gone.
        const auto busy = std::make_shared<QSemaphore>();
        const auto release = std::make_shared<QSemaphore>();
        const auto restore = qScopeGuard([&] {
            release->release();
            pool->setMaxThreadCount(threads);
        });
        QtConcurrent::run(pool, [busy, release] {
            busy->release();
            release->acquire();
        });
        busy->acquire();
        w.openChosenFile(path);
        QVERIFY(w.isLoading());
        QThread *readThread = nullptr;
        bool handledInside = true;
        const auto report = [&] {
            readThread = QThread::currentThread();
            handledInside = !w.isLoading();
        };
        connect(w.loader(), &ProjectLoader::finished, &w, report, Qt::DirectConnection);
        connect(w.loader(), &ProjectLoader::failed, &w, report, Qt::DirectConnection);
        QVERIFY(w.close()); // waits for the read, then writes the list
        QCOMPARE(readThread, w.thread());
        QVERIFY(!handledInside);
        QTRY_VERIFY(!w.isLoading()); // handled once the read has returned
    }
    RecentList saved;
    saved.load(mruPath());
    QCOMPARE(saved.entries().value(0).file, listed ? path : QString());
}

void tst_MainWindow::resourcesTablePrepared()
{
    // Column ids as the resource model carries them under role 256.
    const QStringList ids = {QStringLiteral("a0"), QStringLiteral("a1"), QStringLiteral("a2"),
                             QStringLiteral("a3"), QStringLiteral("a4"), QStringLiteral("a5"),
                             QStringLiteral("target_cost"), QStringLiteral("a7"),
                             QStringLiteral("rsrc_name"), QStringLiteral("rsrc_type"),
                             QStringLiteral("act_start_date"), QStringLiteral("note")};
    QTableView table;
    MainWindow w;
    w.prepareResourcesView(nullptr);
    // The table of a project opened after another shows the same columns.
    for (int project = 0; project < 2; ++project) {
        QStandardItemModel model(2, ids.size());
        for (int c = 0; c < ids.size(); ++c)
            model.setHeaderData(c, Qt::Horizontal, ids.at(c), 256);
        setTableModel(&table, &model);
        w.prepareResourcesView(&table);
        QHeaderView *h = table.horizontalHeader();
        for (int c = 0; c <= 5; ++c)
            QVERIFY(h->isSectionHidden(c));
        QCOMPARE(h->visualIndex(9), 6); // rsrc_type
        QCOMPARE(h->visualIndex(8), 7); // rsrc_name
        QVERIFY(h->isSectionHidden(6)); // target_cost
        QVERIFY(h->isSectionHidden(10)); // act_start_date
        QVERIFY(!h->isSectionHidden(11));
        QVERIFY(!h->isSectionHidden(7));
    }
    QCOMPARE(table.verticalHeader()->defaultSectionSize(), 22);
    QCOMPARE(table.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
}

void tst_MainWindow::projectOnScreen()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("small.xer"));
    QVERIFY(writeFile(path, smallXer()));
    {
        MainWindow w;
        w.resize(1200, 800);
        w.show();
        w.openChosenFile(path);
        // The hand-over (models, default columns, default layout with its
        // bar styles) rebuilds the chart once.
        const int rebuildsBefore = w.activitiesPane()->ganttChart()->rebuildCount();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 30000);
        QVERIFY(w.loader());
        QCoreApplication::sendPostedEvents();
        QCOMPARE(w.activitiesPane()->ganttChart()->rebuildCount(), rebuildsBefore + 1);
        QVERIFY(!w.activitiesPane()->ganttChart()->rebuildPending());

        Activities *pane = w.activitiesPane();
        ZGroupedTreeView *tree = pane->treeView();
        mygc::GanttChart *chart = pane->ganttChart();
        auto *header = qobject_cast<ZSortFilterHeader *>(tree->header());
        QVERIFY(header);
        QAbstractItemModel *shown = tree->model();
        QCOMPARE(pane->activityModel(), w.loader()->model(QStringLiteral("ActivityModel")));

        // The default layout's columns and widths; its two entries that name
        // no column ("Remaining duration", "Planned duration") find none.
        const QStringList columns = {QStringLiteral("Activity ID"),
                                     QStringLiteral("Activity Name"),
                                     QStringLiteral("Activity Type"),
                                     QStringLiteral("Start Date"),
                                     QStringLiteral("Finish Date"),
                                     QStringLiteral("Total float"),
                                     QStringLiteral("Free float")};
        QCOMPARE(visibleColumns(header), columns);
        const QList<int> widths = {80, 300, 100, 100, 100, 100, 100};
        for (int i = 0; i < columns.size(); ++i)
            QCOMPARE(header->sectionSize(columnIndex(shown, columns.at(i))), widths.at(i));
        QCOMPARE(tree->treePosition(), columnIndex(shown, QStringLiteral("Activity ID")));
        // No sort yet, and the header's order starts ascending.
        QCOMPARE(header->sortColumn(), -1);
        QCOMPARE(header->sortOrder(), Qt::AscendingOrder);
        QCOMPARE(pane->filterModel()->sortColumn(), -1);
        QVERIFY(!header->hasAnyFilter());
        QCOMPARE(shown->rowCount(), 3);

        // The default layout's bar styles with its fixed chart options.
        QStringList styleNames;
        for (const ZGanttViewBarStyle &style : chart->barStyles())
            styleNames << style.styleName;
        QCOMPARE(styleNames, QStringList({QStringLiteral("Task"), QStringLiteral("Milestone"),
                                          QStringLiteral("Summary"), QStringLiteral("Actual"),
                                          QStringLiteral("Baseline Task"),
                                          QStringLiteral("Baseline Milestone")}));
        QCOMPARE(chart->barStyles().at(0).bodyColor, QColor(QStringLiteral("#0068B6")));
        QVERIFY(chart->isLinksVisible());
        QVERIFY(!chart->alternatingRowColors());
        QVERIFY(!chart->verticalLines());
        QCOMPARE(int(chart->yearFormat()), 0);
        QCOMPARE(int(chart->quarterFormat()), 0);
        QCOMPARE(int(chart->monthFormat()), 1);
        QCOMPARE(int(chart->weekFormat()), 1);
        QCOMPARE(int(chart->dayFormat()), 1);
        chart->flushPendingRebuild();
        QCOMPARE(chart->taskCount(), 3);
        QCOMPARE(chart->relations().size(), 1);
        QCOMPARE(tree->header()->height(), chart->dateAxisHeight());

        for (const char *name : {"actionColumns", "actionGroup", "actionDetail", "actionExport",
                                 "actionStyles", "actionSnip", "actionPrint", "actionClose"})
            QVERIFY2(actionNamed(&w, name)->isEnabled(), name);

        // The details pane follows the current row of the tree.
        actionNamed(&w, "actionDetail")->trigger();
        QVERIFY(w.detailsPane()->isVisible());
        tree->setCurrentIndex(shown->index(1, 0));
        auto *name = w.detailsPane()->findChild<QLineEdit *>(QStringLiteral("leName"));
        QVERIFY(name);
        QCOMPARE(name->text(), QStringLiteral("Design \"core\""));

        // Both resource tables are prepared.
        Resources *resources = w.resourcesPane();
        QCOMPARE(resources->model(), w.loader()->model(QStringLiteral("ResourceModel")));
        QCOMPARE(resources->tableView()->model()->rowCount(), 1);
        for (QTableView *table : {resources->tableView(), w.detailsPane()->resourcesView()}) {
            QVERIFY(table->horizontalHeader()->isSectionHidden(0));
            QCOMPARE(table->verticalHeader()->defaultSectionSize(), 22);
            auto *delegate = qobject_cast<ZDetailDelegate *>(table->itemDelegate());
            QVERIFY(delegate);
            QCOMPARE(delegate->column(),
                     sectionFromHeader(table->horizontalHeader(), QStringLiteral("rsrc_type"),
                                       Qt::ItemDataRole(256)));
            QVERIFY(delegate->column() >= 0);
            QCOMPARE(table->horizontalHeader()->visualIndex(delegate->column()), 6);
        }

        // Time scales, finest first; the last one ticked stays ticked.
        mygc::DateAxis *axis = chart->dateAxis();
        auto levels = [axis] {
            QVector<int> units;
            for (int i = 0; i < axis->levelCount(); ++i)
                units << int(axis->levelTimeUnit(i));
            return units;
        };
        QCOMPARE(levels(), QVector<int>({3}));
        actionNamed(&w, "actionMonth")->trigger();
        QCOMPARE(levels(), QVector<int>({3, 6}));
        actionNamed(&w, "actionYear")->trigger();
        actionNamed(&w, "actionWeek")->trigger();
        QCOMPARE(levels(), QVector<int>({3, 4, 6, 9}));
        QCOMPARE(tree->header()->height(), chart->dateAxisHeight());
        for (const char *n : {"actionDay", "actionWeek", "actionMonth", "actionYear"})
            actionNamed(&w, n)->trigger();
        QCOMPARE(levels(), QVector<int>({9}));
        QVERIFY(actionNamed(&w, "actionYear")->isChecked());
        actionNamed(&w, "actionQuarter")->trigger();
        QCOMPARE(levels(), QVector<int>({7, 9}));
        for (const char *n : {"actionDay", "actionQuarter", "actionYear"})
            actionNamed(&w, n)->trigger();
        QCOMPARE(levels(), QVector<int>({3}));

        // A layout's grouping reaches the pane: WBS bands over the activities.
        ZGrouping wbs;
        wbs.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(), QColor(),
                     QBrush(Qt::darkBlue));
        w.applyLayout(QStringLiteral("{\"group\":\"%1\"}").arg(wbs.toVariant().toString()));
        QCOMPARE(pane->currentGrouping().size(true), 1);
        QCOMPARE(pane->currentGrouping().group(0).field, QStringLiteral("WBS Name"));
        const QModelIndexList rows = allRows(shown);
        QCOMPARE(rows.size(), 6); // Project > Design (2), Build (1)
        QCOMPARE(shown->rowCount(), 1);
        const QModelIndex project = shown->index(0, 0);
        QCOMPARE(shown->rowCount(project), 2);

        // Outline commands; the chart follows the rows on show.
        actionNamed(&w, "actionCollapse_All")->trigger();
        chart->flushPendingRebuild();
        QVERIFY(!tree->isExpanded(project));
        QCOMPARE(chart->taskCount(), 1);
        QCOMPARE(w.outlineLevel(), QStringLiteral("Collapse All"));
        actionNamed(&w, "actionLevel_1")->trigger();
        chart->flushPendingRebuild();
        QVERIFY(tree->isExpanded(project));
        QVERIFY(!tree->isExpanded(shown->index(0, 0, project)));
        QCOMPARE(chart->taskCount(), 3);
        QCOMPARE(w.outlineLevel(), QStringLiteral("Level 1"));
        tree->setCurrentIndex(shown->index(1, 0, project));
        actionNamed(&w, "actionExpand_All")->trigger();
        chart->flushPendingRebuild();
        QCOMPARE(chart->taskCount(), 6);
        // The chart's band stays on the current row.
        QCOMPARE(chart->chartArea()->selectedRow(), 4); // Project, Design (2), Build
        // The Outline button toggles between everything and nothing.
        QMenu *outline = nullptr;
        for (QMenu *menu : w.findChildren<QMenu *>()) {
            if (menu->title() == QLatin1String("Outline"))
                outline = menu;
        }
        QVERIFY(outline);
        outline->menuAction()->trigger();
        QCOMPARE(w.outlineLevel(), QStringLiteral("Level 0"));
        QVERIFY(!tree->isExpanded(project));
        outline->menuAction()->trigger();
        QCOMPARE(w.outlineLevel(), QStringLiteral("Level 7"));
        QVERIFY(tree->isExpanded(shown->index(1, 0, project)));

        // A layout's "outline" runs Outline commands only: "Close" names the
        // File menu's action, which must not run.
        w.applyLayout(QStringLiteral("{\"outline\":\"Close\"}"));
        QVERIFY(w.loader());
        QCOMPARE(shown->rowCount(), 1);
        w.applyLayout(QStringLiteral("{\"outline\":\"Level 1\"}"));
        QCOMPARE(w.outlineLevel(), QStringLiteral("Level 1"));
        QVERIFY(!tree->isExpanded(shown->index(0, 0, project)));

        // Export through the tool bar and the save dialog: every row, also
        // collapsed ones, bands indented, quoted where needed.
        const QString csv = dir.filePath(QStringLiteral("export.csv"));
        FileDialogAnswerer save;
        save.arm(csv);
        actionNamed(&w, "actionExport")->trigger();
        QVERIFY(save.answered);
        QCOMPARE(save.caption, QStringLiteral("Export activities"));
        QCOMPARE(w.statusBar()->currentMessage(), QStringLiteral("File saved successfully."));
        QCOMPARE(readAll(csv), readAll(QStringLiteral(TESTDATA_DIR "/app/mainwindow_export.csv")));

        // A write that fails is said to fail.
        w.statusBar()->clearMessage();
        BoxAnswerer answer;
        answer.arm();
        QVERIFY(!w.saveViewData(tree, dir.filePath(QStringLiteral("no/such/dir/x.csv"))));
        QCOMPARE(answer.title, QStringLiteral("Export"));
        QVERIFY(w.statusBar()->currentMessage().isEmpty());
        // So is one without the room for it.
        memoryroom::setCeiling(0);
        answer.arm();
        const bool saved = w.saveViewData(tree, csv);
        memoryroom::setCeiling(-1);
        QVERIFY(!saved);
        QCOMPARE(answer.text, QStringLiteral("There is not enough memory to export the file %1.")
                                  .arg(QDir::toNativeSeparators(csv)));
        // A file with another name is written in place: a disk failing as
        // the copy ends leaves it cut, and that is said.
        const QByteArray otherName = QFile::encodeName(dir.filePath(QStringLiteral("other.csv")));
        QVERIFY(::link(QFile::encodeName(csv).constData(), otherName.constData()) == 0);
        answer.arm();
        syncs::failWith = EIO;
        QVERIFY(!w.saveViewData(tree, csv));
        syncs::failWith = 0;
        QCOMPARE(answer.text, QStringLiteral("The file %1 could not be written: %2. The file was left incomplete.")
                                  .arg(QDir::toNativeSeparators(csv), QString::fromLocal8Bit(strerror(EIO))));
        // Its name removed as the copy ends: the export is under the other
        // name alone, and the earlier bytes are gone.
        answer.arm();
        syncs::during = [&csv] { QFile::remove(csv); };
        QVERIFY(!w.saveViewData(tree, csv));
        QCOMPARE(answer.text, QStringLiteral("The export is not in %1: the result went into the file the name named when the "
                                             "write began, and the name was then removed.").arg(QDir::toNativeSeparators(csv)));
        QCOMPARE(readAll(QFile::decodeName(otherName)), readAll(QStringLiteral(TESTDATA_DIR "/app/mainwindow_export.csv")));

        // Closing empties the panes and disables the project actions; the
        // title is that of a window without a project.
        actionNamed(&w, "actionClose")->trigger();
        QVERIFY(!w.loader());
        QCOMPARE(tree->model()->rowCount(), 0);
        QCOMPARE(visibleColumns(tree->header()),
                 QStringList({QStringLiteral("Activity ID"), QStringLiteral("Activity Name"),
                              QStringLiteral("Start"), QStringLiteral("Finish"),
                              QStringLiteral("WBS")}));
        QVERIFY(name->text().isEmpty());
        QCOMPARE(resources->tableView()->model()->rowCount(), 0);
        QCOMPARE(w.windowTitle(), QStringLiteral("Tarvolen"));
        for (const char *n : {"actionColumns", "actionGroup", "actionDetail", "actionExport",
                              "actionStyles", "actionSnip", "actionPrint", "actionClose"})
            QVERIFY2(!actionNamed(&w, n)->isEnabled(), n);
        QVERIFY(w.close());
    }
    // The recent list, written at close, holds the file.
    const QJsonArray saved = QJsonDocument::fromJson(readAll(mruPath())).array();
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved.at(0).toObject().value(QStringLiteral("file")).toString(), path);
    QCOMPARE(saved.at(0).toObject().value(QStringLiteral("type")).toInt(-1), 0);
}

void tst_MainWindow::openAndCloseManyTimes()
{
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.xer"));
    const QString second = dir.filePath(QStringLiteral("second.xer"));
    QVERIFY(writeFile(first, smallXer()));
    QVERIFY(writeFile(second, smallXer()));

    MainWindow w;
    w.show();
    QTreeView *tree = w.activitiesPane()->treeView();
    QHeaderView *treeHeader = tree->header();
    QHeaderView *resourcesHeader = w.resourcesPane()->tableView()->horizontalHeader();
    QItemSelectionModel *selection = tree->selectionModel();
    const char *rowChanged = SIGNAL(currentRowChanged(QModelIndex, QModelIndex));
    const int rowChangedReceivers = SignalReceivers::count(selection, rowChanged);
    const char *scrolled = SIGNAL(valueChanged(int));
    const int scrolledReceivers = SignalReceivers::count(tree->verticalScrollBar(), scrolled);
    auto *name = w.detailsPane()->findChild<QLineEdit *>(QStringLiteral("leName"));
    QVERIFY(name);
    actionNamed(&w, "actionDetail")->trigger(); // the pane on show follows the rows
    int selectionModels = 0;

    for (int round = 0; round < 4; ++round) {
        for (const QString &path : {first, second}) {
            w.openChosenFile(path); // the second opens over the first
            QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 30000);
            QVERIFY(w.loader());
            QCoreApplication::processEvents(); // boxes of the last project go
            QCOMPARE(sortFilterWidgetsOn(treeHeader), 1);
            QCOMPARE(sortFilterWidgetsOn(w.resourcesPane()), 1);
            QCOMPARE(tree->model()->rowCount(), 3);
            // One selection model, one connection to the details pane, one
            // scroll connection to the chart.
            QCOMPARE(tree->selectionModel(), selection);
            QCOMPARE(SignalReceivers::count(selection, rowChanged), rowChangedReceivers);
            QCOMPARE(SignalReceivers::count(tree->verticalScrollBar(), scrolled), scrolledReceivers);
            tree->setCurrentIndex(tree->model()->index(2, 0));
            QCOMPARE(name->text(), QStringLiteral("Caf\u00e9 handover"));
        }
        // Pixmaps cached while the project was painted go with it: above its
        // freed memory they would keep the heap's address space taken.
        QVERIFY(QPixmapCache::insert(QStringLiteral("painted"), QPixmap(16, 16)));
        w.findChild<QAction *>(QStringLiteral("actionClose"))->trigger();
        QCoreApplication::processEvents();
        QPixmap cached;
        QVERIFY(!QPixmapCache::find(QStringLiteral("painted"), &cached));
        QCOMPARE(sortFilterWidgetsOn(treeHeader), 0);
        QCOMPARE(tree->model()->rowCount(), 0);
        // A view given a new model keeps no selection model of the old one.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (round == 0)
            selectionModels = w.findChildren<QItemSelectionModel *>().size();
        else if (round == 2)
            QCOMPARE(w.findChildren<QItemSelectionModel *>().size(), selectionModels);
        // Header clicks without a project reach nothing.
        QTest::mouseClick(treeHeader->viewport(), Qt::LeftButton, {},
                          QPoint(treeHeader->sectionSize(0) - 5, treeHeader->height() - 5));
        QTest::mouseClick(resourcesHeader->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    }
    QCOMPARE(w.recentList().size(), 2);
    QCOMPARE(w.recentList().entries().value(0).file, second);
    QCOMPARE(w.recentList().entries().value(1).file, first);

    // A large project's memory goes back to the system on Close, freed
    // while the heaps keep no padding.
    const QString large = dir.filePath(QStringLiteral("large.xer"));
    QVERIFY(writeFile(large, chainXer(60000)));
    for (int round = 0; round < 2; ++round) {
        const qint64 before = residentKb();
        w.openChosenFile(large);
        QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 60000);
        QVERIFY(w.loader());
        QCoreApplication::processEvents();
        const qint64 open = residentKb();
        bool paddedWhileFreed = true;
        connect(w.loader(), &QObject::destroyed, this,
                [&paddedWhileFreed] { paddedWhileFreed = ReadHeapPadding::inForce(); });
        w.findChild<QAction *>(QStringLiteral("actionClose"))->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!paddedWhileFreed);
        QVERIFY(ReadHeapPadding::inForce());
        const qint64 after = residentKb();
#if !defined(__SANITIZE_ADDRESS__) // its allocator keeps what is freed
        // The first round leaves what the process keeps once for good.
        if (round == 1)
            QVERIFY2(after - before < (open - before) / 4,
                     qPrintable(QStringLiteral("%1 KiB before the open, %2 open, %3 after Close")
                                    .arg(before).arg(open).arg(after)));
#endif
    }
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
