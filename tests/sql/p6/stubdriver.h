#pragma once

// A driver that stands in for database clients this machine lacks. It keeps
// the settings of the last open and opens when told to, so tests can see
// what a caller hands the client.

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlDriverCreator>
#include <QSqlError>
#include <QStringList>

class StubDriver : public QSqlDriver
{
public:
    struct Open
    {
        QString driver;
        QString database, user, password, host, options;
        int port = -1;
    };
    static Open &lastOpen()
    {
        static Open open;
        return open;
    }
    static bool &opens()
    {
        static bool succeed = false;
        return succeed;
    }

    explicit StubDriver(const QString &name)
        : m_name(name)
    {
    }

    bool hasFeature(DriverFeature) const override { return false; }
    bool open(const QString &db, const QString &user, const QString &password, const QString &host,
              int port, const QString &options) override
    {
        lastOpen() = Open { m_name, db, user, password, host, options, port };
        if (!opens()) {
            setLastError(QSqlError(QStringLiteral("stub refuses"), QString(), QSqlError::ConnectionError));
            setOpenError(true);
            return false;
        }
        setOpen(true);
        setOpenError(false);
        return true;
    }
    void close() override { setOpen(false); }
    QSqlResult *createResult() const override { return nullptr; }

private:
    QString m_name;
};

template <const char *Name>
class StubDriverCreator : public QSqlDriverCreatorBase
{
public:
    QSqlDriver *createObject() const override { return new StubDriver(QLatin1String(Name)); }
};

namespace stubdriver {
inline constexpr char kZdoci[] = "ZDOCI";
inline constexpr char kOdbc[] = "QODBC";
inline constexpr char kOdbc3[] = "QODBC3";
inline constexpr char kMysql[] = "QMYSQL";

// Registers the stand-ins under the names of the drivers not built here.
inline void registerAll()
{
    QSqlDatabase::registerSqlDriver(QLatin1String(kZdoci), new StubDriverCreator<kZdoci>);
    QSqlDatabase::registerSqlDriver(QLatin1String(kOdbc), new StubDriverCreator<kOdbc>);
    QSqlDatabase::registerSqlDriver(QLatin1String(kOdbc3), new StubDriverCreator<kOdbc3>);
    QSqlDatabase::registerSqlDriver(QLatin1String(kMysql), new StubDriverCreator<kMysql>);
}
} // namespace stubdriver
