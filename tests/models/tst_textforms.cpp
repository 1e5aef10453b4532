#include "textforms.h"

#include <QJsonArray>
#include <QtTest>

class tst_TextForms : public QObject
{
    Q_OBJECT
private slots:
    void brushToString_data();
    void brushToString();
    void brushFromString_data();
    void brushFromString();
    void fontToString_data();
    void fontToString();
    void fontFromString_data();
    void fontFromString();
    void fontRoundTrip();
    void pairBytes();
    void toPair_data();
    void toPair();
    void variantFromByteArray_data();
    void variantFromByteArray();
    void jsonConversions();
};

void tst_TextForms::brushToString_data()
{
    QTest::addColumn<QBrush>("brush");
    QTest::addColumn<QString>("text");

    QTest::addRow("opaque red") << QBrush(QColor(255, 0, 0)) << "r255g0b0a255";
    QTest::addRow("half grey") << QBrush(QColor(128, 128, 128, 127)) << "r128g128b128a127";
    QTest::addRow("pattern dropped") << QBrush(QColor(1, 2, 3), Qt::Dense4Pattern) << "r1g2b3a255";
}

void tst_TextForms::brushToString()
{
    QFETCH(QBrush, brush);
    QFETCH(QString, text);
    QCOMPARE(::brushToString(brush), text);
}

void tst_TextForms::brushFromString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QColor>("color");

    QTest::addRow("opaque red") << "r255g0b0a255" << true << QColor(255, 0, 0, 255);
    QTest::addRow("half grey") << "r128g128b128a127" << true << QColor(128, 128, 128, 127);
    QTest::addRow("zeros") << "r0g0b0a0" << true << QColor(0, 0, 0, 0);
    QTest::addRow("trailing extra part") << "r1g2b3a4z9" << true << QColor(1, 2, 3, 4);
    QTest::addRow("part not a number") << "r1.5g2b3a4" << true << QColor(0, 2, 3, 4);
    QTest::addRow("empty") << "" << false << QColor();
    QTest::addRow("letters only") << "rgba" << false << QColor();
    QTest::addRow("one number") << "r255" << false << QColor();
    QTest::addRow("three numbers") << "r255g0b0" << false << QColor();
    QTest::addRow("truncated after a") << "r255g0b0a" << false << QColor();
    QTest::addRow("upper case") << "R255G0B0A255" << false << QColor();
    QTest::addRow("component too large") << "r256g0b0a255" << false << QColor();
    QTest::addRow("negative component") << "r-1g0b0a255" << false << QColor();
    QTest::addRow("huge number") << "r99999999999g0b0a255" << true << QColor(0, 0, 0, 255);
    QTest::addRow("blank text") << "   " << false << QColor();
}

void tst_TextForms::brushFromString()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QColor, color);

    const QBrush brush = ::brushFromString(text);
    if (!valid) {
        QCOMPARE(brush, QBrush());
        return;
    }
    QCOMPARE(brush.style(), Qt::SolidPattern);
    QCOMPARE(brush.color(), color);
    QCOMPARE(::brushToString(brush), ::brushToString(QBrush(color)));
}

void tst_TextForms::fontToString_data()
{
    QTest::addColumn<QFont>("font");
    QTest::addColumn<QString>("text");

    QFont plain(QStringLiteral("Arial"));
    QTest::addRow("plain") << plain << "Arial:";

    QFont boldUnderlined(plain);
    boldUnderlined.setBold(true);
    boldUnderlined.setUnderline(true);
    QTest::addRow("bold underlined") << boldUnderlined << "Arial:ub";

    QFont all(plain);
    all.setItalic(true);
    all.setUnderline(true);
    all.setWeight(QFont::Black);
    QTest::addRow("everything") << all << "Arial:iub";

    QFont oblique(plain);
    oblique.setStyle(QFont::StyleOblique);
    QTest::addRow("oblique") << oblique << "Arial:i";

    QFont demiBold(plain);
    demiBold.setWeight(63);
    QTest::addRow("demi-bold") << demiBold << "Arial:b";

    QFont medium(plain);
    medium.setWeight(57);
    QTest::addRow("medium") << medium << "Arial:";

    QFont sized(QStringLiteral("DejaVu Sans"), 31);
    QTest::addRow("size not kept") << sized << "DejaVu Sans:";
}

void tst_TextForms::fontToString()
{
    QFETCH(QFont, font);
    QFETCH(QString, text);
    QCOMPARE(::fontToString(font), text);
}

void tst_TextForms::fontFromString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<int>("weight");

    const QString defaultFamily = QFont().family();
    QTest::addRow("plain") << "Arial:" << "Arial" << false << false << int(QFont::Normal);
    QTest::addRow("ub") << "Arial:ub" << "Arial" << false << true << int(QFont::Bold);
    QTest::addRow("bu") << "Arial:bu" << "Arial" << false << true << int(QFont::Bold);
    QTest::addRow("italic") << "Arial:i" << "Arial" << true << false << int(QFont::Normal);
    QTest::addRow("all flags") << "Times:bui" << "Times" << true << true << int(QFont::Bold);
    QTest::addRow("unknown flags") << "Arial:xyz" << "Arial" << false << false << int(QFont::Normal);
    QTest::addRow("upper-case flag") << "Arial:B" << "Arial" << false << false << int(QFont::Normal);
    QTest::addRow("blank in family") << "DejaVu Sans:b" << "DejaVu Sans" << false << false
                                     << int(QFont::Bold);
    QTest::addRow("extra part") << "Arial:b:i" << "Arial" << false << false << int(QFont::Bold);
    QTest::addRow("empty family") << ":ib" << defaultFamily << true << false << int(QFont::Bold);
    QTest::addRow("colon only") << ":" << defaultFamily << false << false << int(QFont::Normal);
    QTest::addRow("empty") << "" << defaultFamily << false << false << int(QFont::Normal);
    QTest::addRow("no colon") << "Arial" << defaultFamily << false << false << int(QFont::Normal);
    QTest::addRow("no colon with flags") << "Arialub" << defaultFamily << false << false
                                         << int(QFont::Normal);
}

void tst_TextForms::fontFromString()
{
    QFETCH(QString, text);
    QFETCH(QString, family);
    QFETCH(bool, italic);
    QFETCH(bool, underline);
    QFETCH(int, weight);

    const QFont font = ::fontFromString(text);
    QCOMPARE(font.family(), family);
    QCOMPARE(font.italic(), italic);
    QCOMPARE(font.underline(), underline);
    QCOMPARE(font.weight(), weight);
    QCOMPARE(font.pointSizeF(), QFont().pointSizeF());
}

void tst_TextForms::fontRoundTrip()
{
    QFont oblique(QStringLiteral("Arial"));
    oblique.setStyle(QFont::StyleOblique);
    oblique.setWeight(63);
    const QFont back = ::fontFromString(::fontToString(oblique));
    QCOMPARE(back.italic(), true);
    QCOMPARE(back.weight(), int(QFont::Bold));
    QCOMPARE(::fontFromString(QStringLiteral("Arial:bu")), ::fontFromString(QStringLiteral("Arial:ub")));
}

void tst_TextForms::pairBytes()
{
    const QVariant value = toVariant(qMakePair(1, -1));
    QCOMPARE(value.toByteArray(), QByteArray::fromHex("00000001FFFFFFFF"));
    QCOMPARE(::toPair(value), qMakePair(1, -1));
    QCOMPARE(::toPair(toVariant(qMakePair(INT_MIN, INT_MAX))), qMakePair(INT_MIN, INT_MAX));
}

void tst_TextForms::toPair_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");

    QTest::addRow("eight bytes") << QVariant(QByteArray::fromHex("0000000700000009")) << 7 << 9;
    QTest::addRow("extra bytes") << QVariant(QByteArray::fromHex("000000070000000901")) << 7 << 9;
    QTest::addRow("six bytes") << QVariant(QByteArray::fromHex("000000070000")) << 7 << 0;
    QTest::addRow("four bytes") << QVariant(QByteArray::fromHex("00000007")) << 7 << 0;
    QTest::addRow("two bytes") << QVariant(QByteArray::fromHex("0007")) << 0 << 0;
    QTest::addRow("empty") << QVariant(QByteArray()) << 0 << 0;
    QTest::addRow("invalid") << QVariant() << 0 << 0;
    QTest::addRow("not bytes") << QVariant(QDate(2020, 1, 1)) << 0 << 0;
}

void tst_TextForms::toPair()
{
    QFETCH(QVariant, value);
    QFETCH(int, first);
    QFETCH(int, second);
    QCOMPARE(::toPair(value), qMakePair(first, second));
}

void tst_TextForms::variantFromByteArray_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QVariant>("expected");

    QVariantMap nested;
    nested.insert(QStringLiteral("a"), 1.0);
    nested.insert(QStringLiteral("list"), QVariantList{1.0, QStringLiteral("x")});
    nested.insert(QStringLiteral("obj"), QVariantMap{{QStringLiteral("k"), true}});
    nested.insert(QStringLiteral("none"), QVariant::fromValue(nullptr));
    QTest::addRow("object") << QByteArray(R"({"a": 1, "list": [1, "x"], "obj": {"k": true}, "none": null})")
                            << QVariant(nested);
    QTest::addRow("empty object") << QByteArray("{}") << QVariant(QVariantMap());
    QTest::addRow("top-level array") << QByteArray("[1, 2]") << QVariant(QVariantMap());
    QTest::addRow("empty text") << QByteArray() << QVariant();
    QTest::addRow("truncated") << QByteArray(R"({"a": [1, 2)") << QVariant();
    QTest::addRow("garbage") << QByteArray("\x01\x02not json") << QVariant();
    QTest::addRow("bare value") << QByteArray("42") << QVariant();
}

void tst_TextForms::variantFromByteArray()
{
    QFETCH(QByteArray, json);
    QFETCH(QVariant, expected);
    const QVariant got = ::variantFromByteArray(json);
    QCOMPARE(got.isValid(), expected.isValid());
    QCOMPARE(got, expected);
}

void tst_TextForms::jsonConversions()
{
    QVariantMap map;
    map.insert(QStringLiteral("name"), QStringLiteral("x"));
    map.insert(QStringLiteral("n"), 3);
    const QJsonObject object = objectFromVariant(map);
    QCOMPARE(object.value(QStringLiteral("name")).toString(), QStringLiteral("x"));
    QCOMPARE(object.value(QStringLiteral("n")).toInt(), 3);

    const QJsonDocument document = documentFromVariant(QVariantList{1, 2});
    QVERIFY(document.isArray());
    QCOMPARE(document.array().size(), 2);

    QCOMPARE(variantToByteArray(QVariant(QStringLiteral("abc"))), QByteArray("abc"));
    QCOMPARE(::variantFromByteArray(QJsonDocument(object).toJson()).toMap().value(QStringLiteral("n")).toInt(), 3);
}

QTEST_MAIN(tst_TextForms)
#include "tst_textforms.moc"
