#pragma once

#include <QFile>
#include <QString>

#include <cstddef>
#include <cstdint>

// The XER fuzz targets read their input through the real file road: the bytes
// are written to a file first. False when the file cannot be written.
inline bool writeFuzzInput(const QString &path, const uint8_t *data, size_t size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size);
}
