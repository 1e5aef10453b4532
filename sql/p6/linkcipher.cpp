#include "linkcipher.h"

#include "sqlp6logging.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <zlib.h>

namespace {

constexpr char kVersion = 3;
constexpr int kSha1Size = 20;
// A link's payload is a few hundred bytes; a packed payload that claims far
// more is not a link.
constexpr quint32 kMaxUnpackedSize = 1 << 20;
constexpr int kUnpackPiece = 64 * 1024;

// Unpacks the qCompress form (a big-endian size, then a zlib stream) piece by
// piece, never past the size it claims: qUncompress takes that size as a hint
// only and keeps growing its buffer, so a small link of zeros would unpack to
// gigabytes. Empty on any fault, also when the data goes past its size.
QByteArray unpack(const QByteArray &packed)
{
    const quint32 claimed = packed.size() < 4 ? 0 : qFromBigEndian<quint32>(packed.constData());
    QByteArray out;
    int status = Z_DATA_ERROR;
    z_stream stream = {};
    if (packed.size() >= 4 && claimed <= kMaxUnpackedSize && inflateInit(&stream) == Z_OK) {
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.constData() + 4));
        stream.avail_in = uInt(packed.size() - 4);
        // One byte of room past the claimed size tells a stream that fits
        // from one that goes on.
        status = Z_OK;
        while (status == Z_OK && quint32(out.size()) <= claimed) {
            const int filled = out.size();
            const int room = int(qMin<quint32>(kUnpackPiece, claimed + 1 - quint32(filled)));
            out.resize(filled + room);
            stream.next_out = reinterpret_cast<Bytef *>(out.data() + filled);
            stream.avail_out = uInt(room);
            status = inflate(&stream, Z_NO_FLUSH);
            out.resize(filled + room - int(stream.avail_out));
        }
        inflateEnd(&stream);
    }
    if (status != Z_STREAM_END || quint32(out.size()) > claimed) {
        qCWarning(lcSqlP6, "Link payload does not unpack to its size.");
        return QByteArray();
    }
    return out;
}

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

    if (flags & Compressed)
        body = unpack(body);
    return body;
}
