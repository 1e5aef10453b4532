#include "imagelimit.h"
#include "memoryroom.h"

#include <QtTest>

#include <sys/resource.h>

#include <cstring>

// The room that snip and print ask for before they draw their pictures.
class tst_ImageLimit : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cellLimit();
    void room_data();
    void room();
    void machineRoom_data();
    void machineRoom();
    void heapOfLastPicture_data();
    void heapOfLastPicture();
};

// The first picture asks as well for what its dialog keeps to the end of
// the process; the pictures after it find that kept.
void tst_ImageLimit::initTestCase()
{
    const qint64 room = ImageLimit::roomFor(0);
    const qint64 kept = qint64(48) << 20;
    const auto unbound = qScopeGuard([] { memoryroom::setCeiling(-1); });
    memoryroom::setCeiling(room + kept - 1);
    QVERIFY(!ImageLimit::hasRoom(0));
    memoryroom::setCeiling(room + kept);
    QVERIFY(ImageLimit::hasRoom(0));
    memoryroom::setCeiling(room);
    QVERIFY(ImageLimit::hasRoom(0));
}

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

void tst_ImageLimit::machineRoom_data()
{
    QTest::addColumn<QStringList>("files"); // a path below the root, a tab, its text
    QTest::addColumn<qint64>("freeMib"); // -1: nothing tells
    const QString meminfo = QStringLiteral("proc/meminfo\tMemTotal: 8388608 kB\nMemAvailable: %1 kB\nSwapFree: %2 kB\n");
    const QString plenty = meminfo.arg(8 << 20).arg(0);
    const QString v1 = QStringLiteral("proc/self/mountinfo\t31 23 0:28 / /sys/fs/cgroup rw - tmpfs tmpfs rw\n"
                                      "35 31 0:32 / /sys/fs/cgroup/memory rw - cgroup cgroup rw,memory\n");
    const QString v2 = QStringLiteral("proc/self/mountinfo\t30 23 0:26 %1 /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n");
    QTest::addRow("nothing tells") << QStringList() << qint64(-1);
    QTest::addRow("free swap") << QStringList{meminfo.arg(80 << 10).arg(20 << 10)} << qint64(100);
    QTest::addRow("v1 group limit") << QStringList{plenty, v1, "proc/self/cgroup\t4:memory:/viewer\n0::/\n",
            "sys/fs/cgroup/memory/memory.limit_in_bytes\t9223372036854771712",
            "sys/fs/cgroup/memory/viewer/memory.limit_in_bytes\t314572800",
            "sys/fs/cgroup/memory/viewer/memory.usage_in_bytes\t209715200"} << qint64(100);
    QTest::addRow("v2 parent's limit") << QStringList{plenty, v2.arg("/"), "proc/self/cgroup\t0::/user/viewer\n",
            "sys/fs/cgroup/user/viewer/memory.max\tmax\n", "sys/fs/cgroup/user/viewer/memory.current\t52428800\n",
            "sys/fs/cgroup/user/memory.max\t1073741824\n", "sys/fs/cgroup/user/memory.current\t968884224\n"}
                                       << qint64(100);
    // The page cache of files read before is taken back for the limit.
    QTest::addRow("v1 group's file cache") << QStringList{plenty, v1, "proc/self/cgroup\t4:memory:/viewer\n0::/\n",
            "sys/fs/cgroup/memory/viewer/memory.limit_in_bytes\t314572800",
            "sys/fs/cgroup/memory/viewer/memory.usage_in_bytes\t262144000",
            "sys/fs/cgroup/memory/viewer/memory.stat\tcache 1\nactive_file 9\ntotal_active_file 52428800\n"
            "total_inactive_file 104857600\n"} << qint64(200);
    QTest::addRow("v2 mounted at its group") << QStringList{meminfo.arg(150 << 10).arg(0), v2.arg("/box"),
            "proc/self/cgroup\t0::/box\n", "sys/fs/cgroup/memory.max\t314572800\n",
            "sys/fs/cgroup/memory.current\t104857600\n"} << qint64(150);
    // The kernel writes a blank in a path as "\040".
    QTest::addRow("blanks in mount paths") << QStringList{plenty,
            "proc/self/mountinfo\t30 23 0:26 /my\\040box /sys/fs/my\\040groups rw - cgroup2 cgroup2 rw\n",
            "proc/self/cgroup\t0::/my box/viewer\n", "sys/fs/my groups/viewer/memory.max\t314572800\n",
            "sys/fs/my groups/viewer/memory.current\t209715200\n"} << qint64(100);
    // A group whose path is longer than a path can be is not read; the
    // other one is.
    QTest::addRow("mount point beyond a path") << QStringList{plenty,
            v1 + QStringLiteral("30 23 0:26 / /%1 rw - cgroup2 cgroup2 rw\n").arg(QString(5000, QLatin1Char('m'))),
            "proc/self/cgroup\t4:memory:/viewer\n0::/viewer\n",
            "sys/fs/cgroup/memory/viewer/memory.limit_in_bytes\t314572800",
            "sys/fs/cgroup/memory/viewer/memory.usage_in_bytes\t209715200"} << qint64(100);
    // Counts past 64 bits are the most there can be: a cache larger than
    // the usage leaves the whole limit.
    const QString most = QString::number(std::numeric_limits<qint64>::max());
    QTest::addRow("counts beyond 64 bits") << QStringList{meminfo.arg(qint64(1) << 53).arg(qint64(1) << 53), v1,
            "proc/self/cgroup\t4:memory:/viewer\n0::/\n",
            "sys/fs/cgroup/memory/viewer/memory.limit_in_bytes\t314572800",
            "sys/fs/cgroup/memory/viewer/memory.usage_in_bytes\t209715200",
            "sys/fs/cgroup/memory/viewer/memory.stat\ttotal_active_file " + most + "\ntotal_inactive_file " + most
                    + "\n"} << qint64(300);
}

// The machine's free memory and the control group's limit bound every
// check: what does not fit is refused at once, however the process's
// address space stands.
void tst_ImageLimit::machineRoom()
{
    QFETCH(QStringList, files);
    QFETCH(qint64, freeMib);
    QTemporaryDir root;
    for (const QString &entry : files) {
        const QString path = root.filePath(entry.section(QLatin1Char('\t'), 0, 0));
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(entry.section(QLatin1Char('\t'), 1).toUtf8());
    }
    memoryroom::setSystemRoot(QFile::encodeName(root.path()).constData());
    const auto unroot = qScopeGuard([] { memoryroom::setSystemRoot(nullptr); });
    const qint64 free = freeMib < 0 ? -1 : freeMib << 20;
    QCOMPARE(memoryroom::freeMemory(), free);
    // Chart tiles of 1 KiB over the 64 MiB of drawing and printing.
    const qint64 tiles = freeMib < 0 ? 1000 : (free - ImageLimit::roomFor(0)) / 1024;
    QVERIFY(ImageLimit::hasRoom(tiles));
    QCOMPARE(ImageLimit::hasRoom(tiles + 1), freeMib < 0);
}

void tst_ImageLimit::heapOfLastPicture_data()
{
    QTest::addColumn<int>("freedMib"); // small blocks freed below one kept
    QTest::addColumn<int>("leftMib"); // left under the limit
    QTest::addColumn<qint64>("tableTiles"); // beside 96 Ki chart tiles
    QTest::addColumn<bool>("room");
    // 96 MiB of chart tiles and 64 MiB of working set: the tiles fit in the
    // freed heap, the working set is mapped anew.
    QTest::addRow("a picture's heap freed") << 96 << 80 << qint64(0) << true;
    QTest::addRow("no room for the working set") << 160 << 48 << qint64(0) << false;
    // Beside them 8 Ki table tiles of 7 KiB: their images take the freed
    // heap, their pixels (6 KiB a tile) are mapped anew.
    QTest::addRow("a table's pixels") << 160 << 120 << qint64(8 << 10) << true;
    QTest::addRow("no room for a table's pixels") << 160 << 80 << qint64(8 << 10) << false;
}

// Under an address-space limit, the heap's freed address space that a
// picture left below blocks made later is room for the next one's tiles.
void tst_ImageLimit::heapOfLastPicture()
{
#if defined(__SANITIZE_ADDRESS__) || !defined(__GLIBC__)
    QSKIP("only glibc's heaps keep freed address space");
#endif
    QFETCH(int, freedMib);
    QFETCH(int, leftMib);
    QFETCH(qint64, tableTiles);
    QFETCH(bool, room);
    std::vector<void *> freed(size_t(freedMib) * 1024);
    for (void *&block : freed)
        block = std::memset(std::malloc(1024), 1, 1024);
    const std::unique_ptr<void, void (*)(void *)> pin(std::memset(std::malloc(1024), 1, 1024), std::free);
    for (void *block : freed)
        std::free(block);
    QFile statm(QStringLiteral("/proc/self/statm")); // first the pages mapped
    QVERIFY(statm.open(QIODevice::ReadOnly));
    const qint64 mapped = statm.readAll().split(' ').value(0).toLongLong() * 4096;
    rlimit before{};
    QCOMPARE(getrlimit(RLIMIT_AS, &before), 0);
    const rlimit limit{rlim_t(mapped + (qint64(leftMib) << 20)), before.rlim_max};
    QCOMPARE(setrlimit(RLIMIT_AS, &limit), 0);
    const bool hasRoom = ImageLimit::hasRoom(qint64(96) << 10, tableTiles);
    setrlimit(RLIMIT_AS, &before);
    QCOMPARE(hasRoom, room);
}

QTEST_APPLESS_MAIN(tst_ImageLimit)
#include "tst_imagelimit.moc"
