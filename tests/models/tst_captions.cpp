#include "captions.h"

#include <QDate>
#include <QtTest>

class tst_Captions : public QObject
{
    Q_OBJECT
private slots:
    void captions_data();
    void captions();
    void dateFunction_data();
    void dateFunction();
};

void tst_Captions::captions_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QVariant>("key");
    QTest::addColumn<QString>("caption");

    QTest::addRow("quarter 3") << "quarter" << QVariant(3) << "Q3";
    QTest::addRow("quarter text") << "quarter" << QVariant(QStringLiteral("4")) << "Q4";
    QTest::addRow("quarter invalid") << "quarter" << QVariant() << "Q0";
    QTest::addRow("quarter garbage") << "quarter" << QVariant(QStringLiteral("x")) << "Q0";
    QTest::addRow("week 52") << "week" << QVariant(52) << "Week 52";
    QTest::addRow("week 7 padded") << "week" << QVariant(QStringLiteral("07")) << "Week 7";
    QTest::addRow("week invalid") << "week" << QVariant() << "Week 0";
    QTest::addRow("month 1") << "month" << QVariant(1) << "January";
    QTest::addRow("month 12") << "month" << QVariant(12) << "December";
    QTest::addRow("month padded text") << "month" << QVariant(QStringLiteral("09")) << "September";
    QTest::addRow("month 0") << "month" << QVariant(0) << "";
    QTest::addRow("month 13") << "month" << QVariant(13) << "";
    QTest::addRow("month negative") << "month" << QVariant(-1) << "";
    QTest::addRow("month invalid") << "month" << QVariant() << "";
    QTest::addRow("day") << "day" << QVariant(QDate(2024, 1, 5)) << "05 January";
    QTest::addRow("day from date-time") << "day" << QVariant(QDateTime(QDate(2023, 3, 3), QTime(8, 0)))
                                        << "03 March";
    QTest::addRow("day invalid") << "day" << QVariant() << "";
    QTest::addRow("day garbage") << "day" << QVariant(QStringLiteral("soon")) << "";
    // The cut falls inside a surrogate pair: the pair goes whole.
    const QString before(ShownTextLength - 1, QLatin1Char('a'));
    QTest::addRow("shown text, pair at the cut")
        << "shown" << QVariant(before + QString::fromUcs4(U"\U0001F600") + QLatin1Char('b'))
        << before + QChar(0x2026);
}

void tst_Captions::captions()
{
    QFETCH(QString, kind);
    QFETCH(QVariant, key);
    QFETCH(QString, caption);

    QString got;
    if (kind == QLatin1String("quarter"))
        got = quarterCaption(key);
    else if (kind == QLatin1String("week"))
        got = weekCaption(key);
    else if (kind == QLatin1String("month"))
        got = monthCaption(key);
    else if (kind == QLatin1String("shown"))
        got = shownText(key.toString());
    else
        got = dayCaption(key);
    QCOMPARE(got, caption);
}

void tst_Captions::dateFunction_data()
{
    QTest::addColumn<QVariant>("key");
    QTest::addColumn<QDate>("date");

    QTest::addRow("date") << QVariant(QDate(2020, 2, 29)) << QDate(2020, 2, 29);
    QTest::addRow("date-time") << QVariant(QDateTime(QDate(2020, 2, 29), QTime(23, 0)))
                               << QDate(2020, 2, 29);
    QTest::addRow("ISO text") << QVariant(QStringLiteral("2021-07-01")) << QDate(2021, 7, 1);
    QTest::addRow("invalid") << QVariant() << QDate();
}

void tst_Captions::dateFunction()
{
    QFETCH(QVariant, key);
    QFETCH(QDate, date);
    const QVariant got = ::dateFunction(key);
    QCOMPARE(got.userType(), int(QMetaType::QDate));
    QCOMPARE(got.toDate(), date);
}

QTEST_APPLESS_MAIN(tst_Captions)
#include "tst_captions.moc"
