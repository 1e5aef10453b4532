#pragma once

// Stands in for the database clients this machine lacks: keeps the settings
// of the last open and opens only when told to.

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QStringList>

class StubDriver : public QSqlDriver
{
public:
    static QStringList &lastOpen() { static QStringList open; return open; } // driver|db|user|pwd|host|port|options
    static bool &opens() { static bool succeed = false; return succeed; }

    explicit StubDriver(const QString &name) : m_name(name) {}
    bool hasFeature(DriverFeature) const override { return false; }
    bool open(const QString &db, const QString &user, const QString &password, const QString &host,
              int port, const QString &options) override
    {
        lastOpen() = QStringList { m_name, db, user, password, host, QString::number(port), options };
        if (opens())
            setOpen(true);
        else
            setLastError(QSqlError(QStringLiteral("stub refuses"), QString(), QSqlError::ConnectionError));
        setOpenError(!opens());
        return opens();
    }
    void close() override { setOpen(false); }
    QSqlResult *createResult() const override { return nullptr; }

private:
    QString m_name;
};

class StubDriverCreator : public QSqlDriverCreatorBase
{
public:
    explicit StubDriverCreator(const QString &name) : m_name(name) {}
    QSqlDriver *createObject() const override { return new StubDriver(m_name); }
private:
    QString m_name;
};

inline void registerStubDrivers()
{
    for (const char *name : { "ZDOCI", "QODBC", "QODBC3", "QMYSQL" })
        QSqlDatabase::registerSqlDriver(QLatin1String(name), new StubDriverCreator(QLatin1String(name)));
}
