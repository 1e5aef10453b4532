#pragma once

// Private side of the ZDOCI driver: the driver and result data on Qt's own
// private SQL classes, the result, its column set and the value helpers the
// driver, its results and its catalogue queries share.

#include "zdoci_client.h"
#include "zdocidriver.h"

#include <QDateTime>
#include <QHash>
#include <QLoggingCategory>
#include <QSharedData>
#include <QSqlError>
#include <QSqlRecord>
#include <QVarLengthArray>
#include <QVariant>
#include <QtSql/private/qsqlcachedresult_p.h>
#include <QtSql/private/qsqldriver_p.h>

Q_DECLARE_LOGGING_CATEGORY(lcZdoci)

Q_DECLARE_OPAQUE_POINTER(OCIEnv *)
Q_DECLARE_METATYPE(OCIEnv *)
Q_DECLARE_OPAQUE_POINTER(OCIStmt *)
Q_DECLARE_METATYPE(OCIStmt *)

class ZDOCICols;

class ZDOCIDriverPrivate : public QSqlDriverPrivate
{
    Q_DECLARE_PUBLIC(ZDOCIDriver)

public:
    ZDOCIDriverPrivate();
    void allocErrorHandle();

    OCIEnv *environment = nullptr;      // Owned by the driver.
    OCISvcCtx *serviceContext = nullptr; // Owned by the driver while open.
    OCIServer *serverHandle = nullptr;
    OCISession *sessionHandle = nullptr;
    OCITrans *transHandle = nullptr;    // Attached to the context by open.
    OCIError *errorHandle = nullptr;
    bool inTransaction = false;
    int serverVersion = -1;
    int prefetchRows = -1;
    int prefetchMemory = 10240;
    QString userName;
};

// One OCI row id, shared by the variants that carry it.
class ZDOCIRowId : public QSharedData
{
public:
    explicit ZDOCIRowId(OCIEnv *env);
    ZDOCIRowId(const ZDOCIRowId &) = delete;
    ZDOCIRowId &operator=(const ZDOCIRowId &) = delete;
    ~ZDOCIRowId();

    OCIRowid *id = nullptr; // Owned.
};
using ZDOCIRowIdPointer = QSharedDataPointer<ZDOCIRowId>;
Q_DECLARE_METATYPE(ZDOCIRowIdPointer)

int zdociRowIdMetaType(); // registers "ZDOCIRowIdPointer" on first use

class ZDOCIResultPrivate;

class ZDOCIResult : public QSqlCachedResult
{
    Q_DECLARE_PRIVATE(ZDOCIResult)
    friend class ZDOCIResultPrivate;
    friend class ZDOCICols;

public:
    explicit ZDOCIResult(const ZDOCIDriver *driver);
    ~ZDOCIResult() override;

    bool prepare(const QString &query) override;
    bool exec() override;
    QVariant handle() const override;

protected:
    bool gotoNext(ValueCache &values, int index) override;
    bool reset(const QString &query) override;
    int size() override;
    int numRowsAffected() override;
    QSqlRecord record() const override;
    QVariant lastInsertId() const override;
    bool execBatch(bool arrayBind = false) override;
    void virtual_hook(int id, void *data) override;
};

using ZDOCIIndicators = QVarLengthArray<short, 32>;
using ZDOCISizes = QVarLengthArray<unsigned short, 32>;

class ZDOCIResultPrivate : public QSqlCachedResultPrivate
{
    Q_DECLARE_PUBLIC(ZDOCIResult)
    friend class ZDOCICols;

public:
    Q_DECLARE_SQLDRIVER_PRIVATE(ZDOCIDriver)

    ZDOCIResultPrivate(ZDOCIResult *q, const ZDOCIDriver *drv);
    ~ZDOCIResultPrivate() override;

    // The driver's flag at the moment of asking, so that a query made before
    // beginTransaction joins the transaction and one made inside it leaves
    // auto-commit on again after the commit.
    bool inTransaction() const;
    uint32_t executeMode() const;
    void setStatementAttributes();
    void setCharset(void *handle, uint32_t type) const;
    bool isOutValue(int i) const;
    bool isBinaryValue(int i) const;

    // Binds one value at position + 1 and appends exactly one buffer (empty
    // when the value binds from its own storage) to temporary, so that
    // temporary[n] belongs to the n-th call of one execution.
    int bindValue(OCIStmt *stmt, OCIBind **bind, OCIError *err, int position, QVariant &value,
                  void *indicator, unsigned short *size, QList<QByteArray> &temporary);
    int bindValues(QVector<QVariant> &values, ZDOCIIndicators &indicators, ZDOCISizes &sizes,
                   QList<QByteArray> &temporary);
    void outValues(QVector<QVariant> &values, ZDOCIIndicators &indicators,
                   QList<QByteArray> &temporary);

    ZDOCICols *cols = nullptr; // Owned.
    OCIEnv *environment = nullptr;
    OCIError *errorHandle = nullptr; // Owned.
    OCISvcCtx *&serviceContext;      // The driver's own field.
    OCIStmt *statement = nullptr;    // Owned.
    int serverVersion = -1;
    int prefetchRows = -1;
    int prefetchMemory = -1;
};

class ZDOCICols
{
public:
    struct OraFieldInf
    {
        char *buffer = nullptr; // Owned.
        int bufferLength = 0;
        short indicator = 0;
        QVariant::Type variantType = QVariant::Invalid;
        uint32_t oracleType = 0;
        OCIDefine *define = nullptr;
        OCILobLocator *lobLocator = nullptr; // Owned.
    };

    struct OraColumnDesc
    {
        QString name;
        QVariant::Type type = QVariant::Invalid;
        uint8_t isNull = 0;
        uint16_t ociType = 0;
        int8_t scale = 0;
        uint16_t length = 0;
        uint16_t charLength = 0;
        uint16_t precision = 0;
    };

    ZDOCICols(int size, ZDOCIResultPrivate *d);
    ~ZDOCICols();
    ZDOCICols(const ZDOCICols &) = delete;
    ZDOCICols &operator=(const ZDOCICols &) = delete;

    OraColumnDesc qMakeOraField(const ZDOCIResultPrivate *p, OCIParam *param) const;
    char *create(int position, int size);
    OCILobLocator **createLobLocator(int position, OCIEnv *env);
    int fieldFromDefine(OCIDefine *define) const;
    int readPiecewise(QVector<QVariant> &values, int index);
    void getValues(QVector<QVariant> &values, int index);
    int readLOBs(QVector<QVariant> &values, int index);
    QDateTime cachedDateTime(const char *date);

    static bool execBatch(ZDOCIResultPrivate *d, QVector<QVariant> &boundValues, bool arrayBind);

    QSqlRecord rec;
    QVector<OraFieldInf> fieldInf;
    ZDOCIResultPrivate *const d; // Not owned.
    // A LOB column got no locator; the set cannot fetch.
    bool lobLocatorMissing = false;
    bool warnedUnknownType = false;
    QHash<quint64, QDateTime> dateCache;
};

QSqlError qMakeOCIError(const QString &text, QSqlError::ErrorType type, OCIError *err);
QByteArray qDateTimeToOraDate(const QDateTime &dt);
QDateTime qOraDateToDateTime(const char *date);
QVariant::Type qDecodeOCIType(const QString &typeName, QSql::NumericalPrecisionPolicy policy);
QVariant::Type qDecodeOCIType(int ociType, QSql::NumericalPrecisionPolicy policy);
void qOutBufferToVariant(QVariant &value, const QByteArray &buffer, OCIError *err);
int qReadClob(QString &text, const ZDOCIResultPrivate *d, OCILobLocator *locator);
int qReadBlob(QByteArray &bytes, const ZDOCIResultPrivate *d, OCILobLocator *locator);
void qSplitTableAndOwner(const QString &name, QString *table, QString *owner);
QString qSystemOwnerFilter(const QString &user, unsigned form);

// Texts cross the client boundary as UTF-16 with byte lengths.
inline const uint8_t *zdociText(const QString &s)
{
    return reinterpret_cast<const uint8_t *>(s.utf16());
}
inline uint32_t zdociTextBytes(const QString &s)
{
    return uint32_t(s.size()) * 2;
}
