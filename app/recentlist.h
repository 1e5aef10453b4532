#pragma once

#include "recententry.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The recently opened projects, newest first, at most maximum() entries,
// never two equal entries. Kept in "mru.config" in the user's configuration
// folder as an indented JSON array.
class RecentList
{
public:
    enum SaveResult { Saved = 0, CannotCreateFolder = 1, CannotWrite = 2 };

    explicit RecentList(int maximum = 7);

    // Puts the entry at the front, dropping equal entries and the oldest
    // ones beyond the maximum. Type 0 takes only file and name.
    void add(int type, const QString &file, const QString &conn, const QString &user,
             const QString &reserved, const QString &projid, const QString &name);
    void addFile(const QString &path, const QString &name);
    // Removes every entry equal to the given one; returns how many went.
    int remove(const RecentEntry &entry);
    void clear();

    const QList<RecentEntry> &entries() const { return m_entries; }
    int size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    int maximum() const { return m_maximum; }
    int currentIndex() const { return m_currentIndex; }

    // "<configuration folder>/mru.config".
    static QString defaultPath();
    // Replaces the entries with those of the file; a missing, unreadable or
    // malformed file gives an empty list.
    void load(const QString &path);
    // Writes the list atomically: a failed save leaves the old file intact.
    // Creates missing folders first.
    SaveResult save(const QString &path) const;

private:
    QList<RecentEntry> m_entries;
    int m_maximum;
    int m_currentIndex = -1;
};

// Adds the entries of a "mru.config" document to the list, keeping the
// stored order; anything that is not a JSON array adds nothing.
void recentListFromJson(RecentList &list, const QByteArray &json);
// The indented JSON text of the list, every object with all six keys.
QByteArray recentListToJson(const RecentList &list);
