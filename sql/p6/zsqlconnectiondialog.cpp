#include "zsqlconnectiondialog.h"

#include "connectionrecord.h"
#include "sqlp6logging.h"
#include "zsqlconnectiondialogform.h"

#include <QMessageBox>
#include <QPushButton>
#include <QSqlDatabase>

namespace {
const QString kSqliteTestConnection = QStringLiteral("ZSQLConnectionDialog.testSqlite");
}

ZSQLConnectionDialog::ZSQLConnectionDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::ZSQLConnectionDialog)
{
    ui->setupUi(this);
    init();
}

ZSQLConnectionDialog::~ZSQLConnectionDialog()
{
    delete ui;
}

void ZSQLConnectionDialog::init()
{
    ui->cmbConnection->addItems(QSqlDatabase::drivers());
    ui->cmbAuthentication->addItem(QStringLiteral("Default Authentication"));
    ui->cmbAuthentication->addItem(QStringLiteral("SQL Authentication"));
    connect(ui->cmbAuthentication, &QComboBox::currentTextChanged, this,
            &ZSQLConnectionDialog::authenticationChanged);
    QPushButton *test = ui->buttonBox->button(QDialogButtonBox::Reset);
    test->setText(QStringLiteral("Test"));
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept, Qt::UniqueConnection);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject, Qt::UniqueConnection);
    connect(test, &QPushButton::clicked, this, &ZSQLConnectionDialog::testConnection);
}

QVariant ZSQLConnectionDialog::connection() const
{
    QVariantMap map;
    map.insert(QStringLiteral("driver"), ui->cmbConnection->currentText());
    map.insert(QStringLiteral("host"), ui->leConnection->text());
    map.insert(QStringLiteral("database"), ui->leDatabase->text());
    if (ui->cmbAuthentication->currentIndex() > 0) {
        map.insert(QStringLiteral("UID"), ui->leUsername->text());
        map.insert(QStringLiteral("PWD"), ui->lePassword->text());
    } else {
        map.insert(QStringLiteral("Trusted_Connection"), QStringLiteral("TRUE"));
    }
    return map;
}

void ZSQLConnectionDialog::authenticationChanged()
{
    const bool sqlAuthentication = ui->cmbAuthentication->currentIndex() > 0;
    ui->leUsername->setEnabled(sqlAuthentication);
    ui->lePassword->setEnabled(sqlAuthentication);
}

void ZSQLConnectionDialog::testConnection()
{
    const QString driver = ui->cmbConnection->currentText();
    if (driver == QLatin1String("QSQLITE"))
        testSqlite();
    else if (driver == QLatin1String("QODBC") || driver == QLatin1String("QODBC3"))
        testMSSql();
    else if (driver == QLatin1String("QMYSQL") || driver == QLatin1String("QMYSQL3"))
        testMySql();
}

void ZSQLConnectionDialog::reportTest(bool opened, const QString &successText,
                                      const QString &failureText)
{
    if (opened)
        QMessageBox::information(this, QStringLiteral("Connection success"), successText, QMessageBox::Ok);
    else
        QMessageBox::warning(this, QStringLiteral("Connection falied"), failureText, QMessageBox::Ok);
}

void ZSQLConnectionDialog::testSqlite()
{
    bool opened = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kSqliteTestConnection);
        // The server name field holds the file. Read-only, so a mistyped
        // path fails instead of leaving a new empty database behind.
        db.setDatabaseName(ui->leConnection->text());
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        opened = db.open();
        db.close();
    }
    QSqlDatabase::removeDatabase(kSqliteTestConnection);
    reportTest(opened, QStringLiteral("Connection to SQLite success"),
               QStringLiteral("Connection to SQLite falied"));
}

void ZSQLConnectionDialog::testMSSql()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("testMSSql"));
    const QString server = ui->leConnection->text();
    const QString database = ui->leDatabase->text();
    if (ui->cmbAuthentication->currentIndex() > 0) {
        db.setDatabaseName(odbcSqlServerText(server, database, ui->leUsername->text(),
                                             ui->lePassword->text()));
    } else {
        db.setDatabaseName(odbcTrustedSqlServerText(server, database));
    }
    reportTest(db.open(), QStringLiteral("Connection to MSSQL success"),
               QStringLiteral("Connection to MSSQL failed"));
    db.close();
}

void ZSQLConnectionDialog::testMySql()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("testMySql"));
    db.setHostName(ui->leConnection->text());
    db.setDatabaseName(ui->leDatabase->text());
    db.setUserName(ui->leUsername->text());
    db.setPassword(ui->lePassword->text());
    const bool opened = db.open();
    reportTest(opened, QStringLiteral("Connection to MYSQL success"),
               QStringLiteral("Connection to MYSQL falied"));
    if (opened)
        qCDebug(lcSqlP6) << db.tables(QSql::Tables);
    db.close();
}
