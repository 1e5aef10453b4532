#include "zganttviewbarstyle.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

class tst_ZGanttViewBarStyle : public QObject
{
    Q_OBJECT
private slots:
    void defaultRecord();
    void travelsInVariant();
    void writeKeys();
    void roundTripThroughJson();
    void readFields_data();
    void readFields();
    void readDisplayColumns();
    void readNotAnObject();

private:
    static ZGanttViewBarStyle readJson(const QByteArray &json)
    {
        return barStyleFromVariant(QJsonDocument::fromJson(json).object().toVariantMap());
    }
};

void tst_ZGanttViewBarStyle::defaultRecord()
{
    const ZGanttViewBarStyle style;
    QVERIFY(style.styleName.isEmpty());
    QVERIFY(!style.startPointColor.isValid());
    QVERIFY(!style.bodyColor.isValid());
    QVERIFY(!style.endPointColor.isValid());
    QCOMPARE(style.bodyShapeHeight, 0);
    QCOMPARE(style.bodyShapeOffset, 0);
    QVERIFY(style.displayColumns.isEmpty());
    QCOMPARE(style.visible, false);
}

void tst_ZGanttViewBarStyle::travelsInVariant()
{
    registerBarStyleMetaType();
    QVERIFY(QMetaType::type("ZGanttViewBarStyle") != QMetaType::UnknownType);
    ZGanttViewBarStyle style;
    style.styleName = QStringLiteral("Task");
    style.visible = true;
    const QVariant v = QVariant::fromValue(style);
    QCOMPARE(v.value<ZGanttViewBarStyle>(), style);
    // Variants compare the styles, not their bytes: an equal style with its
    // own copy of the name is equal, one that differs is not.
    ZGanttViewBarStyle other = style;
    other.styleName = QString::fromLatin1("Task");
    QCOMPARE(QVariant::fromValue(other), v);
    other.bodyShapeHeight = 3;
    QVERIFY(QVariant::fromValue(other) != v);
    // A variant of another type gives a default style.
    QCOMPARE(QVariant(5).value<ZGanttViewBarStyle>(), ZGanttViewBarStyle());
}

void tst_ZGanttViewBarStyle::writeKeys()
{
    ZGanttViewBarStyle style;
    style.styleName = QStringLiteral("Task");
    style.bodyColor = QColor(0, 0x68, 0xB6);
    style.displayColumns.insert(64, QStringLiteral("Activity Name"));
    style.displayColumns.insert(1, QStringLiteral("Activity ID"));
    const QVariantMap map = barStyleToVariant(style).toMap();
    const QStringList keys = {
        QStringLiteral("styleName"), QStringLiteral("startPointShape"), QStringLiteral("startPointColor"),
        QStringLiteral("bodyShapeHeight"), QStringLiteral("bodyShapeOffset"), QStringLiteral("bodyColor"),
        QStringLiteral("endPointShape"), QStringLiteral("endPointColor"), QStringLiteral("displayColumns"),
        QStringLiteral("startDate"), QStringLiteral("finishDate"), QStringLiteral("visible")};
    QStringList sortedKeys = keys;
    sortedKeys.sort();
    QCOMPARE(map.keys(), sortedKeys);
    QCOMPARE(map.value(QStringLiteral("bodyColor")).userType(), int(QMetaType::QColor));
    QCOMPARE(map.value(QStringLiteral("bodyColor")).value<QColor>(), QColor(0, 0x68, 0xB6));
    const QVariantList columns = map.value(QStringLiteral("displayColumns")).toList();
    QCOMPARE(columns.size(), 2);
    // Entries in ascending key order.
    QCOMPARE(columns.at(0).toMap().value(QStringLiteral("key")).toInt(), 1);
    QCOMPARE(columns.at(0).toMap().value(QStringLiteral("value")).toString(), QStringLiteral("Activity ID"));
    QCOMPARE(columns.at(1).toMap().value(QStringLiteral("key")).toInt(), 64);
}

void tst_ZGanttViewBarStyle::roundTripThroughJson()
{
    ZGanttViewBarStyle style;
    style.styleName = QStringLiteral("Summary");
    style.startPointShape = QStringLiteral("SouthCone");
    style.startPointColor = QColor(QStringLiteral("#808080"));
    style.bodyShapeHeight = 5;
    style.bodyShapeOffset = 3;
    style.bodyColor = QColor(QStringLiteral("#0068b6"));
    style.endPointShape = QStringLiteral("SouthPenta");
    style.displayColumns.insert(2, QStringLiteral("Finish Date"));
    style.startDate = QStringLiteral("Start Date");
    style.finishDate = QStringLiteral("Finish Date");
    style.visible = true;

    // The layout writer turns colours into their names.
    QVariantMap map = barStyleToVariant(style).toMap();
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (it.value().userType() == QMetaType::QColor) {
            const QColor c = it.value().value<QColor>();
            it.value() = c.isValid() ? c.name() : QStringLiteral("#000000");
        }
    }
    const QByteArray json = QJsonDocument(QJsonObject::fromVariantMap(map)).toJson(QJsonDocument::Compact);
    const ZGanttViewBarStyle back = readJson(json);

    ZGanttViewBarStyle expected = style;
    expected.endPointColor = QColor(Qt::black); // an unset colour comes back black
    QCOMPARE(back, expected);
}

void tst_ZGanttViewBarStyle::readFields_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<int>("height");
    QTest::addColumn<bool>("visible");
    QTest::addColumn<QColor>("bodyColor");
    QTest::addColumn<QString>("startDate");

    QTest::addRow("built-in task")
        << QByteArray(R"({"styleName":"Task","bodyShapeHeight":11,"bodyColor":"#0068B6","startDate":"Start Date","visible":true})")
        << 11 << true << QColor(0, 0x68, 0xB6) << QStringLiteral("Start Date");
    QTest::addRow("height rounds") << QByteArray(R"({"bodyShapeHeight":11.6})") << 12 << false << QColor()
                                   << QString();
    QTest::addRow("height as text") << QByteArray(R"({"bodyShapeHeight":"7"})") << 7 << false << QColor()
                                    << QString();
    QTest::addRow("height not a number") << QByteArray(R"({"bodyShapeHeight":"7px"})") << 0 << false
                                         << QColor() << QString();
    QTest::addRow("height huge") << QByteArray(R"({"bodyShapeHeight":1e300})") << 0 << false << QColor()
                                 << QString();
    QTest::addRow("no visible key") << QByteArray(R"({"styleName":"x"})") << 0 << false << QColor() << QString();
    QTest::addRow("visible number") << QByteArray(R"({"visible":1})") << 0 << true << QColor() << QString();
    QTest::addRow("visible small number") << QByteArray(R"({"visible":0.2})") << 0 << false << QColor()
                                          << QString();
    QTest::addRow("visible null") << QByteArray(R"({"visible":null})") << 0 << false << QColor() << QString();
    QTest::addRow("colour keyword") << QByteArray(R"({"bodyColor":"red"})") << 0 << false << QColor(Qt::red)
                                    << QString();
    QTest::addRow("colour short hex") << QByteArray(R"({"bodyColor":"#f00"})") << 0 << false
                                      << QColor(Qt::red) << QString();
    QTest::addRow("colour alpha first") << QByteArray(R"({"bodyColor":"#80ff0000"})") << 0 << false
                                        << QColor(255, 0, 0, 128) << QString();
    QTest::addRow("colour unreadable") << QByteArray(R"({"bodyColor":"#12"})") << 0 << false << QColor()
                                       << QString();
    QTest::addRow("colour as number") << QByteArray(R"({"bodyColor":255})") << 0 << false << QColor()
                                      << QString();
    QTest::addRow("empty object") << QByteArray("{}") << 0 << false << QColor() << QString();
    QTest::addRow("truncated") << QByteArray(R"({"bodyShapeHeight":11,"visi)") << 0 << false << QColor()
                               << QString();
}

void tst_ZGanttViewBarStyle::readFields()
{
    QFETCH(QByteArray, json);
    QFETCH(int, height);
    QFETCH(bool, visible);
    QFETCH(QColor, bodyColor);
    QFETCH(QString, startDate);
    const ZGanttViewBarStyle style = readJson(json);
    QCOMPARE(style.bodyShapeHeight, height);
    QCOMPARE(style.visible, visible);
    QCOMPARE(style.bodyColor.isValid(), bodyColor.isValid());
    if (bodyColor.isValid())
        QCOMPARE(style.bodyColor.rgba(), bodyColor.rgba());
    QCOMPARE(style.startDate, startDate);
}

void tst_ZGanttViewBarStyle::readDisplayColumns()
{
    const ZGanttViewBarStyle style = readJson(
        R"({"displayColumns":[{"key":32,"value":"A"},{"key":1,"value":"B"},{"key":32,"value":"C"},"junk"]})");
    QMap<int, QString> expected;
    expected.insert(1, QStringLiteral("B"));
    expected.insert(32, QStringLiteral("C")); // the later element wins
    expected.insert(0, QString());             // an element that is no object
    QCOMPARE(style.displayColumns, expected);

    // Reading into a style only adds entries.
    ZGanttViewBarStyle filled;
    filled.displayColumns.insert(2, QStringLiteral("Right"));
    barStyleFromVariant(filled, QVariantMap());
    QCOMPARE(filled.displayColumns.value(2), QStringLiteral("Right"));
}

void tst_ZGanttViewBarStyle::readNotAnObject()
{
    const ZGanttViewBarStyle style = barStyleFromVariant(QVariant(QStringLiteral("not a map")));
    QCOMPARE(style, ZGanttViewBarStyle());
    QCOMPARE(barStyleFromVariant(QVariant()), ZGanttViewBarStyle());
}

QTEST_APPLESS_MAIN(tst_ZGanttViewBarStyle)
#include "tst_zganttviewbarstyle.moc"
