#pragma once

// A small disk of a test's own over a folder, in a mount namespace of the
// test's own that goes with the process however it ends. Root's to make.

#include <QFile>

#include <sched.h>
#include <sys/mount.h>

namespace smalldisk {
inline bool mount(const QString &folder, const QByteArray &size)
{
    static const bool own = ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return own && ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, ("mode=0755,size=" + size).constData()) == 0;
}
} // namespace smalldisk
