#include "mppr12field.h"
#include "mppr9field.h"

#include <QThread>
#include <QtTest>

#include <atomic>

namespace {

// The codes the task readers ask for, each with the identifier numbers the
// field tables must give for it (in lookup order), as the readers' own
// tables list them.
struct ReaderCode
{
    int code;
    QVector<uint> identifiers;
};

QVector<ReaderCode> readerCodes()
{
    QVector<ReaderCode> codes = {
        {906, {86}}, {713, {14}}, {694, {23}}, {912, {16}}, {762, {160}}, {712, {24}},
        {684, {21}}, {904, {22}}, {841, {1283}}, {647, {1284}}, {8, {41}}, {4, {42}},
        {270, {37}}, {269, {38}}, {703, {39}}, {702, {40}}, {839, {1338, 35}},
        {838, {1339, 36}}, {871, {1280}}, {190, {1299}}, {187, {1300}}, {181, {1301}},
        {178, {6}}, {186, {43}}, {185, {44}}, {179, {1175}}, {2, {28}}, {200, {17}},
        {783, {31}}, {199, {18}}, {202, {5}}, {782, {10}}, {786, {4}}, {836, {82}},
    };
    const auto list = [&codes](const QVector<int> &listCodes, const QVector<uint> &ids) {
        Q_ASSERT(listCodes.size() == ids.size());
        for (int i = 0; i < listCodes.size(); ++i)
            codes.append(ReaderCode{listCodes.at(i), {ids.at(i)}});
    };
    QVector<int> textCodes = {874, 885, 896, 898, 899, 900, 901, 902, 903};
    for (int c = 875; c <= 884; ++c)
        textCodes.append(c);
    for (int c = 886; c <= 895; ++c)
        textCodes.append(c);
    textCodes.append(897);
    QVector<uint> textIds = {51, 54, 57, 60, 63, 66, 67, 68, 69, 70};
    for (uint id = 317; id <= 336; ++id)
        textIds.append(id);
    list(textCodes, textIds);
    list({842, 844, 845, 846, 847, 848, 849, 850, 851, 843},
         {52, 55, 58, 61, 64, 282, 284, 286, 288, 290});
    list({648, 650, 651, 652, 653, 654, 655, 656, 657, 649},
         {53, 56, 59, 62, 65, 283, 285, 287, 289, 291});
    list({203, 205, 206, 207, 208, 209, 210, 211, 212, 204},
         {106, 107, 108, 258, 259, 260, 261, 262, 263, 264});
    list({236, 242, 245, 248, 251, 254, 257, 260, 263, 237},
         {103, 104, 105, 275, 276, 277, 278, 279, 280, 281});
    list({46, 62, 78, 94, 110, 126, 142, 158, 174, 30},
         {1302, 1305, 1308, 1311, 1314, 1317, 1320, 1323, 1326, 1329});
    list({43, 59, 75, 91, 107, 123, 139, 155, 171, 27},
         {1303, 1306, 1309, 1312, 1315, 1318, 1321, 1324, 1327, 1330});
    list({37, 53, 69, 85, 101, 117, 133, 149, 165, 21},
         {1304, 1307, 1310, 1313, 1316, 1319, 1322, 1325, 1328, 1331});
    list({34, 50, 66, 82, 98, 114, 130, 146, 162, 18},
         {484, 495, 506, 517, 528, 546, 557, 568, 579, 590});
    return codes;
}

QByteArray fieldMapItem(quint32 identifier, quint32 typeWord)
{
    QByteArray item(28, '\0');
    qToLittleEndian(identifier, item.data() + mppr9::Field::FieldMapIdentifierOffset);
    qToLittleEndian(typeWord, item.data() + mppr9::Field::FieldMapTypeOffset);
    return item;
}

template<typename F>
typename F::FieldMap mapOf(const QVector<uint> &numbers)
{
    typename F::FieldMap map;
    for (uint n : numbers)
        map.insert(n | 0x0B400000, F(n | 0x0B400000, typename F::FieldType(0), 4));
    return map;
}

} // namespace

// The task field tables of the two older MPP generations: the once-only build,
// the rows it gives, and the lookups the readers make.
class tst_MppFields : public QObject
{
    Q_OBJECT
private slots:
    void generationsBuildApart();
    void concurrentBuildRunsOnce();
    void tablesAfterBuild();
    void readerCodesResolve();
    void lookupEdges_data();
    void lookupEdges();
    void parseFieldMap_data();
    void parseFieldMap();
    void defaultField();

private:
    template<typename F>
    static void unbuild()
    {
        QMutexLocker locker(&F::m_init_mutex);
        F::m_initialized = false;
        F::m_task_id_code.clear();
        F::m_task_code_id.clear();
    }
    template<typename F>
    static bool built()
    {
        QMutexLocker locker(&F::m_init_mutex);
        return F::m_initialized;
    }
    template<typename F>
    static QString codeIdsText()
    {
        QStringList parts;
        for (auto it = F::m_task_code_id.cbegin(); it != F::m_task_code_id.cend(); ++it)
            parts << QStringLiteral("%1:%2").arg(it.key()).arg(it.value());
        return parts.join(QLatin1Char(' '));
    }
    template<typename F>
    void checkTables();
};

template<typename F>
void tst_MppFields::checkTables()
{
    QCOMPARE(F::m_task_id_code.size(), 923);
    QCOMPARE(F::m_task_id_code.firstKey(), 0u);
    QCOMPARE(F::m_task_id_code.first(), ushort(915));
    QCOMPARE(F::m_task_id_code.lastKey(), 1384u);
    QCOMPARE(F::m_task_id_code.last(), ushort(766));
    QCOMPARE(F::m_task_id_code.value(114, 0xFFFF), ushort(0xFFFF));
    QCOMPARE(F::m_task_code_id.size(), 923);
    const QList<ushort> codes = F::m_task_code_id.uniqueKeys();
    QCOMPARE(codes.size(), 918);
    QCOMPARE(codes.first(), ushort(0));
    QCOMPARE(codes.last(), ushort(917));
    QCOMPARE(F::m_task_code_id.values(0), QList<uint>{1279});
    QCOMPARE(F::m_task_code_id.values(917), QList<uint>{3});
    QCOMPARE(F::m_task_code_id.values(915), QList<uint>{0});
    // Doubled codes: the larger identifier first.
    const QVector<QPair<ushort, QList<uint>>> doubled = {
        {714, {94, 15}}, {756, {249, 85}}, {837, {1340, 29}}, {838, {1339, 36}}, {839, {1338, 35}}};
    int multi = 0;
    for (ushort c : codes)
        multi += F::m_task_code_id.count(c) > 1 ? 1 : 0;
    QCOMPARE(multi, 5);
    for (const auto &d : doubled)
        QCOMPARE(F::m_task_code_id.values(d.first), d.second);
}

void tst_MppFields::generationsBuildApart()
{
    unbuild<mppr9::Field>();
    unbuild<mppr12::Field>();
    // A lookup before the build comes with an empty map: default field, and
    // the tables are built on the way out.
    const mppr9::Field f = mppr9::Field::getFieldByCode(mppr9::TaskGroup, 906, {});
    QVERIFY(f.isDefault());
    QVERIFY(built<mppr9::Field>());
    QVERIFY(!built<mppr12::Field>());
    QVERIFY(mppr12::Field::m_task_id_code.isEmpty());
    QVERIFY(mppr12::Field::m_task_code_id.isEmpty());
    mppr12::Field g(0x0B400056, mppr12::FieldType11, 2);
    QVERIFY(built<mppr12::Field>());
    checkTables<mppr9::Field>();
    checkTables<mppr12::Field>();
    QCOMPARE(codeIdsText<mppr9::Field>(), codeIdsText<mppr12::Field>());
    QCOMPARE(mppr9::Field::m_task_id_code, mppr12::Field::m_task_id_code);
}

void tst_MppFields::concurrentBuildRunsOnce()
{
    for (int round = 0; round < 20; ++round) {
        unbuild<mppr12::Field>();
        std::atomic<int> ready{0};
        const auto work = [&ready] {
            ++ready;
            while (ready.load() < 2) {
            }
            mppr12::Field::init();
        };
        QScopedPointer<QThread> a(QThread::create(work));
        QScopedPointer<QThread> b(QThread::create(work));
        a->start();
        b->start();
        QVERIFY(a->wait(10000));
        QVERIFY(b->wait(10000));
        // A second build would have doubled every entry of the multimap.
        checkTables<mppr12::Field>();
    }
}

void tst_MppFields::tablesAfterBuild()
{
    mppr9::Field::init();
    const auto ids = mppr9::Field::m_task_id_code;
    const QString codeIds = codeIdsText<mppr9::Field>();
    mppr9::Field::init();
    QCOMPARE(mppr9::Field::m_task_id_code, ids);
    QCOMPARE(codeIdsText<mppr9::Field>(), codeIds);
    checkTables<mppr9::Field>();
    // Rows are identifier-ordered, each identifier once.
    uint previous = 0;
    bool first = true;
    for (auto it = ids.cbegin(); it != ids.cend(); ++it) {
        QVERIFY(first || it.key() > previous);
        previous = it.key();
        first = false;
    }
}

void tst_MppFields::readerCodesResolve()
{
    const QVector<ReaderCode> codes = readerCodes();
    QCOMPARE(codes.size(), 144);
    QSet<int> distinct;
    QVector<uint> everyId;
    for (const mppr::TaskFieldRow &row : mppr::taskFieldRows)
        everyId.append(row.identifier);
    const mppr9::FieldMap all9 = mapOf<mppr9::Field>(everyId);
    const mppr12::FieldMap all12 = mapOf<mppr12::Field>(everyId);
    for (const ReaderCode &rc : codes) {
        distinct.insert(rc.code);
        const uint expected = rc.identifiers.first() | 0x0B400000;
        QCOMPARE(mppr9::Field::getFieldByCode(mppr9::TaskGroup, rc.code, all9).identifier(), expected);
        QCOMPARE(mppr12::Field::getFieldByCode(mppr12::TaskGroup, rc.code, all12).identifier(), expected);
        // Each listed identifier alone is enough to find the field.
        for (uint id : rc.identifiers) {
            const mppr9::FieldMap one = mapOf<mppr9::Field>({id});
            QCOMPARE(mppr9::Field::getFieldByCode(mppr9::TaskGroup, rc.code, one).identifier(),
                     id | 0x0B400000);
        }
    }
    // Three more codes are asked whose answers the readers drop: 147 in all.
    for (int unused : {180, 184, 761}) {
        distinct.insert(unused);
        QVERIFY(!mppr9::Field::getFieldByCode(mppr9::TaskGroup, unused, all9).isDefault());
    }
    QCOMPARE(distinct.size(), 147);
}

void tst_MppFields::lookupEdges_data()
{
    QTest::addColumn<quint32>("group");
    QTest::addColumn<int>("code");
    QTest::addColumn<QVector<uint>>("present");
    QTest::addColumn<uint>("expected"); // identifier number, or 0xFFFFFFFF

    const uint none = 0xFFFFFFFF;
    QTest::addRow("both of a doubled code") << 0x0B400000u << 714 << QVector<uint>{15, 94} << 94u;
    QTest::addRow("smaller one only") << 0x0B400000u << 714 << QVector<uint>{15} << 15u;
    QTest::addRow("756 smaller only") << 0x0B400000u << 756 << QVector<uint>{85} << 85u;
    QTest::addRow("837 both") << 0x0B400000u << 837 << QVector<uint>{29, 1340} << 1340u;
    QTest::addRow("neither held") << 0x0B400000u << 714 << QVector<uint>{16} << none;
    QTest::addRow("other group") << 0x0B400001u << 906 << QVector<uint>{86} << none;
    QTest::addRow("code 918") << 0x0B400000u << 918 << QVector<uint>{86} << none;
    QTest::addRow("code 65535") << 0x0B400000u << 65535 << QVector<uint>{86} << none;
    QTest::addRow("code above 16 bits") << 0x0B400000u << (65536 + 906) << QVector<uint>{86} << none;
    QTest::addRow("negative code") << 0x0B400000u << -1 << QVector<uint>{86} << none;
    QTest::addRow("empty map") << 0x0B400000u << 906 << QVector<uint>{} << none;
    QTest::addRow("code 0") << 0x0B400000u << 0 << QVector<uint>{1279} << 1279u;
    QTest::addRow("code 917") << 0x0B400000u << 917 << QVector<uint>{3} << 3u;
}

void tst_MppFields::lookupEdges()
{
    QFETCH(quint32, group);
    QFETCH(int, code);
    QFETCH(QVector<uint>, present);
    QFETCH(uint, expected);
    const mppr12::Field f = mppr12::Field::getFieldByCode(
        mppr12::FieldGroup(group), code, mapOf<mppr12::Field>(present));
    QCOMPARE(f.identifier(), expected == 0xFFFFFFFF ? expected : (expected | 0x0B400000));
}

void tst_MppFields::parseFieldMap_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected"); // identifier:location:group per field

    const QByteArray a = fieldMapItem(0x0B400056, 11);
    const QByteArray b = fieldMapItem(0x0B400017, 100);
    const QByteArray c = fieldMapItem(0x0B400056, 5);
    const QByteArray other = fieldMapItem(0x0C400001, 5);
    QTest::addRow("empty") << QByteArray() << QString();
    QTest::addRow("short of one item") << a.left(27) << QString();
    QTest::addRow("one item") << a << QStringLiteral("b400056:2:b400000");
    QTest::addRow("tail ignored") << a + b.left(27) << QStringLiteral("b400056:2:b400000");
    QTest::addRow("two items") << a + b
                               << QStringLiteral("b400017:3:b400000 b400056:2:b400000");
    QTest::addRow("later replaces") << a + c << QStringLiteral("b400056:4:b400000");
    QTest::addRow("other group") << other << QStringLiteral("c400001:4:b400001");
}

void tst_MppFields::parseFieldMap()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const mppr9::FieldMap map = mppr9::Field::parseFieldMap(bytes);
    QStringList got;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        QCOMPARE(it.key(), it.value().identifier());
        got << QStringLiteral("%1:%2:%3")
                   .arg(it.key(), 0, 16)
                   .arg(it.value().location())
                   .arg(quint32(it.value().group()), 0, 16);
    }
    QCOMPARE(got.join(QLatin1Char(' ')), expected);
}

void tst_MppFields::defaultField()
{
    const mppr9::Field f;
    QVERIFY(f.isDefault());
    QCOMPARE(f.location(), quint16(4));
    QCOMPARE(quint32(f.type()), 29u);
    QCOMPARE(quint32(f.group()), 0x0B400001u);
    // A field map's element access answers a missing identifier with it.
    mppr9::FieldMap map;
    QVERIFY(map[0x0B400056].isDefault());
}

QTEST_GUILESS_MAIN(tst_MppFields)
#include "tst_mppfields.moc"
