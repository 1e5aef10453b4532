#pragma once

#include "zthreadworker.h"

#include <QSqlDatabase>
#include <QSqlError>

// Opens the connection a record describes under the name
// "defaultConnection" and answers with the open's error text (empty on
// success). The connection stays open on the worker thread until
// closeConnection, which must run on that thread too.
class ZSqlLoadWorker : public ZThreadWorker
{
    Q_OBJECT
public:
    ZSqlLoadWorker();

public slots:
    void doWork(QVariant args);
    void closeConnection();

private:
    QSqlDatabase m_db;
    QVariant m_connection;
    QSqlError m_error;
};

// The error text of a failed open, never empty, so it cannot read as success.
QString openFailureText(const QSqlDatabase &db);
