#include "zdoci_p.h"

#include <QCoreApplication>

namespace {

bool succeeded(int32_t status)
{
    return status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO;
}

QString resultText(const char *text)
{
    return QCoreApplication::translate("ZDOCIResult", text);
}

} // namespace

int zdociRowIdMetaType()
{
    static const int type = qRegisterMetaType<ZDOCIRowIdPointer>("ZDOCIRowIdPointer");
    return type;
}

ZDOCIRowId::ZDOCIRowId(OCIEnv *env)
{
    D_OCIDescriptorAlloc(env, reinterpret_cast<void **>(&id), OCI_DTYPE_ROWID, 0, nullptr);
}

ZDOCIRowId::~ZDOCIRowId()
{
    if (id)
        D_OCIDescriptorFree(id, OCI_DTYPE_ROWID);
}

ZDOCIResultPrivate::ZDOCIResultPrivate(ZDOCIResult *q, const ZDOCIDriver *drv)
    : QSqlCachedResultPrivate(q, drv),
      serviceContext(const_cast<OCISvcCtx *&>(drv_d_func()->serviceContext))
{
    const ZDOCIDriverPrivate *dp = drv_d_func();
    environment = dp->environment;
    serverVersion = dp->serverVersion;
    prefetchRows = dp->prefetchRows;
    prefetchMemory = dp->prefetchMemory;
    if (D_OCIHandleAlloc(environment, reinterpret_cast<void **>(&errorHandle), OCI_HTYPE_ERROR, 0,
                         nullptr) != OCI_SUCCESS)
        qCWarning(lcZdoci, "ZDOCIResult: unable to alloc error handle");
}

ZDOCIResultPrivate::~ZDOCIResultPrivate()
{
    delete cols;
    if (D_OCIHandleFree(errorHandle, OCI_HTYPE_ERROR) != OCI_SUCCESS)
        qCWarning(lcZdoci, "~ZDOCIResult: unable to free error handle");
}

bool ZDOCIResultPrivate::inTransaction() const
{
    const ZDOCIDriverPrivate *dp = drv_d_func();
    return dp && dp->inTransaction;
}

uint32_t ZDOCIResultPrivate::executeMode() const
{
    return inTransaction() ? OCI_DEFAULT : OCI_COMMIT_ON_SUCCESS;
}

void ZDOCIResultPrivate::setStatementAttributes()
{
    if (prefetchRows >= 0)
        D_OCIAttrSet(statement, OCI_HTYPE_STMT, &prefetchRows, 0, OCI_ATTR_PREFETCH_ROWS,
                     errorHandle);
    if (prefetchMemory >= 0)
        D_OCIAttrSet(statement, OCI_HTYPE_STMT, &prefetchMemory, 0, OCI_ATTR_PREFETCH_MEMORY,
                     errorHandle);
}

void ZDOCIResultPrivate::setCharset(void *handle, uint32_t type) const
{
    uint8_t form = SQLCS_NCHAR;
    D_OCIAttrSet(handle, type, &form, 0, OCI_ATTR_CHARSET_FORM, nullptr);
    uint16_t id = OCI_UTF16ID;
    D_OCIAttrSet(handle, type, &id, 0, OCI_ATTR_CHARSET_ID, errorHandle);
}

bool ZDOCIResultPrivate::isOutValue(int i) const
{
    Q_Q(const ZDOCIResult);
    return q->bindValueType(i) & QSql::Out;
}

bool ZDOCIResultPrivate::isBinaryValue(int i) const
{
    Q_Q(const ZDOCIResult);
    return q->bindValueType(i) & QSql::Binary;
}

ZDOCIResult::ZDOCIResult(const ZDOCIDriver *driver)
    : QSqlCachedResult(*new ZDOCIResultPrivate(this, driver))
{
}

ZDOCIResult::~ZDOCIResult()
{
    Q_D(ZDOCIResult);
    if (d->statement && D_OCIHandleFree(d->statement, OCI_HTYPE_STMT) != OCI_SUCCESS)
        qCWarning(lcZdoci, "~ZDOCIResult: unable to free statement handle");
}

QVariant ZDOCIResult::handle() const
{
    Q_D(const ZDOCIResult);
    static const int type = qRegisterMetaType<OCIStmt *>("OCIStmt*");
    Q_UNUSED(type);
    return QVariant::fromValue(d->statement);
}

bool ZDOCIResult::reset(const QString &query)
{
    if (!prepare(query))
        return false;
    return exec();
}

bool ZDOCIResult::prepare(const QString &query)
{
    Q_D(ZDOCIResult);
    QSqlResult::prepare(query);
    delete d->cols;
    d->cols = nullptr;
    QSqlCachedResult::cleanup();
    if (d->statement) {
        D_OCIHandleFree(d->statement, OCI_HTYPE_STMT);
        d->statement = nullptr;
    }
    if (query.isEmpty())
        return false;

    if (D_OCIHandleAlloc(d->environment, reinterpret_cast<void **>(&d->statement), OCI_HTYPE_STMT,
                         0, nullptr) != OCI_SUCCESS) {
        d->statement = nullptr;
        setLastError(qMakeOCIError(resultText("Unable to alloc statement"),
                                   QSqlError::StatementError, d->errorHandle));
        return false;
    }
    d->setStatementAttributes();
    if (D_OCIStmtPrepare(d->statement, d->errorHandle, zdociText(query), zdociTextBytes(query),
                         OCI_NTV_SYNTAX, OCI_DEFAULT) != OCI_SUCCESS) {
        setLastError(qMakeOCIError(resultText("Unable to prepare statement"),
                                   QSqlError::StatementError, d->errorHandle));
        return false;
    }
    return true;
}

bool ZDOCIResult::exec()
{
    Q_D(ZDOCIResult);
    QList<QByteArray> temporary;
    ZDOCIIndicators indicators(boundValueCount());
    ZDOCISizes sizes(boundValueCount());

    uint16_t type = 0;
    int32_t status = D_OCIAttrGet(d->statement, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE,
                                  d->errorHandle);
    if (!succeeded(status)) {
        setLastError(qMakeOCIError(resultText("Unable to get statement type"),
                                   QSqlError::StatementError, d->errorHandle));
        return false;
    }
    const bool select = type == OCI_STMT_SELECT;
    if (boundValueCount() > 0)
        d->bindValues(boundValues(), indicators, sizes, temporary);

    status = D_OCIStmtExecute(d->serviceContext, d->statement, d->errorHandle, select ? 0 : 1, 0,
                              nullptr, nullptr, d->executeMode());
    if (!succeeded(status)) {
        setLastError(qMakeOCIError(resultText("Unable to execute statement"),
                                   QSqlError::StatementError, d->errorHandle));
        return false;
    }

    if (select) {
        uint32_t count = 0;
        if (D_OCIAttrGet(d->statement, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT,
                         d->errorHandle) == OCI_SUCCESS) {
            if (!d->cols)
                d->cols = new ZDOCICols(int(count), d);
            if (d->cols->lobLocatorMissing) {
                delete d->cols;
                d->cols = nullptr;
                // The client reports nothing on the error handle for this.
                setLastError(qMakeOCIError(resultText("Cannot create LOB locator"),
                                           QSqlError::StatementError, nullptr));
                return false;
            }
        } else {
            count = 0;
        }
        setSelect(true);
        QSqlCachedResult::init(int(count));
    } else {
        setSelect(false);
    }
    setAt(QSql::BeforeFirstRow);
    setActive(true);
    if (hasOutValues())
        d->outValues(boundValues(), indicators, temporary);
    return true;
}

int ZDOCIResult::size()
{
    return -1;
}

int ZDOCIResult::numRowsAffected()
{
    Q_D(ZDOCIResult);
    int32_t count = 0;
    if (D_OCIAttrGet(d->statement, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT,
                     d->errorHandle) != OCI_SUCCESS)
        return -1;
    return count;
}

QSqlRecord ZDOCIResult::record() const
{
    Q_D(const ZDOCIResult);
    if (!isActive() || !isSelect() || !d->cols)
        return QSqlRecord();
    return d->cols->rec;
}

QVariant ZDOCIResult::lastInsertId() const
{
    Q_D(const ZDOCIResult);
    if (!isActive())
        return QVariant();
    ZDOCIRowIdPointer rowId(new ZDOCIRowId(d->environment));
    if (D_OCIAttrGet(d->statement, OCI_HTYPE_STMT, rowId.constData()->id, nullptr, OCI_ATTR_ROWID,
                     d->errorHandle) != OCI_SUCCESS)
        return QVariant();
    return QVariant(zdociRowIdMetaType(), &rowId);
}

bool ZDOCIResult::execBatch(bool arrayBind)
{
    Q_D(ZDOCIResult);
    ZDOCICols::execBatch(d, boundValues(), arrayBind);
    resetBindCount();
    return lastError().type() == QSqlError::NoError;
}

void ZDOCIResult::virtual_hook(int id, void *data)
{
    QSqlCachedResult::virtual_hook(id, data);
}

// ---- Values to and from the client -----------------------------------------

QByteArray qDateTimeToOraDate(const QDateTime &dt)
{
    QByteArray ba(7, '\0');
    const QDate date = dt.date();
    const QTime time = dt.time();
    const int year = dt.isValid() ? date.year() : 0;
    const int century = year / 100;
    ba[0] = char(century + 100);
    ba[1] = char(year - century * 100 + 100);
    ba[2] = char(dt.isValid() ? date.month() : 0);
    ba[3] = char(dt.isValid() ? date.day() : 0);
    ba[4] = char((dt.isValid() ? time.hour() : -1) + 1);
    ba[5] = char((dt.isValid() ? time.minute() : -1) + 1);
    ba[6] = char((dt.isValid() ? time.second() : -1) + 1);
    return ba;
}

QDateTime qOraDateToDateTime(const char *date)
{
    const auto *b = reinterpret_cast<const unsigned char *>(date);
    if (b[0] < 100)
        return QDateTime();
    const QDate d(b[0] * 100 + b[1] - 10100, b[2], b[3]);
    const QTime t(b[4] - 1, b[5] - 1, b[6] - 1);
    return QDateTime(d, t, Qt::LocalTime);
}

// Oracle has no time-of-day type: a bare time travels on this date.
static QDateTime toOraDateTime(const QVariant &value)
{
    if (value.type() == QVariant::Time)
        return QDateTime(QDate(1970, 1, 1), value.toTime());
    return value.toDateTime();
}

int ZDOCIResultPrivate::bindValue(OCIStmt *stmt, OCIBind **bind, OCIError *err, int position,
                                  QVariant &value, void *indicator, unsigned short *size,
                                  QList<QByteArray> &temporary)
{
    const bool out = isOutValue(position);
    temporary.append(QByteArray());
    QByteArray &buffer = temporary.last();
    void *data = const_cast<void *>(value.constData());
    auto bindAt = [&](void *ptr, int32_t bytes, uint16_t type, uint16_t *length = nullptr) {
        return D_OCIBindByPos(stmt, bind, err, uint32_t(position) + 1, ptr, bytes, type, indicator,
                              length, nullptr, 0, nullptr, OCI_DEFAULT);
    };
    auto bindCopiedText = [&](const QString &text, int capacity) {
        buffer = QByteArray(reinterpret_cast<const char *>(text.utf16()), (text.size() + 1) * 2);
        int32_t status;
        if (!out) {
            status = bindAt(buffer.data(), buffer.size(), SQLT_STR);
        } else {
            buffer.reserve(capacity > 0 ? (capacity + 1) * 2 : 2);
            *size = ushort(qMin(buffer.size(), 0xffff));
            status = bindAt(buffer.data(), qMin(buffer.capacity(), 0xffff), SQLT_STR, size);
        }
        if (status == OCI_SUCCESS)
            setCharset(*bind, OCI_HTYPE_BIND);
        return status;
    };

    switch (value.type()) {
    case QVariant::Int:
        return bindAt(data, sizeof(int), SQLT_INT);
    case QVariant::UInt:
        return bindAt(data, sizeof(uint), SQLT_UIN);
    case QVariant::Double:
        return bindAt(data, sizeof(double), SQLT_FLT);
    case QVariant::LongLong:
    case QVariant::ULongLong:
        buffer = QByteArray(sizeof(OCINumber), '\0');
        D_OCINumberFromInt(err, data, 8,
                           value.type() == QVariant::LongLong ? OCI_NUMBER_SIGNED
                                                              : OCI_NUMBER_UNSIGNED,
                           reinterpret_cast<OCINumber *>(buffer.data()));
        return bindAt(buffer.data(), buffer.size(), SQLT_VNU);
    case QVariant::Date:
    case QVariant::Time:
    case QVariant::DateTime:
        buffer = qDateTimeToOraDate(toOraDateTime(value));
        return bindAt(buffer.data(), buffer.size(), SQLT_DAT);
    case QVariant::ByteArray: {
        auto *bytes = static_cast<QByteArray *>(data);
        return bindAt(bytes->data(), bytes->size(), SQLT_BIN);
    }
    case QVariant::String: {
        auto *text = static_cast<QString *>(data);
        if (isBinaryValue(position))
            return bindAt(const_cast<ushort *>(text->utf16()), text->size() * 2, SQLT_LNG);
        if (!out) {
            const int32_t status = bindAt(const_cast<ushort *>(text->utf16()),
                                          (text->size() + 1) * 2, SQLT_STR);
            if (status == OCI_SUCCESS)
                setCharset(*bind, OCI_HTYPE_BIND);
            return status;
        }
        return bindCopiedText(*text, text->capacity());
    }
    default:
        if (value.userType() >= QMetaType::User) {
            if (value.userType() == zdociRowIdMetaType() && !out) {
                const auto *rowId = static_cast<const ZDOCIRowIdPointer *>(value.constData());
                return bindAt(const_cast<OCIRowid **>(&rowId->constData()->id), -1, SQLT_RDD);
            }
            qCWarning(lcZdoci, "Unknown bind variable");
            return OCI_ERROR;
        }
        const QString text = value.toString();
        return bindCopiedText(text, text.capacity());
    }
}

int ZDOCIResultPrivate::bindValues(QVector<QVariant> &values, ZDOCIIndicators &indicators,
                                   ZDOCISizes &sizes, QList<QByteArray> &temporary)
{
    for (int i = 0; i < values.count(); ++i) {
        if (isOutValue(i))
            values.detach();
        QVariant &value = values[i];
        if (isOutValue(i))
            value.detach();
        indicators[i] = value.isNull() ? -1 : 0;
        OCIBind *bind = nullptr;
        bindValue(statement, &bind, errorHandle, i, value, &indicators[i], &sizes[i], temporary);
    }
    return 0;
}

void qOutBufferToVariant(QVariant &value, const QByteArray &buffer, OCIError *err)
{
    switch (value.type()) {
    case QVariant::LongLong: {
        qint64 number = 0;
        D_OCINumberToInt(err, reinterpret_cast<const OCINumber *>(buffer.constData()), 8,
                         OCI_NUMBER_SIGNED, &number);
        value = number;
        break;
    }
    case QVariant::ULongLong: {
        quint64 number = 0;
        D_OCINumberToInt(err, reinterpret_cast<const OCINumber *>(buffer.constData()), 8,
                         OCI_NUMBER_UNSIGNED, &number);
        value = number;
        break;
    }
    case QVariant::String: {
        // Read no further than the buffer the client could write into.
        const auto *text = reinterpret_cast<const ushort *>(buffer.constData());
        const int max = buffer.capacity() / 2;
        int length = 0;
        while (length < max && text[length])
            ++length;
        value = QString::fromUtf16(text, length);
        break;
    }
    case QVariant::Date:
        value = qOraDateToDateTime(buffer.constData()).date();
        break;
    case QVariant::Time:
        value = qOraDateToDateTime(buffer.constData()).time();
        break;
    case QVariant::DateTime:
        value = qOraDateToDateTime(buffer.constData());
        break;
    default:
        break;
    }
}

void ZDOCIResultPrivate::outValues(QVector<QVariant> &values, ZDOCIIndicators &indicators,
                                   QList<QByteArray> &temporary)
{
    for (int i = 0; i < values.count(); ++i) {
        if (!isOutValue(i))
            continue;
        values.detach();
        qOutBufferToVariant(values[i], temporary.at(i), errorHandle);
        // type() names every registered type UserType; userType() keeps it.
        const int type = values.at(i).userType();
        if (indicators[i] == -1)
            values[i] = QVariant(QVariant::Type(type));
        else
            values[i] = QVariant(type, values.at(i).constData());
    }
}
