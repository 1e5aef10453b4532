#include "zdocidriver.h"
#include "zdoci_p.h"

#include <QCoreApplication>
#include <QRegExp>
#include <QSqlField>

Q_LOGGING_CATEGORY(lcZdoci, "sv.oracle", QtWarningMsg)

namespace {

// Written when the client leaves the code alone (no handle, no record, no
// library), so such an error never reads as an Oracle code.
constexpr int32_t NoNativeCode = -1;

QString connectDescriptor(const QString &host, int port, const QString &db, const char *key)
{
    return QStringLiteral("(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(Host=%1)(Port=%2))"
                          "(CONNECT_DATA=(%3=%4)))")
            .arg(host, QString::number(port < 0 ? 1521 : port), QLatin1String(key), db);
}

bool succeeded(int32_t status)
{
    return status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO;
}

} // namespace

QSqlError qMakeOCIError(const QString &text, QSqlError::ErrorType type, OCIError *err)
{
    ushort buffer[512];
    buffer[0] = 0;
    int32_t code = NoNativeCode;
    D_OCIErrorGet(err, 1, nullptr, &code, reinterpret_cast<uint8_t *>(buffer), sizeof(buffer),
                  OCI_HTYPE_ERROR);
    buffer[511] = 0;
    return QSqlError(text, QString::fromUtf16(buffer), type, QString::number(code, 10));
}

ZDOCIDriverPrivate::ZDOCIDriverPrivate()
    : QSqlDriverPrivate(QSqlDriver::Oracle)
{
}

void ZDOCIDriverPrivate::allocErrorHandle()
{
    if (D_OCIHandleAlloc(environment, reinterpret_cast<void **>(&errorHandle), OCI_HTYPE_ERROR, 0,
                         nullptr) != OCI_SUCCESS)
        qCWarning(lcZdoci, "ZDOCIDriver: unable to allocate error handle");
}

ZDOCIDriver::ZDOCIDriver(QObject *parent)
    : QSqlDriver(*new ZDOCIDriverPrivate, parent)
{
    Q_D(ZDOCIDriver);
    const int32_t status = D_OCIEnvCreate(&d->environment, OCI_THREADED | OCI_OBJECT | OCI_UTF16,
                                          nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    if (status != OCI_SUCCESS) {
        qCDebug(lcZdoci) << "ZDOCIDriver: environment" << static_cast<void *>(d->environment);
        qCWarning(lcZdoci, "ZDOCIDriver: unable to create environment");
        setLastError(qMakeOCIError(QCoreApplication::translate("ZDOCIDriver", "Unable to initialize",
                                                               "ZDOCIDriver"),
                                   QSqlError::ConnectionError, d->errorHandle));
        return;
    }
    d->allocErrorHandle();
}

ZDOCIDriver::ZDOCIDriver(OCIEnv *env, OCISvcCtx *ctx, QObject *parent)
    : QSqlDriver(*new ZDOCIDriverPrivate, parent)
{
    Q_D(ZDOCIDriver);
    d->environment = env;
    d->serviceContext = ctx;
    d->allocErrorHandle();
    if (env && ctx) {
        setOpen(true);
        setOpenError(false);
    }
}

ZDOCIDriver::~ZDOCIDriver()
{
    Q_D(ZDOCIDriver);
    if (isOpen())
        close();
    int32_t status = D_OCIHandleFree(d->errorHandle, OCI_HTYPE_ERROR);
    if (status != OCI_SUCCESS)
        qCWarning(lcZdoci, "Unable to free Error handle: %d", status);
    status = D_OCIHandleFree(d->environment, OCI_HTYPE_ENV);
    if (status != OCI_SUCCESS)
        qCWarning(lcZdoci, "Unable to free Environment handle: %d", status);
}

bool ZDOCIDriver::hasFeature(DriverFeature feature) const
{
    Q_D(const ZDOCIDriver);
    switch (feature) {
    case Transactions:
    case BLOB:
    case PreparedQueries:
    case NamedPlaceholders:
    case LastInsertId:
    case BatchOperations:
    case LowPrecisionNumbers:
        return true;
    case Unicode:
        return d->serverVersion > 8;
    default:
        return false;
    }
}

static void parseConnectOptions(ZDOCIDriverPrivate *d, const QString &connOpts)
{
    const QStringList parts = connOpts.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const int eq = part.indexOf(QLatin1Char('='));
        if (eq < 0) {
            qCWarning(lcZdoci, "ZDOCIDriver::parseArgs: Invalid parameter: '%s'",
                      part.toLocal8Bit().constData());
            continue;
        }
        const QString key = part.left(eq);
        const QString value = part.mid(eq + 1).simplified();
        bool ok = false;
        const int number = value.toInt(&ok);
        if (key == QLatin1String("OCI_ATTR_PREFETCH_ROWS"))
            d->prefetchRows = ok ? number : -1;
        else if (key == QLatin1String("OCI_ATTR_PREFETCH_MEMORY"))
            d->prefetchMemory = ok ? number : -1;
        else
            qCWarning(lcZdoci, "ZDOCIDriver::parseArgs: Invalid parameter: '%s'",
                      key.toLocal8Bit().constData());
    }
}

bool ZDOCIDriver::open(const QString &db, const QString &user, const QString &password,
                       const QString &host, int port, const QString &connOpts)
{
    Q_D(ZDOCIDriver);
    if (isOpen())
        close();
    parseConnectOptions(d, connOpts);

    QString connect = host.isEmpty() ? db : connectDescriptor(host, port, db, "SERVICE_NAME");
    int32_t status = D_OCIHandleAlloc(d->environment, reinterpret_cast<void **>(&d->serverHandle),
                                      OCI_HTYPE_SERVER, 0, nullptr);
    if (status == OCI_SUCCESS)
        status = D_OCIServerAttach(d->serverHandle, d->errorHandle, zdociText(connect),
                                   int32_t(zdociTextBytes(connect)), OCI_DEFAULT);
    if (!succeeded(status)) {
        connect = connectDescriptor(host, port, db, "SID");
        status = D_OCIServerAttach(d->serverHandle, d->errorHandle, zdociText(connect),
                                   int32_t(zdociTextBytes(connect)), OCI_DEFAULT);
    }
    const bool attached = succeeded(status);
    if (attached) {
        status = OCI_SUCCESS;
        auto step = [&status](int32_t next) {
            if (status == OCI_SUCCESS)
                status = next;
        };
        step(D_OCIHandleAlloc(d->environment, reinterpret_cast<void **>(&d->serviceContext),
                              OCI_HTYPE_SVCCTX, 0, nullptr));
        if (status == OCI_SUCCESS)
            step(D_OCIAttrSet(d->serviceContext, OCI_HTYPE_SVCCTX, d->serverHandle, 0,
                              OCI_ATTR_SERVER, d->errorHandle));
        if (status == OCI_SUCCESS)
            step(D_OCIHandleAlloc(d->environment, reinterpret_cast<void **>(&d->sessionHandle),
                                  OCI_HTYPE_SESSION, 0, nullptr));
        if (status == OCI_SUCCESS)
            step(D_OCIAttrSet(d->sessionHandle, OCI_HTYPE_SESSION,
                              const_cast<uint8_t *>(zdociText(user)), zdociTextBytes(user),
                              OCI_ATTR_USERNAME, d->errorHandle));
        if (status == OCI_SUCCESS)
            step(D_OCIAttrSet(d->sessionHandle, OCI_HTYPE_SESSION,
                              const_cast<uint8_t *>(zdociText(password)),
                              zdociTextBytes(password), OCI_ATTR_PASSWORD, d->errorHandle));
        if (status == OCI_SUCCESS)
            step(D_OCIHandleAlloc(d->environment, reinterpret_cast<void **>(&d->transHandle),
                                  OCI_HTYPE_TRANS, 0, nullptr));
        if (status == OCI_SUCCESS)
            step(D_OCIAttrSet(d->serviceContext, OCI_HTYPE_SVCCTX, d->transHandle, 0,
                              OCI_ATTR_TRANS, d->errorHandle));
        if (status == OCI_SUCCESS) {
            const uint32_t credentials =
                    user.isEmpty() && password.isEmpty() ? OCI_CRED_EXT : OCI_CRED_RDBMS;
            status = D_OCISessionBegin(d->serviceContext, d->errorHandle, d->sessionHandle,
                                       credentials, OCI_DEFAULT);
        }
        if (succeeded(status))
            status = D_OCIAttrSet(d->serviceContext, OCI_HTYPE_SVCCTX, d->sessionHandle, 0,
                                  OCI_ATTR_SESSION, d->errorHandle);
    }

    if (status != OCI_SUCCESS) {
        setLastError(qMakeOCIError(tr("Unable to logon"), QSqlError::ConnectionError,
                                   d->errorHandle));
        setOpenError(true);
        // Give back everything this attempt attached and allocated.
        if (attached)
            D_OCIServerDetach(d->serverHandle, d->errorHandle, OCI_DEFAULT);
        if (d->sessionHandle)
            D_OCIHandleFree(d->sessionHandle, OCI_HTYPE_SESSION);
        d->sessionHandle = nullptr;
        if (d->transHandle)
            D_OCIHandleFree(d->transHandle, OCI_HTYPE_TRANS);
        d->transHandle = nullptr;
        if (d->serviceContext)
            D_OCIHandleFree(d->serviceContext, OCI_HTYPE_SVCCTX);
        d->serviceContext = nullptr;
        if (d->serverHandle)
            D_OCIHandleFree(d->serverHandle, OCI_HTYPE_SERVER);
        d->serverHandle = nullptr;
        return false;
    }

    ushort version[256];
    version[0] = 0;
    if (D_OCIServerVersion(d->serviceContext, d->errorHandle, reinterpret_cast<uint8_t *>(version),
                           sizeof(version), OCI_HTYPE_SVCCTX) != OCI_SUCCESS) {
        qCWarning(lcZdoci, "ZDOCIDriver::open: could not get Oracle server version.");
    } else {
        version[255] = 0;
        QRegExp vers(QStringLiteral("([0-9]+)\\.[0-9\\.]+[0-9]"));
        if (vers.indexIn(QString::fromUtf16(version)) >= 0)
            d->serverVersion = vers.cap(1).toInt();
    }
    if (d->serverVersion == 0)
        d->serverVersion = -1;

    setOpen(true);
    setOpenError(false);
    d->userName = user;
    return true;
}

void ZDOCIDriver::close()
{
    Q_D(ZDOCIDriver);
    if (!isOpen())
        return;
    D_OCISessionEnd(d->serviceContext, d->errorHandle, d->sessionHandle, OCI_DEFAULT);
    D_OCIServerDetach(d->serverHandle, d->errorHandle, OCI_DEFAULT);
    D_OCIHandleFree(d->sessionHandle, OCI_HTYPE_SESSION);
    d->sessionHandle = nullptr;
    D_OCIHandleFree(d->serverHandle, OCI_HTYPE_SERVER);
    d->serverHandle = nullptr;
    D_OCIHandleFree(d->serviceContext, OCI_HTYPE_SVCCTX);
    d->serviceContext = nullptr;
    if (d->transHandle)
        D_OCIHandleFree(d->transHandle, OCI_HTYPE_TRANS);
    d->transHandle = nullptr;
    setOpen(false);
    setOpenError(false);
}

QSqlResult *ZDOCIDriver::createResult() const
{
    return new ZDOCIResult(this);
}

QVariant ZDOCIDriver::handle() const
{
    Q_D(const ZDOCIDriver);
    static const int type = qRegisterMetaType<OCIEnv *>("OCIEnv*");
    Q_UNUSED(type);
    return QVariant::fromValue(d->environment);
}

bool ZDOCIDriver::beginTransaction()
{
    Q_D(ZDOCIDriver);
    if (!isOpen()) {
        qCWarning(lcZdoci, "ZDOCIDriver::beginTransaction: Database not open");
        return false;
    }
    if (!succeeded(D_OCITransStart(d->serviceContext, d->errorHandle, 2, OCI_TRANS_READWRITE))) {
        setLastError(qMakeOCIError(tr("Unable to begin transaction"),
                                   QSqlError::TransactionError, d->errorHandle));
        return false;
    }
    d->inTransaction = true;
    return true;
}

bool ZDOCIDriver::commitTransaction()
{
    Q_D(ZDOCIDriver);
    if (!isOpen()) {
        qCWarning(lcZdoci, "ZDOCIDriver::commitTransaction: Database not open");
        return false;
    }
    if (!succeeded(D_OCITransCommit(d->serviceContext, d->errorHandle, OCI_DEFAULT))) {
        setLastError(qMakeOCIError(tr("Unable to commit transaction"),
                                   QSqlError::TransactionError, d->errorHandle));
        return false;
    }
    d->inTransaction = false;
    return true;
}

bool ZDOCIDriver::rollbackTransaction()
{
    Q_D(ZDOCIDriver);
    if (!isOpen()) {
        qCWarning(lcZdoci, "ZDOCIDriver::rollbackTransaction: Database not open");
        return false;
    }
    if (!succeeded(D_OCITransRollback(d->serviceContext, d->errorHandle, OCI_DEFAULT))) {
        setLastError(qMakeOCIError(tr("Unable to rollback transaction"),
                                   QSqlError::TransactionError, d->errorHandle));
        return false;
    }
    d->inTransaction = false;
    return true;
}

static QString toDateLiteral(const QDate &date)
{
    return QStringLiteral("%1-%2-%3").arg(date.year()).arg(date.month()).arg(date.day());
}

static QString toTimeLiteral(const QTime &time)
{
    return QStringLiteral("%1:%2:%3").arg(time.hour()).arg(time.minute()).arg(time.second());
}

QString ZDOCIDriver::formatValue(const QSqlField &field, bool trimStrings) const
{
    const QVariant value = field.value();
    switch (field.type()) {
    case QVariant::Date: {
        const QDate date = value.toDate();
        if (!date.isValid())
            return QStringLiteral("NULL");
        return QLatin1String("TO_DATE('") + toDateLiteral(date) + QLatin1String("','YYYY-MM-DD')");
    }
    case QVariant::Time: {
        // A bare time of day is a value too, not only the time of a date-time.
        const QTime time = value.type() == QVariant::Time ? value.toTime()
                                                           : value.toDateTime().time();
        if (!time.isValid())
            return QStringLiteral("NULL");
        return QLatin1String("TO_DATE('") + toTimeLiteral(time) + QLatin1String("','HH24:MI:SS')");
    }
    case QVariant::DateTime: {
        const QDateTime dt = value.toDateTime();
        if (!dt.isValid())
            return QStringLiteral("NULL");
        return QLatin1String("TO_DATE('") + toDateLiteral(dt.date()) + QLatin1Char(' ')
                + toTimeLiteral(dt.time()) + QLatin1String("','YYYY-MM-DD HH24:MI:SS')");
    }
    default:
        return QSqlDriver::formatValue(field, trimStrings);
    }
}

QString ZDOCIDriver::escapeIdentifier(const QString &identifier, IdentifierType type) const
{
    if (identifier.isEmpty() || isIdentifierEscaped(identifier, type))
        return identifier;
    QString res = identifier;
    res.replace(QLatin1Char('"'), QLatin1String("\"\""));
    res.prepend(QLatin1Char('"')).append(QLatin1Char('"'));
    res.replace(QLatin1Char('.'), QLatin1String("\".\""));
    return res;
}
