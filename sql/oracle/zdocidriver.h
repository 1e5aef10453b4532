#pragma once

// Qt SQL driver for Oracle servers over the Oracle Call Interface, which it
// loads at run time from "oradrv/<platform>/" beside the executable (see
// zdoci_client.h). Without the client library the driver still constructs;
// every step then fails with an ordinary OCI error.
//
// The driver registers itself nowhere. A user does so once:
//   QSqlDatabase::registerSqlDriver(QStringLiteral("ZDOCI"),
//                                   new QSqlDriverCreator<ZDOCIDriver>);
// Connect options: "OCI_ATTR_PREFETCH_ROWS=<n>;OCI_ATTR_PREFETCH_MEMORY=<bytes>".
// With a host the database name is a service name (a SID is tried next);
// without one it is any connect text the client accepts.
//
// Named placeholders only; no query size, no notifications, no cancelling.

#include <QSqlDriver>

struct OCIEnv;
struct OCISvcCtx;

class ZDOCIDriverPrivate;

class ZDOCIDriver : public QSqlDriver
{
    Q_OBJECT
    Q_DECLARE_PRIVATE(ZDOCIDriver)
    friend class ZDOCIResultPrivate;

public:
    explicit ZDOCIDriver(QObject *parent = nullptr);
    // Takes ownership of both handles: close frees the context, the
    // destructor the environment.
    ZDOCIDriver(OCIEnv *env, OCISvcCtx *ctx, QObject *parent = nullptr);
    ~ZDOCIDriver() override;

    bool hasFeature(DriverFeature feature) const override;
    bool open(const QString &db, const QString &user, const QString &password,
              const QString &host, int port, const QString &connOpts) override;
    void close() override;
    QSqlResult *createResult() const override;

    QStringList tables(QSql::TableType type) const override;
    QSqlRecord record(const QString &tablename) const override;
    QSqlIndex primaryIndex(const QString &tablename) const override;
    QString formatValue(const QSqlField &field, bool trimStrings) const override;
    QVariant handle() const override;
    QString escapeIdentifier(const QString &identifier, IdentifierType type) const override;

    bool beginTransaction() override;
    bool commitTransaction() override;
    bool rollbackTransaction() override;
};
