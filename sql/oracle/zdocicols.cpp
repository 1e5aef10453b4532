// Column buffers, fetching and batch execution of ZDOCIResult.

#include "zdoci_p.h"

#include <QCoreApplication>
#include <QSqlField>

#include <cstring>

namespace {

bool succeeded(int32_t status)
{
    return status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO;
}

QString resultText(const char *text)
{
    return QCoreApplication::translate("ZDOCIResult", text);
}

QVariant::Type typeByPolicy(QSql::NumericalPrecisionPolicy policy)
{
    switch (int(policy)) {
    case QSql::LowPrecisionInt32:
        return QVariant::Int;
    case QSql::LowPrecisionInt64:
        return QVariant::LongLong;
    case QSql::LowPrecisionDouble:
        return QVariant::Double;
    default:
        return QVariant::String;
    }
}

// A zero-terminated UTF-16 text that may lack its terminator: read no more
// than the given number of bytes.
QString textFromBuffer(const char *buffer, int bytes)
{
    const auto *text = reinterpret_cast<const ushort *>(buffer);
    const int max = bytes / 2;
    int length = 0;
    while (length < max && text[length])
        ++length;
    return QString::fromUtf16(text, length);
}

int32_t oracleErrorCode(OCIError *err)
{
    int32_t code = 0;
    D_OCIErrorGet(err, 1, nullptr, &code, nullptr, 0, OCI_HTYPE_ERROR);
    return code;
}

bool isPiecewise(uint32_t oracleType)
{
    return oracleType == SQLT_LNG || oracleType == SQLT_BIN || oracleType == SQLT_LBI;
}

// Piece lengths are byte counts; a UTF-16 text must not be cut inside a
// code unit, so text pieces are asked for in an even size.
constexpr uint32_t TextChunk = 65534;
constexpr uint32_t ByteChunk = 65535;

} // namespace

QVariant::Type qDecodeOCIType(const QString &typeName, QSql::NumericalPrecisionPolicy policy)
{
    auto is = [&typeName](const char *name) { return typeName == QLatin1String(name); };
    if (is("VARCHAR2") || is("VARCHAR") || typeName.startsWith(QLatin1String("INTERVAL"))
        || is("CHAR") || is("NVARCHAR2") || is("NCHAR"))
        return QVariant::String;
    if (is("NUMBER") || is("FLOAT") || is("BINARY_FLOAT") || is("BINARY_DOUBLE"))
        return typeByPolicy(policy);
    if (is("LONG") || is("NCLOB") || is("CLOB") || is("RAW") || is("LONG RAW") || is("ROWID")
        || is("BLOB") || is("CFILE") || is("BFILE"))
        return QVariant::ByteArray;
    if (is("DATE") || typeName.startsWith(QLatin1String("TIME")))
        return QVariant::DateTime;
    qCWarning(lcZdoci, "qDecodeOCIType: unknown type: %s", typeName.toLocal8Bit().constData());
    return QVariant::Invalid;
}

QVariant::Type qDecodeOCIType(int ociType, QSql::NumericalPrecisionPolicy policy)
{
    switch (ociType) {
    case SQLT_CHR: case SQLT_STR: case SQLT_LNG: case SQLT_VCS: case SQLT_AFC: case SQLT_AVC:
    case SQLT_RDD: case SQLT_VST: case SQLT_INTERVAL_YM: case SQLT_INTERVAL_DS:
        return QVariant::String;
    case SQLT_NUM: case SQLT_FLT: case SQLT_VNU: case SQLT_UIN:
        return typeByPolicy(policy);
    case SQLT_INT:
        return QVariant::Int;
    case SQLT_RID: case SQLT_VBI: case SQLT_BIN: case SQLT_LBI: case SQLT_LVC: case SQLT_LVB:
    case SQLT_NTY: case SQLT_REF: case SQLT_CLOB: case SQLT_BLOB: case SQLT_BFILEE:
        return QVariant::ByteArray;
    case SQLT_DAT: case SQLT_ODT: case SQLT_TIMESTAMP: case SQLT_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_LTZ:
        return QVariant::DateTime;
    default:
        qCWarning(lcZdoci, "qDecodeOCIType: unknown OCI datatype: %d", ociType);
        return QVariant::Invalid;
    }
}

ZDOCICols::OraColumnDesc ZDOCICols::qMakeOraField(const ZDOCIResultPrivate *p,
                                                  OCIParam *param) const
{
    OraColumnDesc desc;
    uint16_t type = 0;
    uint8_t *name = nullptr;
    uint32_t nameBytes = 0;
    auto get = [&](void *attribute, uint32_t *size, uint32_t what) {
        D_OCIAttrGet(param, OCI_DTYPE_PARAM, attribute, size, what, p->errorHandle);
    };
    get(&type, nullptr, OCI_ATTR_DATA_TYPE);
    get(&name, &nameBytes, OCI_ATTR_NAME);
    get(&desc.length, nullptr, OCI_ATTR_DATA_SIZE);
    get(&desc.charLength, nullptr, OCI_ATTR_CHAR_SIZE);
    get(&desc.precision, nullptr, OCI_ATTR_PRECISION);
    get(&desc.scale, nullptr, OCI_ATTR_SCALE);
    get(&type, nullptr, OCI_ATTR_DATA_TYPE);
    get(&desc.isNull, nullptr, OCI_ATTR_IS_NULL);
    desc.ociType = type;

    const QSql::NumericalPrecisionPolicy policy = p->q_func()->numericalPrecisionPolicy();
    desc.type = qDecodeOCIType(type, policy);
    if (desc.type == QVariant::Int
        && ((desc.length == 22 && desc.precision == 0 && desc.scale == 0) || desc.scale > 0))
        desc.type = QVariant::String;
    if ((type == SQLT_FLT || type == SQLT_NUM) && policy == QSql::LowPrecisionDouble)
        desc.type = QVariant::Double;
    if (type == SQLT_NUM || type == SQLT_INT || type == SQLT_VNU || type == SQLT_UIN) {
        if (policy == QSql::LowPrecisionInt64)
            desc.type = QVariant::LongLong;
        else if (policy == QSql::LowPrecisionInt32)
            desc.type = QVariant::Int;
    }
    if (type == SQLT_BLOB)
        desc.length = 0;
    if (name)
        desc.name = QString::fromUtf16(reinterpret_cast<const ushort *>(name), int(nameBytes / 2));
    return desc;
}

ZDOCICols::ZDOCICols(int size, ZDOCIResultPrivate *dp)
    : fieldInf(size), d(dp)
{
    OCIParam *param = nullptr;
    uint32_t position = 1;
    int32_t status = D_OCIParamGet(d->statement, OCI_HTYPE_STMT, d->errorHandle,
                                   reinterpret_cast<void **>(&param), position);
    for (int idx = 0; status == OCI_SUCCESS && idx < fieldInf.size(); ++idx) {
        const OraColumnDesc desc = qMakeOraField(d, param);
        uint32_t dataSize = desc.length;
        if (desc.ociType == SQLT_INTERVAL_YM || desc.ociType == SQLT_INTERVAL_DS
            || desc.ociType == SQLT_RDD)
            dataSize = 50;
        else if (desc.ociType == SQLT_NUM || desc.ociType == SQLT_VNU)
            dataSize = desc.precision > 0 ? (desc.precision + 1) * 2 : 39 * 2;

        OraFieldInf &inf = fieldInf[idx];
        inf.variantType = desc.type;
        inf.oracleType = desc.ociType;

        QSqlField field(desc.name, desc.type);
        field.setRequiredStatus(desc.isNull == 0 ? QSqlField::Required : QSqlField::Optional);
        if (desc.type == QVariant::String && desc.ociType != SQLT_NUM && desc.ociType != SQLT_VNU)
            field.setLength(desc.charLength);
        else
            field.setLength(desc.precision == 0 ? 38 : desc.precision);
        field.setPrecision(desc.scale);
        field.setSqlType(desc.ociType);
        rec.append(field);

        OCIDefine *define = nullptr;
        auto defineAs = [&](void *buffer, int32_t bytes, uint16_t type, uint32_t mode) {
            return D_OCIDefineByPos(d->statement, &define, d->errorHandle, position, buffer, bytes,
                                    type, &inf.indicator, nullptr, nullptr, mode);
        };
        switch (desc.type) {
        case QVariant::Int:
            defineAs(create(idx, 3), 4, SQLT_INT, OCI_DEFAULT);
            break;
        case QVariant::LongLong:
            defineAs(create(idx, 22), 22, SQLT_VNU, OCI_DEFAULT);
            break;
        case QVariant::Double:
            defineAs(create(idx, 7), 8, SQLT_FLT, OCI_DEFAULT);
            break;
        case QVariant::String:
            if (desc.ociType == SQLT_LNG) {
                defineAs(nullptr, SB4MAXVAL, SQLT_LNG, OCI_DYNAMIC_FETCH);
            } else {
                const int bytes = int(dataSize) * 2 + 2;
                if (defineAs(create(idx, bytes), bytes, SQLT_STR, OCI_DEFAULT) == OCI_SUCCESS)
                    d->setCharset(define, OCI_HTYPE_DEFINE);
            }
            break;
        case QVariant::ByteArray:
            if (desc.ociType == SQLT_LBI) {
                defineAs(nullptr, SB4MAXVAL, SQLT_LBI, OCI_DYNAMIC_FETCH);
            } else if (desc.ociType == SQLT_BIN) {
                defineAs(create(idx, int(dataSize)), int32_t(dataSize), SQLT_BIN,
                         OCI_DYNAMIC_FETCH);
            } else {
                OCILobLocator **locator = createLobLocator(idx, d->environment);
                if (*locator)
                    defineAs(locator, -1, desc.ociType == SQLT_CLOB ? SQLT_CLOB : SQLT_BLOB,
                             OCI_DEFAULT);
                else
                    lobLocatorMissing = true;
            }
            break;
        case QVariant::DateTime:
            defineAs(create(idx, int(dataSize) + 1), int32_t(dataSize) + 1, SQLT_DAT, OCI_DEFAULT);
            break;
        default:
            defineAs(create(idx, int(dataSize) * 2 + 2), int32_t(dataSize) * 2 + 3, SQLT_STR,
                     OCI_DEFAULT);
            break;
        }
        inf.define = define;
        // The client would fetch into the missing locator: define no more.
        if (lobLocatorMissing)
            break;
        ++position;
        status = D_OCIParamGet(d->statement, OCI_HTYPE_STMT, d->errorHandle,
                               reinterpret_cast<void **>(&param), position);
    }
}

ZDOCICols::~ZDOCICols()
{
    for (OraFieldInf &inf : fieldInf) {
        delete[] inf.buffer;
        if (inf.lobLocator && D_OCIDescriptorFree(inf.lobLocator, OCI_DTYPE_LOB) != OCI_SUCCESS)
            qCWarning(lcZdoci, "ZDOCICols: Cannot free LOB descriptor");
    }
}

char *ZDOCICols::create(int position, int size)
{
    char *buffer = new char[size + 1]();
    fieldInf[position].buffer = buffer;
    fieldInf[position].bufferLength = size;
    return buffer;
}

OCILobLocator **ZDOCICols::createLobLocator(int position, OCIEnv *env)
{
    OCILobLocator *&locator = fieldInf[position].lobLocator;
    if (D_OCIDescriptorAlloc(env, reinterpret_cast<void **>(&locator), OCI_DTYPE_LOB, 0, nullptr)
        != OCI_SUCCESS) {
        qCWarning(lcZdoci, "ZDOCICols: Cannot create LOB locator");
        locator = nullptr;
    }
    return &locator;
}

int ZDOCICols::fieldFromDefine(OCIDefine *define) const
{
    for (int i = 0; i < fieldInf.size(); ++i) {
        if (fieldInf.at(i).define == define)
            return i;
    }
    return -1;
}

int ZDOCICols::readPiecewise(QVector<QVariant> &values, int index)
{
    // The cache slots of a forward-only query still hold the previous row.
    for (int i = 0; i < fieldInf.size(); ++i) {
        if (isPiecewise(fieldInf.at(i).oracleType))
            values[index + i] = fieldInf.at(i).oracleType == SQLT_LNG ? QVariant(QString())
                                                                       : QVariant(QByteArray());
    }

    char chunk[65536];
    int32_t status = OCI_NEED_DATA;
    int32_t result = OCI_SUCCESS;
    while (status == OCI_SUCCESS_WITH_INFO || status == OCI_NEED_DATA) {
        void *handle = nullptr;
        uint32_t handleType = 0, iteration = 0, rowIndex = 0;
        uint8_t direction = 0, piece = 0;
        result = D_OCIStmtGetPieceInfo(d->statement, d->errorHandle, &handle, &handleType,
                                       &direction, &iteration, &rowIndex, &piece);
        if (result != OCI_SUCCESS)
            return result;
        const int column = fieldFromDefine(static_cast<OCIDefine *>(handle));
        if (column < 0)
            return OCI_ERROR;
        OraFieldInf &inf = fieldInf[column];
        const bool text = inf.oracleType == SQLT_LNG;
        uint32_t chunkSize = text ? TextChunk : ByteChunk;
        result = D_OCIStmtSetPieceInfo(handle, OCI_HTYPE_DEFINE, d->errorHandle, chunk, &chunkSize,
                                       piece, nullptr, nullptr);
        status = D_OCIStmtFetch(d->statement, d->errorHandle, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
        bool nullPiece = false;
        if (status == OCI_ERROR) {
            if (oracleErrorCode(d->errorHandle) != 1405)
                return OCI_ERROR; // a failed piece is no row
            nullPiece = true;
        }
        if (status == OCI_NO_DATA)
            return result;
        if (result != OCI_SUCCESS)
            return result;
        if (nullPiece || chunkSize == 0) {
            inf.indicator = -1;
            continue;
        }
        chunkSize = qMin(chunkSize, text ? TextChunk : ByteChunk);
        QVariant &value = values[index + column];
        if (text)
            static_cast<QString *>(value.data())
                    ->append(reinterpret_cast<const QChar *>(chunk), int(chunkSize / 2));
        else
            static_cast<QByteArray *>(value.data())->append(chunk, int(chunkSize));
        inf.indicator = 0;
    }
    return result;
}

void ZDOCICols::getValues(QVector<QVariant> &values, int index)
{
    const QSql::NumericalPrecisionPolicy policy = d->q_func()->numericalPrecisionPolicy();
    for (int i = 0; i < fieldInf.size(); ++i) {
        const OraFieldInf &inf = fieldInf.at(i);
        QVariant &value = values[index + i];
        if (inf.indicator == -1) {
            value = QVariant(inf.variantType);
            continue;
        }
        if (isPiecewise(inf.oracleType))
            continue;
        switch (inf.variantType) {
        case QVariant::Int:
        case QVariant::LongLong:
        case QVariant::Double:
            if (policy == QSql::LowPrecisionDouble && inf.variantType == QVariant::Double) {
                double number;
                std::memcpy(&number, inf.buffer, sizeof number);
                value = number;
            } else if (policy == QSql::LowPrecisionInt64 && inf.variantType == QVariant::LongLong) {
                qint64 number = 0;
                if (D_OCINumberToInt(d->errorHandle, reinterpret_cast<OCINumber *>(inf.buffer), 8,
                                     OCI_NUMBER_SIGNED, &number) == OCI_SUCCESS)
                    value = number;
                else
                    value = QVariant();
            } else if (policy == QSql::LowPrecisionInt32 && inf.variantType == QVariant::Int) {
                int number;
                std::memcpy(&number, inf.buffer, sizeof number);
                value = number;
            } else {
                value = textFromBuffer(inf.buffer, inf.bufferLength + 1);
            }
            break;
        case QVariant::String:
            value = textFromBuffer(inf.buffer, inf.bufferLength + 1);
            break;
        case QVariant::ByteArray:
            if (inf.bufferLength > 0)
                value = QByteArray(inf.buffer, inf.bufferLength);
            else
                value = QVariant(QVariant::ByteArray);
            break;
        case QVariant::DateTime:
            value = cachedDateTime(inf.buffer);
            break;
        default:
            if (!warnedUnknownType) {
                qCWarning(lcZdoci, "ZDOCICols::value: unknown data type");
                warnedUnknownType = true;
            }
            break;
        }
    }
}

QDateTime ZDOCICols::cachedDateTime(const char *date)
{
    // Building a local date-time asks the C library for the zone each time;
    // schedule dates repeat a lot, so each distinct value is built once.
    quint64 key = 0;
    std::memcpy(&key, date, 7);
    const auto it = dateCache.constFind(key);
    if (it != dateCache.constEnd())
        return it.value();
    if (dateCache.size() >= 4096)
        dateCache.clear();
    const QDateTime dt = qOraDateToDateTime(date);
    dateCache.insert(key, dt);
    return dt;
}

int ZDOCICols::readLOBs(QVector<QVariant> &values, int index)
{
    for (int i = 0; i < fieldInf.size(); ++i) {
        const OraFieldInf &inf = fieldInf.at(i);
        if (inf.indicator == -1 || !inf.lobLocator)
            continue;
        int status;
        if (inf.oracleType == SQLT_CLOB) {
            QString text;
            status = qReadClob(text, d, inf.lobLocator);
            if (status == OCI_SUCCESS)
                values[index + i] = text;
        } else {
            QByteArray bytes;
            status = qReadBlob(bytes, d, inf.lobLocator);
            if (status == OCI_SUCCESS)
                values[index + i] = bytes;
        }
        if (status != OCI_SUCCESS)
            return status;
    }
    return OCI_SUCCESS;
}

namespace {

// Reads a whole LOB into buffer (QString for character LOBs, QByteArray for
// binary ones); charsetId 0 reads the bytes as stored. An empty LOB gives an
// empty, not a null, buffer.
template <typename Buffer>
int readLob(Buffer &buffer, const ZDOCIResultPrivate *d, OCILobLocator *locator,
            uint16_t charsetId)
{
    uint8_t form = 0;
    if (D_OCILobCharSetForm(d->environment, d->errorHandle, locator, &form) != OCI_SUCCESS)
        form = 0;
    uint32_t amount = 0;
    int32_t status = D_OCILobGetLength(d->serviceContext, d->errorHandle, locator, &amount);
    if (status != OCI_SUCCESS)
        return status;
    buffer.resize(int(amount));
    if (amount == 0)
        return OCI_SUCCESS;
    const uint32_t size = amount * uint32_t(sizeof(*buffer.data()));
    status = D_OCILobRead(d->serviceContext, d->errorHandle, locator, &amount, 1, buffer.data(),
                          size, nullptr, nullptr, charsetId, form);
    if (status == OCI_SUCCESS && int(amount) < buffer.size())
        buffer.truncate(int(amount));
    return status;
}

} // namespace

int qReadClob(QString &text, const ZDOCIResultPrivate *d, OCILobLocator *locator)
{
    return readLob(text, d, locator, OCI_UTF16LEID);
}

int qReadBlob(QByteArray &bytes, const ZDOCIResultPrivate *d, OCILobLocator *locator)
{
    return readLob(bytes, d, locator, 0);
}

bool ZDOCIResult::gotoNext(ValueCache &values, int index)
{
    Q_D(ZDOCIResult);
    if (at() == QSql::AfterLastRow || !d->cols)
        return false;
    int32_t status = D_OCIStmtFetch(d->statement, d->errorHandle, 1, OCI_FETCH_NEXT, OCI_DEFAULT);
    if (index < 0)
        return succeeded(status);

    switch (status) {
    case OCI_SUCCESS:
    case OCI_SUCCESS_WITH_INFO:
        status = OCI_SUCCESS;
        break;
    case OCI_NEED_DATA:
        status = d->cols->readPiecewise(values, index);
        break;
    case OCI_NO_DATA:
        return false;
    case OCI_ERROR:
        if (oracleErrorCode(d->errorHandle) == 1406) {
            qCWarning(lcZdoci, "ZDOCI Warning: data truncated for %s",
                      lastQuery().toLocal8Bit().constData());
            status = OCI_SUCCESS;
            break;
        }
        Q_FALLTHROUGH();
    default:
        setLastError(qMakeOCIError(resultText("Unable to goto next"), QSqlError::StatementError,
                                   d->errorHandle));
        break;
    }
    if (status == OCI_SUCCESS) {
        d->cols->getValues(values, index);
        status = d->cols->readLOBs(values, index);
    }
    if (status != OCI_SUCCESS)
        setAt(QSql::AfterLastRow);
    return succeeded(status);
}

// ---- Batch execution ------------------------------------------------------------

namespace {

struct BatchColumn
{
    OCIBind *bind = nullptr;
    uint16_t bindAs = 0;
    uint32_t slotSize = 0;
    uint32_t recordCount = 0;
    QByteArray data;
    QVector<uint16_t> lengths;
    QVector<int16_t> indicators;
    uint32_t maxArrayLength = 0;
    uint32_t currentArrayLength = 0;
};

void freeBatchColumnBuffers(QVector<BatchColumn> &columns)
{
    for (BatchColumn &column : columns) {
        column.data.clear();
        column.lengths.clear();
        column.indicators.clear();
    }
}

// Element length that decides a text or byte slot: what an OUT element may
// grow to, or what an IN element holds; never less than what is copied.
int elementLength(const QVariant &element, bool out, bool text)
{
    if (text) {
        const QString s = element.type() == QVariant::String
                ? *static_cast<const QString *>(element.constData())
                : element.toString();
        return out ? qMax(s.capacity(), s.size()) : s.size();
    }
    const QByteArray b = element.type() == QVariant::ByteArray
            ? *static_cast<const QByteArray *>(element.constData())
            : element.toByteArray();
    return out ? qMax(b.capacity(), b.size()) : b.size();
}

} // namespace

bool ZDOCICols::execBatch(ZDOCIResultPrivate *d, QVector<QVariant> &boundValues, bool arrayBind)
{
    const int columnCount = boundValues.count();
    if (columnCount == 0)
        return false;
    ZDOCIResult *q = d->q_func();
    const int rowIdType = zdociRowIdMetaType();

    QVector<int> elementTypes(columnCount);
    int rows = -1;
    bool sameLength = true;
    for (int i = 0; i < columnCount; ++i) {
        const QVariant &value = boundValues.at(i);
        if (value.type() == QVariant::List) {
            const QVariantList list = value.toList();
            elementTypes[i] = list.isEmpty() ? int(QVariant::Invalid) : list.at(0).userType();
            if (rows < 0)
                rows = list.size();
            else if (rows != list.size())
                sameLength = false;
        } else {
            elementTypes[i] = value.userType();
        }
    }
    auto fail = [&](const char *text) {
        q->setLastError(qMakeOCIError(resultText(text), QSqlError::StatementError, d->errorHandle));
        return false;
    };
    if (!sameLength)
        return fail("Unable to bind column for batch execute");

    ZDOCISizes sizes(columnCount);
    QVector<BatchColumn> columns(columnCount);
    QList<QByteArray> temporary;
    QVector<int> singleBuffer(columnCount, -1);
    struct Release
    {
        QVector<BatchColumn> &columns;
        ~Release() { freeBatchColumnBuffers(columns); }
    } release{columns};

    for (int i = 0; i < columnCount; ++i) {
        BatchColumn &col = columns[i];
        const bool out = d->isOutValue(i);
        if (out)
            boundValues.detach();
        QVariant &value = boundValues[i];
        if (value.type() != QVariant::List) {
            col.indicators.fill(value.isNull() ? -1 : 0, 1);
            singleBuffer[i] = temporary.size();
            if (out)
                value.detach();
            if (!succeeded(d->bindValue(d->statement, &col.bind, d->errorHandle, i, value,
                                        col.indicators.data(), &sizes[i], temporary)))
                return fail("Unable to bind column for batch execute");
            continue;
        }

        const QVariantList list = value.toList();
        col.recordCount = uint32_t(list.size());
        col.maxArrayLength = col.currentArrayLength = col.recordCount;
        col.lengths.fill(0, list.size());
        col.indicators.fill(0, list.size());
        switch (elementTypes.at(i)) {
        case QVariant::Int: col.bindAs = SQLT_INT; col.slotSize = 4; break;
        case QVariant::UInt: col.bindAs = SQLT_UIN; col.slotSize = 4; break;
        case QVariant::LongLong:
        case QVariant::ULongLong: col.bindAs = SQLT_VNU; col.slotSize = sizeof(OCINumber); break;
        case QVariant::Double: col.bindAs = SQLT_FLT; col.slotSize = 8; break;
        case QVariant::Date:
        case QVariant::Time:
        case QVariant::DateTime: col.bindAs = SQLT_DAT; col.slotSize = 7; break;
        case QVariant::String:
            col.bindAs = SQLT_STR;
            break;
        default:
            col.bindAs = elementTypes.at(i) == rowIdType ? SQLT_RDD : SQLT_LBI;
            col.slotSize = col.bindAs == SQLT_RDD ? 8 : 0;
            break;
        }
        if (col.bindAs == SQLT_STR || col.bindAs == SQLT_LBI) {
            int longest = 0;
            for (const QVariant &element : list)
                longest = qMax(longest, elementLength(element, out, col.bindAs == SQLT_STR));
            const qint64 slot = col.bindAs == SQLT_STR ? (qint64(longest) + 1) * 2 : longest;
            // Lengths travel in 16 bits: a longer element cannot be bound.
            if (slot > 0xffff)
                return fail("Unable to bind column for batch execute");
            col.slotSize = list.isEmpty() ? 0 : uint32_t(slot);
        }
        col.data = QByteArray(int(col.recordCount * col.slotSize), '\0');

        for (int r = 0; r < list.size(); ++r) {
            const QVariant &element = list.at(r);
            char *slot = col.data.data() + r * int(col.slotSize);
            if (element.isNull()) {
                col.indicators[r] = -1;
                continue;
            }
            switch (col.bindAs) {
            case SQLT_INT: {
                const int v = element.toInt();
                std::memcpy(slot, &v, 4);
                col.lengths[r] = 4;
                break;
            }
            case SQLT_UIN: {
                const uint v = element.toUInt();
                std::memcpy(slot, &v, 4);
                col.lengths[r] = 4;
                break;
            }
            case SQLT_FLT: {
                const double v = element.toDouble();
                std::memcpy(slot, &v, 8);
                col.lengths[r] = 8;
                break;
            }
            case SQLT_VNU:
                if (elementTypes.at(i) == QVariant::ULongLong) {
                    const quint64 v = element.toULongLong();
                    D_OCINumberFromInt(d->errorHandle, &v, 8, OCI_NUMBER_UNSIGNED,
                                       reinterpret_cast<OCINumber *>(slot));
                } else {
                    const qint64 v = element.toLongLong();
                    D_OCINumberFromInt(d->errorHandle, &v, 8, OCI_NUMBER_SIGNED,
                                       reinterpret_cast<OCINumber *>(slot));
                }
                col.lengths[r] = sizeof(OCINumber);
                break;
            case SQLT_DAT: {
                const QDateTime dt = element.type() == QVariant::Time
                        ? QDateTime(QDate(1970, 1, 1), element.toTime())
                        : element.toDateTime();
                std::memcpy(slot, qDateTimeToOraDate(dt).constData(), 7);
                col.lengths[r] = 7;
                break;
            }
            case SQLT_STR: {
                const QString s = element.toString();
                const int n = qMin(s.size(), int(col.slotSize / 2) - 1);
                std::memcpy(slot, s.utf16(), size_t(n) * 2);
                col.lengths[r] = uint16_t((n + 1) * 2);
                break;
            }
            case SQLT_RDD:
                if (element.userType() == rowIdType) {
                    OCIRowid *id = static_cast<const ZDOCIRowIdPointer *>(element.constData())
                                           ->constData()->id;
                    std::memcpy(slot, &id, qMin(sizeof id, size_t(col.slotSize)));
                } else {
                    const QByteArray b = element.toByteArray();
                    std::memcpy(slot, b.constData(), qMin(size_t(b.size()), size_t(col.slotSize)));
                }
                break;
            default: {
                const QByteArray b = element.toByteArray();
                const int n = qMin(b.size(), int(col.slotSize));
                std::memcpy(slot, b.constData(), size_t(n));
                col.lengths[r] = uint16_t(n);
                break;
            }
            }
        }

        if (!succeeded(D_OCIBindByPos(d->statement, &col.bind, d->errorHandle, uint32_t(i) + 1,
                                      col.data.data(), int32_t(col.slotSize), col.bindAs,
                                      col.indicators.data(), col.lengths.data(), nullptr,
                                      arrayBind ? col.maxArrayLength : 0,
                                      arrayBind ? &col.currentArrayLength : nullptr, OCI_DEFAULT)))
            return fail("Unable to bind column for batch execute");
        if (!succeeded(D_OCIBindArrayOfStruct(col.bind, d->errorHandle, col.slotSize, 2, 2, 0)))
            return fail("Unable to bind column for batch execute");
    }

    // Single values apply to every row: the lists alone say how many rows run.
    const uint32_t iterations = arrayBind ? 1 : uint32_t(rows < 0 ? 1 : rows);
    if (!succeeded(D_OCIStmtExecute(d->serviceContext, d->statement, d->errorHandle, iterations, 0,
                                    nullptr, nullptr, d->executeMode())))
        return fail("Unable to execute batch statement");

    for (int i = 0; i < columnCount; ++i) {
        if (!d->isOutValue(i))
            continue;
        const BatchColumn &col = columns.at(i);
        boundValues.detach();
        QVariant &value = boundValues[i];
        if (value.type() != QVariant::List) {
            const QVariant::Type before = value.type();
            qOutBufferToVariant(value, temporary.at(singleBuffer.at(i)), d->errorHandle);
            if (col.indicators.at(0) == -1)
                value = QVariant(before);
            continue;
        }
        auto *list = static_cast<QVariantList *>(value.data());
        for (int r = 0; r < int(col.recordCount) && r < list->size(); ++r) {
            const char *slot = col.data.constData() + r * int(col.slotSize);
            QVariant &element = (*list)[r];
            if (col.indicators.at(r) == -1) {
                element = QVariant();
                continue;
            }
            switch (col.bindAs) {
            case SQLT_INT: {
                int v;
                std::memcpy(&v, slot, 4);
                element = v;
                break;
            }
            case SQLT_UIN: {
                uint v;
                std::memcpy(&v, slot, 4);
                element = v;
                break;
            }
            case SQLT_FLT: {
                double v;
                std::memcpy(&v, slot, 8);
                element = v;
                break;
            }
            case SQLT_STR:
                element = textFromBuffer(slot, int(col.slotSize));
                break;
            case SQLT_DAT:
                element = qOraDateToDateTime(slot);
                break;
            case SQLT_VNU:
                if (elementTypes.at(i) == QVariant::ULongLong) {
                    quint64 v = 0;
                    D_OCINumberToInt(d->errorHandle, reinterpret_cast<const OCINumber *>(slot), 8,
                                     OCI_NUMBER_UNSIGNED, &v);
                    element = v;
                } else {
                    qint64 v = 0;
                    D_OCINumberToInt(d->errorHandle, reinterpret_cast<const OCINumber *>(slot), 8,
                                     OCI_NUMBER_SIGNED, &v);
                    element = v;
                }
                break;
            default:
                element = QByteArray(slot, int(col.slotSize));
                break;
            }
        }
    }

    q->setSelect(false);
    q->setAt(QSql::BeforeFirstRow);
    q->setActive(true);
    return true;
}
