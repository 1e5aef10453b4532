#include "mpprtask.h"
#include "msprojectloader.h"

#include <QtTest>

using mpmod::MSProjectLoader;

namespace {

mppr::Task makeTask(quint32 uniqueId, quint32 id, quint32 parent = 0, const QString &wbs = {})
{
    mppr::Task t;
    t.uniqueId = uniqueId;
    t.id = id;
    t.parentUniqueId = parent;
    t.name = QStringLiteral("T%1").arg(uniqueId);
    t.wbs = wbs;
    return t;
}

// The rows of a table without its header, the given columns joined by ","
// and the rows by ";"; a null value as "-".
QString rowsText(const QVariantList &table, const char *columns)
{
    QStringList lines;
    for (int i = 1; i < table.size(); ++i) {
        const QVariantMap row = table.at(i).toMap();
        QStringList cells;
        for (const QString &c : QString::fromLatin1(columns).split(QLatin1Char(','))) {
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
    void taskRows();
    void wbsAndLinks();
    void codeValues();
    void excludedAndBuiltOnce();
};

void tst_MSProjectLoader::emptyProject()
{
    MSProjectLoader loader(QStringLiteral("none.mpp"));
    const QVector<QPair<QVariantList, QVariantList>> empties = {
        {loader.activitiesData(), MSProjectLoader::m_act_headers},
        {loader.wbsData(), MSProjectLoader::m_wbs_headers},
        {loader.predecessorsData(), MSProjectLoader::m_pred_headers},
        {loader.codesData(), MSProjectLoader::m_cod_headers},
        {loader.codeTasksData(), MSProjectLoader::m_codtask_headers}};
    for (const auto &e : empties)
        QCOMPARE(e.first, QVariantList{e.second});
    // The 115 code types in their order: eight per n, the five of 0, the texts.
    QStringList expected;
    const char *forms[] = {"%1,Start%2", "%1,Finish%2", "%1,Cost%2", "%1,Duration%2", "%1,Baseline%2Start",
                           "%1,Baseline%2Finish", "%1,Baseline%2Cost", "%1,Baseline%2Duration"};
    const int bases[] = {0, 100, 200, 300, 500, 600, 800, 700};
    for (int n = 1; n <= 10; ++n) {
        for (int f = 0; f < 8; ++f)
            expected << QString::fromLatin1(forms[f]).arg(bases[f] + n).arg(n);
    }
    for (int f : {2, 4, 5, 6, 7})
        expected << QString::fromLatin1(forms[f]).arg(bases[f]).arg(0);
    for (int k = 1; k <= 30; ++k)
        expected << QStringLiteral("%1,Text%2").arg(400 + k).arg(k);
    const QVariantList types = loader.codeTypesData();
    QCOMPARE(types.first().toList(), MSProjectLoader::m_codtyp_headers);
    QCOMPARE(rowsText(types, "actv_code_type_id,actv_code_type"), expected.join(QLatin1Char(';')));
}

void tst_MSProjectLoader::outlineNumbers_data()
{
    QTest::addColumn<QString>("tasks"); // "uniqueId:id:parent[:wbs]" joined by " "
    QTest::addColumn<QString>("codes"); // in id order

    QTest::addRow("siblings and a child") << "0:0:0 1:1:0 2:2:0 3:3:2" << ";1;2;2.1";
    QTest::addRow("grandchildren") << "0:0:0 5:1:0 6:2:5 7:3:6 8:4:6 9:5:5" << ";1;1.1;1.1.1;1.1.2;1.2";
    QTest::addRow("wbs text wins") << "1:1:0:A.1 2:2:1" << "A.1;1.1";
    QTest::addRow("no summary task") << "1:1:0 2:2:0" << "1;2";
    QTest::addRow("missing parent") << "1:1:0 2:2:99" << "1;2";
    QTest::addRow("parent later in id order") << "1:1:2 2:2:0 3:3:2" << "1;2;2.1";
    QTest::addRow("itself as parent") << "1:1:1 2:2:1" << "1;1.1";
    QTest::addRow("sorted by id") << "9:1:0 3:2:0 1:3:3" << "1;2;2.1";
}

void tst_MSProjectLoader::outlineNumbers()
{
    QFETCH(QString, tasks);
    QFETCH(QString, codes);
    MSProjectLoader loader(QString{});
    for (const QString &spec : tasks.split(QLatin1Char(' '))) {
        const QStringList f = spec.split(QLatin1Char(':'));
        loader.addTask(makeTask(f.at(0).toUInt(), f.at(1).toUInt(), f.at(2).toUInt(), f.value(3)));
    }
    QCOMPARE(rowsText(loader.activitiesData(), "task_code"), codes);
}

void tst_MSProjectLoader::deepNesting()
{
    MSProjectLoader loader(QString{});
    const int count = MSProjectLoader::MaxOutlineDepth + 2;
    for (int i = 1; i <= count; ++i)
        loader.addTask(makeTask(quint32(i), quint32(i), quint32(i - 1)));
    const QStringList codes = rowsText(loader.activitiesData(), "task_code").split(QLatin1Char(';'));
    QCOMPARE(codes.at(MSProjectLoader::MaxOutlineDepth - 1).count(QLatin1Char('.')),
             MSProjectLoader::MaxOutlineDepth - 1);
    // Below the limit a task goes under the root, and its child under it.
    QCOMPARE(codes.mid(count - 2), QStringList({QStringLiteral("2"), QStringLiteral("2.1")}));
}

void tst_MSProjectLoader::taskRows()
{
    MSProjectLoader loader(QString{});
    loader.addTask(makeTask(0, 0));
    mppr::Task t = makeTask(12, 4);
    t.milestone = true;
    t.start = at(1);
    t.finish = at(2);
    t.actualStart = at(3);
    t.lateFinish = at(4);
    t.earlyStart = at(5);
    t.totalSlack = 4800;
    t.freeSlack = 599;
    loader.addTask(t);
    t = makeTask(13, 5);
    t.totalSlack = -600;
    t.freeSlack = -599;
    loader.addTask(t);
    QCOMPARE(rowsText(loader.activitiesData(), "task_id,proj_id,wbs_id,task_type,task_name,"
                                              "total_float_hr_cnt,free_float_hr_cnt,restart_date,reend_date"),
             QStringLiteral("0,1,-,TT_Task,T0,0,0,-,-;4,1,0,TT_Mile,T12,8,0,-,-;5,1,0,TT_Task,T13,-1,0,-,-"));
    const QVariantMap row = loader.activitiesData().at(2).toMap();
    QCOMPARE(row.size(), MSProjectLoader::m_act_headers.size());
    QCOMPARE(row.value(QStringLiteral("task_id")), QVariant(4u));
    const QStringList dates = {QStringLiteral("target_start_date"), QStringLiteral("target_end_date"),
                               QStringLiteral("act_start_date"), QStringLiteral("late_end_date"),
                               QStringLiteral("early_start_date")};
    for (int i = 0; i < dates.size(); ++i)
        QCOMPARE(row.value(dates.at(i)), QVariant(at(i + 1)));
    for (const char *column : {"act_end_date", "late_start_date", "early_end_date"})
        QVERIFY2(row.value(QString::fromLatin1(column)).isNull(), column);
}

void tst_MSProjectLoader::wbsAndLinks()
{
    MSProjectLoader loader(QString{});
    loader.addTask(makeTask(0, 0));
    loader.addTask(makeTask(10, 1));
    loader.addTask(makeTask(11, 2, 10));
    mppr::Task t = makeTask(12, 3, 10);
    for (quint16 type : {0, 1, 2, 3, 7})
        t.addPredecessor(type % 2 ? 10 : 11, -4800 + type, 7, type);
    t.addPredecessor(99, 0, 7, 1); // not in the project
    loader.addTask(t);
    loader.addTask(makeTask(13, 4, 10, QStringLiteral("W-7")));
    loader.addTask(makeTask(14, 5, 13));
    // A parent with several children gives one row.
    QCOMPARE(rowsText(loader.wbsData(), "wbs_id,seq_num,wbs_short_name,wbs_name,parent_wbs_id"),
             QStringLiteral("0,0,0,T0,-;10,1,1,T10,-;13,2,W-7,T13,10"));
    QCOMPARE(rowsText(loader.predecessorsData(), "task_id,pred_task_id,pred_proj_id,pred_type,lag_hr_cnt"),
             QStringLiteral("3,2,1,PR_FF,-4800;3,1,1,PR_FS,-4799;3,2,1,PR_SF,-4798;3,1,1,PR_SS,-4797;3,1,1,,-4793"));
}

void tst_MSProjectLoader::codeValues()
{
    MSProjectLoader loader(QString{});
    mppr::Task a = makeTask(1, 1);
    a.starts[0] = at(7);
    a.starts[1] = mppr::Project::NULL_DATE;
    a.finishes[9] = at(8);
    a.cost = 12.5;
    a.costs[3] = -1.25;
    a.durations[4] = 4800;
    a.text[29] = QStringLiteral("thirty");
    a.baselineStart = at(9);
    a.baselineStarts[9] = at(10);
    a.baselineDuration = 60;
    a.baselineDurations[0] = -60;
    a.baselineCost = 3;
    a.baselineCosts[9] = 4;
    loader.addTask(a);
    mppr::Task b = makeTask(2, 2);
    b.text[4] = QStringLiteral("five");
    loader.addTask(b);

    QCOMPARE(rowsText(loader.codesData(), "actv_code_type_id,actv_code_id,parent_actv_code_id,Code,Value"),
             QStringLiteral("1,0,-,-,2024-01-07T08:00:00.000Z;110,1,-,-,2024-01-08T08:00:00.000Z;"
                            "200,2,-,-,12.5;204,3,-,-,-1.25;305,4,-,-,4800;430,5,-,-,thirty;"
                            "500,6,-,-,2024-01-09T08:00:00.000Z;510,7,-,-,2024-01-10T08:00:00.000Z;"
                            "700,8,-,-,60;701,9,-,-,-60;800,10,-,-,3;810,11,-,-,4;405,12,-,-,five"));
    QCOMPARE(loader.codesData().at(3).toMap().value(QStringLiteral("Value")).type(), QVariant::Double);
    QCOMPARE(rowsText(loader.codeTasksData(), "ACTV_CODE_TYPE_ID,TASK_ID,ACTV_CODE_ID"),
             QStringLiteral("1,1,0;110,1,1;200,1,2;204,1,3;305,1,4;430,1,5;500,1,6;510,1,7;"
                            "700,1,8;701,1,9;800,1,10;810,1,11;405,2,12"));
}

void tst_MSProjectLoader::excludedAndBuiltOnce()
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
    mppr::Task kept = makeTask(4, 4);
    kept.addPredecessor(2, 0, 0, 1); // an excluded task is still a task of the project
    loader.addTask(kept);
    loader.addTask(makeTask(4, 5)); // replaces the record of the same unique id
    loader.task(4)->predecessorUniqueIds = kept.predecessorUniqueIds;
    loader.task(4)->predecessorLags = kept.predecessorLags;
    loader.task(4)->predecessorTypes = kept.predecessorTypes;
    QCOMPARE(loader.tasks().size(), 4);
    QCOMPARE(rowsText(loader.activitiesData(), "task_id,task_code"), QStringLiteral("1,1;5,2"));
    QCOMPARE(loader.wbsData().size(), 1);
    QCOMPARE(loader.codesData().size(), 1);
    QCOMPARE(rowsText(loader.predecessorsData(), "task_id,pred_task_id"), QStringLiteral("5,2"));
    // Built once: later changes to the model do not reach the tables.
    const QVariantList first = loader.activitiesData();
    loader.addTask(makeTask(9, 9));
    QCOMPARE(loader.activitiesData(), first);
    QVERIFY(MSProjectLoader::taskCompare(loader.task(1), loader.task(9)));
    QVERIFY(!MSProjectLoader::taskCompare(loader.task(9), loader.task(1)));
}

QTEST_GUILESS_MAIN(tst_MSProjectLoader)
#include "tst_msprojectloader.moc"
