#include "stubdriver.h"
#include "zsqlconnectiondialog.h"

#include <QtWidgets>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

// Answers every message box the dialog opens, noting title, text, icon and
// whether the dialog is its parent.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(QWidget *expectedParent)
        : m_parent(expectedParent)
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen << QStringList { box->windowTitle(), box->text(),
                                  box->icon() == QMessageBox::Information ? "info" : "warning",
                                  box->parentWidget() == m_parent ? "child" : "orphan" }
                        .join(QLatin1Char('|'));
            box->button(QMessageBox::Ok)->click();
        });
        m_timer.start(10);
    }
    QStringList seen;

private:
    QWidget *m_parent;
    QTimer m_timer;
};

class tst_ZSQLConnectionDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void form();
    void initialState();
    void connection_data();
    void connection();
    void testButton_data();
    void testButton();
    void okAndCancel();

private:
    QTemporaryDir m_dir;
    QString m_sqlitePath;
};

void tst_ZSQLConnectionDialog::initTestCase()
{
    stubdriver::registerAll();
    QVERIFY(m_dir.isValid());
    m_sqlitePath = m_dir.filePath(QStringLiteral("there.db"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("make"));
        db.setDatabaseName(m_sqlitePath);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("create table t (a integer)")));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("make"));
}

void tst_ZSQLConnectionDialog::form()
{
    ZSQLConnectionDialog dialog;
    QCOMPARE(dialog.objectName(), QStringLiteral("ZSQLConnectionDialog"));
    QCOMPARE(dialog.size(), QSize(405, 268));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));

    auto *grid = dialog.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
    QVERIFY(grid);
    QCOMPARE(grid->columnCount(), 1);
    const QStringList rows = {
        "horizontalLayout|label|Connection type:|cmbConnection",
        "horizontalLayout_2|label_2|Server name:|leConnection",
        "horizontalLayout_6|label_6|Database:|leDatabase",
        "horizontalLayout_3|label_3|Authentication:|cmbAuthentication",
        "horizontalLayout_4|label_4|    User name:|leUsername",
        "horizontalLayout_5|label_5|    Password:|lePassword",
    };
    for (int row = 0; row < rows.size(); ++row) {
        QLayout *layout = grid->itemAtPosition(row, 0)->layout();
        QVERIFY(layout);
        auto *label = qobject_cast<QLabel *>(layout->itemAt(0)->widget());
        QVERIFY(label);
        QCOMPARE(QStringList({ layout->objectName(), label->objectName(), label->text(),
                               layout->itemAt(1)->widget()->objectName() })
                     .join(QLatin1Char('|')),
                 rows.at(row));
        QCOMPARE(label->minimumWidth(), 120);
        QCOMPARE(label->maximumSize(), QSize(120, 16777215));
    }
    QSpacerItem *spacer = grid->itemAtPosition(6, 0)->spacerItem();
    QVERIFY(spacer);
    QCOMPARE(spacer->sizeHint(), QSize(20, 40));
    QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(grid->itemAtPosition(7, 0)->widget()->objectName(), QStringLiteral("buttonBox"));

    // Focus runs in the order the widgets were made: database first.
    const QStringList inputs = { "leDatabase", "cmbConnection", "leConnection", "cmbAuthentication",
                                 "leUsername", "lePassword", "buttonBox" };
    QStringList chain;
    QWidget *widget = dialog.findChild<QWidget *>(QStringLiteral("leDatabase"));
    for (int i = 0; i < 40 && chain.size() < inputs.size(); ++i, widget = widget->nextInFocusChain()) {
        if (inputs.contains(widget->objectName()))
            chain << widget->objectName();
    }
    QCOMPARE(chain, inputs);
}

void tst_ZSQLConnectionDialog::initialState()
{
    ZSQLConnectionDialog dialog;
    auto *types = dialog.findChild<QComboBox *>(QStringLiteral("cmbConnection"));
    auto *auth = dialog.findChild<QComboBox *>(QStringLiteral("cmbAuthentication"));
    auto *user = dialog.findChild<QLineEdit *>(QStringLiteral("leUsername"));
    auto *password = dialog.findChild<QLineEdit *>(QStringLiteral("lePassword"));
    auto *database = dialog.findChild<QLineEdit *>(QStringLiteral("leDatabase"));
    auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));

    QStringList typeTexts;
    for (int i = 0; i < types->count(); ++i)
        typeTexts << types->itemText(i);
    QCOMPARE(typeTexts, QSqlDatabase::drivers());
    QCOMPARE(auth->count(), 2);
    QCOMPARE(auth->itemText(0), QStringLiteral("Default Authentication"));
    QCOMPARE(auth->itemText(1), QStringLiteral("SQL Authentication"));
    QCOMPARE(auth->currentIndex(), 0);
    QVERIFY(!user->isEnabled());
    QVERIFY(!password->isEnabled());
    QCOMPARE(password->echoMode(), QLineEdit::Password);
    QCOMPARE(password->text(), QString());
    QVERIFY(!database->text().isEmpty());
    QCOMPARE(user->text(), database->text());
    QCOMPARE(buttons->standardButtons(),
             QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Reset);
    QCOMPARE(buttons->button(QDialogButtonBox::Reset)->text(), QStringLiteral("Test"));
}

void tst_ZSQLConnectionDialog::connection_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QList<int>>("authSteps");
    QTest::addColumn<QVariantMap>("expected");

    const QVariantMap base { { "host", "srv" }, { "database", "pm" } };
    auto with = [&base](const QString &driver, const QVariantMap &more) {
        QVariantMap map = base;
        map.insert(QStringLiteral("driver"), driver);
        for (auto it = more.cbegin(); it != more.cend(); ++it)
            map.insert(it.key(), it.value());
        return map;
    };
    QTest::addRow("default authentication ignores filled fields")
        << "QSQLITE" << QList<int>() << with("QSQLITE", { { "Trusted_Connection", "TRUE" } });
    QTest::addRow("sql authentication") << "QODBC" << QList<int> { 1 }
                                        << with("QODBC", { { "UID", "sa" }, { "PWD", "pw" } });
    QTest::addRow("back to default") << "QMYSQL" << QList<int> { 1, 0 }
                                     << with("QMYSQL", { { "Trusted_Connection", "TRUE" } });
}

void tst_ZSQLConnectionDialog::connection()
{
    QFETCH(QString, driver);
    QFETCH(QList<int>, authSteps);
    QFETCH(QVariantMap, expected);

    ZSQLConnectionDialog dialog;
    auto *types = dialog.findChild<QComboBox *>(QStringLiteral("cmbConnection"));
    auto *auth = dialog.findChild<QComboBox *>(QStringLiteral("cmbAuthentication"));
    auto *user = dialog.findChild<QLineEdit *>(QStringLiteral("leUsername"));
    auto *password = dialog.findChild<QLineEdit *>(QStringLiteral("lePassword"));
    types->setCurrentText(driver);
    dialog.findChild<QLineEdit *>(QStringLiteral("leConnection"))->setText(QStringLiteral("srv"));
    dialog.findChild<QLineEdit *>(QStringLiteral("leDatabase"))->setText(QStringLiteral("pm"));
    user->setText(QStringLiteral("sa"));
    password->setText(QStringLiteral("pw"));
    for (int step : authSteps)
        auth->setCurrentIndex(step);

    const bool sqlAuthentication = auth->currentIndex() > 0;
    QCOMPARE(user->isEnabled(), sqlAuthentication);
    QCOMPARE(password->isEnabled(), sqlAuthentication);
    QCOMPARE(user->text(), QStringLiteral("sa"));
    QCOMPARE(dialog.connection().toMap(), expected);
}

void tst_ZSQLConnectionDialog::testButton_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<int>("auth");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("clientOpens");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("clientSaw"); // driver|database|user|password|host

    const QString missing = m_dir.filePath(QStringLiteral("missing.db"));
    QTest::addRow("sqlite opens the server field") << "QSQLITE" << 0 << m_sqlitePath << "elsewhere" << "" << false
                                                   << "Connection success|Connection to SQLite success|info|child" << "";
    QTest::addRow("sqlite mistyped path") << "QSQLITE" << 0 << missing << "" << "" << false
                                          << "Connection falied|Connection to SQLite falied|warning|child" << "";
    QTest::addRow("odbc sql authentication, values quoted")
        << "QODBC" << 1 << "srv" << "pm;db" << "p}w;UID=x" << false
        << "Connection falied|Connection to MSSQL failed|warning|child"
        << "QODBC|DRIVER={SQL Server};SERVER=srv;DATABASE={pm;db};UID=sa;PWD={p}}w;UID=x};|||";
    QTest::addRow("odbc3 trusted") << "QODBC3" << 0 << "srv" << "%1" << "pw" << true
                                   << "Connection success|Connection to MSSQL success|info|child"
                                   << "QODBC|DRIVER={SQL Server};SERVER=srv;DATABASE=%1;Trusted_Connection=YES;|||";
    QTest::addRow("mysql sends credentials anyway") << "QMYSQL" << 0 << "srv" << "pm" << "pw" << true
                                                    << "Connection success|Connection to MYSQL success|info|child"
                                                    << "QMYSQL|pm|sa|pw|srv";
    QTest::addRow("mysql refused") << "QMYSQL" << 1 << "srv" << "pm" << "pw" << false
                                   << "Connection falied|Connection to MYSQL falied|warning|child"
                                   << "QMYSQL|pm|sa|pw|srv";
    QTest::addRow("type without a test") << "ZDOCI" << 1 << "srv" << "pm" << "pw" << true << "" << "";
}

void tst_ZSQLConnectionDialog::testButton()
{
    QFETCH(QString, driver);
    QFETCH(int, auth);
    QFETCH(QString, server);
    QFETCH(QString, database);
    QFETCH(QString, password);
    QFETCH(bool, clientOpens);
    QFETCH(QString, box);
    QFETCH(QString, clientSaw);

    StubDriver::lastOpen() = StubDriver::Open();
    StubDriver::opens() = clientOpens;
    const QStringList namesBefore = QSqlDatabase::connectionNames();

    ZSQLConnectionDialog dialog;
    dialog.findChild<QComboBox *>(QStringLiteral("cmbConnection"))->setCurrentText(driver);
    dialog.findChild<QComboBox *>(QStringLiteral("cmbAuthentication"))->setCurrentIndex(auth);
    dialog.findChild<QLineEdit *>(QStringLiteral("leConnection"))->setText(server);
    dialog.findChild<QLineEdit *>(QStringLiteral("leDatabase"))->setText(database);
    dialog.findChild<QLineEdit *>(QStringLiteral("leUsername"))->setText(QStringLiteral("sa"));
    dialog.findChild<QLineEdit *>(QStringLiteral("lePassword"))->setText(password);

    BoxAnswerer answerer(&dialog);
    dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Reset)->click();
    QCOMPARE(answerer.seen, box.isEmpty() ? QStringList() : QStringList { box });
    QCOMPARE(dialog.result(), int(QDialog::Rejected));

    const StubDriver::Open &open = StubDriver::lastOpen();
    const QString saw = open.driver.isEmpty()
        ? QString()
        : QStringList { open.driver, open.database, open.user, open.password, open.host }.join(QLatin1Char('|'));
    QCOMPARE(saw, clientSaw);

    if (driver == QLatin1String("QSQLITE")) {
        // Read-only: a wrong path leaves no new file; the test's connection is gone.
        QVERIFY(QFileInfo::exists(m_sqlitePath));
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("missing.db"))));
        QCOMPARE(QSqlDatabase::connectionNames(), namesBefore);
    }
}

void tst_ZSQLConnectionDialog::okAndCancel()
{
    ZSQLConnectionDialog dialog;
    auto *buttons = dialog.findChild<QDialogButtonBox *>();
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    buttons->button(QDialogButtonBox::Ok)->click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    buttons->button(QDialogButtonBox::Cancel)->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(rejected.count(), 1);
}

QTEST_MAIN(tst_ZSQLConnectionDialog)
#include "tst_zsqlconnectiondialog.moc"
