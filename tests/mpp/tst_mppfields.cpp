#include "mppr12field.h"
#include "mppr9field.h"

#include <QThread>
#include <QtTest>

#include <atomic>

namespace {

constexpr uint Task = 0x0B400000;

// The codes the task readers ask for with the identifier number the tables
// must give for each, as the readers' own tables list them (apart from the
// rows). Pairs of code, identifier; the numbered lists follow.
const int singleCodes[] = {906, 86, 713, 14, 694, 23, 912, 16, 762, 160, 712, 24, 684, 21,
    904, 22, 841, 1283, 647, 1284, 8, 41, 4, 42, 270, 37, 269, 38, 703, 39, 702, 40, 839, 1338,
    838, 1339, 871, 1280, 190, 1299, 187, 1300, 181, 1301, 178, 6, 186, 43, 185, 44, 179, 1175,
    2, 28, 200, 17, 783, 31, 199, 18, 202, 5, 782, 10, 786, 4, 836, 82};
const QVector<QPair<QVector<int>, QVector<int>>> numberedLists = {
    {{874, 885, 896, 898, 899, 900, 901, 902, 903, 875, 876, 877, 878, 879, 880, 881, 882, 883,
      884, 886, 887, 888, 889, 890, 891, 892, 893, 894, 895, 897},
     {51, 54, 57, 60, 63, 66, 67, 68, 69, 70, 317, 318, 319, 320, 321, 322, 323, 324, 325, 326,
      327, 328, 329, 330, 331, 332, 333, 334, 335, 336}},
    {{842, 844, 845, 846, 847, 848, 849, 850, 851, 843}, {52, 55, 58, 61, 64, 282, 284, 286, 288, 290}},
    {{648, 650, 651, 652, 653, 654, 655, 656, 657, 649}, {53, 56, 59, 62, 65, 283, 285, 287, 289, 291}},
    {{203, 205, 206, 207, 208, 209, 210, 211, 212, 204}, {106, 107, 108, 258, 259, 260, 261, 262, 263, 264}},
    {{236, 242, 245, 248, 251, 254, 257, 260, 263, 237}, {103, 104, 105, 275, 276, 277, 278, 279, 280, 281}},
    {{46, 62, 78, 94, 110, 126, 142, 158, 174, 30}, {1302, 1305, 1308, 1311, 1314, 1317, 1320, 1323, 1326, 1329}},
    {{43, 59, 75, 91, 107, 123, 139, 155, 171, 27}, {1303, 1306, 1309, 1312, 1315, 1318, 1321, 1324, 1327, 1330}},
    {{37, 53, 69, 85, 101, 117, 133, 149, 165, 21}, {1304, 1307, 1310, 1313, 1316, 1319, 1322, 1325, 1328, 1331}},
    {{34, 50, 66, 82, 98, 114, 130, 146, 162, 18}, {484, 495, 506, 517, 528, 546, 557, 568, 579, 590}}};

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
        map.insert(n | Task, F(n | Task, typename F::FieldType(0), 4));
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
    void readerCodesResolve();
    void lookupEdges_data();
    void lookupEdges();
    void parseFieldMap_data();
    void parseFieldMap();

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
    static QString tablesText()
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
    QVERIFY(F::m_initialized);
    QCOMPARE(F::m_task_id_code.size(), 923);
    QCOMPARE(F::m_task_id_code.firstKey(), 0u);
    QCOMPARE(F::m_task_id_code.first(), ushort(915));
    QCOMPARE(F::m_task_id_code.lastKey(), 1384u);
    QCOMPARE(F::m_task_id_code.last(), ushort(766));
    QVERIFY(!F::m_task_id_code.contains(114));
    QCOMPARE(F::m_task_code_id.size(), 923);
    const QList<ushort> codes = F::m_task_code_id.uniqueKeys();
    QCOMPARE(codes.size(), 918);
    QCOMPARE(codes.last(), ushort(917));
    QCOMPARE(F::m_task_code_id.values(0), QList<uint>{1279});
    QCOMPARE(F::m_task_code_id.values(917), QList<uint>{3});
    // Doubled codes give the larger identifier first; no other code is doubled.
    const QMap<ushort, QList<uint>> doubled = {
        {714, {94, 15}}, {756, {249, 85}}, {837, {1340, 29}}, {838, {1339, 36}}, {839, {1338, 35}}};
    for (ushort c : codes)
        QCOMPARE(F::m_task_code_id.values(c), doubled.value(c, F::m_task_code_id.values(c).mid(0, 1)));
}

void tst_MppFields::generationsBuildApart()
{
    unbuild<mppr9::Field>();
    unbuild<mppr12::Field>();
    // A lookup before the build can only come with an empty map: the default
    // field, and the tables are built on the way out.
    QVERIFY(mppr9::Field::getFieldByCode(mppr9::TaskGroup, 906, {}).isDefault());
    checkTables<mppr9::Field>();
    QVERIFY(!mppr12::Field::m_initialized);
    QVERIFY(mppr12::Field::m_task_id_code.isEmpty() && mppr12::Field::m_task_code_id.isEmpty());
    const QString built = tablesText<mppr9::Field>();
    mppr9::Field::init(); // a second build changes nothing
    QCOMPARE(tablesText<mppr9::Field>(), built);

    mppr12::Field f(0x0B400056, mppr12::FieldType11, 2);
    checkTables<mppr12::Field>();
    QCOMPARE(tablesText<mppr12::Field>(), built);
    QCOMPARE(mppr9::Field::m_task_id_code, mppr12::Field::m_task_id_code);

    const mppr9::Field none;
    QVERIFY(none.isDefault());
    QCOMPARE(none.location(), quint16(4));
    QCOMPARE(quint32(none.type()), 29u);
    QCOMPARE(quint32(none.group()), 0x0B400001u);
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
        QVERIFY(a->wait(10000) && b->wait(10000));
        // A second build would have doubled every entry of the multimap.
        checkTables<mppr12::Field>();
    }
}

void tst_MppFields::readerCodesResolve()
{
    QVector<QPair<int, uint>> codes;
    for (size_t i = 0; i < sizeof(singleCodes) / sizeof(int); i += 2)
        codes.append({singleCodes[i], uint(singleCodes[i + 1])});
    for (const auto &list : numberedLists) {
        QCOMPARE(list.first.size(), list.second.size());
        for (int i = 0; i < list.first.size(); ++i)
            codes.append({list.first.at(i), uint(list.second.at(i))});
    }
    QVector<uint> everyId;
    for (const mppr::TaskFieldRow &row : mppr::taskFieldRows)
        everyId.append(row.identifier);
    const mppr9::FieldMap all9 = mapOf<mppr9::Field>(everyId);
    const mppr12::FieldMap all12 = mapOf<mppr12::Field>(everyId);
    QSet<int> distinct;
    for (const auto &c : qAsConst(codes)) {
        distinct.insert(c.first);
        QCOMPARE(mppr9::Field::getFieldByCode(mppr9::TaskGroup, c.first, all9).identifier(), c.second | Task);
        QCOMPARE(mppr12::Field::getFieldByCode(mppr12::TaskGroup, c.first, all12).identifier(), c.second | Task);
        QCOMPARE(mppr9::Field::getFieldByCode(mppr9::TaskGroup, c.first, mapOf<mppr9::Field>({c.second})).identifier(),
                 c.second | Task);
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
    QTest::addRow("both of a doubled code") << Task << 714 << QVector<uint>{15, 94} << 94u;
    QTest::addRow("smaller one only") << Task << 714 << QVector<uint>{15} << 15u;
    QTest::addRow("neither held") << Task << 714 << QVector<uint>{16} << none;
    QTest::addRow("lowest absent identifier") << Task << 0 << QVector<uint>{114} << none;
    QTest::addRow("other group") << 0x0B400001u << 906 << QVector<uint>{86} << none;
    QTest::addRow("code 918") << Task << 918 << QVector<uint>{86} << none;
    QTest::addRow("code above 16 bits") << Task << (65536 + 906) << QVector<uint>{86} << none;
}

void tst_MppFields::lookupEdges()
{
    QFETCH(quint32, group);
    QFETCH(int, code);
    QFETCH(QVector<uint>, present);
    QFETCH(uint, expected);
    const mppr12::Field f = mppr12::Field::getFieldByCode(mppr12::FieldGroup(group), code,
                                                          mapOf<mppr12::Field>(present));
    QCOMPARE(f.identifier(), expected == 0xFFFFFFFF ? expected : (expected | Task));
}

void tst_MppFields::parseFieldMap_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected"); // identifier:location:group per field

    const QByteArray a = fieldMapItem(0x0B400056, 11);
    const QByteArray b = fieldMapItem(0x0B400017, 100);
    QTest::addRow("empty") << QByteArray() << QString();
    QTest::addRow("short of one item") << a.left(27) << QString();
    QTest::addRow("tail ignored") << a + b.left(27) << QStringLiteral("b400056:2:b400000");
    QTest::addRow("two items") << a + b << QStringLiteral("b400017:3:b400000 b400056:2:b400000");
    QTest::addRow("later replaces") << a + fieldMapItem(0x0B400056, 5) << QStringLiteral("b400056:4:b400000");
    QTest::addRow("other group") << fieldMapItem(0x0C400001, 5) << QStringLiteral("c400001:4:b400001");
}

void tst_MppFields::parseFieldMap()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    const mppr9::FieldMap map = mppr9::Field::parseFieldMap(bytes);
    QStringList got;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        QCOMPARE(it.key(), it.value().identifier());
        got << QStringLiteral("%1:%2:%3").arg(it.key(), 0, 16).arg(it.value().location())
                   .arg(quint32(it.value().group()), 0, 16);
    }
    QCOMPARE(got.join(QLatin1Char(' ')), expected);
}

QTEST_GUILESS_MAIN(tst_MppFields)
#include "tst_mppfields.moc"
