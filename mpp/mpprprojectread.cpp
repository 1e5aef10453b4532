// Project::read: the file's type and generation, and the generation's reader.

#include "mpprproject.h"

#include "cfbstorage.h"
#include "cfbstream.h"
#include "mppr12tarvolen.h"
#include "mppr14tarvolen.h"
#include "mppr9tarvolen.h"
#include "mpplogging.h"
#include "mpprcompobj.h"

#include <QFile>

namespace mppr {

int Project::read()
{
    clear();
    // The path in the file system's own encoding, so that any name opens.
    const QByteArray path = QFile::encodeName(m_fileName);
    cfb::Storage storage(path.constData());
    if (!storage.open(false, false))
        return CannotOpen;

    for (const std::string &name : storage.entries("/"))
        qCDebug(lcMpp) << "Project::read entry" << QString::fromLatin1(name.c_str());

    {
        cfb::Stream stream(&storage, "/CompObj");
        qCDebug(lcMpp) << "Size:" << stream.size();
        CompObj compObj(&stream);
        compObj.read(); // a short or broken stream leaves what it read
        m_userType = compObj.userType();
        if (m_userType == QLatin1String("Microsoft Project 4.0")) {
            m_progId = QStringLiteral("MSProject.Project.4");
            m_formatName = QStringLiteral("MSProject.MPP4");
        } else {
            m_progId = compObj.progId();
            m_formatName = compObj.clipboardFormat();
        }
    }

    if (storage.exists("   114")) {
        m_versionStorage = QStringLiteral("   114");
        return mppr14::Tarvolen(storage, *this).read();
    }
    if (storage.exists("   112")) {
        m_versionStorage = QStringLiteral("   112");
        return mppr12::Tarvolen(storage, *this).read();
    }
    if (storage.exists("   19")) {
        m_versionStorage = QStringLiteral("   19");
        return mppr9::Tarvolen(storage, *this).read();
    }
    return NoVersionStorage;
}

} // namespace mppr
