#include "rownumbering.h"
#include "zparentitemproxymodel.h"

#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QtTest>

// Row numbers, outline levels and predecessor rows over small trees built
// by hand: a flat table numbered in place, and a grouped tree whose
// activities sit under bands.
class TestActivitiesRowNumbers : public QObject
{
    Q_OBJECT

private:
    static QStandardItemModel *makeTable(const QStringList &ids, QObject *parent)
    {
        auto *model = new QStandardItemModel(0, 5, parent);
        model->setHorizontalHeaderLabels({QStringLiteral("task_id"), QStringLiteral("Activity ID"),
                                          QStringLiteral("Row Number"),
                                          QStringLiteral("Outline Level"),
                                          QStringLiteral("Predecessors Details Rows")});
        for (int i = 0; i < ids.size(); ++i) {
            QList<QStandardItem *> row;
            row << new QStandardItem << new QStandardItem(ids.at(i)) << new QStandardItem
                << new QStandardItem << new QStandardItem;
            row.first()->setData(100 + i, Qt::DisplayRole);
            model->appendRow(row);
        }
        return model;
    }

    // task_id, Type, Lag, successor ID, predecessor ID, predecessor name:
    // the predecessor's activity ID is second from the right.
    static QStandardItemModel *makeRelations(const QList<QVariantList> &rows, QObject *parent)
    {
        auto *model = new QStandardItemModel(0, 6, parent);
        model->setHorizontalHeaderLabels({QStringLiteral("task_id"), QStringLiteral("pred_task_id"),
                                          QStringLiteral("Type"), QStringLiteral("Lag"),
                                          QStringLiteral("Activity ID"),
                                          QStringLiteral("Activity Name")});
        for (const QVariantList &r : rows) {
            QList<QStandardItem *> items;
            for (int c = 0; c < 6; ++c) {
                auto *item = new QStandardItem;
                if (c < r.size())
                    item->setData(r.at(c), Qt::DisplayRole);
                items << item;
            }
            // Column 4 is read as the predecessor's activity ID.
            items.at(4)->setData(r.value(4), Qt::DisplayRole);
            model->appendRow(items);
        }
        return model;
    }

    static QString column(QAbstractItemModel *model, int col, const QModelIndex &parent = {})
    {
        QStringList out;
        for (int r = 0; r < model->rowCount(parent); ++r)
            out << model->index(r, col, parent).data().toString();
        return out.join(QLatin1Char(','));
    }

private slots:
    void flatTableNumbersInOrder()
    {
        QStandardItemModel *table =
            makeTable({QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("A3")}, this);
        RowNumbering(table, RelationMap()).update(table, table);
        QCOMPARE(column(table, 2), QStringLiteral("1,2,3"));
        QCOMPARE(column(table, 3), QStringLiteral("1,1,1"));
        QCOMPARE(column(table, 4), QStringLiteral(",,"));
    }

    void groupedTreeFollowsTreeOrder()
    {
        // Two bands of two activities each; the activity table order differs
        // from the tree order.
        auto *tree = new QStandardItemModel(0, 3, this);
        tree->setHorizontalHeaderLabels({QStringLiteral("Activity ID"), QStringLiteral("Row Number"),
                                         QStringLiteral("Outline Level")});
        const auto band = [tree](const QString &title, const QStringList &ids) {
            QList<QStandardItem *> row{new QStandardItem, new QStandardItem, new QStandardItem};
            row.first()->setData(QVariant(), Qt::DisplayRole);
            Q_UNUSED(title)
            for (const QString &id : ids)
                row.first()->appendRow({new QStandardItem(id), new QStandardItem,
                                        new QStandardItem});
            tree->appendRow(row);
        };
        band(QStringLiteral("B1"), {QStringLiteral("A3"), QStringLiteral("A1")});
        band(QStringLiteral("B2"), {QStringLiteral("A2"), QStringLiteral("A4")});
        QStandardItemModel *table = makeTable({QStringLiteral("A1"), QStringLiteral("A2"),
                                               QStringLiteral("A3"), QStringLiteral("A4")},
                                              this);
        // A4 follows A1 (FS, and FF too) and A3 (SS, 8 hours).
        QStandardItemModel *relations =
            makeRelations({{103, 100, QStringLiteral("PR_FS"), 0, QStringLiteral("A1")},
                           {103, 102, QStringLiteral("PR_SS"), 8, QStringLiteral("A3")},
                           {103, 100, QStringLiteral("PR_FF"), 0, QStringLiteral("A1")}},
                          this);

        RowNumbering(table, predecessorsMap(relations)).update(tree, table);

        QCOMPARE(column(tree, 1), QStringLiteral("1,4"));
        QCOMPARE(column(tree, 2), QStringLiteral("1,1"));
        QCOMPARE(column(tree, 1, tree->index(0, 0)), QStringLiteral("2,3"));
        QCOMPARE(column(tree, 1, tree->index(1, 0)), QStringLiteral("5,6"));
        QCOMPARE(column(tree, 2, tree->index(1, 0)), QStringLiteral("2,2"));
        QCOMPARE(table->index(3, 4).data().toString(), QStringLiteral("3FS, 3FF, 2SS+8h"));
        QCOMPARE(table->index(0, 4).data().toString(), QString());
    }

    void sameIdUsesLaterRowAndUnknownIsZero()
    {
        QStandardItemModel *table = makeTable(
            {QStringLiteral("A1"), QStringLiteral("A1"), QStringLiteral("A9")}, this);
        QStandardItemModel *relations =
            makeRelations({{102, 100, QStringLiteral("PR_FS"), 0, QStringLiteral("A1")},
                           {102, 555, QStringLiteral("PR_FF"), 0, QStringLiteral("ZZ")}},
                          this);
        RowNumbering(table, predecessorsMap(relations)).update(table, table);
        QCOMPARE(table->index(2, 4).data().toString(), QStringLiteral("2FS, 0FF"));
    }

    void childOfLevelZeroStaysZero()
    {
        // A model that stores 0 as the level of the row "M": its child reads
        // that 0 and gets 0 itself, not 1.
        class ZeroLevelModel : public QStandardItemModel
        {
        public:
            using QStandardItemModel::QStandardItemModel;
            bool setData(const QModelIndex &index, const QVariant &value, int role) override
            {
                if (index.column() == 2 && index.sibling(index.row(), 0).data().toString()
                                               == QLatin1String("M"))
                    return QStandardItemModel::setData(index, 0, role);
                return QStandardItemModel::setData(index, value, role);
            }
        };
        auto *tree = new ZeroLevelModel(0, 3, this);
        tree->setHorizontalHeaderLabels({QStringLiteral("Activity ID"), QStringLiteral("Row Number"),
                                         QStringLiteral("Outline Level")});
        QList<QStandardItem *> top{new QStandardItem(QStringLiteral("P")), new QStandardItem,
                                   new QStandardItem};
        QList<QStandardItem *> mid{new QStandardItem(QStringLiteral("M")), new QStandardItem,
                                   new QStandardItem};
        mid.first()->appendRow({new QStandardItem(QStringLiteral("C")), new QStandardItem,
                                new QStandardItem});
        top.first()->appendRow(mid);
        tree->appendRow(top);
        RowNumbering(tree, RelationMap()).update(tree, tree);
        const QModelIndex p = tree->index(0, 0);
        const QModelIndex m = tree->index(0, 0, p);
        QCOMPARE(tree->index(0, 2).data().toInt(), 1);
        QCOMPARE(tree->index(0, 2, p).data().toInt(), 0);
        QCOMPARE(tree->index(0, 2, m).data().toInt(), 0);
        QCOMPARE(tree->index(0, 1, m).data().toInt(), 3);
    }

    void quietTableUnderTreeProxy_data()
    {
        QTest::addColumn<bool>("quiet");
        QTest::newRow("table that announces its writes") << false;
        QTest::newRow("table kept quiet") << true;
    }

    void quietTableUnderTreeProxy()
    {
        // Four activities under two bands (table rows 4 and 5), as the pane
        // builds them: the tree proxy stands straight over the table. A quiet
        // table (signals blocked, as the activity model is handed over) is
        // numbered the same, and the tree still tells whatever shows it.
        QFETCH(bool, quiet);
        QStandardItemModel *table = makeTable({QStringLiteral("A1"), QStringLiteral("A2"),
                                               QStringLiteral("A3"), QStringLiteral("A4"),
                                               QString(), QString()},
                                              this);
        QStandardItemModel *relations =
            makeRelations({{103, 100, QStringLiteral("PR_FS"), 0, QStringLiteral("A1")},
                           {103, 102, QStringLiteral("PR_SS"), 8, QStringLiteral("A3")},
                           {101, 555, QStringLiteral("PR_FF"), 0, QStringLiteral("ZZ")}},
                          this);
        ZParentItemProxyModel tree;
        tree.setSourceModel(table);
        tree.setParentStructure(ParentStructure{{-1, {4, 5}}, {4, {2, 0}}, {5, {1, 3}}});
        QSortFilterProxyModel shown;
        shown.setSourceModel(&tree);
        shown.setDynamicSortFilter(true);
        shown.sort(2, Qt::DescendingOrder);
        QSignalSpy changed(&tree, &QAbstractItemModel::dataChanged);

        table->blockSignals(quiet);
        RowNumbering(table, predecessorsMap(relations)).update(&tree, table);
        table->blockSignals(false);

        QCOMPARE(column(&tree, 2), QStringLiteral("1,4"));
        QCOMPARE(column(&tree, 3), QStringLiteral("1,1"));
        QCOMPARE(column(&tree, 2, tree.index(0, 0)), QStringLiteral("2,3"));
        QCOMPARE(column(&tree, 2, tree.index(1, 0)), QStringLiteral("5,6"));
        QCOMPARE(column(&tree, 3, tree.index(1, 0)), QStringLiteral("2,2"));
        QCOMPARE(table->index(3, 4).data().toString(), QStringLiteral("3FS, 2SS+8h"));
        QCOMPARE(table->index(1, 4).data().toString(), QStringLiteral("0FF"));
        // Without predecessors the text is null, not merely empty.
        QVERIFY(table->index(0, 4).data().toString().isNull());
        QVERIFY(table->index(5, 4).data().toString().isNull());
        // The sorted view above took the new numbers.
        QCOMPARE(column(&shown, 2), QStringLiteral("4,1"));
        QCOMPARE(column(&shown, 2, shown.index(0, 0)), QStringLiteral("6,5"));
        // Quiet: one announcement per parent, not one per cell (the table's
        // own announcements pass every written cell on).
        QCOMPARE(changed.count(), quiet ? 3 : 6 * 3);
    }

    void manyRelationsResolveAlike()
    {
        // Enough relations to be resolved in slices side by side; IDs that no
        // row has read 0, and of two rows with one ID the later counts.
        QStringList ids;
        for (int i = 0; i < 2000; ++i)
            ids << QStringLiteral("A%1").arg(i);
        ids << QStringLiteral("A7");
        QStandardItemModel *table = makeTable(ids, this);
        RelationMap relations;
        for (int task = 0; task < 2000; ++task) {
            QMultiMap<QString, QString> &of = relations[100 + task];
            for (int k = 1; k <= 20; ++k) {
                const int predecessor = (task * 7 + k * 13) % 2003; // some beyond the rows
                of.insert(QStringLiteral("A%1").arg(predecessor), QStringLiteral("FS"));
            }
        }
        RowNumbering(table, relations).update(table, table);
        for (int task = 0; task < 2000; task += 97) {
            QStringList expected;
            const QMultiMap<QString, QString> of = relations.value(100 + task);
            for (auto it = of.cbegin(); it != of.cend(); ++it) {
                const int number = it.key() == QLatin1String("A7") ? 2001
                                   : it.key().mid(1).toInt() < 2000 ? it.key().mid(1).toInt() + 1
                                                                     : 0;
                expected << QString::number(number) + it.value();
            }
            QCOMPARE(table->index(task, 4).data().toString(), expected.join(QStringLiteral(", ")));
        }
    }

    void levelZeroUnderQuietTreeProxy()
    {
        // The table stores 0 as the level of band "M" (row 1): the rows under
        // it read that 0 and get 0, as in any tree.
        class ZeroLevelTable : public QStandardItemModel
        {
        public:
            using QStandardItemModel::QStandardItemModel;
            bool setData(const QModelIndex &index, const QVariant &value, int role) override
            {
                const bool band = index.row() == 1;
                return QStandardItemModel::setData(index, index.column() == 3 && band ? 0 : value, role);
            }
        };
        auto *table = new ZeroLevelTable(0, 5, this);
        table->setHorizontalHeaderLabels({QStringLiteral("task_id"), QStringLiteral("Activity ID"),
                                          QStringLiteral("Row Number"),
                                          QStringLiteral("Outline Level"),
                                          QStringLiteral("Predecessors Details Rows")});
        for (int r = 0; r < 4; ++r)
            table->appendRow({new QStandardItem, new QStandardItem, new QStandardItem,
                              new QStandardItem, new QStandardItem});
        ZParentItemProxyModel tree;
        tree.setSourceModel(table);
        // P (row 0) > M (row 1) > C (row 2); row 3 at the top.
        tree.setParentStructure(ParentStructure{{-1, {0, 3}}, {0, {1}}, {1, {2}}});
        table->blockSignals(true);
        RowNumbering(table, RelationMap()).update(&tree, table);
        table->blockSignals(false);
        QCOMPARE(column(table, 2), QStringLiteral("1,2,3,4"));
        QCOMPARE(column(table, 3), QStringLiteral("1,0,0,1"));
    }

    void emptyModelWritesNothing()
    {
        QStandardItemModel *table = makeTable({}, this);
        QSignalSpy spy(table, &QAbstractItemModel::dataChanged);
        RowNumbering(table, RelationMap()).update(table, table);
        QCOMPARE(spy.count(), 0);
        RowNumbering().update(nullptr, nullptr);
    }

    void missingColumnsSkipTheirPart()
    {
        auto *tree = new QStandardItemModel(2, 1, this);
        tree->setHorizontalHeaderLabels({QStringLiteral("Outline Level")});
        RowNumbering(tree, RelationMap()).update(tree, tree);
        QCOMPARE(column(tree, 0), QStringLiteral("1,1"));
    }
};

QTEST_GUILESS_MAIN(TestActivitiesRowNumbers)
#include "tst_activitiesrownumbers.moc"
