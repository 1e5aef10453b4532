#include "zparentitemproxymodel.h"

#include "proxytesthelpers.h"

#include <QAbstractItemModelTester>
#include <QAbstractTableModel>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QStringListModel>
#include <QtTest>

#include <memory>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

using testhelpers::checkRoundTrip;
using testhelpers::makeTable;
using testhelpers::treeString;

namespace {

// Columns: name, id, parent id, value.
QStandardItemModel *activities(const QList<QVariantList> &rows, QObject *parent = nullptr)
{
    return makeTable({ QStringLiteral("name"), QStringLiteral("id"), QStringLiteral("parent"),
                       QStringLiteral("value") },
                     rows, parent);
}

QList<QStandardItem *> rowItems(const QVariantList &values)
{
    QList<QStandardItem *> items;
    for (const QVariant &v : values) {
        auto *item = new QStandardItem;
        if (v.isValid())
            item->setData(v, Qt::DisplayRole);
        items.append(item);
    }
    return items;
}

// Flat rows numbered from 1, none with a parent.
class FlatModel : public QAbstractTableModel
{
public:
    explicit FlatModel(int rows)
        : m_rows(rows)
    {
    }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        return role == Qt::DisplayRole && index.column() == 1 ? QVariant(index.row() + 1) : QVariant();
    }

private:
    int m_rows;
};

// Bytes the allocator has handed out and not had back; 0 where unknown.
qint64 bytesInUse()
{
#if defined(__GLIBC__)
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks + info.hblkhd);
#else
    return 0;
#endif
}

struct Fixture
{
    Fixture()
        : proxy(new ZParentItemProxyModel)
        , tester(new QAbstractItemModelTester(proxy.get(),
                                              QAbstractItemModelTester::FailureReportingMode::QtTest))
    {
    }
    std::unique_ptr<ZParentItemProxyModel> proxy;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

} // namespace

class tst_ZParentItemProxyModel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void empty();
    void treeFromColumns_data();
    void treeFromColumns();
    void levelsAndParents();
    void indexBounds();
    void handedStructure_data();
    void handedStructure();
    void handedStructureReplacedOnSourceReset();
    void depthOfTree_data();
    void depthOfTree();
    void setDataWritesThrough();
    void setDataInParentColumnRebuilds();
    void dataChangedPerParent();
    void dataChangedInStructureColumnRebuilds();
    void rowsInsertedAndRemoved();
    void columnsInsertedAndRemoved();
    void sourceLayoutChangeKeepsPersistentIndexes();
    void sourceRowsMoved();
    void sortKeepsEqualRowsAndPersistentIndexes();
    void sortMixedTypes();
    void groupingUnderFilterProxy();
    void headerPassesThrough();
    void sourceDestroyed();
    void switchSource();
};

void tst_ZParentItemProxyModel::initTestCase()
{
    qRegisterMetaType<QList<QPersistentModelIndex>>();
    qRegisterMetaType<QAbstractItemModel::LayoutChangeHint>();
    qRegisterMetaType<Qt::Orientation>();
}

void tst_ZParentItemProxyModel::empty()
{
    Fixture f;
    QCOMPARE(f.proxy->rowCount(), 0);
    QCOMPARE(f.proxy->columnCount(), 0);
    QVERIFY(!f.proxy->index(0, 0).isValid());
    QVERIFY(!f.proxy->data(QModelIndex()).isValid());
    QCOMPARE(f.proxy->parentItem(0), -1);
    QCOMPARE(f.proxy->children(-1), QList<int>());
    QVERIFY(!f.proxy->setData(QModelIndex(), 1));
    f.proxy->setSourceModel(nullptr);
    QCOMPARE(f.proxy->rowCount(), 0);
}

void tst_ZParentItemProxyModel::treeFromColumns_data()
{
    QTest::addColumn<QList<QVariantList>>("rows");
    QTest::addColumn<QString>("tree");

    QTest::addRow("chain") << QList<QVariantList>{ { QStringLiteral("a"), 1, QVariant() },
                                                   { QStringLiteral("b"), 2, 1 },
                                                   { QStringLiteral("c"), 3, 2 } }
                           << QStringLiteral("a[b[c]]");
    QTest::addRow("children keep source order")
            << QList<QVariantList>{ { QStringLiteral("a"), 1, QVariant() },
                                    { QStringLiteral("x"), 7, 1 },
                                    { QStringLiteral("b"), 2, QVariant() },
                                    { QStringLiteral("y"), 8, 1 } }
            << QStringLiteral("a[x,y],b");
    // The order of the rows does not change the tree.
    QTest::addRow("child listed before its parent")
            << QList<QVariantList>{ { QStringLiteral("c"), 3, 2 },
                                    { QStringLiteral("b"), 2, 1 },
                                    { QStringLiteral("a"), 1, QVariant() } }
            << QStringLiteral("a[b[c]]");
    QTest::addRow("missing parent id") << QList<QVariantList>{ { QStringLiteral("a"), 1, 99 },
                                                               { QStringLiteral("b"), 2, QVariant() } }
                                       << QStringLiteral("a,b");
    QTest::addRow("later equal id is the parent")
            << QList<QVariantList>{ { QStringLiteral("a"), 1, QVariant() },
                                    { QStringLiteral("a2"), 1, QVariant() },
                                    { QStringLiteral("c"), 3, 1 } }
            << QStringLiteral("a,a2[c]");
    QTest::addRow("ids as text and numbers")
            << QList<QVariantList>{ { QStringLiteral("a"), 1, QVariant() },
                                    { QStringLiteral("b"), 2, QStringLiteral("1") } }
            << QStringLiteral("a[b]");
    QTest::addRow("null id gets a substitute")
            << QList<QVariantList>{ { QStringLiteral("a"), 1, QVariant() },
                                    { QStringLiteral("n"), QVariant(), QVariant() },
                                    { QStringLiteral("c"), 3, -2 } }
            << QStringLiteral("a,n[c]");
    QTest::addRow("own parent stands at the top")
            << QList<QVariantList>{ { QStringLiteral("a"), 1, 1 }, { QStringLiteral("b"), 2, 1 } }
            << QStringLiteral("a[b]");
    QTest::addRow("loop of parents is cut")
            << QList<QVariantList>{ { QStringLiteral("a"), 1, 3 },
                                    { QStringLiteral("b"), 2, 1 },
                                    { QStringLiteral("c"), 3, 2 },
                                    { QStringLiteral("d"), 4, QVariant() } }
            << QStringLiteral("c[a[b]],d"); // at its last row, where the rows in order close it
}

void tst_ZParentItemProxyModel::treeFromColumns()
{
    QFETCH(QList<QVariantList>, rows);
    QFETCH(QString, tree);
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({}));
    f.proxy->setSourceModel(source.get());
    for (const QVariantList &row : rows)
        source->appendRow(rowItems(row));
    f.proxy->setParentStructure(1, 2);
    QCOMPARE(treeString(f.proxy.get()), tree);
    QCOMPARE(checkRoundTrip(f.proxy.get()), rows.size() * 4);
    // Every source row stands in the tree exactly once.
    int listed = 0;
    const ParentStructure structure = f.proxy->parentStructure();
    for (const QList<int> &list : structure)
        listed += list.size();
    QCOMPARE(listed, rows.size());
}

void tst_ZParentItemProxyModel::levelsAndParents()
{
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("a"), 1, QVariant() },
                                                            { QStringLiteral("b"), 2, 1 },
                                                            { QStringLiteral("c"), 3, 2 } }));
    f.proxy->setSourceModel(source.get());
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("a,b,c"));
    f.proxy->setParentStructure(1, 2);
    QCOMPARE(f.proxy->idColumn(), 1);
    QCOMPARE(f.proxy->parentIdColumn(), 2);
    const QModelIndex c = f.proxy->mapFromSource(source->index(2, 3));
    QVERIFY(c.isValid());
    QCOMPARE(c.column(), 3);
    QCOMPARE(f.proxy->level(c), 2);
    QCOMPARE(f.proxy->level(QModelIndex()), -1);
    QCOMPARE(f.proxy->itemFromIndex(c), 2);
    QCOMPARE(f.proxy->itemFromIndex(QModelIndex()), -1);
    QCOMPARE(f.proxy->parentItem(2), 1);
    QCOMPARE(f.proxy->parentItem(0), -1);
    QCOMPARE(f.proxy->children(c.parent()), QList<int>{ 2 });
    QCOMPARE(f.proxy->children(QModelIndex()), QList<int>{ 0 });
    QCOMPARE(c.parent().parent(), f.proxy->index(0, 0));
    QCOMPARE(f.proxy->sibling(0, 1, c), f.proxy->index(0, 1, c.parent()));
    QCOMPARE(f.proxy->sibling(0, 3, c), c);
    QCOMPARE(f.proxy->buddy(c), c);
    QCOMPARE(c.data().toInt(), 0);
    QCOMPARE(f.proxy->index(0, 0, c.parent()).data().toString(), QStringLiteral("c"));
}

void tst_ZParentItemProxyModel::indexBounds()
{
    Fixture f;
    QList<QVariantList> rows;
    for (int i = 0; i < 5; ++i)
        rows.append({ QString::number(i), i + 1, QVariant() });
    std::unique_ptr<QStandardItemModel> source(activities(rows));
    f.proxy->setSourceModel(source.get());
    f.proxy->setParentStructure(1, 2);
    QVERIFY(f.proxy->index(4, 0).isValid());
    QVERIFY(!f.proxy->index(5, 0).isValid());
    QVERIFY(!f.proxy->index(-1, 0).isValid());
    QVERIFY(!f.proxy->index(0, -1).isValid());
    // Beyond the last column there is no cell.
    QVERIFY(!f.proxy->index(0, 40).isValid());
    QTest::ignoreMessage(QtWarningMsg,
                         "ZParentItemProxyModel: index from wrong model passed to mapToSource");
    QVERIFY(!f.proxy->mapToSource(source->index(0, 0)).isValid());
    QVERIFY(!f.proxy->mapFromSource(QModelIndex()).isValid());
}

void tst_ZParentItemProxyModel::handedStructure_data()
{
    QTest::addColumn<ParentStructure>("structure");
    QTest::addColumn<QString>("tree");

    QTest::addRow("bands over rows")
            << ParentStructure{ { -1, { 4, 3 } }, { 4, { 0, 2 } }, { 3, { 1 } } }
            << QStringLiteral("e[a,c],d[b]");
    QTest::addRow("band in band")
            << ParentStructure{ { -1, { 3 } }, { 3, { 0, 4 } }, { 4, { 1, 2 } } }
            << QStringLiteral("d[a,e[b,c]]");
    QTest::addRow("unlisted rows are not shown")
            << ParentStructure{ { -1, { 0, 2 } } } << QStringLiteral("a,c");
    QTest::addRow("row listed twice stays at its first place")
            << ParentStructure{ { -1, { 0, 1 } }, { 0, { 1, 2 } } } << QStringLiteral("a[c],b");
    QTest::addRow("rows that are no source rows")
            << ParentStructure{ { -1, { 0, 9, -4 } }, { 12, { 1 } }, { 0, { 2 } } }
            << QStringLiteral("a[c]");
    QTest::addRow("loop unreachable from the top")
            << ParentStructure{ { -1, { 0 } }, { 1, { 2 } }, { 2, { 1 } } } << QStringLiteral("a");
    QTest::addRow("row under itself")
            << ParentStructure{ { -1, { 0 } }, { 0, { 0, 1 } } } << QStringLiteral("a[b]");
    QTest::addRow("no top level") << ParentStructure{ { 0, { 1 } } } << QString();
    QTest::addRow("empty") << ParentStructure{} << QString();
}

void tst_ZParentItemProxyModel::handedStructure()
{
    QFETCH(ParentStructure, structure);
    QFETCH(QString, tree);
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("a") },
                                                            { QStringLiteral("b") },
                                                            { QStringLiteral("c") },
                                                            { QStringLiteral("d") },
                                                            { QStringLiteral("e") } }));
    f.proxy->setSourceModel(source.get());
    QSignalSpy resets(f.proxy.get(), &QAbstractItemModel::modelReset);
    f.proxy->setParentStructure(structure);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(treeString(f.proxy.get()), tree);
    QVERIFY(checkRoundTrip(f.proxy.get()) >= 0);
    // Rows out of the tree map to nothing.
    for (int r = 0; r < source->rowCount(); ++r) {
        const QModelIndex mapped = f.proxy->mapFromSource(source->index(r, 0));
        QCOMPARE(mapped.isValid(), tree.contains(QChar('a' + r)));
        if (mapped.isValid())
            QCOMPARE(f.proxy->mapToSource(mapped), source->index(r, 0));
    }
}

void tst_ZParentItemProxyModel::depthOfTree_data()
{
    QTest::addColumn<ParentStructure>("structure");
    QTest::addColumn<int>("depth");
    QTest::addRow("flat") << ParentStructure{ { -1, { 0, 1, 2, 3, 4 } } } << 1;
    QTest::addRow("bands over rows")
            << ParentStructure{ { -1, { 4, 3 } }, { 4, { 0, 2 } }, { 3, { 1 } } } << 2;
    QTest::addRow("band in band")
            << ParentStructure{ { -1, { 3 } }, { 3, { 0, 4 } }, { 4, { 1, 2 } } } << 3;
    QTest::addRow("chain")
            << ParentStructure{ { -1, { 0 } }, { 0, { 1 } }, { 1, { 2 } }, { 2, { 3 } }, { 3, { 4 } } }
            << 5;
    QTest::addRow("loop unreachable from the top")
            << ParentStructure{ { -1, { 0 } }, { 1, { 2 } }, { 2, { 1 } } } << 1;
    QTest::addRow("no top level") << ParentStructure{ { 0, { 1 } } } << 0;
    QTest::addRow("empty") << ParentStructure{} << 0;
}

void tst_ZParentItemProxyModel::depthOfTree()
{
    QFETCH(ParentStructure, structure);
    QFETCH(int, depth);
    Fixture f;
    QCOMPARE(f.proxy->depth(), 0);
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("a") },
                                                            { QStringLiteral("b") },
                                                            { QStringLiteral("c") },
                                                            { QStringLiteral("d") },
                                                            { QStringLiteral("e") } }));
    f.proxy->setSourceModel(source.get());
    f.proxy->setParentStructure(structure);
    QCOMPARE(f.proxy->depth(), depth);
    // The deepest row lies depth - 1 levels below the top.
    int deepest = -1;
    const std::function<void(const QModelIndex &)> walk = [&](const QModelIndex &parent) {
        for (int r = 0; r < f.proxy->rowCount(parent); ++r) {
            const QModelIndex child = f.proxy->index(r, 0, parent);
            deepest = qMax(deepest, f.proxy->level(child));
            walk(child);
        }
    };
    walk(QModelIndex());
    QCOMPARE(deepest + 1, depth);
}

void tst_ZParentItemProxyModel::handedStructureReplacedOnSourceReset()
{
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("a"), 1, QVariant() },
                                                            { QStringLiteral("b"), 2, QVariant() } }));
    f.proxy->setSourceModel(source.get());
    f.proxy->setParentStructure(1, 2);
    f.proxy->setParentStructure(ParentStructure{ { -1, { 1 } }, { 1, { 0 } } });
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("b[a]"));
    QSignalSpy aboutToReset(f.proxy.get(), &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy resets(f.proxy.get(), &QAbstractItemModel::modelReset);
    // A source reset (here by clearing and refilling) rebuilds from the columns.
    QMetaObject::invokeMethod(source.get(), "modelAboutToBeReset", Qt::DirectConnection,
                              QGenericReturnArgument());
    QCOMPARE(aboutToReset.count(), 1);
    QMetaObject::invokeMethod(source.get(), "modelReset", Qt::DirectConnection,
                              QGenericReturnArgument());
    QCOMPARE(aboutToReset.count(), 1);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("a,b"));
}

void tst_ZParentItemProxyModel::setDataWritesThrough()
{
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("a"), 1, QVariant() },
                                                            { QStringLiteral("b"), 2, 1 } }));
    f.proxy->setSourceModel(source.get());
    f.proxy->setParentStructure(1, 2);
    QSignalSpy changed(f.proxy.get(), &QAbstractItemModel::dataChanged);
    QSignalSpy resets(f.proxy.get(), &QAbstractItemModel::modelReset);
    const QModelIndex b = f.proxy->index(0, 3, f.proxy->index(0, 0));
    QVERIFY(f.proxy->setData(b, 42, Qt::EditRole));
    QCOMPARE(source->index(1, 3).data().toInt(), 42);
    QCOMPARE(b.data().toInt(), 42);
    QCOMPARE(resets.count(), 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QModelIndex>(), b);
    QCOMPARE(f.proxy->flags(b), source->flags(source->index(1, 3)));

    // A source with blocked signals says nothing; the proxy still announces
    // the written cell.
    source->blockSignals(true);
    QVERIFY(f.proxy->setData(b, 43, Qt::EditRole));
    source->blockSignals(false);
    QCOMPARE(source->index(1, 3).data().toInt(), 43);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(1).at(0).value<QModelIndex>(), b);
    QCOMPARE(changed.at(1).at(1).value<QModelIndex>(), b);
}

void tst_ZParentItemProxyModel::setDataInParentColumnRebuilds()
{
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("a"), 1, QVariant() },
                                                            { QStringLiteral("b"), 2, 1 } }));
    f.proxy->setSourceModel(source.get());
    f.proxy->setParentStructure(1, 2);
    QSignalSpy resets(f.proxy.get(), &QAbstractItemModel::modelReset);
    QVERIFY(f.proxy->setData(f.proxy->index(0, 2, f.proxy->index(0, 0)), QVariant(), Qt::EditRole));
    QCOMPARE(resets.count(), 1);
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("a,b"));
}

void tst_ZParentItemProxyModel::dataChangedPerParent()
{
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("a"), 1, QVariant() },
                                                            { QStringLiteral("b"), 2, 1 },
                                                            { QStringLiteral("c"), 3, 1 },
                                                            { QStringLiteral("d"), 4, QVariant() } }));
    f.proxy->setSourceModel(source.get());
    f.proxy->setParentStructure(1, 2);
    QSignalSpy changed(f.proxy.get(), &QAbstractItemModel::dataChanged);
    emit source->dataChanged(source->index(0, 3), source->index(3, 3), { Qt::DisplayRole });
    QStringList seen;
    for (const QList<QVariant> &args : qAsConst(changed)) {
        const QModelIndex tl = args.at(0).value<QModelIndex>();
        const QModelIndex br = args.at(1).value<QModelIndex>();
        QCOMPARE(tl.parent(), br.parent());
        seen.append(QStringLiteral("%1-%2").arg(f.proxy->index(tl.row(), 0, tl.parent()).data().toString(),
                                                f.proxy->index(br.row(), 0, br.parent()).data().toString()));
        QCOMPARE(args.at(2).value<QVector<int>>(), QVector<int>{ Qt::DisplayRole });
    }
    QCOMPARE(seen, (QStringList{ QStringLiteral("a-a"), QStringLiteral("b-c"), QStringLiteral("d-d") }));
}

void tst_ZParentItemProxyModel::dataChangedInStructureColumnRebuilds()
{
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("a"), 1, QVariant() },
                                                            { QStringLiteral("b"), 2, QVariant() } }));
    f.proxy->setSourceModel(source.get());
    f.proxy->setParentStructure(1, 2);
    QSignalSpy resets(f.proxy.get(), &QAbstractItemModel::modelReset);
    source->setData(source->index(1, 2), 1);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("a[b]"));
    // A range whose corners lie on both sides of the parent-id column counts too.
    {
        const QSignalBlocker blocker(source.get());
        source->setData(source->index(1, 2), QVariant());
    }
    emit source->dataChanged(source->index(1, 0), source->index(1, 3));
    QCOMPARE(resets.count(), 2);
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("a,b"));
}

void tst_ZParentItemProxyModel::rowsInsertedAndRemoved()
{
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("b"), 2, 1 },
                                                            { QStringLiteral("c"), 3, QVariant() } }));
    f.proxy->setSourceModel(source.get());
    f.proxy->setParentStructure(1, 2);
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("b,c"));
    QSignalSpy aboutToReset(f.proxy.get(), &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy resets(f.proxy.get(), &QAbstractItemModel::modelReset);
    QSignalSpy inserted(f.proxy.get(), &QAbstractItemModel::rowsInserted);
    // The new row becomes the parent of an existing one: a reset, not an insertion.
    source->appendRow(rowItems({ QStringLiteral("a"), 1, QVariant() }));
    QCOMPARE(aboutToReset.count(), 1);
    QCOMPARE(resets.count(), 1);
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("c,a[b]"));
    QCOMPARE(checkRoundTrip(f.proxy.get()), 12);

    source->insertRow(0, rowItems({ QStringLiteral("z"), 9, 3 }));
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("c[z],a[b]"));
    source->removeRows(1, 2); // b and c
    QCOMPARE(aboutToReset.count(), 3);
    QCOMPARE(resets.count(), 3);
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("z,a"));
    QCOMPARE(checkRoundTrip(f.proxy.get()), 8);
}

void tst_ZParentItemProxyModel::columnsInsertedAndRemoved()
{
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("a"), 1, QVariant() },
                                                            { QStringLiteral("b"), 2, 1 } }));
    f.proxy->setSourceModel(source.get());
    f.proxy->setParentStructure(1, 2);
    QSignalSpy resets(f.proxy.get(), &QAbstractItemModel::modelReset);
    source->insertColumn(4);
    QCOMPARE(f.proxy->columnCount(), 5);
    QCOMPARE(f.proxy->columnCount(f.proxy->index(0, 0)), 5);
    source->removeColumns(3, 2);
    QCOMPARE(f.proxy->columnCount(), 3);
    QCOMPARE(resets.count(), 2);
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("a[b]"));
    QCOMPARE(checkRoundTrip(f.proxy.get()), 6);
}

void tst_ZParentItemProxyModel::sourceLayoutChangeKeepsPersistentIndexes()
{
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("c"), 3, QVariant() },
                                                            { QStringLiteral("a"), 1, QVariant() },
                                                            { QStringLiteral("b"), 2, 1 } }));
    f.proxy->setSourceModel(source.get());
    f.proxy->setParentStructure(1, 2);
    const QPersistentModelIndex b(f.proxy->index(0, 3, f.proxy->index(1, 0)));
    QCOMPARE(f.proxy->index(b.row(), 0, b.parent()).data().toString(), QStringLiteral("b"));
    source->sort(0); // a layout change of the source
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("a[b],c"));
    QVERIFY(b.isValid());
    QCOMPARE(b.column(), 3);
    QCOMPARE(f.proxy->index(b.row(), 0, b.parent()).data().toString(), QStringLiteral("b"));
    QCOMPARE(checkRoundTrip(f.proxy.get()), 12);
}

void tst_ZParentItemProxyModel::sourceRowsMoved()
{
    Fixture f;
    QStringListModel source({ QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") });
    f.proxy->setSourceModel(&source);
    QSignalSpy resets(f.proxy.get(), &QAbstractItemModel::modelReset);
    QVERIFY(source.moveRows(QModelIndex(), 0, 1, QModelIndex(), 3));
    QCOMPARE(resets.count(), 1);
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("b,c,a"));
    QCOMPARE(checkRoundTrip(f.proxy.get()), 3);
}

void tst_ZParentItemProxyModel::sortKeepsEqualRowsAndPersistentIndexes()
{
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("p"), 1, QVariant(), 0 },
                                                            { QStringLiteral("x1"), 2, 1, 5 },
                                                            { QStringLiteral("x2"), 3, 1, 7 },
                                                            { QStringLiteral("x3"), 4, 1, 5 },
                                                            { QStringLiteral("x4"), 5, 1, 10 },
                                                            { QStringLiteral("q"), 6, QVariant(), 1 } }));
    f.proxy->setSourceModel(source.get());
    f.proxy->setParentStructure(1, 2);
    const QPersistentModelIndex x1(f.proxy->index(0, 3, f.proxy->index(0, 0)));
    QSignalSpy layout(f.proxy.get(), &QAbstractItemModel::layoutChanged);
    f.proxy->sort(3, Qt::DescendingOrder);
    QCOMPARE(layout.count(), 1);
    // Equal values keep their order.
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("q,p[x4,x2,x1,x3]"));
    QCOMPARE(x1.data().toInt(), 5);
    QCOMPARE(f.proxy->index(x1.row(), 0, x1.parent()).data().toString(), QStringLiteral("x1"));
    f.proxy->sort(3, Qt::AscendingOrder);
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("p[x1,x3,x2,x4],q"));
    f.proxy->sort(9);
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("p[x1,x3,x2,x4],q"));
    QCOMPARE(checkRoundTrip(f.proxy.get()), 24);
}

void tst_ZParentItemProxyModel::sortMixedTypes()
{
    // Numbers, their texts and other texts in one column need not order
    // consistently; sorting must still keep every row exactly once.
    Fixture f;
    QList<QVariantList> rows;
    for (int i = 0; i < 300; ++i) {
        QVariant value;
        switch (i % 4) {
        case 0: value = (i * 7919) % 101; break;
        case 1: value = QString::number((i * 31) % 97); break;
        case 2: value = QStringLiteral("t%1").arg(i % 13); break;
        default: break;
        }
        rows.append({ QString::number(i), i + 1, i < 10 ? QVariant() : QVariant(i % 10 + 1), value });
    }
    std::unique_ptr<QStandardItemModel> source(activities(rows));
    f.proxy->setSourceModel(source.get());
    f.proxy->setParentStructure(1, 2);
    for (Qt::SortOrder order : { Qt::AscendingOrder, Qt::DescendingOrder }) {
        f.proxy->sort(3, order);
        QSet<int> seen;
        const ParentStructure structure = f.proxy->parentStructure();
        for (const QList<int> &list : structure) {
            for (int row : list)
                seen.insert(row);
        }
        QCOMPARE(seen.size(), 300);
        QCOMPARE(checkRoundTrip(f.proxy.get()), 300 * 4);
    }
}

void tst_ZParentItemProxyModel::groupingUnderFilterProxy()
{
    // The activities pane's road: the tree proxy under a sort/filter proxy,
    // band rows appended with the source's signals blocked, then a ready-made
    // structure; then the bands removed again, signals blocked, and the tree
    // rebuilt from the columns.
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("a"), 1, QVariant(), 1 },
                                                            { QStringLiteral("b"), 2, QVariant(), 2 },
                                                            { QStringLiteral("c"), 3, QVariant(), 1 } }));
    QSortFilterProxyModel top;
    QAbstractItemModelTester topTester(&top, QAbstractItemModelTester::FailureReportingMode::QtTest);
    top.setSourceModel(f.proxy.get());
    f.proxy->setSourceModel(source.get());
    f.proxy->setParentStructure(1, 2);
    QCOMPARE(treeString(&top), QStringLiteral("a,b,c"));
    const QPersistentModelIndex keep(top.index(2, 0));
    {
        const QSignalBlocker blocker(source.get());
        source->appendRow(rowItems({ QStringLiteral("G1") }));
        source->appendRow(rowItems({ QStringLiteral("G2") }));
    }
    f.proxy->setParentStructure(ParentStructure{ { -1, { 3, 4 } }, { 3, { 0, 2 } }, { 4, { 1 } } });
    QCOMPARE(treeString(&top), QStringLiteral("G1[a,c],G2[b]"));
    top.setFilterFixedString(QStringLiteral("c"));
    top.setRecursiveFilteringEnabled(true);
    QCOMPARE(treeString(&top), QStringLiteral("G1[c]"));
    top.setFilterFixedString(QString());
    {
        const QSignalBlocker blocker(source.get());
        source->removeRows(3, 2);
    }
    f.proxy->setParentStructure(1, 2);
    QCOMPARE(treeString(&top), QStringLiteral("a,b,c"));
    QVERIFY(!keep.isValid());
    QCOMPARE(checkRoundTrip(f.proxy.get()), 12);
}

void tst_ZParentItemProxyModel::headerPassesThrough()
{
    Fixture f;
    std::unique_ptr<QStandardItemModel> source(activities({ { QStringLiteral("a") } }));
    f.proxy->setSourceModel(source.get());
    QCOMPARE(f.proxy->headerData(1, Qt::Horizontal).toString(), QStringLiteral("id"));
    QSignalSpy header(f.proxy.get(), &QAbstractItemModel::headerDataChanged);
    QVERIFY(f.proxy->setHeaderData(1, Qt::Horizontal, QStringLiteral("ID")));
    QCOMPARE(source->headerData(1, Qt::Horizontal).toString(), QStringLiteral("ID"));
    QCOMPARE(header.count(), 1);
}

void tst_ZParentItemProxyModel::sourceDestroyed()
{
    Fixture f;
    auto *source = activities({ { QStringLiteral("a"), 1, QVariant() }, { QStringLiteral("b"), 2, 1 } });
    f.proxy->setSourceModel(source);
    f.proxy->setParentStructure(1, 2);
    QSignalSpy resets(f.proxy.get(), &QAbstractItemModel::modelReset);
    delete source;
    QCOMPARE(resets.count(), 1);
    QCOMPARE(f.proxy->rowCount(), 0);
    QCOMPARE(f.proxy->columnCount(), 0);
    QVERIFY(!f.proxy->index(0, 0).isValid());
}

void tst_ZParentItemProxyModel::switchSource()
{
    Fixture f;
    std::unique_ptr<QStandardItemModel> first(activities({ { QStringLiteral("a"), 1, QVariant() },
                                                           { QStringLiteral("b"), 2, 1 } }));
    std::unique_ptr<QStandardItemModel> second(activities({ { QStringLiteral("x"), 1, QVariant() } }));
    f.proxy->setSourceModel(first.get());
    f.proxy->setParentStructure(1, 2);
    f.proxy->setSourceModel(second.get());
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("x"));
    // The old source no longer reaches the proxy.
    QSignalSpy resets(f.proxy.get(), &QAbstractItemModel::modelReset);
    first->appendRow(rowItems({ QStringLiteral("c") }));
    QCOMPARE(resets.count(), 0);
    second->appendRow(rowItems({ QStringLiteral("y"), 2, 1 }));
    QCOMPARE(treeString(f.proxy.get()), QStringLiteral("x[y]"));

    // A smaller source keeps no room of a larger one's rows.
    FlatModel many(1 << 18);
    ZParentItemProxyModel proxy;
    proxy.setSourceModel(second.get());
    proxy.setParentStructure(1, 2);
    const qint64 held = bytesInUse();
    proxy.setSourceModel(&many);
    QCOMPARE(proxy.rowCount(), 1 << 18);
    proxy.setSourceModel(second.get());
    QVERIFY2(bytesInUse() - held < (1 << 20), qPrintable(QString::number(bytesInUse() - held)));
}

QTEST_GUILESS_MAIN(tst_ZParentItemProxyModel)
#include "tst_zparentitemproxymodel.moc"
