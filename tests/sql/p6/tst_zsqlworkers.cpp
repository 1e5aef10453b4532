#include "querytovariant.h"
#include "zsqlbulkloadworker.h"
#include "zsqlloadworker.h"
#include "zthreadmanager.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// Stored USERS passwords; digests made once with Python's hashlib:
// for i in range(n): text += str(i); text = sha256(text.encode()).hexdigest().upper()
static const char kAlice[] = "0B7A318FE2AA6B4029F98E9910B8BCC6F0B6BF7268C74046BAD4C63EA1BB7ED7"; // s1+secret, 1
static const QStringList kUsers = {
    QStringLiteral("alice|SHA-256:s1:1:") + kAlice,
    "bob|SHA-256:NaCl:A:89CFF7F2E7838EB7C69422560B919477BBDD8A4C855FFB5269B4E48EBB2F4494", // hunter2, 10
    "dave|SHA-256:pepper:a:01088366E965F2D42027D7355B81B25335B6060DBBC02EAFC73BAE06597C8B0D", // Tr0ub4dor, 10
    "eve|SHA-256:sel:3:850D2C3FE501AEBBC6EE512669C19BE7F058D70281E6FD72E880CA901518437E", // pässwörd€, 3
    "frank|SHA-256:x:2:4ba4eac0c45415e45c9b674621f5d89a78f9bfe6a6799979b239ee9efc39e6aa", // pw, 2, lower case
    "gina|",
    "many|SHA-256:m:1f:2B5FA2F585F1AEF98D6A45325BF8520F17812E38D3F4606A4406DB0739CBFF87", // pw, 31
    QStringLiteral("Dup|SHA-256:s1:1:") + kAlice,
    "dup|SHA-256:other:1:00",
    QStringLiteral("m_sha1|SHA-1:s1:1:") + kAlice,
    QStringLiteral("m_case|sha-256:s1:1:") + kAlice,
    "m_three|SHA-256:s1:1",
    QStringLiteral("m_colon|SHA-256:s:1:1:") + kAlice,
    QStringLiteral("m_zero|SHA-256:s1:0:") + kAlice,
    QStringLiteral("m_nothex|SHA-256:s1:zz:") + kAlice,
    QStringLiteral("m_0x|SHA-256:s1:0x1:") + kAlice,
    QStringLiteral("m_over|SHA-256:s1:80000000:") + kAlice,
    QStringLiteral("m_blank|SHA-256:s1: 1:") + kAlice,
    QStringLiteral("m_empty|SHA-256:s1::") + kAlice,
    QStringLiteral("Carol|SHA-256:s1:1:") + kAlice,
    QStringLiteral("m_plus|SHA-256:s1:+1:") + kAlice,
    "long|SHA-256:s:7fffffff:00", // an hour or more of hashing
    "m_neg|SHA-256:s1:-5:s1secret", // what no rounds at all would leave
}; // user_id is the position from 1

struct Outcome
{
    QStringList answers;
    QString table;
    QVariantMap record;
};

// "[a,b] {a=1,b=2} {a=3,b=4}"
static QString tableText(const QVariantList &list)
{
    QStringList parts;
    for (const QVariant &element : list) {
        QStringList cells = element.toStringList();
        if (element.userType() != QMetaType::QStringList) {
            const QVariantMap row = element.toMap();
            for (auto it = row.cbegin(); it != row.cend(); ++it)
                cells << it.key() + QLatin1Char('=') + it.value().toString();
        }
        const bool names = element.userType() == QMetaType::QStringList;
        parts << (names ? "[" : "{") + cells.join(QLatin1Char(',')) + (names ? "]" : "}");
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
    void login_data();
    void login();
    void loginGivesUpWhenOwnerCloses();
    void queryToVariantFromCurrentRow();

private:
    Outcome runBulk(const QVariantMap &record, const QStringList &statements);

    QTemporaryDir m_dir;
    QString m_p6Path, m_plainPath;
};

void tst_ZSqlWorkers::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_p6Path = m_dir.filePath(QStringLiteral("p6.db"));
    m_plainPath = m_dir.filePath(QStringLiteral("plain.db"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("setup"));
        db.setDatabaseName(m_p6Path);
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("create table USERS (user_id integer, user_name text, passwd text)"));
        QVERIFY(q.prepare("insert into USERS values (?, ?, ?)"));
        for (int i = 0; i < kUsers.size(); ++i) {
            q.addBindValue(i + 1);
            q.addBindValue(kUsers.at(i).section(QLatin1Char('|'), 0, 0));
            q.addBindValue(kUsers.at(i).section(QLatin1Char('|'), 1));
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
    // Connected ahead of the manager, so an answer is recorded before the manager hears of it.
    QSignalSpy answers(worker, &ZThreadWorker::resultReady);
    manager.setWorker(worker);
    QSignalSpy finished(&manager, &ZThreadManager::loaderFinished);
    for (const QString &sql : statements) {
        emit manager.run(sql);
        if (!finished.wait(5000))
            return outcome;
    }
    for (const QList<QVariant> &args : answers)
        outcome.answers << args.at(0).toString();
    outcome.table = tableText(worker->result());
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
    QTest::addColumn<QStringList>("sql");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("answers"); // "" success, "x" some error text

    const QVariantMap none;
    const QStringList ok { QString() }, failed { QStringLiteral("x") };
    QTest::addRow("no user id") << none << QStringList { "select '##user_id##' as t" } << "[t] {t=##user_id##}" << ok;
    QTest::addRow("user id twice, capitals kept")
        << QVariantMap { { "p6uid", 7 } } << QStringList { "select ##user_id## as a, ##user_id## + 1 as b, '##USER_ID##' as c" }
        << "[a,b,c] {a=7,b=8,c=##USER_ID##}" << ok;
    QTest::addRow("user id cannot carry sql")
        << QVariantMap { { "p6uid", "1 or 1=1" } } << QStringList { "select ##user_id## as a" } << "[a] {a=0}" << ok;
    QTest::addRow("rows in order") << none << QStringList { "select task_id as i, task_name as n from TASK order by 1" }
                                   << "[i,n] {i=1,n=Design} {i=2,n=Build} {i=3,n=Test}" << ok;
    QTest::addRow("same name twice") << none << QStringList { "select 1 as x, 2 as x" } << "[x,x] {x=2}" << ok;
    QTest::addRow("no rows") << none << QStringList { "select task_id from TASK where 0" } << "[task_id]" << ok;
    QTest::addRow("no result set") << none << QStringList { "update TASK set task_id = 0 where 0" } << "[]" << ok;
    QTest::addRow("failing statement") << none << QStringList { "select * from NOPE" } << "[]" << failed;
    QTest::addRow("driver not loaded") << QVariantMap { { "driver", "QNOPE" } } << QStringList { "select 1" } << "" << failed;
    QTest::addRow("login once, two runs, two blocks")
        << QVariantMap { { "p6uid", -1 }, { "p6user", "bob" }, { "p6pwd", "hunter2" } }
        << QStringList { "select task_name from TASK where task_id = ##user_id##", "select 5 as b, ##user_id## as c" }
        << "[task_name] {task_name=Build} [b,c] {b=5,c=2}" << QStringList { QString(), QString() };
}

void tst_ZSqlWorkers::bulkRun()
{
    QFETCH(QVariantMap, extra);
    QFETCH(QStringList, sql);
    QFETCH(QString, table);
    QFETCH(QStringList, answers);

    QVariantMap record { { "driver", "QSQLITE" }, { "database", m_p6Path } };
    for (auto it = extra.cbegin(); it != extra.cend(); ++it)
        record.insert(it.key(), it.value());
    Outcome outcome = runBulk(record, sql);
    for (QString &answer : outcome.answers)
        answer = answer.isEmpty() ? QString() : QStringLiteral("x");
    QCOMPARE(outcome.answers, answers);
    QCOMPARE(outcome.table, table);
}

void tst_ZSqlWorkers::login_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("uid");         // -1: refused
    QTest::addColumn<QString>("answer");  // the worker's answer
    QTest::addColumn<QString>("authErr"); // null: not written

    const QString invalid = QStringLiteral("Invalid username or password");
    const QString unsupported = QStringLiteral("Unsupported authentication method");
    const QString refused = QStringLiteral("P6 authentication failed");
    const QString none;
    QTest::addRow("one iteration") << "alice" << "secret" << 1 << none << none;
    QTest::addRow("typed in capitals") << "ALICE" << "secret" << 1 << none << none;
    QTest::addRow("stored in capitals") << "carol" << "secret" << 20 << none << none;
    QTest::addRow("count A") << "bob" << "hunter2" << 2 << none << none;
    QTest::addRow("count a") << "dave" << "Tr0ub4dor" << 3 << none << none;
    QTest::addRow("count 1f") << "many" << "pw" << 7 << none << none;
    QTest::addRow("count +1") << "m_plus" << "secret" << 21 << none << none;
    QTest::addRow("non-ASCII password") << "eve" << QString::fromUtf8("pässwörd€") << 4 << none << none;
    QTest::addRow("first of two rows") << "dup" << "secret" << 8 << none << none;
    QTest::addRow("wrong password") << "alice" << "Secret" << -1 << invalid << invalid;
    QTest::addRow("unknown user") << "zed" << "secret" << -1 << invalid << invalid;
    QTest::addRow("no USERS table") << "plain.db" << "secret" << -1 << invalid << invalid;
    QTest::addRow("empty password") << "alice" << "" << -1 << refused << none;
    QTest::addRow("empty user") << "" << "secret" << -1 << refused << none;
    QTest::addRow("empty stored password") << "gina" << "x" << -1 << refused << none;
    QTest::addRow("lower-case digest") << "frank" << "pw" << -1 << invalid << invalid;
    for (const char *user : { "m_sha1", "m_case", "m_three", "m_colon", "m_zero", "m_nothex", "m_0x", "m_over",
                              "m_blank", "m_empty", "m_neg" })
        QTest::addRow("%s", user) << user << "secret" << -1 << unsupported << unsupported;
}

void tst_ZSqlWorkers::login()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(int, uid);
    QFETCH(QString, answer);
    QFETCH(QString, authErr);

    const bool noUsers = user == QLatin1String("plain.db");
    // Also after a refusal of an earlier run: each run answers with its own outcome.
    for (const QString &earlier : { QString(), QStringLiteral("Earlier refusal") }) {
        QVariantMap record { { "driver", "QSQLITE" }, { "database", noUsers ? m_plainPath : m_p6Path },
                             { "p6uid", -1 }, { "p6user", noUsers ? "alice" : user }, { "p6pwd", password } };
        if (!earlier.isNull())
            record.insert("p6auth_err", earlier);
        const Outcome outcome = runBulk(record, { "select ##user_id## as uid" });
        QCOMPARE(outcome.answers, QStringList({ answer }));
        QCOMPARE(outcome.record.value("p6uid").toInt(), uid);
        QCOMPARE(outcome.record.value("p6auth_err").toString(), authErr.isNull() ? earlier : authErr);
        QCOMPARE(outcome.record.contains("p6auth_err"), !authErr.isNull() || !earlier.isNull());
        QCOMPARE(outcome.table, uid < 0 ? QString() : QStringLiteral("[uid] {uid=%1}").arg(uid));
    }
}

void tst_ZSqlWorkers::loginGivesUpWhenOwnerCloses()
{
    const QString name = QStringLiteral("closing");
    auto *manager = new ZThreadManager;
    auto *worker = new ZSqlBulkLoadWorker;
    worker->setConnection(QVariantMap { { "driver", "QSQLITE" }, { "database", m_p6Path }, { "p6uid", -1 },
                                        { "p6user", "long" }, { "p6pwd", "pw" } },
                          name);
    QSignalSpy answers(worker, &ZThreadWorker::resultReady);
    manager->setWorker(worker);
    emit manager->run(QStringLiteral("select 1"));
    // Registered by the run just before it logs in.
    QTRY_VERIFY_WITH_TIMEOUT(QSqlDatabase::contains(name), 5000);
    delete manager; // returns once the login has given up, not in an hour
    QCOMPARE(answers.count(), 1);
    QCOMPARE(answers.at(0).at(0).toString(), QStringLiteral("Login interrupted"));
    QSqlDatabase::removeDatabase(name);
}

void tst_ZSqlWorkers::queryToVariantFromCurrentRow()
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("direct"));
        db.setDatabaseName(m_p6Path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec("select task_id as id from TASK order by task_id"));
        QVERIFY(query.next());
        QCOMPARE(tableText(queryToVariant(query).toList()), QStringLiteral("[id] {id=2} {id=3}"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("direct"));
}

QTEST_GUILESS_MAIN(tst_ZSqlWorkers)
#include "tst_zsqlworkers.moc"
