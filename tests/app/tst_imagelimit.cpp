#include "imagelimit.h"
#include "memoryroom.h"

#include <QtTest>

// The byte count that decides whether snip and print may draw a picture.
class tst_ImageLimit : public QObject
{
    Q_OBJECT
private slots:
    void bytes_data();
    void bytes();
};

void tst_ImageLimit::bytes_data()
{
    QTest::addColumn<qint64>("width");
    QTest::addColumn<qint64>("height");
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<bool>("fits");
    QTest::addRow("exactly 1 GB") << qint64(16384) << qint64(16384) << (qint64(1) << 30) << true;
    QTest::addRow("one row more") << qint64(16384) << qint64(16385) << (qint64(1) << 30) + 65536 << false;
    QTest::addRow("one pixel under") << qint64(268435455) << qint64(1) << (qint64(1) << 30) - 4 << true;
    QTest::addRow("one pixel over") << qint64(268435457) << qint64(1) << (qint64(1) << 30) + 4 << false;
    // 2,999,999 default cells of 25 x 22 pixels: far more than memory holds.
    QTest::addRow("2,999,999 cells") << qint64(2999999) * 25 << qint64(22) << qint64(2999999) * 2200 << false;
    QTest::addRow("empty") << qint64(0) << qint64(500) << qint64(0) << true;
    QTest::addRow("negative") << qint64(-5) << qint64(500) << qint64(0) << true;
    QTest::addRow("beyond 64 bits") << (qint64(1) << 40) << (qint64(1) << 40)
                                    << std::numeric_limits<qint64>::max() << false;
}

void tst_ImageLimit::bytes()
{
    QFETCH(qint64, width);
    QFETCH(qint64, height);
    QFETCH(qint64, bytes);
    QFETCH(bool, fits);
    QCOMPARE(ImageLimit::pictureBytes(width, height), bytes);
    QCOMPARE(ImageLimit::fits(bytes), fits);
    // Table and chart together: each under the limit may still be too much.
    const qint64 half = ImageLimit::kMaxBytes / 2;
    QCOMPARE(ImageLimit::fits(bytes, half), fits && bytes <= half);

    // The room asked for 1,000 tiles: the pixels and an eighth, 1 KiB a
    // tile, 64 MiB to draw them; all there is for a picture that does not fit.
    const qint64 room = ImageLimit::roomFor(bytes, 1000);
    QCOMPARE(room, fits ? bytes + bytes / 8 + 1000 * 1024 + (qint64(64) << 20)
                        : std::numeric_limits<qint64>::max());
    memoryroom::setCeiling(fits ? room - 1 : -1);
    QVERIFY(!ImageLimit::hasRoom(bytes, 1000));
    memoryroom::setCeiling(fits ? room : -1);
    QCOMPARE(ImageLimit::hasRoom(bytes, 1000), fits);
    memoryroom::setCeiling(-1);
}

QTEST_APPLESS_MAIN(tst_ImageLimit)
#include "tst_imagelimit.moc"
