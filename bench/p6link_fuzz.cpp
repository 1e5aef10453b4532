// libFuzzer target for server links and the connection text form. The bytes
// are taken three ways: as a link envelope (cipher, checks, unpacking) whose
// payload is read as a link layout, as a link text (base64), and as a
// connection text whose "link" is decoded as opening the connection would.
// The text form is written back and must read back to the same text (the P6
// password left out: reading drops the flag that keeps it).

#include "connectionrecord.h"
#include "linkcipher.h"
#include "zserverlink.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

QCoreApplication *app = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    app = new QCoreApplication(*argc, *argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false\n*.warning=false"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const LinkCipher cipher(kServerLinkKey);
    ZServerLink::readPayload(cipher.decodeBytes(bytes));
    ZServerLink::readPayload(bytes);

    const ZServerLink link(kServerLinkKey);
    link.decode(QString::fromLatin1(bytes));

    QVariantMap record = connectionFromString(QString::fromUtf8(bytes)).toMap();
    link.decode(record.value(QStringLiteral("link")).toString());
    record.remove(QStringLiteral("p6pwd"));
    const QString text = connectionToString(record);
    if (connectionToString(connectionFromString(text)) != text)
        std::abort();
    return 0;
}
