#include "zdocidriver.h"
#include "zdoci_p.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

// No client library beside the executable: every wrapper fails like an OCI
// call and reloads, and the driver reports that in the ordinary way.
class tst_ZDOCINoClient : public QObject
{
    Q_OBJECT

private slots:
    void driverWithoutClient()
    {
        QTest::ignoreMessage(QtWarningMsg, "Error while load library");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("oci\\.so")));
        QTest::ignoreMessage(QtWarningMsg, "ZDOCIDriver: unable to create environment");
        ZDOCIDriver driver;
        QCOMPARE(driver.lastError().driverText(), QStringLiteral("Unable to initialize"));
        QCOMPARE(driver.lastError().type(), QSqlError::ConnectionError);
        QCOMPARE(driver.lastError().databaseText(), QString());
        QVERIFY(!driver.isOpen());

        // Each call tries the library again.
        for (int i = 0; i < 4; ++i) {
            QTest::ignoreMessage(QtWarningMsg, "Error while load library");
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("oci\\.so")));
        }
        QVERIFY(!driver.open(QStringLiteral("ORCL"), QStringLiteral("scott"),
                             QStringLiteral("tiger"), QString(), -1, QString()));
        QCOMPARE(driver.lastError().driverText(), QStringLiteral("Unable to logon"));
        QVERIFY(driver.isOpenError());
        QCOMPARE(D_OCIStmtSetPieceInfo(nullptr, 0, nullptr, nullptr, nullptr, 0, nullptr, nullptr),
                 int32_t(OCI_ERROR));

        // The destructor's frees fail like every other call.
        for (int i = 0; i < 2; ++i) {
            QTest::ignoreMessage(QtWarningMsg, "Error while load library");
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("oci\\.so")));
        }
        QTest::ignoreMessage(QtWarningMsg, "Unable to free Error handle: -1");
        QTest::ignoreMessage(QtWarningMsg, "Unable to free Environment handle: -1");
        // An error handle with no record leaves the texts empty.
        QCOMPARE(qMakeOCIError(QString(), QSqlError::StatementError, nullptr).nativeErrorCode(),
                 QStringLiteral("-1"));
    }
};

QTEST_GUILESS_MAIN(tst_ZDOCINoClient)
#include "tst_zdocinoclient.moc"
