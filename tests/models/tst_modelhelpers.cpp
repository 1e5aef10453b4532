#include "chainmodel.h"
#include "modelhelpers.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

#include <cmath>
#include <map>

namespace {

QStandardItemModel *modelWithCaptions(const QStringList &captions, QObject *parent)
{
    auto *model = new QStandardItemModel(2, captions.size(), parent);
    model->setHorizontalHeaderLabels(captions);
    return model;
}

} // namespace

class tst_ModelHelpers : public QObject
{
    Q_OBJECT
private slots:
    void columnIndex_data();
    void columnIndex();
    void headerRoundTrip();
    void headerFromVariantToFewerColumns();
    void headerFromVariantEmptyChangesNothing();
    void setVisibleColumnsOrder();
    void firstVisibleColumnAfterMove();
    void preorderAndLevels();
    void verticalLookup();
    void extremes();
    void countAndSum();
    void deepTrees();
    void predecessors();
    void predecessorsMapMatchesRowByRowEntry();
    void keptPredecessorListIsSharedUntilAChange();
    void readFileCutsAtNul();
    void fixedRowHeight();
    void tableModelKeepsOneSelectionModel_data();
    void tableModelKeepsOneSelectionModel();
};

void tst_ModelHelpers::columnIndex_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("expected");
    QTest::addRow("exact") << QStringLiteral("Start") << 1;
    QTest::addRow("other case") << QStringLiteral("start") << -1;
    QTest::addRow("trailing blank") << QStringLiteral("Start ") << -1;
    QTest::addRow("duplicate gives lowest") << QStringLiteral("Name") << 0;
    QTest::addRow("missing") << QStringLiteral("Finish") << -1;
}

void tst_ModelHelpers::columnIndex()
{
    QFETCH(QString, caption);
    QFETCH(int, expected);
    QStandardItemModel model(1, 3);
    model.setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Start"), QStringLiteral("Name")});
    QCOMPARE(::columnIndex(&model, caption), expected);
    QCOMPARE(::columnIndex(nullptr, caption), -1);
}

void tst_ModelHelpers::headerRoundTrip()
{
    QTableView view;
    view.setModel(modelWithCaptions({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, &view));
    QHeaderView *header = view.horizontalHeader();
    header->resizeSection(0, 80);
    header->resizeSection(1, 120);
    header->moveSection(1, 0); // B dragged before A
    header->hideSection(2);
    const QVariant state = headerToVariant(header);
    QCOMPARE(state.toStringList(), QStringList({QStringLiteral("B:120"), QStringLiteral("A:80")}));
    QCOMPARE(visibleColumns(header), QStringList({QStringLiteral("B"), QStringLiteral("A")}));
    QCOMPARE(hiddenColumns(header), QList<int>({2}));

    QTableView other;
    other.setModel(modelWithCaptions({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, &other));
    headerFromVariant(other.horizontalHeader(), state);
    QCOMPARE(headerToVariant(other.horizontalHeader()), state);
}

void tst_ModelHelpers::headerFromVariantToFewerColumns()
{
    QTableView view;
    view.setModel(modelWithCaptions({QStringLiteral("C"), QStringLiteral("A"), QStringLiteral("X")}, &view));
    const QVariantList state{QStringLiteral("A:50"), QStringLiteral("B:60"), QStringLiteral("C:70"),
                             QStringLiteral("bad entry"), QStringLiteral("a:b:c")};
    headerFromVariant(view.horizontalHeader(), state);
    QCOMPARE(headerToVariant(view.horizontalHeader()).toStringList(),
             QStringList({QStringLiteral("A:50"), QStringLiteral("C:70")}));
}

void tst_ModelHelpers::headerFromVariantEmptyChangesNothing()
{
    QTableView view;
    view.setModel(modelWithCaptions({QStringLiteral("A"), QStringLiteral("B")}, &view));
    view.horizontalHeader()->hideSection(1);
    headerFromVariant(view.horizontalHeader(), QVariantList());
    setVisibleColumns(view.horizontalHeader(), {});
    QVERIFY(!view.horizontalHeader()->isSectionHidden(0));
    QVERIFY(view.horizontalHeader()->isSectionHidden(1));
}

void tst_ModelHelpers::setVisibleColumnsOrder()
{
    QTableView view;
    view.setModel(modelWithCaptions({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}, &view));
    setVisibleColumns(view.horizontalHeader(), {QStringLiteral("B"), QStringLiteral("A")});
    QCOMPARE(visibleColumns(view.horizontalHeader()), QStringList({QStringLiteral("B"), QStringLiteral("A")}));
    QVERIFY(view.horizontalHeader()->isSectionHidden(2));
}

void tst_ModelHelpers::firstVisibleColumnAfterMove()
{
    QTableView view;
    view.setModel(modelWithCaptions({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")}, &view));
    QHeaderView *header = view.horizontalHeader();
    QCOMPARE(firstVisibleColumn(header), 0);
    header->moveSection(3, 0);
    QCOMPARE(firstVisibleColumn(header), 3);
    for (int i = 0; i < 4; ++i)
        header->hideSection(i);
    QCOMPARE(firstVisibleColumn(header), -1);
}

void tst_ModelHelpers::preorderAndLevels()
{
    QStandardItemModel model;
    auto *a = new QStandardItem(QStringLiteral("A"));
    a->appendRow(new QStandardItem(QStringLiteral("A1")));
    auto *a2 = new QStandardItem(QStringLiteral("A2"));
    a2->appendRow(new QStandardItem(QStringLiteral("A2x")));
    a->appendRow(a2);
    model.appendRow(a);
    model.appendRow(new QStandardItem(QStringLiteral("B")));
    QStringList texts;
    for (const QModelIndex &index : preorderList(&model, QModelIndex()))
        texts << index.data().toString();
    QCOMPARE(texts, QStringList({QStringLiteral("A"), QStringLiteral("A1"), QStringLiteral("A2"),
                                 QStringLiteral("A2x"), QStringLiteral("B")}));
    QCOMPARE(levelFromIndex(a2->child(0)->index()), 2);
    QCOMPARE(levelFromIndex(a->index()), 0);
    QCOMPARE(levelFromIndex(QModelIndex()), 0);
}

void tst_ModelHelpers::verticalLookup()
{
    QStandardItemModel model(3, 4);
    for (int r = 0; r < 3; ++r) {
        model.setData(model.index(r, 0), QStringLiteral("row%1").arg(r));
        model.setData(model.index(r, 3), 10 * (r + 1));
    }
    QCOMPARE(::verticalLookup(20, &model, 0, 3).data().toString(), QStringLiteral("row1"));
    QCOMPARE(::verticalLookup(20, &model, 3, 3).data().toInt(), 20);
    QVERIFY(!::verticalLookup(25, &model, 0, 3).isValid());
    QTest::ignoreMessage(QtWarningMsg, "Invalid return column passed to verticalLookup");
    QVERIFY(!::verticalLookup(20, &model, 4, 9).isValid());
    QTest::ignoreMessage(QtWarningMsg, "Invalid lookup column passed to verticalLookup");
    QVERIFY(!::verticalLookup(20, &model, 0, -1).isValid());
    QVERIFY(!::verticalLookup(20, nullptr, 0, 3).isValid());
}

void tst_ModelHelpers::extremes()
{
    QStandardItemModel model;
    auto *group = new QStandardItem(QStringLiteral("group"));
    auto *empty = new QStandardItem(QStringLiteral("empty"));
    for (const QVariant &v : {QVariant(QDate(2024, 3, 3)), QVariant(), QVariant(QDate(2024, 3, 9))}) {
        auto *item = new QStandardItem;
        item->setData(v, Qt::DisplayRole);
        group->appendRow(item);
    }
    auto *invalid = new QStandardItem;
    empty->appendRow(invalid);
    model.appendRow(group);
    model.appendRow(empty);

    maxModelChildren(&model, 0, Qt::UserRole, group->index());
    QCOMPARE(group->data(Qt::UserRole).toDate(), QDate(2024, 3, 9));
    minModelChildren(&model, 0, Qt::UserRole, group->index());
    QCOMPARE(group->data(Qt::UserRole).toDate(), QDate(2024, 3, 3));
    maxModelChildren(&model, 0, Qt::UserRole, empty->index());
    QVERIFY(!empty->data(Qt::UserRole).isValid());
}

void tst_ModelHelpers::countAndSum()
{
    QStandardItemModel model;
    auto *group = new QStandardItem(QStringLiteral("g"));
    for (const QVariant &v : {QVariant(1.5), QVariant(QStringLiteral("x")), QVariant(2)}) {
        auto *item = new QStandardItem;
        item->setData(v, Qt::UserRole);
        group->appendRow(item);
    }
    model.appendRow(group);
    countModelChildren(&model, 0, Qt::ItemDataRole(Qt::UserRole + 1), group->index());
    QCOMPARE(group->data(Qt::UserRole + 1).toInt(), 3);
    sumModelChildren(&model, 0, Qt::UserRole, group->index());
    QCOMPARE(group->data(Qt::UserRole).toFloat(), 3.5f);
}

void tst_ModelHelpers::predecessors()
{
    // Shaped like the predecessor model: ..., Type, Lag, predecessor ID, last column.
    QStandardItemModel model(6, 5);
    model.setHorizontalHeaderLabels({QStringLiteral("task_id"), QStringLiteral("Type"), QStringLiteral("Lag"),
                                     QStringLiteral("Predecessor"), QStringLiteral("Name")});
    const QList<QVariantList> rows{
        {12, QStringLiteral("PR_SS"), -16, QStringLiteral("A100")},
        {12, QStringLiteral("FS"), 0, QStringLiteral("A200")},
        {12, QString(), 8, QStringLiteral("A300")},
        {13, QStringLiteral("PR_FS"), QStringLiteral("8.0"), QStringLiteral("A100")},
        {13, QStringLiteral("PR_FF"), 0, QString()},
        // A second relationship with the same predecessor.
        {12, QStringLiteral("PR_FF"), 0, QStringLiteral("A100")},
    };
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 4; ++c)
            model.setData(model.index(r, c), rows[r][c]);
    const RelationMap map = predecessorsMap(&model);
    QStringList twelve;
    for (auto it = map.value(12).cbegin(); it != map.value(12).cend(); ++it)
        twelve << it.key() + QLatin1Char(':') + it.value();
    QCOMPARE(twelve.join(QStringLiteral(", ")), QStringLiteral("A100:SS-16h, A100:FF, A200:FS"));
    QVERIFY(!map.value(12).contains(QStringLiteral("A300")));
    QCOMPARE(map.value(13).value(QStringLiteral("A100")), QStringLiteral("FS+8h"));
    QCOMPARE(map.value(13).size(), 1);
    QVERIFY(predecessorsMap(nullptr).isEmpty());
}

void tst_ModelHelpers::predecessorsMapMatchesRowByRowEntry()
{
    // Rows in no particular order, with repeated task and predecessor pairs:
    // the map holds every row, ordered by task id and predecessor ID and
    // otherwise in row order.
    const QStringList types{QStringLiteral("PR_FS"), QStringLiteral("PR_SS"), QStringLiteral("FF"),
                            QString()};
    const QStringList ids{QStringLiteral("A10"), QStringLiteral("A9"), QStringLiteral("B1"),
                          QStringLiteral("a10"), QString()};
    const int rows = 400;
    QStandardItemModel model(rows, 5);
    model.setHorizontalHeaderLabels({QStringLiteral("task_id"), QStringLiteral("Type"), QStringLiteral("Lag"),
                                     QStringLiteral("Predecessor"), QStringLiteral("Name")});
    std::map<int, std::map<QString, QStringList>> expected;
    quint32 seed = 7;
    const auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % quint32(range));
    };
    for (int r = 0; r < rows; ++r) {
        const int taskId = 50 - next(30);
        const QString type = types.at(next(types.size()));
        const int lag = next(5) - 2;
        const QString id = ids.at(next(ids.size()));
        model.setData(model.index(r, 0), taskId);
        model.setData(model.index(r, 1), type);
        model.setData(model.index(r, 2), lag * 8);
        model.setData(model.index(r, 3), id);
        if (!id.isEmpty() && !type.isEmpty())
            expected[taskId][id] << relationText(type, lag * 8);
    }
    QStringList rowByRow;
    for (const auto &task : expected) {
        for (const auto &relation : task.second) {
            for (const QString &text : relation.second)
                rowByRow << QStringLiteral("%1/%2/%3").arg(task.first).arg(relation.first, text);
        }
    }
    QStringList fromMap;
    const RelationMap map = predecessorsMap(&model);
    for (auto task = map.cbegin(); task != map.cend(); ++task) {
        for (auto it = task->cbegin(); it != task->cend(); ++it)
            fromMap << QStringLiteral("%1/%2/%3").arg(task.key()).arg(it.key(), it.value());
    }
    QCOMPARE(fromMap, rowByRow);

    // The list form: the same entries in the same order.
    QStringList fromList;
    for (const RelationEntry &entry : predecessorList(&model))
        fromList << QStringLiteral("%1/%2/%3").arg(entry.taskId).arg(entry.predecessor, entry.text);
    QCOMPARE(fromList, rowByRow);
    QVERIFY(predecessorList(nullptr).isEmpty());

    // Read in runs side by side, many rows give the list read in one go,
    // lags not read counted the same.
    const int many = 40000;
    std::vector<int> taskIds(many);
    std::vector<QString> manyIds(many);
    std::vector<QString> manyTypes(many);
    std::vector<QVariant> lags(many);
    for (int r = 0; r < many; ++r) {
        // One activity with thousands of predecessors among many with few.
        taskIds[size_t(r)] = next(7) == 0 ? -1 : next(11) == 0 ? 42 : 9000 - next(6000);
        manyIds[size_t(r)] = ids.at(next(ids.size())) + QString::number(next(3));
        manyTypes[size_t(r)] = types.at(next(types.size()));
        lags[size_t(r)] = next(50) == 0 ? QVariant(qQNaN()) : QVariant(next(5) * 8);
    }
    const RelationRowReader read = [&](int r, int *taskId, QString *predecessor, QString *type, QVariant *lag) {
        if (taskIds[size_t(r)] < 0)
            return false;
        *taskId = taskIds[size_t(r)];
        *predecessor = manyIds[size_t(r)];
        *type = manyTypes[size_t(r)];
        *lag = lags[size_t(r)];
        return true;
    };
    int unreadAlone = 0;
    int unreadSideBySide = 0;
    const QVector<RelationEntry> alone = predecessorList(many, read, &unreadAlone, false);
    const QVector<RelationEntry> sideBySide = predecessorList(many, read, &unreadSideBySide, true);
    QCOMPARE(sideBySide.size(), alone.size());
    for (int i = 0; i < alone.size(); ++i) {
        QCOMPARE(sideBySide.at(i).taskId, alone.at(i).taskId);
        QCOMPARE(sideBySide.at(i).predecessor, alone.at(i).predecessor);
        QCOMPARE(sideBySide.at(i).text, alone.at(i).text);
    }
    QVERIFY(unreadAlone > 0);
    QCOMPARE(unreadSideBySide, unreadAlone);
    std::map<int, std::map<QString, QStringList>> manyByRow;
    for (int r = 0; r < many; ++r) {
        if (taskIds[size_t(r)] >= 0 && !manyIds[size_t(r)].isEmpty() && !manyTypes[size_t(r)].isEmpty()) {
            const double hours = lags[size_t(r)].toDouble();
            manyByRow[taskIds[size_t(r)]][manyIds[size_t(r)]]
                    << relationText(manyTypes[size_t(r)], std::isfinite(hours) ? qRound(hours) : 0);
        }
    }
    int at = 0;
    for (const auto &task : manyByRow) {
        for (const auto &relation : task.second) {
            for (const QString &text : relation.second) {
                QCOMPARE(alone.at(at).taskId, task.first);
                QCOMPARE(alone.at(at).predecessor, relation.first);
                QCOMPARE(alone.at(at++).text, text);
            }
        }
    }
    QCOMPARE(at, alone.size());
}

void tst_ModelHelpers::keptPredecessorListIsSharedUntilAChange()
{
    QStandardItemModel model(2, 5);
    model.setHorizontalHeaderLabels({QStringLiteral("task_id"), QStringLiteral("Type"), QStringLiteral("Lag"),
                                     QStringLiteral("Predecessor"), QStringLiteral("Name")});
    const QList<QVariantList> rows{{1, QStringLiteral("PR_FS"), 0, QStringLiteral("B")},
                                   {1, QStringLiteral("PR_SS"), 8, QStringLiteral("A")}};
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 4; ++c)
            model.setData(model.index(r, c), rows[r][c]);
    const auto texts = [&model] {
        QStringList out;
        for (const RelationEntry &e : predecessorList(&model))
            out << e.predecessor + QLatin1Char(':') + e.text;
        return out;
    };
    const QStringList built{QStringLiteral("A:SS+8h"), QStringLiteral("B:FS")};
    QCOMPARE(texts(), built);

    // A kept list is what the next reader gets, without reading the model.
    keepPredecessorList(&model, {{1, QStringLiteral("K"), QStringLiteral("FF")}});
    QCOMPARE(texts(), QStringList{QStringLiteral("K:FF")});
    keepPredecessorList(&model, {{1, QStringLiteral("K2"), QStringLiteral("FF")}});
    QCOMPARE(texts(), QStringList{QStringLiteral("K2:FF")});

    // Any change of the model drops it: cells, rows, a reset.
    model.setData(model.index(0, 2), 16);
    QCOMPARE(texts(), (QStringList{QStringLiteral("A:SS+8h"), QStringLiteral("B:FS+16h")}));
    keepPredecessorList(&model, {});
    model.removeRow(1);
    QCOMPARE(texts(), QStringList{QStringLiteral("B:FS+16h")});
    keepPredecessorList(&model, {});
    model.setRowCount(0);
    QVERIFY(predecessorList(&model).isEmpty());
    keepPredecessorList(nullptr, {}); // no model: nothing happens
}

void tst_ModelHelpers::readFileCutsAtNul()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("caf\xc3\xa9\0tail", 10));
    file.close();
    QCOMPARE(readFile(path), QString::fromUtf8("caf\xc3\xa9"));
    QCOMPARE(styleSheetFromFile(path), QString::fromLatin1("caf\xc3\xa9"));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("missing"))), QString());
}

void tst_ModelHelpers::fixedRowHeight()
{
    QTableView view;
    view.setModel(modelWithCaptions({QStringLiteral("A")}, &view));
    setDefaultSectionSize(view.verticalHeader(), 12);
    QCOMPARE(view.verticalHeader()->sectionSize(0), 12);
    QCOMPARE(view.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
}

void tst_ModelHelpers::tableModelKeepsOneSelectionModel_data()
{
    // The models given in turn: 'm' a new one, '0' none.
    QTest::addColumn<QString>("models");
    QTest::addRow("models in turn") << QStringLiteral("mmm");
    QTest::addRow("none, a model, none, then one") << QStringLiteral("0m00m");
}

void tst_ModelHelpers::tableModelKeepsOneSelectionModel()
{
    QFETCH(QString, models);
    QTableView view;
    for (const QChar step : models) {
        QAbstractItemModel *model =
            step == QLatin1Char('m') ? modelWithCaptions({QStringLiteral("A")}, &view) : nullptr;
        setTableModel(&view, model);
        QCOMPARE(view.model(), model);
        // Deletions of the replaced models' selections queued by Qt run too.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const auto selections = view.findChildren<QItemSelectionModel *>();
        QCOMPARE(selections.size(), 1);
        QCOMPARE(selections.first(), view.selectionModel());
        QCOMPARE(view.horizontalHeader()->selectionModel(), view.selectionModel());
        QCOMPARE(view.verticalHeader()->selectionModel(), view.selectionModel());
    }
}

void tst_ModelHelpers::deepTrees()
{
    // A tree from a file can nest as deep as it has rows: the walks over it
    // keep their own stack.
    const int depth = 200000;
    xertest::ChainModel chain(depth);
    const QModelIndex hit = ::verticalLookup(QStringLiteral("N%1").arg(depth - 1), &chain, 0, 1);
    QCOMPARE(hit.data(), QVariant(depth - 1));
    QVERIFY(!::verticalLookup(QStringLiteral("N%1").arg(depth), &chain, 0, 1).isValid());
    QCOMPARE(levelFromIndex(hit), depth - 1);

    maxModelChildren(&chain, 0, Qt::DisplayRole, QModelIndex());
    QCOMPARE(chain.node(0).data(), QVariant(depth - 1));
    minModelChildren(&chain, 0, Qt::DisplayRole, QModelIndex());
    QCOMPARE(chain.node(0).data(), QVariant(depth - 1));

    xertest::ChainModel sums(depth);
    sumModelChildren(&sums, 0, Qt::DisplayRole, QModelIndex());
    QCOMPARE(sums.node(0).data().toFloat(), float(depth - 1));
    QCOMPARE(sums.node(depth - 1).data(), QVariant(depth - 1)); // a leaf keeps its value

    countModelChildren(&sums, 0, Qt::DisplayRole, QModelIndex());
    QCOMPARE(sums.node(0).data(), QVariant(1));
    QCOMPARE(sums.node(depth - 1).data(), QVariant(0));
}

QTEST_MAIN(tst_ModelHelpers)
#include "tst_modelhelpers.moc"
