#include "zexpression.h"

#include <QDate>
#include <QtTest>

class tst_ZExpression : public QObject
{
    Q_OBJECT
private slots:
    void buildExpression_data();
    void buildExpression();
    void acceptExpression_data();
    void acceptExpression();
    void unknownOperator();
    void chains();
    void toStringForm();
    void ownership();
};

void tst_ZExpression::buildExpression_data()
{
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("made");
    QTest::addColumn<QString>("op");

    QTest::addRow("equals") << QStringLiteral("equals") << QVariant(1) << true << QStringLiteral("=");
    QTest::addRow("does not equal") << QStringLiteral("does not equal") << QVariant(1) << true << QStringLiteral("!=");
    QTest::addRow("is after") << QStringLiteral("is after") << QVariant(1) << true << QStringLiteral(">");
    QTest::addRow("is greater than") << QStringLiteral("is greater than") << QVariant(1) << true << QStringLiteral(">");
    QTest::addRow("is after or equal to") << QStringLiteral("is after or equal to") << QVariant(1) << true << QStringLiteral(">=");
    QTest::addRow("is greater than or equal to") << QStringLiteral("is greater than or equal to") << QVariant(1) << true << QStringLiteral(">=");
    QTest::addRow("is before") << QStringLiteral("is before") << QVariant(1) << true << QStringLiteral("<");
    QTest::addRow("is less than") << QStringLiteral("is less than") << QVariant(1) << true << QStringLiteral("<");
    QTest::addRow("is before or equal to") << QStringLiteral("is before or equal to") << QVariant(1) << true << QStringLiteral("<=");
    QTest::addRow("is less than or equal to") << QStringLiteral("is less than or equal to") << QVariant(1) << true << QStringLiteral("<=");
    QTest::addRow("text operator unchanged") << QStringLiteral("contains") << QVariant(QStringLiteral("x")) << true << QStringLiteral("contains");
    QTest::addRow("other letter case unchanged") << QStringLiteral("Equals") << QVariant(1) << true << QStringLiteral("Equals");
    QTest::addRow("empty operator") << QString() << QVariant(1) << false << QString();
    QTest::addRow("invalid value") << QStringLiteral("equals") << QVariant() << false << QString();
}

void tst_ZExpression::buildExpression()
{
    QFETCH(QString, shown);
    QFETCH(QVariant, value);
    QFETCH(bool, made);
    QFETCH(QString, op);
    std::unique_ptr<ZExpression> node(ZExpression::buildExpression(shown, value));
    QCOMPARE(bool(node), made);
    if (!node)
        return;
    QCOMPARE(node->operatorText, op);
    QCOMPARE(node->value, value);
    QVERIFY(!node->orNext);
    QVERIFY(!node->andNext);
}

void tst_ZExpression::acceptExpression_data()
{
    QTest::addColumn<QVariant>("cell");
    QTest::addColumn<QString>("op");
    QTest::addColumn<QVariant>("operand");
    QTest::addColumn<bool>("accepted");

    const QVariant pump(QStringLiteral("pump line"));
    QTest::addRow("= same") << QVariant(3) << QStringLiteral("=") << QVariant(3) << true;
    QTest::addRow("= text operand") << QVariant(3) << QStringLiteral("=") << QVariant(QStringLiteral("3")) << true;
    QTest::addRow("= differs") << QVariant(3) << QStringLiteral("=") << QVariant(4) << false;
    QTest::addRow("!=") << QVariant(3) << QStringLiteral("!=") << QVariant(4) << true;
    QTest::addRow("< numbers") << QVariant(2) << QStringLiteral("<") << QVariant(10) << true;
    QTest::addRow("< double and text") << QVariant(1.5) << QStringLiteral("<") << QVariant(QStringLiteral("2")) << true;
    QTest::addRow("> dates") << QVariant(QDate(2020, 5, 2)) << QStringLiteral(">") << QVariant(QDate(2020, 5, 1)) << true;
    QTest::addRow("> date and iso text") << QVariant(QDate(2020, 5, 2)) << QStringLiteral(">")
                                         << QVariant(QStringLiteral("2020-05-03")) << false;
    QTest::addRow("<= equal") << QVariant(5) << QStringLiteral("<=") << QVariant(5) << true;
    QTest::addRow(">= less") << QVariant(4) << QStringLiteral(">=") << QVariant(5) << false;
    QTest::addRow("contains is case-sensitive") << pump << QStringLiteral("contains") << QVariant(QStringLiteral("Pump")) << false;
    QTest::addRow("contains") << pump << QStringLiteral("contains") << QVariant(QStringLiteral("mp l")) << true;
    QTest::addRow("does not contain") << pump << QStringLiteral("does not contain") << QVariant(QStringLiteral("Pump")) << true;
    QTest::addRow("begins with ignores case") << pump << QStringLiteral("begins with") << QVariant(QStringLiteral("PUMP")) << true;
    QTest::addRow("does not begin with") << pump << QStringLiteral("does not begin with") << QVariant(QStringLiteral("PUMP")) << false;
    QTest::addRow("ends with ignores case") << pump << QStringLiteral("ends with") << QVariant(QStringLiteral("LINE")) << true;
    QTest::addRow("does not end with") << pump << QStringLiteral("does not end with") << QVariant(QStringLiteral("pump")) << true;
    QTest::addRow("empty cell contains nothing") << QVariant() << QStringLiteral("contains") << QVariant(QStringLiteral("a")) << false;
}

void tst_ZExpression::acceptExpression()
{
    QFETCH(QVariant, cell);
    QFETCH(QString, op);
    QFETCH(QVariant, operand);
    QFETCH(bool, accepted);
    QVERIFY(ZExpression::isKnownOperator(op));
    ZExpression node(operand, op);
    QCOMPARE(node.acceptExpression(cell, operand, op), accepted);
    QCOMPARE(node.acceptValue(cell), accepted);
}

void tst_ZExpression::unknownOperator()
{
    ZExpression node(QVariant(1), QStringLiteral("~"));
    QVERIFY(!ZExpression::isKnownOperator(QStringLiteral("~")));
    QTest::ignoreMessage(QtWarningMsg, "ZExpression::acceptExpression: unknown operator");
    QVERIFY(!node.acceptValue(QVariant(1)));
}

void tst_ZExpression::chains()
{
    // >= 5 AND <= 10
    ZExpression range(QVariant(5), QStringLiteral(">="));
    range.andNext = new ZExpression(QVariant(10), QStringLiteral("<="));
    QVERIFY(range.acceptValue(7));
    QVERIFY(range.acceptValue(10));
    QVERIFY(!range.acceptValue(11));
    QVERIFY(!range.acceptValue(4));

    // = 3 OR = 4
    ZExpression either(QVariant(3), QStringLiteral("="));
    either.orNext = new ZExpression(QVariant(4), QStringLiteral("="));
    QVERIFY(either.acceptValue(3));
    QVERIFY(either.acceptValue(4));
    QVERIFY(!either.acceptValue(5));
    QVERIFY(either.acceptRow(either.orNext, 4));
    QVERIFY(!either.acceptRow(either.orNext, 3));
    QVERIFY(!either.acceptRow(nullptr, 3));
}

void tst_ZExpression::toStringForm()
{
    ZExpression node(QVariant(QStringLiteral("pump")), QStringLiteral("contains"));
    QCOMPARE(node.toString(), QStringLiteral("contains;pump"));
    ZExpression date(QVariant(QDate(2020, 1, 2)), QStringLiteral(">"));
    QCOMPARE(date.toString(), QStringLiteral(">;2020-01-02"));
}

void tst_ZExpression::ownership()
{
    // Both successors go with their node, recursively (checked for leaks
    // under the address sanitizer).
    auto *head = new ZExpression(QVariant(1), QStringLiteral("="));
    head->andNext = new ZExpression(QVariant(2), QStringLiteral("="));
    head->orNext = new ZExpression(QVariant(3), QStringLiteral("="));
    head->andNext->orNext = new ZExpression(QVariant(4), QStringLiteral("="));
    QVERIFY(!head->acceptValue(1));
    delete head;
}

QTEST_APPLESS_MAIN(tst_ZExpression)
#include "tst_zexpression.moc"
