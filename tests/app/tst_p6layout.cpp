#include "p6confignode.h"
#include "p6layout.h"

#include <QJsonDocument>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A node in layout text form: "(0||name(k|v|...)(children))".
QString node(const QString &name, const QStringList &attributes = {},
             const QString &children = QString())
{
    return QStringLiteral("(0||%1(%2)(%3))")
        .arg(name, attributes.join(QLatin1Char('|')), children);
}

// The tree as text: name#id{k=v,...}[child,...]; "<empty>" for an empty node.
QString dump(const P6ConfigNode &n)
{
    if (n.isEmpty())
        return QStringLiteral("<empty>");
    QString out = n.name;
    if (n.id)
        out += QLatin1Char('#') + QString::number(n.id);
    if (!n.attributes.isEmpty()) {
        QStringList pairs;
        for (auto it = n.attributes.cbegin(); it != n.attributes.cend(); ++it)
            pairs << it.key() + QLatin1Char('=') + it.value();
        pairs.sort();
        out += QLatin1Char('{') + pairs.join(QLatin1Char(',')) + QLatin1Char('}');
    }
    if (!n.children.isEmpty()) {
        QStringList kids;
        for (const auto &c : n.children)
            kids << dump(*c);
        out += QLatin1Char('[') + kids.join(QLatin1Char(',')) + QLatin1Char(']');
    }
    return out;
}

QString nested(int depth)
{
    QString text;
    for (int i = 0; i < depth; ++i)
        text += QStringLiteral("(0||N()(");
    for (int i = 0; i < depth; ++i)
        text += QStringLiteral("))");
    return text;
}

// A layout with the given column, group and sort nodes, below a root.
QString viewData(const QString &columns, const QString &groupItem = QString(),
                 const QString &sorts = QString())
{
    QString groupSort;
    if (!groupItem.isEmpty() || !sorts.isEmpty())
        groupSort = node(QStringLiteral("GroupSortBy"), {},
                         node(QStringLiteral("GroupBys"), {}, groupItem)
                             + node(QStringLiteral("SortBys"), {}, sorts));
    return node(QStringLiteral("Root"), {},
                node(QStringLiteral("TaskView"), {}, columns + groupSort));
}

QString column(const QString &field, const QString &width)
{
    return node(field, {QStringLiteral("width"), width, QStringLiteral("column_title"), field});
}

const char kSchema[] = R"({"tables":[{"name":"TASK","columns":[
    {"id":"task_code","display":"Activity ID"},{"id":"task_name","display":"Activity Name"},
    {"id":"blank","display":""},{"id":"task_code","display":"Second"}]},
    {"name":"PROJWBS","columns":[{"id":"blank","display":"Late"},{"id":"end_date","display":"End"}]}]})";

} // namespace

class tst_P6Layout : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void nodeAtPath();
    void deepTreesAreReleasedWithoutRecursion();
    void captionMap();
    void convert_data();
    void convert();
};

void tst_P6Layout::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tree");
    QTest::addColumn<bool>("warns");
    QTest::addRow("empty") << QString() << "<empty>" << false;
    QTest::addRow("no structure") << "abc" << "<empty>" << false;
    QTest::addRow("worked example") << "(1|x|TaskView(k|v)((2||Columns()())))"
                                    << "TaskView#1{k=v}[Columns#2]" << false;
    QTest::addRow("repeated key keeps the last") << "(0||A(k|v|k|w)())" << "A{k=w}" << false;
    QTest::addRow("key without value") << "(0||A(k|v|k2)())" << "<empty>" << false;
    QTest::addRow("second field dropped") << "(0|7|A()())" << "A" << false;
    QTest::addRow("id not a number") << "(x||A()())" << "A" << false;
    QTest::addRow("unfinished") << "(0||A()" << "A" << false;
    QTest::addRow("later top-level node ignored") << "(0||A()())(0||B()())" << "A" << false;
    QTest::addRow("open after closed list") << "(0||A()()(" << "<empty>" << false;
    QTest::addRow("text between children ignored") << "(0||A()(x))" << "A" << false;
    QTest::addRow("close first") << ")(0||A()())" << "<empty>" << false;
    QTest::addRow("open in a value") << "(0||A(k|()())" << "<empty>" << false;
    QTest::addRow("siblings, blanks and line breaks")
        << "(3||R()(\r\n (4||C1(width|90)()) \n(5||C2( | )())))"
        << "R#3[C1#4{width=90},C2#5{ = }]" << false;
    QTest::addRow("extra closes accepted") << "(0||A()()))))" << "A" << false;
    QTest::addRow("nested to the limit") << nested(kP6MaxDepth + 1) << QString() << false; // depth checked
    QTest::addRow("nested past the limit") << nested(kP6MaxDepth + 2) << "<empty>" << true;
    QTest::addRow("very deep, unfinished") << QStringLiteral("(0||N()(").repeated(200000)
                                           << "<empty>" << true;
}

void tst_P6Layout::parse()
{
    QFETCH(QString, text);
    QFETCH(QString, tree);
    QFETCH(bool, warns);
    if (warns)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("nested deeper")));
    const P6ConfigNode root = parseP6ViewData(text);
    if (QByteArray(QTest::currentDataTag()) == "nested to the limit") {
        // The root and kP6MaxDepth levels below it.
        int depth = 0;
        for (P6ConfigNode n = root; !n.children.isEmpty(); n = *n.children.first())
            ++depth;
        QCOMPARE(depth, kP6MaxDepth);
        return;
    }
    QCOMPARE(dump(root), tree);
}

void tst_P6Layout::nodeAtPath()
{
    const P6ConfigNode root = parseP6ViewData(QStringLiteral(
        "(1||Top()((2||Columns(a|1)((7||X()())))(3||Columns(a|2)())(4||Other()())))"));
    QCOMPARE(dump(p6NodeAtPath(root, {QStringLiteral("Columns")})), QStringLiteral("Columns#2{a=1}[X#7]"));
    QCOMPARE(dump(p6NodeAtPath(root, {QStringLiteral("Columns"), QStringLiteral("X")})),
             QStringLiteral("X#7"));
    QCOMPARE(dump(p6NodeAtPath(root, {QStringLiteral("Top")})), QStringLiteral("<empty>"));
    QCOMPARE(dump(p6NodeAtPath(root, {QStringLiteral("Nope"), QStringLiteral("X")})),
             QStringLiteral("<empty>"));
    QCOMPARE(dump(p6NodeAtPath(root, {})), dump(root));
    QCOMPARE(dump(p6NodeAtPath(P6ConfigNode(), {QStringLiteral("Columns")})),
             QStringLiteral("<empty>"));
    // A copy shares the subtree.
    const P6ConfigNode copy = root;
    QCOMPARE(copy.children.first().get(), root.children.first().get());
}

void tst_P6Layout::deepTreesAreReleasedWithoutRecursion()
{
    std::weak_ptr<P6ConfigNode> leaf;
    {
        P6ConfigNode root;
        auto chain = std::make_shared<P6ConfigNode>();
        root.children.append(chain);
        for (int i = 0; i < 1000000; ++i) {
            auto next = std::make_shared<P6ConfigNode>();
            next->parent = chain;
            chain->children.append(next);
            chain = next;
        }
        leaf = chain;
        P6ConfigNode copy = root; // shares, copies nothing deep
        QCOMPARE(copy.children.size(), 1);
    }
    QVERIFY(leaf.expired()); // nothing leaks through the parent links
}

void tst_P6Layout::captionMap()
{
    const QHash<QString, QString> map = P6Layouts::captionMap(QString::fromUtf8(kSchema));
    QCOMPARE(map.value(QStringLiteral("task_code")), QStringLiteral("Activity ID"));
    QCOMPARE(map.value(QStringLiteral("blank")), QStringLiteral("Late"));
    QCOMPARE(map.value(QStringLiteral("end_date")), QStringLiteral("Finish Date"));
    QCOMPARE(map.value(QStringLiteral("start_date")), QStringLiteral("Start Date"));
    QCOMPARE(P6Layouts::captionMap(QStringLiteral("{not json")).size(), 2);
}

void tst_P6Layout::convert_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("json"); // empty: no layout
    const QString two = column(QStringLiteral("task_code"), QStringLiteral("90"))
        + column(QStringLiteral("task_name"), QStringLiteral("250"));
    const QString columns = node(QStringLiteral("Columns"), {}, two);
    auto group = [](const QString &join, const QString &level) {
        return node(QStringLiteral("Item1"), {QStringLiteral("join_path"), join,
                                              QStringLiteral("max_level"), level});
    };
    auto sort = [](const QString &field, const QString &type) {
        return node(QStringLiteral("Item"), {QStringLiteral("source_field"), field,
                                             QStringLiteral("sort_type"), type});
    };
    QTest::addRow("columns, WBS, descending")
        << viewData(columns, group(QStringLiteral("PROJWBS"), QString()),
                    sort(QStringLiteral("task_code"), QStringLiteral("DESC")))
        << R"({"columns":["Activity ID:90","Activity Name:250"],"group":"WBS Code;All","sortby":["Activity ID;D"]})";
    QTest::addRow("level 3, several sorts")
        << viewData(columns, group(QStringLiteral("PROJWBS"), QStringLiteral("3")),
                    sort(QStringLiteral("end_date"), QStringLiteral("desc"))
                        + sort(QStringLiteral("nope"), QStringLiteral("DESC"))
                        + sort(QString(), QStringLiteral("DESC"))
                        + sort(QStringLiteral("task_name"), QStringLiteral("ASC")))
        << R"({"columns":["Activity ID:90","Activity Name:250"],"group":"WBS Code;3","sortby":["Finish Date;D","Activity Name;A"]})";
    QTest::addRow("level 0")
        << viewData(columns, group(QStringLiteral("PROJWBS"), QStringLiteral("0")))
        << R"({"columns":["Activity ID:90","Activity Name:250"],"group":"WBS Code;All","sortby":[]})";
    QTest::addRow("join path in other case")
        << viewData(columns, group(QStringLiteral("projwbs"), QStringLiteral("2")))
        << R"({"columns":["Activity ID:90","Activity Name:250"],"group":"","sortby":[]})";
    QTest::addRow("unknown field, bad width")
        << viewData(node(QStringLiteral("Columns"), {}, column(QStringLiteral("udf_x"), QStringLiteral("wide"))))
        << R"({"columns":[":0"],"group":"","sortby":[]})";
    QTest::addRow("no columns node") << viewData(QString()) << QString();
    QTest::addRow("columns node without child") << viewData(node(QStringLiteral("Columns"))) << QString();
    QTest::addRow("malformed") << viewData(columns).left(40) + QStringLiteral("|)(") << QString();
}

void tst_P6Layout::convert()
{
    QFETCH(QString, data);
    QFETCH(QString, json);
    QVariantMap row;
    row.insert(QStringLiteral("VIEW_ID"), QStringLiteral("42"));
    row.insert(QStringLiteral("VIEW_NAME"), QStringLiteral("Mine"));
    row.insert(QStringLiteral("VIEW_DATA"), data);
    const QVector<P6Layout> layouts =
        P6Layouts::convert({row}, P6Layouts::captionMap(QString::fromUtf8(kSchema)));
    QCOMPARE(layouts.size(), json.isEmpty() ? 0 : 1);
    if (json.isEmpty())
        return;
    QCOMPARE(layouts.first().id, 42);
    QCOMPARE(layouts.first().name, QStringLiteral("Mine"));
    QCOMPARE(P6Layouts::toJson(layouts.first()), json);
}

QTEST_GUILESS_MAIN(tst_P6Layout)
#include "tst_p6layout.moc"
