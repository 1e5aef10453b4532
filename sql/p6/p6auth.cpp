// The P6 login of ZSqlBulkLoadWorker: iterated, salted SHA-256 against the
// USERS table.
#include "zsqlbulkloadworker.h"

#include <QCryptographicHash>
#include <QSqlQuery>
#include <QStringList>
#include <QThread>

#include <limits>

namespace {

const QString kInvalidLogin = QStringLiteral("Invalid username or password");
const QString kUnsupportedMethod = QStringLiteral("Unsupported authentication method");
const QString kInterrupted = QStringLiteral("Login interrupted");
// A stored count may ask for 2^31 rounds, an hour or more; the owner closing
// must not wait for that. Checked this often, the check costs nothing.
constexpr int kRoundsBetweenChecks = 4096;

// A signed hexadecimal count within the 32-bit range, nothing else (no "0x",
// no blanks).
bool parseIterationCount(const QString &text, int &count)
{
    int i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return false;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const ushort c = text.at(i).unicode();
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return false;
        value = value * 16 + d;
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return false;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return false;
    count = int(value);
    return true;
}

} // namespace

bool ZSqlBulkLoadWorker::p6Auth()
{
    const QVariantMap record = m_connection.toMap();
    const QString user = record.value(QStringLiteral("p6user")).toString();
    const QString password = record.value(QStringLiteral("p6pwd")).toString();
    if (user.isEmpty() || password.isEmpty())
        return false;

    QString stored;
    int userId = 0;
    bool found = false;
    {
        QSqlQuery query(m_db);
        query.prepare(QStringLiteral("select passwd, user_id from USERS where lower(user_name) = ?"));
        // The stored name is lowered by the statement, so the typed one must be too.
        query.bindValue(0, user.toLower(), QSql::In);
        if (query.exec() && query.next()) {
            found = true;
            stored = query.value(0).toString();
            userId = query.value(1).toInt();
        }
        query.finish();
        query.clear();
    }
    if (!found)
        return refuseLogin(kInvalidLogin);
    if (stored.isEmpty())
        return false;

    const QStringList fields = stored.split(QLatin1Char(':'));
    int iterations = 0;
    // A count below 1 would hash nothing and compare the salted password
    // itself, so it is refused like 0.
    if (fields.size() != 4 || fields.at(0) != QLatin1String("SHA-256")
        || !parseIterationCount(fields.at(2), iterations) || iterations < 1)
        return refuseLogin(kUnsupportedMethod);

    QThread *const thread = QThread::currentThread();
    QByteArray working = (fields.at(1) + password).toUtf8();
    for (int i = 0; i < iterations; ++i) {
        if (i % kRoundsBetweenChecks == 0 && thread->isInterruptionRequested())
            return refuseLogin(kInterrupted);
        working += QByteArray::number(i);
        working = QCryptographicHash::hash(working, QCryptographicHash::Sha256).toHex().toUpper();
    }

    if (QString::fromUtf8(working) != fields.at(3))
        return refuseLogin(kInvalidLogin);
    setRecordValue(QStringLiteral("p6uid"), userId);
    return true;
}
