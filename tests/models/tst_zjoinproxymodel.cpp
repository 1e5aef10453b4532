#include "zjoinproxymodel.h"

#include "modelslogging.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>

namespace {

// A flat table from rows of texts; a cell "#12" holds the integer 12.
QStandardItemModel *makeTable(const QStringList &captions, const QList<QStringList> &rows,
                              QObject *parent)
{
    auto *model = new QStandardItemModel(rows.size(), captions.size(), parent);
    model->setHorizontalHeaderLabels(captions);
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows.at(r).size(); ++c) {
            const QString text = rows.at(r).at(c);
            QVariant value;
            if (text.startsWith(QLatin1Char('#')))
                value = text.mid(1).toInt();
            else if (!text.isEmpty())
                value = text;
            if (value.isValid())
                model->setData(model->index(r, c), value);
        }
    }
    return model;
}

// The whole proxy as text: one line per row, cells joined by '|'.
QString dump(const QAbstractItemModel *model)
{
    QStringList lines;
    QStringList header;
    for (int c = 0; c < model->columnCount(); ++c)
        header << model->headerData(c, Qt::Horizontal).toString();
    lines << header.join(QLatin1Char('|'));
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        lines << cells.join(QLatin1Char('|'));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class tst_ZJoinProxyModel : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void joinsByKey();
    void lastDuplicateKeyWins();
    void sameModelTwice();
    void chainedJoin();
    void valueCache();
    void valueCacheInAnyOrder_data();
    void valueCacheInAnyOrder();
    void writeThroughToJoinedModel();
    void insertRows();
    void insertRowsRefused_data();
    void insertRowsRefused();
    void mapping();
    void clearKeepsCache();
    void sourceResetAndLayout();
    void joinedModelDeleted();
    void unusableMappings();
    void crossTypeKeys();
    void quietByDefault();

private:
    QObject *m_owner = nullptr; // Owned.
    QStandardItemModel *m_tasks = nullptr; // Not owned (m_owner's child).
    QStandardItemModel *m_relations = nullptr; // Not owned.
    QStandardItemModel *m_wbs = nullptr; // Not owned.
};

void tst_ZJoinProxyModel::init()
{
    m_owner = new QObject;
    m_tasks = makeTable({QStringLiteral("task_id"), QStringLiteral("code"), QStringLiteral("wbs")},
                        {{QStringLiteral("#1"), QStringLiteral("A1"), QStringLiteral("#10")},
                         {QStringLiteral("#2"), QStringLiteral("A2"), QStringLiteral("#20")},
                         {QStringLiteral("#3"), QStringLiteral("A3"), QStringLiteral("#99")}},
                        m_owner);
    m_relations = makeTable({QStringLiteral("succ"), QStringLiteral("pred"), QStringLiteral("type")},
                            {{QStringLiteral("#2"), QStringLiteral("#1"), QStringLiteral("FS")},
                             {QStringLiteral("#3"), QStringLiteral("#2"), QStringLiteral("SS")},
                             {QStringLiteral("#3"), QStringLiteral("#7"), QStringLiteral("FF")}},
                            m_owner);
    m_wbs = makeTable({QStringLiteral("wbs_id"), QStringLiteral("WBS Name")},
                      {{QStringLiteral("#10"), QStringLiteral("Civil")},
                       {QStringLiteral("#20"), QStringLiteral("Electrical")}},
                      m_owner);
}

void tst_ZJoinProxyModel::cleanup()
{
    delete m_owner;
    m_owner = nullptr;
}

void tst_ZJoinProxyModel::joinsByKey()
{
    ZJoinProxyModel proxy;
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    proxy.setSourceModel(m_tasks);
    QVERIFY(proxy.addModel(m_wbs, 0, {1}, 2));
    QCOMPARE(proxy.columnCount(), 4);
    QCOMPARE(dump(&proxy), QStringLiteral("task_id|code|wbs|WBS Name\n"
                                          "1|A1|10|Civil\n"
                                          "2|A2|20|Electrical\n"
                                          "3|A3|99|"));
    // An unmatched joined cell is invalid for every role.
    QVERIFY(!proxy.index(2, 3).data().isValid());
    QVERIFY(!proxy.index(2, 3).data(Qt::EditRole).isValid());
    QCOMPARE(proxy.flags(proxy.index(2, 3)), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    QVERIFY(!proxy.addModel(nullptr, 0, 1));
}

void tst_ZJoinProxyModel::lastDuplicateKeyWins()
{
    m_wbs->appendRow({new QStandardItem, new QStandardItem(QStringLiteral("Later"))});
    m_wbs->setData(m_wbs->index(2, 0), 10);
    ZJoinProxyModel proxy;
    proxy.setSourceModel(m_tasks);
    proxy.addModel(m_wbs, 0, {1}, 2);
    QCOMPARE(proxy.index(0, 3).data().toString(), QStringLiteral("Later"));
}

void tst_ZJoinProxyModel::sameModelTwice()
{
    ZJoinProxyModel proxy;
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    proxy.setSourceModel(m_relations);
    proxy.addModel(m_tasks, 0, {1}, 0);
    proxy.addModel(m_tasks, 0, {1}, 1);
    QCOMPARE(proxy.rowMapCount(), 2);
    QCOMPARE(dump(&proxy), QStringLiteral("succ|pred|type|code|code\n"
                                          "2|1|FS|A2|A1\n"
                                          "3|2|SS|A3|A2\n"
                                          "3|7|FF|A3|"));
    // The later mapping of the same model column wins when mapping back.
    QCOMPARE(proxy.mapFromSource(m_tasks->index(1, 1)), proxy.index(1, 4));
}

void tst_ZJoinProxyModel::chainedJoin()
{
    ZJoinProxyModel proxy;
    proxy.setSourceModel(m_relations);
    proxy.addModel(m_tasks, 0, {1, 2}, 0); // proxy columns 3 and 4
    proxy.addModel(m_wbs, 0, {1}, 4);      // through the joined "wbs" column
    QCOMPARE(dump(&proxy), QStringLiteral("succ|pred|type|code|wbs|WBS Name\n"
                                          "2|1|FS|A2|20|Electrical\n"
                                          "3|2|SS|A3|99|\n"
                                          "3|7|FF|A3|99|"));
}

void tst_ZJoinProxyModel::valueCache()
{
    ZJoinProxyModel proxy;
    proxy.setSourceModel(m_tasks);
    proxy.addModel(m_wbs, 0, {1}, 2);
    QSignalSpy changed(&proxy, &QAbstractItemModel::dataChanged);
    const QModelIndex unmatched = proxy.index(2, 3);
    QVERIFY(proxy.setData(unmatched, QStringLiteral("Band"), Qt::DisplayRole));
    QCOMPARE(unmatched.data().toString(), QStringLiteral("Band"));
    QCOMPARE(changed.count(), 0);
    QVERIFY(!proxy.setData(unmatched, QStringLiteral("x"), Qt::EditRole));
    QVERIFY(!unmatched.data(Qt::EditRole).isValid());
}

void tst_ZJoinProxyModel::valueCacheInAnyOrder_data()
{
    // Writes as "row:value" into the joined column of rows whose key matched
    // nothing; an empty value clears. Then what rows 2 to 5 read.
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("upwards") << QStringList{QStringLiteral("3:a"), QStringLiteral("5:b")}
                             << QStringList{QString(), QStringLiteral("a"), QString(),
                                            QStringLiteral("b")};
    QTest::newRow("downwards") << QStringList{QStringLiteral("5:b"), QStringLiteral("2:a")}
                               << QStringList{QStringLiteral("a"), QString(), QString(),
                                              QStringLiteral("b")};
    QTest::newRow("overwrite and clear")
        << QStringList{QStringLiteral("4:a"), QStringLiteral("4:c"), QStringLiteral("5:b"),
                       QStringLiteral("5:")}
        << QStringList{QString(), QString(), QStringLiteral("c"), QString()};
    QTest::newRow("clear only") << QStringList{QStringLiteral("2:"), QStringLiteral("5:")}
                                << QStringList{QString(), QString(), QString(), QString()};
}

void tst_ZJoinProxyModel::valueCacheInAnyOrder()
{
    QFETCH(QStringList, writes);
    QFETCH(QStringList, expected);
    // Rows 2 to 5 match no WBS, as band rows appended to a table do.
    for (int r = 0; r < 3; ++r) {
        m_tasks->appendRow({new QStandardItem(QStringLiteral("B%1").arg(r)), new QStandardItem,
                            new QStandardItem});
    }
    ZJoinProxyModel proxy;
    proxy.setSourceModel(m_tasks);
    proxy.addModel(m_wbs, 0, {1}, 2);
    for (const QString &write : writes) {
        const int row = write.section(QLatin1Char(':'), 0, 0).toInt();
        const QString text = write.section(QLatin1Char(':'), 1);
        QVERIFY(proxy.setData(proxy.index(row, 3), text.isEmpty() ? QVariant() : QVariant(text),
                              Qt::DisplayRole));
    }
    QStringList read;
    for (int r = 2; r < proxy.rowCount(); ++r)
        read << proxy.index(r, 3).data().toString();
    QCOMPARE(read, expected);
    // Dropped from row 4 on: rows 4 and 5 read empty, rows 2 and 3 keep theirs.
    proxy.dropCachedValues(4, {3, 7});
    read.clear();
    for (int r = 2; r < proxy.rowCount(); ++r)
        read << proxy.index(r, 3).data().toString();
    QCOMPARE(read, (QStringList{expected.at(0), expected.at(1), QString(), QString()}));
    QVERIFY(proxy.setData(proxy.index(5, 3), QStringLiteral("again"), Qt::DisplayRole));
    QCOMPARE(proxy.index(5, 3).data().toString(), QStringLiteral("again"));
    // Matched cells and the source's own columns are untouched.
    QCOMPARE(proxy.index(0, 3).data().toString(), QStringLiteral("Civil"));
    QCOMPARE(proxy.index(4, 0).data().toString(), QStringLiteral("B1"));
    QVERIFY(!proxy.index(5, 3).data(Qt::EditRole).isValid());
}

void tst_ZJoinProxyModel::writeThroughToJoinedModel()
{
    ZJoinProxyModel proxy;
    proxy.setSourceModel(m_relations);
    proxy.addModel(m_tasks, 0, {1}, 0);
    // Rows 1 and 2 both match task 3.
    QVERIFY(proxy.setData(proxy.index(1, 3), QStringLiteral("A3-new"), Qt::DisplayRole));
    QCOMPARE(m_tasks->index(2, 1).data().toString(), QStringLiteral("A3-new"));
    QCOMPARE(proxy.index(2, 3).data().toString(), QStringLiteral("A3-new"));
    // A source cell is written into the source.
    QVERIFY(proxy.setData(proxy.index(0, 2), QStringLiteral("SF")));
    QCOMPARE(m_relations->index(0, 2).data().toString(), QStringLiteral("SF"));
}

void tst_ZJoinProxyModel::insertRows()
{
    ZJoinProxyModel proxy;
    proxy.setSourceModel(m_tasks);
    proxy.addModel(m_wbs, 0, {1}, 2);
    QVERIFY(proxy.insertRows(3, 1));
    QCOMPARE(proxy.rowCount(), 4);
    QCOMPARE(m_wbs->rowCount(), 2); // the joined table's refusal is ignored
    QVERIFY(proxy.insertRows(0, 1));
    QCOMPARE(m_wbs->rowCount(), 3); // joined models are asked too
    m_tasks->removeRow(0);
    m_wbs->removeRow(0);
    proxy.setData(proxy.index(3, 2), 10);
    QVERIFY(!proxy.index(3, 3).data().isValid()); // stale row map
    proxy.resetMappings();
    QCOMPARE(proxy.rowMapCount(), 1);
    QCOMPARE(proxy.index(3, 3).data().toString(), QStringLiteral("Civil"));
}

void tst_ZJoinProxyModel::insertRowsRefused_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("validParent");
    QTest::addRow("negative row") << -1 << 1 << false;
    QTest::addRow("zero count") << 0 << 0 << false;
    QTest::addRow("valid parent") << 0 << 1 << true;
    QTest::addRow("source refuses") << 10 << 1 << false;
}

void tst_ZJoinProxyModel::insertRowsRefused()
{
    QFETCH(int, row);
    QFETCH(int, count);
    QFETCH(bool, validParent);
    ZJoinProxyModel proxy;
    proxy.setSourceModel(m_tasks);
    proxy.addModel(m_wbs, 0, {1}, 2);
    const QModelIndex parent = validParent ? proxy.index(0, 0) : QModelIndex();
    QVERIFY(!proxy.insertRows(row, count, parent));
    QCOMPARE(m_tasks->rowCount(), 3);
    QCOMPARE(m_wbs->rowCount(), 2);
}

void tst_ZJoinProxyModel::mapping()
{
    ZJoinProxyModel proxy;
    proxy.setSourceModel(m_relations);
    proxy.addModel(m_tasks, 0, {1, 0}, 0);
    proxy.addModel(m_wbs, 0, 2);
    QCOMPARE(proxy.columnCount(), 7);
    QAbstractItemModel *model = nullptr;
    int column = -1;
    int mappingIndex = -1;
    proxy.mapFromSection(4, model, column, mappingIndex);
    QCOMPARE(model, m_tasks);
    QCOMPARE(column, 0);
    QCOMPARE(mappingIndex, 0);
    QCOMPARE(proxy.modelFromSection(2), m_relations);
    QCOMPARE(proxy.modelFromSection(6), m_wbs);
    QCOMPARE(proxy.modelFromSection(7), nullptr);
    QCOMPARE(proxy.modelFromSection(-1), nullptr);
    // Round trip over every matched cell.
    for (int r = 0; r < proxy.rowCount(); ++r) {
        for (int c = 0; c < 5; ++c) {
            const QModelIndex i = proxy.index(r, c);
            const QModelIndex s = proxy.mapToSource(i);
            if (!s.isValid())
                continue;
            QCOMPARE(proxy.mapFromSource(s).column(), i.column());
            if (c < 3)
                QCOMPARE(proxy.mapFromSource(s), i);
        }
    }
    // A joined column that is not shown maps to nothing.
    QVERIFY(!proxy.mapFromSource(m_tasks->index(0, 2)).isValid());
    // Captions of joined columns are the joined model's own.
    QCOMPARE(proxy.headerData(3, Qt::Horizontal).toString(), QStringLiteral("code"));
    QVERIFY(proxy.setHeaderData(3, Qt::Horizontal, QStringLiteral("Code")));
    QCOMPARE(m_tasks->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Code"));
    QVERIFY(!proxy.setHeaderData(9, Qt::Horizontal, QStringLiteral("x")));
}

void tst_ZJoinProxyModel::clearKeepsCache()
{
    ZJoinProxyModel proxy;
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    proxy.setSourceModel(m_tasks);
    proxy.addModel(m_wbs, 0, {1}, 2);
    proxy.setData(proxy.index(2, 3), QStringLiteral("kept"), Qt::DisplayRole);
    proxy.clear();
    QCOMPARE(proxy.columnCount(), 3);
    proxy.addModel(m_wbs, 0, {1}, 2);
    QCOMPARE(proxy.index(2, 3).data().toString(), QStringLiteral("kept"));
}

void tst_ZJoinProxyModel::sourceResetAndLayout()
{
    ZJoinProxyModel proxy;
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    proxy.setSourceModel(m_tasks);
    proxy.addModel(m_wbs, 0, {1}, 2);
    QPersistentModelIndex a3(proxy.index(2, 1));
    // Sorting the source is a layout change: row maps follow the rows.
    m_tasks->sort(1, Qt::DescendingOrder);
    QCOMPARE(dump(&proxy), QStringLiteral("task_id|code|wbs|WBS Name\n"
                                          "3|A3|99|\n"
                                          "2|A2|20|Electrical\n"
                                          "1|A1|10|Civil"));
    QCOMPARE(a3.row(), 0);
    QCOMPARE(a3.data().toString(), QStringLiteral("A3"));
    // A source reset rebuilds the maps too.
    m_tasks->removeRows(0, 3);
    m_tasks->appendRow({new QStandardItem(QStringLiteral("9")), new QStandardItem(QStringLiteral("A9")),
                        new QStandardItem(QStringLiteral("20"))});
    QSignalSpy reset(&proxy, &QAbstractItemModel::modelReset);
    proxy.setSourceModel(m_tasks); // drops the mappings within a reset
    QCOMPARE(reset.count(), 1);
    QCOMPARE(proxy.columnCount(), 3);
    proxy.addModel(m_wbs, 0, {1}, 2);
    // "20" as text matches the integer key 20.
    QCOMPARE(proxy.index(0, 3).data().toString(), QStringLiteral("Electrical"));
}

void tst_ZJoinProxyModel::joinedModelDeleted()
{
    ZJoinProxyModel proxy;
    proxy.setSourceModel(m_tasks);
    proxy.addModel(m_wbs, 0, {1}, 2);
    delete m_wbs;
    m_wbs = nullptr;
    QCOMPARE(proxy.columnCount(), 3);
    QVERIFY(!proxy.index(0, 3).isValid());
}

void tst_ZJoinProxyModel::unusableMappings()
{
    ZJoinProxyModel noSource;
    QVERIFY(noSource.addModel(m_wbs, 0, {1}, 2));
    QCOMPARE(noSource.rowMapCount(), 1);
    QCOMPARE(noSource.columnCount(), 0);
    QVERIFY(!noSource.index(0, 0).isValid());

    ZJoinProxyModel proxy;
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    proxy.setSourceModel(m_tasks);
    QVERIFY(proxy.addModel(m_wbs, -1, {1}, 2));
    QCOMPARE(proxy.rowMapCount(), 1); // position kept for the unbuildable map
    QVERIFY(!proxy.index(0, 3).data().isValid());
    // A later mapping reads its own map, not the position of the first.
    QVERIFY(proxy.addModel(m_wbs, 0, {1}, 2));
    QCOMPARE(proxy.rowMapCount(), 2);
    QVERIFY(!proxy.index(0, 3).data().isValid());
    QCOMPARE(proxy.index(0, 4).data().toString(), QStringLiteral("Civil"));
    proxy.resetMappings();
    QCOMPARE(proxy.rowMapCount(), 2);
    QVERIFY(!proxy.index(0, 3).data().isValid());
    QCOMPARE(proxy.index(0, 4).data().toString(), QStringLiteral("Civil"));
    QVERIFY(!proxy.index(0, 5).isValid());
}

void tst_ZJoinProxyModel::crossTypeKeys()
{
    // Keys read as double on one side and as text on the other still match.
    QStandardItemModel lookup(1, 2);
    lookup.setData(lookup.index(0, 0), QStringLiteral("1"));
    lookup.setData(lookup.index(0, 1), QStringLiteral("one"));
    ZJoinProxyModel proxy;
    proxy.setSourceModel(m_tasks);
    proxy.addModel(&lookup, 0, {1}, 0);
    QCOMPARE(proxy.index(0, 3).data().toString(), QStringLiteral("one"));
    QVERIFY(!proxy.index(1, 3).data().isValid());
}

void tst_ZJoinProxyModel::quietByDefault()
{
    // Debug and info lines stay off unless the logging rules ask for them.
    QVERIFY(!lcModels().isDebugEnabled());
    QVERIFY(!lcModels().isInfoEnabled());
    QVERIFY(lcModels().isWarningEnabled());
    // An empty table says so once, however often its rows are counted.
    QStandardItemModel empty(0, 2);
    ZJoinProxyModel join;
    join.setSourceModel(&empty);
    static int warnings = 0;
    warnings = 0;
    const QtMessageHandler previous =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
            if (type == QtWarningMsg && text.contains(QLatin1String("zero row count")))
                ++warnings;
        });
    for (int i = 0; i < 5; ++i)
        join.rowCount();
    qInstallMessageHandler(previous);
    QCOMPARE(warnings, 1);
}

QTEST_GUILESS_MAIN(tst_ZJoinProxyModel)
#include "tst_zjoinproxymodel.moc"
