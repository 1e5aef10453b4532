#include "connectionrecord.h"

#include "sqlp6logging.h"
#include "zserverlink.h"

#include <QStringList>

namespace {

constexpr int kOracleDefaultPort = 1521;

QString driverOfLink(int connectionType)
{
    switch (connectionType) {
    case ServerLinkInfo::Oracle:
        return QStringLiteral("ZDOCI");
    case ServerLinkInfo::SqlServer:
        return QStringLiteral("QODBC");
    default:
        return QString();
    }
}

void configureOracle(QSqlDatabase &db, const QString &host, int port, const QString &database,
                     const QString &user, const QString &password)
{
    QString oracleHost;
    int oraclePort = -1;
    QString service;
    if (database.contains(QLatin1Char('/'))) {
        // host[:port]/service; the record's own host and port are not used.
        const QStringList parts = database.split(QLatin1Char('/'));
        const QStringList address = parts.at(0).split(QLatin1Char(':'));
        oracleHost = address.at(0);
        oraclePort = address.size() >= 2 ? address.at(1).toInt() : kOracleDefaultPort;
        service = parts.at(1);
    } else if (port != -1 && !host.isEmpty() && !database.isEmpty()) {
        oracleHost = host;
        oraclePort = port;
        service = database;
    } else {
        qCWarning(lcSqlP6, "missing parametres sent to ZDOCI connection");
        return;
    }
    db.setUserName(user);
    db.setPassword(password);
    db.setHostName(oracleHost);
    db.setPort(oraclePort);
    db.setDatabaseName(service);
    db.setConnectOptions(QStringLiteral("OCI_ATTR_PREFETCH_ROWS=750"));
}

// The text form's own escapes; nothing else is touched, so texts without
// these three characters read and write as before.
QString escapeItemText(QString text)
{
    text.replace(QLatin1Char('%'), QLatin1String("%25"));
    text.replace(QLatin1Char(','), QLatin1String("%2C"));
    text.replace(QLatin1Char('='), QLatin1String("%3D"));
    return text;
}

QString unescapeItemText(const QString &text)
{
    if (!text.contains(QLatin1Char('%')))
        return text;
    QString out;
    out.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('%') && i + 2 < text.size()) {
            const QString code = text.mid(i + 1, 2).toUpper();
            const QChar decoded = code == QLatin1String("25") ? QLatin1Char('%')
                : code == QLatin1String("2C")                 ? QLatin1Char(',')
                : code == QLatin1String("3D")                 ? QLatin1Char('=')
                                                              : QChar();
            if (!decoded.isNull()) {
                out += decoded;
                i += 2;
                continue;
            }
        }
        out += text.at(i);
    }
    return out;
}

} // namespace

QSqlDatabase connectionFromVariant(const QVariant &record, QString connectionName)
{
    const QVariantMap map = record.toMap();
    QString driver = map.value(QStringLiteral("driver")).toString();
    QString host = map.value(QStringLiteral("host")).toString();
    QString database = map.value(QStringLiteral("database")).toString();
    QString user = map.value(QStringLiteral("user")).toString();
    QString password = map.value(QStringLiteral("password")).toString();
    const QString link = map.value(QStringLiteral("link")).toString();
    int port = map.contains(QStringLiteral("port")) ? map.value(QStringLiteral("port")).toInt() : -1;

    if (!link.isEmpty()) {
        const ServerLinkInfo info = ZServerLink(kServerLinkKey).decode(link);
        driver = driverOfLink(info.connectionType);
        database = info.database;
        user = info.user;
        password = info.password;
        host = info.host;
        port = info.port;
    }

    // Same outcome as Qt's replacement of a duplicate name, without its warning.
    if (QSqlDatabase::contains(connectionName))
        QSqlDatabase::removeDatabase(connectionName);
    QSqlDatabase db = QSqlDatabase::addDatabase(driver, connectionName);

    if (driver == QLatin1String("QODBC")) {
        if (database.contains(QLatin1Char('{')))
            db.setDatabaseName(database);
        else
            db.setDatabaseName(odbcSqlServerText(host, database, user, password));
    } else if (driver == QLatin1String("ZDOCI")) {
        configureOracle(db, host, port, database, user, password);
    } else if (driver == QLatin1String("QSQLITE")) {
        db.setDatabaseName(database);
    }
    return db;
}

QVariant connectionToVariant(const QSqlDatabase &db)
{
    QVariantMap map;
    map.insert(QStringLiteral("driver"), db.driverName());
    map.insert(QStringLiteral("host"), db.hostName());
    map.insert(QStringLiteral("port"), db.port());
    map.insert(QStringLiteral("database"), db.databaseName());
    map.insert(QStringLiteral("user"), db.userName());
    map.insert(QStringLiteral("password"), db.password());
    return map;
}

QString connectionToString(const QVariant &record)
{
    const QVariantMap map = record.toMap();
    QStringList items;
    auto add = [&items](const QString &key, const QString &value) {
        items << escapeItemText(key) + QLatin1Char('=') + escapeItemText(value);
    };
    auto text = [&map](const char *key) { return map.value(QLatin1String(key)).toString(); };

    if (map.contains(QStringLiteral("link"))) {
        add(QStringLiteral("link"), text("link"));
        add(QStringLiteral("name"), text("name"));
    } else {
        add(QStringLiteral("driver"), text("driver"));
        add(QStringLiteral("host"), text("host"));
        add(QStringLiteral("port"), QString::number(map.value(QStringLiteral("port")).toInt()));
        add(QStringLiteral("database"), text("database"));
        add(QStringLiteral("user"), text("user"));
        add(QStringLiteral("password"), text("password"));
        add(QStringLiteral("name"), text("name"));
    }
    const QString p6user = text("p6user");
    if (!p6user.isEmpty())
        add(QStringLiteral("p6user"), p6user);
    const QString p6pwd = text("p6pwd");
    if (!p6pwd.isEmpty() && map.value(QStringLiteral("p6savepwd")).toInt() == 1)
        add(QStringLiteral("p6pwd"), p6pwd);
    return items.join(QLatin1Char(','));
}

QVariant connectionFromString(const QString &text)
{
    QVariantMap map;
    const QStringList items = text.split(QLatin1Char(','));
    for (const QString &item : items) {
        const int separator = item.indexOf(QLatin1Char('='));
        const QString key = separator < 0 ? item : item.left(separator);
        const QString value = separator < 0 ? item : item.mid(separator + 1);
        map.insert(unescapeItemText(key), unescapeItemText(value));
    }
    return map;
}

QString odbcValue(const QString &value)
{
    const bool outerBlank = !value.isEmpty() && (value.front().isSpace() || value.back().isSpace());
    if (!outerBlank && !value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('{'))
        && !value.contains(QLatin1Char('}')))
        return value;
    QString braced = value;
    braced.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + braced + QLatin1Char('}');
}

QString odbcSqlServerText(const QString &server, const QString &database, const QString &user,
                          const QString &password)
{
    // One arg call: a "%2" inside a value is not taken for a placeholder.
    return QStringLiteral("DRIVER={SQL Server};SERVER=%1;DATABASE=%2;UID=%3;PWD=%4;")
        .arg(odbcValue(server), odbcValue(database), odbcValue(user), odbcValue(password));
}

QString odbcTrustedSqlServerText(const QString &server, const QString &database)
{
    return QStringLiteral("DRIVER={SQL Server};SERVER=%1;DATABASE=%2;Trusted_Connection=YES;")
        .arg(odbcValue(server), odbcValue(database));
}
