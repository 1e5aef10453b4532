#include "columnstore.h"
#include "taskpredcontainer.h"

#include <QtConcurrent>
#include <QtTest>

#include <atomic>
#include <numeric>

// Cells written into a column read back with the same type and value, in
// whatever order the kinds arrive.
class tst_ColumnStore : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void overwriteKeepsOtherCells();
    void containerCutsAndPads();
    void instants();
    void readsFromManyThreads();
    void filledAtOnce_data();
    void filledAtOnce();
    void sharedDatesTakeLaterWrites();
};

using Values = QVector<QVariant>;
Q_DECLARE_METATYPE(Values)

static void compareCells(const ColumnStore &column, const Values &values)
{
    QCOMPARE(column.size(), values.size());
    for (int r = 0; r < values.size(); ++r) {
        const QVariant cell = column.value(r);
        QCOMPARE(cell.isValid(), values.at(r).isValid());
        QCOMPARE(cell.userType(), values.at(r).userType());
        QCOMPARE(cell.isNull(), values.at(r).isNull());
        if (cell.userType() == QMetaType::QDateTime)
            QCOMPARE(cell.toDateTime().timeSpec(), values.at(r).toDateTime().timeSpec());
        QCOMPARE(cell, values.at(r));
    }
}

void tst_ColumnStore::roundTrip_data()
{
    QTest::addColumn<Values>("values");
    const QDateTime local(QDate(2024, 3, 1), QTime(8, 0));
    const QDateTime utc(QDate(2024, 3, 1), QTime(8, 0), Qt::UTC);
    QTest::newRow("integers with gaps") << Values{QVariant(), 7, -3, QVariant(), 0};
    QTest::newRow("doubles") << Values{1.5, QVariant(), 0.0, -2.25};
    QTest::newRow("texts: null, empty, text") << Values{QString(), QStringLiteral(""), QStringLiteral("a"), QVariant()};
    QTest::newRow("repeated local date-times") << Values{local, local.addDays(1), local, QVariant(), QDateTime()};
    QTest::newRow("local then UTC date-time") << Values{local, utc, local};
    QTest::newRow("integer then text") << Values{1, 2, QStringLiteral("3"), 4};
    QTest::newRow("integer then double") << Values{1, 2.5, QVariant(), 3};
    QTest::newRow("date-time then text") << Values{local, QStringLiteral("x"), local};
    QTest::newRow("other types") << Values{true, qint64(5), QVariant(QStringList{QStringLiteral("a")})};
    QTest::newRow("empty only") << Values{QVariant(), QVariant()};
}

void tst_ColumnStore::roundTrip()
{
    QFETCH(Values, values);
    ColumnStore appended;
    appended.reserve(values.size());
    for (const QVariant &v : values)
        appended.append(v);
    compareCells(appended, values);

    // The same cells written one by one into an empty column, last first.
    ColumnStore written;
    for (int r = 0; r < values.size(); ++r)
        written.append(QVariant());
    for (int r = values.size() - 1; r >= 0; --r)
        written.setValue(r, values.at(r));
    compareCells(written, values);
}

void tst_ColumnStore::overwriteKeepsOtherCells()
{
    ColumnStore column;
    for (int v : {1, 2, 3})
        column.append(v);
    column.setValue(1, QVariant());
    column.setValue(2, QStringLiteral("three"));
    column.setValue(5, 9); // past the end: ignored
    compareCells(column, Values{1, QVariant(), QStringLiteral("three")});
    QVERIFY(!column.value(-1).isValid());
    QVERIFY(!column.value(3).isValid());
}

void tst_ColumnStore::containerCutsAndPads()
{
    TaskPredContainer container;
    if (container.fieldCount() == 0) {
        for (const char *id : {"task_pred_id", "task_id", "pred_task_id"})
            container.addField({{QStringLiteral("id"), QString::fromLatin1(id)}});
    }
    const int fields = container.fieldCount();
    container.addRow(ContainerRow{QVariant(1)});                                   // short
    container.addRow(ContainerRow(size_t(fields + 2), QVariant(QStringLiteral("x")))); // long
    QCOMPARE(container.rowCount(), 2);
    QCOMPARE(container.value(0, 0), QVariant(1));
    QVERIFY(!container.value(0, fields - 1).isValid());
    QCOMPARE(container.value(1, fields - 1), QVariant(QStringLiteral("x")));
    QVERIFY(!container.value(1, fields).isValid());
    QVERIFY(!container.setValue(2, 0, 5));
    QVERIFY(container.setValue(0, 1, 5.5));
    QCOMPARE(container.value(0, 1), QVariant(5.5));
}

void tst_ColumnStore::instants()
{
    // Each date-time cell gives its instant without a variant; anything the
    // caller must read as a value answers -1.
    const QDateTime start(QDate(2024, 3, 1), QTime(8, 0));
    ColumnStore dates;
    for (const QVariant &v : {QVariant(start), QVariant(), QVariant(QDateTime()), QVariant(start.addDays(2))})
        dates.append(v);
    qint64 msecs = 0;
    QCOMPARE(dates.instant(0, &msecs), 1);
    QCOMPARE(msecs, start.toMSecsSinceEpoch());
    QCOMPARE(dates.instant(1, &msecs), 0);
    QCOMPARE(dates.instant(2, &msecs), 0);
    QCOMPARE(dates.instant(3, &msecs), 1);
    QCOMPARE(msecs, start.addDays(2).toMSecsSinceEpoch());
    QCOMPARE(dates.instant(4, &msecs), 0);
    dates.setValue(1, QStringLiteral("text")); // now a column of variants
    QCOMPARE(dates.instant(0, &msecs), -1);

    ColumnStore numbers;
    numbers.append(5);
    QCOMPARE(numbers.instant(0, &msecs), -1);
    ColumnStore empty;
    empty.append(QVariant());
    QCOMPARE(empty.instant(0, &msecs), 0);

    TaskPredContainer container;
    QCOMPARE(container.instantAt(99, 0, &msecs), -1);
}

void tst_ColumnStore::readsFromManyThreads()
{
    ColumnStore column;
    const QDateTime start(QDate(2024, 1, 1), QTime(8, 0));
    for (int r = 0; r < 20000; ++r)
        column.append(start.addDays(r % 50));
    QVector<int> slices(8);
    std::iota(slices.begin(), slices.end(), 0);
    std::atomic<int> wrong(0);
    QtConcurrent::blockingMap(slices, [&column, &start, &wrong](int s) {
        for (int r = s; r < column.size(); r += 8) {
            if (column.value(r).toDateTime() != start.addDays(r % 50))
                ++wrong;
        }
    });
    QCOMPARE(wrong.load(), 0);
}

void tst_ColumnStore::filledAtOnce_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<Values>("values");
    const QDateTime local(QDate(2024, 3, 1), QTime(8, 0));
    using K = ColumnStore::Kind;
    QTest::newRow("integers") << int(K::Int) << Values{QVariant(), 7, -3, QVariant(), 0};
    QTest::newRow("doubles") << int(K::Double) << Values{1.5, QVariant(), -2.25};
    QTest::newRow("texts") << int(K::String) << Values{QString(), QStringLiteral("a"), QVariant()};
    QTest::newRow("date-times") << int(K::DateTime)
                                << Values{local, QVariant(), QDateTime(), local.addDays(1), local};
    QTest::newRow("no value at all") << int(K::DateTime) << Values{QVariant(), QVariant()};
}

void tst_ColumnStore::filledAtOnce()
{
    // Put row by row, last first, the column reads as one appended cell by
    // cell; a column that got nothing reads as one never written.
    QFETCH(int, kind);
    QFETCH(Values, values);
    ColumnStore column;
    column.prepare(ColumnStore::Kind(kind), values.size());
    for (int r = values.size() - 1; r >= 0; --r) {
        const QVariant &v = values.at(r);
        if (!v.isValid())
            continue;
        switch (ColumnStore::Kind(kind)) {
        case ColumnStore::Kind::Int:
            column.putInt(r, v.toInt());
            break;
        case ColumnStore::Kind::Double:
            column.putDouble(r, v.toDouble());
            break;
        case ColumnStore::Kind::String:
            column.putString(r, v.toString());
            break;
        default: {
            const QDateTime d = v.toDateTime();
            column.putDateKey(r, ColumnStore::wallClockKey(d.date(), d.time()));
        }
        }
    }
    QCOMPARE(column.finish(), kind == int(ColumnStore::Kind::DateTime) && values.size() > 2 ? 1 : 0);
    compareCells(column, values);
    ColumnStore appended;
    for (const QVariant &v : values)
        appended.append(v);
    qint64 a = 0;
    qint64 b = 0;
    for (int r = 0; r < values.size(); ++r) {
        QCOMPARE(column.instant(r, &a), appended.instant(r, &b));
        QCOMPARE(a, b);
    }
}

void tst_ColumnStore::sharedDatesTakeLaterWrites()
{
    // Two columns finished with the values they share; a date-time written
    // later joins the column's own values, found again by wall clock.
    const QDateTime first(QDate(2024, 5, 6), QTime(7, 0));
    ColumnStore a;
    ColumnStore b;
    a.prepare(ColumnStore::Kind::DateTime, 2);
    b.prepare(ColumnStore::Kind::DateTime, 1);
    const quint64 key = ColumnStore::wallClockKey(first.date(), first.time());
    a.putDateKey(1, key);
    b.putDateKey(0, key);
    std::vector<quint64> keysA;
    std::vector<quint64> keysB;
    a.finishKeys(&keysA);
    b.finishKeys(&keysB);
    QCOMPARE(keysA, std::vector<quint64>{key});
    QCOMPARE(keysB, keysA);
    const QVariant shared(ColumnStore::dateTimeOfKey(key));
    QCOMPARE(a.finishDates({shared}), 0);
    QCOMPARE(b.finishDates({shared}), 0);
    a.setValue(0, first);
    a.setValue(1, first.addDays(1));
    a.setValue(1, first);
    compareCells(a, Values{first, first});
    compareCells(b, Values{first});
    QCOMPARE(ColumnStore::dateTimeOfKey(ColumnStore::NullDateKey), QDateTime());
}

QTEST_GUILESS_MAIN(tst_ColumnStore)
#include "tst_columnstore.moc"
