#include "layoutjson.h"
#include "layouttarget.h"
#include "modelhelpers.h"

#include <QAction>
#include <QFile>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

namespace {

// A layout target over a plain tree view that records what it is told.
class FakeTarget : public LayoutTarget
{
public:
    FakeTarget()
    {
        const QStringList captions = {QStringLiteral("ID"), QStringLiteral("Activity ID"),
                                      QStringLiteral("Activity Name"),
                                      QStringLiteral("Activity Type"),
                                      QStringLiteral("Start Date"), QStringLiteral("Finish Date"),
                                      QStringLiteral("Total float"), QStringLiteral("Free float"),
                                      QStringLiteral("Remaining Duration"),
                                      QStringLiteral("Planned Duration"),
                                      QStringLiteral("WBS Code")};
        model.setColumnCount(captions.size());
        for (int c = 0; c < captions.size(); ++c) {
            model.setHeaderData(c, Qt::Horizontal, captions.at(c));
            QVariantMap descriptor;
            descriptor.insert(QStringLiteral("display"), captions.at(c));
            model.setHeaderData(c, Qt::Horizontal, descriptor, 258);
        }
        model.appendRow(new QStandardItem(QStringLiteral("1")));
        view.setModel(&model);
        view.header()->setStretchLastSection(false);
        for (const char *text : {"Expand", "Collapse", "Expand All", "Collapse All", "Level 1",
                                 "Level 7"}) {
            auto *action = new QAction(QString::fromLatin1(text), &owner);
            QObject::connect(action, &QAction::triggered, &owner,
                             [this, action] { log << QStringLiteral("outline ") + action->text(); });
            outline << action;
        }
    }

    QHeaderView *header() const override { return hasHeader ? view.header() : nullptr; }
    int sortColumn() const override { return m_sortColumn; }
    Qt::SortOrder sortOrder() const override { return m_sortOrder; }
    void setSortBy(const QString &caption, Qt::SortOrder order) override
    {
        log << QStringLiteral("sort %1 %2").arg(caption).arg(order == Qt::AscendingOrder ? 'A' : 'D');
        const int c = columnIndex(&model, caption);
        if (c >= 0) {
            m_sortColumn = c;
            m_sortOrder = order;
        }
    }
    void clearFilterSort() override
    {
        log << QStringLiteral("clearFilterSort");
        m_sortColumn = -1;
        m_sortOrder = Qt::AscendingOrder;
        filters.clear();
    }
    QVariantMap filterState() const override { return filters; }
    void setFilterState(const QVariantMap &state) override { filters = state; }
    void clearFilterMarks() override { marks.clear(); }
    void markFiltered(int column) override
    {
        if (!marks.contains(column))
            marks << column;
    }
    QString grouping() const override { return group; }
    void setGrouping(const QString &g) override
    {
        log << QStringLiteral("group ") + g;
        group = g;
    }
    QString outlineLevel() const override { return outlineText; }
    QList<QAction *> outlineActions() const override { return outline; }
    QVariantList barStyles() const override { return styles; }
    void setBarStyles(const QVariantList &s) override
    {
        styles = s;
        ++barStyleCalls;
    }
    void setTreePosition(int column) override { view.setTreePosition(column); }
    void updateMergeColumns() override { log << QStringLiteral("merge"); }

    QObject owner;
    QStandardItemModel model;
    QTreeView view;
    QList<QAction *> outline;
    bool hasHeader = true;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    QVariantMap filters;
    QList<int> marks;
    QString group;
    QString outlineText;
    QVariantList styles;
    int barStyleCalls = 0;
    QStringList log;
};

QString readResource(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

QStringList shownCaptions(const QHeaderView *header)
{
    QStringList out;
    for (const QVariant &v : headerToVariant(const_cast<QHeaderView *>(header)).toList())
        out << v.toString();
    return out;
}

} // namespace

class tst_LayoutJson : public QObject
{
    Q_OBJECT

private slots:
    void defaultLayoutResource();
    void applyDefaultLayout();
    void emptyTextOrNoHeaderChangesNothing();
    void notAnObject_data();
    void notAnObject();
    void sortBy_data();
    void sortBy();
    void filtersMarkColumns();
    void groupTakenAsText();
    void outlineTriggersOnlyOutlineActions();
    void buildIsCompactAndRoundTrips();
    void buildWhileUnsorted();
    void columnCaptionWithColon();
    void applyingTwiceEqualsOnce();
};

void tst_LayoutJson::defaultLayoutResource()
{
    const QString text = readResource(QStringLiteral(":/files/xer_style.json"));
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    const QJsonObject o = doc.object();
    QCOMPARE(o.value(QStringLiteral("columns")).toArray().size(), 9);
    QCOMPARE(o.value(QStringLiteral("columns")).toArray().at(7).toString(),
             QStringLiteral("Remaining duration:100"));
    QCOMPARE(o.value(QStringLiteral("outline")).toString(QStringLiteral("x")), QString());
    QCOMPARE(o.value(QStringLiteral("sort")).toInt(-1), 0);
    QVERIFY(!o.contains(QStringLiteral("sortby")));
    QVERIFY(!o.contains(QStringLiteral("filters")));
    QVERIFY(!o.contains(QStringLiteral("group")));
    const QJsonArray styles = o.value(QStringLiteral("barStyles")).toArray();
    QStringList names;
    for (const QJsonValue &s : styles)
        names << s.toObject().value(QStringLiteral("styleName")).toString();
    QCOMPARE(names, QStringList({QStringLiteral("Task"), QStringLiteral("Milestone"),
                                 QStringLiteral("Summary"), QStringLiteral("Actual"),
                                 QStringLiteral("Baseline Task"),
                                 QStringLiteral("Baseline Milestone")}));
    for (const QJsonValue &s : styles)
        QCOMPARE(s.toObject().size(), s.toObject().contains(QStringLiteral("startDate")) ? 12 : 10);
    QCOMPARE(styles.at(0).toObject().value(QStringLiteral("bodyColor")).toString(),
             QStringLiteral("#0068B6"));
    QVERIFY(!styles.at(3).toObject().value(QStringLiteral("visible")).toBool(true));
}

void tst_LayoutJson::applyDefaultLayout()
{
    FakeTarget t;
    t.filters.insert(QStringLiteral("patterns"), QVariantMap{{QStringLiteral("2"), QVariantList{1}}});
    t.group = QStringLiteral("WBS Code;;;;");
    QCOMPARE(LayoutJson::apply(readResource(QStringLiteral(":/files/xer_style.json")), t),
             LayoutJson::Applied);
    // The two duration entries find no column: the captions differ in case.
    QCOMPARE(shownCaptions(t.view.header()),
             QStringList({QStringLiteral("Activity ID:80"), QStringLiteral("Activity Name:300"),
                          QStringLiteral("Activity Type:100"), QStringLiteral("Start Date:100"),
                          QStringLiteral("Finish Date:100"), QStringLiteral("Total float:100"),
                          QStringLiteral("Free float:100")}));
    QCOMPARE(t.log, QStringList({QStringLiteral("clearFilterSort"), QStringLiteral("merge")}));
    QVERIFY(t.filters.isEmpty());
    QVERIFY(t.marks.isEmpty());
    QCOMPARE(t.group, QStringLiteral("WBS Code;;;;")); // grouping as it was
    QCOMPARE(t.styles.size(), 6);
    QCOMPARE(t.view.treePosition(), 1); // "Activity ID"
}

void tst_LayoutJson::emptyTextOrNoHeaderChangesNothing()
{
    FakeTarget t;
    QCOMPARE(LayoutJson::apply(QString(), t), LayoutJson::EmptyText);
    t.hasHeader = false;
    QCOMPARE(LayoutJson::apply(QStringLiteral("{\"group\":\"x\"}"), t), LayoutJson::NoHeader);
    QVERIFY(t.log.isEmpty());
    QCOMPARE(t.barStyleCalls, 0);
}

void tst_LayoutJson::notAnObject_data()
{
    QTest::addColumn<QString>("text");
    QTest::addRow("bad json") << QStringLiteral("{\"columns\": [");
    QTest::addRow("array") << QStringLiteral("[\"Activity ID:80\"]");
    QTest::addRow("number") << QStringLiteral("42");
    QTest::addRow("binary") << QString::fromLatin1("\x01\x02\xff{");
    QTest::addRow("wrong types") << QStringLiteral(
        "{\"columns\":7,\"filters\":[1],\"group\":[\"a\"],\"outline\":{},\"barStyles\":\"x\"}");
}

void tst_LayoutJson::notAnObject()
{
    QFETCH(QString, text);
    FakeTarget t;
    t.group = QStringLiteral("WBS Code;;;;");
    t.filters.insert(QStringLiteral("patterns"), QVariantMap{{QStringLiteral("2"), QVariantList{1}}});
    t.marks << 2;
    t.styles << QVariantMap();
    const QStringList before = shownCaptions(t.view.header());
    QCOMPARE(LayoutJson::apply(text, t), LayoutJson::Applied);
    // Columns, grouping and outline stay; sort and filters go; no styles.
    QCOMPARE(shownCaptions(t.view.header()), before);
    QCOMPARE(t.group, QStringLiteral("WBS Code;;;;"));
    QCOMPARE(t.log, QStringList({QStringLiteral("clearFilterSort"), QStringLiteral("merge")}));
    QVERIFY(t.filters.isEmpty());
    QVERIFY(t.marks.isEmpty());
    QCOMPARE(t.barStyleCalls, 1);
    QVERIFY(t.styles.isEmpty());
}

void tst_LayoutJson::sortBy_data()
{
    QTest::addColumn<QString>("sortby");
    QTest::addColumn<QString>("expected");
    QTest::addRow("ascending") << QStringLiteral("\"Start Date;A\"") << QStringLiteral("sort Start Date A");
    QTest::addRow("descending") << QStringLiteral("\"Start Date;D\"") << QStringLiteral("sort Start Date D");
    QTest::addRow("lower-case a") << QStringLiteral("\"Start Date;a\"") << QStringLiteral("sort Start Date D");
    QTest::addRow("empty letter") << QStringLiteral("\"Start Date;\"") << QStringLiteral("sort Start Date D");
    QTest::addRow("no letter") << QStringLiteral("\"Start Date\"") << QStringLiteral("sort Start Date A");
    QTest::addRow("array, first only")
        << QStringLiteral("[\"Finish Date;D\",\"Start Date;A\"]") << QStringLiteral("sort Finish Date D");
    QTest::addRow("extra parts ignored")
        << QStringLiteral("\"Start Date;A;X\"") << QStringLiteral("sort Start Date A");
    QTest::addRow("empty array") << QStringLiteral("[]") << QStringLiteral("clearFilterSort");
    QTest::addRow("null") << QStringLiteral("null") << QStringLiteral("clearFilterSort");
}

void tst_LayoutJson::sortBy()
{
    QFETCH(QString, sortby);
    QFETCH(QString, expected);
    FakeTarget t;
    LayoutJson::apply(QStringLiteral("{\"sortby\":%1}").arg(sortby), t);
    QCOMPARE(t.log.value(0), expected);
}

void tst_LayoutJson::filtersMarkColumns()
{
    FakeTarget t;
    LayoutJson::apply(QStringLiteral(
                          "{\"filters\":{\"patterns\":{\"3\":[\"a\"],\"x\":[\"b\"]},"
                          "\"expressions\":{\"3\":\"=;1\",\"10\":\">;2;AND;<;5\"}}}"),
                      t);
    // Keys in order, no duplicates; a key that is no number marks column 0.
    QCOMPARE(t.marks, QList<int>({3, 0, 10}));
    QCOMPARE(t.filters.value(QStringLiteral("expressions")).toMap().value(QStringLiteral("10")).toString(),
             QStringLiteral(">;2;AND;<;5"));
}

void tst_LayoutJson::groupTakenAsText()
{
    FakeTarget t;
    LayoutJson::apply(QStringLiteral("{\"group\":\"WBS Code;All;;;\"}"), t);
    QCOMPARE(t.group, QStringLiteral("WBS Code;All;;;"));
    t.log.clear();
    LayoutJson::apply(QStringLiteral("{\"group\":\"\"}"), t);
    QCOMPARE(t.group, QStringLiteral("WBS Code;All;;;"));
    QVERIFY(!t.log.join(QLatin1Char(',')).contains(QStringLiteral("group")));
}

void tst_LayoutJson::outlineTriggersOnlyOutlineActions()
{
    FakeTarget t;
    // An action outside the outline commands with the same text.
    QAction stranger(QStringLiteral("Level 1"));
    int strangerRuns = 0;
    QObject::connect(&stranger, &QAction::triggered, &t.owner, [&strangerRuns] { ++strangerRuns; });

    LayoutJson::apply(QStringLiteral("{\"outline\":\"Level 1\"}"), t);
    QVERIFY(t.log.contains(QStringLiteral("outline Level 1")));
    QCOMPARE(strangerRuns, 0);

    t.log.clear();
    LayoutJson::apply(QStringLiteral("{\"outline\":\"Level 0\"}"), t);
    QVERIFY(!t.log.join(QLatin1Char(',')).contains(QStringLiteral("outline")));
    LayoutJson::apply(QStringLiteral("{\"outline\":\"level 7\"}"), t);
    QVERIFY(!t.log.join(QLatin1Char(',')).contains(QStringLiteral("outline")));
}

void tst_LayoutJson::buildIsCompactAndRoundTrips()
{
    FakeTarget t;
    LayoutJson::apply(readResource(QStringLiteral(":/files/xer_style.json")), t);
    t.view.header()->resizeSection(2, 123);
    t.setSortBy(QStringLiteral("Finish Date"), Qt::DescendingOrder);
    t.filters = QVariantMap{{QStringLiteral("expressions"), QVariantMap{}},
                            {QStringLiteral("patterns"),
                             QVariantMap{{QStringLiteral("4"), QVariantList{QStringLiteral("x")}}}}};
    t.group = QStringLiteral("WBS Code;All;;;");
    t.outlineText = QStringLiteral("Level 1");
    t.styles = QVariantList{QVariantMap{{QStringLiteral("styleName"), QStringLiteral("Task")}}};

    const QString json = LayoutJson::build(t);
    QVERIFY(!json.contains(QLatin1Char('\n')));
    QVERIFY(!json.contains(QLatin1String(": ")));
    QVERIFY(json.startsWith(QLatin1String("{\"barStyles\":[{\"styleName\":\"Task\"}],\"bars\":null,"
                                          "\"columns\":[\"Activity ID:80\",\"Activity Name:123\",")));
    QVERIFY(json.contains(QLatin1String("\"sortby\":\"Finish Date;D\"")));
    QVERIFY(json.contains(QLatin1String("\"group\":\"WBS Code;All;;;\",\"outline\":\"Level 1\"")));

    FakeTarget back;
    QCOMPARE(LayoutJson::apply(json, back), LayoutJson::Applied);
    QCOMPARE(shownCaptions(back.view.header()), shownCaptions(t.view.header()));
    QCOMPARE(back.sortColumn(), 5);
    QCOMPARE(back.sortOrder(), Qt::DescendingOrder);
    QCOMPARE(back.filters, t.filters);
    QCOMPARE(back.marks, QList<int>({4}));
    QCOMPARE(back.group, t.group);
    QVERIFY(back.log.contains(QStringLiteral("outline Level 1")));
    QCOMPARE(back.styles, t.styles);
}

void tst_LayoutJson::buildWhileUnsorted()
{
    FakeTarget t;
    const QJsonObject o = QJsonDocument::fromJson(LayoutJson::build(t).toUtf8()).object();
    QCOMPARE(o.value(QStringLiteral("sortby")).toString(), QStringLiteral(";A"));
    QVERIFY(o.value(QStringLiteral("bars")).isNull());
    QCOMPARE(o.value(QStringLiteral("outline")).toString(QStringLiteral("x")), QString());
    QCOMPARE(o.keys(), QStringList({QStringLiteral("barStyles"), QStringLiteral("bars"),
                                    QStringLiteral("columns"), QStringLiteral("filters"),
                                    QStringLiteral("group"), QStringLiteral("outline"),
                                    QStringLiteral("sortby")}));
    // Applying it back leaves the state alone: no column has an empty caption.
    t.log.clear();
    LayoutJson::apply(LayoutJson::build(t), t);
    QCOMPARE(t.log.value(0), QStringLiteral("sort  A"));
    QCOMPARE(t.sortColumn(), -1);
}

void tst_LayoutJson::columnCaptionWithColon()
{
    FakeTarget t;
    t.model.setHeaderData(3, Qt::Horizontal, QStringLiteral("Type: main"));
    LayoutJson::apply(QStringLiteral("{\"columns\":[\"Activity ID:75\",\"Type: main:70\"]}"), t);
    QCOMPARE(shownCaptions(t.view.header()), QStringList({QStringLiteral("Activity ID:75")}));
}

void tst_LayoutJson::applyingTwiceEqualsOnce()
{
    const QString layout = QStringLiteral(
        "{\"columns\":[\"Start Date:90\",\"Activity ID:60\"],\"sortby\":\"Start Date;D\","
        "\"filters\":{\"patterns\":{\"4\":[\"x\"]}},\"group\":\"WBS Code;All;;;\","
        "\"outline\":\"Level 1\",\"barStyles\":[{\"styleName\":\"Task\"}]}");
    FakeTarget once;
    LayoutJson::apply(layout, once);
    FakeTarget twice;
    LayoutJson::apply(layout, twice);
    LayoutJson::apply(layout, twice);
    QCOMPARE(shownCaptions(twice.view.header()), shownCaptions(once.view.header()));
    QCOMPARE(shownCaptions(once.view.header()),
             QStringList({QStringLiteral("Start Date:90"), QStringLiteral("Activity ID:60")}));
    QCOMPARE(twice.view.treePosition(), 4);
    QCOMPARE(LayoutJson::build(twice), LayoutJson::build(once));
    QCOMPARE(twice.marks, QList<int>({4}));
}

QTEST_MAIN(tst_LayoutJson)
#include "tst_layoutjson.moc"
