#pragma once

#include <QByteArray>
#include <QString>

// Unwraps the envelope of a server link: base64 text, a version byte, flags,
// a body XOR-chained with a 64-bit key, an optional CRC-16 or SHA-1 check
// and optional qCompress packing. This is obfuscation, not encryption: the
// key is compiled into the program, so anyone holding the program can read a
// link. The program only reads links; it has no encoder.
class LinkCipher
{
public:
    enum Flag : quint8 {
        Compressed = 0x01,
        Crc16 = 0x02,
        Sha1 = 0x04,
    };

    explicit LinkCipher(quint64 key);

    // The plain payload, or an empty array on any failure.
    QByteArray decodeText(const QString &text) const;
    QByteArray decodeBytes(const QByteArray &envelope) const;

    void expandKey();

private:
    quint64 m_key;
    quint8 m_keyBytes[8] = {};
};
