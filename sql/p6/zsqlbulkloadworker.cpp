#include "zsqlbulkloadworker.h"

#include "connectionrecord.h"
#include "querytovariant.h"
#include "sqlp6logging.h"
#include "zsqlloadworker.h"

#include <QSqlQuery>

namespace {

const QString kUserIdKey = QStringLiteral("p6uid");
const QString kAuthErrorKey = QStringLiteral("p6auth_err");
const QString kUserIdPlaceholder = QStringLiteral("##user_id##");
constexpr int kLoginPending = -1;

} // namespace

ZSqlBulkLoadWorker::ZSqlBulkLoadWorker() = default;

void ZSqlBulkLoadWorker::setConnection(const QVariant &connection, QString name)
{
    m_connectionName = name;
    m_connection = connection;
}

void ZSqlBulkLoadWorker::setRecordValue(const QString &key, const QVariant &value)
{
    QVariantMap map = m_connection.toMap();
    map.insert(key, value);
    m_connection = map;
}

bool ZSqlBulkLoadWorker::refuseLogin(const QString &reason)
{
    setRecordValue(kAuthErrorKey, reason);
    m_loginError = reason;
    return false;
}

bool ZSqlBulkLoadWorker::createConnection()
{
    m_loginError.clear();
    if (m_db.isOpen())
        m_db.close();
    m_db = QSqlDatabase();
    m_db = connectionFromVariant(m_connection, m_connectionName);
    if (!m_db.open()) {
        m_error = m_db.lastError();
        return false;
    }
    if (m_connection.toMap().value(kUserIdKey).toInt() == kLoginPending)
        return p6Auth();
    return true;
}

void ZSqlBulkLoadWorker::closeConnection()
{
    if (m_db.isOpen())
        m_db.close();
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_connectionName))
        QSqlDatabase::removeDatabase(m_connectionName);
}

void ZSqlBulkLoadWorker::doWork(QVariant args)
{
    if (!createConnection()) {
        QString error;
        if (!m_db.isOpen()) {
            error = openFailureText(m_db);
        } else {
            // The connection opened, so the P6 login refused the user.
            error = m_loginError;
            if (error.isEmpty())
                error = QStringLiteral("P6 authentication failed");
        }
        qCDebug(lcSqlP6).noquote() << "ZSqlBulkLoadWorker::doWork:" << error;
        emit resultReady(QVariant(error));
        return;
    }

    QString sql = args.toString();
    QSqlQuery query(m_db);
    query.setForwardOnly(true);

    const QVariantMap record = m_connection.toMap();
    if (record.contains(kUserIdKey)) {
        const int userId = record.value(kUserIdKey).toInt();
        // Written as a number, so a record can only ever put digits here.
        if (userId != kLoginPending)
            sql.replace(kUserIdPlaceholder, QString::number(userId));
    }

    query.exec(sql);
    appendQueryToTableList(query, m_result);
    emit resultReady(QVariant(query.lastError().text()));
}
