#include "proxytesthelpers.h"
#include "treetext.h"
#include "ztreeitem.h"
#include "ztreemodel.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Builds "a[b,c[d]],e" under parent with insertRows and setData.
void fill(ZTreeModel *model, const QString &text, const QModelIndex &parent = {})
{
    for (const TreeTextEntry &entry : treeTextEntries(text)) {
        if (entry.name.isEmpty() && !entry.branch)
            continue;
        const int row = model->rowCount(parent);
        QVERIFY(model->insertRows(row, 1, parent));
        const QModelIndex child = model->index(row, 0, parent);
        model->setData(child, entry.name);
        if (entry.branch)
            fill(model, entry.children, child);
    }
}

QModelIndex find(ZTreeModel *model, const QString &path)
{
    return model->indexFromPath(path.split(QLatin1Char('/')));
}

} // namespace

class tst_ZTreeModel : public QObject
{
    Q_OBJECT
private slots:
    void operations_data();
    void operations();
    void insertAndRemove_data();
    void insertAndRemove();
    void cutAndPaste();
    void values();
    void paths();
    void dragAndDrop();
    void clearing();
};

void tst_ZTreeModel::operations_data()
{
    QTest::addColumn<QString>("tree");
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("row"); // row of the returned index; -1 = unchanged

    const QString t = QStringLiteral("A,P[X,Y],B,C");
    QTest::addRow("up") << t << "up" << "B" << "A,B,P[X,Y],C" << 1;
    QTest::addRow("up first") << t << "up" << "A" << t << -1;
    QTest::addRow("down") << t << "down" << "P/X" << "A,P[Y,X],B,C" << 1;
    QTest::addRow("down last") << t << "down" << "C" << t << -1;
    QTest::addRow("promote after parent") << "G[A,P[X,Y],B,C]" << "promote" << "G/P/X"
                                          << "G[A,P[Y],X,B,C]" << 2;
    QTest::addRow("promote to top") << t << "promote" << "P/Y" << "A,P[X],Y,B,C" << 2;
    QTest::addRow("promote top level") << t << "promote" << "A" << t << -1;
    QTest::addRow("demote") << t << "demote" << "B" << "A,P[X,Y,B],C" << 2;
    QTest::addRow("demote first") << t << "demote" << "A" << t << -1;
    QTest::addRow("demote into empty") << t << "demote" << "P" << "A[P[X,Y]],B,C" << 0;
}

void tst_ZTreeModel::operations()
{
    QFETCH(QString, tree);
    QFETCH(QString, operation);
    QFETCH(QString, target);
    QFETCH(QString, expected);
    QFETCH(int, row);
    ZTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fill(&model, tree);
    QCOMPARE(testhelpers::treeString(&model), tree);

    const QModelIndex index = find(&model, target);
    QVERIFY(index.isValid());
    const QPersistentModelIndex follow(index);
    QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);
    QSignalSpy moves(&model, &QAbstractItemModel::rowsMoved);
    QModelIndex result;
    if (operation == QLatin1String("up"))
        result = model.moveUp(index);
    else if (operation == QLatin1String("down"))
        result = model.moveDown(index);
    else if (operation == QLatin1String("promote"))
        result = model.promote(index);
    else
        result = model.demote(index);
    QCOMPARE(testhelpers::treeString(&model), expected);
    QCOMPARE(layouts.count(), 0);
    if (row < 0) {
        QCOMPARE(result, index);
        QCOMPARE(moves.count(), 0);
    } else {
        QCOMPARE(result.row(), row);
        QCOMPARE(result.data().toString(), target.section(QLatin1Char('/'), -1));
        // The move was announced: a persistent index follows the node.
        QCOMPARE(QModelIndex(follow), result);
        QVERIFY(moves.count() >= 1);
    }
}

void tst_ZTreeModel::insertAndRemove_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("expected");
    QTest::addRow("insert in the middle") << "insert" << "" << 1 << 2 << true << "a,,,b[c,d],e";
    QTest::addRow("insert at the end") << "insert" << "b" << 2 << 1 << true << "a,b[c,d,],e";
    QTest::addRow("insert at the front") << "insert" << "b" << 0 << 1 << true << "a,b[,c,d],e";
    QTest::addRow("insert past the end") << "insert" << "" << 4 << 1 << false << "a,b[c,d],e";
    QTest::addRow("insert negative row") << "insert" << "" << -1 << 1 << false << "a,b[c,d],e";
    QTest::addRow("insert no rows") << "insert" << "" << 0 << 0 << false << "a,b[c,d],e";
    QTest::addRow("remove a branch") << "remove" << "" << 1 << 1 << true << "a,e";
    QTest::addRow("remove two") << "remove" << "b" << 0 << 2 << true << "a,b,e";
    QTest::addRow("remove beyond") << "remove" << "b" << 1 << 2 << false << "a,b[c,d],e";
    QTest::addRow("remove none") << "remove" << "" << 0 << 0 << false << "a,b[c,d],e";
}

void tst_ZTreeModel::insertAndRemove()
{
    QFETCH(QString, operation);
    QFETCH(QString, parent);
    QFETCH(int, row);
    QFETCH(int, count);
    QFETCH(bool, ok);
    QFETCH(QString, expected);
    ZTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fill(&model, QStringLiteral("a,b[c,d],e"));
    const QModelIndex p = parent.isEmpty() ? QModelIndex() : find(&model, parent);
    const bool result = operation == QLatin1String("insert") ? model.insertRows(row, count, p)
                                                             : model.removeRows(row, count, p);
    QCOMPARE(result, ok);
    QCOMPARE(testhelpers::treeString(&model), expected);
}

void tst_ZTreeModel::cutAndPaste()
{
    ZTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fill(&model, QStringLiteral("a,b[c,d],e"));
    QVERIFY(!model.paste(find(&model, "a")).parent().isValid()); // nothing cut: unchanged
    model.cut(find(&model, "e"));
    QCOMPARE(testhelpers::treeString(&model), QStringLiteral("a,b[c,d],e")); // stays in place
    const QModelIndex pasted = model.paste(find(&model, "b/c"));
    QCOMPARE(testhelpers::treeString(&model), QStringLiteral("a,b[c,e,d]"));
    QCOMPARE(pasted, find(&model, "b/e"));
    // The cut is used up.
    const QModelIndex a = find(&model, "a");
    QCOMPARE(model.paste(a), a);
    // A node cannot go into its own subtree.
    model.cut(find(&model, "b"));
    const QModelIndex c = find(&model, "b/c");
    QCOMPARE(model.paste(c), c);
    QCOMPARE(testhelpers::treeString(&model), QStringLiteral("a,b[c,e,d]"));
    // A cut node that is removed is forgotten.
    model.cut(find(&model, "b/d"));
    QVERIFY(model.removeRows(2, 1, find(&model, "b")));
    QCOMPARE(model.paste(a), a);
    QCOMPARE(testhelpers::treeString(&model), QStringLiteral("a,b[c,e]"));
}

void tst_ZTreeModel::values()
{
    ZTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(model.columnCount(), 1);
    QCOMPARE(model.rowCount(), 0);
    fill(&model, QStringLiteral("a[b]"));
    const QModelIndex b = find(&model, "a/b");
    QVERIFY(model.setData(b.sibling(0, 4), 42));
    QCOMPARE(model.columnCount(), 5);
    QCOMPARE(model.columnCount(b.parent()), 5);
    QCOMPARE(model.data(model.index(0, 4, b.parent())).toInt(), 42);
    QCOMPARE(model.data(model.index(0, 4, b.parent()), Qt::EditRole), QVariant(42));
    model.setData(b.sibling(0, 2), QStringLiteral("shown"), Qt::DisplayRole);
    QVERIFY(!model.data(b.sibling(0, 2), Qt::EditRole).isValid());
    QCOMPARE(model.headerData(3, Qt::Horizontal).toInt(), 4);
    QVERIFY(!model.headerData(3, Qt::Horizontal, Qt::ToolTipRole).isValid());
    QVERIFY(!model.isChecked(b));
    model.setData(b, Qt::Checked, Qt::CheckStateRole);
    QVERIFY(model.isChecked(b));
    QVERIFY(!model.setData(QModelIndex(), 1));
    // Items know nothing of the model: the model's operations notify.
    ZTreeItem *item = model.itemFromIndex(b);
    QCOMPARE(model.indexFromItem(item), b);
    QVERIFY(!model.indexFromItem(nullptr).isValid());
    ZTreeItem detached;
    QVERIFY(!model.indexFromItem(&detached).isValid());
    QCOMPARE(item->row(), 0);
    QVERIFY(!detached.takeChild(0));
}

void tst_ZTreeModel::paths()
{
    ZTreeModel model;
    fill(&model, QStringLiteral("a[x],a[b[c]],a"));
    const QModelIndex c = find(&model, "a/b/c");
    QVERIFY(c.isValid());
    QCOMPARE(c.parent().parent().row(), 1); // the second a, after backtracking
    QCOMPARE(model.pathFromIndex(c), (QStringList{"a", "b", "c"}));
    QVERIFY(!find(&model, "a/b/x").isValid());
    QVERIFY(!model.indexFromPath(QStringList()).isValid());
    QVERIFY(model.pathFromIndex(QModelIndex()).isEmpty());
    // Item swaps keep the nodes, in swapped order.
    ZTreeItem *a = model.itemFromIndex(find(&model, "a"));
    model.itemFromIndex(QModelIndex())->swapChildren(0, 2);
    QCOMPARE(model.itemFromIndex(QModelIndex())->child(2), a);
}

void tst_ZTreeModel::dragAndDrop()
{
    ZTreeModel model;
    fill(&model, QStringLiteral("a,b"));
    QVERIFY(!model.mimeData({model.index(0, 0), model.index(1, 0)}));
    std::unique_ptr<QMimeData> data(model.mimeData({model.index(0, 0)}));
    QVERIFY(data);
    QVERIFY(data->formats().isEmpty());
    QVERIFY(!model.dropMimeData(data.get(), Qt::MoveAction, 0, 0, QModelIndex()));
    QVERIFY(model.dropMimeData(data.get(), Qt::IgnoreAction, 0, 0, QModelIndex()));
    data->setData(ZTreeModel::MimeType, QByteArray());
    QVERIFY(model.dropMimeData(data.get(), Qt::MoveAction, 0, 0, model.index(0, 0)));
    QVERIFY(!model.dropMimeData(data.get(), Qt::CopyAction, 0, 0, QModelIndex()));
    QVERIFY(!model.dropMimeData(data.get(), Qt::MoveAction, 0, 1, QModelIndex()));
    QCOMPARE(testhelpers::treeString(&model), QStringLiteral("a,b"));
}

void tst_ZTreeModel::clearing()
{
    ZTreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fill(&model, QStringLiteral("a[b,c],d"));
    const QPersistentModelIndex b = find(&model, "a/b");
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    model.clearChildren(find(&model, "a"));
    QCOMPARE(removed.count(), 1);
    QVERIFY(!b.isValid()); // no index is left to a destroyed node
    QCOMPARE(testhelpers::treeString(&model), QStringLiteral("a,d"));
    model.cut(find(&model, "d"));
    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.columnCount(), 0);
    QVERIFY(!model.removeRows(0, 1));
    QVERIFY(!model.mimeData({QModelIndex()}));
    QVERIFY(!model.insertRows(0, 1));
    model.init();
    fill(&model, QStringLiteral("x"));
    QCOMPARE(testhelpers::treeString(&model), QStringLiteral("x"));
}

QTEST_GUILESS_MAIN(tst_ZTreeModel)
#include "tst_ztreemodel.moc"
