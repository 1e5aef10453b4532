#include "mpprtask.h"
#include "msprojectloader.h"

#include <QtTest>

using mpmod::MSProjectLoader;

namespace {

mppr::Task makeTask(quint32 uniqueId, quint32 id, quint32 parent = 0, const QString &name = {})
{
    mppr::Task t;
    t.uniqueId = uniqueId;
    t.id = id;
    t.parentUniqueId = parent;
    t.name = name.isEmpty() ? QStringLiteral("T%1").arg(uniqueId) : name;
    return t;
}

// Rows of a table without its header, each as "col=value" pairs in the
// header's order; null values as "-".
QString rowsText(const QVariantList &table, const QStringList &columns)
{
    QStringList lines;
    for (int i = 1; i < table.size(); ++i) {
        const QVariantMap row = table.at(i).toMap();
        QStringList cells;
        for (const QString &c : columns) {
            const QVariant v = row.value(c);
            cells << (v.isNull() ? QStringLiteral("-") : v.toString());
        }
        lines << cells.join(QLatin1Char(','));
    }
    return lines.join(QLatin1Char(';'));
}

QDateTime at(int day)
{
    return QDateTime(QDate(2024, 1, day), QTime(8, 0), Qt::UTC);
}

} // namespace

// The MPP loader's six tables, from projects filled by hand.
class tst_MSProjectLoader : public QObject
{
    Q_OBJECT
private slots:
    void emptyProject();
    void outlineNumbers_data();
    void outlineNumbers();
    void deepNesting();
    void taskRow();
    void slack_data();
    void slack();
    void wbsRows();
    void links();
    void codeValues();
    void excludedTasks();
    void builtOnce();
    void replacedTask();
};

void tst_MSProjectLoader::emptyProject()
{
    MSProjectLoader loader(QStringLiteral("none.mpp"));
    const QVariantList types = loader.codeTypesData();
    QCOMPARE(types.first().toList(), MSProjectLoader::m_codtyp_headers);
    QCOMPARE(types.size(), 116);
    const QVector<QPair<QVariantList, QVariantList>> empties = {
        {loader.activitiesData(), MSProjectLoader::m_act_headers},
        {loader.wbsData(), MSProjectLoader::m_wbs_headers},
        {loader.predecessorsData(), MSProjectLoader::m_pred_headers},
        {loader.codesData(), MSProjectLoader::m_cod_headers},
        {loader.codeTasksData(), MSProjectLoader::m_codtask_headers}};
    for (const auto &e : empties) {
        QCOMPARE(e.first.size(), 1);
        QCOMPARE(e.first.first().toList(), e.second);
    }
    QCOMPARE(MSProjectLoader::m_act_headers.size(), 18);
    QCOMPARE(MSProjectLoader::m_act_headers.last().toString(), QStringLiteral("target_end_date"));

    // The code types, in their order: eight per n, the five of number 0, the texts.
    QStringList expected;
    for (int n = 1; n <= 10; ++n) {
        expected << QStringLiteral("%1,Start%2").arg(n).arg(n)
                 << QStringLiteral("%1,Finish%2").arg(100 + n).arg(n)
                 << QStringLiteral("%1,Cost%2").arg(200 + n).arg(n)
                 << QStringLiteral("%1,Duration%2").arg(300 + n).arg(n)
                 << QStringLiteral("%1,Baseline%2Start").arg(500 + n).arg(n)
                 << QStringLiteral("%1,Baseline%2Finish").arg(600 + n).arg(n)
                 << QStringLiteral("%1,Baseline%2Cost").arg(800 + n).arg(n)
                 << QStringLiteral("%1,Baseline%2Duration").arg(700 + n).arg(n);
    }
    expected << QStringLiteral("200,Cost0") << QStringLiteral("500,Baseline0Start")
             << QStringLiteral("600,Baseline0Finish") << QStringLiteral("800,Baseline0Cost")
             << QStringLiteral("700,Baseline0Duration");
    for (int k = 1; k <= 30; ++k)
        expected << QStringLiteral("%1,Text%2").arg(400 + k).arg(k);
    QCOMPARE(rowsText(types, {QStringLiteral("actv_code_type_id"), QStringLiteral("actv_code_type")}),
             expected.join(QLatin1Char(';')));
}

void tst_MSProjectLoader::outlineNumbers_data()
{
    // Tasks as "uniqueId:id:parent[:wbs]"; codes in id order.
    QTest::addColumn<QStringList>("tasks");
    QTest::addColumn<QString>("codes");

    QTest::addRow("siblings and a child")
        << QStringList{QStringLiteral("0:0:0"), QStringLiteral("1:1:0"), QStringLiteral("2:2:0"),
                       QStringLiteral("3:3:2")}
        << QStringLiteral(",1,2,2.1");
    QTest::addRow("grandchildren")
        << QStringList{QStringLiteral("0:0:0"), QStringLiteral("5:1:0"), QStringLiteral("6:2:5"),
                       QStringLiteral("7:3:6"), QStringLiteral("8:4:6"), QStringLiteral("9:5:5")}
        << QStringLiteral(",1,1.1,1.1.1,1.1.2,1.2");
    QTest::addRow("wbs text wins")
        << QStringList{QStringLiteral("1:1:0:A.1"), QStringLiteral("2:2:1")}
        << QStringLiteral("A.1,1.1");
    QTest::addRow("no summary task")
        << QStringList{QStringLiteral("1:1:0"), QStringLiteral("2:2:0")} << QStringLiteral("1,2");
    QTest::addRow("missing parent")
        << QStringList{QStringLiteral("1:1:0"), QStringLiteral("2:2:99")} << QStringLiteral("1,2");
    QTest::addRow("parent later in id order")
        << QStringList{QStringLiteral("1:1:2"), QStringLiteral("2:2:0"), QStringLiteral("3:3:2")}
        << QStringLiteral("1,2,2.1");
    QTest::addRow("itself as parent")
        << QStringList{QStringLiteral("1:1:1"), QStringLiteral("2:2:1")} << QStringLiteral("1,1.1");
    QTest::addRow("sorted by id, not unique id")
        << QStringList{QStringLiteral("9:1:0"), QStringLiteral("3:2:0"), QStringLiteral("1:3:3")}
        << QStringLiteral("1,2,2.1");
}

void tst_MSProjectLoader::outlineNumbers()
{
    QFETCH(QStringList, tasks);
    QFETCH(QString, codes);
    MSProjectLoader loader(QString{});
    for (const QString &spec : tasks) {
        const QStringList f = spec.split(QLatin1Char(':'));
        mppr::Task t = makeTask(f.at(0).toUInt(), f.at(1).toUInt(), f.at(2).toUInt());
        if (f.size() > 3)
            t.wbs = f.at(3);
        loader.addTask(t);
    }
    QCOMPARE(rowsText(loader.activitiesData(), {QStringLiteral("task_code")}),
             QString(codes).replace(QLatin1Char(','), QLatin1Char(';')));
}

void tst_MSProjectLoader::deepNesting()
{
    MSProjectLoader loader(QString{});
    const int count = MSProjectLoader::MaxOutlineDepth + 2;
    for (int i = 1; i <= count; ++i)
        loader.addTask(makeTask(quint32(i), quint32(i), quint32(i - 1)));
    const QVariantList rows = loader.activitiesData();
    QCOMPARE(rows.size(), count + 1);
    const QString deepest = rows.at(MSProjectLoader::MaxOutlineDepth).toMap().value(QStringLiteral("task_code")).toString();
    QCOMPARE(deepest.count(QLatin1Char('.')), MSProjectLoader::MaxOutlineDepth - 1);
    // Below the limit a task goes under the root, and its child under it.
    QCOMPARE(rows.at(count - 1).toMap().value(QStringLiteral("task_code")).toString(), QStringLiteral("2"));
    QCOMPARE(rows.at(count).toMap().value(QStringLiteral("task_code")).toString(), QStringLiteral("2.1"));
}

void tst_MSProjectLoader::taskRow()
{
    MSProjectLoader loader(QString{});
    loader.addTask(makeTask(0, 0, 0, QStringLiteral("Project")));
    mppr::Task t = makeTask(12, 4, 0, QStringLiteral("Pour"));
    t.milestone = true;
    t.start = at(1);
    t.finish = at(2);
    t.actualStart = at(3);
    t.lateFinish = at(4);
    t.earlyStart = at(5);
    t.actualFinish = mppr::Project::NULL_DATE;
    loader.addTask(t);
    const QVariantList rows = loader.activitiesData();
    QCOMPARE(rows.size(), 3);
    for (int i = 1; i < rows.size(); ++i)
        QCOMPARE(rows.at(i).toMap().keys().size(), MSProjectLoader::m_act_headers.size());
    const QVariantMap root = rows.at(1).toMap();
    QVERIFY(root.value(QStringLiteral("wbs_id")).isNull());
    QCOMPARE(root.value(QStringLiteral("task_type")).toString(), QStringLiteral("TT_Task"));
    const QVariantMap row = rows.at(2).toMap();
    QCOMPARE(row.value(QStringLiteral("task_id")), QVariant(4u));
    QCOMPARE(row.value(QStringLiteral("proj_id")).toInt(), 1);
    QCOMPARE(row.value(QStringLiteral("wbs_id")), QVariant(0u));
    QCOMPARE(row.value(QStringLiteral("task_type")).toString(), QStringLiteral("TT_Mile"));
    QCOMPARE(row.value(QStringLiteral("task_name")).toString(), QStringLiteral("Pour"));
    QCOMPARE(row.value(QStringLiteral("target_start_date")).toDateTime(), at(1));
    QCOMPARE(row.value(QStringLiteral("target_end_date")).toDateTime(), at(2));
    QCOMPARE(row.value(QStringLiteral("act_start_date")).toDateTime(), at(3));
    QCOMPARE(row.value(QStringLiteral("late_end_date")).toDateTime(), at(4));
    QCOMPARE(row.value(QStringLiteral("early_start_date")).toDateTime(), at(5));
    for (const char *nullColumn : {"act_end_date", "late_start_date", "early_end_date",
                                   "restart_date", "reend_date"})
        QVERIFY2(row.value(QString::fromLatin1(nullColumn)).isNull(), nullColumn);
}

void tst_MSProjectLoader::slack_data()
{
    QTest::addColumn<int>("tenths");
    QTest::addColumn<int>("hours");
    QTest::addRow("8 hours") << 4800 << 8;
    QTest::addRow("just short of an hour") << 599 << 0;
    QTest::addRow("minus one hour") << -600 << -1;
    QTest::addRow("toward zero") << -599 << 0;
    QTest::addRow("zero") << 0 << 0;
}

void tst_MSProjectLoader::slack()
{
    QFETCH(int, tenths);
    QFETCH(int, hours);
    MSProjectLoader loader(QString{});
    mppr::Task t = makeTask(1, 1);
    t.totalSlack = tenths;
    t.freeSlack = -tenths;
    loader.addTask(t);
    const QVariantMap row = loader.activitiesData().at(1).toMap();
    QCOMPARE(row.value(QStringLiteral("total_float_hr_cnt")).toInt(), hours);
    QCOMPARE(row.value(QStringLiteral("free_float_hr_cnt")).toInt(), -hours);
}

void tst_MSProjectLoader::wbsRows()
{
    MSProjectLoader loader(QString{});
    loader.addTask(makeTask(0, 0, 0, QStringLiteral("Project")));
    loader.addTask(makeTask(10, 1, 0, QStringLiteral("Phase")));
    loader.addTask(makeTask(11, 2, 10));
    loader.addTask(makeTask(12, 3, 10));
    mppr::Task coded = makeTask(13, 4, 10, QStringLiteral("Coded"));
    coded.wbs = QStringLiteral("W-7");
    loader.addTask(coded);
    loader.addTask(makeTask(14, 5, 13));
    const QStringList columns = {QStringLiteral("wbs_id"), QStringLiteral("seq_num"),
                                 QStringLiteral("wbs_short_name"), QStringLiteral("wbs_name"),
                                 QStringLiteral("parent_wbs_id")};
    QCOMPARE(rowsText(loader.wbsData(), columns),
             QStringLiteral("0,0,0,Project,-;10,1,1,Phase,-;13,2,W-7,Coded,10"));
}

void tst_MSProjectLoader::links()
{
    MSProjectLoader loader(QString{});
    loader.addTask(makeTask(1, 10));
    loader.addTask(makeTask(2, 20));
    mppr::Task t = makeTask(3, 30);
    for (quint16 type : {0, 1, 2, 3, 7})
        t.addPredecessor(type % 2 ? 1 : 2, -4800 + type, 7, type);
    t.addPredecessor(99, 0, 7, 1); // not in the project
    loader.addTask(t);
    const QStringList columns = {QStringLiteral("task_id"), QStringLiteral("pred_task_id"),
                                 QStringLiteral("pred_proj_id"), QStringLiteral("pred_type"),
                                 QStringLiteral("lag_hr_cnt")};
    QCOMPARE(rowsText(loader.predecessorsData(), columns),
             QStringLiteral("30,20,1,PR_FF,-4800;30,10,1,PR_FS,-4799;30,20,1,PR_SF,-4798;"
                            "30,10,1,PR_SS,-4797;30,10,1,,-4793"));
}

void tst_MSProjectLoader::codeValues()
{
    MSProjectLoader loader(QString{});
    mppr::Task a = makeTask(1, 1);
    a.starts[0] = at(7);
    a.starts[1] = mppr::Project::NULL_DATE;
    a.finishes[9] = at(8);
    a.cost = 12.5;
    a.costs[2] = 0.0;
    a.costs[3] = -1.25;
    a.durations[0] = 0;
    a.durations[4] = 4800;
    a.text[0] = QString();
    a.text[29] = QStringLiteral("thirty");
    a.baselineStart = at(9);
    a.baselineStarts[9] = at(10);
    a.baselineFinish = mppr::Project::NULL_DATE;
    a.baselineDuration = 60;
    a.baselineDurations[0] = -60;
    a.baselineCost = 3;
    a.baselineCosts[9] = 4;
    loader.addTask(a);
    mppr::Task b = makeTask(2, 2);
    b.text[4] = QStringLiteral("five");
    loader.addTask(b);

    const QStringList codeColumns = {QStringLiteral("actv_code_type_id"), QStringLiteral("actv_code_id"),
                                     QStringLiteral("parent_actv_code_id"), QStringLiteral("Code")};
    QCOMPARE(rowsText(loader.codesData(), codeColumns),
             QStringLiteral("1,0,-,-;110,1,-,-;200,2,-,-;204,3,-,-;305,4,-,-;430,5,-,-;500,6,-,-;"
                            "510,7,-,-;700,8,-,-;701,9,-,-;800,10,-,-;810,11,-,-;405,12,-,-"));
    const QVariantList codes = loader.codesData();
    const auto value = [&codes](int row) { return codes.at(row + 1).toMap().value(QStringLiteral("Value")); };
    QCOMPARE(value(0), QVariant(at(7)));
    QCOMPARE(value(2), QVariant(12.5));
    QCOMPARE(value(3), QVariant(-1.25));
    QCOMPARE(value(4), QVariant(4800));
    QCOMPARE(value(5), QVariant(QStringLiteral("thirty")));
    QCOMPARE(value(9), QVariant(-60));
    QCOMPARE(value(12), QVariant(QStringLiteral("five")));
    const QStringList taskColumns = {QStringLiteral("ACTV_CODE_TYPE_ID"), QStringLiteral("TASK_ID"),
                                     QStringLiteral("ACTV_CODE_ID")};
    QCOMPARE(rowsText(loader.codeTasksData(), taskColumns),
             QStringLiteral("1,1,0;110,1,1;200,1,2;204,1,3;305,1,4;430,1,5;500,1,6;510,1,7;"
                            "700,1,8;701,1,9;800,1,10;810,1,11;405,2,12"));
}

void tst_MSProjectLoader::excludedTasks()
{
    MSProjectLoader loader(QString{});
    loader.addTask(makeTask(1, 1));
    for (int flag = 0; flag < 2; ++flag) {
        mppr::Task t = makeTask(quint32(2 + flag), quint32(2 + flag), 1);
        t.excluded[size_t(flag)] = true;
        t.text[0] = QStringLiteral("x");
        t.addPredecessor(1, 0, 0, 1);
        loader.addTask(t);
    }
    mppr::Task kept = makeTask(4, 4, 0);
    kept.addPredecessor(2, 0, 0, 1); // an excluded task is still a task of the project
    loader.addTask(kept);
    QCOMPARE(rowsText(loader.activitiesData(), {QStringLiteral("task_id"), QStringLiteral("task_code")}),
             QStringLiteral("1,1;4,2"));
    QCOMPARE(loader.wbsData().size(), 1);
    QCOMPARE(loader.codesData().size(), 1);
    QCOMPARE(rowsText(loader.predecessorsData(), {QStringLiteral("task_id"), QStringLiteral("pred_task_id")}),
             QStringLiteral("4,2"));
}

void tst_MSProjectLoader::builtOnce()
{
    MSProjectLoader loader(QString{});
    loader.addTask(makeTask(1, 1));
    const QVariantList first = loader.activitiesData();
    loader.addTask(makeTask(2, 2));
    QCOMPARE(loader.activitiesData(), first);
    QCOMPARE(loader.codeTypesData().size(), 116);
    QVERIFY(MSProjectLoader::taskCompare(loader.task(1), loader.task(2)));
    QVERIFY(!MSProjectLoader::taskCompare(loader.task(2), loader.task(1)));
    QVERIFY(!MSProjectLoader::taskCompare(loader.task(1), loader.task(1)));
}

void tst_MSProjectLoader::replacedTask()
{
    MSProjectLoader loader(QString{});
    loader.addTask(makeTask(5, 1, 0, QStringLiteral("old")));
    loader.addTask(makeTask(5, 2, 0, QStringLiteral("new")));
    QCOMPARE(loader.tasks().size(), 1);
    QCOMPARE(loader.task(5)->name, QStringLiteral("new"));
    loader.clear();
    QVERIFY(loader.tasks().isEmpty());
}

QTEST_GUILESS_MAIN(tst_MSProjectLoader)
#include "tst_msprojectloader.moc"
