// Reading compound files made by the independent fixture writer, sound and
// broken ones.

#include "cfbfixture.h"
#include "cfbheader.h"
#include "cfbstorage.h"
#include "cfbstream.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using cfbfixture::Image;
using cfbfixture::pattern;

namespace {

std::string joined(const std::list<std::string> &l)
{
    std::string s;
    bool first = true;
    for (const std::string &x : l) {
        s += (first ? "" : ",") + x;
        first = false;
    }
    return s;
}

// An MPP-like file: a CompObj stream stored with its 0x01 prefix, a version
// storage three levels deep, small and big streams.
cfbfixture::Builder sampleFile()
{
    cfbfixture::Builder b;
    b.addStream("\x01" "CompObj", pattern(90, 1));
    b.addStream("   114/TBkndTask/FixedMeta", pattern(300, 2));
    b.addStream("   114/TBkndTask/Var2Data", pattern(5000, 3));
    b.addStream("   114/Props", pattern(4095, 4));
    b.addStream("   114/Big", pattern(4096, 5));
    b.addStream("   114/Empty", std::vector<uint8_t>());
    b.addStorage("Empty storage");
    return b;
}

} // namespace

using Patch = std::function<void(Image &)>;
Q_DECLARE_METATYPE(Patch)

class tst_CfbReader : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::string path(const char *name) const { return m_dir.filePath(name).toStdString(); }

    // Opens the file, walks every storage and reads every stream; the
    // number of bytes read.
    static uint64_t readEverything(cfb::Storage &s)
    {
        uint64_t total = 0;
        std::vector<unsigned char> buf(1 << 16);
        for (const std::string &p : s.GetAllStreams("/")) {
            s.entries(p);
            cfb::Stream st(&s, p);
            uint64_t n;
            while ((n = st.read(buf.data(), buf.size())) > 0)
                total += n;
            st.seek(0);
            for (int i = 0; i < 10 && st.getch() >= 0; ++i) {
            }
        }
        return total;
    }

private slots:
    void openResult_data()
    {
        QTest::addColumn<Patch>("patch");
        QTest::addColumn<int>("result");
        auto h32 = [](size_t off, uint32_t v) { return Patch([=](Image &i) { i.set32(off, v); }); };
        auto h16 = [](size_t off, uint32_t v) { return Patch([=](Image &i) { i.set16(off, v); }); };
        QTest::addRow("sound") << Patch([](Image &) {}) << 0;
        QTest::addRow("bad magic") << Patch([](Image &i) { i.bytes[7] = 0; }) << 2;
        QTest::addRow("empty file") << Patch([](Image &i) { i.truncate(0); }) << 2;
        QTest::addRow("magic only") << Patch([](Image &i) { i.truncate(8); }) << 3;
        QTest::addRow("threshold 4097") << h32(cfbfixture::Threshold, 4097) << 3;
        QTest::addRow("num_bat 0") << h32(cfbfixture::NumBat, 0) << 3;
        QTest::addRow("num_bat 100, num_mbat 1")
            << Patch([](Image &i) { i.set32(cfbfixture::NumBat, 100); i.set32(cfbfixture::NumMbat, 1); })
            << 3;
        QTest::addRow("s_shift above b_shift") << h16(cfbfixture::SShift, 10) << 3;
        QTest::addRow("b_shift 6") << h16(cfbfixture::BShift, 6) << 3;
        QTest::addRow("b_shift 31") << h16(cfbfixture::BShift, 31) << 3;
        // The file holds no block of 2^30 bytes.
        QTest::addRow("b_shift 30") << h16(cfbfixture::BShift, 30) << 3;
        QTest::addRow("num_bat beyond the file") << h32(cfbfixture::NumBat, 0xFFFFFFFF) << 3;
        QTest::addRow("num_mbat beyond the file")
            << Patch([](Image &i) { i.set32(cfbfixture::NumBat, 110); i.set32(cfbfixture::NumMbat, 0xFFFFFFF0); })
            << 3;
        QTest::addRow("num_bat above 109 without meta-BAT") << h32(cfbfixture::NumBat, 110) << 3;
    }
    void openResult()
    {
        QFETCH(Patch, patch);
        QFETCH(int, result);
        cfbfixture::Builder b = sampleFile();
        b.addStream("filler", pattern(120 * 512, 9)); // enough blocks for 110 BAT blocks
        Image img = b.build();
        patch(img);
        QVERIFY(img.writeTo(path("open.cfb")));
        cfb::Storage s(path("open.cfb").c_str());
        QCOMPARE(s.result(), 0);
        QCOMPARE(s.open(), result == 0);
        QCOMPARE(s.result(), result);
        QCOMPARE(s.exists("/"), result == 0);
    }

    void headerTest()
    {
        cfb::Header h;
        h.num_bat = 1;
        for (uint64_t shift : { 7, 9, 30 }) {
            h.b_shift = shift;
            QVERIFY(h.valid());
        }
        cfb::Storage missing(path("does-not-exist.cfb").c_str());
        QVERIFY(!missing.open());
        QCOMPARE(missing.result(), 1);
    }

    void paths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("isDir");
        QTest::addColumn<QString>("entries");
        QTest::addRow("root") << "/" << true << true << "   114,CompObj,Empty storage";
        QTest::addRow("empty path") << "" << false << false << "";
        QTest::addRow("prefixed name") << "/CompObj" << true << false << "";
        QTest::addRow("relative") << "CompObj" << true << false << "";
        QTest::addRow("stored name") << "\x01" "CompObj" << false << false << "";
        QTest::addRow("storage") << "   114" << true << true << "Big,Empty,Props,TBkndTask";
        QTest::addRow("three levels") << "   114/TBkndTask/FixedMeta" << true << false << "";
        QTest::addRow("trailing slash") << "/   114/TBkndTask/" << true << true
                                        << "Var2Data,FixedMeta";
        QTest::addRow("empty piece") << "   114//TBkndTask" << false << false << "";
        QTest::addRow("case differs") << "compobj" << false << false << "";
        QTest::addRow("missing") << "   114/Nothing" << false << false << "";
        QTest::addRow("below a stream") << "CompObj/x" << false << false << "";
        QTest::addRow("storage without children") << "Empty storage" << true << true << "";
    }
    void paths()
    {
        QFETCH(QString, path);
        QFETCH(bool, exists);
        QFETCH(bool, isDir);
        QFETCH(QString, entries);
        QVERIFY(sampleFile().writeTo(this->path("paths.cfb")));
        cfb::Storage s(this->path("paths.cfb").c_str());
        QVERIFY(s.open());
        const std::string p = path.toStdString();
        QCOMPARE(s.exists(p), exists);
        QCOMPARE(s.isDirectory(p), isDir);
        QCOMPARE(QString::fromStdString(joined(s.entries(p))), entries);
    }

    void readStream_data()
    {
        QTest::addColumn<int>("size");
        for (int n : { 0, 1, 63, 64, 65, 4095, 4096, 4097, 70000 })
            QTest::addRow("%d bytes", n) << n;
    }
    void readStream()
    {
        QFETCH(int, size);
        cfbfixture::Builder b;
        b.addStream("x", pattern(64, 1)); // the container does not start at block 0
        b.addStream("dir/s", pattern(size_t(size), 7));
        b.addStream("y", pattern(5000, 2));
        QVERIFY(b.writeTo(path("read.cfb")));
        cfb::Storage s(path("read.cfb").c_str());
        QVERIFY(s.open());
        cfb::Stream st(&s, "dir/s");
        QVERIFY(st.isOpen());
        QCOMPARE(st.fullName(), std::string("dir/s"));
        QCOMPARE(st.size(), (unsigned long long)size);
        const std::vector<uint8_t> want = pattern(size_t(size), 7);

        std::vector<uint8_t> got(size_t(size) + 100, 0xAA);
        QCOMPARE(st.read(got.data(), got.size()), (unsigned long long)size);
        QCOMPARE(st.tell(), (unsigned long long)size);
        QVERIFY(std::equal(want.begin(), want.end(), got.begin()));
        QCOMPARE(st.read(got.data(), 10), 0ull);
        QCOMPARE(st.tell(), (unsigned long long)size);
        QVERIFY(!st.eof());
        QVERIFY(!st.fail());

        // Byte-wise through the cache, across its 4096-byte refills.
        st.seek(0);
        std::vector<uint8_t> bytes;
        int c;
        while ((c = st.getch()) != -1)
            bytes.push_back(uint8_t(c));
        QVERIFY(bytes == want);
        if (size > 4096) {
            st.seek(4095);
            QCOMPARE(st.getch(), int(want[4095]));
            QCOMPARE(st.getch(), int(want[4096]));
            st.seek(4094);
            QCOMPARE(st.getch(), int(want[4094]));
        }
        // Reads from the middle, across block boundaries.
        if (size > 600) {
            st.seek(500);
            QCOMPARE(st.read(got.data(), 100), 100ull);
            QVERIFY(std::equal(want.begin() + 500, want.begin() + 600, got.begin()));
        }
        st.seek(size + 10);
        QCOMPARE(st.read(got.data(), 10), 0ull);
        QCOMPARE(st.getch(), -1);
    }

    void streamNotOpen()
    {
        QVERIFY(sampleFile().writeTo(path("notopen.cfb")));
        auto s = std::make_unique<cfb::Storage>(path("notopen.cfb").c_str());
        QVERIFY(s->open());
        for (const char *p : { "missing", "", "/", "   114", "   114/TBkndTask" }) {
            cfb::Stream st(s.get(), p);
            unsigned char buf[4];
            QVERIFY2(!st.isOpen(), p);
            QCOMPARE(st.size(), 0ull);
            QCOMPARE(st.tell(), 0ull);
            QCOMPARE(st.read(buf, 4), 0ull);
            QCOMPARE(st.getch(), -1);
            QVERIFY(!st.eof());
            QVERIFY(st.fail());
            QCOMPARE(st.fullName(), std::string());
        }
        // A stream outliving its storage stops reading instead of touching
        // freed memory.
        cfb::Stream st(s.get(), "   114/Props");
        QCOMPARE(st.size(), 4095ull);
        s.reset();
        unsigned char buf[4];
        QVERIFY(!st.isOpen());
        QCOMPARE(st.read(buf, 4), 0ull);
        QCOMPARE(st.getch(), -1);
    }

    // Other writers order names of equal length ignoring case; a chain of
    // siblings is a valid but degenerate tree. Every name is found exactly.
    void siblingOrders_data()
    {
        QTest::addColumn<int>("order");
        QTest::addRow("balanced") << int(cfbfixture::Siblings::Balanced);
        QTest::addRow("case-insensitive") << int(cfbfixture::Siblings::CaseInsensitive);
        QTest::addRow("chain") << int(cfbfixture::Siblings::Chain);
    }
    void siblingOrders()
    {
        QFETCH(int, order);
        cfbfixture::Builder b;
        b.setSiblings(cfbfixture::Siblings(order));
        const char *names[] = { "abc", "ABD", "aBa", "Zzz", "zzz", "_x_", "b", "B", "long name" };
        int i = 0;
        for (const char *n : names)
            b.addStream(std::string("d/") + n, pattern(10, unsigned(i++)));
        QVERIFY(b.writeTo(path("order.cfb")));
        cfb::Storage s(path("order.cfb").c_str());
        QVERIFY(s.open());
        QCOMPARE(int(s.entries("d").size()), int(std::size(names)));
        i = 0;
        for (const char *n : names) {
            cfb::Stream st(&s, std::string("/d/") + n);
            QVERIFY2(st.isOpen(), n);
            QCOMPARE(st.getch(), int(pattern(10, unsigned(i++))[0]));
        }
        QVERIFY(!s.exists("d/ABC"));
    }

    void hostile_data()
    {
        QTest::addColumn<Patch>("patch");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("entries"); // of "/"
        QTest::addColumn<int>("aByte");        // first byte of stream "a"
        const QString all = "a,big,dir";
        QTest::addRow("cyclic FAT") << Patch([](Image &i) {
            const uint32_t first = i.startBlock.at("big");
            i.set32(i.batEntryOffset(first + 2), first);
        }) << 0 << all << 13;
        QTest::addRow("FAT entry to itself") << Patch([](Image &i) {
            i.set32(i.batEntryOffset(i.startBlock.at("big")), i.startBlock.at("big"));
        }) << 0 << all << 13;
        QTest::addRow("cyclic SBAT") << Patch([](Image &i) {
            i.set32(i.blockOffset(i.sbatBlocks[0]) + 4, 0);
        }) << 0 << all << 13;
        QTest::addRow("cyclic directory chain") << Patch([](Image &i) {
            i.set32(i.batEntryOffset(i.dirBlocks.back()), i.dirBlocks.front());
        }) << 0 << all << 13;
        QTest::addRow("sibling to itself") << Patch([](Image &i) {
            i.set32(i.entryField("big", cfbfixture::Next), i.entryIndex.at("big"));
        }) << 0 << "a,big" << 13;
        QTest::addRow("sibling cycle") << Patch([](Image &i) {
            i.set32(i.entryField("dir", cfbfixture::Prev), i.entryIndex.at("big"));
            i.set32(i.entryField("big", cfbfixture::Next), i.entryIndex.at("dir"));
        }) << 0 << "a,big,dir" << 13;
        QTest::addRow("child cycle") << Patch([](Image &i) {
            i.set32(i.entryField("dir/s1", cfbfixture::Child), i.entryIndex.at("dir"));
            i.set32(i.entryField("dir", cfbfixture::Child), i.entryIndex.at("dir"));
        }) << 0 << all << 13;
        QTest::addRow("links out of range") << Patch([](Image &i) {
            i.set32(i.entryField("big", cfbfixture::Prev), 0x7FFFFFFF);
            i.set32(i.entryField("big", cfbfixture::Next), 0xFFFFFFFD);
            i.set32(i.entryField("dir", cfbfixture::Child), 0);
        }) << 0 << "big" << -1;
        QTest::addRow("huge stream size") << Patch([](Image &i) {
            i.set32(i.entryField("big", cfbfixture::Size), 0xFFFFFFFF);
        }) << 0 << all << 13;
        QTest::addRow("name length 0") << Patch([](Image &i) {
            i.set16(i.entryField("a", cfbfixture::NameLength), 0);
        }) << 0 << ",big,dir" << -1;
        QTest::addRow("name length 100") << Patch([](Image &i) {
            i.set16(i.entryField("a", cfbfixture::NameLength), 100);
        }) << 0 << all << 13;
        QTest::addRow("empty directory chain") << Patch([](Image &i) {
            i.set32(cfbfixture::DirentStart, cfbfixture::kEnd);
        }) << 0 << "" << -1;
        QTest::addRow("directory start past the end") << Patch([](Image &i) {
            i.set32(cfbfixture::DirentStart, 0x00FFFFFF);
        }) << 0 << "" << -1;
        QTest::addRow("BAT block past the end") << Patch([](Image &i) {
            i.set32(cfbfixture::BatSlots, 0x00FFFFFF);
        }) << 0 << all << 13;
        QTest::addRow("cut in a stream") << Patch([](Image &i) {
            i.truncate(i.blockOffset(i.startBlock.at("big")) + 700);
        }) << 0 << all << 13;
        QTest::addRow("cut in the directory") << Patch([](Image &i) {
            i.truncate(i.dirEntryOffset(3) + 10);
        }) << 0 << "a,big," << 0; // the container is cut too
        QTest::addRow("cut after the header") << Patch([](Image &i) { i.truncate(600); })
                                              << 3 << "" << -1;
        QTest::addRow("cyclic meta-BAT") << Patch([](Image &i) {
            const uint32_t m = i.metaBatBlocks.at(0);
            i.set32(i.blockOffset(m) + 508, m);
            i.set32(cfbfixture::NumBat, 260);
            i.set32(cfbfixture::NumMbat, 3);
        }) << 0 << all << 13;
        QTest::addRow("meta-BAT past the end") << Patch([](Image &i) {
            i.set32(cfbfixture::MbatStart, 0x00FFFFFF);
        }) << 0 << all << 13;
        QTest::addRow("container past the end") << Patch([](Image &i) {
            i.set32(i.dirEntryOffset(0) + cfbfixture::Start, 0x00FFFFFF);
        }) << 0 << all << -1;
    }
    void hostile()
    {
        QFETCH(Patch, patch);
        QFETCH(int, result);
        QFETCH(QString, entries);
        QFETCH(int, aByte);
        cfbfixture::Builder b;
        b.setMinBatBlocks(240); // brings in two meta-BAT blocks
        b.addStream("a", pattern(100, 1));
        b.addStream("big", pattern(5000, 2));
        b.addStream("dir/s1", pattern(10, 3));
        b.addStream("dir/s2", pattern(9000, 4));
        Image img = b.build();
        patch(img);
        QVERIFY(img.writeTo(path("hostile.cfb")));
        cfb::Storage s(path("hostile.cfb").c_str());
        s.open();
        QCOMPARE(s.result(), result);
        QCOMPARE(QString::fromStdString(joined(s.entries("/"))), entries);
        const uint64_t total = readEverything(s);
        QVERIFY(total <= 0xFFFFFFFFull + 20000);
        cfb::Stream a(&s, "a");
        QCOMPARE(a.getch(), aByte);
    }

    // Bytes in reach read as written: a cut file reads the rest as zeros,
    // a cycle ends the chain where it would come back (three blocks).
    void damagedChain_data()
    {
        QTest::addColumn<Patch>("patch");
        QTest::addColumn<int>("readCount");
        QTest::addColumn<int>("validBytes");
        QTest::addRow("cut") << Patch([](Image &i) { i.truncate(i.blockOffset(i.startBlock.at("big")) + 700); })
                             << 5000 << 700;
        QTest::addRow("cycle") << Patch([](Image &i) {
            i.set32(i.batEntryOffset(i.startBlock.at("big") + 2), i.startBlock.at("big"));
        }) << 3 * 512 << 3 * 512;
    }
    void damagedChain()
    {
        QFETCH(Patch, patch);
        QFETCH(int, readCount);
        QFETCH(int, validBytes);
        cfbfixture::Builder b;
        b.addStream("big", pattern(5000, 2));
        Image img = b.build();
        patch(img);
        QVERIFY(img.writeTo(path("damaged.cfb")));
        cfb::Storage s(path("damaged.cfb").c_str());
        QVERIFY(s.open());
        std::vector<uint8_t> got(5000, 0xAA);
        QCOMPARE(cfb::Stream(&s, "big").read(got.data(), got.size()), (unsigned long long)readCount);
        const std::vector<uint8_t> want = pattern(5000, 2);
        QVERIFY(std::equal(want.begin(), want.begin() + validBytes, got.begin()));
        QVERIFY(std::all_of(got.begin() + validBytes, got.begin() + readCount, [](uint8_t c) { return !c; }));
    }

    // A valid directory whose 100,000 streams hang in one chain of
    // siblings: listed and opened by path without recursion or a linear
    // search per name.
    void longSiblingChain()
    {
        cfbfixture::Builder b;
        b.setSiblings(cfbfixture::Siblings::Chain);
        const int n = 100000;
        for (int i = 0; i < n; ++i)
            b.addStream("s/" + std::to_string(i), std::vector<uint8_t>(1, uint8_t(i)));
        QVERIFY(b.writeTo(path("chain.cfb")));
        cfb::Storage s(path("chain.cfb").c_str());
        QVERIFY(s.open());
        QCOMPARE(int(s.entries("s").size()), n);
        QCOMPARE(int(s.GetAllStreams("/").size()), n);
        for (int i = 0; i < n; ++i) {
            cfb::Stream st(&s, "s/" + std::to_string(i));
            if (st.getch() != (i & 0xFF))
                QFAIL(qPrintable(QString("stream %1").arg(i)));
        }
    }
};

QTEST_APPLESS_MAIN(tst_CfbReader)
#include "tst_cfbreader.moc"
