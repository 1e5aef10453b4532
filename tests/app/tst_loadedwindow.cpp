#include "activities.h"
#include "activitydetails.h"
#include "chartarea.h"
#include "qgcdateaxis.h"
#include "mainwindow.h"
#include "modelhelpers.h"
#include "qganttchart.h"
#include "qgcvaxis.h"
#include "resources.h"
#include "xertestfiles.h"
#include "zexpression.h"
#include "zfilterdialogpopup.h"
#include "zfilterdialogproxymodel.h"
#include "zfilterproxymodel.h"
#include "zgroupedcolumndialog.h"
#include "zgroupedtreeview.h"
#include "zgrouping.h"
#include "zsortfilterheader.h"
#include "zsortfilterwidget.h"
#include "ztypedfilters.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QRadioButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QLineEdit>
#include <QListView>
#include <QTableView>
#include <QContextMenuEvent>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include "modalanswerers.h"

// The main window with a loaded, WBS-grouped project, driven as a user
// drives it: the header filters (each pop-up opened from its header
// section's box and answered from the test; the tree, the header marks, the
// band dates and the chart checked afterwards), the column chooser, the
// details pane's previous/next buttons, the recent menu, closing.
class tst_LoadedWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void valueListHoldsActivityValuesOnly();
    void filters_data();
    void filters();
    void changedFilterRecomputesBandDates();
    void reopenedPopUpShowsStoredFilter();
    void sortAndClear();
    void columnChooser();
    void columnChooserOnResourcesPage();
    void previousNextMoveTheTree();
    void roadsKeepTheUsersColumnAndBand_data();
    void roadsKeepTheUsersColumnAndBand();
    void keysMoveRowTableChartAndDetails_data();
    void keysMoveRowTableChartAndDetails();
    void recentMenuShowsAmpersands();
    void closeLeavesNoDateAxis();
    void everyOpenStartsFromAFreshScale_data();
    void everyOpenStartsFromAFreshScale();
    void noToolBarContextMenu();

private:
    // Opens the column's pop-up through the header box and lets answer
    // act on it; false when no pop-up came.
    bool runPopUp(const QString &caption, const std::function<void(ZFilterDialogPopUp *)> &answer);
    int column(const QString &caption) const;
    // Activities on show (their IDs) and bands with their start dates.
    QString shown() const;
    static void checkOnly(ZFilterDialogPopUp *popup, const QStringList &values);
    static void choose(ZFilterDialogPopUp *popup, QAction *action);

    QTemporaryDir m_dir;
    QString m_file;
    std::unique_ptr<MainWindow> m_window;
    UnansweredModals m_unanswered;
    Activities *m_pane = nullptr;
    ZSortFilterHeader *m_header = nullptr;
};

void tst_LoadedWindow::initTestCase()
{
    QVERIFY(m_dir.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    using xertest::table;
    QByteArray xer = xertest::header();
    xer += table("PROJWBS", "wbs_id\tseq_num\twbs_short_name\twbs_name\tparent_wbs_id",
                 {"1\t1\tP\tProject\t", "2\t2\tP.D\tDesign\t1", "3\t3\tP.B\tBuild\t1"});
    xer += table("TASK",
                 "task_id\tproj_id\twbs_id\ttask_type\ttask_code\ttask_name\tstatus_code"
                 "\ttarget_start_date\ttarget_end_date\ttotal_float_hr_cnt",
                 {"101\t1\t2\tTT_Task\tA101\tSurvey\tTK_NotStart\t2024-01-01 08:00\t2024-01-05 17:00\t0",
                  "102\t1\t2\tTT_Mile\tA102\tDesign done\tTK_NotStart\t2024-01-08 08:00\t2024-01-08 08:00\t100",
                  "103\t1\t3\tTT_Task\tA103\tpour\tTK_NotStart\t2024-01-15 08:00\t2024-01-20 17:00\t250",
                  "104\t1\t3\tTT_Mile\tA104\tHandover\tTK_NotStart\t2024-01-22 08:00\t2024-01-22 08:00\t300",
                  "105\t1\t3\tTT_Task\tA105\tCloseout\tTK_NotStart\t2024-02-01 08:00\t2024-02-10 17:00\t8"});
    xer += table("TASKPRED", "task_id\tpred_task_id\tpred_proj_id\tpred_type\tlag_hr_cnt",
                 {"102\t101\t1\tPR_FS\t0", "104\t103\t1\tPR_FS\t0"});
    xer += table("RSRC", "rsrc_id\trsrc_type\trsrc_short_name\trsrc_name",
                 {"1\tRT_Labor\tENG\tEngineer", "2\tRT_Equip\tCRN\tCrane"});
    xer += table("TASKRSRC", "task_id\trsrc_id", {"101\t1", "103\t2"});
    xer += "%E\r\n";
    m_file = xertest::writeFile(m_dir, QStringLiteral("filters.xer"), xer);
    QVERIFY(!m_file.isEmpty());
}

void tst_LoadedWindow::init()
{
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    m_window->openXerFile(m_file);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isLoading(), 30000);
    m_pane = m_window->activitiesPane();
    m_header = qobject_cast<ZSortFilterHeader *>(m_pane->treeView()->header());
    QVERIFY(m_header);
    // The project opens on its first row, highlighted, and the details
    // pane shows it.
    const QModelIndex first = m_pane->treeView()->currentIndex();
    QCOMPARE(first, m_pane->filterModel()->index(0, firstVisibleColumn(m_header)));
    QVERIFY(m_pane->treeView()->selectionModel()->isRowSelected(0, QModelIndex()));
    QCOMPARE(m_pane->treeView()->horizontalScrollBar()->value(), 0); // the columns stay
    // The pane, off at first, shows that row when switched on.
    auto *name = m_window->detailsPane()->findChild<QLineEdit *>(QStringLiteral("leName"));
    QCOMPARE(name->text(), QString());
    m_window->findChild<QAction *>(QStringLiteral("actionDetail"))->trigger();
    QCOMPARE(name->text(), QStringLiteral("Survey"));
    ZGrouping wbs;
    wbs.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(), QColor(),
                 QBrush(Qt::darkBlue));
    m_window->applyLayout(QStringLiteral("{\"group\":\"%1\"}").arg(wbs.toVariant().toString()));
    m_pane->treeView()->expandAll();
    QCOMPARE(shown(), QStringLiteral("[Project 2024-01-01] [Design 2024-01-01] A101 A102 "
                                     "[Build 2024-01-15] A103 A104 A105"));
}

void tst_LoadedWindow::cleanup()
{
    m_window.reset();
}

int tst_LoadedWindow::column(const QString &caption) const
{
    return columnIndex(m_pane->filterModel(), caption);
}

QString tst_LoadedWindow::shown() const
{
    QAbstractItemModel *model = m_pane->filterModel();
    const int group = column(QStringLiteral("Group"));
    const int id = column(QStringLiteral("Activity ID"));
    const int start = column(QStringLiteral("Start Date"));
    QStringList out;
    for (const QModelIndex &row : preorderList(model, QModelIndex())) {
        const QVariant title = row.sibling(row.row(), group).data();
        if (title.isNull()) {
            out << row.sibling(row.row(), id).data().toString();
        } else {
            out << QStringLiteral("[%1 %2]").arg(
                title.toString(),
                row.sibling(row.row(), start).data().toDate().toString(Qt::ISODate));
        }
    }
    return out.join(QLatin1Char(' '));
}

bool tst_LoadedWindow::runPopUp(const QString &caption,
                                 const std::function<void(ZFilterDialogPopUp *)> &answer)
{
    auto *box = qobject_cast<ZSortFilterWidget *>(m_header->sortFilterWidget());
    if (!box)
        return false;
    const int section = column(caption);
    const QRect rect = m_header->sectionRect(section);
    WidgetAnswerer<ZFilterDialogPopUp> answerer;
    answerer.arm(answer);
    box->onAutoFilterPopUp(rect, section, ZSortFilterWidget::buttonMenuRect(rect).center());
    return answerer.answered;
}

void tst_LoadedWindow::checkOnly(ZFilterDialogPopUp *popup, const QStringList &values)
{
    // As a user does it: "(Select All)" off, then a click on each value.
    QAbstractItemModel *list = popup->valueProxy();
    const QModelIndex all = list->index(0, 0);
    list->setData(all, Qt::Unchecked, Qt::CheckStateRole);
    popup->onItemClicked(all);
    for (const QModelIndex &row : preorderList(list, QModelIndex())) {
        if (values.contains(row.data().toString())) {
            list->setData(row, Qt::Checked, Qt::CheckStateRole);
            popup->onItemClicked(row);
        }
    }
}

void tst_LoadedWindow::choose(ZFilterDialogPopUp *popup, QAction *action)
{
    // As Tab or the arrow keys pick an action: the menu has the focus.
    popup->setFocus();
    popup->setActiveAction(action);
    QTest::keyClick(popup, Qt::Key_Return);
}

void tst_LoadedWindow::valueListHoldsActivityValuesOnly()
{
    // The band rows appended by the grouping give no value of their own.
    QStringList types;
    QVERIFY(runPopUp(QStringLiteral("Activity Type"), [&types](ZFilterDialogPopUp *popup) {
        QVERIFY(qobject_cast<ZTextFilter *>(popup));
        for (const QModelIndex &row : preorderList(popup->valueModel(), QModelIndex()))
            types << row.data().toString();
        popup->onRejected();
    }));
    QCOMPARE(types, (QStringList{QStringLiteral("(Select All)"), QStringLiteral("Milestone"),
                                 QStringLiteral("Task")}));
    // Cancel changes nothing.
    QVERIFY(!m_header->hasAnyFilter());
    QVERIFY(m_pane->filterModel()->patterns().isEmpty());
}

void tst_LoadedWindow::filters_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("op1");
    QTest::addColumn<QVariant>("value1");
    QTest::addColumn<QString>("op2");
    QTest::addColumn<QVariant>("value2");
    QTest::addColumn<bool>("andJoined");
    QTest::addColumn<QStringList>("listValues");
    // Typed into the search field (on the Expression tab: into the first
    // value box), then Enter.
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("current"); // after the filter, A101 before it

    const QString none;
    QTest::newRow("list: milestones")
        << "Activity Type" << none << QVariant() << none << QVariant() << true
        << QStringList{QStringLiteral("Milestone")} << QString()
        << "[Project 2024-01-08] [Design 2024-01-08] A102 [Build 2024-01-22] A104" << "A102";
    // Enter in the search field applies the list as Ok does; it sorts nothing.
    QTest::newRow("list: search, Enter")
        << "Activity Type" << none << QVariant() << none << QVariant() << true << QStringList()
        << "Mile" << "[Project 2024-01-08] [Design 2024-01-08] A102 [Build 2024-01-22] A104" << "A102";
    QTest::newRow("list: nothing checked shows nothing")
        << "Activity Type" << none << QVariant() << none << QVariant() << true << QStringList()
        << QString() << "" << "";
    QTest::newRow("date: after")
        << "Start Date" << "is after" << QVariant(QDate(2024, 1, 10)) << none << QVariant() << true
        << QStringList() << QString() << "[Project 2024-01-15] [Build 2024-01-15] A103 A104 A105" << "[Build]";
    QTest::newRow("date: outside, OR")
        << "Start Date" << "is before" << QVariant(QDate(2024, 1, 2)) << "is after"
        << QVariant(QDate(2024, 1, 30)) << false << QStringList() << QString()
        << "[Project 2024-01-01] [Design 2024-01-01] A101 [Build 2024-02-01] A105" << "A101";
    QTest::newRow("text: begins with, any case")
        << "Activity Name" << "begins with" << QVariant(QStringLiteral("POUR")) << none << QVariant()
        << true << QStringList() << QString() << "[Project 2024-01-15] [Build 2024-01-15] A103" << "[Build]";
    QTest::newRow("text: contains")
        << "Activity Name" << "contains" << QVariant(QStringLiteral("o")) << none << QVariant()
        << true << QStringList() << QString()
        << "[Project 2024-01-08] [Design 2024-01-08] A102 [Build 2024-01-15] A103 A104 A105" << "A102";
    // Enter in a value box applies the filter as Ok does, whatever action
    // the menu shows highlighted.
    QTest::newRow("number: greater than, typed, Enter")
        << "Total float" << "is greater than" << QVariant() << none << QVariant() << true
        << QStringList() << "200" << "[Project 2024-01-15] [Build 2024-01-15] A103 A104" << "[Build]";
    QTest::newRow("text: a list, then contains, showing none of the rows the list showed beside A101")
        << "Activity Name" << "contains" << QVariant(QStringLiteral("o")) << none << QVariant() << true << QStringList{"Survey", "pour"}
        << QString() << "[Project 2024-01-08] [Design 2024-01-08] A102 [Build 2024-01-15] A103 A104 A105" << "A102";
}

void tst_LoadedWindow::filters()
{
    QFETCH(QString, caption);
    QFETCH(QString, op1);
    QFETCH(QVariant, value1);
    QFETCH(QString, op2);
    QFETCH(QVariant, value2);
    QFETCH(bool, andJoined);
    QFETCH(QStringList, listValues);
    QFETCH(QString, search);
    QFETCH(QString, expected);
    QFETCH(QString, current);

    // The details pane shows the tree's current activity; once the filter
    // hides it, the nearest row shown (or the band that held it).
    QTreeView *tree = m_pane->treeView();
    const QModelIndexList survey = m_pane->filterModel()->match(
        m_pane->filterModel()->index(0, column(QStringLiteral("Activity ID"))), Qt::DisplayRole,
        QStringLiteral("A101"), 1, Qt::MatchExactly | Qt::MatchRecursive);
    QCOMPARE(survey.size(), 1);
    tree->setCurrentIndex(survey.first().sibling(survey.first().row(), 0));
    auto *name = m_window->detailsPane()->findChild<QLineEdit *>(QStringLiteral("leName"));
    QCOMPARE(name->text(), QStringLiteral("Survey"));
    if (!op1.isEmpty() && !listValues.isEmpty()) // the list first, then the expression
        QVERIFY(runPopUp(caption, [&](ZFilterDialogPopUp *popup) { checkOnly(popup, listValues); popup->onAccepted(); }));

    QVERIFY(runPopUp(caption, [&](ZFilterDialogPopUp *popup) {
        QWidget *typedInto = popup->searchField();
        if (op1.isEmpty() && search.isEmpty()) {
            checkOnly(popup, listValues);
        } else if (!op1.isEmpty()) {
            popup->tabWidget()->setCurrentIndex(1);
            const QList<QComboBox *> combos = popup->findChildren<QComboBox *>();
            combos.at(0)->setCurrentText(op1);
            combos.at(1)->setCurrentText(op2);
            if (auto *date = qobject_cast<ZDateFilter *>(popup)) {
                date->firstEditor()->setDate(value1.toDate());
                date->secondEditor()->setDate(value2.toDate());
            } else if (auto *text = qobject_cast<ZTextFilter *>(popup)) {
                text->firstEditor()->setText(value1.toString());
                text->secondEditor()->setText(value2.toString());
            } else if (auto *real = qobject_cast<ZDoubleFilter *>(popup)) {
                real->firstEditor()->selectAll();
                typedInto = real->firstEditor();
            }
            const QString joiner = andJoined ? QStringLiteral("&AND") : QStringLiteral("&OR");
            for (auto *radio : popup->findChildren<QRadioButton *>()) {
                if (radio->text() == joiner)
                    radio->setChecked(true);
            }
        }
        if (!search.isEmpty()) {
            QTest::keyClicks(typedInto, search);
            QTest::keyClick(typedInto, Qt::Key_Return);
            if (popup->isVisible())
                popup->onRejected(); // Enter did nothing: fail below, not hang
            return;
        }
        popup->onAccepted();
    }));
    QCOMPARE(shown(), expected);
    QCOMPARE(m_pane->filterModel()->sortColumn(), -1);
    // A filter that hides the current row makes the nearest row shown
    // current (once the change has gone round), highlighted, in the pane
    // and the chart; the keys and the pane's buttons go on from there.
    QCoreApplication::processEvents();
    const auto label = [this](const QModelIndex &row) {
        const QString title = row.siblingAtColumn(column(QStringLiteral("Group"))).data().toString();
        return title.isEmpty() ? row.siblingAtColumn(column(QStringLiteral("Activity ID"))).data().toString()
                               : QStringLiteral("[%1]").arg(title);
    };
    const QModelIndex now = tree->currentIndex();
    QCOMPARE(label(now), current);
    QCOMPARE(tree->selectionModel()->isRowSelected(now.row(), now.parent()), !current.isEmpty());
    QCOMPARE(name->text(), now.siblingAtColumn(column(QStringLiteral("Activity Name"))).data().toString());
    QCOMPARE(m_window->detailsPane()->findChild<QToolButton *>(QStringLiteral("tbNext"))->isEnabled(), !current.isEmpty());
    QVERIFY(!m_window->detailsPane()->findChild<QToolButton *>(QStringLiteral("tbPrevious"))->isEnabled());
    // The header marks the column, the box paints its filter icon, and the
    // chart shows exactly the rows of the tree.
    const int section = column(caption);
    QCOMPARE(m_header->filteredColumns(), QList<int>{section});
    auto *box = qobject_cast<ZSortFilterWidget *>(m_header->sortFilterWidget());
    QVERIFY(box->flags(section) & ZSortFilterWidget::Filtered);
    QCOMPARE(m_pane->filterModel()->patterns().contains(section), op1.isEmpty());
    QCOMPARE(m_pane->filterModel()->expressions().contains(section), !op1.isEmpty());
    mygc::GanttChart *chart = m_pane->ganttChart();
    chart->flushPendingRebuild();
    QCOMPARE(chart->taskCount(), preorderList(m_pane->filterModel(), QModelIndex()).size());
    const int band = chart->chartArea()->selectedRow();
    QCOMPARE(band >= 0 ? QModelIndex(chart->tasks().at(band)->index()) : QModelIndex(), now.siblingAtColumn(0));

    // Clear all filters, as the chooser's button does: the row chosen stays,
    // or, after a filter that left none, the row that was current is back.
    m_pane->clearFilterSort();
    QVERIFY(!m_header->hasAnyFilter());
    QCOMPARE(shown(), QStringLiteral("[Project 2024-01-01] [Design 2024-01-01] A101 A102 "
                                     "[Build 2024-01-15] A103 A104 A105"));
    QCoreApplication::processEvents();
    QCOMPARE(label(tree->currentIndex()), current.isEmpty() ? QStringLiteral("A101") : current);
}

void tst_LoadedWindow::changedFilterRecomputesBandDates()
{
    QVERIFY(runPopUp(QStringLiteral("Activity Type"), [](ZFilterDialogPopUp *popup) {
        checkOnly(popup, {QStringLiteral("Milestone")});
        popup->onAccepted();
    }));
    QCOMPARE(shown(), QStringLiteral("[Project 2024-01-08] [Design 2024-01-08] A102 "
                                     "[Build 2024-01-22] A104"));
    // The column is filtered already: the header says nothing new, the
    // band dates follow all the same.
    QVERIFY(runPopUp(QStringLiteral("Activity Type"), [](ZFilterDialogPopUp *popup) {
        checkOnly(popup, {QStringLiteral("Task")});
        popup->onAccepted();
    }));
    QCOMPARE(shown(), QStringLiteral("[Project 2024-01-01] [Design 2024-01-01] A101 "
                                     "[Build 2024-01-15] A103 A105"));
    // Switching the column to an expression drops its value list.
    QVERIFY(runPopUp(QStringLiteral("Activity Type"), [](ZFilterDialogPopUp *popup) {
        popup->tabWidget()->setCurrentIndex(1);
        auto *text = qobject_cast<ZTextFilter *>(popup);
        popup->findChildren<QComboBox *>().at(0)->setCurrentText(QStringLiteral("begins with"));
        text->firstEditor()->setText(QStringLiteral("MILE"));
        popup->onAccepted();
    }));
    QCOMPARE(shown(), QStringLiteral("[Project 2024-01-08] [Design 2024-01-08] A102 "
                                     "[Build 2024-01-22] A104"));
    QVERIFY(m_pane->filterModel()->patterns().isEmpty());
}

void tst_LoadedWindow::reopenedPopUpShowsStoredFilter()
{
    // Everything checked by hand and accepted clears the filter ...
    QVERIFY(runPopUp(QStringLiteral("Activity Type"), [](ZFilterDialogPopUp *popup) {
        checkOnly(popup, {QStringLiteral("Milestone"), QStringLiteral("Task")});
        popup->onAccepted();
    }));
    QVERIFY(!m_header->hasAnyFilter());
    // ... while a stored list of every value shows as that list.
    m_pane->filterModel()->setFilter(column(QStringLiteral("Activity Type")),
                                     {QStringLiteral("Milestone"), QStringLiteral("Task")});
    QStringList checked;
    bool selectAll = true;
    QVERIFY(runPopUp(QStringLiteral("Activity Type"), [&](ZFilterDialogPopUp *popup) {
        checked = popup->selectedItems().isEmpty() ? QStringList()
                                                   : QVariant(popup->selectedItems()).toStringList();
        selectAll = popup->isSelectAllChecked();
        QCOMPARE(popup->tabWidget()->currentIndex(), 0);
        popup->onRejected();
    }));
    QCOMPARE(checked, (QStringList{QStringLiteral("Milestone"), QStringLiteral("Task")}));
    QVERIFY(!selectAll);

    // The date typed whole after a click on its year.
    const QDate after(2024, 1, 10);
    QVERIFY(runPopUp(QStringLiteral("Start Date"), [](ZFilterDialogPopUp *popup) {
        popup->tabWidget()->setCurrentIndex(1);
        popup->findChildren<QComboBox *>().at(0)->setCurrentText(QStringLiteral("is after"));
        QDateEdit *box = qobject_cast<ZDateFilter *>(popup)->firstEditor();
        auto *text = box->findChild<QLineEdit *>();
        const int year = 3 + text->fontMetrics().horizontalAdvance(text->text().left(7));
        QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, QPoint(year, text->height() / 2));
        QTest::keyClicks(box, QStringLiteral("10012024"));
        QTest::keyClick(box, Qt::Key_Return);
    }));
    QString op;
    QDate date;
    // A second condition added to the reopened one is joined by AND, as
    // the first was set.
    QVERIFY(runPopUp(QStringLiteral("Start Date"), [&](ZFilterDialogPopUp *popup) {
        QCOMPARE(popup->tabWidget()->currentIndex(), 1);
        op = popup->firstConditionOperator();
        date = popup->firstConditionValue().toDate();
        QCOMPARE(popup->secondConditionOperator(), QString());
        popup->findChildren<QComboBox *>().at(1)->setCurrentText(QStringLiteral("is before"));
        qobject_cast<ZDateFilter *>(popup)->secondEditor()->setDate(QDate(2024, 1, 30));
        popup->onAccepted();
    }));
    QCOMPARE(op, QStringLiteral("is after"));
    QCOMPARE(date, after);
    const ZExpression *chain = m_pane->filterModel()->expressions().value(column(QStringLiteral("Start Date")));
    QVERIFY(chain && chain->andNext && !chain->orNext);
    QCOMPARE(shown(), QStringLiteral("[Project 2024-01-15] [Build 2024-01-15] A103 A104"));
}

void tst_LoadedWindow::sortAndClear()
{
    // The details pane's Previous follows the rows that a sort or a filter
    // moves before the current one.
    auto *previous = m_window->detailsPane()->findChild<QToolButton *>(QStringLiteral("tbPrevious"));
    const QModelIndex first = m_pane->treeView()->currentIndex();
    QCOMPARE(first.siblingAtColumn(column(QStringLiteral("Activity ID"))).data().toString(),
             QStringLiteral("A101"));
    QVERIFY(!previous->isEnabled());
    QVERIFY(runPopUp(QStringLiteral("Activity Name"), [](ZFilterDialogPopUp *popup) {
        choose(popup, popup->sortAscendingAction());
    }));
    const int name = column(QStringLiteral("Activity Name"));
    QCOMPARE(m_pane->filterModel()->sortColumn(), name);
    QCOMPARE(m_header->sortColumn(), name);
    // Texts sort case-sensitively: "pour" after the capitals.
    QCOMPARE(shown(), QStringLiteral("[Project 2024-01-01] [Design 2024-01-01] A102 A101 "
                                     "[Build 2024-01-15] A105 A104 A103"));
    QVERIFY(previous->isEnabled());
    bool ascending = false;
    QVERIFY(runPopUp(QStringLiteral("Activity Name"), [&ascending](ZFilterDialogPopUp *popup) {
        ascending = popup->sortAscendingAction()->isChecked()
                    && !popup->sortDescendingAction()->isChecked();
        checkOnly(popup, {QStringLiteral("pour"), QStringLiteral("Survey")});
        popup->onAccepted();
    }));
    QVERIFY(ascending);
    QCOMPARE(shown(), QStringLiteral("[Project 2024-01-01] [Design 2024-01-01] A101 "
                                     "[Build 2024-01-15] A103"));
    QVERIFY(!previous->isEnabled());
    // "Clear" on another column removes the sort as well, not the filter.
    QVERIFY(runPopUp(QStringLiteral("Activity ID"), [](ZFilterDialogPopUp *popup) {
        choose(popup, popup->clearAction());
    }));
    QCOMPARE(m_pane->filterModel()->sortColumn(), -1);
    QCOMPARE(m_header->sortColumn(), -1);
    QCOMPARE(m_header->filteredColumns(), QList<int>{name});
}

void tst_LoadedWindow::columnChooser()
{
    QTreeView *tree = m_pane->treeView();
    QHeaderView *header = tree->header();
    QStringList before = visibleColumns(header);
    WidgetAnswerer<ZGroupedColumnDialog> answerer;
    QStringList available;
    answerer.arm([&](ZGroupedColumnDialog *dialog) {
        QCOMPARE(dialog->selectedColumns(), before);
        QStandardItemModel *tree = dialog->availableModel();
        // Show two hidden columns, found under their groups.
        for (const QString &caption : {QStringLiteral("Planned Duration"), QStringLiteral("Remaining Duration")}) {
            const QModelIndexList hits = tree->match(tree->index(0, 0), Qt::DisplayRole, caption, 1,
                                                     Qt::MatchExactly | Qt::MatchRecursive);
            QVERIFY(!hits.isEmpty());
            QVERIFY(hits.first().parent().isValid()); // under a group row
            dialog->availableView()->setCurrentIndex(hits.first());
            dialog->onRightPressed();
        }
        // The system columns are never offered.
        QVERIFY(tree->match(tree->index(0, 0), Qt::DisplayRole, QStringLiteral("parentID"), 1,
                            Qt::MatchExactly | Qt::MatchRecursive)
                    .isEmpty());
        // "Remaining Duration" (last) goes up two rows, "Activity ID"
        // (first) back to the tree.
        const int last = dialog->chosenModel()->rowCount() - 1;
        dialog->chosenView()->setCurrentIndex(dialog->chosenModel()->index(last, 0));
        dialog->onUpPressed();
        dialog->onUpPressed();
        dialog->chosenView()->setCurrentIndex(dialog->chosenModel()->index(0, 0));
        dialog->onLeftPressed();
        dialog->accept();
    });
    m_window->onColumnsAction();
    QVERIFY(answerer.answered);
    QStringList expected = before.mid(1);
    expected.insert(expected.size() - 1, QStringLiteral("Remaining Duration"));
    expected.append(QStringLiteral("Planned Duration"));
    QCOMPARE(visibleColumns(header), expected);
    QVERIFY(!visibleColumns(header).contains(QStringLiteral("Activity ID")));
    QCOMPARE(tree->treePosition(), firstVisibleColumn(header));

    // Cancel keeps the columns; "Clear all filters" clears even then.
    QVERIFY(runPopUp(QStringLiteral("Activity Type"), [](ZFilterDialogPopUp *popup) {
        checkOnly(popup, {QStringLiteral("Milestone")});
        popup->onAccepted();
    }));
    before = visibleColumns(header);
    answerer.arm([](ZGroupedColumnDialog *dialog) {
        dialog->clearAllFiltersButton()->click();
        dialog->reject();
    });
    m_window->onColumnsAction();
    QVERIFY(answerer.answered);
    QCOMPARE(visibleColumns(header), before);
    QVERIFY(!m_header->hasAnyFilter());
    QVERIFY(m_pane->filterModel()->patterns().isEmpty());
}

void tst_LoadedWindow::columnChooserOnResourcesPage()
{
    auto *stack = m_window->findChild<QStackedWidget *>(QStringLiteral("stackedWidget"));
    QTreeView *tree = m_pane->treeView();
    const int treeColumn = tree->treePosition();
    m_window->findChild<QAction *>(QStringLiteral("actionResources"))->trigger();
    QCOMPARE(stack->currentIndex(), 1);
    QHeaderView *resources = m_window->resourcesPane()->tableView()->horizontalHeader();
    QCOMPARE(m_window->currentHeader(), resources);
    QCOMPARE(m_window->currentFilterModel(), m_window->resourcesPane()->filterModel());
    QStringList chosen;
    WidgetAnswerer<ZGroupedColumnDialog> answerer;
    answerer.arm([&chosen](ZGroupedColumnDialog *dialog) {
        // Reverse the shown columns.
        QStandardItemModel *list = dialog->chosenModel();
        for (int r = list->rowCount() - 1; r > 0; --r) {
            dialog->chosenView()->setCurrentIndex(list->index(0, 0));
            for (int k = 0; k < r; ++k)
                dialog->onDownPressed();
        }
        chosen = dialog->selectedColumns();
        dialog->accept();
    });
    m_window->onColumnsAction();
    QVERIFY(answerer.answered);
    QVERIFY(chosen.size() > 1);
    QCOMPARE(visibleColumns(resources), chosen);
    // Only the resources header changed: the activity tree keeps its tree
    // column.
    QCOMPARE(tree->treePosition(), treeColumn);
}

void tst_LoadedWindow::previousNextMoveTheTree()
{
    ActivityDetails *details = m_window->detailsPane();
    auto *previous = details->findChild<QToolButton *>(QStringLiteral("tbPrevious"));
    auto *next = details->findChild<QToolButton *>(QStringLiteral("tbNext"));
    auto *name = details->findChild<QLineEdit *>(QStringLiteral("leName"));
    QVERIFY(previous && next && name);
    QTreeView *tree = m_pane->treeView();
    const int idColumn = column(QStringLiteral("Activity ID"));
    const auto currentId = [tree, idColumn] {
        const QModelIndex i = tree->currentIndex();
        return i.sibling(i.row(), idColumn).data().toString();
    };
    tree->collapseAll();
    tree->setCurrentIndex(m_pane->filterModel()->index(0, 0));
    // From the first band to the first activity on, band rows are passed
    // over and collapsed bands opened; the General tab and the chart follow.
    m_pane->stepCurrentActivity(1);
    QCOMPARE(currentId(), QStringLiteral("A101"));
    QCOMPARE(tree->currentIndex().column(), firstVisibleColumn(m_header));
    QVERIFY(!previous->isEnabled());
    QStringList seen{currentId()};
    while (next->isEnabled()) {
        next->click();
        seen << currentId();
        QCOMPARE(name->text(), tree->currentIndex()
                                   .sibling(tree->currentIndex().row(),
                                            column(QStringLiteral("Activity Name")))
                                   .data()
                                   .toString());
        m_pane->ganttChart()->flushPendingRebuild();
    }
    QCOMPARE(seen, (QStringList{QStringLiteral("A101"), QStringLiteral("A102"), QStringLiteral("A103"),
                                QStringLiteral("A104"), QStringLiteral("A105")}));
    QVERIFY(tree->isExpanded(tree->currentIndex().parent()));
    previous->click();
    previous->click();
    QCOMPARE(currentId(), QStringLiteral("A103"));
    QCOMPARE(name->text(), QStringLiteral("pour"));
    // The Relationships tab shows the new row's relations.
    auto *predecessors = details->findChild<QTableView *>(QStringLiteral("tblvwPred"));
    QVERIFY(predecessors);
    QCOMPARE(predecessors->model()->rowCount(), 0);
    next->click();
    QCOMPARE(currentId(), QStringLiteral("A104"));
    QCOMPARE(predecessors->model()->rowCount(), 1);
    // By keys: Space on a button steps, and the button keeps the focus for
    // the next Space.
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    previous->setFocus();
    QTest::keyClick(previous, Qt::Key_Space);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QCOMPARE(currentId(), QStringLiteral("A102"));
    QCOMPARE(QApplication::focusWidget(), previous);
    // A row picked in the chart is current in the user's column.
    mygc::GanttChart *chart = m_pane->ganttChart();
    chart->flushPendingRebuild();
    QTest::mouseClick(chart->chartArea(), Qt::LeftButton, {}, QPoint(5, chart->rowAxis()->rowTop(0) + 2));
    QCOMPARE(tree->currentIndex(), m_pane->filterModel()->index(0, firstVisibleColumn(m_header)));
}

void tst_LoadedWindow::roadsKeepTheUsersColumnAndBand_data()
{
    QTest::addColumn<QString>("road");
    QTest::addColumn<QString>("id"); // the current activity afterwards
    QTest::addRow("lookup") << "lookup" << "A104";
    QTest::addRow("Next") << "tbNext" << "A104";
    QTest::addRow("Previous") << "tbPrevious" << "A102";
    QTest::addRow("pick in the chart") << "chart" << "A104";
    QTest::addRow("Expand All") << "actionExpand_All" << "A103";
    QTest::addRow("sort") << "sort" << "A103";
    QTest::addRow("filter") << "filter" << "A103";
    QTest::addRow("Clear after a sort") << "clear" << "A103";
    QTest::addRow("regroup") << "regroup" << "A103";
    QTest::addRow("regroup from a band") << "band regroup" << "A103";
    QTest::addRow("Collapse All") << "actionCollapse_All" << "[Project]";
    QTest::addRow("Level 1") << "actionLevel_1" << "[Build]";
    QTest::addRow("Outline button") << "Outline" << "[Project]";
    QTest::addRow("Expand after Collapse All") << "actionCollapse_All actionExpand" << "[Project]";
    QTest::addRow("pop-up cancelled") << "cancel" << "A103";
    QTest::addRow("Level 1, the row scrolled away") << "scrolled actionLevel_1" << "[Build]";
    QTest::addRow("details pane shown") << "details" << "A103";
}

// With the user in another column than the first, each road that makes a
// row current keeps that column, and the chart's band, the highlight and
// the details stay with the current row.
void tst_LoadedWindow::roadsKeepTheUsersColumnAndBand()
{
    QFETCH(QString, road);
    QFETCH(QString, id);
    QTreeView *tree = m_pane->treeView();
    QAbstractItemModel *model = m_pane->filterModel();
    mygc::GanttChart *chart = m_pane->ganttChart();
    const int type = column(QStringLiteral("Activity Type"));
    const auto chartRow = [chart](const QModelIndex &row) {
        chart->flushPendingRebuild();
        for (int position = 0; position < chart->tasks().size(); ++position) {
            if (QModelIndex(chart->tasks().at(position)->index()) == row.siblingAtColumn(0))
                return position;
        }
        return -1;
    };
    const auto activity = [&](const QString &code) { // a band as "[label]"
        const bool band = code.startsWith(QLatin1Char('['));
        const QModelIndexList hits = model->match(model->index(0, column(band ? "Group" : "Activity ID")),
            Qt::DisplayRole, band ? code.mid(1, code.size() - 2) : code, 1, Qt::MatchExactly | Qt::MatchRecursive);
        return hits.isEmpty() ? QModelIndex() : hits.first().siblingAtColumn(type);
    };
    // The Design band closed: Expand All moves the rows below it down.
    tree->collapse(model->index(0, 0, model->index(0, 0)));
    tree->setCurrentIndex(activity(QStringLiteral("A103")));
    if (road.startsWith(QLatin1String("band ")))
        tree->setCurrentIndex(activity(QStringLiteral("[Build]")));
    road.remove(QRegularExpression(QStringLiteral("^band ")));
    QCOMPARE(chart->chartArea()->selectedRow(), chartRow(tree->currentIndex()));
    // A new order, rows or bands bring the current cell back into view: two
    // rows shown (fixed, or the splitter gives the room back), the cell's
    // right edge at the viewport's.
    const bool sought = QStringList{"sort", "filter", "clear", "regroup", "cancel", "details"}.contains(road)
                        || road.startsWith(QLatin1String("scrolled "));
    if (sought) {
        QCoreApplication::processEvents(); // the tree column fitted to the bands
        if (road != QLatin1String("details"))
            tree->setFixedSize(300, tree->height() - tree->viewport()->height() + 2 * tree->sizeHintForRow(0));
        tree->scrollTo(tree->currentIndex(), QAbstractItemView::PositionAtTop);
        tree->horizontalScrollBar()->setValue(m_header->sectionViewportPosition(type) + m_header->sectionSize(type)
                                              + tree->horizontalScrollBar()->value() - tree->viewport()->width());
    }

    if (road == QLatin1String("lookup")) {
        m_pane->gotoTask(104);
    } else if (road.startsWith(QLatin1String("tb"))) {
        m_window->detailsPane()->findChild<QToolButton *>(road)->click();
    } else if (road == QLatin1String("chart")) {
        const int position = chartRow(activity(QStringLiteral("A104")));
        QTest::mouseClick(chart->chartArea(), Qt::LeftButton, {},
                          QPoint(5, chart->rowAxis()->rowTop(position) + 2));
    } else if (road == QLatin1String("sort") || road == QLatin1String("clear")) {
        // Texts sort case-sensitively: "pour" after the capitals.
        QVERIFY(runPopUp(QStringLiteral("Activity Name"), [](ZFilterDialogPopUp *popup) {
            choose(popup, popup->sortAscendingAction());
        }));
        if (road == QLatin1String("clear")) { // A103 back before A104
            tree->scrollTo(tree->currentIndex());
            QVERIFY(runPopUp("Activity Name", [](ZFilterDialogPopUp *popup) { choose(popup, popup->clearAction()); }));
        }
    } else if (road == QLatin1String("filter")) {
        // The Design band goes with its activities.
        QVERIFY(runPopUp(QStringLiteral("Activity ID"), [](ZFilterDialogPopUp *popup) {
            checkOnly(popup, {QStringLiteral("A103"), QStringLiteral("A104"), QStringLiteral("A105")});
            popup->onAccepted();
        }));
    } else if (road == QLatin1String("regroup")) { // a level more: the tree column widens
        ZGrouping levels;
        for (const char *field : {"WBS Name", "Activity Type"})
            levels.addGroup(field, "All", QFont(), QColor(), QBrush());
        m_pane->setCurrentGrouping(levels);
        QCoreApplication::processEvents();
    } else if (road == QLatin1String("cancel")) { // the view stays where the wheel left it
        QCoreApplication::processEvents();
        tree->verticalScrollBar()->setValue(0);
        QVERIFY(runPopUp(QStringLiteral("Activity Name"), [](ZFilterDialogPopUp *popup) { popup->onRejected(); }));
    } else if (road == QLatin1String("details")) { // shown again, it leaves the tree two rows
        auto *splitter = qobject_cast<QSplitter *>(m_pane->parentWidget());
        m_window->detailsPane()->setMinimumHeight(splitter->height() - splitter->handleWidth() - 2 * tree->sizeHintForRow(0)
                                                  - (m_pane->height() - tree->viewport()->height()));
        QAction *details = m_window->findChild<QAction *>(QStringLiteral("actionDetail"));
        details->trigger();
        QCoreApplication::processEvents();
        details->trigger();
    } else if (road == QLatin1String("Outline")) { // the tool button
        for (QMenu *menu : m_window->findChildren<QMenu *>())
            if (menu->title() == road) menu->menuAction()->trigger();
    } else {
        if (road.startsWith(QLatin1String("scrolled "))) { // the wheel took the current row away
            tree->verticalScrollBar()->setValue(0);
            road.remove(0, 9);
        }
        for (const QString &action : road.split(QLatin1Char(' ')))
            m_window->findChild<QAction *>(action)->trigger();
        QCOMPARE(tree->isExpanded(model->index(0, 0)), road != QLatin1String("actionCollapse_All"));
    }
    const QModelIndex current = tree->currentIndex();
    QCOMPARE(current, activity(id));
    if (sought)
        QVERIFY(road == QLatin1String("cancel") ? tree->verticalScrollBar()->value() == 0
                                                : tree->viewport()->rect().contains(tree->visualRect(
                                                      id.startsWith(QLatin1Char('[')) ? current.siblingAtColumn(tree->treePosition()) : current)));
    QVERIFY(tree->selectionModel()->isRowSelected(current.row(), current.parent()));
    QCOMPARE(chart->chartArea()->selectedRow(), chartRow(current));
    QCOMPARE(m_window->detailsPane()->findChild<QLineEdit *>(QStringLiteral("leName"))->text(),
             current.siblingAtColumn(column(QStringLiteral("Activity Name"))).data().toString());
    // On a band Previous and Next step from its place, also once a filter
    // leaves no activity before it.
    const auto button = [this](const char *name) { return m_window->detailsPane()->findChild<QToolButton *>(name)->isEnabled(); };
    if (id.startsWith(QLatin1Char('['))) {
        QCOMPARE(button("tbPrevious"), id != QLatin1String("[Project]"));
        QVERIFY(runPopUp("Activity ID", [](ZFilterDialogPopUp *popup) { checkOnly(popup, {"A103"}); popup->onAccepted(); }));
        QVERIFY(!button("tbPrevious") && button("tbNext"));
    }
}

void tst_LoadedWindow::keysMoveRowTableChartAndDetails_data()
{
    QTest::addColumn<bool>("grouped");
    QTest::addColumn<QString>("from"); // the current cell's column before the keys
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("column"); // the current cell's column after them
    QTest::addColumn<QString>("id");     // the current row's activity after them
    QTest::addColumn<bool>("hideAll");   // a filter then hides every row, and is cleared
    const int down = Qt::Key_Down;
    const int left = Qt::Key_Left;
    const int right = Qt::Key_Right;
    const QString first = QStringLiteral("Activity ID");
    QTest::addRow("flat") << false << first << QList<int>{down, down, down} << first << "A104" << false;
    QTest::addRow("grouped") << true << first << QList<int>{down, down, down} << first << "A103" << false;
    QTest::addRow("flat, Left and Right on an activity")
        << false << first << QList<int>{right, right, right, left, down} << "Activity Type" << "A102" << false;
    QTest::addRow("grouped, Left and Right on an activity")
        << true << first << QList<int>{right, right, right, left, down} << "Activity Type" << "A102" << false;
    QTest::addRow("grouped, Left and Right on an activity, then every row hidden")
        << true << first << QList<int>{right, right, right, left, down} << "Activity Type" << "A102" << true;
    QTest::addRow("grouped, Left and Right on a band")
        << true << first << QList<int>{int(Qt::Key_Up), left, right, right, right, left, down}
        << first << "A102" << false;
    QTest::addRow("grouped, Left from a band's dates up to the band above")
        << true << "Start Date" << QList<int>{int(Qt::Key_Up), left, left, left, down, down, down}
        << "Start Date" << "A103" << false;
    QTest::addRow("grouped, Up onto a band's empty cell, Right into its first row")
        << true << "Free float" << QList<int>{int(Qt::Key_Up), right} << "Free float" << "A101" << false;
    QTest::addRow("grouped, Left at the first column up to the band")
        << true << first << QList<int>{left, down} << first << "A101" << false;
    QTest::addRow("flat, past either end")
        << false << first << QList<int>{left, right, right, right, right, right, right, right, right, down}
        << "Free float" << "A102" << false;
    QTest::addRow("grouped, from a hidden column")
        << true << "ID" << QList<int>{right, down} << "Activity ID" << "A102" << false;
}

void tst_LoadedWindow::keysMoveRowTableChartAndDetails()
{
    QFETCH(bool, grouped);
    QFETCH(QString, from);
    QFETCH(QList<int>, keys);
    QFETCH(QString, column);
    QFETCH(QString, id);
    QFETCH(bool, hideAll);
    // From a fresh open (then grouped), keys alone move the highlight, the
    // current row, the chart's band and the details together; Left and Right
    // move the current cell between the shown columns, sideways only as far
    // as the cell needs.
    m_pane->ganttChart()->setFocus();
    m_window->openXerFile(m_file);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isLoading(), 30000);
    QTreeView *tree = m_pane->treeView();
    // An open starts in the first column, whatever column the last project
    // was left in.
    QCOMPARE(tree->currentIndex().column(), this->column(QStringLiteral("Activity ID")));
    if (grouped) {
        // A regroup keeps the column the user is in.
        const int type = this->column(QStringLiteral("Activity Type"));
        tree->setCurrentIndex(tree->currentIndex().siblingAtColumn(type));
        ZGrouping wbs;
        wbs.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(), QColor(), QBrush());
        m_pane->setCurrentGrouping(wbs);
        QCOMPARE(tree->currentIndex().column(), type);
        m_window->findChild<QAction *>(QStringLiteral("actionExpand_All"))->trigger();
    }
    tree->setCurrentIndex(tree->currentIndex().siblingAtColumn(this->column(from)));
    tree->resize(300, tree->height());
    QScrollBar *bar = tree->horizontalScrollBar();
    QVERIFY(bar->maximum() > 0);
    auto *name = m_window->detailsPane()->findChild<QLineEdit *>(QStringLiteral("leName"));
    const auto press = [&](int key, Qt::KeyboardModifiers modifiers = {}) {
        QCOMPARE(m_window->focusWidget(), tree);
        const int scrolled = bar->value();
        QTest::keyClick(tree, Qt::Key(key), modifiers);
        const QModelIndex current = tree->currentIndex();
        const QModelIndex row = current.siblingAtColumn(0);
        QVERIFY(!m_header->isSectionHidden(current.column()));
        QCOMPARE(tree->selectionModel()->selectedRows(current.column()), QModelIndexList{current});
        // The cell in view (a band's title from its start, whichever of its
        // columns is current); the table scrolled only when it had to, and
        // then no further than the cell's edge.
        const int title = m_header->visualIndex(current.column()) - m_header->visualIndex(tree->treePosition());
        const bool onTitle = m_pane->treeView()->isGroupIndex(current) && title <= m_pane->treeView()->mergeColumns();
        const int seen = onTitle ? tree->treePosition() : current.column();
        const int x = m_header->sectionViewportPosition(seen);
        const int end = x + m_header->sectionSize(seen);
        const int width = tree->viewport()->width();
        QVERIFY(x == 0 || (x > 0 && end <= width));
        QVERIFY(bar->value() == scrolled || x == 0 || end == width);
        mygc::GanttChart *chart = m_pane->ganttChart();
        chart->flushPendingRebuild();
        const int band = chart->chartArea()->selectedRow();
        QVERIFY(band >= 0);
        QCOMPARE(QModelIndex(chart->tasks().at(band)->index()), row);
        QCOMPARE(name->text(), current.siblingAtColumn(this->column(QStringLiteral("Activity Name"))).data().toString());
    };
    for (int key : keys) {
        press(key);
        if (QTest::currentTestFailed())
            return;
    }
    const QModelIndex chosen = tree->currentIndex();
    QCOMPARE(m_pane->filterModel()->headerData(chosen.column(), Qt::Horizontal).toString(), column);
    QCOMPARE(chosen.siblingAtColumn(this->column(QStringLiteral("Activity ID"))).data().toString(), id);
    // With every row filtered away no cell is current: the keys still open
    // the pop-up of the column the user was in, and with the filter cleared
    // the rows come back with the cell.
    if (hideAll) {
        QVERIFY(runPopUp(column, [](ZFilterDialogPopUp *popup) { checkOnly(popup, {}); popup->onAccepted(); }));
        QCoreApplication::processEvents();
        QCOMPARE(tree->model()->rowCount(), 0);
    }
    // Alt+Down, or F4, opens that column's pop-up, and the key ends there:
    // the current cell stays when the pop-up closes. Ctrl+F4 is no such key.
    for (const int key : {int(Qt::ALT | Qt::Key_Down), int(Qt::Key_F4), int(Qt::CTRL | Qt::Key_F4)}) {
        QString opened;
        WidgetAnswerer<ZFilterDialogPopUp> filter;
        filter.arm([&opened, this](ZFilterDialogPopUp *popup) {
            opened = m_pane->filterModel()->headerData(popup->column(), Qt::Horizontal).toString();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        QTest::keyClick(tree, Qt::Key(key & ~Qt::KeyboardModifierMask), Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
        QCOMPARE(opened, key & Qt::CTRL ? QString() : column);
        QCOMPARE(tree->currentIndex(), hideAll ? QModelIndex() : chosen);
    }
    if (hideAll) {
        QVERIFY(runPopUp(column, [](ZFilterDialogPopUp *popup) { choose(popup, popup->clearAction()); }));
        QCoreApplication::processEvents();
        QCOMPARE(tree->currentIndex().column(), chosen.column());
        QCOMPARE(tree->currentIndex().siblingAtColumn(this->column(QStringLiteral("Activity ID"))).data().toString(), id);
        return;
    }
    press(Qt::Key_End);
    QCOMPARE(tree->currentIndex().siblingAtColumn(this->column(QStringLiteral("Activity ID"))).data().toString(),
             QStringLiteral("A105"));
    QCOMPARE(tree->currentIndex().column(), chosen.column());
    // A filter that hides the current row (and the one before it) makes
    // the nearest row shown current, in the column the keys chose; the
    // keys and the pane's buttons go on from there.
    QVERIFY(runPopUp(QStringLiteral("Activity Type"), [](ZFilterDialogPopUp *popup) {
        checkOnly(popup, {QStringLiteral("Milestone")});
        popup->onAccepted();
    }));
    QCoreApplication::processEvents();
    QCOMPARE(tree->currentIndex().siblingAtColumn(this->column(QStringLiteral("Activity ID"))).data().toString(),
             QStringLiteral("A104"));
    QCOMPARE(tree->currentIndex().column(), chosen.column());
    QVERIFY(m_window->detailsPane()->findChild<QToolButton *>(QStringLiteral("tbPrevious"))->isEnabled());
    press(Qt::Key_Up); // onto the band
    press(Qt::Key_Down);
    QCOMPARE(tree->currentIndex().column(), chosen.column());
}

void tst_LoadedWindow::recentMenuShowsAmpersands()
{
    const QString path = m_dir.filePath(QStringLiteral("R&D plan.xer"));
    QVERIFY(QFile::copy(m_file, path));
    m_window->openXerFile(path);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isLoading(), 30000);
    QMenu *file = m_window->findChild<QMenu *>(QStringLiteral("menuFile"));
    QStringList shown;
    for (QAction *action : file->actions()) {
        if (action->data().toMap().value(QStringLiteral("fileName")).toString() == path)
            shown << action->text();
    }
    // Doubled in the action text, so the menu draws one "&" and no
    // underlined letter.
    QCOMPARE(shown, QStringList{QString(path).replace(QLatin1Char('&'), QLatin1String("&&"))});
}

void tst_LoadedWindow::closeLeavesNoDateAxis()
{
    mygc::GanttChart *chart = m_pane->ganttChart();
    chart->flushPendingRebuild();
    QVERIFY(chart->dateAxis()->hasRange());
    m_window->findChild<QAction *>(QStringLiteral("actionMonth"))->trigger();
    m_window->findChild<QAction *>(QStringLiteral("actionClose"))->trigger();
    chart->flushPendingRebuild();
    QCOMPARE(chart->taskCount(), 0);
    QVERIFY(!chart->dateAxis()->hasRange());
    QVERIFY(chart->dateAxis()->empty());
    QCOMPARE(chart->cellsCount(), qint64(0));

    // Back to the window of a fresh start: title, time scale, the tree's
    // header, the grouping's levels with their formats.
    MainWindow fresh;
    QCOMPARE(m_window->windowTitle(), fresh.windowTitle());
    QCOMPARE(m_window->timeScaleUnits(), fresh.timeScaleUnits());
    QHeaderView *header = m_pane->treeView()->header();
    QHeaderView *freshHeader = fresh.activitiesPane()->treeView()->header();
    QCOMPARE(header->height(), freshHeader->height());
    QCOMPARE(visibleColumns(header), visibleColumns(freshHeader));
    for (int section = 0; section < header->count(); ++section)
        QCOMPARE(header->sectionSize(section), freshHeader->sectionSize(section));
    QCOMPARE(m_pane->currentGrouping().toVariant(),
             fresh.activitiesPane()->currentGrouping().toVariant());
}

void tst_LoadedWindow::everyOpenStartsFromAFreshScale_data()
{
    QTest::addColumn<bool>("closeFirst");
    QTest::addRow("Close, then Open") << true;
    QTest::addRow("Open over the project") << false;
}

// Neither a time scale chosen for one project nor a column width dragged on
// its date axis reaches the next: an open closes as Close does.
void tst_LoadedWindow::everyOpenStartsFromAFreshScale()
{
    QFETCH(bool, closeFirst);
    mygc::GanttChart *chart = m_pane->ganttChart();
    m_window->findChild<QAction *>(QStringLiteral("actionMonth"))->trigger();
    chart->flushPendingRebuild();
    mygc::DateAxis *axis = chart->dateAxis();
    QCOMPARE(axis->levelCount(), 2);
    // Drag the border of the first day from x = 25 to 60.
    const int y = axis->height() - 5;
    QTest::mousePress(axis, Qt::LeftButton, {}, QPoint(axis->columnWidth(), y));
    QMouseEvent move(QEvent::MouseMove, QPointF(60, y), QPointF(axis->mapToGlobal(QPoint(60, y))), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(axis, &move);
    QTest::mouseRelease(axis, Qt::LeftButton, {}, QPoint(60, y));
    QCOMPARE(axis->columnWidth(), 60);

    if (closeFirst)
        m_window->findChild<QAction *>(QStringLiteral("actionClose"))->trigger();
    m_window->openXerFile(m_file);
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isLoading(), 30000);
    chart->flushPendingRebuild();
    MainWindow fresh;
    QCOMPARE(m_window->timeScaleUnits(), fresh.timeScaleUnits());
    QCOMPARE(axis->levelCount(), 1);
    QCOMPARE(axis->columnWidth(), fresh.activitiesPane()->ganttChart()->dateAxis()->columnWidth());
}

void tst_LoadedWindow::noToolBarContextMenu()
{
    auto *toolBar = m_window->findChild<QToolBar *>(QStringLiteral("mainToolBar"));
    QVERIFY(toolBar);
    for (QWidget *target : {static_cast<QWidget *>(toolBar), static_cast<QWidget *>(m_window.get())}) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(target, &event);
        QCoreApplication::processEvents();
        QVERIFY(!QApplication::activePopupWidget());
    }
}

QTEST_MAIN(tst_LoadedWindow)
#include "tst_loadedwindow.moc"
