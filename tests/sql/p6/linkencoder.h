#pragma once

// Builds server links for the tests in reverse order of reading: layout,
// optional packing, CRC-16 or SHA-1, filler byte, XOR chain, version and
// flags.

#include <QCryptographicHash>
#include <QList>

namespace testlink {

// Header byte, a big-endian port when port >= 0, length-prefixed fields.
inline QByteArray payload(quint8 header, int port, const QList<QByteArray> &fields)
{
    QByteArray out(1, char(header));
    if (port >= 0)
        out.append(char(port >> 8)).append(char(port & 0xff));
    for (const QByteArray &field : fields)
        out.append(char(field.size())).append(field);
    return out;
}

inline QByteArray envelope(const QByteArray &plain, quint8 flags, quint64 key, char version = 3)
{
    QByteArray stored = (flags & 0x01) ? qCompress(plain) : plain;
    if (flags & 0x02) {
        const quint16 crc = qChecksum(stored.constData(), uint(stored.size()));
        stored.prepend(char(crc & 0xff)).prepend(char(crc >> 8));
    } else if (flags & 0x04) {
        stored.prepend(QCryptographicHash::hash(stored, QCryptographicHash::Sha1));
    }
    stored.prepend('\x5a'); // filler
    quint8 previous = 0;
    for (int i = 0; i < stored.size(); ++i) {
        previous = quint8(stored.at(i)) ^ previous ^ quint8(key >> (8 * (i % 8)));
        stored[i] = char(previous);
    }
    return QByteArray(1, version) + char(flags) + stored;
}

inline QString text(const QByteArray &plain, quint8 flags, quint64 key)
{
    return QString::fromLatin1(envelope(plain, flags, key).toBase64());
}

} // namespace testlink
