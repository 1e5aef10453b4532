#include "linkcipher.h"

#include "sqlp6logging.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace {

constexpr char kVersion = 3;
constexpr int kSha1Size = 20;
// A link's payload is a few hundred bytes; a packed payload that claims far
// more is not a link, and must not make qUncompress allocate gigabytes.
constexpr quint32 kMaxUnpackedSize = 1 << 20;

} // namespace

LinkCipher::LinkCipher(quint64 key)
    : m_key(key)
{
    expandKey();
}

void LinkCipher::expandKey()
{
    for (int i = 0; i < 8; ++i)
        m_keyBytes[i] = quint8(m_key >> (8 * i));
}

QByteArray LinkCipher::decodeText(const QString &text) const
{
    return decodeBytes(QByteArray::fromBase64(text.toLatin1()));
}

QByteArray LinkCipher::decodeBytes(const QByteArray &envelope) const
{
    if (envelope.size() < 3)
        return QByteArray();
    if (envelope.at(0) != kVersion) {
        qCWarning(lcSqlP6, "Invalid version or not a cyphertext.");
        return QByteArray();
    }
    const quint8 flags = quint8(envelope.at(1));

    QByteArray body = envelope.mid(2);
    quint8 previous = 0;
    for (int i = 0; i < body.size(); ++i) {
        const quint8 cipher = quint8(body.at(i));
        body[i] = char(cipher ^ previous ^ m_keyBytes[i % 8]);
        previous = cipher;
    }
    body.remove(0, 1); // filler

    if (flags & Crc16) {
        if (body.size() < 2)
            return QByteArray();
        const quint16 stored = qFromBigEndian<quint16>(body.constData());
        body.remove(0, 2);
        if (qChecksum(body.constData(), uint(body.size())) != stored)
            return QByteArray();
    } else if (flags & Sha1) {
        if (body.size() < kSha1Size)
            return QByteArray();
        const QByteArray stored = body.left(kSha1Size);
        body.remove(0, kSha1Size);
        if (QCryptographicHash::hash(body, QCryptographicHash::Sha1) != stored)
            return QByteArray();
    }

    if (flags & Compressed) {
        if (body.size() < 4 || qFromBigEndian<quint32>(body.constData()) > kMaxUnpackedSize)
            return QByteArray();
        body = qUncompress(body);
    }
    return body;
}
