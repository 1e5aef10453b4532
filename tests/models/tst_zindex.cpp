#include "zindex.h"

#include "proxytesthelpers.h"

#include <QStandardItemModel>
#include <QtTest>

#include <memory>

using testhelpers::makeTable;
using testhelpers::treeString;

namespace {

QString keysText(const ZIndex &index)
{
    QStringList parts;
    for (const auto &entry : index) {
        QList<int> rows = entry.second.rows.values();
        std::sort(rows.begin(), rows.end());
        QStringList rowTexts;
        for (int r : rows)
            rowTexts.append(QString::number(r));
        parts.append(QStringLiteral("%1:%2").arg(entry.first.toString(),
                                                 rowTexts.join(QLatin1Char(' '))));
    }
    return parts.join(QLatin1Char(';'));
}

QString childText(const ZIndex &index, const QString &parent)
{
    QStringList parts;
    for (const QVariant &key : index.childKeys.value(parent))
        parts.append(key.toString());
    return parts.join(QLatin1Char(','));
}

// WBS-like table: key, parent key, name.
std::unique_ptr<QStandardItemModel> structureTable(const QList<QVariantList> &rows)
{
    return std::unique_ptr<QStandardItemModel>(
            makeTable({ QStringLiteral("id"), QStringLiteral("parent"), QStringLiteral("name") },
                      rows));
}

} // namespace

class tst_ZIndex : public QObject
{
    Q_OBJECT
private slots:
    void group();
    void groupIntegerKeys_data();
    void groupIntegerKeys();
    void groupManyRows();
    void groupKeepsStructureDisplay();
    void createStructure_data();
    void createStructure();
    void setParent();
    void removeNode();
    void collapseToLevel_data();
    void collapseToLevel();
    void collapseDeepChain();
    void crossWithoutLinks();
    void crossRowInSeveralNodes();
    void crossWithLinks();
    void crossThreeLevels();
    void toModel();
    void toModelWithRows();
    void makeChildrenUnique();
    void copies();
    void hash_data();
    void hash();
};

void tst_ZIndex::group()
{
    std::unique_ptr<QStandardItemModel> table(makeTable(
            { QStringLiteral("v") },
            { { 3 }, { QStringLiteral("b") }, { QVariant() }, { 3 }, { QString(QLatin1String("")) },
              { 1 } }));
    ZIndex index(table.get(), 0);
    index.group(Qt::DisplayRole);
    // An empty text is a key of its own; the empty cell is left out.
    QCOMPARE(keysText(index), QStringLiteral(":4;1:5;3:0 3;b:1"));
    QCOMPARE(index.value(3).display, QVariant(3));
    QCOMPARE(index.count(), 4);
    QCOMPARE(index.totalRows(), 5);
    QVERIFY(index.contains(1));
    QVERIFY(!index.contains(2));
    QCOMPARE(index.value(2).rows.size(), 0);
    QCOMPARE(index.keys().size(), 4);
}

void tst_ZIndex::groupIntegerKeys_data()
{
    // Integer keys are found again by value, whether they lie close together
    // or far apart; they still meet the keys of other types that equal them.
    QTest::addColumn<QVariantList>("cells");
    QTest::addColumn<QString>("keys");
    QTest::newRow("close together")
            << QVariantList{ 7, 5, 7, 6, 5, 7 } << QStringLiteral("5:1 4;6:3;7:0 2 5");
    QTest::newRow("far apart")
            << QVariantList{ 7, 5000000, 7, -3, 5000000, 7 } << QStringLiteral("-3:3;7:0 2 5;5000000:1 4");
    QTest::newRow("long long and int alike")
            << QVariantList{ 7, qlonglong(7), qlonglong(1) << 40, 7, qlonglong(1) << 40 }
            << QStringLiteral("7:0 1 3;1099511627776:2 4");
    QTest::newRow("with texts and doubles")
            << QVariantList{ 2, QStringLiteral("2"), 2.0, QStringLiteral("x"), 2, QVariant() }
            << QStringLiteral("2:0 1 2 4;x:3");
}

void tst_ZIndex::groupIntegerKeys()
{
    QFETCH(QVariantList, cells);
    QFETCH(QString, keys);
    QList<QVariantList> rows;
    for (const QVariant &cell : cells)
        rows.append({ cell });
    std::unique_ptr<QStandardItemModel> table(makeTable({ QStringLiteral("v") }, rows));
    ZIndex index(table.get(), 0);
    index.group(Qt::DisplayRole);
    QCOMPARE(keysText(index), keys);
}

void tst_ZIndex::groupManyRows()
{
    // Enough rows for the sets to be filled side by side: every row in the
    // node of its key, once.
    const int rows = 20000;
    auto table = std::make_unique<QStandardItemModel>(rows, 1);
    for (int r = 0; r < rows; ++r) {
        const QVariant key = r % 10 == 9 ? QVariant(QStringLiteral("t%1").arg(r % 7))
                                          : QVariant(r % 97);
        table->setData(table->index(r, 0), key);
    }
    ZIndex index(table.get(), 0);
    index.group(Qt::DisplayRole);
    QCOMPARE(index.count(), 97 + 7);
    QCOMPARE(index.totalRows(), rows);
    for (int r = 0; r < rows; r += 13) {
        const QVariant key = table->index(r, 0).data();
        QVERIFY(index.value(key).rows.contains(r));
    }
    int fives = 0;
    for (int r = 0; r < rows; ++r)
        fives += r % 10 != 9 && r % 97 == 5 ? 1 : 0;
    QCOMPARE(index.value(5).rows.size(), fives);
}

void tst_ZIndex::groupKeepsStructureDisplay()
{
    auto wbs = structureTable({ { 10, QVariant(), QStringLiteral("Root") } });
    std::unique_ptr<QStandardItemModel> tasks(makeTable({ QStringLiteral("wbs") }, { { 10 }, { 11 } }));
    ZIndex index(tasks.get(), 0);
    index.createStructure(wbs.get(), 0, 1, 2);
    index.group(Qt::DisplayRole);
    QCOMPARE(index.value(10).display, QVariant(QStringLiteral("Root")));
    QCOMPARE(index.value(11).display, QVariant(11));
    QCOMPARE(keysText(index), QStringLiteral("10:0;11:1"));
}

void tst_ZIndex::createStructure_data()
{
    QTest::addColumn<QList<QVariantList>>("rows");
    QTest::addColumn<QString>("tree");

    QTest::addRow("parents first")
            << QList<QVariantList>{ { 1, QVariant(), QStringLiteral("A") },
                                    { 2, 1, QStringLiteral("B") },
                                    { 3, 2, QStringLiteral("C") },
                                    { 4, 1, QStringLiteral("D") } }
            << QStringLiteral("A[B[C],D]");
    // The order of the rows in the file does not change the tree.
    QTest::addRow("child before parent")
            << QList<QVariantList>{ { 3, 2, QStringLiteral("C") },
                                    { 2, 1, QStringLiteral("B") },
                                    { 4, 1, QStringLiteral("D") },
                                    { 1, QVariant(), QStringLiteral("A") } }
            << QStringLiteral("A[B[C],D]");
    QTest::addRow("unknown parent stays top-level")
            << QList<QVariantList>{ { 1, 99, QStringLiteral("A") }, { 2, 1, QStringLiteral("B") } }
            << QStringLiteral("A[B]");
    QTest::addRow("own parent skips the row")
            << QList<QVariantList>{ { 1, 1, QStringLiteral("A") }, { 2, QVariant(), QStringLiteral("B") } }
            << QStringLiteral("B");
    QTest::addRow("invalid key skips the row")
            << QList<QVariantList>{ { QVariant(), 1, QStringLiteral("X") }, { 1, QVariant(), QStringLiteral("A") } }
            << QStringLiteral("A");
    // A loop of parent links is cut where the rows, in order, close it: its
    // last row's key becomes top-level. (A key under one that sorts after
    // it stands at the top of the written model.)
    QTest::addRow("loop of two")
            << QList<QVariantList>{ { 1, 2, QStringLiteral("A") }, { 2, 1, QStringLiteral("B") } }
            << QStringLiteral("A,B");
    QTest::addRow("loop of two, closed by the first key")
            << QList<QVariantList>{ { 2, 1, QStringLiteral("B") }, { 1, 2, QStringLiteral("A") } }
            << QStringLiteral("A[B]");
    QTest::addRow("loop of three below a root")
            << QList<QVariantList>{ { 5, QVariant(), QStringLiteral("R") },
                                    { 1, 3, QStringLiteral("A") },
                                    { 2, 1, QStringLiteral("B") },
                                    { 3, 2, QStringLiteral("C") } }
            << QStringLiteral("A[B],C,R");
    QTest::addRow("text keys")
            << QList<QVariantList>{ { QStringLiteral("x.1"), QStringLiteral("x"), QStringLiteral("X1") },
                                    { QStringLiteral("x"), QVariant(), QStringLiteral("X") } }
            << QStringLiteral("X[X1]");
}

void tst_ZIndex::createStructure()
{
    QFETCH(QList<QVariantList>, rows);
    QFETCH(QString, tree);
    auto wbs = structureTable(rows);
    ZIndex index(wbs.get(), 0);
    index.createStructure(wbs.get(), 0, 1, 2);
    QStandardItemModel out;
    index.toModel(&out, false);
    QCOMPARE(treeString(&out), tree);
    // No row sets are touched.
    QCOMPARE(index.totalRows(), 0);
}

void tst_ZIndex::setParent()
{
    ZIndex index;
    index.setParent(QStringLiteral("k"), QStringLiteral("p1"));
    index.setParent(QStringLiteral("k"), QStringLiteral("p2"));
    QCOMPARE(childText(index, QStringLiteral("p1")), QStringLiteral("k"));
    QCOMPARE(childText(index, QStringLiteral("p2")), QStringLiteral("k"));
    QCOMPARE(index.value(QStringLiteral("k")).parent, QVariant(QStringLiteral("p2")));

    index.setParent(QStringLiteral("j"), QStringLiteral("p2"));
    index.setParent(QStringLiteral("k"), QStringLiteral("p2"));
    QCOMPARE(childText(index, QStringLiteral("p2")), QStringLiteral("j,k"));

    // An invalid parent makes the key top-level without a list entry.
    index.setParent(QStringLiteral("m"), QVariant());
    QVERIFY(index.contains(QStringLiteral("m")));
    QVERIFY(index.value(QStringLiteral("m")).parent.isNull());
    QCOMPARE(index.childKeys.size(), 2);
}

void tst_ZIndex::removeNode()
{
    ZIndex index;
    index.setParent(2, 1);
    index.setParent(3, 2);
    index.setParent(2, 4);
    index.removeNode(2);
    QVERIFY(!index.contains(2));
    QVERIFY(!index.childKeys.contains(QStringLiteral("2")));
    QCOMPARE(childText(index, QStringLiteral("1")), QString());
    QCOMPARE(childText(index, QStringLiteral("4")), QString());
    QVERIFY(index.contains(3));
}

void tst_ZIndex::collapseToLevel_data()
{
    QTest::addColumn<int>("level");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("tree");

    QTest::addRow("level 0 changes nothing")
            << 0 << QStringLiteral("1:0;2:1;3:2;4:3;5:4") << QStringLiteral("A[B[C],D],E");
    QTest::addRow("level 1 keeps the top")
            << 1 << QStringLiteral("1:0 1 2 3;5:4") << QStringLiteral("A,E");
    QTest::addRow("level 2") << 2 << QStringLiteral("1:0;2:1 2;4:3;5:4")
                             << QStringLiteral("A[B,D],E");
    QTest::addRow("deeper than the tree") << 9 << QStringLiteral("1:0;2:1;3:2;4:3;5:4")
                                          << QStringLiteral("A[B[C],D],E");
}

void tst_ZIndex::collapseToLevel()
{
    QFETCH(int, level);
    QFETCH(QString, keys);
    QFETCH(QString, tree);
    auto wbs = structureTable({ { 1, QVariant(), QStringLiteral("A") },
                                { 2, 1, QStringLiteral("B") },
                                { 3, 2, QStringLiteral("C") },
                                { 4, 1, QStringLiteral("D") },
                                { 5, QVariant(), QStringLiteral("E") } });
    std::unique_ptr<QStandardItemModel> tasks(
            makeTable({ QStringLiteral("wbs") }, { { 1 }, { 2 }, { 3 }, { 4 }, { 5 } }));
    ZIndex index(tasks.get(), 0);
    index.createStructure(wbs.get(), 0, 1, 2);
    index.group(Qt::DisplayRole);
    index.collapseToLevel(level);
    QCOMPARE(keysText(index), keys);
    QStandardItemModel out;
    index.toModel(&out, false);
    QCOMPARE(treeString(&out), tree);
    for (auto it = index.childKeys.cbegin(); it != index.childKeys.cend(); ++it) {
        QVERIFY2(!it.value().isEmpty(), qPrintable(it.key()));
        for (const QVariant &child : it.value())
            QVERIFY2(index.contains(child), qPrintable(child.toString()));
    }
}

void tst_ZIndex::collapseDeepChain()
{
    // A WBS chain of 200,000 levels (each node under the one before), as a
    // file can give it: collapsing walks it without a call per level.
    const int depth = 200000;
    QStandardItemModel wbs(depth, 3);
    for (int i = 1; i <= depth; ++i) {
        wbs.setItem(i - 1, 0, new QStandardItem(QString::number(i)));
        wbs.item(i - 1, 0)->setData(i, Qt::DisplayRole);
        auto *parent = new QStandardItem;
        if (i > 1)
            parent->setData(i - 1, Qt::DisplayRole);
        wbs.setItem(i - 1, 1, parent);
        wbs.setItem(i - 1, 2, new QStandardItem(QStringLiteral("Level %1").arg(i)));
    }
    std::unique_ptr<QStandardItemModel> tasks(makeTable({ QStringLiteral("wbs") }, { { 1 }, { 2 }, { depth / 2 }, { depth } }));
    for (const int level : { 2, depth - 1 }) {
        ZIndex index(tasks.get(), 0);
        index.createStructure(&wbs, 0, 1, 2);
        index.group(Qt::DisplayRole);
        QCOMPARE(int(index.size()), depth);
        index.collapseToLevel(level);
        QCOMPARE(int(index.size()), level);
        QList<int> rows = index.value(level).rows.values();
        std::sort(rows.begin(), rows.end());
        QCOMPARE(rows, level == 2 ? (QList<int>{ 1, 2, 3 }) : (QList<int>{ 3 }));
        QCOMPARE(index.value(1).rows.values(), QList<int>{ 0 });
        QVERIFY(!index.childKeys.contains(QString::number(level)));
    }
}

void tst_ZIndex::crossWithoutLinks()
{
    // Rows: (a, x), (a, y), (b, x), (c, <none>)
    std::unique_ptr<QStandardItemModel> table(
            makeTable({ QStringLiteral("k1"), QStringLiteral("k2") },
                      { { QStringLiteral("a"), QStringLiteral("x") },
                        { QStringLiteral("a"), QStringLiteral("y") },
                        { QStringLiteral("b"), QStringLiteral("x") },
                        { QStringLiteral("c"), QVariant() } }));
    ZIndex first(table.get(), 0);
    first.group(Qt::DisplayRole);
    ZIndex second(table.get(), 1);
    second.group(Qt::DisplayRole);
    const ZIndex product = cross(first, second);
    QCOMPARE(product.model, table.get());
    QCOMPARE(product.column, 0);
    QCOMPARE(keysText(product), QStringLiteral("a:;axx:0;axy:1;b:;bxx:2;c:"));
    QCOMPARE(product.value(QStringLiteral("axy")).parent, QVariant(QStringLiteral("a")));
    QCOMPARE(product.value(QStringLiteral("axy")).display, QVariant(QStringLiteral("y")));
    QVERIFY(product.value(QStringLiteral("axy")).parent.isValid());
    QStandardItemModel out;
    product.toModel(&out, false);
    QCOMPARE(treeString(&out), QStringLiteral("a[x,y],b[x],c"));
}

void tst_ZIndex::crossRowInSeveralNodes()
{
    ZIndex a;
    a[QStringLiteral("a")].rows = { 0, 1, 5 };
    ZIndex b;
    b[QStringLiteral("x")].rows = { 0, 1 };
    b[QStringLiteral("y")].rows = { 0 };
    b[QStringLiteral("z")].rows = { 7 };
    const ZIndex product = cross(a, b);
    QCOMPARE(keysText(product), QStringLiteral("a:;axx:0 1;axy:0"));
    // The leaf's rows move into the combined nodes, even when there are none.
    QCOMPARE(keysText(cross(a, ZIndex())), QStringLiteral("a:"));
}

void tst_ZIndex::crossWithLinks()
{
    auto wbs = structureTable({ { 1, QVariant(), QStringLiteral("A") },
                                { 2, 1, QStringLiteral("B") },
                                { 3, QVariant(), QStringLiteral("C") } });
    std::unique_ptr<QStandardItemModel> tasks(makeTable(
            { QStringLiteral("kind"), QStringLiteral("wbs") },
            { { QStringLiteral("p"), 2 }, { QStringLiteral("q"), 2 }, { QStringLiteral("p"), 1 } }));
    ZIndex first(tasks.get(), 0);
    first.group(Qt::DisplayRole);
    ZIndex second(tasks.get(), 1);
    second.createStructure(wbs.get(), 0, 1, 2);
    second.group(Qt::DisplayRole);
    const ZIndex product = cross(first, second);
    // The whole second tree, empty nodes included, under every leaf.
    QCOMPARE(keysText(product), QStringLiteral("p:;px1:2;px2:0;px3:;q:;qx1:;qx2:1;qx3:"));
    QCOMPARE(product.value(QStringLiteral("px2")).parent, QVariant(QStringLiteral("px1")));
    QCOMPARE(product.value(QStringLiteral("px1")).parent, QVariant(QStringLiteral("p")));
    QStandardItemModel out;
    product.toModel(&out, false);
    QCOMPARE(treeString(&out), QStringLiteral("p[A[B],C],q[A[B],C]"));
}

void tst_ZIndex::crossThreeLevels()
{
    std::unique_ptr<QStandardItemModel> table(makeTable(
            { QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c") },
            { { 1, 5, 7 }, { 1, 5, 8 }, { 2, 6, 7 } }));
    ZIndex a(table.get(), 0), b(table.get(), 1), c(table.get(), 2);
    a.group(Qt::DisplayRole);
    b.group(Qt::DisplayRole);
    c.group(Qt::DisplayRole);
    const ZIndex product = cross(cross(a, b), c);
    QStandardItemModel out;
    product.toModel(&out, false);
    QCOMPARE(treeString(&out), QStringLiteral("1[5[7,8]],2[6[7]]"));
    QCOMPARE(product.totalRows(), 3);
    QCOMPARE(keysText(product).count(QLatin1Char(';')) + 1, product.count());
}

void tst_ZIndex::toModel()
{
    ZIndex index;
    index[1].display = QStringLiteral("one");
    index[2].display = QStringLiteral("two");
    index[3].display = QStringLiteral("three");
    index.setParent(3, 1);
    index[0].display = QStringLiteral("zero");
    index.setParent(0, 2); // The parent sorts after the key: top level.
    index[4].display = QStringLiteral("orphan");
    index.setParent(4, 77); // A parent that is no key: top level.
    index[5].display = QStringLiteral("five");
    index.setParent(5, 3);
    QStandardItemModel out;
    // One insertion for the top level and one below each parent, not one
    // per item: a proxy remaps its rows at each.
    QSignalSpy inserted(&out, &QAbstractItemModel::rowsInserted);
    index.toModel(&out, false);
    QCOMPARE(inserted.count(), 3);
    QCOMPARE(treeString(&out), QStringLiteral("zero,one[three[five]],two,orphan"));
    // Every item is the model's, at every level: its changes are told.
    QCOMPARE(out.item(1)->child(0)->child(0)->index(), out.index(0, 0, out.index(0, 0, out.index(1, 0))));
    const QStandardItem *item = out.item(1);
    QCOMPARE(item->data(Qt::UserRole), QVariant(1));
    QVERIFY(item->isCheckable());
    QCOMPARE(item->checkState(), Qt::Checked);
}

void tst_ZIndex::toModelWithRows()
{
    std::unique_ptr<QStandardItemModel> table(makeTable(
            { QStringLiteral("v") },
            { { QStringLiteral("b") }, { QStringLiteral("c") }, { QStringLiteral("a") },
              { QStringLiteral("b") } }));
    ZIndex outer;
    outer.model = table.get();
    outer.column = 0;
    outer[QStringLiteral("all")].rows = { 0, 1, 2, 3 };
    outer[QStringLiteral("all")].display = QStringLiteral("all");
    QStandardItemModel out;
    outer.toModel(&out, true);
    QCOMPARE(treeString(&out), QStringLiteral("all[a,b,b,c]"));
    QVERIFY(out.item(0)->child(0)->data(Qt::UserRole).isNull());
    QCOMPARE(out.item(0)->child(0)->checkState(), Qt::Checked);

    // Inner nodes get no row items.
    outer.setParent(QStringLiteral("leaf"), QStringLiteral("all"));
    outer[QStringLiteral("leaf")].rows = { 2 };
    outer[QStringLiteral("leaf")].display = QStringLiteral("leaf");
    QStandardItemModel out2;
    outer.toModel(&out2, true);
    QCOMPARE(treeString(&out2), QStringLiteral("all[leaf[a]]"));
}

void tst_ZIndex::makeChildrenUnique()
{
    std::unique_ptr<QStandardItemModel> table(makeTable(
            { QStringLiteral("d") },
            { { QDate(2020, 1, 5) }, { QDate(2020, 1, 5) }, { QDate(2020, 1, 6) },
              { QDate(2020, 2, 1) }, { QDate(2020, 1, 6) } }));
    ZIndex index(table.get(), 0);
    index[QStringLiteral("jan")].rows = { 0, 1, 2, 4 };
    index[QStringLiteral("feb")].rows = { 3 };
    index.makeChildrenUnique();
    QCOMPARE(index.value(QStringLiteral("jan")).rows.size(), 2);
    QCOMPARE(index.value(QStringLiteral("feb")).rows.size(), 1);
    QSet<QDate> dates;
    for (int r : index.value(QStringLiteral("jan")).rows)
        dates.insert(table->index(r, 0).data().toDate());
    QCOMPARE(dates, (QSet<QDate>{ QDate(2020, 1, 5), QDate(2020, 1, 6) }));
}

void tst_ZIndex::copies()
{
    std::unique_ptr<QStandardItemModel> table(makeTable({ QStringLiteral("v") }, { { 1 } }));
    ZIndex index(table.get(), 0);
    index.group(Qt::DisplayRole);
    index.setParent(1, 0);
    QList<ZIndex> list;
    list.append(index);
    ZIndex copy;
    copy = list.first();
    QCOMPARE(copy.model, table.get());
    QCOMPARE(copy.column, 0);
    QCOMPARE(copy.childKeys, index.childKeys);
    QCOMPARE(keysText(copy), keysText(index));
}

void tst_ZIndex::hash_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<uint>("expected");
    QTest::addRow("invalid") << QVariant() << qHash(QString());
    QTest::addRow("text") << QVariant(QStringLiteral("abc")) << qHash(QStringLiteral("abc"));
    QTest::addRow("date") << QVariant(QDate(2020, 1, 2)) << qHash(QStringLiteral("2020-01-02"));
    QTest::addRow("int") << QVariant(-3) << uint(-3);
    QTest::addRow("bool") << QVariant(true) << 1u;
    QTest::addRow("double") << QVariant(7.0) << 7u;
    QTest::addRow("longlong") << QVariant(qlonglong(1) << 40)
                              << uint((quint64(1) << 40) ^ (quint64(1) << 9));
    QTest::addRow("char") << QVariant(QChar(0x41)) << 0x41u;
    QTest::addRow("bytes") << QVariant(QByteArray("xy")) << qHash(QByteArray("xy"));
    QTest::addRow("other") << QVariant(QSize(1, 2)) << uint(-1);
}

void tst_ZIndex::hash()
{
    QFETCH(QVariant, value);
    QFETCH(uint, expected);
    QCOMPARE(qHash(value), expected);
    QSet<QVariant> set{ value };
    QVERIFY(set.contains(value));
}

QTEST_GUILESS_MAIN(tst_ZIndex)
#include "tst_zindex.moc"
