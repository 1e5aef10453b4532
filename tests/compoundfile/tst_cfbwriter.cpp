// Writing compound files: created and changed files read back through the
// cfb reader and through olefile, an independent reader used as a black box.

#include "cfballoctable.h"
#include "cfbdirtree.h"
#include "cfbfixture.h"
#include "cfbheader.h"
#include "cfbstorage.h"
#include "cfbstorageio.h"
#include "cfbstream.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <iostream>
#include <map>
#include <sstream>

using cfbfixture::pattern;

namespace {

uint32_t u32(const QByteArray &b, int off)
{
    return uint32_t(uint8_t(b[off])) | uint32_t(uint8_t(b[off + 1])) << 8
        | uint32_t(uint8_t(b[off + 2])) << 16 | uint32_t(uint8_t(b[off + 3])) << 24;
}

std::vector<uint8_t> readAll(cfb::Storage &s, const std::string &path)
{
    cfb::Stream st(&s, path);
    std::vector<uint8_t> v(st.size());
    v.resize(st.read(v.data(), v.size()));
    return v;
}

// "path size sha1" per stream, sorted: the form the olefile script prints.
QStringList listing(cfb::Storage &s)
{
    QStringList lines;
    for (const std::string &p : s.GetAllStreams("/")) {
        const std::vector<uint8_t> v = readAll(s, p);
        const QByteArray bytes(reinterpret_cast<const char *>(v.data()), int(v.size()));
        lines << QString("%1 %2 %3")
                     .arg(QString::fromStdString(p.substr(1)))
                     .arg(v.size())
                     .arg(QString(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1)
                                      .toHex()));
    }
    lines.sort();
    return lines;
}

std::string captured(const std::function<void()> &dump)
{
    std::ostringstream out;
    std::streambuf *old = std::cout.rdbuf(out.rdbuf());
    dump();
    std::cout.rdbuf(old);
    return out.str();
}

} // namespace

class tst_CfbWriter : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_python;
    std::string path(const char *name) const { return m_dir.filePath(name).toStdString(); }

    // The stream list olefile reads from the file, or a skip reason.
    QStringList olefileListing(const std::string &file, QString *skip)
    {
        if (m_python.isEmpty()) {
            *skip = "python3 with olefile not found (install python3-olefile)";
            return {};
        }
        QProcess p;
        p.start(m_python, { OLEFILE_SCRIPT, QString::fromStdString(file) });
        p.waitForFinished(60000);
        if (p.exitCode() != 0)
            return { "olefile failed: " + QString::fromUtf8(p.readAllStandardError()) };
        return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        for (const QString &py : { QString("/usr/bin/python3"), QString("python3") }) {
            QProcess p;
            p.start(py, { "-c", "import olefile" });
            if (p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit
                && p.exitCode() == 0) {
                m_python = py;
                break;
            }
        }
    }

    void createdFileLayout()
    {
        const std::string file = path("one.cfb");
        {
            cfb::Storage s(file.c_str());
            QVERIFY(s.open(true, true));
            QVERIFY(s.isWriteable());
            unsigned long long e, ue, bb, ubb, sb, usb;
            s.GetStats(&e, &ue, &bb, &ubb, &sb, &usb);
            QCOMPARE(QList<unsigned long long>({ e, ue, bb, ubb, sb, usb }),
                     QList<unsigned long long>({ 1, 0, 128, 124, 128, 128 }));
            cfb::Stream st(&s, "/hundred", true, 0);
            QVERIFY(st.isOpen());
            const std::vector<uint8_t> data = pattern(100, 1);
            QCOMPARE(st.write(data.data(), data.size()), 100ull);
            QVERIFY(st.flush());
        }
        QFile f(QString::fromStdString(file));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray b = f.readAll();
        QCOMPARE(u32(b, cfbfixture::NumBat), 1u);
        QCOMPARE(u32(b, cfbfixture::DirentStart), 1u);
        QCOMPARE(u32(b, cfbfixture::SbatStart), 2u);
        QCOMPARE(u32(b, cfbfixture::NumSbat), 1u);
        QCOMPARE(u32(b, 2 * 512 + cfbfixture::Start), 3u); // the root record
        QCOMPARE(u32(b, 512), uint32_t(cfb::kBatBlock));   // BAT entry of block 0
        QCOMPARE(b.size() % 512, 0);

        cfb::Storage s(file.c_str());
        QVERIFY(s.open());
        QVERIFY(!s.isWriteable());
        QVERIFY(readAll(s, "hundred") == pattern(100, 1));
        // Read-only: writing changes nothing.
        cfb::Stream st(&s, "hundred");
        QCOMPARE(st.write(pattern(5, 1).data(), 5), 0ull);
        QVERIFY(!cfb::Stream(&s, "new", true).isOpen());
        QCOMPARE(s.deleteByName("hundred"), 0);
    }

    // Files of the cfb writer read back in the cfb reader and in olefile,
    // also when a meta-BAT is needed and streams are written piecewise.
    void roundTrip_data()
    {
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<int>("chunk"); // bytes per write call
        QTest::addRow("small and big") << QList<int>{ 0, 1, 64, 100, 4095, 4096, 5000 } << 0;
        QTest::addRow("piecewise") << QList<int>{ 3000, 9000, 100, 70000 } << 777;
        QTest::addRow("many") << QVector<int>(300, 1500).toList() << 0;
        QTest::addRow("meta-BAT") << QList<int>{ 4 << 20, 2000, 9 << 20 } << (1 << 20);
    }
    void roundTrip()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(int, chunk);
        const std::string file = path("round.cfb");
        std::map<std::string, std::vector<uint8_t>> want;
        {
            cfb::Storage s(file.c_str());
            QVERIFY(s.open(true, true));
            for (int i = 0; i < sizes.size(); ++i) {
                const std::string p = "/Storage " + std::to_string(i % 3) + "/Sub "
                    + std::to_string(i % 2) + "/Stream " + std::to_string(i);
                const std::vector<uint8_t> data = pattern(size_t(sizes[i]), unsigned(i));
                cfb::Stream st(&s, p, true, 0);
                QVERIFY(st.isOpen());
                const size_t step = chunk ? size_t(chunk) : std::max<size_t>(data.size(), 1);
                for (size_t at = 0; at < data.size(); at += step)
                    st.write(data.data() + at, std::min(step, data.size() - at));
                QCOMPARE(st.size(), (unsigned long long)data.size());
                want[p] = data;
            }
            QVERIFY(s.flush());
        }
        cfb::Storage s(file.c_str());
        QVERIFY(s.open());
        QCOMPARE(int(s.GetAllStreams("/").size()), sizes.size());
        for (const auto &w : want)
            QVERIFY2(readAll(s, w.first) == w.second, w.first.c_str());

        QString skip;
        const QStringList theirs = olefileListing(file, &skip);
        if (!skip.isEmpty())
            QSKIP(qPrintable(skip));
        QCOMPARE(theirs, listing(s));
    }

    // The fixture writer's files read the same in both readers.
    void fixtureFilesInOlefile()
    {
        cfbfixture::Builder b;
        b.setSiblings(cfbfixture::Siblings::CaseInsensitive);
        b.setMinBatBlocks(130);
        b.addStream("\x01" "CompObj", pattern(90, 1));
        b.addStream("   114/TBkndTask/Var2Data", pattern(5000, 2));
        b.addStream("   114/Props", pattern(300, 3));
        b.addStream("   114/TBkndTask/Fixed", pattern(30, 4));
        QVERIFY(b.writeTo(path("fixture.cfb")));
        cfb::Storage s(path("fixture.cfb").c_str());
        QVERIFY(s.open());
        QString skip;
        const QStringList theirs = olefileListing(path("fixture.cfb"), &skip);
        if (!skip.isEmpty())
            QSKIP(qPrintable(skip));
        QCOMPARE(theirs, listing(s));
    }

    // A file of another writer, opened for writing: new entries and bytes
    // join its own tables and directory.
    void extendForeignFile_data()
    {
        QTest::addColumn<int>("propsSize");
        QTest::addRow("with small blocks") << 300;
        QTest::addRow("big streams only") << 4500; // no small-block table yet
    }
    void extendForeignFile()
    {
        QFETCH(int, propsSize);
        cfbfixture::Builder b;
        b.addStream("   114/Props", pattern(size_t(propsSize), 3));
        b.addStream("big", pattern(9000, 4));
        QVERIFY(b.writeTo(path("foreign.cfb")));
        {
            cfb::Storage s(path("foreign.cfb").c_str());
            QVERIFY(s.open(true, false));
            cfb::Stream a(&s, "   114/New", true);
            QCOMPARE(a.write(pattern(200, 5).data(), 200), 200ull);
            cfb::Stream c(&s, "Other/Big", true);
            QCOMPARE(c.write(pattern(20000, 6).data(), 20000), 20000ull);
            cfb::Stream p(&s, "   114/Props");
            p.seek(p.size());
            QCOMPARE(p.write(pattern(100, 7).data(), 100), 100ull); // grows in place
            QVERIFY(s.flush());
        }
        cfb::Storage s(path("foreign.cfb").c_str());
        QVERIFY(s.open());
        QVERIFY(readAll(s, "   114/New") == pattern(200, 5));
        QVERIFY(readAll(s, "Other/Big") == pattern(20000, 6));
        QVERIFY(readAll(s, "big") == pattern(9000, 4));
        std::vector<uint8_t> props = pattern(size_t(propsSize), 3);
        const std::vector<uint8_t> tail = pattern(100, 7);
        props.insert(props.end(), tail.begin(), tail.end());
        QVERIFY(readAll(s, "   114/Props") == props);
        QString skip;
        const QStringList theirs = olefileListing(path("foreign.cfb"), &skip);
        if (!skip.isEmpty())
            QSKIP(qPrintable(skip));
        QCOMPARE(theirs, listing(s));
    }

    void sizeCrossesThreshold()
    {
        cfb::Storage s(path("size.cfb").c_str());
        QVERIFY(s.open(true, true));
        cfb::Stream st(&s, "x", true, 0);
        const std::vector<uint8_t> data = pattern(5000, 1);
        QCOMPARE(st.write(data.data(), data.size()), 5000ull);
        unsigned long long freeBig = 0, freeBigAfter = 0;
        s.GetStats(nullptr, nullptr, nullptr, &freeBig, nullptr, nullptr);
        QVERIFY(readAll(s, "x") == data);

        st.setSize(100);
        QCOMPARE(st.size(), 100ull);
        QCOMPARE(st.tell(), 100ull);
        s.GetStats(nullptr, nullptr, nullptr, &freeBigAfter, nullptr, nullptr);
        QCOMPARE(freeBigAfter, freeBig + 10); // its ten big blocks are free again
        QVERIFY(readAll(s, "x") == std::vector<uint8_t>(data.begin(), data.begin() + 100));
        QVERIFY(s.flush());

        cfb::Storage r(path("size.cfb").c_str());
        QVERIFY(r.open());
        QVERIFY(readAll(r, "x") == std::vector<uint8_t>(data.begin(), data.begin() + 100));
    }

    void refusedWrites()
    {
        cfb::Storage s(path("refuse.cfb").c_str());
        QVERIFY(s.open(true, true));
        QVERIFY(!cfb::Stream(&s, "too big", true, 0x100000000LL).isOpen());
        QVERIFY(!cfb::Stream(&s, "negative", true, -1).isOpen());
        QVERIFY(!cfb::Stream(&s, "a//b", true).isOpen());
        cfb::Stream x(&s, "x", true);
        QVERIFY(!cfb::Stream(&s, "x/below a stream", true).isOpen());
        const unsigned char two[2] = { 1, 2 };
        x.seek(0xFFFFFFFFull);
        QCOMPARE(x.write(two, 2), 0ull); // the size would not fit 32 bits
        x.setSize(0x100000000LL);
        QCOMPARE(x.size(), 0ull);
        QCOMPARE(x.write(nullptr, 2), 0ull);
        QCOMPARE(s.deleteByName("/"), 0);
        QCOMPARE(s.deleteByName(""), 0);
        QCOMPARE(s.deleteByName("missing"), 0);
    }

    void writeErrorsAreReported()
    {
        if (!QFile::exists("/dev/full"))
            QSKIP("no /dev/full");
        cfb::Storage s("/dev/full");
        QVERIFY(s.open(true, true));
        cfb::Stream st(&s, "x", true);
        const std::vector<uint8_t> data = pattern(5000, 1);
        QCOMPARE(st.write(data.data(), data.size()), 0ull);
        QVERIFY(!st.flush());
    }

    void longNameIsCut()
    {
        const std::string name(40, 'n');
        {
            cfb::Storage s(path("names.cfb").c_str());
            QVERIFY(s.open(true, true));
            cfb::Stream st(&s, name, true);
            QVERIFY(st.isOpen());
            cfb::Stream again(&s, name + "x", true); // the same stored name
            QVERIFY(again.isOpen());
            QVERIFY(s.flush());
        }
        cfb::Storage s(path("names.cfb").c_str());
        QVERIFY(s.open());
        QCOMPARE(s.entries("/"), std::list<std::string>{ name.substr(0, 31) });
    }

    void deleteEntries()
    {
        const std::string file = path("delete.cfb");
        cfb::Storage s(file.c_str());
        QVERIFY(s.open(true, true));
        // Names in both orders, so deletion meets every shape of the tree.
        for (const char *p : { "d/a", "d/sub/x", "d/sub/y", "m", "b", "zz", "c", "aaa", "e" }) {
            cfb::Stream st(&s, p, true);
            QCOMPARE(st.write(pattern(6000, 1).data(), std::string(p) == "m" ? 6000 : 50),
                     std::string(p) == "m" ? 6000ull : 50ull);
        }
        unsigned long long freeBig = 0, freeSmall = 0, after = 0, afterSmall = 0;
        s.GetStats(nullptr, nullptr, nullptr, &freeBig, nullptr, &freeSmall);
        QCOMPARE(s.deleteByName("d"), 1);
        QCOMPARE(s.deleteByName("m"), 1);
        s.GetStats(nullptr, nullptr, nullptr, &after, nullptr, &afterSmall);
        QCOMPARE(after, freeBig + 12);
        QCOMPARE(afterSmall, freeSmall + 3);
        QCOMPARE(s.entries("/"), (std::list<std::string>{ "b", "c", "e", "zz", "aaa" }));
        for (const char *p : { "b", "zz", "c", "aaa", "e" })
            QVERIFY2(s.exists(p), p);
        QVERIFY(!s.exists("d/sub/x"));
        // A new entry reuses a freed record.
        unsigned long long entries = 0;
        s.GetStats(&entries, nullptr, nullptr, nullptr, nullptr, nullptr);
        cfb::Stream again(&s, "again", true);
        unsigned long long entriesAfter = 0;
        s.GetStats(&entriesAfter, nullptr, nullptr, nullptr, nullptr, nullptr);
        QCOMPARE(entriesAfter, entries);
        QVERIFY(s.flush());

        cfb::Storage r(file.c_str());
        QVERIFY(r.open());
        QCOMPARE(r.entries("/"), (std::list<std::string>{ "b", "c", "e", "zz", "aaa", "again" }));
        const std::vector<uint8_t> written = pattern(6000, 1);
        QVERIFY(readAll(r, "zz") == std::vector<uint8_t>(written.begin(), written.begin() + 50));
    }

    void createOverLoadedFile()
    {
        cfbfixture::Builder b;
        b.addStream("old/stream", pattern(5000, 1));
        QVERIFY(b.writeTo(path("recreate.cfb")));
        cfb::Storage s(path("recreate.cfb").c_str());
        QVERIFY(s.open());
        QVERIFY(s.exists("old/stream"));
        QVERIFY(s.open(true, true));
        QCOMPARE(s.entries("/"), std::list<std::string>());
        unsigned long long e, ue, bb, ubb, sb, usb;
        s.GetStats(&e, &ue, &bb, &ubb, &sb, &usb);
        QCOMPARE(QList<unsigned long long>({ e, ue, bb, ubb, sb, usb }),
                 QList<unsigned long long>({ 1, 0, 128, 124, 128, 128 }));
    }

    void streamListing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("streams");
        // Breadth-first over each sibling tree, a storage's streams at once.
        QTest::addRow("root") << "/" << "/b,/a/x,/a/s/z,/a/s/y";
        QTest::addRow("storage") << "a" << "ax,as/z,as/y";
        QTest::addRow("storage with slash") << "a/" << "a/x,a/s/z,a/s/y";
        QTest::addRow("stream") << "b" << "";
        QTest::addRow("missing") << "nothing" << "";
        QTest::addRow("empty storage") << "e" << "";
    }
    void streamListing()
    {
        QFETCH(QString, path);
        QFETCH(QString, streams);
        cfbfixture::Builder b;
        for (const char *p : { "a/x", "a/s/y", "a/s/z", "b" })
            b.addStream(p, pattern(10, 1));
        b.addStorage("e");
        QVERIFY(b.writeTo(this->path("list.cfb")));
        cfb::Storage s(this->path("list.cfb").c_str());
        QVERIFY(s.open());
        QStringList got;
        for (const std::string &p : s.GetAllStreams(path.toStdString()))
            got << QString::fromStdString(p);
        QCOMPARE(got.join(','), streams);
    }

    void dumps()
    {
        cfb::Storage s(path("dump.cfb").c_str());
        QVERIFY(s.open(true, true));
        cfb::Stream(&s, "abc", true, 10);
        cfb::StorageIO *io = s.io();
        QCOMPARE(captured([&] { io->header->debug(); }),
                 std::string("\nb_shift 9\ns_shift 6\nnum_bat 1\ndirent_start 1\nthreshold 4096\n"
                             "sbat_start 2\nnum_sbat 1\nmbat_start 4294967294\nnum_mbat 0\n"
                             "bat blocks: 0 \n"));
        QCOMPARE(captured([&] { io->bbat->debug(); }),
                 std::string("block size 128\n0: [bat]\n1: [eof]\n2: [eof]\n3: [eof]\n"));
        QCOMPARE(captured([&] { io->dirtree->debug(); }),
                 std::string("0: Root Entry (Dir) 0 s:4294967295 (1 -:-)\n"
                             "1: abc (File) 10 s:4294967294 (- -:-)\n"));
    }
};

QTEST_APPLESS_MAIN(tst_CfbWriter)
#include "tst_cfbwriter.moc"
