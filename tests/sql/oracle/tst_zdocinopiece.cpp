#include "ocistubcontrol.h"
#include "zdocidriver.h"
#include "zdoci_p.h"

#include <QSqlDatabase>
#include <QSqlDriverCreator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

// A client that lacks OCIStmtSetPieceInfo: everything but piecewise fetching
// works, and a LONG column ends its query without an error.
class tst_ZDOCINoPiece : public QObject
{
    Q_OBJECT

private slots:
    void longColumnWithoutPieces()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("db.sqlite"));
        {
            QSqlDatabase seed = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("seed"));
            seed.setDatabaseName(file);
            QVERIFY(seed.open());
            QSqlQuery q(seed);
            QVERIFY(q.exec(QStringLiteral("create table t (id NUMBER(10), txt LONG)")));
            QVERIFY(q.exec(QStringLiteral("insert into t values (1, 'abc')")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("seed"));
        ocistub::map(QStringLiteral("ORCL"), file);

        QSqlDatabase::registerSqlDriver(QStringLiteral("ZDOCI"), new QSqlDriverCreator<ZDOCIDriver>);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("ZDOCI"));
        db.setDatabaseName(QStringLiteral("ORCL"));
        QVERIFY2(db.open(QStringLiteral("scott"), QStringLiteral("tiger")), qPrintable(db.lastError().text()));
        QCOMPARE(D_OCIStmtSetPieceInfo(nullptr, 0, nullptr, nullptr, nullptr, 0, nullptr, nullptr),
                 int32_t(OCI_ERROR));

        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("select id from t")));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), 1);

        QVERIFY(q.exec(QStringLiteral("select id, txt from t")));
        QVERIFY(!q.next());
        QVERIFY(!q.lastError().isValid());
        QCOMPARE(q.at(), int(QSql::AfterLastRow));
    }
};

QTEST_GUILESS_MAIN(tst_ZDOCINoPiece)
#include "tst_zdocinopiece.moc"
