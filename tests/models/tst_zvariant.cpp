#include "zvariant.h"

#include <QDateTime>
#include <QtTest>

class tst_ZVariant : public QObject
{
    Q_OBJECT
private slots:
    void compare_data();
    void compare();
};

void tst_ZVariant::compare_data()
{
    QTest::addColumn<QVariant>("a");
    QTest::addColumn<QVariant>("b");
    QTest::addColumn<int>("expected");

    QTest::addRow("int less") << QVariant(3) << QVariant(12) << -1;
    QTest::addRow("int equal") << QVariant(7) << QVariant(7) << 0;
    QTest::addRow("int vs longlong") << QVariant(7) << QVariant(qlonglong(7)) << 0;
    QTest::addRow("int vs its text") << QVariant(12) << QVariant(QStringLiteral("12")) << 0;
    QTest::addRow("int vs longer text number") << QVariant(7) << QVariant(QStringLiteral("10")) << -1;
    QTest::addRow("number before plain text") << QVariant(2020) << QVariant(QStringLiteral("2020x01")) << -1;
    QTest::addRow("large number before plain text") << QVariant(999999) << QVariant(QStringLiteral("2020x01")) << -1;
    QTest::addRow("empty text before numbers") << QVariant(QString()) << QVariant(-5) << -1;
    QTest::addRow("double vs int") << QVariant(1.5) << QVariant(1) << 1;
    QTest::addRow("text") << QVariant(QStringLiteral("A")) << QVariant(QStringLiteral("B")) << -1;
    QTest::addRow("text case") << QVariant(QStringLiteral("a")) << QVariant(QStringLiteral("A")) << 1;
    QTest::addRow("dates") << QVariant(QDateTime(QDate(2024, 3, 3), QTime(8, 0)))
                           << QVariant(QDateTime(QDate(2024, 3, 9), QTime(8, 0))) << -1;
    QTest::addRow("invalid first") << QVariant() << QVariant(0) << -1;
    QTest::addRow("both invalid") << QVariant() << QVariant() << 0;
}

void tst_ZVariant::compare()
{
    QFETCH(QVariant, a);
    QFETCH(QVariant, b);
    QFETCH(int, expected);
    const int got = compareVariants(a, b);
    QCOMPARE((got > 0) - (got < 0), expected);
    const int back = compareVariants(b, a);
    QCOMPARE((back > 0) - (back < 0), -expected);
    QCOMPARE(variantsEqual(a, b), expected == 0);
}

QTEST_APPLESS_MAIN(tst_ZVariant)
#include "tst_zvariant.moc"
