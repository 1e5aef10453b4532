#include "stubdriver.h"
#include "zsqlconnectiondialog.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>
#include <QtWidgets>

class tst_ZSQLConnectionDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void form();
    void connection_data();
    void connection();
    void testButton_data();
    void testButton();

private:
    QTemporaryDir m_dir;
};

template <typename T> static T *child(QObject *dialog, const char *name)
{
    return dialog->findChild<T *>(QLatin1String(name));
}

void tst_ZSQLConnectionDialog::initTestCase()
{
    registerStubDrivers();
    QVERIFY(m_dir.isValid());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
        db.setDatabaseName(m_dir.filePath(QStringLiteral("there.db")));
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("create table t (a integer)")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("make"));
}

void tst_ZSQLConnectionDialog::form()
{
    ZSQLConnectionDialog dialog;
    QCOMPARE(dialog.objectName() + dialog.windowTitle(), QStringLiteral("ZSQLConnectionDialogDialog"));
    QCOMPARE(dialog.size(), QSize(405, 268));

    auto *grid = child<QGridLayout>(&dialog, "gridLayout");
    QCOMPARE(grid->itemAtPosition(2, 0)->layout()->itemAt(1)->widget()->objectName(), QStringLiteral("leDatabase"));
    auto *buttons = qobject_cast<QDialogButtonBox *>(grid->itemAtPosition(7, 0)->widget());
    QCOMPARE(buttons->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Reset);
    QCOMPARE(buttons->button(QDialogButtonBox::Reset)->text(), QStringLiteral("Test"));

    // Focus runs in the order the widgets were made: database first.
    const QStringList inputs = { "leDatabase", "cmbConnection", "leConnection", "cmbAuthentication",
                                 "leUsername", "lePassword", "buttonBox" };
    QStringList chain;
    QWidget *widget = child<QWidget>(&dialog, "leDatabase");
    for (int i = 0; i < 40 && chain.size() < inputs.size(); ++i, widget = widget->nextInFocusChain()) {
        if (inputs.contains(widget->objectName()))
            chain << widget->objectName();
    }
    QCOMPARE(chain, inputs);

    QCOMPARE(child<QComboBox>(&dialog, "cmbConnection")->count(), QSqlDatabase::drivers().size());
    auto *password = child<QLineEdit>(&dialog, "lePassword");
    QCOMPARE(password->text(), QString()); // no compiled-in password
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QCOMPARE(child<QLineEdit>(&dialog, "leUsername")->text(), child<QLineEdit>(&dialog, "leDatabase")->text());

    QSignalSpy accepted(&dialog, &QDialog::accepted), rejected(&dialog, &QDialog::rejected);
    buttons->button(QDialogButtonBox::Ok)->click();
    buttons->button(QDialogButtonBox::Cancel)->click();
    QCOMPARE(accepted.count() + 10 * rejected.count(), 11);
}

void tst_ZSQLConnectionDialog::connection_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QList<int>>("authSteps");
    QTest::addColumn<QVariantMap>("expected");

    auto with = [](const QString &driver, QVariantMap map) {
        map.insert({ { "driver", driver }, { "host", "srv" }, { "database", "pm" } });
        return map;
    };
    QTest::addRow("default authentication") << "QSQLITE" << QList<int>()
                                            << with("QSQLITE", { { "Trusted_Connection", "TRUE" } });
    QTest::addRow("sql authentication") << "QODBC" << QList<int> { 1 } << with("QODBC", { { "UID", "sa" }, { "PWD", "pw" } });
    QTest::addRow("back to default") << "QMYSQL" << QList<int> { 1, 0 } << with("QMYSQL", { { "Trusted_Connection", "TRUE" } });
}

void tst_ZSQLConnectionDialog::connection()
{
    QFETCH(QString, driver);
    QFETCH(QList<int>, authSteps);
    QFETCH(QVariantMap, expected);

    ZSQLConnectionDialog dialog;
    auto *auth = child<QComboBox>(&dialog, "cmbAuthentication");
    auto *user = child<QLineEdit>(&dialog, "leUsername");
    auto *password = child<QLineEdit>(&dialog, "lePassword");
    QCOMPARE(auth->currentText(), QStringLiteral("Default Authentication"));
    QVERIFY(!user->isEnabled() && !password->isEnabled());
    child<QComboBox>(&dialog, "cmbConnection")->setCurrentText(driver);
    child<QLineEdit>(&dialog, "leConnection")->setText(QStringLiteral("srv"));
    child<QLineEdit>(&dialog, "leDatabase")->setText(QStringLiteral("pm"));
    user->setText(QStringLiteral("sa"));
    password->setText(QStringLiteral("pw"));
    for (int step : authSteps)
        auth->setCurrentIndex(step);

    const bool sqlAuthentication = auth->currentText() == QLatin1String("SQL Authentication");
    QCOMPARE(user->isEnabled(), sqlAuthentication);
    QCOMPARE(password->isEnabled(), sqlAuthentication);
    QCOMPARE(dialog.connection().toMap(), expected);
}

void tst_ZSQLConnectionDialog::testButton_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<int>("auth");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("database");
    QTest::addColumn<bool>("clientOpens");
    QTest::addColumn<QString>("box");       // title|text|icon
    QTest::addColumn<QString>("clientSaw"); // driver|database|user|password|host

    const QString ok = QStringLiteral("Connection success|Connection to %1 success|info");
    const QString failed = QStringLiteral("Connection falied|Connection to %1 falied|warning");
    QTest::addRow("sqlite opens the server field") << "QSQLITE" << 0 << m_dir.filePath("there.db") << "x" << false
                                                   << ok.arg("SQLite") << "";
    QTest::addRow("sqlite mistyped path") << "QSQLITE" << 0 << m_dir.filePath("missing.db") << "" << false
                                          << failed.arg("SQLite") << "";
    QTest::addRow("odbc, values quoted") << "QODBC" << 1 << "srv" << "pm;db" << false
                                         << "Connection falied|Connection to MSSQL failed|warning"
                                         << "QODBC|DRIVER={SQL Server};SERVER=srv;DATABASE={pm;db};UID=sa;PWD={p}}w;UID=x};|||";
    QTest::addRow("odbc3 trusted") << "QODBC3" << 0 << "srv" << "%1" << true << ok.arg("MSSQL")
                                   << "QODBC|DRIVER={SQL Server};SERVER=srv;DATABASE=%1;Trusted_Connection=YES;|||";
    QTest::addRow("mysql sends credentials anyway") << "QMYSQL" << 0 << "srv" << "pm" << true << ok.arg("MYSQL")
                                                    << "QMYSQL|pm|sa|p}w;UID=x|srv";
    QTest::addRow("mysql refused") << "QMYSQL" << 1 << "srv" << "pm" << false << failed.arg("MYSQL")
                                   << "QMYSQL|pm|sa|p}w;UID=x|srv";
    QTest::addRow("type without a test") << "ZDOCI" << 1 << "srv" << "pm" << true << "" << "";
}

void tst_ZSQLConnectionDialog::testButton()
{
    QFETCH(QString, driver);
    QFETCH(int, auth);
    QFETCH(QString, server);
    QFETCH(QString, database);
    QFETCH(bool, clientOpens);
    QFETCH(QString, box);
    QFETCH(QString, clientSaw);

    StubDriver::lastOpen().clear();
    StubDriver::opens() = clientOpens;
    const QStringList namesBefore = QSqlDatabase::connectionNames();
    ZSQLConnectionDialog dialog;
    child<QComboBox>(&dialog, "cmbConnection")->setCurrentText(driver);
    child<QComboBox>(&dialog, "cmbAuthentication")->setCurrentIndex(auth);
    child<QLineEdit>(&dialog, "leConnection")->setText(server);
    child<QLineEdit>(&dialog, "leDatabase")->setText(database);
    child<QLineEdit>(&dialog, "leUsername")->setText(QStringLiteral("sa"));
    child<QLineEdit>(&dialog, "lePassword")->setText(QStringLiteral("p}w;UID=x"));

    QStringList boxes; // answered from a timer, as each box runs modally
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        if (auto *shown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            QCOMPARE(shown->parentWidget(), &dialog);
            boxes << QStringList({ shown->windowTitle(), shown->text(),
                                   shown->icon() == QMessageBox::Information ? "info" : "warning" }).join(QLatin1Char('|'));
            shown->button(QMessageBox::Ok)->click();
        }
    });
    answer.start(10);
    child<QDialogButtonBox>(&dialog, "buttonBox")->button(QDialogButtonBox::Reset)->click();
    QCOMPARE(boxes, box.isEmpty() ? QStringList() : QStringList { box });
    QCOMPARE(dialog.result(), int(QDialog::Rejected)); // Test neither accepts nor closes

    const QStringList saw = StubDriver::lastOpen().mid(0, 5);
    QCOMPARE(saw.join(QLatin1Char('|')), clientSaw);
    if (driver == QLatin1String("QSQLITE")) {
        // Read-only: a wrong path leaves no new file behind, and the test's connection is gone.
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("missing.db"))));
        QCOMPARE(QSqlDatabase::connectionNames(), namesBefore);
    }
}

QTEST_MAIN(tst_ZSQLConnectionDialog)
#include "tst_zsqlconnectiondialog.moc"
