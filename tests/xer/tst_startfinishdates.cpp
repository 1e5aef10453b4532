// The start and finish an activity is shown with, chosen from its status,
// constraint and date columns, over a one-row activity table.

#include "xerloader.h"

#include <QDateTime>
#include <QStandardItemModel>
#include <QSignalSpy>
#include <QtTest>

#include <thread>

namespace {

// The activity table's columns the choice reads and writes, by caption.
const QStringList kCaptions = {
    QStringLiteral("task_id"), QStringLiteral("Activity status"), QStringLiteral("Activity constraint type"),
    QStringLiteral("Activity Constraint Date"), QStringLiteral("Actual Start"), QStringLiteral("Actual Finish"),
    QStringLiteral("Planned start date"), QStringLiteral("Planned finish date"),
    QStringLiteral("Early finish date"), QStringLiteral("Start Date"), QStringLiteral("Finish Date")};
enum { Status = 1, ConstraintType, ConstraintDate, ActualStart, ActualFinish, PlannedStart, PlannedFinish,
       EarlyFinish, Start, Finish };

// Day d of March 2024 at 08:00; 0 for no date.
QDateTime day(int d)
{
    return d ? QDateTime(QDate(2024, 3, d), QTime(8, 0)) : QDateTime();
}

} // namespace

class tst_StartFinishDates : public QObject
{
    Q_OBJECT
private slots:
    void dates_data();
    void dates();
    void structureFilledFromAnotherThread();
};

void tst_StartFinishDates::dates_data()
{
    // Dates are days of March, 0 for none.
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("constraint");
    QTest::addColumn<QVector<int>>("sources"); // constraint, actual start/finish, planned start/finish, early finish
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("finish");
    const QVector<int> usual = {20, 10, 12, 5, 15, 0};

    QTest::newRow("complete") << "TK_Complete" << "CS_MSO" << usual << 10 << 12;
    QTest::newRow("complete, no actual finish") << "TK_Complete" << "" << QVector<int>{20, 10, 0, 5, 15, 18} << 10 << 0;
    QTest::newRow("active") << "TK_Active" << "" << usual << 10 << 15;
    QTest::newRow("active, CS_MANDSTART") << "TK_Active" << "CS_MANDSTART" << usual << 10 << 15;
    QTest::newRow("active, CS_MANDFIN") << "TK_Active" << "CS_MANDFIN" << usual << 10 << 20;
    QTest::newRow("active, CS_MEO") << "TK_Active" << "CS_MEO" << usual << 10 << 20;
    QTest::newRow("active, CS_MEOB") << "TK_Active" << "CS_MEOB" << usual << 10 << 20;
    QTest::newRow("active, no actual start") << "TK_Active" << "" << QVector<int>{20, 0, 0, 5, 15, 0} << 0 << 15;
    QTest::newRow("not started") << "TK_NotStart" << "" << usual << 5 << 15;
    QTest::newRow("not started, CS_MANDSTART") << "TK_NotStart" << "CS_MANDSTART" << QVector<int>{8, 10, 12, 5, 15, 0} << 8 << 15;
    QTest::newRow("not started, CS_MSO") << "TK_NotStart" << "CS_MSO" << QVector<int>{8, 10, 12, 5, 15, 0} << 8 << 15;
    QTest::newRow("not started, CS_MSOB") << "TK_NotStart" << "CS_MSOB" << QVector<int>{8, 10, 12, 5, 15, 0} << 8 << 15;
    QTest::newRow("not started, CS_MANDFIN") << "TK_NotStart" << "CS_MANDFIN" << usual << 5 << 20;
    QTest::newRow("not started, CS_MEO") << "TK_NotStart" << "CS_MEO" << usual << 5 << 20;
    QTest::newRow("not started, CS_MEOB") << "TK_NotStart" << "CS_MEOB" << usual << 5 << 20;
    QTest::newRow("unknown status, lower-case code") << "" << "cs_mso" << usual << 5 << 15;
    QTest::newRow("no planned start") << "TK_NotStart" << "" << QVector<int>{20, 10, 12, 0, 15, 0} << 0 << 15;

    // A finish before the start gives way to the early finish, or else to
    // the start itself.
    QTest::newRow("started after planned finish") << "TK_Active" << "" << QVector<int>{0, 18, 0, 5, 15, 25} << 18 << 25;
    QTest::newRow("early finish on the start") << "TK_Active" << "" << QVector<int>{0, 18, 0, 5, 15, 18} << 18 << 18;
    QTest::newRow("early finish before the start") << "TK_Active" << "" << QVector<int>{0, 18, 0, 5, 15, 16} << 18 << 18;
    QTest::newRow("no early finish") << "TK_Active" << "" << QVector<int>{0, 18, 0, 5, 15, 0} << 18 << 18;
    QTest::newRow("finish constraint before the start") << "TK_Active" << "CS_MEO" << QVector<int>{3, 10, 0, 5, 15, 22} << 10 << 22;
    QTest::newRow("start constraint after planned finish") << "TK_NotStart" << "CS_MSO" << QVector<int>{20, 0, 0, 5, 15, 0} << 20 << 20;
    QTest::newRow("finished before it started") << "TK_Complete" << "" << QVector<int>{0, 10, 9, 5, 15, 11} << 10 << 11;
    QTest::newRow("in order, early finish elsewhere") << "TK_NotStart" << "" << QVector<int>{0, 0, 0, 5, 15, 25} << 5 << 15;
}

void tst_StartFinishDates::dates()
{
    QFETCH(QString, status);
    QFETCH(QString, constraint);
    QFETCH(QVector<int>, sources);
    QFETCH(int, start);
    QFETCH(int, finish);

    QStandardItemModel task(1, kCaptions.size());
    task.setHorizontalHeaderLabels(kCaptions);
    auto set = [&task](int column, const QVariant &value) { task.setData(task.index(0, column), value); };
    set(0, 42);
    set(Status, status);
    set(ConstraintType, constraint);
    for (int i = 0; i < sources.size(); ++i) {
        if (sources.at(i))
            set(ConstraintDate + i, day(sources.at(i)));
    }
    QStandardItemModel structure(0, 3);

    XERLoader loader;
    loader.addStartFinishDate(&structure, &task);

    const QVariant shownStart = task.index(0, Start).data();
    const QVariant shownFinish = task.index(0, Finish).data();
    QCOMPARE(shownStart.userType(), int(QMetaType::QDateTime));
    QCOMPARE(shownFinish.userType(), int(QMetaType::QDateTime));
    QCOMPARE(shownStart.toDateTime(), day(start));
    QCOMPARE(shownFinish.toDateTime(), day(finish));
    QCOMPARE(structure.index(0, 0).data(), QVariant(42));
}

void tst_StartFinishDates::structureFilledFromAnotherThread()
{
    // The loader fills the structure table of this thread from another one:
    // every row arrives, and no item change is queued back here for each.
    const int rows = 500;
    QStandardItemModel task(rows, kCaptions.size());
    task.setHorizontalHeaderLabels(kCaptions);
    for (int r = 0; r < rows; ++r)
        task.setData(task.index(r, 0), rows - r);
    QStandardItemModel structure(0, 3);
    QSignalSpy changed(&structure, &QStandardItemModel::itemChanged);
    XERLoader loader;
    std::thread([&] { loader.addStartFinishDate(&structure, &task); }).join();
    QCoreApplication::processEvents();
    QCOMPARE(changed.count(), 0);
    QCOMPARE(structure.rowCount(), rows);
    for (int r = 0; r < rows; ++r)
        QCOMPARE(structure.index(r, 0).data(), QVariant(r + 1));
}

QTEST_GUILESS_MAIN(tst_StartFinishDates)
#include "tst_startfinishdates.moc"
