#include "connectionrecord.h"
#include "linkencoder.h"
#include "stubdriver.h"
#include "zserverlink.h"

#include <QtTest>

class tst_ConnectionRecord : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { registerStubDrivers(); }
    void fromVariant_data();
    void fromVariant();
    void toString_data();
    void toString();
    void fromString_data();
    void fromString();
    void textRoundTrip();
};

using Rec = QVariantMap;

static QString link(quint8 header, int port, const QList<QByteArray> &fields)
{
    return testlink::text(testlink::payload(header, port, fields), 0x02, kServerLinkKey);
}

void tst_ConnectionRecord::fromVariant_data()
{
    QTest::addColumn<Rec>("record");
    QTest::addColumn<QString>("expected"); // driver|host|port|database|user|password|options

    const QString oci = QStringLiteral("|OCI_ATTR_PREFETCH_ROWS=750");
    const QString odbc = QStringLiteral("QODBC||-1|DRIVER={SQL Server};SERVER=%1;DATABASE=%2;UID=%3;PWD=%4;|||");
    const QList<QByteArray> fields = { "db7", "orcl", "scott", "tiger" };

    QTest::addRow("oracle host:port/service")
        << Rec { { "driver", "ZDOCI" }, { "database", "db7:1600/orcl" }, { "user", "scott" }, { "password", "tiger" } }
        << "ZDOCI|db7|1600|orcl|scott|tiger" + oci;
    QTest::addRow("oracle host/service ignores port")
        << Rec { { "driver", "ZDOCI" }, { "database", "db7/orcl" }, { "port", 1600 }, { "host", "h" } }
        << "ZDOCI|db7|1521|orcl||" + oci;
    QTest::addRow("oracle port not a number") << Rec { { "driver", "ZDOCI" }, { "database", "db7:x/orcl" } }
                                              << "ZDOCI|db7|0|orcl||" + oci;
    QTest::addRow("oracle without port")
        << Rec { { "driver", "ZDOCI" }, { "database", "orcl" }, { "host", "db7" }, { "user", "u" } } << "ZDOCI||-1||||";
    QTest::addRow("oracle port as text")
        << Rec { { "driver", "ZDOCI" }, { "database", "orcl" }, { "host", "db7" }, { "port", "1600" } }
        << "ZDOCI|db7|1600|orcl||" + oci;
    QTest::addRow("odbc template") << Rec { { "driver", "QODBC" }, { "host", "srv" }, { "database", "pm" },
                                            { "user", "sa" }, { "password", "pw" }, { "port", 1433 } }
                                   << odbc.arg("srv", "pm", "sa", "pw");
    QTest::addRow("odbc full text") << Rec { { "driver", "QODBC" }, { "host", "srv" }, { "database", "DSN={x};" } }
                                    << "QODBC||-1|DSN={x};|||";
    QTest::addRow("odbc values quoted, placeholders left")
        << Rec { { "driver", "QODBC" }, { "host", "%2" }, { "database", " pm" }, { "user", "a}b{" }, { "password", "p;UID=admin" } }
        << "QODBC||-1|DRIVER={SQL Server};SERVER=%2;DATABASE={ pm};UID={a}}b{};PWD={p;UID=admin};|||";
    QTest::addRow("odbc3 gets nothing") << Rec { { "driver", "QODBC3" }, { "host", "srv" }, { "database", "pm" } }
                                        << "QODBC3||-1||||";
    QTest::addRow("mysql gets nothing") << Rec { { "driver", "QMYSQL" }, { "host", "srv" }, { "port", 3306 } }
                                        << "QMYSQL||-1||||";
    QTest::addRow("sqlite file") << Rec { { "driver", "QSQLITE" }, { "database", "/tmp/a.db" }, { "host", "h" } }
                                 << "QSQLITE||-1|/tmp/a.db|||";
    QTest::addRow("oracle link overrides record")
        << Rec { { "driver", "QSQLITE" }, { "host", "mine" }, { "link", link(0x10, 1600, fields) } }
        << "ZDOCI|db7|1600|orcl|scott|tiger" + oci;
    QTest::addRow("oracle link port 65535") << Rec { { "link", link(0x10, 65535, fields) } }
                                            << "ZDOCI|db7|65535|orcl|scott|tiger" + oci;
    QTest::addRow("oracle link host:port/service") << Rec { { "link", link(0x00, -1, { "", "db9:1700/svc", "u", "p" }) } }
                                                   << "ZDOCI|db9|1700|svc|u|p" + oci;
    QTest::addRow("sql server link") << Rec { { "link", link(0x01, -1, { "srv", "pm", "sa", "p;w" }) } }
                                     << odbc.arg("srv", "pm", "sa", "{p;w}");
    QTest::addRow("undecodable link") << Rec { { "driver", "QSQLITE" }, { "link", "AwJub3QgYSBsaW5r" } } << "||-1||||";
}

void tst_ConnectionRecord::fromVariant()
{
    QFETCH(Rec, record);
    QFETCH(QString, expected);

    for (int i = 0; i < 2 && QByteArray(QTest::currentDataTag()) == "oracle without port"; ++i)
        QTest::ignoreMessage(QtWarningMsg, "missing parametres sent to ZDOCI connection");
    const Rec before = record;
    {
        auto settings = [](const QSqlDatabase &db) {
            return QStringList({ db.driverName(), db.hostName(), QString::number(db.port()), db.databaseName(),
                                 db.userName(), db.password(), db.connectOptions() }).join(QLatin1Char('|'));
        };
        const QSqlDatabase db = connectionFromVariant(record, QStringLiteral("first"));
        QCOMPARE(db.connectionName(), QStringLiteral("first"));
        QVERIFY(!db.isOpen());
        QCOMPARE(settings(db), expected);
        // Read back, the connection's settings are in clear (no link) and make the same connection.
        const QVariantMap back = connectionToVariant(db).toMap();
        QVERIFY(!back.contains(QStringLiteral("link")));
        QCOMPARE(settings(connectionFromVariant(back, QStringLiteral("second"))), expected);
    }
    QCOMPARE(record, before);
    QSqlDatabase::removeDatabase(QStringLiteral("first"));
    QSqlDatabase::removeDatabase(QStringLiteral("second"));
}

void tst_ConnectionRecord::toString_data()
{
    QTest::addColumn<Rec>("record");
    QTest::addColumn<QString>("text");

    const QString empty = QStringLiteral("driver=,host=,port=%1,database=,user=,password=,name=");
    QTest::addRow("plain") << Rec { { "driver", "QSQLITE" }, { "database", "/tmp/a.db" }, { "name", "Local" } }
                           << "driver=QSQLITE,host=,port=0,database=/tmp/a.db,user=,password=,name=Local";
    QTest::addRow("link drops plain keys") << Rec { { "link", "QUJD" }, { "name", "N" }, { "driver", "QODBC" }, { "password", "p" } }
                                           << "link=QUJD,name=N";
    QTest::addRow("empty link") << Rec { { "link", "" } } << "link=,name=";
    QTest::addRow("p6 password saved") << Rec { { "link", "L" }, { "p6user", "admin" }, { "p6pwd", "pw" }, { "p6savepwd", 1 },
                                                { "p6uid", 3 }, { "p6auth_err", "x" } }
                                       << "link=L,name=,p6user=admin,p6pwd=pw";
    QTest::addRow("save flag true") << Rec { { "link", "L" }, { "p6pwd", "pw" }, { "p6savepwd", true } } << "link=L,name=,p6pwd=pw";
    QTest::addRow("save flag text") << Rec { { "link", "L" }, { "p6pwd", "pw" }, { "p6savepwd", "1" } } << "link=L,name=,p6pwd=pw";
    QTest::addRow("save flag 2") << Rec { { "link", "L" }, { "p6pwd", "pw" }, { "p6savepwd", 2 } } << "link=L,name=";
    QTest::addRow("no save flag") << Rec { { "link", "L" }, { "p6user", "u" }, { "p6pwd", "pw" } } << "link=L,name=,p6user=u";
    QTest::addRow("negative port") << Rec { { "port", -5 } } << empty.arg(-5);
    QTest::addRow("port not a number") << Rec { { "port", "abc" } } << empty.arg(0);
    QTest::addRow("separators escaped") << Rec { { "password", "pa,ss=w%rd" }, { "name", "a%2Cb" } }
                                        << "driver=,host=,port=0,database=,user=,password=pa%2Css%3Dw%25rd,name=a%252Cb";
}

void tst_ConnectionRecord::toString()
{
    QFETCH(Rec, record);
    QFETCH(QString, text);
    QCOMPARE(connectionToString(record), text);
}

void tst_ConnectionRecord::fromString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Rec>("record");

    QTest::addRow("empty") << "" << Rec { { "", "" } };
    QTest::addRow("first equals separates") << "a=b=c" << Rec { { "a", "b=c" } };
    QTest::addRow("no equals") << "novalue" << Rec { { "novalue", "novalue" } };
    QTest::addRow("later wins, empty items kept") << "a=1,,a=2" << Rec { { "a", "2" }, { "", "" } };
    QTest::addRow("escapes") << "password=pa%2Css%3dw%25rd,k%3Dy=%2c" << Rec { { "password", "pa,ss=w%rd" }, { "k=y", "," } };
    QTest::addRow("other percent text kept") << "a=%41%,c=%2" << Rec { { "a", "%41%" }, { "c", "%2" } };
    QTest::addRow("port is text") << "port=1521" << Rec { { "port", "1521" } };
}

void tst_ConnectionRecord::fromString()
{
    QFETCH(QString, text);
    QFETCH(Rec, record);
    const Rec read = connectionFromString(text).toMap();
    QCOMPARE(read, record);
    for (const QVariant &value : read)
        QCOMPARE(value.userType(), int(QMetaType::QString));
}

void tst_ConnectionRecord::textRoundTrip()
{
    Rec record { { "driver", "QODBC" }, { "host", "srv,1433" }, { "port", 1433 }, { "database", "pm=db" },
                 { "user", "sa" }, { "password", "a,b%2Cc=" }, { "name", "Work, main" }, { "p6user", "ad,min" },
                 { "p6pwd", "x,y" }, { "p6savepwd", 1 } };
    const Rec back = connectionFromString(connectionToString(record)).toMap();
    record.remove(QStringLiteral("p6savepwd"));
    for (auto it = record.begin(); it != record.end(); ++it)
        it.value() = it.value().toString();
    QCOMPARE(back, record);
    QVERIFY(!connectionToString(back).contains(QLatin1String("p6pwd"))); // the save flag is not kept

    const Rec emptyLink = connectionFromString(connectionToString(Rec { { "link", "" } })).toMap();
    QCOMPARE(connectionFromVariant(emptyLink, QStringLiteral("d")).driverName(), QString());
    QSqlDatabase::removeDatabase(QStringLiteral("d"));
}

QTEST_GUILESS_MAIN(tst_ConnectionRecord)
#include "tst_connectionrecord.moc"
