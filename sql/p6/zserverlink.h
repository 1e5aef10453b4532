#pragma once

#include <QString>

// What a server link names. An invalid or empty link gives empty texts,
// port 0 and connection type -1, which selects no driver.
struct ServerLinkInfo
{
    enum ConnectionType { Invalid = -1, Oracle = 0, SqlServer = 1 };

    QString host;
    QString database;
    QString user;
    QString password;
    quint16 port = 0;
    int connectionType = Invalid;
};

// Reads a server link: a LinkCipher envelope around a header byte (low
// nibble the connection type, high nibble set when a big-endian port
// follows) and four length-prefixed UTF-8 fields. The key is compiled in,
// so a link hides its credentials from a casual look only; decoded values
// are never logged.
class ZServerLink
{
public:
    explicit ZServerLink(quint64 key);
    virtual ~ZServerLink();

    ServerLinkInfo decode(const QString &link) const;
    // The link layout alone, read from a payload already unwrapped.
    static ServerLinkInfo readPayload(const QByteArray &payload);

private:
    quint64 m_key;
};

// The key every link of this program is obfuscated with.
constexpr quint64 kServerLinkKey = 0x3e72a9;
