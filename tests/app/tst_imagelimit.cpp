#include "imagelimit.h"
#include "memoryroom.h"

#include <QtTest>

// The room that snip and print ask for before they draw their pictures.
class tst_ImageLimit : public QObject
{
    Q_OBJECT
private slots:
    void cellLimit();
    void room_data();
    void room();
};

// The largest chart drawn, and the smallest refused.
void tst_ImageLimit::cellLimit()
{
    QVERIFY(!ImageLimit::tooLarge(qint64(2999999)));
    QVERIFY(ImageLimit::tooLarge(qint64(3000000)));
}

void tst_ImageLimit::room_data()
{
    QTest::addColumn<qint64>("chartTiles");
    QTest::addColumn<qint64>("tableTiles");
    QTest::addColumn<qint64>("room"); // -1: more than there can be
    const qint64 workingSet = qint64(64) << 20;
    // 1 KiB a chart tile, 7 KiB a table tile, 64 MiB to draw and print.
    QTest::addRow("none") << qint64(0) << qint64(0) << workingSet;
    QTest::addRow("1,000 chart tiles") << qint64(1000) << qint64(0) << 1000 * 1024 + workingSet;
    QTest::addRow("1,000 table tiles") << qint64(0) << qint64(1000) << 1000 * 7168 + workingSet;
    // 110,000 rows at Year, 6 chart and 7 table columns: 5.8 GiB estimated,
    // 5.6 GiB measured.
    QTest::addRow("110,000 rows") << qint64(660006) << qint64(770007)
                                  << qint64(660006) * 1024 + qint64(770007) * 7168 + workingSet;
    // 2,999,999 chart cells and a table beside them.
    QTest::addRow("largest chart") << qint64(2999999) << qint64(1000000)
                                   << qint64(2999999) * 1024 + qint64(1000000) * 7168 + workingSet;
    QTest::addRow("negative") << qint64(-1) << qint64(0) << qint64(-1);
    QTest::addRow("negative table") << qint64(0) << qint64(-1) << qint64(-1);
    QTest::addRow("beyond 64 bits") << (qint64(1) << 60) << qint64(0) << qint64(-1);
    QTest::addRow("table beyond 64 bits") << qint64(0) << (qint64(1) << 60) << qint64(-1);
    // Each part fits, the sum would not.
    QTest::addRow("sum beyond 64 bits") << (qint64(1) << 52) << (qint64(1) << 49) << qint64(-1);
}

void tst_ImageLimit::room()
{
    QFETCH(qint64, chartTiles);
    QFETCH(qint64, tableTiles);
    QFETCH(qint64, room);
    const qint64 asked = ImageLimit::roomFor(chartTiles, tableTiles);
    if (room < 0) {
        QCOMPARE(asked, std::numeric_limits<qint64>::max());
        QVERIFY(!ImageLimit::hasRoom(chartTiles, tableTiles));
        return;
    }
    QCOMPARE(asked, room);
    memoryroom::setCeiling(room - 1);
    QVERIFY(!ImageLimit::hasRoom(chartTiles, tableTiles));
    memoryroom::setCeiling(room);
    QVERIFY(ImageLimit::hasRoom(chartTiles, tableTiles));
    memoryroom::setCeiling(-1);
}

QTEST_APPLESS_MAIN(tst_ImageLimit)
#include "tst_imagelimit.moc"
