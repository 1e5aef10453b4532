#include "linkencoder.h"
#include "ocistubcontrol.h"
#include "zdocidriver.h"
#include "zserverlink.h"
#include "zsqlbulkloadworker.h"
#include "zthreadmanager.h"

#include <QSignalSpy>
#include <QSqlDriverCreator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// One P6 road from end to end: a link record opened by a bulk worker on its
// thread over "ZDOCI" and the SQLite-backed stand-in client beside this
// executable, the P6 login against USERS, then a table loaded for that user.
class tst_P6OverZdoci : public QObject
{
    Q_OBJECT
private slots:
    void loginAndLoad();
};

void tst_P6OverZdoci::loginAndLoad()
{
    QSqlDatabase::registerSqlDriver(QStringLiteral("ZDOCI"), new QSqlDriverCreator<ZDOCIDriver>);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pmdb.sqlite"));
    {
        QSqlDatabase seed = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("seed"));
        seed.setDatabaseName(file);
        QVERIFY(seed.open());
        QSqlQuery q(seed);
        // alice / secret: SHA-256 of "s1secret0", made with Python's hashlib.
        for (const char *sql : { "create table USERS (user_id integer, user_name varchar(32), passwd varchar(128))",
                                 "insert into USERS values (4, 'alice', 'SHA-256:s1:1:0B7A318FE2AA6B4029F98E9910B8BCC6"
                                 "F0B6BF7268C74046BAD4C63EA1BB7ED7')",
                                 "create table TASK (task_id integer, task_name varchar(40), owner_id integer)",
                                 "insert into TASK values (1, 'Design', 4), (2, 'Build', 5), (3, 'Test', 4)" })
            QVERIFY2(q.exec(QLatin1String(sql)), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("seed"));

    ocistub::reset();
    ocistub::map(QStringLiteral("(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(Host=db7)(Port=1600))"
                                "(CONNECT_DATA=(SERVICE_NAME=PMDB)))"), file);
    ocistub::set("user", QStringLiteral("privuser"));
    ocistub::set("password", QStringLiteral("pr;iv"));

    const QString link = testlink::text(testlink::payload(0x10, 1600, { "db7", "PMDB", "privuser", "pr;iv" }), 0x03,
                                        kServerLinkKey);
    const QVariantMap record { { "link", link }, { "p6uid", -1 }, { "p6user", "Alice" }, { "p6pwd", "secret" } };

    ZThreadManager manager;
    auto *worker = new ZSqlBulkLoadWorker;
    worker->setConnection(record, QStringLiteral("p6"));
    QSignalSpy answers(worker, &ZThreadWorker::resultReady);
    manager.setWorker(worker);
    QSignalSpy finished(&manager, &ZThreadManager::loaderFinished);
    emit manager.run(QStringLiteral("select task_id, task_name from TASK where owner_id = ##user_id## order by task_id"));
    QVERIFY(finished.wait(10000));

    QCOMPARE(answers.at(0).at(0).toString(), QString());
    QCOMPARE(worker->connection().toMap().value(QStringLiteral("p6uid")).toInt(), 4);
    const QVariantList table = worker->result();
    QCOMPARE(table.size(), 3);
    QCOMPARE(table.at(0).toStringList(), QStringList({ "TASK_ID", "TASK_NAME" }));
    QCOMPARE(table.at(1).toMap().value(QStringLiteral("TASK_NAME")).toString(), QStringLiteral("Design"));
    QCOMPARE(table.at(2).toMap().value(QStringLiteral("TASK_ID")).toInt(), 3);
    QMetaObject::invokeMethod(worker, "closeConnection", Qt::BlockingQueuedConnection);
}

QTEST_GUILESS_MAIN(tst_P6OverZdoci)
#include "tst_p6overzdoci.moc"
