#pragma once

#include "zthreadworker.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QVariantList>

// Runs SQL texts against a P6 database. Each run opens the configured
// connection (logging the P6 user in first when the record's "p6uid" is
// -1), puts the user id in place of "##user_id##", runs the text
// forward-only and appends its table list to result(). It answers with the
// empty text on success, otherwise with the error.
//
// The connection and every run belong to the worker thread; the owner reads
// result() and connection() only between runs (after loaderFinished) and
// calls closeConnection on the worker thread.
class ZSqlBulkLoadWorker : public ZThreadWorker
{
    Q_OBJECT
public:
    ZSqlBulkLoadWorker();

    void setConnection(const QVariant &connection, QString name);
    bool createConnection();
    // Checks "p6user" and "p6pwd" against the USERS table and writes
    // "p6uid" on success or "p6auth_err" on most refusals into the record.
    // Gives up as refused when its thread is asked to stop.
    bool p6Auth();

    QVariantList result() const { return m_result; }
    QVariant connection() const { return m_connection; }

public slots:
    void doWork(QVariant args);
    void closeConnection();

private:
    void setRecordValue(const QString &key, const QVariant &value);
    // Writes `reason` as "p6auth_err" and as this run's own refusal; false.
    bool refuseLogin(const QString &reason);

    QVariantList m_result;
    QSqlError m_error;
    QSqlDatabase m_db;
    QString m_connectionName;
    QVariant m_connection;
    // Why the current run's login refused, empty when it wrote no reason: the
    // record's "p6auth_err" may still hold an earlier run's.
    QString m_loginError;
};
