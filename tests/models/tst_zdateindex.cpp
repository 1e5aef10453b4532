#include "zdateindex.h"

#include "proxytesthelpers.h"

#include <QStandardItemModel>
#include <QtTest>

#include <memory>

using testhelpers::makeTable;
using testhelpers::treeString;

class tst_ZDateIndex : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void itemValue_data();
    void itemValue();
    void displayValue_data();
    void displayValue();
    void monthKeysSortInCalendarOrder();
    void yearByMonthTree();
};

void tst_ZDateIndex::defaults()
{
    ZDateIndex index;
    QCOMPARE(index.interval, QStringLiteral("Month"));
    QCOMPARE(index.dateFormat, QStringLiteral("dd.MM.yyyy"));
    QVERIFY(!index.itemValue(QModelIndex(), Qt::DisplayRole).isValid());
}

void tst_ZDateIndex::itemValue_data()
{
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QVariant>("cell");
    QTest::addColumn<QVariant>("key");

    const QDate d(2021, 12, 31);
    QTest::addRow("year") << QStringLiteral("Year") << QVariant(d) << QVariant(2021);
    QTest::addRow("quarter 4") << QStringLiteral("Quarter") << QVariant(d) << QVariant(4);
    QTest::addRow("quarter 1 from March") << QStringLiteral("Quarter") << QVariant(QDate(2021, 3, 1)) << QVariant(1);
    QTest::addRow("quarter 2 from April") << QStringLiteral("Quarter") << QVariant(QDate(2021, 4, 1)) << QVariant(2);
    QTest::addRow("quarter 3 from July") << QStringLiteral("Quarter") << QVariant(QDate(2021, 7, 1)) << QVariant(3);
    QTest::addRow("week") << QStringLiteral("Week") << QVariant(QDate(2021, 1, 4)) << QVariant(1);
    QTest::addRow("week of last year") << QStringLiteral("Week") << QVariant(QDate(2021, 1, 1)) << QVariant(53);
    QTest::addRow("month 12 is a number") << QStringLiteral("Month") << QVariant(d) << QVariant(12);
    QTest::addRow("month 1 is a text") << QStringLiteral("Month") << QVariant(QDate(2021, 1, 9))
                                       << QVariant(QStringLiteral("01"));
    QTest::addRow("day") << QStringLiteral("Day") << QVariant(QDateTime(d, QTime(8, 0))) << QVariant(d);
    QTest::addRow("text in the date format") << QStringLiteral("Month") << QVariant(QStringLiteral("05.12.2020"))
                                             << QVariant(12);
    QTest::addRow("iso text") << QStringLiteral("Year") << QVariant(QStringLiteral("2019-05-01")) << QVariant(2019);
    QTest::addRow("malformed text") << QStringLiteral("Year") << QVariant(QStringLiteral("31.02.20x0")) << QVariant();
    QTest::addRow("truncated text") << QStringLiteral("Year") << QVariant(QStringLiteral("05.12.")) << QVariant();
    QTest::addRow("empty cell") << QStringLiteral("Year") << QVariant() << QVariant();
    QTest::addRow("other letter case uses the raw value")
            << QStringLiteral("month") << QVariant(d) << QVariant(d);
}

void tst_ZDateIndex::itemValue()
{
    QFETCH(QString, interval);
    QFETCH(QVariant, cell);
    QFETCH(QVariant, key);
    std::unique_ptr<QStandardItemModel> table(makeTable({ QStringLiteral("d") }, { { cell } }));
    ZDateIndex index(table.get(), 0);
    index.interval = interval;
    const QVariant got = index.itemValue(table->index(0, 0), Qt::DisplayRole);
    QCOMPARE(got, key);
    QCOMPARE(got.userType(), key.userType());
}

void tst_ZDateIndex::displayValue_data()
{
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QVariant>("key");
    QTest::addColumn<QVariant>("shown");

    QTest::addRow("year") << QStringLiteral("Year") << QVariant(2020) << QVariant(2020);
    QTest::addRow("quarter") << QStringLiteral("Quarter") << QVariant(3) << QVariant(QStringLiteral("Q3"));
    QTest::addRow("week") << QStringLiteral("Week") << QVariant(52) << QVariant(QStringLiteral("Week 52"));
    QTest::addRow("month text") << QStringLiteral("Month") << QVariant(QStringLiteral("09"))
                                << QVariant(QStringLiteral("September"));
    QTest::addRow("month number") << QStringLiteral("Month") << QVariant(12) << QVariant(QStringLiteral("December"));
    QTest::addRow("month out of range") << QStringLiteral("Month") << QVariant(13) << QVariant(QString());
    QTest::addRow("day") << QStringLiteral("Day") << QVariant(QDate(2020, 1, 5))
                         << QVariant(QStringLiteral("05 January"));
    QTest::addRow("other interval") << QStringLiteral("Decade") << QVariant(7) << QVariant(7);
    QTest::addRow("invalid key") << QStringLiteral("Quarter") << QVariant() << QVariant();
}

void tst_ZDateIndex::displayValue()
{
    QFETCH(QString, interval);
    QFETCH(QVariant, key);
    QFETCH(QVariant, shown);
    ZDateIndex index;
    index.interval = interval;
    QCOMPARE(index.displayValue(key), shown);
}

void tst_ZDateIndex::monthKeysSortInCalendarOrder()
{
    QList<QVariantList> rows;
    for (int m = 12; m >= 1; --m)
        rows.append({ QStringLiteral("01.%1.2020").arg(m, 2, 10, QLatin1Char('0')) });
    std::unique_ptr<QStandardItemModel> table(makeTable({ QStringLiteral("d") }, rows));
    ZDateIndex index(table.get(), 0);
    index.group(Qt::DisplayRole);
    QStringList shown;
    for (const auto &entry : index)
        shown.append(entry.second.display.toString());
    QCOMPARE(shown.first(), QStringLiteral("January"));
    QCOMPARE(shown.last(), QStringLiteral("December"));
    QCOMPARE(shown.size(), 12);
    QCOMPARE(index.value(12).rows, QSet<int>{ 0 });
    QCOMPARE(index.value(QStringLiteral("01")).rows, QSet<int>{ 11 });
}

void tst_ZDateIndex::yearByMonthTree()
{
    QList<QVariantList> rows;
    for (int m = 12; m >= 1; --m)
        rows.append({ QDate(2020, m, 3) });
    rows.append({ QDate(2020, 5, 3) });
    rows.append({ QDate(2021, 2, 1) });
    std::unique_ptr<QStandardItemModel> table(makeTable({ QStringLiteral("d") }, rows));
    ZDateIndex years(table.get(), 0);
    years.interval = QStringLiteral("Year");
    years.group(Qt::DisplayRole);
    ZDateIndex months(table.get(), 0);
    months.group(Qt::DisplayRole);
    ZIndex product = cross(years, months);
    product.makeChildrenUnique();
    QStandardItemModel out;
    product.toModel(&out, true);
    QCOMPARE(out.rowCount(), 2);
    QStringList monthNames;
    const QStandardItem *year = out.item(0);
    QCOMPARE(year->text(), QStringLiteral("2020"));
    for (int i = 0; i < year->rowCount(); ++i)
        monthNames.append(year->child(i)->text());
    QCOMPARE(monthNames.size(), 12);
    QCOMPARE(monthNames.first(), QStringLiteral("January"));
    QCOMPARE(monthNames.at(8), QStringLiteral("September"));
    QCOMPARE(monthNames.last(), QStringLiteral("December"));
    // The two rows of 3 May 2020 leave one date item.
    QCOMPARE(year->child(4)->rowCount(), 1);
    QCOMPARE(treeString(&out).section(QLatin1Char(']'), -3),
             QStringLiteral(",2021[February[2021-02-01]]"));
}

QTEST_GUILESS_MAIN(tst_ZDateIndex)
#include "tst_zdateindex.moc"
