#pragma once

#include <QDialog>
#include <QVariant>

namespace Ui {
class ZSQLConnectionDialog;
}

// Enters a database connection (type, server, database, authentication,
// user and password), tries it with "Test" and returns it from connection().
// Tests exist for SQLite, ODBC (SQL Server) and MySQL; other connection
// types are not tested.
class ZSQLConnectionDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ZSQLConnectionDialog(QWidget *parent = nullptr);
    ~ZSQLConnectionDialog() override;

    void init();
    // "driver", "host", "database", and "UID" with "PWD" under SQL
    // authentication, else "Trusted_Connection" "TRUE".
    QVariant connection() const;

private slots:
    void authenticationChanged();
    void testConnection();
    void testSqlite();
    void testMSSql();
    void testMySql();

private:
    void reportTest(bool opened, const QString &successText, const QString &failureText);

    Ui::ZSQLConnectionDialog *ui; // Owned.
};
