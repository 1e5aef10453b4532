#include "zsqlloadworker.h"

#include "connectionrecord.h"
#include "sqlp6logging.h"

namespace {
const QString kConnectionName = QStringLiteral("defaultConnection");
}

QString openFailureText(const QSqlDatabase &db)
{
    const QString text = db.lastError().text();
    return text.isEmpty() ? QStringLiteral("Cannot open the database connection") : text;
}

ZSqlLoadWorker::ZSqlLoadWorker() = default;

void ZSqlLoadWorker::doWork(QVariant args)
{
    if (m_db.isOpen())
        m_db.close();
    m_connection = args;
    // Drop the handle first so the old registration can go without a
    // "still in use" complaint.
    m_db = QSqlDatabase();
    m_db = connectionFromVariant(m_connection, kConnectionName);

    QString result;
    if (!m_db.open()) {
        result = openFailureText(m_db);
        qCDebug(lcSqlP6).noquote() << "Error:" << result;
        m_error = m_db.lastError();
    }
    emit resultReady(QVariant(result));
    qCDebug(lcSqlP6, "End of ZSqlLoadWorker::doWork");
}

void ZSqlLoadWorker::closeConnection()
{
    const QString name = m_db.connectionName();
    if (m_db.isOpen())
        m_db.close();
    qCDebug(lcSqlP6).noquote() << "ZSqlLoadWorker::closeConnection" << name;
    m_db = QSqlDatabase();
    if (!name.isEmpty())
        QSqlDatabase::removeDatabase(name);
}
