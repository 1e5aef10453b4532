#include "activities.h"
#include "groupbands.h"
#include "zindex.h"

#include <QStandardItemModel>
#include <QtTest>

// The index and band steps of the activity grouping: rows without a value
// keep a band, levels combine, band rows are appended with a parent
// structure that holds every activity exactly once.
class TestActivitiesGrouping : public QObject
{
    Q_OBJECT

private:
    // One column "key"; an invalid QVariant leaves the cell empty.
    static QStandardItemModel *makeTable(const QVariantList &keys, QObject *parent)
    {
        auto *model = new QStandardItemModel(0, 2, parent);
        model->setHorizontalHeaderLabels({QStringLiteral("key"), QStringLiteral("other")});
        for (const QVariant &k : keys) {
            auto *item = new QStandardItem;
            if (k.isValid())
                item->setData(k, Qt::DisplayRole);
            model->appendRow({item, new QStandardItem});
        }
        return model;
    }

    static QStandardItemModel *makeStructure(QObject *parent)
    {
        auto *model = new QStandardItemModel(0, 3, parent);
        model->setHorizontalHeaderLabels(
            {QStringLiteral("ID"), QStringLiteral("parentID"), QStringLiteral("Group")});
        return model;
    }

    // The parent structure as text: "parent:children;..." in key order.
    static QString text(const QMap<int, QList<int>> &structure)
    {
        QStringList parts;
        for (auto it = structure.cbegin(); it != structure.cend(); ++it) {
            QStringList children;
            for (int c : it.value())
                children << QString::number(c);
            parts << QString::number(it.key()) + QLatin1Char(':')
                         + children.join(QLatin1Char(','));
        }
        return parts.join(QLatin1Char(';'));
    }

    // Group records from "parent:row,row|parent:row", one record per part.
    static QList<QVariant> records(const QString &text)
    {
        QList<QVariant> groups;
        for (const QString &part : text.split(QLatin1Char('|'))) {
            QVariantList set;
            for (const QString &row : part.section(QLatin1Char(':'), 1).split(QLatin1Char(','), Qt::SkipEmptyParts))
                set << row.toInt();
            groups << QVariantMap{{QStringLiteral("parent"), part.section(QLatin1Char(':'), 0, 0).toInt()},
                                  {QStringLiteral("set"), set}};
        }
        return groups;
    }

    static QString recordsText(const QList<QVariant> &groups)
    {
        QStringList parts;
        for (const QVariant &group : groups) {
            const QVariantMap record = group.toMap();
            QStringList rows;
            for (const QVariant &row : record.value(QStringLiteral("set")).toList())
                rows << row.toString();
            parts << record.value(QStringLiteral("parent")).toString() + QLatin1Char(':')
                         + rows.join(QLatin1Char(','))
                         + (record.value(QStringLiteral("hasChildren")).toBool() ? QStringLiteral("+")
                                                                                  : QString());
        }
        return parts.join(QLatin1Char('|'));
    }

private slots:
    void groupsMadeUnique_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after"); // "+" marks a record with children
        QTest::addRow("nested") << "-1:0,1,2,3|0:1,2|1:2" << "-1:0,3+|0:1+|1:2";
        QTest::addRow("siblings") << "-1:0,1,2|0:1|0:2" << "-1:0+|0:1|0:2";
        QTest::addRow("child listed first") << "1:4|-1:4,5" << "1:4|-1:5+";
        QTest::addRow("row in no child stays") << "-1:7|0:8" << "-1:7+|0:8";
        QTest::addRow("parent out of range") << "5:1|-1:1" << "5:1|-1:1";
        QTest::addRow("cycle left alone") << "1:1,2|0:2" << "1:1,2+|0:2+";
        QTest::addRow("band between lists nothing") << "-1:5|0:|1:5" << "-1:+|0:+|1:5";
        QTest::addRow("sibling lists the row too") << "-1:|0:5|0:5|2:" << "-1:+|0:5|0:5+|2:";
        // A band's subtree ends before its next sibling's: bands are visited
        // depth first.
        QTest::addRow("lister in the first of two subtrees") << "-1:|0:7|0:|1:7|2:" << "-1:+|0:+|0:+|1:7|2:";
    }

    void groupsMadeUnique()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QList<QVariant> groups = records(before);
        Activities::makeGroupsUnique(groups);
        QCOMPARE(recordsText(groups), after);
    }

    void depthFromTitle_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("depth");
        QTest::addRow("empty") << QString() << 0;
        QTest::addRow("All") << QStringLiteral("All") << 0;
        QTest::addRow("level 3") << QStringLiteral("To level 3") << 3;
        QTest::addRow("level 12") << QStringLiteral("To level 12") << 12;
        QTest::addRow("blank and 2") << QStringLiteral("Level 2 ") << 2;
        QTest::addRow("not a number") << QStringLiteral("Level") << 0;
        QTest::addRow("all lower case") << QStringLiteral("all") << 0;
        QTest::addRow("one character") << QStringLiteral("5") << 5;
    }

    void depthFromTitle()
    {
        QFETCH(QString, title);
        QFETCH(int, depth);
        QCOMPARE(groupDepthFromTitle(title), depth);
    }

    void rowsWithoutValueGetTheirOwnBand()
    {
        QStandardItemModel *table =
            makeTable({QStringLiteral("b"), QVariant(), QStringLiteral("a"), QVariant()}, this);
        ZIndex index(table, 0);
        index.group(Qt::DisplayRole);
        QCOMPARE(index.count(), 2);
        keepRowsWithoutValue(index, table->rowCount());
        QCOMPARE(index.count(), 3);
        const ZNode node = index.value(noValueKey());
        QCOMPARE(node.rows, (QSet<int>{1, 3}));
        QVERIFY(!node.display.isNull());
        QCOMPARE(node.display.toString(), QString());
        // Nothing missing: nothing added.
        ZIndex full(table, 0);
        full.group(Qt::DisplayRole);
        full.erase(noValueKey());
        keepRowsWithoutValue(full, 1);
        QVERIFY(!full.contains(noValueKey()));
    }

    void emptyTextMergesWithNoValue()
    {
        QStandardItemModel *table = makeTable({QStringLiteral(""), QVariant()}, this);
        ZIndex index(table, 0);
        index.group(Qt::DisplayRole);
        keepRowsWithoutValue(index, table->rowCount());
        QCOMPARE(index.count(), 1);
        QCOMPARE(index.value(noValueKey()).rows, (QSet<int>{0, 1}));
    }

    void bandsAppendedWithStructure()
    {
        QStandardItemModel *table = makeTable(
            {QStringLiteral("b"), QVariant(), QStringLiteral("a"), QStringLiteral("b")}, this);
        ZIndex index(table, 0);
        index.group(Qt::DisplayRole);
        keepRowsWithoutValue(index, table->rowCount());

        QStandardItemModel *structure = makeStructure(this);
        structure->setRowCount(4);
        QSignalSpy inserted(structure, &QAbstractItemModel::rowsInserted);
        const QMap<int, QList<int>> parents = appendBandRows(structure, index, 2);
        QCOMPARE(inserted.count(), 0); // the views learn of it through the reset
        QCOMPARE(structure->rowCount(), 7);
        // Titled bands in key order, then the untitled one.
        QCOMPARE(structure->index(4, 2).data().toString(), QStringLiteral("a"));
        QCOMPARE(structure->index(5, 2).data().toString(), QStringLiteral("b"));
        QVERIFY(!structure->index(6, 2).data().isNull());
        QCOMPARE(structure->index(6, 2).data().toString(), QString());
        QCOMPARE(text(parents), QStringLiteral("-1:4,5,6;4:2;5:0,3;6:1"));
    }

    void crossedLevelsKeepEveryRow()
    {
        // Two levels; row 2 has no first-level value, row 1 no second-level
        // value. Every row stands exactly once in the structure.
        auto *table = new QStandardItemModel(0, 2, this);
        const QList<QPair<QVariant, QVariant>> rows{
            {QStringLiteral("x"), QStringLiteral("p")},
            {QStringLiteral("x"), QVariant()},
            {QVariant(), QStringLiteral("q")},
            {QStringLiteral("y"), QStringLiteral("p")}};
        for (const auto &r : rows) {
            auto *a = new QStandardItem;
            auto *b = new QStandardItem;
            if (r.first.isValid())
                a->setData(r.first, Qt::DisplayRole);
            if (r.second.isValid())
                b->setData(r.second, Qt::DisplayRole);
            table->appendRow({a, b});
        }
        ZIndex first(table, 0);
        first.group(Qt::DisplayRole);
        keepRowsWithoutValue(first, 4);
        ZIndex second(table, 1);
        second.group(Qt::DisplayRole);
        keepRowsWithoutValue(second, 4);
        ZIndex product = crossLevels({first, second});
        keepRowsWithoutValue(product, 4);

        QStandardItemModel *structure = makeStructure(this);
        structure->setRowCount(4);
        const QMap<int, QList<int>> parents = appendBandRows(structure, product, 2);
        QList<int> seen;
        for (auto it = parents.cbegin(); it != parents.cend(); ++it) {
            for (int child : it.value()) {
                if (child < 4)
                    seen << child;
            }
        }
        std::sort(seen.begin(), seen.end());
        QCOMPARE(seen, (QList<int>{0, 1, 2, 3}));
        // Every band hangs somewhere, exactly once.
        QList<int> bands;
        for (auto it = parents.cbegin(); it != parents.cend(); ++it) {
            for (int child : it.value()) {
                if (child >= 4)
                    bands << child;
            }
        }
        std::sort(bands.begin(), bands.end());
        QCOMPARE(bands.size(), structure->rowCount() - 4);
        QCOMPARE(bands.first(), 4);
        QCOMPARE(bands.last(), structure->rowCount() - 1);
        // The untitled first-level band is the last top-level band.
        const int lastTop = parents.value(-1).last();
        QCOMPARE(structure->index(lastTop, 2).data().toString(), QString());
        QCOMPARE(parents.value(lastTop).size(), 1); // its one combined band "xq"
    }

    void collapsedNodeIsALeafAgain()
    {
        // Structure: 1 <- 2 <- 3; rows keyed 2 and 3. Collapsed to level 1,
        // node 1 holds every row; with its emptied child list dropped it is
        // a leaf, so the next level is crossed into it.
        auto *wbs = new QStandardItemModel(0, 3, this);
        const QList<QVariantList> structure{{1, QVariant(), QStringLiteral("one")},
                                            {2, 1, QStringLiteral("two")},
                                            {3, 2, QStringLiteral("three")}};
        for (const QVariantList &r : structure) {
            QList<QStandardItem *> items;
            for (const QVariant &v : r) {
                auto *item = new QStandardItem;
                if (v.isValid())
                    item->setData(v, Qt::DisplayRole);
                items << item;
            }
            wbs->appendRow(items);
        }
        QStandardItemModel *table = makeTable({2, 3}, this);
        table->setData(table->index(0, 1), QStringLiteral("p"));
        table->setData(table->index(1, 1), QStringLiteral("q"));
        ZIndex first(table, 0);
        first.createStructure(wbs, 0, 1, 2);
        first.group(Qt::DisplayRole);
        first.collapseToLevel(1);
        QCOMPARE(first.count(), 1);
        QVERIFY(first.isLeaf(QVariant(1)));
        ZIndex second(table, 1);
        second.group(Qt::DisplayRole);
        const ZIndex product = crossLevels({first, second});
        QCOMPARE(product.count(), 3);
        QVERIFY(product.value(QVariant(1)).rows.isEmpty());
    }

    void crossOfNothingIsEmpty()
    {
        const ZIndex none = crossLevels({});
        QCOMPARE(none.count(), 0);
        QCOMPARE(none.column, -1);
    }
};

QTEST_GUILESS_MAIN(TestActivitiesGrouping)
#include "tst_activitiesgrouping.moc"
