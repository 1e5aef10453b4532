#pragma once

#include <QString>

// One entry of the recently opened projects: a file (type 0) or a project
// in a database (type 1). A file entry uses only file and name; a database
// entry uses conn, projid, user and name.
struct RecentEntry
{
    enum Type { File = 0, Database = 1 };

    QString file;
    QString conn;
    QString projid;
    QString user;
    QString reserved; // Never stored, never compared.
    QString name;
    int type = File;

    // Files match by path, database entries by connection and project;
    // exact, case-sensitive text comparison.
    bool operator==(const RecentEntry &other) const
    {
        if (type != other.type)
            return false;
        if (type == File)
            return file == other.file;
        return conn == other.conn && projid == other.projid;
    }
    bool operator!=(const RecentEntry &other) const { return !(*this == other); }
};
