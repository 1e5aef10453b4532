#include "recentlist.h"

#include "applogging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

RecentList::RecentList(int maximum)
    : m_maximum(maximum)
{
    Q_ASSERT(maximum > 0);
}

void RecentList::add(int type, const QString &file, const QString &conn, const QString &user,
                     const QString &reserved, const QString &projid, const QString &name)
{
    RecentEntry entry;
    entry.type = type;
    if (type == RecentEntry::File) {
        entry.file = file;
        entry.name = name;
    } else {
        entry.conn = conn;
        entry.user = user;
        entry.reserved = reserved;
        entry.projid = projid;
        entry.name = name;
    }
    remove(entry);
    m_entries.prepend(entry);
    while (m_entries.size() > m_maximum)
        m_entries.removeLast();
}

void RecentList::addFile(const QString &path, const QString &name)
{
    add(RecentEntry::File, path, QString(), QString(), QString(), QString(), name);
}

int RecentList::remove(const RecentEntry &entry)
{
    return m_entries.removeAll(entry);
}

void RecentList::clear()
{
    m_entries.clear();
}

QString RecentList::defaultPath()
{
    return QStringLiteral("%1/mru.config")
        .arg(QStandardPaths::writableLocation(QStandardPaths::ConfigLocation));
}

void RecentList::load(const QString &path)
{
    m_entries.clear();
    QFile file(path);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly)) {
        qCDebug(lcApp) << "RecentList::load cannot open" << path << file.errorString();
        return;
    }
    recentListFromJson(*this, file.readAll());
}

RecentList::SaveResult RecentList::save(const QString &path) const
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        qCWarning(lcApp) << "RecentList::save cannot create folder" << info.absolutePath();
        return CannotCreateFolder;
    }
    // QSaveFile writes a temporary file and renames it over the old one only
    // when everything was written, so a failure keeps the previous list.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qCWarning(lcApp) << "RecentList::save cannot open" << path << file.errorString();
        return CannotWrite;
    }
    const QByteArray text = recentListToJson(*this);
    if (file.write(text) != text.size() || !file.commit()) {
        qCWarning(lcApp) << "RecentList::save cannot write" << path << file.errorString();
        return CannotWrite;
    }
    return Saved;
}

void recentListFromJson(RecentList &list, const QByteArray &json)
{
    const QJsonArray array = QJsonDocument::fromJson(json).array();
    // Added back to front so that each add puts the next newer one first.
    for (int i = array.size() - 1; i >= 0; --i) {
        const QJsonObject object = array.at(i).toObject();
        const int type = object.value(QLatin1String("type")).toInt(0);
        const auto text = [&object](const char *key) {
            return object.value(QLatin1String(key)).toString();
        };
        if (type == RecentEntry::File) {
            list.add(type, text("file"), QString(), QString(), QString(), QString(), text("name"));
        } else if (type == RecentEntry::Database) {
            list.add(type, QString(), text("conn"), text("user"), QString(), text("projid"),
                     text("name"));
        }
    }
}

QByteArray recentListToJson(const RecentList &list)
{
    QJsonArray array;
    for (const RecentEntry &entry : list.entries()) {
        QJsonObject object;
        object.insert(QStringLiteral("type"), entry.type);
        object.insert(QStringLiteral("conn"), entry.conn);
        object.insert(QStringLiteral("file"), entry.file);
        object.insert(QStringLiteral("user"), entry.user);
        object.insert(QStringLiteral("projid"), entry.projid);
        object.insert(QStringLiteral("name"), entry.name);
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}
