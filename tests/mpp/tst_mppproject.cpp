#include "cfbfixture.h"
#include "cfbstorage.h"
#include "cfbstream.h"
#include "mppr12tarvolen.h"
#include "mppr9tarvolen.h"
#include "mpprassignment.h"
#include "mpprcompobj.h"
#include "mpprtask.h"

#include <QtTest>

namespace {

// CompObj stream bytes after a 28-byte header, written field by field.
struct CompObjBytes
{
    QByteArray bytes = QByteArray(28, '\x01');
    CompObjBytes &u32(quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        bytes.append(b, 4);
        return *this;
    }
    CompObjBytes &raw(const QByteArray &b) { bytes.append(b); return *this; }
    // Length-prefixed strings with their NUL.
    CompObjBytes &ansi(const QByteArray &s) { return u32(quint32(s.size() + 1)).raw(s + '\0'); }
    CompObjBytes &unicode(const QString &s)
    {
        u32(quint32(s.size() + 1));
        for (QChar c : s + QChar(0))
            raw(QByteArray(1, char(c.unicode() & 0xFF)) + char(c.unicode() >> 8));
        return *this;
    }
    CompObjBytes &head() { return ansi("T").ansi("F").ansi("P").u32(0x71B239F4); }
};

std::vector<uint8_t> vec(const QByteArray &b)
{
    return std::vector<uint8_t>(b.begin(), b.end());
}

QByteArray projectCompObj(const QByteArray &userType = "Microsoft Project 11.0")
{
    return CompObjBytes().ansi(userType).ansi("MSProject.MPP9").ansi("MSProject.Project.9")
        .u32(0x71B239F4).unicode(QString::fromLatin1(userType)).unicode(QStringLiteral("MSProject.MPP9"))
        .unicode(QStringLiteral("MSProject.Project.9")).bytes;
}

} // namespace

// Reading an MPP file: its CompObj stream, the choice of the generation and
// what the generation readers answer.
class tst_MppProject : public QObject
{
    Q_OBJECT
private slots:
    void compObj_data();
    void compObj();
    void read_data();
    void read();
    void notCompoundFile();
    void readTasks();
    void assignmentDatesStartEmpty();

private:
    template<typename R, typename F>
    void checkReadTasks();

    QTemporaryDir m_dir;
};

void tst_MppProject::compObj_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    // user type|clipboard format|ProgID|Unicode user type|Unicode format|Unicode ProgID
    QTest::addColumn<QString>("strings");

    const QByteArray full = projectCompObj();
    QTest::addRow("complete") << full << 0
                              << QStringLiteral("Microsoft Project 11.0|MSProject.MPP9|MSProject.Project.9|"
                                                "Microsoft Project 11.0|MSProject.MPP9|MSProject.Project.9");
    QTest::addRow("shorter than the header") << full.left(27) << 1 << QStringLiteral("|||||");
    QTest::addRow("header only") << full.left(28) << 1 << QStringLiteral("|||||");
    const auto numbered = [](quint32 marker, quint32 number) {
        return CompObjBytes().ansi("T").u32(marker).u32(number).bytes;
    };
    QTest::addRow("format 14") << numbered(0xFFFFFFFF, 14) << 0 << QStringLiteral("T|0x0000000E (CF_ENHMETAFILE)||||");
    QTest::addRow("format 255") << numbered(0xFFFFFFFF, 255) << 0 << QStringLiteral("T|0xff||||");
    QTest::addRow("format number cut off") << CompObjBytes().ansi("T").u32(0xFFFFFFFF).raw("\x02").bytes << 1
                                           << QStringLiteral("T|||||");
    QTest::addRow("user type longer than the stream") << CompObjBytes().u32(0xFFFFFFF0).u32(0).bytes << 0
                                                      << QStringLiteral("|||||");
    QTest::addRow("format name over 400") << CompObjBytes().ansi("T").u32(401).raw(QByteArray(401, 'x')).bytes
                                          << 1 << QStringLiteral("T|||||");
    QTest::addRow("ProgID length 41") << CompObjBytes().ansi("T").ansi("F").u32(41).raw(QByteArray(41, 'p')).bytes
                                      << 0 << QStringLiteral("T|F||||");
    QTest::addRow("wrong Unicode marker")
        << CompObjBytes().ansi("T").ansi("F").ansi("P").u32(0x12345678).unicode(QStringLiteral("U")).bytes << 0
        << QStringLiteral("T|F|P|||");
    // 2 x count wraps to 0 in 32 bits; it must still count as too long.
    QTest::addRow("Unicode count wraps") << CompObjBytes().head().u32(0x80000000).u32(0).bytes << 1
                                         << QStringLiteral("T|F|P|||");
    QTest::addRow("no Unicode ProgID")
        << CompObjBytes().head().unicode(QStringLiteral("U")).unicode(QStringLiteral("V")).bytes << 1
        << QStringLiteral("T|F|P|U|V|");
    QTest::addRow("Unicode format number")
        << CompObjBytes().head().unicode(QStringLiteral("U")).u32(0xFFFFFFFF).u32(8).u32(0).bytes << 0
        << QStringLiteral("T|F|P|U|0x00000008 (CF_DIB)|");
}

void tst_MppProject::compObj()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QFETCH(QString, strings);
    cfbfixture::Builder b;
    b.addStream("\x01" "CompObj", vec(bytes));
    const QByteArray path = QFile::encodeName(m_dir.filePath(QStringLiteral("c.mpp")));
    QVERIFY(b.writeTo(path.toStdString()));
    cfb::Storage storage(path.constData());
    QVERIFY(storage.open());
    cfb::Stream stream(&storage, "CompObj");
    mppr::CompObj c(&stream);
    QCOMPARE(c.read(), result);
    QCOMPARE(QStringList({c.userType(), c.clipboardFormat(), c.progId(), c.unicodeUserType(),
                          c.unicodeClipboardFormat(), c.unicodeProgId()}).join(QLatin1Char('|')),
             strings);
}

void tst_MppProject::read_data()
{
    QTest::addColumn<QString>("entries"); // storages, and "<path>=<size>" streams, joined by ","
    QTest::addColumn<QByteArray>("compObj"); // none when empty
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("strings"); // user type|ProgID|format name

    const QByteArray cobj = projectCompObj();
    const QString strings = QStringLiteral("Microsoft Project 11.0|MSProject.Project.9|MSProject.MPP9");
    QTest::addRow("no version storage") << "Other" << cobj << 3 << QString() << strings;
    QTest::addRow("114 over 19") << "   19/Props=40,   114" << cobj << 1 << "   114" << strings;
    QTest::addRow("112 over 19, empty properties") << "   19/Props=9,   112/Props=0" << cobj << 1 << "   112" << strings;
    QTest::addRow("19 up to its unknown layout") << "   19/Props=5000" << cobj << 7 << "   19" << strings;
    QTest::addRow("112 up to its unknown layout") << "   112/Props=40" << cobj << 7 << "   112" << strings;
    QTest::addRow("114 up to its unknown layout") << "   114/Props=100" << cobj << 7 << "   114" << strings;
    QTest::addRow("no CompObj") << "   19/Props=28" << QByteArray() << 7 << "   19" << "||";
    QTest::addRow("properties shorter than their header") << "   114/Props=27" << cobj << 1 << "   114" << strings;
    QTest::addRow("Project 4.0") << "x" << projectCompObj("Microsoft Project 4.0") << 3 << QString()
                                 << "Microsoft Project 4.0|MSProject.Project.4|MSProject.MPP4";
    QTest::addRow("broken CompObj keeps what it read") << "   19" << cobj.left(60) << 1 << "   19"
                                                       << "Microsoft Project 11.0||";
}

void tst_MppProject::read()
{
    QFETCH(QString, entries);
    QFETCH(QByteArray, compObj);
    QFETCH(int, result);
    QFETCH(QString, chosen);
    QFETCH(QString, strings);
    cfbfixture::Builder b;
    if (!compObj.isEmpty())
        b.addStream("\x01" "CompObj", vec(compObj));
    for (const QString &s : entries.split(QLatin1Char(','))) {
        const int eq = s.indexOf(QLatin1Char('='));
        if (eq < 0)
            b.addStorage(s.toStdString());
        else
            b.addStream(s.left(eq).toStdString(), std::vector<uint8_t>(s.mid(eq + 1).toUInt(), 7));
    }
    // A name outside ASCII opens as well.
    const QString path = m_dir.filePath(QStringLiteral("Pl\u00e4ne \u20ac.mpp"));
    QVERIFY(b.writeTo(QFile::encodeName(path).toStdString()));
    mppr::Project project(path);
    QCOMPARE(project.read(), result);
    QCOMPARE(project.versionStorage(), chosen);
    QCOMPARE(QStringList({project.userType(), project.progId(), project.formatName()}).join(QLatin1Char('|')),
             strings);
}

void tst_MppProject::notCompoundFile()
{
    const QString path = m_dir.filePath(QStringLiteral("plain.mpp"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(2048, 'x')) == 2048);
    f.close();
    for (const QString &name : {path, m_dir.filePath(QStringLiteral("missing.mpp"))}) {
        mppr::Project project(name);
        mppr::Task t;
        project.addTask(t); // a second read starts from an empty model
        QCOMPARE(project.read(), 1);
        QVERIFY(project.tasks().isEmpty());
        QVERIFY(project.versionStorage().isEmpty());
    }
}

template<typename R, typename F>
void tst_MppProject::checkReadTasks()
{
    cfb::Storage storage("unused");
    mppr::Project project(QStringLiteral("unused"));
    R reader(storage, project);
    QCOMPARE(reader.readTasks(), int(mppr::Project::NoUniqueIdField));
    // Other fields, and identifier 86 outside the task group, are not the unique id.
    for (uint id : {0x0B40000Eu, 0x0B400500u, 0x0C400056u})
        reader.m_taskFieldMap.insert(id, F(id, typename F::FieldType(0), 4));
    QCOMPARE(reader.readTasks(), int(mppr::Project::NoUniqueIdField));
    reader.m_taskFieldMap.insert(0x0B400056, F(0x0B400056, typename F::FieldType(0), 4));
    QCOMPARE(reader.readTasks(), int(mppr::Project::LayoutNotKnown));
    QVERIFY(project.tasks().isEmpty());
}

void tst_MppProject::readTasks()
{
    checkReadTasks<mppr9::Tarvolen, mppr9::Field>();
    checkReadTasks<mppr12::Tarvolen, mppr12::Field>();
}

void tst_MppProject::assignmentDatesStartEmpty()
{
    // A date the reader leaves alone reads as no date, 1983-12-31 00:00 UTC.
    const mppr::Assignment assignment;
    for (const QDateTime &date : assignment.dates)
        QCOMPARE(date, QDateTime(QDate(1983, 12, 31), QTime(0, 0), Qt::UTC));
}

QTEST_GUILESS_MAIN(tst_MppProject)
#include "tst_mppproject.moc"
