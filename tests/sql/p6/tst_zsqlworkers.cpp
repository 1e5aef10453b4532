#include "querytovariant.h"
#include "zsqlbulkloadworker.h"
#include "zsqlloadworker.h"
#include "zthreadmanager.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// Stored passwords of the USERS table, digests made with Python's hashlib:
// repeat n times: text += str(i); text = sha256(text.encode()).hexdigest().upper()
static const char kAlice[] = "0B7A318FE2AA6B4029F98E9910B8BCC6F0B6BF7268C74046BAD4C63EA1BB7ED7"; // s1 secret, 1
static const char kBob[] = "89CFF7F2E7838EB7C69422560B919477BBDD8A4C855FFB5269B4E48EBB2F4494"; // NaCl hunter2, 10
static const char kDave[] = "01088366E965F2D42027D7355B81B25335B6060DBBC02EAFC73BAE06597C8B0D"; // pepper Tr0ub4dor, 10
static const char kEve[] = "850D2C3FE501AEBBC6EE512669C19BE7F058D70281E6FD72E880CA901518437E"; // sel pässwörd€, 3
static const char kFrankLower[] = "4ba4eac0c45415e45c9b674621f5d89a78f9bfe6a6799979b239ee9efc39e6aa"; // x pw, 2
static const char kMany[] = "2B5FA2F585F1AEF98D6A45325BF8520F17812E38D3F4606A4406DB0739CBFF87"; // m pw, 31

struct Outcome
{
    QStringList answers;
    QVariantList result;
    QVariantMap record;
};

// "[a,b] {a=1,b=2} {a=3,b=4}"
static QString tableText(const QVariantList &list)
{
    QStringList parts;
    for (const QVariant &element : list) {
        if (element.userType() == QMetaType::QStringList) {
            parts << QLatin1Char('[') + element.toStringList().join(QLatin1Char(',')) + QLatin1Char(']');
            continue;
        }
        QStringList cells;
        const QVariantMap row = element.toMap();
        for (auto it = row.cbegin(); it != row.cend(); ++it)
            cells << it.key() + QLatin1Char('=') + it.value().toString();
        parts << QLatin1Char('{') + cells.join(QLatin1Char(',')) + QLatin1Char('}');
    }
    return parts.join(QLatin1Char(' '));
}

class tst_ZSqlWorkers : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void loadWorker_data();
    void loadWorker();
    void bulkRun_data();
    void bulkRun();
    void twoRunsTwoBlocks();
    void login_data();
    void login();
    void queryToVariantFromCurrentRow();

private:
    Outcome runBulk(const QVariantMap &record, const QStringList &statements);

    QTemporaryDir m_dir;
    QString m_p6Path;
    QString m_plainPath;
};

void tst_ZSqlWorkers::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_p6Path = m_dir.filePath(QStringLiteral("p6.db"));
    m_plainPath = m_dir.filePath(QStringLiteral("plain.db"));
    const QString alice = QStringLiteral("SHA-256:s1:1:") + QLatin1String(kAlice);
    const QList<QPair<QString, QString>> users = {
        { "alice", alice },
        { "bob", QStringLiteral("SHA-256:NaCl:A:") + kBob },
        { "dave", QStringLiteral("SHA-256:pepper:a:") + kDave },
        { "eve", QStringLiteral("SHA-256:sel:3:") + kEve },
        { "frank", QStringLiteral("SHA-256:x:2:") + kFrankLower },
        { "gina", "" },
        { "many", QStringLiteral("SHA-256:m:1f:") + kMany },
        { "Dup", alice },
        { "dup", "SHA-256:other:1:00" },
        { "m_sha1", "SHA-1:s1:1:" + QString::fromLatin1(kAlice) },
        { "m_case", "sha-256:s1:1:" + QString::fromLatin1(kAlice) },
        { "m_three", "SHA-256:s1:1" },
        { "m_colon", "SHA-256:s:1:1:" + QString::fromLatin1(kAlice) },
        { "m_zero", "SHA-256:s1:0:" + QString::fromLatin1(kAlice) },
        { "m_nothex", "SHA-256:s1:zz:" + QString::fromLatin1(kAlice) },
        { "m_0x", "SHA-256:s1:0x1:" + QString::fromLatin1(kAlice) },
        { "m_over", "SHA-256:s1:80000000:" + QString::fromLatin1(kAlice) },
        { "m_blank", "SHA-256:s1: 1:" + QString::fromLatin1(kAlice) },
        { "m_empty", "SHA-256:s1::" + QString::fromLatin1(kAlice) },
        { "Carol", alice },
        { "m_plus", "SHA-256:s1:+1:" + QString::fromLatin1(kAlice) },
    };
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("setup"));
        db.setDatabaseName(m_p6Path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("create table USERS (user_id integer, user_name text, passwd text)"));
        QVERIFY(q.prepare("insert into USERS values (?, ?, ?)"));
        for (int i = 0; i < users.size(); ++i) {
            q.addBindValue(i + 1);
            q.addBindValue(users.at(i).first);
            q.addBindValue(users.at(i).second);
            QVERIFY(q.exec());
        }
        QVERIFY(q.exec("create table TASK (task_id integer, task_name text)"));
        QVERIFY(q.exec("insert into TASK values (1, 'Design'), (2, 'Build'), (3, 'Test')"));
        db.close();
        db.setDatabaseName(m_plainPath);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec("create table TASK (task_id integer)"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("setup"));
}

Outcome tst_ZSqlWorkers::runBulk(const QVariantMap &record, const QStringList &statements)
{
    Outcome outcome;
    ZThreadManager manager;
    auto *worker = new ZSqlBulkLoadWorker;
    worker->setConnection(record, QStringLiteral("bulk"));
    // Connected ahead of the manager, so an answer is recorded before the
    // manager hears of it.
    QSignalSpy answers(worker, &ZThreadWorker::resultReady);
    manager.setWorker(worker);
    QSignalSpy finished(&manager, &ZThreadManager::loaderFinished);
    for (const QString &sql : statements) {
        const int before = finished.count();
        emit manager.run(sql);
        if (!finished.wait(5000) && finished.count() == before)
            return outcome;
    }
    for (const QList<QVariant> &args : answers)
        outcome.answers << args.at(0).toString();
    outcome.result = worker->result();
    outcome.record = worker->connection().toMap();
    QMetaObject::invokeMethod(worker, "closeConnection", Qt::BlockingQueuedConnection);
    return outcome;
}

void tst_ZSqlWorkers::loadWorker_data()
{
    QTest::addColumn<QVariantMap>("record");
    QTest::addColumn<bool>("opens");

    QTest::addRow("sqlite file") << QVariantMap { { "driver", "QSQLITE" }, { "database", m_p6Path } } << true;
    QTest::addRow("driver not loaded") << QVariantMap { { "driver", "QNOPE" } } << false;
    QTest::addRow("unopenable file") << QVariantMap { { "driver", "QSQLITE" }, { "database", m_dir.path() } } << false;
}

void tst_ZSqlWorkers::loadWorker()
{
    QFETCH(QVariantMap, record);
    QFETCH(bool, opens);

    ZThreadManager manager;
    auto *worker = new ZSqlLoadWorker;
    QSignalSpy answers(worker, &ZThreadWorker::resultReady);
    manager.setWorker(worker);
    QSignalSpy finished(&manager, &ZThreadManager::loaderFinished);
    emit manager.run(record);
    QVERIFY(finished.wait(5000));
    QCOMPARE(answers.count(), 1);
    QCOMPARE(answers.at(0).at(0).toString().isEmpty(), opens);
    QVERIFY(QSqlDatabase::contains(QStringLiteral("defaultConnection")));
    QMetaObject::invokeMethod(worker, "closeConnection", Qt::BlockingQueuedConnection);
    QVERIFY(!QSqlDatabase::contains(QStringLiteral("defaultConnection")));
}

void tst_ZSqlWorkers::bulkRun_data()
{
    QTest::addColumn<QVariantMap>("extra");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("table");
    QTest::addColumn<bool>("succeeds");

    const QVariantMap none;
    QTest::addRow("no user id, text unchanged") << none << "select '##user_id##' as t" << "[t] {t=##user_id##}" << true;
    QTest::addRow("user id twice, capitals kept")
        << QVariantMap { { "p6uid", 7 } } << "select ##user_id## as a, ##user_id## + 1 as b, '##USER_ID##' as c"
        << "[a,b,c] {a=7,b=8,c=##USER_ID##}" << true;
    QTest::addRow("user id as text") << QVariantMap { { "p6uid", "12" } } << "select ##user_id## as a" << "[a] {a=12}" << true;
    QTest::addRow("user id cannot carry sql") << QVariantMap { { "p6uid", "1 or 1=1" } } << "select ##user_id## as a"
                                              << "[a] {a=0}" << true;
    QTest::addRow("login, then the id")
        << QVariantMap { { "p6uid", -1 }, { "p6user", "alice" }, { "p6pwd", "secret" } }
        << "select task_name from TASK where task_id = ##user_id##" << "[task_name] {task_name=Design}" << true;
    QTest::addRow("rows in order") << none << "select task_id, task_name from TASK order by task_id"
                                   << "[task_id,task_name] {task_id=1,task_name=Design} {task_id=2,task_name=Build} "
                                      "{task_id=3,task_name=Test}"
                                   << true;
    QTest::addRow("same name twice") << none << "select 1 as x, 2 as x" << "[x,x] {x=2}" << true;
    QTest::addRow("no rows") << none << "select task_id from TASK where 0" << "[task_id]" << true;
    QTest::addRow("no result set") << none << "update TASK set task_name = task_name where 0" << "[]" << true;
    QTest::addRow("failing statement") << none << "select * from NOPE" << "[]" << false;
    QTest::addRow("driver not loaded") << QVariantMap { { "driver", "QNOPE" } } << "select 1" << "" << false;
}

void tst_ZSqlWorkers::bulkRun()
{
    QFETCH(QVariantMap, extra);
    QFETCH(QString, sql);
    QFETCH(QString, table);
    QFETCH(bool, succeeds);

    QVariantMap record { { "driver", "QSQLITE" }, { "database", m_p6Path } };
    for (auto it = extra.cbegin(); it != extra.cend(); ++it)
        record.insert(it.key(), it.value());
    const Outcome outcome = runBulk(record, { sql });
    QCOMPARE(outcome.answers.size(), 1);
    QCOMPARE(outcome.answers.at(0).isEmpty(), succeeds);
    QCOMPARE(tableText(outcome.result), table);
}

void tst_ZSqlWorkers::twoRunsTwoBlocks()
{
    const QVariantMap record { { "driver", "QSQLITE" }, { "database", m_p6Path }, { "p6uid", -1 },
                               { "p6user", "bob" }, { "p6pwd", "hunter2" } };
    const Outcome outcome = runBulk(record, { "select ##user_id## as a", "select 2 as b, ##user_id## as c" });
    QCOMPARE(outcome.answers, QStringList({ QString(), QString() }));
    QCOMPARE(tableText(outcome.result), QStringLiteral("[a] {a=2} [b,c] {b=2,c=2}"));
    QCOMPARE(outcome.record.value("p6uid"), QVariant(2));
}

void tst_ZSqlWorkers::login_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("withUsers");
    QTest::addColumn<int>("uid");      // -1: refused
    QTest::addColumn<QString>("error"); // the worker's answer when refused
    QTest::addColumn<QString>("authErr"); // null: not written

    const QString invalid = QStringLiteral("Invalid username or password");
    const QString unsupported = QStringLiteral("Unsupported authentication method");
    const QString refused = QStringLiteral("P6 authentication failed");
    const QString none;

    QTest::addRow("one iteration") << "alice" << "secret" << true << 1 << none << none;
    QTest::addRow("typed in capitals") << "ALICE" << "secret" << true << 1 << none << none;
    QTest::addRow("stored in capitals") << "carol" << "secret" << true << 20 << none << none;
    QTest::addRow("count A") << "bob" << "hunter2" << true << 2 << none << none;
    QTest::addRow("count a") << "dave" << "Tr0ub4dor" << true << 3 << none << none;
    QTest::addRow("count 1f") << "many" << "pw" << true << 7 << none << none;
    QTest::addRow("count with plus sign") << "m_plus" << "secret" << true << 21 << none << none;
    QTest::addRow("non-ASCII password") << "eve" << QString::fromUtf8("pässwörd€") << true << 4 << none << none;
    QTest::addRow("first of two rows") << "dup" << "secret" << true << 8 << none << none;
    QTest::addRow("wrong password") << "alice" << "Secret" << true << -1 << invalid << invalid;
    QTest::addRow("unknown user") << "zed" << "secret" << true << -1 << invalid << invalid;
    QTest::addRow("no USERS table") << "alice" << "secret" << false << -1 << invalid << invalid;
    QTest::addRow("empty password") << "alice" << "" << true << -1 << refused << none;
    QTest::addRow("empty user") << "" << "secret" << true << -1 << refused << none;
    QTest::addRow("empty stored password") << "gina" << "x" << true << -1 << refused << none;
    QTest::addRow("lower-case digest") << "frank" << "pw" << true << -1 << invalid << invalid;
    QTest::addRow("method SHA-1") << "m_sha1" << "secret" << true << -1 << unsupported << unsupported;
    QTest::addRow("method in lower case") << "m_case" << "secret" << true << -1 << unsupported << unsupported;
    QTest::addRow("three fields") << "m_three" << "secret" << true << -1 << unsupported << unsupported;
    QTest::addRow("colon in salt") << "m_colon" << "secret" << true << -1 << unsupported << unsupported;
    QTest::addRow("count zero") << "m_zero" << "secret" << true << -1 << unsupported << unsupported;
    QTest::addRow("count not hex") << "m_nothex" << "secret" << true << -1 << unsupported << unsupported;
    QTest::addRow("count with 0x") << "m_0x" << "secret" << true << -1 << unsupported << unsupported;
    QTest::addRow("count past 32 bits") << "m_over" << "secret" << true << -1 << unsupported << unsupported;
    QTest::addRow("count with blank") << "m_blank" << "secret" << true << -1 << unsupported << unsupported;
    QTest::addRow("count empty") << "m_empty" << "secret" << true << -1 << unsupported << unsupported;
}

void tst_ZSqlWorkers::login()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, withUsers);
    QFETCH(int, uid);
    QFETCH(QString, error);
    QFETCH(QString, authErr);

    const QVariantMap record { { "driver", "QSQLITE" }, { "database", withUsers ? m_p6Path : m_plainPath },
                               { "p6uid", -1 }, { "p6user", user }, { "p6pwd", password } };
    const Outcome outcome = runBulk(record, { "select ##user_id## as uid" });
    QCOMPARE(outcome.answers, QStringList({ error }));
    QCOMPARE(outcome.record.value("p6uid").toInt(), uid);
    QCOMPARE(outcome.record.value("p6auth_err").toString(), authErr);
    QCOMPARE(outcome.record.contains("p6auth_err"), !authErr.isNull());
    QCOMPARE(tableText(outcome.result), uid < 0 ? QString() : QStringLiteral("[uid] {uid=%1}").arg(uid));
}

void tst_ZSqlWorkers::queryToVariantFromCurrentRow()
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("direct"));
        db.setDatabaseName(m_p6Path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec("select task_id as id from TASK order by task_id"));
        QCOMPARE(tableText(queryToVariant(query).toList()), QStringLiteral("[id] {id=1} {id=2} {id=3}"));
        QVERIFY(query.exec("select task_id as id from TASK order by task_id"));
        QVERIFY(query.next());
        QCOMPARE(tableText(queryToVariant(query).toList()), QStringLiteral("[id] {id=2} {id=3}"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("direct"));
}

QTEST_GUILESS_MAIN(tst_ZSqlWorkers)
#include "tst_zsqlworkers.moc"
