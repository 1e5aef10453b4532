#include "zserverlink.h"

#include "linkcipher.h"

#include <QtEndian>

namespace {

constexpr quint16 kOraclePort = 1521;
constexpr quint16 kSqlServerPort = 1433;

// Reads one length-prefixed field at `offset`. Fewer than two bytes left
// reads as an empty field; a length running past the end is a fault.
bool readField(const QByteArray &payload, int &offset, QString &field)
{
    if (offset + 1 >= payload.size())
        return true;
    const qint8 length = qint8(payload.at(offset));
    if (length < 0 || offset + 1 + length > payload.size())
        return false;
    const QByteArray bytes = payload.mid(offset + 1, length);
    const int zero = bytes.indexOf('\0');
    field = QString::fromUtf8(zero < 0 ? bytes : bytes.left(zero));
    offset += 1 + length;
    return true;
}

} // namespace

ZServerLink::ZServerLink(quint64 key)
    : m_key(key)
{
}

ZServerLink::~ZServerLink() = default;

ServerLinkInfo ZServerLink::decode(const QString &link) const
{
    const LinkCipher cipher(m_key);
    return readPayload(cipher.decodeText(link));
}

ServerLinkInfo ZServerLink::readPayload(const QByteArray &payload)
{
    if (payload.isEmpty())
        return ServerLinkInfo();

    const quint8 header = quint8(payload.at(0));
    const int type = header & 0x0f;
    if (type > ServerLinkInfo::SqlServer)
        return ServerLinkInfo();

    ServerLinkInfo info;
    int offset = 1;
    if (header & 0xf0) {
        if (payload.size() < 4)
            return ServerLinkInfo();
        info.port = qFromBigEndian<quint16>(payload.constData() + 1);
        offset = 3;
    } else {
        info.port = type == ServerLinkInfo::Oracle ? kOraclePort : kSqlServerPort;
    }

    for (QString *field : { &info.host, &info.database, &info.user, &info.password }) {
        if (!readField(payload, offset, *field))
            return ServerLinkInfo();
    }
    info.connectionType = type;
    return info;
}
