#include "zstructuredkeylistindex.h"

#include "proxytesthelpers.h"

#include <QStandardItemModel>
#include <QtTest>

#include <memory>

using testhelpers::makeTable;
using testhelpers::treeString;

class tst_ZStructuredKeyListIndex : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void filtersByType_data();
    void filtersByType();
    void groupsByCodeRole();
};

namespace {

// Activity codes: id, parent id, name, type id.
std::unique_ptr<QStandardItemModel> codeTable()
{
    return std::unique_ptr<QStandardItemModel>(makeTable(
            { QStringLiteral("actv_code_id"), QStringLiteral("parent_actv_code_id"),
              QStringLiteral("Code Name"), QStringLiteral("actv_code_type_id") },
            { { 11, 10, QStringLiteral("Pumps"), 1 },
              { 10, QVariant(), QStringLiteral("Mechanical"), 1 },
              { 20, QVariant(), QStringLiteral("North"), 2 },
              { 21, 20, QStringLiteral("North-East"), 2 },
              { 30, QVariant(), QStringLiteral("Untyped"), QVariant() } }));
}

} // namespace

void tst_ZStructuredKeyListIndex::init()
{
    ZStructuredKeyListIndex index;
    index.filterValue = 5;
    index.filterColumn = 3;
    index.init();
    QVERIFY(!index.filterValue.isValid());
    QCOMPARE(index.filterColumn, -1);
}

void tst_ZStructuredKeyListIndex::filtersByType_data()
{
    QTest::addColumn<QVariant>("type");
    QTest::addColumn<int>("filterColumn");
    QTest::addColumn<QString>("tree");
    QTest::addRow("type 1, child listed first") << QVariant(1) << 3 << QStringLiteral("Mechanical[Pumps]");
    QTest::addRow("type 2") << QVariant(2) << 3 << QStringLiteral("North[North-East]");
    QTest::addRow("type as text") << QVariant(QStringLiteral("2")) << 3 << QStringLiteral("North[North-East]");
    QTest::addRow("unknown type") << QVariant() << 3 << QStringLiteral("Untyped");
    QTest::addRow("after init every row") << QVariant() << -1
                                          << QStringLiteral("Mechanical[Pumps],North[North-East],Untyped");
}

void tst_ZStructuredKeyListIndex::filtersByType()
{
    QFETCH(QVariant, type);
    QFETCH(int, filterColumn);
    QFETCH(QString, tree);
    auto codes = codeTable();
    ZStructuredKeyListIndex index(codes.get(), 0);
    index.init();
    index.filterValue = type;
    index.filterColumn = filterColumn;
    index.createStructure(codes.get(), 0, 1, 2);
    QStandardItemModel out;
    index.toModel(&out, false);
    QCOMPARE(treeString(&out), tree);
}

void tst_ZStructuredKeyListIndex::groupsByCodeRole()
{
    auto codes = codeTable();
    QStandardItemModel pivot(3, 1);
    const QList<QPair<QString, int>> cells{ { QStringLiteral("Pumps"), 11 },
                                            { QStringLiteral("Mechanical"), 10 },
                                            { QString(), 0 } };
    for (int r = 0; r < cells.size(); ++r) {
        if (cells[r].second == 0)
            continue;
        pivot.setData(pivot.index(r, 0), cells[r].first, Qt::DisplayRole);
        pivot.setData(pivot.index(r, 0), cells[r].second, Qt::UserRole);
    }
    ZStructuredKeyListIndex index(&pivot, 0);
    index.init();
    index.filterValue = 1;
    index.filterColumn = 3;
    index.createStructure(codes.get(), 0, 1, 2);
    index.group(Qt::UserRole);
    QCOMPARE(index.value(11).rows, QSet<int>{ 0 });
    QCOMPARE(index.value(10).rows, QSet<int>{ 1 });
    QCOMPARE(index.count(), 2);
    index.collapseToLevel(1);
    QCOMPARE(index.value(10).rows, (QSet<int>{ 0, 1 }));
    QCOMPARE(index.count(), 1);
}

QTEST_GUILESS_MAIN(tst_ZStructuredKeyListIndex)
#include "tst_zstructuredkeylistindex.moc"
