#include "loadprogressdialog.h"
#include "mainwindow.h"
#include "projectloader.h"
#include "recentlist.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWidgetAction>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QHeaderView>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

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
        out << (a->isSeparator() ? QStringLiteral("|") : a->text());
    }
    return out;
}

// Answers the next modal message box with OK and remembers its text.
class BoxAnswerer : public QObject
{
public:
    void arm()
    {
        text.clear();
        title.clear();
        QTimer::singleShot(0, this, [this] { poll(); });
    }
    void poll()
    {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
            return;
        }
        QTimer::singleShot(10, this, [this] { poll(); });
    }
    QString title;
    QString text;
};

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

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void startUpState();
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
    void commandsWaitForRunningRead();
    void quitWhileLoading();
    void resourcesTablePrepared();

private:
    QTemporaryDir m_config;
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
    MainWindow w;
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Tarvolen"));
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

    QToolBar *tools = w.findChild<QToolBar *>(QStringLiteral("mainToolBar"));
    QVERIFY(tools);
    QStringList toolTexts;
    for (QAction *a : tools->actions()) {
        if (!a->isVisible())
            continue;
        toolTexts << (qobject_cast<QWidgetAction *>(a) || a->text().isEmpty() ? QStringLiteral("<spacer>")
                                                                              : a->text());
    }
    QCOMPARE(toolTexts, QStringList({QStringLiteral("Columns"), QStringLiteral("Group"),
                                     QStringLiteral("Detail"), QStringLiteral("Export"),
                                     QStringLiteral("Outline"), QStringLiteral("<spacer>"),
                                     QStringLiteral("Time"), QStringLiteral("Styles")}));

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
    actionNamed(&w, "actionGanttChart")->trigger();
    QCOMPARE(stack->currentIndex(), 0);
    QVERIFY(actionNamed(&w, "actionDetail")->isVisible());
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
    actionNamed(&w, "actionYear")->trigger();
    QCOMPARE(w.timeScaleUnits(), QVector<int>());
    w.setToolBarButtonsFromFlags(4 | 8 | 32);
    QCOMPARE(w.timeScaleUnits(), QVector<int>({3, 4, 7}));
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
    w.openChosenFile(QStringLiteral("/x/plan.mpp"));
    w.openChosenFile(QStringLiteral("/x/plan.txt"));
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
        w.openChosenFile(path); // the road of the file dialog
        QVERIFY(w.isLoading());
        QVERIFY(w.findChild<LoadProgressDialog *>());
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
        // The progress dialog is gone once the project is handed over.
        QTRY_VERIFY(!w.findChild<LoadProgressDialog *>());
        QCOMPARE(w.windowTitle(), path);
        QCOMPARE(w.recentList().entries().value(0).file, path);

        // Closing the project deletes the loader; the title stays.
        w.findChild<QAction *>(QStringLiteral("actionClose"))->trigger();
        QVERIFY(!w.loader());
        QCOMPARE(w.windowTitle(), path);
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
    QTest::addRow("text") << QByteArray("hello\nworld\n") << true
                          << QStringLiteral("is not an XER file");
    QTest::addRow("binary") << QByteArray("\x00\x01\xff\xfe%T\tTASK", 11) << true
                            << QStringLiteral("is not an XER file");
    QTest::addRow("missing") << QByteArray() << false << QStringLiteral("cannot be opened");
}

void tst_MainWindow::failedReads()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, create);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.xer"));
    QVERIFY(writeFile(good, smallXer()));
    const QString bad = dir.filePath(QStringLiteral("bad.xer"));
    if (create)
        QVERIFY(writeFile(bad, content));

    MainWindow w;
    w.show();
    BoxAnswerer answer;
    answer.arm();
    w.openChosenFile(bad);
    QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 30000);
    QTRY_VERIFY(!answer.text.isEmpty());
    QCOMPARE(answer.title, QStringLiteral("Open file"));
    QVERIFY2(answer.text.contains(message), qPrintable(answer.text));
    QVERIFY(answer.text.contains(QDir::toNativeSeparators(bad)));
    QVERIFY(!w.loader());
    QTRY_VERIFY(!w.findChild<LoadProgressDialog *>());
    QVERIFY(!w.findChild<QAction *>(QStringLiteral("actionClose"))->isEnabled());

    // The window stays usable: the next file opens.
    w.openChosenFile(good);
    QTRY_VERIFY_WITH_TIMEOUT(!w.isLoading(), 30000);
    QVERIFY(w.loader());
    QVERIFY(w.loader()->model(QStringLiteral("ActivityModel")));
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

void tst_MainWindow::quitWhileLoading()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quit.xer"));
    QVERIFY(writeFile(path, smallXer()));
    {
        MainWindow w;
        w.show();
        w.openChosenFile(path);
        QVERIFY(w.isLoading());
        QVERIFY(w.close()); // waits for the read, then writes the list
    }
    RecentList saved;
    saved.load(mruPath());
    QCOMPARE(saved.entries().value(0).file, path);
}

void tst_MainWindow::resourcesTablePrepared()
{
    // Column ids as the resource model carries them under role 256.
    const QStringList ids = {QStringLiteral("a0"), QStringLiteral("a1"), QStringLiteral("a2"),
                             QStringLiteral("a3"), QStringLiteral("a4"), QStringLiteral("a5"),
                             QStringLiteral("target_cost"), QStringLiteral("a7"),
                             QStringLiteral("rsrc_name"), QStringLiteral("rsrc_type"),
                             QStringLiteral("act_start_date"), QStringLiteral("note")};
    QStandardItemModel model(2, ids.size());
    for (int c = 0; c < ids.size(); ++c)
        model.setHeaderData(c, Qt::Horizontal, ids.at(c), 256);
    QTableView table;
    table.setModel(&model);
    MainWindow w;
    w.prepareResourcesView(nullptr);
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
    QCOMPARE(table.verticalHeader()->defaultSectionSize(), 22);
    QCOMPARE(table.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
