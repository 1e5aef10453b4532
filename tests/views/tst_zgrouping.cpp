#include "zgrouping.h"

#include <QtTest>

class tst_ZGrouping : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void createGroup();
    void clearAndActive();
    void toVariantExample();
    void toVariantEmpty();
    void roundTrip_data();
    void roundTrip();
    void fromVariant_data();
    void fromVariant();
    void fromVariantAppends();
    void inactiveLevelsSkipped();
};

static QString dump(const Group &g)
{
    return QStringLiteral("%1|%2|%3:%4%5%6|%7|%8/%9")
        .arg(g.field, g.title, g.font.family())
        .arg(g.font.italic() ? QStringLiteral("i") : QString())
        .arg(g.font.underline() ? QStringLiteral("u") : QString())
        .arg(g.font.bold() ? QStringLiteral("b") : QString())
        .arg(g.color.name(QColor::HexArgb))
        .arg(g.brush.style() == Qt::NoBrush ? QStringLiteral("none") : QStringLiteral("solid"))
        .arg(g.brush.color().name(QColor::HexArgb));
}

void tst_ZGrouping::defaults()
{
    const Group g;
    QCOMPARE(dump(g), QStringLiteral("||MS Shell Dlg 2:b|#ffffffff|none/#ff000000"));
    QCOMPARE(g.font.weight(), int(QFont::Bold));

    const GroupStyle s;
    QCOMPARE(s.brush.style(), Qt::NoBrush);
    QCOMPARE(s.font.family(), QStringLiteral("MS Shell Dlg 2"));
    QCOMPARE(s.font.weight(), int(QFont::Bold));
    QCOMPARE(s.color, QColor(Qt::white));

    // A style is always bold, whatever font it is given.
    QFont light(QStringLiteral("Arial"));
    light.setWeight(QFont::Light);
    QCOMPARE(GroupStyle(QBrush(Qt::red), light, Qt::blue).font.weight(), int(QFont::Bold));
}

void tst_ZGrouping::createGroup()
{
    // Default font and invalid colour keep the level's bold white defaults.
    Group g = ZGrouping::createGroup(QBrush(Qt::red), QFont(), QColor(), QString(), QString());
    QCOMPARE(dump(g), QStringLiteral("||MS Shell Dlg 2:b|#ffffffff|solid/#ffff0000"));

    QFont arial(QStringLiteral("Arial"));
    arial.setItalic(true);
    g = ZGrouping::createGroup(QBrush(), arial, QColor(Qt::black), QStringLiteral("WBS Name"),
                               QStringLiteral("All"));
    QCOMPARE(dump(g), QStringLiteral("WBS Name|All|Arial:i|#ff000000|none/#ff000000"));

    ZGrouping grouping;
    grouping.addGroup(QStringLiteral("Start Date"), QStringLiteral("Month"), QFont(),
                      QColor(Qt::yellow), QBrush(Qt::blue));
    grouping.addGroup(QColor(60, 83, 111));
    QCOMPARE(grouping.size(), 2);
    QCOMPARE(dump(grouping.group(0)),
             QStringLiteral("Start Date|Month|MS Shell Dlg 2:b|#ffffff00|solid/#ff0000ff"));
    QCOMPARE(dump(grouping.group(1)),
             QStringLiteral("||MS Shell Dlg 2:b|#ffffffff|solid/#ff3c536f"));
}

void tst_ZGrouping::clearAndActive()
{
    ZGrouping grouping;
    QCOMPARE(grouping.size(), 0);
    QVERIFY(!grouping.anyActive());

    grouping.addGroup(QStringLiteral("A"), QStringLiteral("All"), QFont(), QColor(), QBrush(Qt::red));
    grouping.addGroup(QColor(Qt::green));
    grouping.addGroup(QStringLiteral("C"), QString(), QFont(), QColor(), QBrush(Qt::blue));
    QCOMPARE(grouping.size(), 3);
    QCOMPARE(grouping.size(true), 2);
    QVERIFY(grouping.anyActive());

    grouping.clear();
    QCOMPARE(grouping.size(), 3);
    QCOMPARE(grouping.size(true), 0);
    QVERIFY(!grouping.anyActive());
    QCOMPARE(grouping.group(0).title, QStringLiteral("All"));
    QCOMPARE(grouping.group(2).brush.color(), QColor(Qt::blue));

    // The pane's default grouping: ten inactive coloured levels.
    ZGrouping def;
    for (int i = 0; i < 10; ++i)
        def.addGroup(QColor(i, i, i));
    QCOMPARE(def.size(true), 0);
    QCOMPARE(def.createPalette().size(), 10);
    QCOMPARE(def.createPalette().at(3).brush.color(), QColor(3, 3, 3));
}

void tst_ZGrouping::toVariantExample()
{
    ZGrouping grouping;
    grouping.addGroup(QStringLiteral("Activity Type"), QStringLiteral("All"), QFont(),
                      QColor(), QBrush(QColor(60, 83, 111)));
    const QVariant v = grouping.toVariant();
    QCOMPARE(v.type(), QVariant::String);
    QCOMPARE(v.toString(),
             QStringLiteral("Activity Type;All;MS Shell Dlg 2:b;r255g255b255a255;r60g83b111a255"));

    grouping.addGroup(QColor(1, 2, 3, 4));
    QCOMPARE(grouping.toVariant().toString(),
             QStringLiteral("Activity Type;All;MS Shell Dlg 2:b;r255g255b255a255;r60g83b111a255,"
                            ";;MS Shell Dlg 2:b;r255g255b255a255;r1g2b3a4"));
}

void tst_ZGrouping::toVariantEmpty()
{
    ZGrouping grouping;
    QCOMPARE(grouping.toVariant().toString(), QString());
    ZGrouping back;
    back.fromVariant(grouping.toVariant());
    QCOMPARE(back.size(), 1);
    QVERIFY(!back.anyActive());
}

void tst_ZGrouping::roundTrip_data()
{
    QTest::addColumn<QString>("family");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<int>("weight");
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QBrush>("brush");
    QTest::addColumn<QString>("expected");

    QTest::addRow("plain") << "Arial" << false << false << int(QFont::Normal) << QColor(Qt::red)
                           << QBrush(QColor(0, 101, 169))
                           << "F|T|Arial:|#ffff0000|solid/#ff0065a9";
    QTest::addRow("all flags") << "Courier" << true << true << int(QFont::Black)
                               << QColor(10, 20, 30, 40) << QBrush(QColor(1, 2, 3, 128))
                               << "F|T|Courier:iub|#280a141e|solid/#80010203";
    QTest::addRow("demi-bold is bold") << "Arial" << false << false << int(QFont::DemiBold)
                                       << QColor(Qt::black) << QBrush(Qt::white)
                                       << "F|T|Arial:b|#ff000000|solid/#ffffffff";
    QTest::addRow("medium is not bold") << "Arial" << false << false << int(QFont::Medium)
                                        << QColor(Qt::black) << QBrush(Qt::white)
                                        << "F|T|Arial:|#ff000000|solid/#ffffffff";
    // A level without background comes back solid black.
    QTest::addRow("no brush") << "Arial" << false << true << int(QFont::Normal)
                              << QColor(Qt::white) << QBrush()
                              << "F|T|Arial:u|#ffffffff|solid/#ff000000";
    // The pattern does not travel, only the colour.
    QTest::addRow("pattern brush") << "Arial" << false << false << int(QFont::Normal)
                                   << QColor(Qt::white) << QBrush(Qt::green, Qt::Dense4Pattern)
                                   << "F|T|Arial:|#ffffffff|solid/#ff00ff00";
}

void tst_ZGrouping::roundTrip()
{
    QFETCH(QString, family);
    QFETCH(bool, italic);
    QFETCH(bool, underline);
    QFETCH(int, weight);
    QFETCH(QColor, color);
    QFETCH(QBrush, brush);
    QFETCH(QString, expected);

    QFont font(family, 17);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setWeight(weight);
    ZGrouping grouping;
    grouping.addGroup(ZGrouping::createGroup(brush, font, color, QStringLiteral("F"),
                                             QStringLiteral("T")));
    ZGrouping back;
    back.fromVariant(grouping.toVariant());
    QCOMPARE(back.size(), 1);
    QCOMPARE(dump(back.group(0)), expected);
    // The point size is not part of the string form.
    QVERIFY(back.group(0).font.pointSize() != 17);
}

void tst_ZGrouping::fromVariant_data()
{
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<QStringList>("expected");

    const QString def = QStringLiteral("||MS Shell Dlg 2:b|#ffffffff|none/#ff000000");
    QTest::addRow("empty") << QVariant(QString()) << QStringList{ def };
    QTest::addRow("invalid variant") << QVariant() << QStringList{ def };
    QTest::addRow("two empty levels") << QVariant(QStringLiteral(",")) << QStringList{ def, def };
    QTest::addRow("field only") << QVariant(QStringLiteral("WBS Name"))
                                << QStringList{ "WBS Name||MS Shell Dlg 2:b|#ffffffff|none/#ff000000" };
    QTest::addRow("field and title") << QVariant(QStringLiteral("WBS Name;To level 2"))
                                     << QStringList{ "WBS Name|To level 2|MS Shell Dlg 2:b|#ffffffff|none/#ff000000" };
    QTest::addRow("font without colon") << QVariant(QStringLiteral("A;B;Arial"))
                                        << QStringList{ "A|B|MS Shell Dlg 2:b|#ffffffff|none/#ff000000" };
    QTest::addRow("empty font") << QVariant(QStringLiteral("A;B;;r1g2b3a4"))
                                << QStringList{ "A|B|MS Shell Dlg 2:b|#04010203|none/#ff000000" };
    QTest::addRow("flags any order") << QVariant(QStringLiteral("A;B;Arial:bui"))
                                     << QStringList{ "A|B|Arial:iub|#ffffffff|none/#ff000000" };
    QTest::addRow("extra colons") << QVariant(QStringLiteral("A;B;Arial:b:i"))
                                  << QStringList{ "A|B|Arial:b|#ffffffff|none/#ff000000" };
    QTest::addRow("truncated colour") << QVariant(QStringLiteral("A;B;Arial:;r12g34"))
                                      << QStringList{ "A|B|Arial:|#ffffffff|none/#ff000000" };
    QTest::addRow("truncated brush") << QVariant(QStringLiteral("A;B;Arial:;r0g0b0a255;r60g83b"))
                                     << QStringList{ "A|B|Arial:|#ff000000|none/#ff000000" };
    QTest::addRow("garbage colour") << QVariant(QStringLiteral("A;B;Arial:;xyz;qqq"))
                                    << QStringList{ "A|B|Arial:|#ffffffff|none/#ff000000" };
    QTest::addRow("letters only") << QVariant(QStringLiteral("A;B;Arial:;rgba;rgba"))
                                  << QStringList{ "A|B|Arial:|#ffffffff|none/#ff000000" };
    QTest::addRow("non-numbers read as 0") << QVariant(QStringLiteral("A;B;Arial:;rXgYbZa255;r1g1b1aQ"))
                                           << QStringList{ "A|B|Arial:|#ff000000|solid/#00010101" };
    QTest::addRow("out of range ignored") << QVariant(QStringLiteral("A;B;Arial:;r999g-5b3a4000;r1g2b3a4"))
                                          << QStringList{ "A|B|Arial:|#ffffffff|solid/#04010203" };
    QTest::addRow("upper-case letters") << QVariant(QStringLiteral("A;B;Arial:;R1G2B3A4;"))
                                        << QStringList{ "A|B|Arial:|#ffffffff|none/#ff000000" };
    QTest::addRow("six pieces") << QVariant(QStringLiteral("A;B;Arial:u;r1g2b3a255;r4g5b6a255;junk"))
                                << QStringList{ "A|B|Arial:u|#ff010203|solid/#ff040506" };
    QTest::addRow("only separators") << QVariant(QStringLiteral(";;;;;;;,;;"))
                                     << QStringList{ "||MS Shell Dlg 2:b|#ffffffff|none/#ff000000",
                                                     "||MS Shell Dlg 2:b|#ffffffff|none/#ff000000" };
    QTest::addRow("three levels")
        << QVariant(QStringLiteral("WBS Name;All;MS Shell Dlg 2:b;r255g255b255a255;r60g83b111a255,"
                                   ";;MS Shell Dlg 2:b;r255g255b255a255;r0g101b169a255,"
                                   "Start Date;Year;Arial:i;r0g0b0a255;r170g204b235a255"))
        << QStringList{ "WBS Name|All|MS Shell Dlg 2:b|#ffffffff|solid/#ff3c536f",
                        "||MS Shell Dlg 2:b|#ffffffff|solid/#ff0065a9",
                        "Start Date|Year|Arial:i|#ff000000|solid/#ffaacceb" };
    QTest::addRow("non-string variant") << QVariant(42)
                                        << QStringList{ "42||MS Shell Dlg 2:b|#ffffffff|none/#ff000000" };
}

void tst_ZGrouping::fromVariant()
{
    QFETCH(QVariant, input);
    QFETCH(QStringList, expected);

    ZGrouping grouping;
    grouping.fromVariant(input);
    QStringList got;
    for (int i = 0; i < grouping.size(); ++i)
        got << dump(grouping.group(i));
    QCOMPARE(got, expected);
}

void tst_ZGrouping::fromVariantAppends()
{
    ZGrouping grouping;
    grouping.addGroup(QColor(Qt::red));
    grouping.fromVariant(QStringLiteral("A;All,B"));
    QCOMPARE(grouping.size(), 3);
    QCOMPARE(grouping.group(0).field, QString());
    QCOMPARE(grouping.group(1).field, QStringLiteral("A"));
    QCOMPARE(grouping.group(2).field, QStringLiteral("B"));
}

void tst_ZGrouping::inactiveLevelsSkipped()
{
    // Level 0 inactive, level 1 active: the active level groups and its
    // style paints the outermost bands.
    ZGrouping grouping;
    grouping.addGroup(QColor(Qt::red));
    grouping.addGroup(QStringLiteral("WBS Name"), QStringLiteral("All"), QFont(), QColor(Qt::black),
                      QBrush(Qt::blue));
    grouping.addGroup(QColor(Qt::green));
    grouping.addGroup(QStringLiteral("Activity Type"), QString(), QFont(), QColor(), QBrush(Qt::gray));

    const QList<Group> active = grouping.activeGroups();
    QCOMPARE(active.size(), 2);
    QCOMPARE(active.at(0).field, QStringLiteral("WBS Name"));
    QCOMPARE(active.at(1).field, QStringLiteral("Activity Type"));

    const QList<GroupStyle> palette = grouping.createPalette();
    QCOMPARE(palette.size(), 4);
    QCOMPARE(palette.at(0).brush.color(), QColor(Qt::blue));
    QCOMPARE(palette.at(0).color, QColor(Qt::black));
    QCOMPARE(palette.at(1).brush.color(), QColor(Qt::gray));
    QCOMPARE(palette.at(2).brush.color(), QColor(Qt::red));
    QCOMPARE(palette.at(3).brush.color(), QColor(Qt::green));
}

QTEST_MAIN(tst_ZGrouping)
#include "tst_zgrouping.moc"
