#include "zrecordsetmodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

namespace {

QVariantMap record(std::initializer_list<std::pair<const char *, QVariant>> values)
{
    QVariantMap map;
    for (const auto &v : values)
        map.insert(QLatin1String(v.first), v.second);
    return map;
}

// Captions and the display text of every cell, one line per row.
QString dump(const QAbstractItemModel &model)
{
    QStringList lines;
    QStringList captions;
    for (int c = 0; c < model.columnCount(); ++c)
        captions << model.headerData(c, Qt::Horizontal).toString();
    lines << captions.join(QLatin1Char('|'));
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c) {
            const QVariant v = model.index(r, c).data();
            cells << (v.isValid() ? v.toString() : QStringLiteral("-"));
        }
        lines << cells.join(QLatin1Char('|'));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class tst_ZRecordSetModel : public QObject
{
    Q_OBJECT
private slots:
    void setRecordSet_data();
    void setRecordSet();
    void emptyRecordSetChangesNothing();
    void secondRecordSetReplaces();
    void outOfRange();
    void setDataKeepsOtherRoles();
    void headers();
    void insertRemoveRows();
    void insertRemoveColumns();
    void clear();
};

void tst_ZRecordSetModel::setRecordSet_data()
{
    QTest::addColumn<QList<QVariant>>("recordSet");
    QTest::addColumn<QString>("expected");

    QTest::addRow("names only")
        << QList<QVariant>{QStringList{"Activity ID", "Activity Name", "Start", "Finish", "WBS"}}
        << "Activity ID|Activity Name|Start|Finish|WBS";
    QTest::addRow("names and rows")
        << QList<QVariant>{QStringList{"B", "A"}, record({{"A", 1}, {"B", 2}}),
                           record({{"B", QStringLiteral("x")}})}
        << "B|A\n2|1\nx|-";
    QTest::addRow("first record a map")
        << QList<QVariant>{record({{"Z", 1}, {"M", 2}}), record({{"M", 3}, {"Q", 9}})}
        << "M|Z\n2|1\n3|-";
    QTest::addRow("row not a map")
        << QList<QVariant>{QStringList{"A"}, QVariant(42), record({{"A", 5}})} << "A\n-\n5";
    QTest::addRow("variant list of names")
        << QList<QVariant>{QVariantList{QStringLiteral("A"), QStringLiteral("B")}, record({{"B", 7}})}
        << "A|B\n-|7";
    QTest::addRow("repeated name")
        << QList<QVariant>{QStringList{"A", "A"}, record({{"A", 1}})} << "A|A\n1|1";
    QTest::addRow("first record neither") << QList<QVariant>{QVariant(QDate(2020, 1, 1))} << "\n";
}

void tst_ZRecordSetModel::setRecordSet()
{
    QFETCH(QList<QVariant>, recordSet);
    QFETCH(QString, expected);

    ZRecordSetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    model.setRecordSet(recordSet);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(dump(model), expected);
}

void tst_ZRecordSetModel::emptyRecordSetChangesNothing()
{
    ZRecordSetModel model;
    model.setRecordSet({QStringList{"A"}, record({{"A", 1}})});
    QSignalSpy resets(&model, &QAbstractItemModel::modelAboutToBeReset);
    model.setRecordSet({});
    QCOMPARE(resets.count(), 0);
    QCOMPARE(dump(model), QStringLiteral("A\n1"));
}

void tst_ZRecordSetModel::secondRecordSetReplaces()
{
    ZRecordSetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRecordSet({QStringList{"A", "B", "C"}, record({{"A", 1}})});
    model.setRecordSet({QStringList{"X"}, record({{"X", 2}}), record({{"X", 3}})});
    QCOMPARE(dump(model), QStringLiteral("X\n2\n3"));
}

void tst_ZRecordSetModel::outOfRange()
{
    ZRecordSetModel model;
    model.setRecordSet({QStringList{"A", "B"}, record({{"A", 1}, {"B", 2}})});
    ZRecordSetModel other;
    other.setRecordSet({QStringList{"A", "B", "C"}, record({}), record({})});

    QCOMPARE(model.data(QModelIndex()), QVariant());
    QCOMPARE(model.data(other.index(1, 0)), QVariant());
    QCOMPARE(model.data(other.index(0, 2)), QVariant());
    QCOMPARE(model.setData(QModelIndex(), 1), false);
    QCOMPARE(model.setData(other.index(1, 1), 1), false);
    QCOMPARE(model.rowCount(model.index(0, 0)), 0);
    QCOMPARE(model.columnCount(model.index(0, 0)), 2);
    QCOMPARE(model.flags(model.index(0, 1)),
             Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled);
    QCOMPARE(model.flags(QModelIndex()), Qt::NoItemFlags);
}

void tst_ZRecordSetModel::setDataKeepsOtherRoles()
{
    ZRecordSetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRecordSet({QStringList{"A", "B"}, record({{"A", 1}, {"B", 2}})});
    const QModelIndex cell = model.index(0, 1);
    QVERIFY(model.setData(cell, QColor(Qt::red), Qt::ForegroundRole));

    QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);
    QVERIFY(model.setData(cell, QStringLiteral("two"), Qt::DisplayRole));
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.first().at(0).toModelIndex(), cell);
    QCOMPARE(changes.first().at(1).toModelIndex(), cell);
    QCOMPARE(changes.first().at(2).value<QVector<int>>(), QVector<int>());
    QCOMPARE(cell.data(), QVariant(QStringLiteral("two")));
    QCOMPARE(cell.data(Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    QCOMPARE(model.index(0, 0).data(), QVariant(1));
}

void tst_ZRecordSetModel::headers()
{
    ZRecordSetModel model;
    model.setRecordSet({QStringList{"A", "B"}, record({}), record({}), record({})});
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(model.headerData(row, Qt::Vertical, Qt::DisplayRole), QVariant(row + 1));
        QCOMPARE(model.headerData(row, Qt::Vertical, Qt::EditRole), QVariant(row + 1));
    }
    // Roles a header view reads as layout get nothing.
    QCOMPARE(model.headerData(1, Qt::Vertical, Qt::TextAlignmentRole), QVariant());
    QCOMPARE(model.headerData(1, Qt::Vertical, Qt::SizeHintRole), QVariant());
    QCOMPARE(model.setHeaderData(0, Qt::Vertical, QStringLiteral("x")), false);

    QSignalSpy headerChanges(&model, &QAbstractItemModel::headerDataChanged);
    QVERIFY(model.setHeaderData(1, Qt::Horizontal, QStringLiteral("tip"), Qt::ToolTipRole));
    QCOMPARE(headerChanges.count(), 1);
    QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::ToolTipRole), QVariant(QStringLiteral("tip")));
    QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole), QVariant(QStringLiteral("B")));
    QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DecorationRole), QVariant());
    QCOMPARE(model.headerData(5, Qt::Horizontal, Qt::DisplayRole), QVariant());
    // A section that does not exist is not made up.
    QCOMPARE(model.setHeaderData(2, Qt::Horizontal, QStringLiteral("C")), false);
    QCOMPARE(model.setHeaderData(-1, Qt::Horizontal, QStringLiteral("C")), false);
    QCOMPARE(model.columnCount(), 2);
}

void tst_ZRecordSetModel::insertRemoveRows()
{
    ZRecordSetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRecordSet({QStringList{"A"}, record({{"A", 1}}), record({{"A", 2}})});

    QCOMPARE(model.insertRows(-1, 1), false);
    QCOMPARE(model.insertRows(3, 1), false);
    QCOMPARE(model.insertRows(0, 1, model.index(0, 0)), false);
    QCOMPARE(model.insertRows(1, 0), true);
    QCOMPARE(model.rowCount(), 2);

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QVERIFY(model.insertRows(1, 2));
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.first().at(1).toInt(), 1);
    QCOMPARE(inserted.first().at(2).toInt(), 2);
    QCOMPARE(dump(model), QStringLiteral("A\n1\n-\n-\n2"));
    QVERIFY(model.insertRows(4, 1));
    QCOMPARE(dump(model), QStringLiteral("A\n1\n-\n-\n2\n-"));

    QCOMPARE(model.removeRows(-1, 1), false);
    QCOMPARE(model.removeRows(5, 1), false);
    QCOMPARE(model.removeRows(4, 5), false);
    QCOMPARE(model.rowCount(), 5);

    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QVERIFY(model.removeRows(1, 3));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.first().at(1).toInt(), 1);
    QCOMPARE(removed.first().at(2).toInt(), 3);
    QCOMPARE(dump(model), QStringLiteral("A\n1\n-"));
}

void tst_ZRecordSetModel::insertRemoveColumns()
{
    ZRecordSetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRecordSet({QStringList{"A", "B", "C"}, record({{"A", 1}, {"B", 2}, {"C", 3}})});

    QCOMPARE(model.insertColumns(-1, 1), false);
    QCOMPARE(model.insertColumns(4, 1), false);
    QVERIFY(model.insertColumns(1, 2));
    QCOMPARE(model.columnCount(), 5);
    QCOMPARE(dump(model), QStringLiteral("A|||B|C\n1|-|-|2|3"));
    QVERIFY(model.setHeaderData(1, Qt::Horizontal, QStringLiteral("N"), Qt::DisplayRole));
    QVERIFY(model.insertColumns(5, 1));
    QCOMPARE(dump(model), QStringLiteral("A|N||B|C|\n1|-|-|2|3|-"));

    QCOMPARE(model.removeColumns(-1, 1), false);
    QCOMPARE(model.removeColumns(6, 1), false);
    QCOMPARE(model.removeColumns(4, 3), false);
    QVERIFY(model.removeColumns(1, 2));
    QCOMPARE(dump(model), QStringLiteral("A|B|C|\n1|2|3|-"));
    QVERIFY(model.removeColumns(0, 1));
    QCOMPARE(dump(model), QStringLiteral("B|C|\n2|3|-"));
}

void tst_ZRecordSetModel::clear()
{
    ZRecordSetModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.init();
    model.setRecordSet({QStringList{"A"}, record({{"A", 1}})});
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    model.clear();
    QCOMPARE(resets.count(), 1);
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
}

QTEST_GUILESS_MAIN(tst_ZRecordSetModel)
#include "tst_zrecordsetmodel.moc"
