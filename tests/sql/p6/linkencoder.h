#pragma once

// Builds server links for the tests, in the reverse order of the reader:
// link layout, optional packing, optional CRC-16 or SHA-1, a filler byte,
// the XOR chain over the key bytes, version and flags, base64.

#include <QByteArray>
#include <QCryptographicHash>
#include <QList>
#include <QtEndian>

namespace testlink {

// Header byte, optional big-endian port, length-prefixed fields.
inline QByteArray payload(quint8 header, int port, const QList<QByteArray> &fields)
{
    QByteArray out(1, char(header));
    if (port >= 0) {
        out.append(char(quint16(port) >> 8));
        out.append(char(quint16(port) & 0xff));
    }
    for (const QByteArray &field : fields) {
        out.append(char(field.size()));
        out.append(field);
    }
    return out;
}

inline QByteArray envelope(const QByteArray &plainPayload, quint8 flags, quint64 key,
                           char version = 3, char filler = 0x5a)
{
    QByteArray stored = (flags & 0x01) ? qCompress(plainPayload) : plainPayload;
    if (flags & 0x02) {
        const quint16 crc = qChecksum(stored.constData(), uint(stored.size()));
        stored.prepend(char(crc & 0xff));
        stored.prepend(char(crc >> 8));
    } else if (flags & 0x04) {
        stored.prepend(QCryptographicHash::hash(stored, QCryptographicHash::Sha1));
    }
    const QByteArray plain = QByteArray(1, filler) + stored;
    QByteArray body(plain.size(), '\0');
    quint8 previous = 0;
    for (int i = 0; i < plain.size(); ++i) {
        const quint8 keyByte = quint8(key >> (8 * (i % 8)));
        previous = quint8(plain.at(i)) ^ previous ^ keyByte;
        body[i] = char(previous);
    }
    return QByteArray(1, version) + char(flags) + body;
}

inline QString text(const QByteArray &plainPayload, quint8 flags, quint64 key)
{
    return QString::fromLatin1(envelope(plainPayload, flags, key).toBase64());
}

} // namespace testlink
