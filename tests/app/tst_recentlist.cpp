#include "recentlist.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString filesOf(const RecentList &list)
{
    QStringList out;
    for (const RecentEntry &e : list.entries())
        out << (e.type == RecentEntry::File ? e.file : QStringLiteral("db:%1/%2").arg(e.conn, e.projid));
    return out.join(QLatin1Char(','));
}

QByteArray fileEntries(const QStringList &paths)
{
    QJsonArray array;
    for (const QString &p : paths) {
        QJsonObject o;
        o.insert(QStringLiteral("type"), 0);
        o.insert(QStringLiteral("file"), p);
        o.insert(QStringLiteral("name"), QString());
        array.append(o);
    }
    return QJsonDocument(array).toJson();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class tst_RecentList : public QObject
{
    Q_OBJECT

private slots:
    void addKeepsNewestFirstAndMaximum();
    void equality();
    void removeCountsAndKeepsOrder();
    void roundTrip();
    void jsonHasAllKeys();
    void fromJson_data();
    void fromJson();
    void loadMissingFile();
    void saveCreatesFolder();
    void failedSaveKeepsOldList();
};

void tst_RecentList::addKeepsNewestFirstAndMaximum()
{
    RecentList list;
    QCOMPARE(list.maximum(), 7);
    QCOMPARE(list.currentIndex(), -1);
    for (int i = 1; i <= 8; ++i)
        list.addFile(QStringLiteral("/p/%1.xer").arg(i), QString());
    QCOMPARE(filesOf(list),
             QStringLiteral("/p/8.xer,/p/7.xer,/p/6.xer,/p/5.xer,/p/4.xer,/p/3.xer,/p/2.xer"));
    list.addFile(QStringLiteral("/p/4.xer"), QString());
    QCOMPARE(filesOf(list),
             QStringLiteral("/p/4.xer,/p/8.xer,/p/7.xer,/p/6.xer,/p/5.xer,/p/3.xer,/p/2.xer"));
    // Case matters: these are two entries.
    list.addFile(QStringLiteral("/p/A.xer"), QString());
    list.addFile(QStringLiteral("/p/a.xer"), QString());
    QCOMPARE(filesOf(list).left(17), QStringLiteral("/p/a.xer,/p/A.xer"));
}

void tst_RecentList::equality()
{
    RecentEntry file;
    file.file = QStringLiteral("x");
    RecentEntry db;
    db.type = RecentEntry::Database;
    db.file = QStringLiteral("x");
    db.conn = QStringLiteral("c");
    db.projid = QStringLiteral("1");
    QVERIFY(file != db);
    RecentEntry db2 = db;
    db2.user = QStringLiteral("other");
    db2.name = QStringLiteral("other");
    db2.file = QStringLiteral("y");
    QVERIFY(db == db2);
    db2.projid = QStringLiteral("2");
    QVERIFY(db != db2);
    RecentEntry file2 = file;
    file2.name = QStringLiteral("n");
    QVERIFY(file == file2);
}

void tst_RecentList::removeCountsAndKeepsOrder()
{
    RecentList list;
    list.addFile(QStringLiteral("a"), QString());
    list.addFile(QStringLiteral("b"), QString());
    list.addFile(QStringLiteral("c"), QString());
    RecentEntry b;
    b.file = QStringLiteral("b");
    QCOMPARE(list.remove(b), 1);
    QCOMPARE(list.remove(b), 0);
    QCOMPARE(filesOf(list), QStringLiteral("c,a"));
}

void tst_RecentList::roundTrip()
{
    RecentList list;
    list.add(RecentEntry::Database, QStringLiteral("ignored"), QStringLiteral("conn"),
             QStringLiteral("user"), QStringLiteral("reserved"), QStringLiteral("42"),
             QStringLiteral("Project"));
    list.addFile(QStringLiteral("/x/plan.xer"), QStringLiteral("plan"));
    list.addFile(QStringLiteral("/x/plan.MPP"), QString());

    RecentList back;
    recentListFromJson(back, recentListToJson(list));
    QCOMPARE(filesOf(back), QStringLiteral("/x/plan.MPP,/x/plan.xer,db:conn/42"));
    const RecentEntry db = back.entries().at(2);
    QCOMPARE(db.user, QStringLiteral("user"));
    QCOMPARE(db.name, QStringLiteral("Project"));
    QCOMPARE(db.file, QString());
    QCOMPARE(db.reserved, QString());
    QCOMPARE(back.entries().at(1).name, QStringLiteral("plan"));
}

void tst_RecentList::jsonHasAllKeys()
{
    RecentList list;
    list.addFile(QStringLiteral("/x/plan.xer"), QString());
    const QByteArray json = recentListToJson(list);
    QVERIFY(json.contains('\n')); // indented
    const QJsonObject o = QJsonDocument::fromJson(json).array().at(0).toObject();
    QCOMPARE(o.keys(), QStringList({QStringLiteral("conn"), QStringLiteral("file"),
                                    QStringLiteral("name"), QStringLiteral("projid"),
                                    QStringLiteral("type"), QStringLiteral("user")}));
    QCOMPARE(o.value(QStringLiteral("type")).toInt(-1), 0);
    // Keys appear alphabetically in the text too.
    QVERIFY(json.indexOf("\"conn\"") < json.indexOf("\"file\""));
    QVERIFY(json.indexOf("\"type\"") < json.indexOf("\"user\""));
}

void tst_RecentList::fromJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("expected");

    QTest::addRow("empty") << QByteArray() << QString();
    QTest::addRow("not json") << QByteArray("hello, world") << QString();
    QTest::addRow("binary") << QByteArray("\x00\xff\xfe\x01[{", 6) << QString();
    QTest::addRow("truncated") << fileEntries({QStringLiteral("a"), QStringLiteral("b")}).left(30)
                               << QString();
    QTest::addRow("object not array") << QByteArray("{\"type\":0,\"file\":\"a\"}") << QString();
    QTest::addRow("array of junk") << QByteArray("[1, \"x\", null, [], true]") << QString();
    QTest::addRow("no type means file")
        << QByteArray("[{\"file\":\"a\"}]") << QStringLiteral("a");
    QTest::addRow("type as text means file")
        << QByteArray("[{\"type\":\"1\",\"file\":\"a\",\"conn\":\"c\"}]") << QStringLiteral("a");
    QTest::addRow("unknown type skipped")
        << QByteArray("[{\"type\":2,\"file\":\"a\"},{\"type\":0,\"file\":\"b\"}]")
        << QStringLiteral("b");
    QTest::addRow("non-string values read empty")
        << QByteArray("[{\"type\":0,\"file\":17,\"name\":{}}]") << QString();
    QTest::addRow("database entry")
        << QByteArray("[{\"type\":1,\"conn\":\"c\",\"projid\":\"7\",\"file\":\"ignored\"}]")
        << QStringLiteral("db:c/7");
    QTest::addRow("duplicate keeps first position")
        << fileEntries({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("a")})
        << QStringLiteral("a,b");
    QTest::addRow("nine keep first seven")
        << fileEntries({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"),
                        QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                        QStringLiteral("7"), QStringLiteral("8"), QStringLiteral("9")})
        << QStringLiteral("1,2,3,4,5,6,7");
}

void tst_RecentList::fromJson()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, expected);
    RecentList list;
    recentListFromJson(list, json);
    QCOMPARE(filesOf(list), expected);

    // The same through a file on disk.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("mru.config"));
    QVERIFY(writeFile(path, json));
    RecentList loaded;
    loaded.addFile(QStringLiteral("stale"), QString());
    loaded.load(path);
    QCOMPARE(filesOf(loaded), expected);
}

void tst_RecentList::loadMissingFile()
{
    QTemporaryDir dir;
    RecentList list;
    list.addFile(QStringLiteral("stale"), QString());
    list.load(dir.filePath(QStringLiteral("nothing/mru.config")));
    QVERIFY(list.isEmpty());
}

void tst_RecentList::saveCreatesFolder()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a/b/mru.config"));
    RecentList list;
    list.addFile(QStringLiteral("/x/one.xer"), QString());
    list.addFile(QStringLiteral("/x/two.xer"), QString());
    QCOMPARE(list.save(path), RecentList::Saved);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray first = f.readAll();
    f.close();
    // Saving twice writes the same bytes.
    QCOMPARE(list.save(path), RecentList::Saved);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), first);
    f.close();

    RecentList back;
    back.load(path);
    QCOMPARE(filesOf(back), QStringLiteral("/x/two.xer,/x/one.xer"));
}

void tst_RecentList::failedSaveKeepsOldList()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("mru.config"));
    RecentList list;
    list.addFile(QStringLiteral("/x/old.xer"), QString());
    QCOMPARE(list.save(path), RecentList::Saved);

    // A folder where the configuration folder should be cannot be replaced.
    RecentList other;
    other.addFile(QStringLiteral("/x/new.xer"), QString());
    const QString blocked = dir.filePath(QStringLiteral("file/mru.config"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("file")), "x"));
    QCOMPARE(other.save(blocked), RecentList::CannotCreateFolder);

    // A folder in the file's place cannot be written over.
    const QString dirPath = dir.filePath(QStringLiteral("taken"));
    QVERIFY(QDir().mkpath(dirPath));
    QCOMPARE(other.save(dirPath), RecentList::CannotWrite);
    QVERIFY(QFileInfo(dirPath).isDir());

    // A read-only folder refuses the temporary file; the old list stays.
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool ignoresPermissions = QFileInfo(dir.path()).isWritable(); // root
    const RecentList::SaveResult result = other.save(path);
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                          | QFileDevice::ExeOwner);
    if (ignoresPermissions)
        QSKIP("running with rights that write into a read-only folder");
    QCOMPARE(result, RecentList::CannotWrite);
    RecentList back;
    back.load(path);
    QCOMPARE(filesOf(back), QStringLiteral("/x/old.xer"));
}

QTEST_APPLESS_MAIN(tst_RecentList)
#include "tst_recentlist.moc"
