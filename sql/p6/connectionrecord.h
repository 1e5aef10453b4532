#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// A database connection as one value: a map of named settings carried in a
// QVariant. Keys: "driver", "host", "port", "database", "user", "password",
// "link" (an obfuscated server link that, when not empty, stands for the
// six before it), "name", "p6user", "p6pwd", "p6savepwd", "p6uid" and
// "p6auth_err". A missing key reads as empty, "port" as -1.
using ConnectionRecord = QVariantMap;

// Registers a connection of the record's driver under `connectionName`
// (replacing one of that name), configures it for "QODBC", "ZDOCI" or
// "QSQLITE" and returns it unopened. Other drivers get no settings.
QSqlDatabase connectionFromVariant(const QVariant &record, QString connectionName);
// The settings of `db` as a record: driver, host, port (-1 when none),
// database, user and password.
QVariant connectionToVariant(const QSqlDatabase &db);

// One-line form "key=value,key=value". A record with a "link" key keeps only
// the link and the name; the P6 password is kept only when "p6savepwd" is 1.
// "%", "," and "=" inside keys and values are written as %25, %2C and %3D.
QString connectionToString(const QVariant &record);
// Reads the one-line form back; every value is a text.
QVariant connectionFromString(const QString &text);

// ODBC attribute value, braced when it holds ";", "{", "}" or outer blanks
// so that it cannot end its attribute or start another.
QString odbcValue(const QString &value);
// "DRIVER={SQL Server};SERVER=..;DATABASE=..;UID=..;PWD=..;"
QString odbcSqlServerText(const QString &server, const QString &database,
                          const QString &user, const QString &password);
// "DRIVER={SQL Server};SERVER=..;DATABASE=..;Trusted_Connection=YES;"
QString odbcTrustedSqlServerText(const QString &server, const QString &database);
