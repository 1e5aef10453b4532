#include "ocistubcontrol.h"
#include "zdocidriver.h"
#include "zdoci_p.h"

#include <QSqlDatabase>
#include <QSqlDriverCreator>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>

// The driver through QSqlQuery over "ZDOCI", against the SQLite-backed
// stand-in client beside this executable.
class tst_ZDOCI : public QObject
{
    Q_OBJECT

private slots:
    void firstUseFromThreads(); // must stay first: it makes the first client calls
    void initTestCase();
    void init();
    void cleanup();
    void connectDescriptors_data();
    void connectDescriptors();
    void logon_data();
    void logon();
    void connectOptions_data();
    void connectOptions();
    void serverVersion_data();
    void serverVersion();
    void commitModes();
    void transactionStatus_data();
    void transactionStatus();
    void bindInOut_data();
    void bindInOut();
    void rowIds();
    void fetchKinds_data();
    void fetchKinds();
    void columnDefines_data();
    void columnDefines();
    void truncation();
    void piecewise_data();
    void piecewise();
    void batch_data();
    void batch();
    void batchOutLists();
    void resultStates();
    void catalogue();
    void formatValue_data();
    void formatValue();

private:
    QSqlDatabase open(const QString &options = QString(), const QString &user = QStringLiteral("scott"),
                      const QString &password = QStringLiteral("tiger"));
    QStringList logLines(const QString &prefix);
    QString column(const QString &sql, QSqlDatabase db);

    QTemporaryDir m_dir;
    QString m_file;
    QString m_longText;
    QByteArray m_longBytes;
    int m_connections = 0;
};

static const int liveTypes[] = {OCI_HTYPE_SERVER, OCI_HTYPE_SVCCTX, OCI_HTYPE_SESSION,
                                OCI_HTYPE_TRANS, OCI_HTYPE_STMT};

static int liveConnectionHandles()
{
    int n = 0;
    for (int type : liveTypes)
        n += ocistub::live(uint(type));
    return n;
}

void tst_ZDOCI::firstUseFromThreads()
{
    std::atomic<int> failures{0};
    QVector<QThread *> threads;
    for (int i = 0; i < 8; ++i) {
        threads.append(QThread::create([&failures] {
            ZDOCIDriver driver;
            if (driver.lastError().isValid())
                ++failures;
        }));
    }
    for (QThread *t : threads)
        t->start();
    for (QThread *t : threads) {
        QVERIFY(t->wait(10000));
        delete t;
    }
    QCOMPARE(failures.load(), 0);
}

void tst_ZDOCI::initTestCase()
{
    QSqlDatabase::registerSqlDriver(QStringLiteral("ZDOCI"), new QSqlDriverCreator<ZDOCIDriver>);
    m_file = m_dir.filePath(QStringLiteral("orcl.sqlite"));
    for (int i = 0; i < 8000; ++i)
        m_longText += QStringLiteral("é€") + QString::fromUtf8("\xF0\x9F\x98\x80") + QLatin1Char('x');
    m_longText += QLatin1Char('!'); // 40,001 UTF-16 units
    for (int i = 0; i < 100000; ++i)
        m_longBytes += char(i * 7 % 251);
    {
        QSqlDatabase seed = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("seed"));
        seed.setDatabaseName(m_file);
        QVERIFY(seed.open());
        QSqlQuery q(seed);
        QFile script(QStringLiteral(TESTDATA_DIR "/oracle/seed.sql"));
        QVERIFY(script.open(QIODevice::ReadOnly));
        for (const QByteArray &sql : script.readAll().split(';')) {
            if (!sql.trimmed().isEmpty())
                QVERIFY2(q.exec(QString::fromUtf8(sql)), qPrintable(q.lastError().text()));
        }
        q.prepare(QStringLiteral("insert into longs values (?, ?)"));
        const QVariantList texts = {m_longText, QStringLiteral("xy"), QVariant(QVariant::String)};
        for (int i = 0; i < texts.size(); ++i) {
            q.addBindValue(i + 1);
            q.addBindValue(texts.at(i));
            QVERIFY(q.exec());
        }
        q.prepare(QStringLiteral("insert into raws values (?, ?)"));
        const QVariantList blobs = {m_longBytes, QByteArray("\x01\x00\x02", 3)};
        for (int i = 0; i < blobs.size(); ++i) {
            q.addBindValue(i + 1);
            q.addBindValue(blobs.at(i));
            QVERIFY(q.exec());
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("seed"));
}

void tst_ZDOCI::init()
{
    ocistub::reset();
    ocistub::map(QStringLiteral("ORCL"), m_file);
}

void tst_ZDOCI::cleanup()
{
    for (const QString &name : QSqlDatabase::connectionNames())
        QSqlDatabase::removeDatabase(name);
    QCOMPARE(liveConnectionHandles(), 0);
}

QSqlDatabase tst_ZDOCI::open(const QString &options, const QString &user, const QString &password)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("ZDOCI"),
                                                QString::number(++m_connections));
    db.setDatabaseName(QStringLiteral("ORCL"));
    db.setConnectOptions(options);
    if (!db.open(user, password))
        qWarning("open failed: %s", qPrintable(db.lastError().text()));
    ocistub::takeLog();
    return db;
}

QStringList tst_ZDOCI::logLines(const QString &prefix)
{
    QStringList lines = ocistub::takeLog().split(QLatin1Char('\n'));
    return lines.filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(prefix)));
}

QString tst_ZDOCI::column(const QString &sql, QSqlDatabase db)
{
    QSqlQuery q(db);
    QStringList values;
    if (!q.exec(sql))
        return q.lastError().text();
    while (q.next()) {
        QStringList row;
        for (int c = 0; c < q.record().count(); ++c)
            row << q.value(c).toString();
        values << row.join(QLatin1Char(':'));
    }
    return values.join(QLatin1Char(','));
}

static QString descriptor(const QString &host, int port, const QString &db, const char *key)
{
    return QStringLiteral("(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(Host=%1)(Port=%2))(CONNECT_DATA=(%3=%4)))")
            .arg(host).arg(port).arg(QLatin1String(key), db);
}

void tst_ZDOCI::connectDescriptors_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("db");
    QTest::addColumn<QString>("mapped");
    QTest::addColumn<int>("attaches");
    QTest::addColumn<bool>("ok");

    const QString svc = descriptor(QStringLiteral("db1"), 1522, QStringLiteral("XE"), "SERVICE_NAME");
    QTest::newRow("net service name") << QString() << -1 << "ORCL" << "ORCL" << 1 << true;
    QTest::newRow("service descriptor") << "db1" << 1522 << "XE" << svc << 1 << true;
    QTest::newRow("default port") << "db1" << -1 << "XE"
                                  << descriptor("db1", 1521, "XE", "SERVICE_NAME") << 1 << true;
    QTest::newRow("port zero") << "db1" << 0 << "XE" << descriptor("db1", 0, "XE", "SERVICE_NAME")
                               << 1 << true;
    QTest::newRow("SID retry") << "db1" << 1522 << "XE" << descriptor("db1", 1522, "XE", "SID") << 2
                               << true;
    QTest::newRow("SID retry without host") << QString() << -1 << "XE"
                                            << descriptor(QString(), 1521, "XE", "SID") << 2 << true;
    QTest::newRow("unknown") << "db1" << 1522 << "XE" << QString() << 2 << false;
}

void tst_ZDOCI::connectDescriptors()
{
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, db);
    QFETCH(QString, mapped);
    QFETCH(int, attaches);
    QFETCH(bool, ok);
    if (!mapped.isEmpty())
        ocistub::map(mapped, m_file);
    QSqlDatabase con = QSqlDatabase::addDatabase(QStringLiteral("ZDOCI"), QStringLiteral("c"));
    con.setHostName(host);
    con.setPort(port);
    con.setDatabaseName(db);
    QCOMPARE(con.open(QStringLiteral("scott"), QStringLiteral("tiger")), ok);
    const QStringList lines = logLines(QStringLiteral("attach "));
    QCOMPARE(lines.size(), attaches);
    if (ok) {
        QCOMPARE(lines.last(), QLatin1String("attach ") + mapped);
        return;
    }
    QCOMPARE(lines.last(), QLatin1String("attach ") + descriptor(host, port, db, "SID"));
    QCOMPARE(con.lastError().driverText(), QStringLiteral("Unable to logon"));
    QCOMPARE(con.lastError().databaseText(),
             QStringLiteral("ORA-12154: TNS:could not resolve the connect identifier specified\n"));
    QCOMPARE(con.lastError().nativeErrorCode(), QStringLiteral("12154"));
    QVERIFY(con.isOpenError());
}

void tst_ZDOCI::logon_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("injected");
    QTest::addColumn<QString>("session");
    QTest::addColumn<QString>("nativeCode");

    QTest::newRow("database credentials") << "scott" << "tiger" << QString()
                                          << "session credentials 1 user scott password tiger" << QString();
    QTest::newRow("external") << QString() << QString() << QString()
                              << "session credentials 2 user  password " << QString();
    QTest::newRow("password only") << QString() << "tiger" << QString()
                                   << "session credentials 1 user  password tiger" << QString();
    QTest::newRow("success with information") << "scott" << "tiger" << "OCISessionBegin"
                                              << "session credentials 1 user scott password tiger"
                                              << QString();
    QTest::newRow("wrong password") << "scott" << "lion" << QString()
                                    << "session credentials 1 user scott password lion" << "1017";
    QTest::newRow("context refused") << "scott" << "tiger" << "OCIAttrSet" << QString() << "24315";
}

void tst_ZDOCI::logon()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, injected);
    QFETCH(QString, session);
    QFETCH(QString, nativeCode);
    if (nativeCode == QLatin1String("1017")) {
        ocistub::set("user", QStringLiteral("scott"));
        ocistub::set("password", QStringLiteral("tiger"));
    }
    if (!injected.isEmpty())
        ocistub::fail(injected.toLatin1().constData(), nativeCode.isEmpty() ? 1 : -1,
                      nativeCode.toInt(), "illegal attribute value");
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("ZDOCI"), QStringLiteral("l"));
    db.setDatabaseName(QStringLiteral("ORCL"));
    QCOMPARE(db.open(user, password), nativeCode.isEmpty());
    const QString log = ocistub::takeLog();
    QCOMPARE(log.split(QLatin1Char('\n')).filter(QStringLiteral("session credentials")).value(0),
             session);
    if (nativeCode.isEmpty()) {
        db.close();
        return;
    }
    QCOMPARE(db.lastError().type(), QSqlError::ConnectionError);
    QCOMPARE(db.lastError().nativeErrorCode(), nativeCode);
    if (nativeCode == QLatin1String("1017"))
        QCOMPARE(db.lastError().databaseText(),
                 QStringLiteral("ORA-01017: invalid username/password; logon denied\n"));
    QVERIFY(log.contains(QLatin1String("detach"))); // cleanup() checks that every handle went back
}

void tst_ZDOCI::connectOptions_data()
{
    QTest::addColumn<QString>("options");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("prefetch");

    const QString memory = QStringLiteral("prefetch memory 10240");
    QTest::newRow("rows") << "OCI_ATTR_PREFETCH_ROWS=750" << QString() << "prefetch rows 750," + memory;
    QTest::newRow("blank before key") << " OCI_ATTR_PREFETCH_ROWS=750" << " OCI_ATTR_PREFETCH_ROWS" << memory;
    QTest::newRow("not a number") << "OCI_ATTR_PREFETCH_ROWS=many" << QString() << memory;
    QTest::newRow("both") << "OCI_ATTR_PREFETCH_MEMORY=0;OCI_ATTR_PREFETCH_ROWS=10" << QString()
                          << "prefetch rows 10,prefetch memory 0";
    QTest::newRow("memory not a number") << "OCI_ATTR_PREFETCH_MEMORY=x" << QString() << QString();
    QTest::newRow("no equals sign") << "PREFETCH" << "PREFETCH" << memory;
}

void tst_ZDOCI::connectOptions()
{
    QFETCH(QString, options);
    QFETCH(QString, warning);
    QFETCH(QString, prefetch);
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral(
                "ZDOCIDriver::parseArgs: Invalid parameter: '%1'").arg(warning)));
    QSqlDatabase db = open(options);
    QVERIFY(db.isOpen());
    QSqlQuery q(db);
    QVERIFY(q.prepare(QStringLiteral("select id from kinds")));
    QCOMPARE(logLines(QStringLiteral("prefetch")).join(QLatin1Char(',')), prefetch);
}

void tst_ZDOCI::serverVersion_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("unicode");
    QTest::newRow("11g") << "Oracle Database 11g Release 11.2.0.1.0 - Production" << true;
    QTest::newRow("8i") << "Oracle8i Release 8.1.7.0.0 - Production" << false;
    QTest::newRow("no number") << "Oracle Database" << false;
    QTest::newRow("unreadable") << QString() << false;
}

void tst_ZDOCI::serverVersion()
{
    QFETCH(QString, version);
    QFETCH(bool, unicode);
    if (version.isEmpty()) {
        ocistub::fail("OCIServerVersion", -1, 1012, "not logged on");
        QTest::ignoreMessage(QtWarningMsg, "ZDOCIDriver::open: could not get Oracle server version.");
    }
    ocistub::set("version", version);
    QSqlDatabase db = open();
    QVERIFY(db.isOpen());
    QCOMPARE(db.driver()->hasFeature(QSqlDriver::Unicode), unicode);
}

void tst_ZDOCI::commitModes()
{
    QSqlDatabase db = open();
    QSqlQuery before(db);
    QVERIFY(before.prepare(QStringLiteral("insert into trn values (1)")));
    QVERIFY(db.transaction());
    QCOMPARE(logLines(QStringLiteral("transaction")), QStringList{"transaction start 2 512"});
    QSqlQuery inside(db);
    QVERIFY(inside.prepare(QStringLiteral("insert into trn values (2)")));
    // A query joins the transaction that is open when it executes.
    QVERIFY(before.exec());
    QVERIFY(inside.exec());
    QCOMPARE(logLines(QStringLiteral("execute")), QStringList({"execute 1 mode 0", "execute 1 mode 0"}));
    QVERIFY(db.rollback());
    QCOMPARE(column(QStringLiteral("select count(*) from trn"), db), QStringLiteral("0"));
    ocistub::takeLog();

    // ... and commits on its own again once the transaction is over.
    QVERIFY(inside.exec());
    QCOMPARE(logLines(QStringLiteral("execute")), QStringList{"execute 1 mode 32"});
    QVERIFY(db.rollback());
    QCOMPARE(column(QStringLiteral("select v from trn"), db), QStringLiteral("2"));
    QVERIFY(db.transaction());
    QVERIFY(before.exec());
    QVERIFY(db.commit());
    QCOMPARE(column(QStringLiteral("select v from trn order by v"), db), QStringLiteral("1,2"));
    QVERIFY(QSqlQuery(db).exec(QStringLiteral("delete from trn")));

    db.close();
    QTest::ignoreMessage(QtWarningMsg, "ZDOCIDriver::beginTransaction: Database not open");
    QVERIFY(!db.driver()->beginTransaction());
}

void tst_ZDOCI::transactionStatus_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("failure");

    QTest::newRow("begin error") << "OCITransStart" << -1 << "Unable to begin transaction";
    QTest::newRow("begin invalid handle") << "OCITransStart" << -2 << "Unable to begin transaction";
    QTest::newRow("commit need data") << "OCITransCommit" << 99 << "Unable to commit transaction";
    QTest::newRow("commit with information") << "OCITransCommit" << 1 << QString();
    QTest::newRow("rollback error") << "OCITransRollback" << -1 << "Unable to rollback transaction";
}

void tst_ZDOCI::transactionStatus()
{
    QFETCH(QString, entry);
    QFETCH(int, status);
    QFETCH(QString, failure);
    QSqlDatabase db = open();
    const bool begin = entry == QLatin1String("OCITransStart");
    if (!begin)
        QVERIFY(db.transaction());
    ocistub::fail(entry.toLatin1().constData(), status, 2049, "failed");
    const bool ok = begin ? db.transaction()
                          : entry == QLatin1String("OCITransCommit") ? db.commit() : db.rollback();
    QCOMPARE(ok, failure.isEmpty());
    if (!ok) {
        QCOMPARE(db.lastError().driverText(), failure);
        QCOMPARE(db.lastError().type(), QSqlError::TransactionError);
    }
    // The transaction flag moved only on success.
    ocistub::takeLog();
    QVERIFY(QSqlQuery(db).exec(QStringLiteral("select id from kinds")));
    const bool inTransaction = begin ? ok : !ok;
    QCOMPARE(logLines(QStringLiteral("execute")).value(0),
             QStringLiteral("execute 0 mode %1").arg(inTransaction ? 0 : 32));
}

void tst_ZDOCI::bindInOut_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QVariant>("in");
    QTest::addColumn<int>("inFlags");
    QTest::addColumn<QVariant>("out");
    QTest::addColumn<QVariant>("expected");

    QString roomy;
    roomy.reserve(20);
    const int in = QSql::In;
    QTest::newRow("int") << "NUMBER(10)" << QVariant(42) << in << QVariant(0) << QVariant(42);
    QTest::newRow("double") << "FLOAT" << QVariant(2.25) << in << QVariant(0.0) << QVariant(2.25);
    QTest::newRow("longlong") << "NUMBER(19)" << QVariant(-9000000000000LL) << in << QVariant(0LL)
                              << QVariant(-9000000000000LL);
    QTest::newRow("ulonglong") << "NUMBER(20)" << QVariant(9000000000000ULL) << in << QVariant(0ULL)
                               << QVariant(9000000000000ULL);
    QTest::newRow("date-time") << "DATE" << QVariant(QDateTime(QDate(2024, 3, 5), QTime(14, 30, 9, 250)))
                               << in << QVariant(QDateTime())
                               << QVariant(QDateTime(QDate(2024, 3, 5), QTime(14, 30, 9)));
    QTest::newRow("time") << "DATE" << QVariant(QTime(9, 5, 7)) << in << QVariant(QTime())
                          << QVariant(QTime(9, 5, 7));
    QTest::newRow("bytes") << "RAW(8)" << QVariant(QByteArray("\x00\x01\xff", 3)) << in
                           << QVariant(QByteArray(3, '\0')) << QVariant(QByteArray("\x00\x01\xff", 3));
    QTest::newRow("text") << "VARCHAR2(20)" << QVariant(QStringLiteral("héllo €")) << in
                          << QVariant(roomy) << QVariant(QStringLiteral("héllo €"));
    QTest::newRow("text cut to capacity") << "VARCHAR2(20)" << QVariant(QStringLiteral("abcdef")) << in
                                          << QVariant(QString(3, QLatin1Char('x')))
                                          << QVariant(QStringLiteral("abc"));
    QTest::newRow("binary text") << "VARCHAR2(20)" << QVariant(QStringLiteral("raw text"))
                                 << (in | QSql::Binary) << QVariant(roomy)
                                 << QVariant(QStringLiteral("raw text"));
    QTest::newRow("bool keeps its value") << "VARCHAR2(10)" << QVariant(true) << in << QVariant(false)
                                          << QVariant(false);
    QTest::newRow("null") << "NUMBER(10)" << QVariant(QVariant::Int) << in << QVariant(5)
                          << QVariant(QVariant::Int);
}

void tst_ZDOCI::bindInOut()
{
    QFETCH(QString, type);
    QFETCH(QVariant, in);
    QFETCH(int, inFlags);
    QFETCH(QVariant, out);
    QFETCH(QVariant, expected);
    QSqlDatabase db = open();
    QSqlQuery q(db);
    QVERIFY(q.exec(QStringLiteral("create table io (pad NUMBER(10), v %1)").arg(type)));
    // An IN 64-bit number before the OUT value: each reads its own buffer.
    QVERIFY(q.prepare(QStringLiteral("insert into io (pad, v) values (:pad, :v) returning v into :o")));
    q.bindValue(QStringLiteral(":pad"), 7LL);
    q.bindValue(QStringLiteral(":v"), in, QSql::ParamType(inFlags));
    q.bindValue(QStringLiteral(":o"), out, QSql::Out);
    QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
    const QVariant result = q.boundValue(QStringLiteral(":o"));
    QCOMPARE(result.type(), expected.type());
    QCOMPARE(result.isNull(), expected.isNull());
    QCOMPARE(result, expected);
    QVERIFY(q.exec(QStringLiteral("drop table io")));
}

void tst_ZDOCI::rowIds()
{
    QSqlDatabase db = open();
    QSqlQuery q(db);
    QVERIFY(!q.lastInsertId().isValid());
    QVERIFY(q.exec(QStringLiteral("insert into rid (v) values ('x')")));
    const QVariant id = q.lastInsertId();
    QCOMPARE(id.typeName(), "ZDOCIRowIdPointer");
    QVERIFY(q.exec(QStringLiteral("select v from rid")));
    QVERIFY(!q.lastInsertId().isValid());

    QVERIFY(q.prepare(QStringLiteral("select v from rid where rowid = :r")));
    q.bindValue(QStringLiteral(":r"), id);
    QVERIFY(q.exec());
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("x"));
    QVERIFY(ocistub::takeLog().contains(QLatin1String("bind 1 type 104 size -1")));

    QTest::ignoreMessage(QtWarningMsg, "Unknown bind variable");
    q.bindValue(QStringLiteral(":r"), id, QSql::Out);
    q.exec();
    // The unbound OUT value comes back as the row id it was.
    QCOMPARE(q.boundValue(QStringLiteral(":r")).typeName(), "ZDOCIRowIdPointer");
    QVERIFY(q.exec(QStringLiteral("delete from rid")));
}

void tst_ZDOCI::fetchKinds_data()
{
    QTest::addColumn<int>("policy");
    QTest::addColumn<QString>("column");
    QTest::addColumn<int>("id");
    QTest::addColumn<QVariant>("expected");

    const int high = QSql::HighPrecision, dbl = QSql::LowPrecisionDouble;
    const int i64 = QSql::LowPrecisionInt64, i32 = QSql::LowPrecisionInt32;
    QTest::newRow("NUMBER(10,2) high") << high << "num" << 1 << QVariant(QStringLiteral("12.5"));
    QTest::newRow("NUMBER(10,2) double") << dbl << "num" << 1 << QVariant(12.5);
    QTest::newRow("NUMBER(10,2) int64") << i64 << "num" << 1 << QVariant(12LL);
    QTest::newRow("NUMBER(10,2) int32") << i32 << "num" << 1 << QVariant(12);
    QTest::newRow("NUMBER int64") << i64 << "big" << 1 << QVariant(123456789012LL);
    QTest::newRow("FLOAT double") << dbl << "flt" << 1 << QVariant(2.25);
    QTest::newRow("INTEGER int32") << i32 << "cnt" << 1 << QVariant(7);
    QTest::newRow("VARCHAR2") << dbl << "txt" << 1 << QVariant(QStringLiteral("héllo"));
    QTest::newRow("DATE") << high << "dt" << 1
                          << QVariant(QDateTime(QDate(2024, 3, 5), QTime(14, 30, 9)));
    QTest::newRow("CLOB") << dbl << "clb" << 1 << QVariant(QStringLiteral("clob €"));
    QTest::newRow("empty CLOB") << dbl << "clb" << 2 << QVariant(QLatin1String(""));
    QTest::newRow("BLOB") << dbl << "blb" << 1 << QVariant(QByteArray("\x00\xff\x10", 3));
    QTest::newRow("RAW") << dbl << "rw" << 1 << QVariant(QByteArray("\x01\x02"));
    QTest::newRow("null NUMBER") << dbl << "num" << 2 << QVariant(QVariant::Double);
    QTest::newRow("null VARCHAR2") << dbl << "txt" << 2 << QVariant(QVariant::String);
    QTest::newRow("null DATE") << dbl << "dt" << 2 << QVariant(QVariant::DateTime);
    QTest::newRow("null CLOB") << dbl << "clb" << 3 << QVariant(QVariant::ByteArray);
}

void tst_ZDOCI::fetchKinds()
{
    QFETCH(int, policy);
    QFETCH(QString, column);
    QFETCH(int, id);
    QFETCH(QVariant, expected);
    QSqlDatabase db = open();
    QSqlQuery q(db);
    q.setNumericalPrecisionPolicy(QSql::NumericalPrecisionPolicy(policy));
    QVERIFY(q.exec(QStringLiteral("select %1 from kinds where id = %2").arg(column).arg(id)));
    QVERIFY(q.next());
    const QVariant value = q.value(0);
    QCOMPARE(value.type(), expected.type());
    QCOMPARE(value.isNull(), expected.isNull());
    if (!expected.isNull())
        QCOMPARE(value, expected);
    QVERIFY(!q.next());
}

void tst_ZDOCI::columnDefines_data()
{
    QTest::addColumn<int>("policy");
    QTest::addColumn<QString>("select");
    QTest::addColumn<QString>("define");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("required");

    const int high = QSql::HighPrecision, dbl = QSql::LowPrecisionDouble;
    QTest::newRow("NUMBER(10) high") << high << "id from kinds" << "define 1 type 5 size 46 mode 0"
                                     << int(QVariant::String) << 10 << true;
    QTest::newRow("NUMBER(10) int64") << int(QSql::LowPrecisionInt64) << "id from kinds"
                                      << "define 1 type 6 size 22 mode 0" << int(QVariant::LongLong)
                                      << 10 << true;
    QTest::newRow("NUMBER high") << high << "big from kinds" << "define 1 type 5 size 158 mode 0"
                                 << int(QVariant::String) << 38 << false;
    QTest::newRow("VARCHAR2(20)") << dbl << "txt from kinds" << "define 1 type 5 size 42 mode 0"
                                  << int(QVariant::String) << 20 << false;
    QTest::newRow("INTEGER int32") << int(QSql::LowPrecisionInt32) << "cnt from kinds"
                                   << "define 1 type 3 size 4 mode 0" << int(QVariant::Int) << 38 << false;
    QTest::newRow("CLOB") << dbl << "clb from kinds" << "define 1 type 112 size -1 mode 0"
                          << int(QVariant::ByteArray) << 38 << false;
    QTest::newRow("RAW(8)") << dbl << "rw from kinds" << "define 1 type 23 size 8 mode 2"
                            << int(QVariant::ByteArray) << 38 << false;
    QTest::newRow("LONG") << dbl << "txt from longs" << "define 1 type 8 size 2147483647 mode 2"
                          << int(QVariant::String) << 0 << false;
}

void tst_ZDOCI::columnDefines()
{
    QFETCH(int, policy);
    QFETCH(QString, select);
    QFETCH(QString, define);
    QFETCH(int, type);
    QFETCH(int, length);
    QFETCH(bool, required);
    QSqlDatabase db = open();
    QSqlQuery q(db);
    q.setNumericalPrecisionPolicy(QSql::NumericalPrecisionPolicy(policy));
    QVERIFY(q.exec(QLatin1String("select ") + select));
    QCOMPARE(logLines(QStringLiteral("define")), QStringList{define});
    const QSqlField field = q.record().field(0);
    QCOMPARE(int(field.type()), type);
    QCOMPARE(field.length(), length);
    QCOMPARE(field.requiredStatus(), required ? QSqlField::Required : QSqlField::Optional);
}

void tst_ZDOCI::truncation()
{
    QSqlDatabase db = open();
    QSqlQuery q(db);
    QVERIFY(q.exec(QStringLiteral("select t from trunc")));
    QTest::ignoreMessage(QtWarningMsg, "ZDOCI Warning: data truncated for select t from trunc");
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("abcd"));
}

void tst_ZDOCI::piecewise_data()
{
    QTest::addColumn<QString>("select");
    QTest::addColumn<QVariantList>("expected");
    const QVariantList texts = {m_longText, QStringLiteral("xy"), QVariant(QVariant::String)};
    const QVariantList bytes = {m_longBytes, QByteArray("\x01\x00\x02", 3)};
    QTest::newRow("LONG forward") << "select txt from longs order by id" << texts;
    QTest::newRow("LONG RAW forward") << "select bin from raws order by id" << bytes;
}

void tst_ZDOCI::piecewise()
{
    QFETCH(QString, select);
    QFETCH(QVariantList, expected);
    QSqlDatabase db = open();
    QSqlQuery q(db);
    q.setForwardOnly(true); // pieces are read once, in order
    QVERIFY(q.exec(select));
    for (const QVariant &value : expected) {
        QVERIFY(q.next());
        QCOMPARE(q.value(0).isNull(), value.isNull());
        QCOMPARE(q.value(0), value);
    }
    QVERIFY(!q.next());
    QVERIFY(!q.lastError().isValid());
}

void tst_ZDOCI::batch_data()
{
    QTest::addColumn<QVariantList>("values");
    QTest::addColumn<bool>("asColumns");
    QTest::addColumn<QString>("logged");
    QTest::addColumn<QString>("rows");

    const QVariantList ints = {10, 20, 30};
    QTest::newRow("ints with null") << QVariantList{QVariantList{1, QVariant(QVariant::Int), 3}, ints}
                                    << false << "bind 1 type 3 size 4,execute 3 mode 32" << "1:10,:20,3:30";
    QTest::newRow("as columns") << QVariantList{QVariantList{1, 2, 3}, ints} << true
                                << "bind 1 type 3 size 4 array 3,execute 1 mode 32" << "1:10,2:20,3:30";
    QTest::newRow("texts") << QVariantList{QVariantList{"x", "abc"}, QVariantList{1, 2}} << false
                           << "bind 1 type 5 size 8" << "x:1,abc:2";
    QTest::newRow("text column takes other elements as text")
            << QVariantList{QVariantList{"x", 5}, QVariantList{1, 2}} << false << QString() << "x:1,5:2";
    QTest::newRow("single value for every row") << QVariantList{QStringLiteral("same"), ints} << false
                                                << "execute 3 mode 32" << "same:10,same:20,same:30";
    QTest::newRow("lists of unequal length") << QVariantList{QVariantList{"x", "y"}, QVariantList{1}}
                                             << false << QString() << "Unable to bind column for batch execute";
    QTest::newRow("empty lists") << QVariantList{QVariantList(), QVariantList()} << false
                                 << "execute 0 mode 32" << QString();
    QTest::newRow("element too long for a slot")
            << QVariantList{QVariantList{QString(40000, QLatin1Char('x'))}, QVariantList{1}} << false
            << QString() << "Unable to bind column for batch execute";
}

void tst_ZDOCI::batch()
{
    QFETCH(QVariantList, values);
    QFETCH(bool, asColumns);
    QFETCH(QString, logged);
    QFETCH(QString, rows);
    QSqlDatabase db = open();
    QSqlQuery q(db);
    QVERIFY(q.prepare(QStringLiteral("insert into batch (a, b) values (:a, :b)")));
    q.bindValue(QStringLiteral(":a"), values.at(0));
    q.bindValue(QStringLiteral(":b"), values.at(1));
    const bool ok = q.execBatch(asColumns ? QSqlQuery::ValuesAsColumns : QSqlQuery::ValuesAsRows);
    const QString log = ocistub::takeLog();
    for (const QString &line : logged.split(QLatin1Char(','), Qt::SkipEmptyParts))
        QVERIFY2(log.contains(line), qPrintable(log));
    if (rows.startsWith(QLatin1String("Unable"))) {
        QVERIFY(!ok);
        QCOMPARE(q.lastError().driverText(), rows);
        QVERIFY(!log.contains(QLatin1String("execute")));
        return;
    }
    QVERIFY2(ok, qPrintable(q.lastError().text()));
    QCOMPARE(column(QStringLiteral("select a, b from batch order by b"), db), rows);
    QVERIFY(q.exec(QStringLiteral("delete from batch")));
}

void tst_ZDOCI::batchOutLists()
{
    QSqlDatabase db = open();
    QSqlQuery q(db);
    QVERIFY(q.prepare(QStringLiteral(
            "insert into bo (v) values (:v) returning v, v * 2, 'n' || v into :x, :y, :z")));
    QString roomy;
    roomy.reserve(8);
    q.bindValue(QStringLiteral(":v"), QVariantList{1LL, 2LL, QVariant(QVariant::LongLong)});
    q.bindValue(QStringLiteral(":x"), QVariantList{0LL, 0LL, 0LL}, QSql::Out);
    q.bindValue(QStringLiteral(":y"), QVariantList{0ULL, 0ULL, 0ULL}, QSql::Out);
    q.bindValue(QStringLiteral(":z"), QVariantList{roomy, roomy, roomy}, QSql::Out);
    QVERIFY2(q.execBatch(), qPrintable(q.lastError().text()));
    QCOMPARE(q.boundValue(QStringLiteral(":x")).toList(), (QVariantList{1LL, 2LL, QVariant()}));
    QCOMPARE(q.boundValue(QStringLiteral(":y")).toList(), (QVariantList{2ULL, 4ULL, QVariant()}));
    QCOMPARE(q.boundValue(QStringLiteral(":z")).toList(),
             (QVariantList{QStringLiteral("n1"), QStringLiteral("n2"), QVariant()}));

    // Nothing bound: nothing runs and nothing is reported.
    QVERIFY(q.prepare(QStringLiteral("delete from bo")));
    ocistub::takeLog();
    QVERIFY(q.execBatch());
    QVERIFY(!ocistub::takeLog().contains(QLatin1String("execute")));
    QVERIFY(q.exec());
}

void tst_ZDOCI::resultStates()
{
    QSqlDatabase db = open();
    QSqlQuery q(db);
    QCOMPARE(q.size(), -1);
    QTest::ignoreMessage(QtWarningMsg, "QSqlQuery::prepare: empty query");
    QVERIFY(!q.prepare(QString()));
    QVERIFY(!q.lastError().isValid());

    QVERIFY(q.exec(QStringLiteral("select id, txt from kinds order by id")));
    QCOMPARE(q.size(), -1);
    QCOMPARE(q.record().count(), 2);
    QCOMPARE(q.record().fieldName(1), QStringLiteral("TXT"));
    QCOMPARE(q.result()->handle().typeName(), "OCIStmt*");
    QVERIFY(q.next());

    QVERIFY(q.exec(QStringLiteral("update kinds set cnt = cnt where id < 3")));
    QCOMPARE(q.numRowsAffected(), 2);
    QCOMPARE(q.size(), -1);
    QVERIFY(q.record().isEmpty());

    QVERIFY(!q.exec(QStringLiteral("select * from missing")));
    QCOMPARE(q.lastError().driverText(), QStringLiteral("Unable to execute statement"));
    QCOMPARE(q.lastError().nativeErrorCode(), QStringLiteral("942"));
    QCOMPARE(q.lastError().type(), QSqlError::StatementError);

    ocistub::fail("OCIStmtPrepare", -1, 900, "invalid SQL statement");
    ocistub::takeLog();
    QVERIFY(!q.exec(QStringLiteral("select id from kinds")));
    QCOMPARE(q.lastError().driverText(), QStringLiteral("Unable to prepare statement"));
    QVERIFY(!ocistub::takeLog().contains(QLatin1String("execute")));

    ocistub::fail("OCIStmtFetch", -1, 3113, "end-of-file on communication channel", 1);
    QVERIFY(q.exec(QStringLiteral("select id from kinds order by id")));
    QVERIFY(q.next());
    QVERIFY(!q.next());
    QCOMPARE(q.lastError().driverText(), QStringLiteral("Unable to goto next"));
    QCOMPARE(q.lastError().databaseText(), QStringLiteral("ORA-03113: end-of-file on communication channel\n"));

    // A LOB column without a locator: the execution fails and no row is fetched.
    ocistub::fail("OCIDescriptorAlloc", -1);
    QTest::ignoreMessage(QtWarningMsg, "ZDOCICols: Cannot create LOB locator");
    QVERIFY(!q.exec(QStringLiteral("select id, clb from kinds order by id")));
    QCOMPARE(q.lastError().driverText(), QStringLiteral("Cannot create LOB locator"));
    QCOMPARE(q.lastError().type(), QSqlError::StatementError);
    QVERIFY(!q.next());
    QVERIFY(q.exec(QStringLiteral("select clb from kinds where id = 1")));
    QVERIFY(q.next());
}

void tst_ZDOCI::catalogue()
{
    QSqlDatabase closed = QSqlDatabase::addDatabase(QStringLiteral("ZDOCI"), QStringLiteral("closed"));
    QVERIFY(closed.tables(QSql::AllTables).isEmpty());
    QCOMPARE(closed.primaryIndex(QStringLiteral("emp")).cursorName(), QStringLiteral("emp"));
    QVERIFY(ocistub::takeLog().isEmpty());

    QSqlDatabase db = open();
    const QString exclude = QStringLiteral(
            "owner != 'MDSYS' and owner != 'LBACSYS' and owner != 'SYS' and owner != 'SYSTEM' and "
            "owner != 'WKSYS' and owner != 'CTXSYS' and owner != 'WMSYS'");
    const QString include = QStringLiteral(
            "owner  = 'MDSYS' or owner  = 'LBACSYS' or owner  = 'SYS' or owner  = 'SYSTEM' or "
            "owner  = 'WKSYS' or owner  = 'CTXSYS' or owner  = 'WMSYS'");
    QCOMPARE(db.tables(QSql::Tables), (QStringList{"EMP", "HR.EMPLOYEES", "SCOTT.SYN"}));
    QCOMPARE(logLines(QStringLiteral("prepare")),
             (QStringList{"prepare select owner, table_name from all_tables where " + exclude,
                          "prepare select owner, synonym_name from all_synonyms where " + exclude}));
    QCOMPARE(db.tables(QSql::AllTables),
             (QStringList{"EMP", "HR.EMPLOYEES", "SCOTT.SYN", "EMPV", "USER_TABLES", "SYS.DUAL"}));
    QCOMPARE(logLines(QStringLiteral("prepare")).mid(3),
             (QStringList{"prepare select table_name from dictionary",
                          "prepare select owner, table_name from all_tables where " + include,
                          "prepare select owner, synonym_name from all_synonyms where " + include}));
    const QString lastOwner = qSystemOwnerFilter(QStringLiteral("WMSYS"), 1);
    QVERIFY(lastOwner.endsWith(QLatin1String("' and owner != 'CTXSYS'")));
    QVERIFY(!lastOwner.contains(QLatin1String("WMSYS")));

    const QSqlRecord rec = db.record(QStringLiteral("emp"));
    QCOMPARE(logLines(QStringLiteral("prepare")).value(0),
             QStringLiteral("prepare select column_name, data_type, data_length, data_precision, "
                            "data_scale, nullable, data_default, char_length from all_tab_columns a "
                            "where a.table_name='EMP' and a.owner='SCOTT'"));
    QCOMPARE(rec.count(), 2);
    QCOMPARE(rec.field(0).name(), QStringLiteral("EMPNO"));
    QCOMPARE(rec.field(0).type(), QVariant::Double);
    QCOMPARE(rec.field(0).requiredStatus(), QSqlField::Required);
    QCOMPARE(rec.field(0).length(), 10);
    QCOMPARE(rec.field(1).type(), QVariant::String);
    QCOMPARE(rec.field(1).length(), 40);
    QCOMPARE(rec.field(1).requiredStatus(), QSqlField::Optional);
    QCOMPARE(rec.field(1).defaultValue().toString(), QStringLiteral("x"));
    QCOMPARE(db.record(QStringLiteral("scott.syn")).count(), 2);
    QVERIFY(ocistub::takeLog().contains(QLatin1String("join all_synonyms b")));

    // Quotes inside a name stay inside its literal.
    QVERIFY(db.record(QStringLiteral("hr.o'brien")).isEmpty());
    const QStringList lookups = logLines(QStringLiteral("prepare"));
    QCOMPARE(lookups.size(), 2);
    QVERIFY(lookups.at(0).endsWith(QLatin1String("a.table_name='O''BRIEN' and a.owner='HR'")));
    QVERIFY(lookups.at(1).endsWith(QLatin1String("b.owner='HR' and b.synonym_name='O''BRIEN'")));

    const QSqlIndex index = db.primaryIndex(QStringLiteral("emp"));
    QCOMPARE(index.cursorName(), QStringLiteral("emp"));
    QCOMPARE(index.name(), QStringLiteral("PK_EMP"));
    QCOMPARE(index.count(), 1);
    QCOMPARE(index.fieldName(0), QStringLiteral("EMPNO"));
    QCOMPARE(logLines(QStringLiteral("prepare")).value(1),
             QStringLiteral("prepare select data_type from all_tab_columns where table_name='EMP' "
                            "and column_name='EMPNO' and owner='SCOTT'"));
    QVERIFY(db.primaryIndex(QStringLiteral("kinds")).name().isEmpty());
    db.close();

    ocistub::set("version", QStringLiteral("Oracle8i Release 8.1.7.0.0"));
    QSqlDatabase old = open();
    old.record(QStringLiteral("emp"));
    QVERIFY(logLines(QStringLiteral("prepare")).value(0).contains(
            QLatin1String("data_default from all_tab_columns")));
}

void tst_ZDOCI::formatValue_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("literal");

    const QDateTime dt(QDate(2003, 1, 7), QTime(9, 5, 0, 250));
    QTest::newRow("date") << int(QVariant::Date) << QVariant(QDate(2024, 3, 5))
                          << "TO_DATE('2024-3-5','YYYY-MM-DD')";
    QTest::newRow("date of a date-time") << int(QVariant::Date) << QVariant(dt)
                                         << "TO_DATE('2003-1-7','YYYY-MM-DD')";
    QTest::newRow("date-time") << int(QVariant::DateTime) << QVariant(dt)
                               << "TO_DATE('2003-1-7 9:5:0','YYYY-MM-DD HH24:MI:SS')";
    QTest::newRow("invalid date-time") << int(QVariant::DateTime) << QVariant(QDateTime()) << "NULL";
    QTest::newRow("null date") << int(QVariant::Date) << QVariant(QVariant::Date) << "NULL";
    QTest::newRow("time of a date-time") << int(QVariant::Time) << QVariant(dt)
                                         << "TO_DATE('9:5:0','HH24:MI:SS')";
    QTest::newRow("bare time") << int(QVariant::Time) << QVariant(QTime(14, 30, 9))
                               << "TO_DATE('14:30:9','HH24:MI:SS')";
    QTest::newRow("time of a text") << int(QVariant::Time) << QVariant(QStringLiteral("2024-03-05T08:07:06"))
                                    << "TO_DATE('8:7:6','HH24:MI:SS')";
    QTest::newRow("null time") << int(QVariant::Time) << QVariant(QVariant::Time) << "NULL";
    QTest::newRow("text") << int(QVariant::String) << QVariant(QStringLiteral("it's")) << "'it''s'";
}

void tst_ZDOCI::formatValue()
{
    QFETCH(int, type);
    QFETCH(QVariant, value);
    QFETCH(QString, literal);
    ZDOCIDriver driver;
    QSqlField field(QStringLiteral("f"), QVariant::Type(type));
    field.setValue(value);
    QCOMPARE(driver.formatValue(field, false), literal);
}

QTEST_GUILESS_MAIN(tst_ZDOCI)
#include "tst_zdoci.moc"
