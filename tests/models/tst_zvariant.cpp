#include "zvariant.h"

#include <QDateTime>
#include <QtTest>

#include <algorithm>
#include <limits>

class tst_ZVariant : public QObject
{
    Q_OBJECT
private slots:
    void compare_data();
    void compare();
    void strictWeakOrder();
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
    QTest::addRow("text case breaks ties") << QVariant(QStringLiteral("a")) << QVariant(QStringLiteral("A")) << 1;
    QTest::addRow("text ignores case first")
            << QVariant(QStringLiteral("apple")) << QVariant(QStringLiteral("Banana")) << -1;
    QTest::addRow("numeric texts by value") << QVariant(QStringLiteral("10.0")) << QVariant(QStringLiteral("9")) << 1;
    QTest::addRow("numeric text equals its number") << QVariant(QStringLiteral("10.0")) << QVariant(10) << 0;
    QTest::addRow("padded numeric text") << QVariant(QStringLiteral(" 7 ")) << QVariant(7.0) << 0;
    QTest::addRow("number before a word") << QVariant(1e300) << QVariant(QStringLiteral("nan")) << -1;
    QTest::addRow("NaN after every number")
            << QVariant(std::numeric_limits<double>::quiet_NaN()) << QVariant(1e308) << 1;
    QTest::addRow("NaN after infinity")
            << QVariant(std::numeric_limits<double>::quiet_NaN())
            << QVariant(std::numeric_limits<double>::infinity()) << 1;
    QTest::addRow("NaN equals NaN") << QVariant(std::numeric_limits<double>::quiet_NaN())
                                    << QVariant(std::numeric_limits<double>::quiet_NaN()) << 0;
    QTest::addRow("NaN before texts")
            << QVariant(std::numeric_limits<double>::quiet_NaN()) << QVariant(QStringLiteral("A")) << -1;
    QTest::addRow("large integers exactly") << QVariant(qlonglong(9007199254740993LL))
                                            << QVariant(qlonglong(9007199254740992LL)) << 1;
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

void tst_ZVariant::strictWeakOrder()
{
    // Every triple of a mixed set agrees: an ordered container keyed by
    // these values (the group-by index) stays sound.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const QVariantList values = {QVariant(), QVariant(QString()), QVariant(-3), QVariant(2.5),
                                 QVariant(QStringLiteral("2.5")), QVariant(QStringLiteral("10")),
                                 QVariant(QStringLiteral("9")), QVariant(qlonglong(10)), QVariant(nan),
                                 QVariant(QStringLiteral("nan")), QVariant(QStringLiteral("apple")),
                                 QVariant(QStringLiteral("Apple")), QVariant(QStringLiteral("Banana")),
                                 QVariant(QStringLiteral("banana")), QVariant(QStringLiteral("cherry")),
                                 QVariant(true), QVariant(std::numeric_limits<double>::infinity())};
    const auto sign = [](int c) { return (c > 0) - (c < 0); };
    for (const QVariant &a : values) {
        QCOMPARE(compareVariants(a, a), 0);
        for (const QVariant &b : values) {
            QCOMPARE(sign(compareVariants(a, b)), -sign(compareVariants(b, a)));
            for (const QVariant &c : values) {
                if (compareVariants(a, b) < 0 && compareVariants(b, c) < 0)
                    QVERIFY(compareVariants(a, c) < 0);
                if (compareVariants(a, b) == 0 && compareVariants(b, c) == 0)
                    QCOMPARE(compareVariants(a, c), 0);
            }
        }
    }
    // A filter "greater than B" keeps what comes after B ignoring case.
    QStringList kept;
    for (const char *text : {"apple", "Banana", "cherry", "b", "B"}) {
        if (compareVariants(QVariant(QString::fromLatin1(text)), QVariant(QStringLiteral("B"))) > 0)
            kept << QString::fromLatin1(text);
    }
    QCOMPARE(kept, (QStringList{QStringLiteral("Banana"), QStringLiteral("cherry"), QStringLiteral("b")}));
}

QTEST_APPLESS_MAIN(tst_ZVariant)
#include "tst_zvariant.moc"
