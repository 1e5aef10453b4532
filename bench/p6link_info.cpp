// Decodes the server link text held in FILE as a connection record's "link"
// would be, and prints:
//   result <0 a valid link, 1 not a valid link, 2 the file cannot be read>
//   type <connection type: 0 Oracle, 1 SQL Server, -1 none>
//   port <port>
//   unpacked_bytes <size of the payload once unwrapped, 0 when refused>
//   peak_rss_mb <peak resident memory of the process>
// Decoded texts are never printed: a link carries credentials.

#include "benchenv.h"
#include "linkcipher.h"
#include "zserverlink.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

enum LinkInfoResult { Valid = 0, NotALink = 1, CannotRead = 2 };

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: p6link_info FILE\n");
        return 2;
    }

    QFile file(args.at(1));
    if (!file.open(QIODevice::ReadOnly)) {
        std::printf("result %d\n", CannotRead);
        return 1;
    }
    const QString link = QString::fromLatin1(file.readAll());
    file.close();

    const QByteArray payload = LinkCipher(kServerLinkKey).decodeText(link);
    const ServerLinkInfo info = ZServerLink::readPayload(payload);
    const bool valid = info.connectionType != ServerLinkInfo::Invalid;
    std::printf("result %d\n", valid ? Valid : NotALink);
    std::printf("type %d\n", info.connectionType);
    std::printf("port %d\n", int(info.port));
    std::printf("unpacked_bytes %lld\n", static_cast<long long>(payload.size()));
    std::printf("peak_rss_mb %ld\n", peakRssMb());
    return 0;
}
