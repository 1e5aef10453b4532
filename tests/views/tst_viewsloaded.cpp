// The details pane and the resources page over the models of a real load.

#include "activities.h"
#include "activitydetails.h"
#include "zgroupedtreeview.h"
#include "modelhelpers.h"
#include "resources.h"
#include "xerloader.h"
#include "xertestfiles.h"
#include "zfilterdialogproxymodel.h"
#include "zsortfilterheader.h"

#include <QAbstractItemModelTester>
#include <QJsonDocument>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

class tst_ViewsLoaded : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void detailsOfOneActivity_data();
    void detailsOfOneActivity();
    void resourcesPage();
    void relatedActivityBecomesCurrent();

private:
    QModelIndex activityIndex(const QString &activityId) const;
    QStringList column(ActivityDetails *pane, const char *table, const QString &caption) const;

    QTemporaryDir m_dir;
    XERLoader *m_loader = nullptr;
};

void tst_ViewsLoaded::initTestCase()
{
    QVERIFY(m_dir.isValid());
    using xertest::table;
    QByteArray xer = xertest::header();
    xer += table("PROJECT", "proj_id\tproj_short_name", { "1\tP" });
    xer += table("PROJWBS", "wbs_id\tproj_id\tproj_node_flag\twbs_short_name\twbs_name\tparent_wbs_id",
                 { "10\t1\tY\tP\tProject\t", "11\t1\tN\tW1\tDesign\t10" });
    xer += table("RSRC", "rsrc_id\trsrc_short_name\trsrc_name\trsrc_type",
                 { "500\tCR\tCrane\tRT_Equip", "501\tWE\tWelder\tRT_Labor", "502\tPA\tPainter\tRT_Labor" });
    xer += table("ACTVTYPE", "actv_code_type_id\tactv_short_len\tseq_num\tactv_code_type\tactv_code_type_scope",
                 { "100\t10\t1\tPhase\tAS_Project" });
    xer += table("ACTVCODE", "actv_code_id\tparent_actv_code_id\tactv_code_type_id\tactv_code_name\tshort_name\tseq_num",
                 { "1000\t\t100\tEngineering\tEN\t1", "1001\t\t100\tBuild\tBU\t2" });
    xer += table("TASK",
                 "task_id\tproj_id\twbs_id\ttask_type\ttask_code\ttask_name\ttarget_start_date\ttarget_end_date"
                 "\tearly_start_date\tearly_end_date",
                 { "7\t1\t11\tTT_Task\tA7\tSeven\t2024-03-01 08:00\t2024-03-05 17:00\t2024-03-01 08:00\t2024-03-05 17:00",
                   "12\t1\t11\tTT_Task\tA12\tTwelve\t2024-03-04 08:00\t2024-03-15 17:00\t2024-03-04 08:00\t2024-03-15 17:00",
                   "112\t1\t11\tTT_Mile\tA112\tOne-twelve\t2024-03-18 08:00\t2024-03-18 08:00\t2024-03-18 08:00\t2024-03-18 08:00",
                   "120\t1\t11\tTT_Task\tA120\tOne-twenty\t2024-03-19 08:00\t2024-03-22 17:00\t2024-03-19 08:00\t2024-03-22 17:00" });
    xer += table("TASKPRED", "task_pred_id\ttask_id\tpred_task_id\tproj_id\tpred_proj_id\tpred_type\tlag_hr_cnt",
                 { "1\t12\t7\t1\t1\tPR_FS\t0", "2\t112\t12\t1\t1\tPR_SS\t8", "3\t120\t112\t1\t1\tPR_FF\t0",
                   "4\t112\t120\t1\t1\tPR_FS\t0", "5\t12\t120\t1\t1\tPR_SF\t0" });
    xer += table("TASKRSRC", "taskrsrc_id\ttask_id\tproj_id\trsrc_id\ttarget_qty",
                 { "1\t12\t1\t500\t8", "2\t112\t1\t501\t8", "3\t120\t1\t502\t8", "4\t12\t1\t501\t16" });
    xer += table("TASKACTV", "task_id\tactv_code_type_id\tactv_code_id\tproj_id",
                 { "12\t100\t1000\t1", "112\t100\t1001\t1", "120\t100\t1001\t1" });
    xer += "%E\r\n";
    const QString path = xertest::writeFile(m_dir, QStringLiteral("small.xer"), xer);
    QVERIFY(!path.isEmpty());

    const QJsonDocument schema =
        QJsonDocument::fromJson(readFile(QStringLiteral(":/files/schema.json")).toUtf8());
    QVERIFY(!schema.isNull());
    m_loader = new XERLoader(path, schema);
    QSignalSpy finished(m_loader, &ProjectLoader::finished);
    m_loader->read();
    QTRY_COMPARE(finished.count(), 1);
    QVERIFY(m_loader->model(QStringLiteral("ActivityModel")));
}

void tst_ViewsLoaded::cleanupTestCase()
{
    delete m_loader;
}

QModelIndex tst_ViewsLoaded::activityIndex(const QString &activityId) const
{
    QAbstractItemModel *model = m_loader->model(QStringLiteral("ActivityModel"));
    const int column = columnIndex(model, QStringLiteral("Activity ID"));
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->index(r, column).data().toString() == activityId)
            return model->index(r, column);
    }
    return QModelIndex();
}

QStringList tst_ViewsLoaded::column(ActivityDetails *pane, const char *name, const QString &caption) const
{
    auto *table = pane->findChild<QTableView *>(QLatin1String(name));
    QAbstractItemModel *model = table->model();
    QStringList out;
    int c = -1;
    // The relation lists show the other activity's columns: the last match.
    for (int i = 0; i < model->columnCount(); ++i) {
        if (model->headerData(i, Qt::Horizontal).toString() == caption && !table->isColumnHidden(i))
            c = i;
    }
    if (c < 0)
        return { QStringLiteral("<no column %1>").arg(caption) };
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->index(r, c).data().toString();
    out.sort();
    return out;
}

void tst_ViewsLoaded::detailsOfOneActivity_data()
{
    QTest::addColumn<QString>("activity");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("predecessors");
    QTest::addColumn<QStringList>("successors");
    QTest::addColumn<QStringList>("resources");

    QTest::addRow("12") << "A12" << "Twelve" << QStringList{ "A120", "A7" } << QStringList{ "A112" }
                        << QStringList{ "Crane", "Welder" };
    QTest::addRow("112") << "A112" << "One-twelve" << QStringList{ "A12", "A120" }
                         << QStringList{ "A120" } << QStringList{ "Welder" };
    QTest::addRow("7") << "A7" << "Seven" << QStringList{} << QStringList{ "A12" } << QStringList{};
}

void tst_ViewsLoaded::detailsOfOneActivity()
{
    QFETCH(QString, activity);
    QFETCH(QString, name);
    QFETCH(QStringList, predecessors);
    QFETCH(QStringList, successors);
    QFETCH(QStringList, resources);

    ActivityDetails pane;
    pane.setActivityModel(m_loader->model(QStringLiteral("ActivityModel")));
    pane.setResourceModel(m_loader->model(QStringLiteral("ResourceModel")));
    pane.setPredecessorModel(m_loader->model(QStringLiteral("PredecessorModel")));
    pane.setCodesModel(m_loader->model(QStringLiteral("taskCodesAssignmentModel")));
    for (QTableView *table : pane.findChildren<QTableView *>())
        new QAbstractItemModelTester(table->model(), QAbstractItemModelTester::FailureReportingMode::QtTest,
                                     table->model());

    const QModelIndex index = activityIndex(activity);
    QVERIFY(index.isValid());
    pane.onRowChanged(index, QModelIndex());
    QCOMPARE(pane.findChild<QLineEdit *>(QStringLiteral("leName"))->text(), name);
    QCOMPARE(column(&pane, "tblvwPred", QStringLiteral("Activity ID")), predecessors);
    QCOMPARE(column(&pane, "tblvwSucc", QStringLiteral("Activity ID")), successors);
    QCOMPARE(column(&pane, "tblResources", QStringLiteral("Resource Name")), resources);
    auto *codes = pane.findChild<QTableView *>(QStringLiteral("tblvwCodes"));
    // The code pivot has one row per activity: exactly this one.
    QCOMPARE(codes->model()->rowCount(), 1);
    QCOMPARE(codes->model()->index(0, 0).data().toString(), activity.mid(1));
    const QString start = pane.findChild<QLineEdit *>(QStringLiteral("leStart"))->text();
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d-\\d\\d-2024$")).match(start).hasMatch(),
             qPrintable(start));
}

void tst_ViewsLoaded::resourcesPage()
{
    Resources page;
    QAbstractItemModel *resources = m_loader->model(QStringLiteral("ResourceModel"));
    page.setModel(resources);
    QAbstractItemModelTester tester(page.filterModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(page.model(), resources);
    QCOMPARE(page.tableView()->model()->rowCount(), 4);
    const int nameColumn = columnIndex(page.filterModel(), QStringLiteral("Resource Name"));
    QVERIFY(nameColumn >= 0);
    page.filterModel()->setFilter(nameColumn, { QStringLiteral("Welder") });
    qobject_cast<ZSortFilterHeader *>(page.tableView()->horizontalHeader())->setFilter(nameColumn);
    QCOMPARE(page.tableView()->model()->rowCount(), 2);
}

void tst_ViewsLoaded::relatedActivityBecomesCurrent()
{
    Activities activities;
    activities.setModels(m_loader->model(QStringLiteral("ActivityModel")),
                         m_loader->model(QStringLiteral("PROJWBS")),
                         m_loader->model(QStringLiteral("ACTVTYPE")),
                         m_loader->model(QStringLiteral("ACTVCODE")),
                         m_loader->model(QStringLiteral("PredecessorModel")), true);
    ActivityDetails details;
    details.m_activities = &activities;
    details.setActivityModel(m_loader->model(QStringLiteral("ActivityModel")));
    details.setResourceModel(m_loader->model(QStringLiteral("ResourceModel")));
    details.setPredecessorModel(m_loader->model(QStringLiteral("PredecessorModel")));
    details.setCodesModel(m_loader->model(QStringLiteral("taskCodesAssignmentModel")));
    // As the main window connects them.
    connect(activities.treeView()->selectionModel(), &QItemSelectionModel::currentRowChanged,
            &details, &ActivityDetails::onRowChanged);

    ZGroupedTreeView *tree = activities.treeView();
    const int idColumn = columnIndex(tree->model(), QStringLiteral("Activity ID"));
    auto currentId = [&]() {
        const QModelIndex c = tree->currentIndex();
        return c.sibling(c.row(), idColumn).data().toString();
    };
    const QModelIndexList hits = tree->model()->match(tree->model()->index(0, idColumn), Qt::DisplayRole,
                                                      QStringLiteral("A12"), 1, Qt::MatchExactly);
    QCOMPARE(hits.size(), 1);
    tree->setCurrentIndex(hits.first());
    QCOMPARE(details.findChild<QLineEdit *>(QStringLiteral("leName"))->text(), QStringLiteral("Twelve"));

    // Activate the predecessor A7, then the successor A112 of A12.
    auto *pred = details.findChild<QTableView *>(QStringLiteral("tblvwPred"));
    auto *succ = details.findChild<QTableView *>(QStringLiteral("tblvwSucc"));
    int row7 = -1;
    for (int r = 0; r < pred->model()->rowCount(); ++r) {
        if (pred->model()->index(r, 7).data().toString() == QLatin1String("A7"))
            row7 = r;
    }
    QVERIFY(row7 >= 0);
    emit pred->activated(pred->model()->index(row7, 7));
    QCOMPARE(currentId(), QStringLiteral("A7"));
    QCOMPARE(details.findChild<QLineEdit *>(QStringLiteral("leName"))->text(), QStringLiteral("Seven"));
    QCOMPARE(succ->model()->rowCount(), 1);
    emit succ->activated(succ->model()->index(0, 5));
    QCOMPARE(currentId(), QStringLiteral("A12"));
}

QTEST_MAIN(tst_ViewsLoaded)
#include "tst_viewsloaded.moc"
