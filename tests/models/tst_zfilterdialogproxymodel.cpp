#include "zfilterdialogproxymodel.h"

#include "proxytesthelpers.h"
#include "zexpression.h"
#include "zparentitemproxymodel.h"

#include <QAbstractItemModelTester>
#include <QStandardItemModel>
#include <QtTest>

#include <memory>

using testhelpers::checkRoundTrip;
using testhelpers::makeTable;
using testhelpers::treeString;

namespace {

// Columns: name, id, parent id, amount (double), count (integer), start (date).
QStandardItemModel *activityTable(QObject *parent = nullptr)
{
    auto *model = makeTable({ QStringLiteral("name"), QStringLiteral("id"), QStringLiteral("parent"),
                              QStringLiteral("amount"), QStringLiteral("count"), QStringLiteral("start") },
                            {
                                    { QStringLiteral("Group"), 1, QVariant(), QVariant(), QVariant(), QVariant() },
                                    { QStringLiteral("pump line"), 2, 1, QStringLiteral("1,5"), 3,
                                      QDateTime(QDate(2020, 1, 5), QTime(8, 0)) },
                                    { QStringLiteral("valve"), 3, 1, QStringLiteral("2.5"), 4,
                                      QDateTime(QDate(2020, 2, 5), QTime(8, 0)) },
                                    { QStringLiteral("Other"), 4, QVariant(), QStringLiteral("10"), 12,
                                      QDateTime(QDate(2021, 1, 1), QTime(8, 0)) },
                            },
                            parent);
    const QStringList types{ QStringLiteral("string"), QStringLiteral("integer"), QStringLiteral("integer"),
                             QStringLiteral("double"), QStringLiteral("integer"), QStringLiteral("datetime") };
    for (int c = 0; c < types.size(); ++c) {
        QVariantMap descriptor;
        descriptor.insert(QStringLiteral("datatype"), types.at(c));
        model->setHeaderData(c, Qt::Horizontal, descriptor, Qt::UserRole + 2);
    }
    return model;
}

struct Stack
{
    Stack()
        : source(activityTable())
        , tree(new ZParentItemProxyModel)
        , filter(new ZFilterDialogProxyModel)
        , treeTester(tree.get(), QAbstractItemModelTester::FailureReportingMode::QtTest)
        , filterTester(filter.get(), QAbstractItemModelTester::FailureReportingMode::QtTest)
    {
        filter->setSourceModel(tree.get());
        tree->setSourceModel(source.get());
        tree->setParentStructure(1, 2);
    }
    QString shown() const { return treeString(filter.get()); }

    std::unique_ptr<QStandardItemModel> source;
    std::unique_ptr<ZParentItemProxyModel> tree;
    std::unique_ptr<ZFilterDialogProxyModel> filter;
    QAbstractItemModelTester treeTester;
    QAbstractItemModelTester filterTester;
};

ZExpression *chain(const QString &op, const QVariant &value, const QString &joiner = QString(),
                   const QString &op2 = QString(), const QVariant &value2 = QVariant())
{
    auto *head = new ZExpression(value, op);
    if (joiner == QLatin1String("AND"))
        head->andNext = new ZExpression(value2, op2);
    else if (joiner == QLatin1String("OR"))
        head->orNext = new ZExpression(value2, op2);
    return head;
}

// A chain of rows, each the only child of the one before: node d at depth d
// shows "n<d>" in its one column.
class ChainModel : public QAbstractItemModel
{
public:
    explicit ChainModel(int depth)
        : m_depth(depth)
    {
    }
    QModelIndex index(int row, int column, const QModelIndex &parent) const override
    {
        const quintptr depth = parent.isValid() ? parent.internalId() + 1 : 0;
        if (row != 0 || column != 0 || depth >= quintptr(m_depth)
            || (parent.isValid() && parent.column() != 0))
            return {};
        return createIndex(0, 0, depth);
    }
    QModelIndex parent(const QModelIndex &child) const override
    {
        if (!child.isValid() || child.internalId() == 0)
            return {};
        return createIndex(0, 0, child.internalId() - 1);
    }
    int rowCount(const QModelIndex &parent) const override
    {
        if (!parent.isValid())
            return m_depth > 0 ? 1 : 0;
        return parent.column() == 0 && parent.internalId() + 1 < quintptr(m_depth) ? 1 : 0;
    }
    int columnCount(const QModelIndex &) const override { return 1; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || role != Qt::DisplayRole)
            return {};
        ++reads;
        return QStringLiteral("n%1").arg(index.internalId());
    }

    mutable int reads = 0;

private:
    int m_depth;
};

} // namespace

class tst_ZFilterDialogProxyModel : public QObject
{
    Q_OBJECT
private slots:
    void unfiltered();
    void valueList_data();
    void valueList();
    void emptyValueListRejectsAll();
    void filtersOfColumnsHoldTogether();
    void oneKindOfFilterPerColumn();
    void deepChainFiltersIteratively();
    void deepChainReadsEachRowOnce();
    void keptAnswersFollowChanges_data();
    void keptAnswersFollowChanges();
    void leavesNeverHaveChildren();
    void expression_data();
    void expression();
    void clearFilter();
    void clearAll();
    void replaceChain();
    void toVariant();
    void fromVariant_data();
    void fromVariant();
    void roundTrip();
    void sortingStaysTheBaseProxys();
    void regroupingUnderActiveFilter();
};

void tst_ZFilterDialogProxyModel::unfiltered()
{
    Stack s;
    QCOMPARE(s.shown(), QStringLiteral("Group[pump line,valve],Other"));
    QVERIFY(s.filter->patterns().isEmpty());
    QVERIFY(s.filter->expressions().isEmpty());
    QCOMPARE(checkRoundTrip(s.filter.get()), 24);
}

void tst_ZFilterDialogProxyModel::valueList_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<QString>("shown");

    QTest::addRow("child keeps its group") << 0 << QVariantList{ QStringLiteral("valve") }
                                           << QStringLiteral("Group[valve]");
    QTest::addRow("group row itself, without its children") << 0 << QVariantList{ QStringLiteral("Group") } << QStringLiteral("Group");
    QTest::addRow("top-level row") << 0 << QVariantList{ QStringLiteral("Other"), QStringLiteral("none") }
                                   << QStringLiteral("Other");
    QTest::addRow("numbers match their text") << 4 << QVariantList{ 3, 12 }
                                              << QStringLiteral("Group[pump line],Other");
    QTest::addRow("double values") << 4 << QVariantList{ 4.0 } << QStringLiteral("Group[valve]");
    // A date column matches by day: a day listed keeps its cells of any
    // time, from the value list or as a layout's text.
    QTest::addRow("day of a date column") << 5 << QVariantList{ QDate(2020, 1, 5), 2020 }
                                          << QStringLiteral("Group[pump line]");
    QTest::addRow("day with another time, as text")
            << 5 << QVariantList{ QStringLiteral("2020-02-05T17:30:00.000") } << QStringLiteral("Group[valve]");
    QTest::addRow("case matters") << 0 << QVariantList{ QStringLiteral("VALVE") } << QString();
    QTest::addRow("no match") << 0 << QVariantList{ QStringLiteral("nothing") } << QString();
}

void tst_ZFilterDialogProxyModel::valueList()
{
    QFETCH(int, column);
    QFETCH(QVariantList, values);
    QFETCH(QString, shown);
    Stack s;
    s.filter->setFilter(column, values);
    QCOMPARE(s.filter->patterns().value(column), values);
    QCOMPARE(s.shown(), shown);
    QVERIFY(checkRoundTrip(s.filter.get()) >= 0);
}

void tst_ZFilterDialogProxyModel::emptyValueListRejectsAll()
{
    Stack s;
    s.filter->setFilter(0, {});
    QCOMPARE(s.shown(), QString());
}

void tst_ZFilterDialogProxyModel::filtersOfColumnsHoldTogether()
{
    Stack s;
    s.filter->setExpression(4, chain(QStringLiteral(">"), 3));
    QCOMPARE(s.shown(), QStringLiteral("Group[valve],Other"));
    // A row passes when it passes every column's filter, of either kind.
    s.filter->setFilter(0, { QStringLiteral("pump line"), QStringLiteral("valve") });
    QCOMPARE(s.shown(), QStringLiteral("Group[valve]"));
    s.filter->setFilter(0, { QStringLiteral("pump line") });
    QCOMPARE(s.shown(), QString());
    s.filter->clearFilter(0);
    QCOMPARE(s.shown(), QStringLiteral("Group[valve],Other"));
}

void tst_ZFilterDialogProxyModel::oneKindOfFilterPerColumn()
{
    Stack s;
    s.filter->setExpression(4, chain(QStringLiteral(">"), 3));
    s.filter->setFilter(4, { 3 });
    QVERIFY(!s.filter->expressions().contains(4));
    QCOMPARE(s.shown(), QStringLiteral("Group[pump line]"));
    s.filter->setExpression(4, chain(QStringLiteral(">"), 10));
    QVERIFY(!s.filter->patterns().contains(4));
    QCOMPARE(s.shown(), QStringLiteral("Other"));
}

void tst_ZFilterDialogProxyModel::deepChainFiltersIteratively()
{
    // Far deeper than a recursive walk of the descendants could go.
    const int depth = 200000;
    ChainModel chain(depth);
    ZFilterDialogProxyModel filter;
    filter.setSourceModel(&chain);
    filter.setFilter(0, { QStringLiteral("n%1").arg(depth - 1) });
    QCOMPARE(filter.rowCount(), 1);
    const QModelIndex top = filter.index(0, 0);
    QCOMPARE(top.data().toString(), QStringLiteral("n0"));
    QCOMPARE(filter.rowCount(top), 1);
    filter.setExpression(0, ZExpression::buildExpression(QStringLiteral("equals"),
                                                         QStringLiteral("nowhere")));
    QCOMPARE(filter.rowCount(), 0);
    filter.setExpression(0, ZExpression::buildExpression(QStringLiteral("ends with"),
                                                         QStringLiteral("99999")));
    QCOMPARE(filter.rowCount(), 1);
}

void tst_ZFilterDialogProxyModel::deepChainReadsEachRowOnce()
{
    // Every level of the chain shown: each level's row looks through all
    // rows below it, which must not mean reading them once per level.
    const int depth = 3000;
    ChainModel chain(depth);
    ZFilterDialogProxyModel filter;
    filter.setSourceModel(&chain);
    chain.reads = 0;
    filter.setFilter(0, { QStringLiteral("n%1").arg(depth - 1) });
    QModelIndex level;
    int levels = 0;
    while (filter.rowCount(level) == 1) {
        level = filter.index(0, 0, level);
        ++levels;
    }
    QCOMPARE(levels, depth);
    QVERIFY2(chain.reads <= 3 * depth, qPrintable(QString::number(chain.reads)));
}

void tst_ZFilterDialogProxyModel::keptAnswersFollowChanges_data()
{
    QTest::addColumn<int>("change");
    QTest::addColumn<QString>("shown");

    // The group row was found to stay (its child "valve" passes); each
    // change below makes that answer wrong.
    QTest::addRow("base proxy's filter") << 0 << QString();
    QTest::addRow("filtered cell, then a re-filter") << 1 << QString();
    QTest::addRow("other cell keeps the rows") << 2 << QStringLiteral("Group[valve]");
    QTest::addRow("after the event loop") << 3 << QString();
}

void tst_ZFilterDialogProxyModel::keptAnswersFollowChanges()
{
    QFETCH(int, change);
    QFETCH(QString, shown);
    Stack s;
    s.filter->setFilter(0, { QStringLiteral("valve") });
    QCOMPARE(s.shown(), QStringLiteral("Group[valve]"));
    switch (change) {
    case 0:
        s.filter->setFilterFixedString(QStringLiteral("pump"));
        break;
    case 1:
        s.source->setData(s.source->index(2, 0), QStringLiteral("gate"));
        s.filter->invalidate();
        break;
    case 2:
        s.source->setData(s.source->index(2, 3), QStringLiteral("7"));
        s.filter->invalidate();
        break;
    case 3:
        QCoreApplication::processEvents();
        s.filter->setFilterFixedString(QStringLiteral("pump"));
        break;
    }
    QCOMPARE(s.shown(), shown);
    QVERIFY(checkRoundTrip(s.filter.get()) >= 0);
}

void tst_ZFilterDialogProxyModel::leavesNeverHaveChildren()
{
    Stack s;
    s.filter->setFilter(0, { QStringLiteral("valve"), QStringLiteral("Other") });
    const QModelIndex group = s.filter->index(0, 0);
    const QModelIndex valve = s.filter->index(0, 0, group);
    const QModelIndex other = s.filter->index(1, 0);
    QCOMPARE(valve.data().toString(), QStringLiteral("valve"));
    QCOMPARE(other.data().toString(), QStringLiteral("Other"));
    QVERIFY(!(s.filter->flags(group) & Qt::ItemNeverHasChildren));
    QVERIFY(s.filter->flags(valve) & Qt::ItemNeverHasChildren);
    QVERIFY(s.filter->flags(other) & Qt::ItemNeverHasChildren);
    // Otherwise the source's flags.
    for (const QModelIndex &index : { group, valve, other }) {
        QCOMPARE(s.filter->flags(index) & ~Qt::ItemNeverHasChildren,
                 s.tree->flags(s.filter->mapToSource(index)));
    }
}

void tst_ZFilterDialogProxyModel::expression_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("joiner");
    QTest::addColumn<QString>("op2");
    QTest::addColumn<QVariant>("value2");
    QTest::addColumn<QString>("shown");

    QTest::addRow("contains is case-sensitive")
            << 0 << QStringLiteral("contains") << QVariant(QStringLiteral("Pump")) << QString() << QString() << QVariant()
            << QString();
    QTest::addRow("begins with ignores case")
            << 0 << QStringLiteral("begins with") << QVariant(QStringLiteral("PUMP")) << QString() << QString()
            << QVariant() << QStringLiteral("Group[pump line]");
    QTest::addRow("double column reads a comma as the point")
            << 3 << QStringLiteral("=") << QVariant(1.5) << QString() << QString() << QVariant()
            << QStringLiteral("Group[pump line]");
    QTest::addRow("double column against text operand")
            << 3 << QStringLiteral("<") << QVariant(QStringLiteral("3")) << QString() << QString() << QVariant()
            << QStringLiteral("Group[pump line,valve]");
    QTest::addRow("integer range with AND")
            << 4 << QStringLiteral(">=") << QVariant(4) << QStringLiteral("AND") << QStringLiteral("<=")
            << QVariant(12) << QStringLiteral("Group[valve],Other");
    QTest::addRow("integer alternatives with OR")
            << 4 << QStringLiteral("=") << QVariant(3) << QStringLiteral("OR") << QStringLiteral("=")
            << QVariant(12) << QStringLiteral("Group[pump line],Other");
    QTest::addRow("dates drop the time")
            << 5 << QStringLiteral("=") << QVariant(QDate(2020, 2, 5)) << QString() << QString() << QVariant()
            << QStringLiteral("Group[valve]");
    QTest::addRow("dates against iso text")
            << 5 << QStringLiteral(">") << QVariant(QStringLiteral("2020-06-01")) << QString() << QString()
            << QVariant() << QStringLiteral("Other");
}

void tst_ZFilterDialogProxyModel::expression()
{
    QFETCH(int, column);
    QFETCH(QString, op);
    QFETCH(QVariant, value);
    QFETCH(QString, joiner);
    QFETCH(QString, op2);
    QFETCH(QVariant, value2);
    QFETCH(QString, shown);
    Stack s;
    s.filter->setExpression(column, chain(op, value, joiner, op2, value2));
    QCOMPARE(s.shown(), shown);
    QVERIFY(checkRoundTrip(s.filter.get()) >= 0);
}

void tst_ZFilterDialogProxyModel::clearFilter()
{
    Stack s;
    s.filter->setFilter(0, { QStringLiteral("valve") });
    s.filter->setExpression(0, chain(QStringLiteral("="), QStringLiteral("x")));
    s.filter->setExpression(4, chain(QStringLiteral("="), 3));
    s.filter->clearFilter(0);
    QVERIFY(s.filter->patterns().isEmpty());
    QCOMPARE(s.filter->expressions().keys(), QList<int>{ 4 });
    QCOMPARE(s.shown(), QStringLiteral("Group[pump line]"));
    s.filter->clearFilter(7); // nothing there
    QCOMPARE(s.shown(), QStringLiteral("Group[pump line]"));
}

void tst_ZFilterDialogProxyModel::clearAll()
{
    Stack s;
    s.filter->setFilter(0, { QStringLiteral("valve") });
    s.filter->setExpression(4, chain(QStringLiteral("="), 3));
    s.filter->clearAll();
    QVERIFY(s.filter->patterns().isEmpty());
    QVERIFY(s.filter->expressions().isEmpty());
    QCOMPARE(s.shown(), QStringLiteral("Group[pump line,valve],Other"));
}

void tst_ZFilterDialogProxyModel::replaceChain()
{
    Stack s;
    ZExpression *first = chain(QStringLiteral("="), 3);
    s.filter->setExpression(4, first);
    s.filter->setExpression(4, first); // the same chain again stays alive
    QCOMPARE(s.filter->expressions().value(4), first);
    QCOMPARE(s.shown(), QStringLiteral("Group[pump line]"));
    s.filter->setExpression(4, chain(QStringLiteral("="), 4));
    QCOMPARE(s.shown(), QStringLiteral("Group[valve]"));
    s.filter->setExpression(4, nullptr);
    QVERIFY(s.filter->expressions().isEmpty());
    QCOMPARE(s.shown(), QStringLiteral("Group[pump line,valve],Other"));
}

void tst_ZFilterDialogProxyModel::toVariant()
{
    Stack s;
    s.filter->setFilter(0, { QStringLiteral("valve"), 3 });
    s.filter->setFilter(12, {});
    s.filter->setExpression(4, chain(QStringLiteral(">="), 5, QStringLiteral("AND"), QStringLiteral("<="), 10));
    s.filter->setExpression(3, chain(QStringLiteral("="), 3, QStringLiteral("OR"), QStringLiteral("="), 4));
    s.filter->setExpression(5, chain(QStringLiteral("contains"), QStringLiteral("pump")));
    const QVariantMap state = s.filter->toVariant().toMap();
    QCOMPARE(state.keys(), (QStringList{ QStringLiteral("expressions"), QStringLiteral("patterns") }));
    const QVariantMap patterns = state.value(QStringLiteral("patterns")).toMap();
    QCOMPARE(patterns.value(QStringLiteral("0")).toList(), (QVariantList{ QStringLiteral("valve"), 3 }));
    QCOMPARE(patterns.value(QStringLiteral("12")).toList(), QVariantList());
    const QVariantMap expressions = state.value(QStringLiteral("expressions")).toMap();
    QCOMPARE(expressions.value(QStringLiteral("4")).toString(), QStringLiteral(">=;5;AND;<=;10"));
    QCOMPARE(expressions.value(QStringLiteral("3")).toString(), QStringLiteral("=;3;OR;=;4"));
    QCOMPARE(expressions.value(QStringLiteral("5")).toString(), QStringLiteral("contains;pump"));
}

void tst_ZFilterDialogProxyModel::fromVariant_data()
{
    QTest::addColumn<QVariant>("state");
    QTest::addColumn<QString>("patterns");
    QTest::addColumn<QString>("expressions");
    QTest::addColumn<bool>("warns");

    auto exprs = [](const QString &key, const QVariant &text) {
        return QVariant(QVariantMap{ { QStringLiteral("expressions"), QVariantMap{ { key, text } } } });
    };
    auto pats = [](const QString &key, const QVariant &list) {
        return QVariant(QVariantMap{ { QStringLiteral("patterns"), QVariantMap{ { key, list } } } });
    };

    QTest::addRow("single condition") << exprs(QStringLiteral("2"), QStringLiteral("contains;pump"))
                                      << QString() << QStringLiteral("2:contains;pump") << false;
    QTest::addRow("AND") << exprs(QStringLiteral("4"), QStringLiteral(">=;5;AND;<=;10"))
                         << QString() << QStringLiteral("4:>=;5&<=;10") << false;
    QTest::addRow("OR") << exprs(QStringLiteral("4"), QStringLiteral("=;3;OR;=;4"))
                        << QString() << QStringLiteral("4:=;3|=;4") << false;
    QTest::addRow("unknown joiner drops the second") << exprs(QStringLiteral("4"), QStringLiteral("=;3;XOR;=;4"))
                                                     << QString() << QStringLiteral("4:=;3") << false;
    QTest::addRow("lower-case joiner drops the second") << exprs(QStringLiteral("4"), QStringLiteral("=;3;and;=;4"))
                                                        << QString() << QStringLiteral("4:=;3") << false;
    QTest::addRow("value with a semicolon") << exprs(QStringLiteral("1"), QStringLiteral("contains;a;b"))
                                            << QString() << QStringLiteral("1:contains;a") << false;
    QTest::addRow("truncated after joiner") << exprs(QStringLiteral("4"), QStringLiteral("=;3;AND;="))
                                            << QString() << QStringLiteral("4:=;3") << false;
    QTest::addRow("six parts") << exprs(QStringLiteral("4"), QStringLiteral("=;3;AND;=;4;x"))
                               << QString() << QStringLiteral("4:=;3") << false;
    QTest::addRow("empty operand kept") << exprs(QStringLiteral("4"), QStringLiteral("=;"))
                                        << QString() << QStringLiteral("4:=;") << false;
    QTest::addRow("no operand") << exprs(QStringLiteral("4"), QStringLiteral("="))
                                << QString() << QString() << true;
    QTest::addRow("empty text") << exprs(QStringLiteral("4"), QString()) << QString() << QString() << true;
    QTest::addRow("unknown operator") << exprs(QStringLiteral("4"), QStringLiteral("~;3"))
                                      << QString() << QString() << true;
    QTest::addRow("unknown second operator") << exprs(QStringLiteral("4"), QStringLiteral("=;3;OR;~;4"))
                                             << QString() << QStringLiteral("4:=;3") << false;
    QTest::addRow("key that is no number reads as 0") << exprs(QStringLiteral("x"), QStringLiteral("=;3"))
                                                      << QString() << QStringLiteral("0:=;3") << false;
    QTest::addRow("value list") << pats(QStringLiteral("3"), QVariantList{ QStringLiteral("a"), 2 })
                                << QStringLiteral("3:a,2") << QString() << false;
    QTest::addRow("string list") << pats(QStringLiteral("3"), QStringList{ QStringLiteral("a") })
                                 << QStringLiteral("3:a") << QString() << false;
    QTest::addRow("empty value list") << pats(QStringLiteral("3"), QVariantList()) << QStringLiteral("3:")
                                      << QString() << false;
    QTest::addRow("value list that is no list") << pats(QStringLiteral("3"), QStringLiteral("a"))
                                                << QString() << QString() << true;
    QTest::addRow("patterns not a map")
            << QVariant(QVariantMap{ { QStringLiteral("patterns"), QStringLiteral("junk") } }) << QString() << QString() << false;
    QTest::addRow("not a map") << QVariant(QStringLiteral("filters")) << QString() << QString() << false;
    QTest::addRow("invalid") << QVariant() << QString() << QString() << false;
}

void tst_ZFilterDialogProxyModel::fromVariant()
{
    QFETCH(QVariant, state);
    QFETCH(QString, patterns);
    QFETCH(QString, expressions);
    QFETCH(bool, warns);
    Stack s;
    // Whatever was there before is replaced.
    s.filter->setFilter(9, { 1 });
    s.filter->setExpression(8, chain(QStringLiteral("="), 1));
    if (warns)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("fromVariant")));
    s.filter->fromVariant(state);

    QStringList gotPatterns;
    for (auto it = s.filter->patterns().cbegin(); it != s.filter->patterns().cend(); ++it) {
        QStringList values;
        for (const QVariant &v : it.value())
            values.append(v.toString());
        gotPatterns.append(QStringLiteral("%1:%2").arg(it.key()).arg(values.join(QLatin1Char(','))));
    }
    QCOMPARE(gotPatterns.join(QLatin1Char(' ')), patterns);

    QStringList gotExpressions;
    for (auto it = s.filter->expressions().cbegin(); it != s.filter->expressions().cend(); ++it) {
        const ZExpression *head = it.value();
        QString text = QStringLiteral("%1:%2").arg(it.key()).arg(head->toString());
        QCOMPARE(head->value.userType(), int(QMetaType::QString));
        if (head->andNext)
            text += QLatin1Char('&') + head->andNext->toString();
        if (head->orNext)
            text += QLatin1Char('|') + head->orNext->toString();
        gotExpressions.append(text);
    }
    QCOMPARE(gotExpressions.join(QLatin1Char(' ')), expressions);
    // The filter stays usable.
    QVERIFY(checkRoundTrip(s.filter.get()) >= 0);
}

void tst_ZFilterDialogProxyModel::roundTrip()
{
    Stack s;
    s.filter->setExpression(4, chain(QStringLiteral("="), 3, QStringLiteral("OR"), QStringLiteral("="), 4));
    const QString before = s.shown();
    const QVariant state = s.filter->toVariant();
    Stack other;
    other.filter->fromVariant(state);
    QCOMPARE(other.shown(), before);
    QCOMPARE(other.filter->toVariant(), state);
}

void tst_ZFilterDialogProxyModel::sortingStaysTheBaseProxys()
{
    Stack s;
    s.filter->sort(4, Qt::DescendingOrder);
    // The base proxy's order: an empty cell orders after every value.
    QCOMPARE(s.shown(), QStringLiteral("Group[valve,pump line],Other"));
    s.filter->sort(4, Qt::AscendingOrder);
    QCOMPARE(s.shown(), QStringLiteral("Other,Group[pump line,valve]"));
    // Texts order case-sensitively, capitals first.
    s.source->setData(s.source->index(3, 0), QStringLiteral("apple"));
    s.source->setData(s.source->index(0, 0), QStringLiteral("Banana"));
    s.filter->sort(0, Qt::AscendingOrder);
    QCOMPARE(s.shown(), QStringLiteral("Banana[pump line,valve],apple"));
    s.source->setData(s.source->index(3, 0), QStringLiteral("Other"));
    s.source->setData(s.source->index(0, 0), QStringLiteral("Group"));
    s.filter->sort(4, Qt::DescendingOrder);
    s.filter->setFilter(0, { QStringLiteral("pump line"), QStringLiteral("valve") });
    QCOMPARE(s.shown(), QStringLiteral("Group[valve,pump line]"));
    QVERIFY(checkRoundTrip(s.filter.get()) >= 0);
}

void tst_ZFilterDialogProxyModel::regroupingUnderActiveFilter()
{
    Stack s;
    s.filter->setFilter(0, { QStringLiteral("valve"), QStringLiteral("Other") });
    QCOMPARE(s.shown(), QStringLiteral("Group[valve],Other"));
    const QPersistentModelIndex valve(s.filter->index(0, 0, s.filter->index(0, 0)));
    QCOMPARE(valve.data().toString(), QStringLiteral("valve"));
    // A band row appended behind the source's back, then a handed structure.
    {
        const QSignalBlocker blocker(s.source.get());
        s.source->appendRow(new QStandardItem(QStringLiteral("Band")));
    }
    s.tree->setParentStructure(ParentStructure{ { -1, { 4 } }, { 4, { 0, 3 } }, { 0, { 1, 2 } } });
    QCOMPARE(s.shown(), QStringLiteral("Band[Group[valve],Other]"));
    {
        const QSignalBlocker blocker(s.source.get());
        s.source->removeRow(4);
    }
    s.tree->setParentStructure(1, 2);
    QCOMPARE(s.shown(), QStringLiteral("Group[valve],Other"));
    QVERIFY(checkRoundTrip(s.filter.get()) >= 0);
}

QTEST_GUILESS_MAIN(tst_ZFilterDialogProxyModel)
#include "tst_zfilterdialogproxymodel.moc"
