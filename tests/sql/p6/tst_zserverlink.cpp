#include "linkcipher.h"
#include "linkencoder.h"
#include "zserverlink.h"

#include <QtTest>

using testlink::payload;

Q_DECLARE_METATYPE(ServerLinkInfo)

class tst_ZServerLink : public QObject
{
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void envelope_data();
    void envelope();
    void base64Noise();
};

static QString describe(const ServerLinkInfo &info)
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6")
        .arg(info.host, info.database, info.user, info.password)
        .arg(info.port)
        .arg(info.connectionType);
}

static const QList<QByteArray> kFields = { "db7", "orcl", "scott", "tiger" };
static const QString kInvalid = QStringLiteral("||||0|-1");

void tst_ZServerLink::decode_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("expected");

    for (int flags = 0; flags < 8; ++flags) {
        QTest::addRow("flags %d", flags)
            << payload(0x10, 1600, kFields) << flags << "db7|orcl|scott|tiger|1600|0";
    }
    QTest::addRow("header only, oracle") << payload(0x00, -1, {}) << 0 << "||||1521|0";
    QTest::addRow("header only, sql server") << payload(0x01, -1, {}) << 2 << "||||1433|1";
    QTest::addRow("explicit port 1600") << payload(0x11, 1600, kFields) << 0
                                        << "db7|orcl|scott|tiger|1600|1";
    QTest::addRow("port 32768") << payload(0x10, 32768, kFields) << 2 << "db7|orcl|scott|tiger|32768|0";
    QTest::addRow("port 65535") << payload(0xf0, 65535, kFields) << 4 << "db7|orcl|scott|tiger|65535|0";
    QTest::addRow("port 40000, any high nibble") << payload(0x81, 40000, kFields) << 1
                                                 << "db7|orcl|scott|tiger|40000|1";
    QTest::addRow("type 2 invalid") << payload(0x02, -1, kFields) << 0 << kInvalid;
    QTest::addRow("type 15 invalid") << payload(0x1f, 1600, kFields) << 0 << kInvalid;
    QTest::addRow("explicit port cut short") << QByteArray("\x10\x06\x40", 3) << 0 << kInvalid;
    QTest::addRow("ends after host") << payload(0x00, -1, { "db7" }) << 0 << "db7||||1521|0";
    QTest::addRow("empty field") << payload(0x00, -1, { "", "orcl", "u", "p" }) << 0
                                 << "|orcl|u|p|1521|0";
    QTest::addRow("length byte last") << payload(0x00, -1, { "db7" }) + char(5) << 0
                                      << "db7||||1521|0";
    QTest::addRow("zero byte ends field")
        << payload(0x00, -1, { QByteArray("ab\0cd", 5), "orcl" }) << 2 << "ab|orcl|||1521|0";
    QTest::addRow("utf-8 field") << payload(0x00, -1, { "h", "d", "m\xc3\xbcller", "p\xe2\x82\xac" })
                                 << 0 << QString::fromUtf8("h|d|müller|p€|1521|0");
    QTest::addRow("field past the end drops earlier fields")
        << payload(0x00, -1, { "db7" }) + char(9) + "orc" << 0 << kInvalid;
    QTest::addRow("negative length") << payload(0x00, -1, { "db7" }) + char(0x80) + "x" << 0 << kInvalid;
    QTest::addRow("127-byte field") << payload(0x00, -1, { QByteArray(127, 'h') }) << 1
                                    << QString(127, QLatin1Char('h')) + "||||1521|0";
    QTest::addRow("trailing bytes ignored") << payload(0x01, -1, kFields) + "zz" << 0
                                            << "db7|orcl|scott|tiger|1433|1";
}

void tst_ZServerLink::decode()
{
    QFETCH(QByteArray, plain);
    QFETCH(int, flags);
    QFETCH(QString, expected);

    const QString link = testlink::text(plain, quint8(flags), kServerLinkKey);
    QCOMPARE(describe(ZServerLink(kServerLinkKey).decode(link)), expected);
}

void tst_ZServerLink::envelope_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("warning");

    const quint64 key = kServerLinkKey;
    const QByteArray plain = payload(0x00, -1, kFields);
    const QByteArray crc = testlink::envelope(plain, 0x02, key);
    const QByteArray sha = testlink::envelope(plain, 0x04, key);
    const QString noWarning;

    QTest::addRow("plain") << testlink::envelope(plain, 0x00, key) << plain << noWarning;
    QTest::addRow("packed, other bits ignored") << testlink::envelope(plain, 0xf9, key) << plain << noWarning;
    QTest::addRow("empty") << QByteArray() << QByteArray() << noWarning;
    QTest::addRow("two bytes") << QByteArray("\x03\x00", 2) << QByteArray() << noWarning;
    QTest::addRow("filler only") << testlink::envelope(QByteArray(), 0x00, key) << QByteArray() << noWarning;
    QTest::addRow("version 2") << testlink::envelope(plain, 0x00, key, 2) << QByteArray()
                               << "Invalid version or not a cyphertext.";
    QTest::addRow("crc too short") << testlink::envelope(QByteArray(), 0x00, key).replace(1, 1, "\x02")
                                   << QByteArray() << noWarning;
    QByteArray badCrc = crc;
    badCrc[badCrc.size() - 1] = char(badCrc.at(badCrc.size() - 1) ^ 0x01);
    QTest::addRow("crc mismatch") << badCrc << QByteArray() << noWarning;
    QByteArray badSha = sha;
    badSha[badSha.size() - 1] = char(badSha.at(badSha.size() - 1) ^ 0x01);
    QTest::addRow("sha-1 mismatch") << badSha << QByteArray() << noWarning;
    QTest::addRow("sha-1 too short") << testlink::envelope(QByteArray(19, 'x'), 0x00, key).replace(1, 1, "\x04")
                                     << QByteArray() << noWarning;
    // A body without check bytes read as if it had a SHA-1: the digest fails.
    QTest::addRow("sha-1 flag on unchecked body") << testlink::envelope(QByteArray(30, 'x'), 0x00, key).replace(1, 1, "\x04")
                                                  << QByteArray() << noWarning;
    QByteArray huge = QByteArray("\xff\xff\xff\xf0", 4) + QByteArray(8, 'x');
    QTest::addRow("packed length absurd") << testlink::envelope(huge, 0x00, key).replace(1, 1, "\x01")
                                          << QByteArray() << noWarning;
    QTest::addRow("wrong key") << testlink::envelope(plain, 0x02, key + 1) << QByteArray() << noWarning;
}

void tst_ZServerLink::envelope()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    QFETCH(QString, warning);

    for (int i = 0; !warning.isEmpty() && i < 2; ++i)
        QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    const LinkCipher cipher(kServerLinkKey);
    QCOMPARE(cipher.decodeBytes(bytes), expected);
    QCOMPARE(cipher.decodeText(QString::fromLatin1(bytes.toBase64())), expected);
}

void tst_ZServerLink::base64Noise()
{
    // Line breaks and stray characters in a pasted link are skipped, and the
    // trailing padding is optional.
    QString link = testlink::text(payload(0x11, 1600, kFields), 0x02, kServerLinkKey);
    while (link.endsWith(QLatin1Char('=')))
        link.chop(1);
    link.insert(4, QStringLiteral("\n "));
    QCOMPARE(describe(ZServerLink(kServerLinkKey).decode(link)), QStringLiteral("db7|orcl|scott|tiger|1600|1"));
}

QTEST_APPLESS_MAIN(tst_ZServerLink)
#include "tst_zserverlink.moc"
