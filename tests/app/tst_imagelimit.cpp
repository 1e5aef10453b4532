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
    QTest::addColumn<qint64>("tiles");
    QTest::addColumn<qint64>("room"); // -1: more than there can be
    // 1 KiB a tile, 64 MiB to draw them.
    QTest::addRow("none") << qint64(0) << (qint64(64) << 20);
    QTest::addRow("1,000 tiles") << qint64(1000) << 1000 * 1024 + (qint64(64) << 20);
    // 2,999,999 chart cells and a table beside them.
    QTest::addRow("largest chart") << qint64(3999999) << qint64(3999999) * 1024 + (qint64(64) << 20);
    QTest::addRow("negative") << qint64(-1) << qint64(-1);
    QTest::addRow("beyond 64 bits") << (qint64(1) << 60) << qint64(-1);
}

void tst_ImageLimit::room()
{
    QFETCH(qint64, tiles);
    QFETCH(qint64, room);
    const qint64 asked = ImageLimit::roomFor(tiles);
    if (room < 0) {
        QCOMPARE(asked, std::numeric_limits<qint64>::max());
        QVERIFY(!ImageLimit::hasRoom(tiles));
        return;
    }
    QCOMPARE(asked, room);
    memoryroom::setCeiling(room - 1);
    QVERIFY(!ImageLimit::hasRoom(tiles));
    memoryroom::setCeiling(room);
    QVERIFY(ImageLimit::hasRoom(tiles));
    memoryroom::setCeiling(-1);
}

QTEST_APPLESS_MAIN(tst_ImageLimit)
#include "tst_imagelimit.moc"
