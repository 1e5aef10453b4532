#pragma once

// Helpers of the XER tests: small XER files written into a temporary folder.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace xertest {

// One table as XER lines: "%T\t<name>", "%F\t<fields>", "%R\t<record>"...
// Records are given with their fields joined by '\t'.
inline QByteArray table(const QByteArray &name, const QByteArray &fields,
                        const QList<QByteArray> &records, const QByteArray &eol = "\r\n")
{
    QByteArray out = "%T\t" + name + eol + "%F\t" + fields + eol;
    for (const QByteArray &r : records)
        out += "%R\t" + r + eol;
    return out;
}

inline QByteArray header(const QByteArray &eol = "\r\n")
{
    return "ERMHDR\t19.12\t2026-01-01\tProject\tadmin\tAdmin\tdbxDatabaseNoName\tProject Management\tUSD"
           + eol;
}

// Writes content to a file of the folder and gives its path.
inline QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QString();
    file.write(content);
    return path;
}

} // namespace xertest
