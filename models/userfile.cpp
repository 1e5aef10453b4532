#include "userfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

// Under this many bytes free, a file that could not be written whole is
// taken to have filled its disk.
const qint64 kFullDisk = qint64(1) << 20;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why a name that is no regular file is not written; empty for a file.
QString kindReason(mode_t mode)
{
    if (S_ISREG(mode))
        return QString();
    if (S_ISDIR(mode))
        return systemReason(EISDIR);
    if (S_ISFIFO(mode))
        return QObject::tr("it is a FIFO, not a regular file");
    if (S_ISSOCK(mode))
        return QObject::tr("it is a socket, not a regular file");
    return QObject::tr("it is a device, not a regular file");
}

// The path that names the very file a descriptor holds, whatever its name
// becomes.
QByteArray heldPath(int fd)
{
    return "/proc/self/fd/" + QByteArray::number(fd);
}

// Whether a name in a folder, not followed, names the file seen.
bool names(int folder, const QByteArray &name, dev_t device, ino_t inode)
{
    struct stat now;
    return ::fstatat(folder, name.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == device
        && now.st_ino == inode;
}

// A path's folder ("." when it has none) and its last name, as bytes.
void split(const QByteArray &path, QByteArray *folder, QByteArray *name)
{
    const int slash = path.lastIndexOf('/');
    *folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
    *name = path.mid(slash + 1);
}

// Whether the file holds an access list or attributes that a new file
// would not get. The security module's labels are given to a new file by
// its own rules.
bool hasAttributes(int fd)
{
    const QByteArray path = heldPath(fd);
    const ssize_t size = ::listxattr(path.constData(), nullptr, 0);
    // Unknown, and not for want of support: written in place, which keeps them.
    if (size < 0)
        return errno != ENOTSUP;
    if (size == 0)
        return false;
    QByteArray names(int(size), '\0');
    const ssize_t got = ::listxattr(path.constData(), names.data(), size_t(size));
    // Attributes added meanwhile: there are some.
    if (got < 0)
        return true;
    for (const QByteArray &name : names.left(int(got)).split('\0'))
        if (!name.isEmpty() && !name.startsWith("security."))
            return true;
    return false;
}

// Why the name does not name the file written: removed, or another's.
QString nameLost(bool removed)
{
    return removed ? QObject::tr("the file was removed while it was written")
                   : QObject::tr("the file was replaced while it was written");
}

bool writeAll(int fd, const char *data, qint64 size, int *error)
{
    for (qint64 done = 0; done < size;) {
        const ssize_t written = ::write(fd, data + done, size_t(size - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            // Nothing written and no error: the disk took no more.
            *error = written < 0 ? errno : ENOSPC;
            return false;
        }
        done += written;
    }
    return true;
}

} // namespace

UserFile::UserFile(const QString &fileName) : m_given(fileName) {}

UserFile::~UserFile()
{
    struct stat pending;
    // Only the file made here goes: another put at its name stays.
    if (!m_pendingName.isEmpty() && ::fstat(m_pending, &pending) == 0
        && names(m_pendingFolder, m_pendingName, pending.st_dev, pending.st_ino))
        ::unlinkat(m_pendingFolder, m_pendingName.constData(), 0);
    if (m_pending >= 0)
        ::close(m_pending);
    release();
    if (m_pendingFolder >= 0 && m_pendingFolder != m_folder)
        ::close(m_pendingFolder);
    if (m_folder >= 0)
        ::close(m_folder);
}

void UserFile::release()
{
    if (m_found >= 0)
        ::close(m_found);
    m_found = -1;
}

bool UserFile::find(QString *reason, int *found)
{
    const auto refuse = [reason](int error) {
        *reason = systemReason(error);
        return false;
    };
    const QByteArray given = QFile::encodeName(m_given);
    // The system follows the name first, by its own rules (a link another
    // user planted in a folder all may write is not followed, say), and
    // says why not in its words. Not there: made.
    struct stat seen = {};
    *found = ::open(given.constData(), O_PATH | O_CLOEXEC);
    if ((*found < 0 && errno != ENOENT) || (*found >= 0 && ::fstat(*found, &seen) != 0))
        return refuse(errno);
    // Then the same way, each link read in the folder held so far, to hold
    // the folder and name of the file found (a dangling link's file is
    // made there).
    QByteArray folder;
    split(given, &folder, &m_name);
    m_folder = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    struct stat status = {};
    for (int hop = 0;; ++hop) {
        if (m_folder < 0)
            return refuse(errno);
        if (m_name.isEmpty() || m_name == "." || m_name == "..")
            return refuse(EISDIR);
        if (::fstatat(m_folder, m_name.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                return refuse(errno);
            break;
        }
        m_existed = !S_ISLNK(status.st_mode);
        if (m_existed)
            break;
        if (hop == 40) // the system's own bound on a chain
            return refuse(ELOOP);
        // Followed only where the system follows it.
        const int through = ::openat(m_folder, m_name.constData(), O_PATH | O_CLOEXEC);
        if (through < 0 && errno != ENOENT)
            return refuse(errno);
        if (through >= 0)
            ::close(through);
        QByteArray link(int(status.st_size) + 1, '\0');
        const ssize_t size = ::readlinkat(m_folder, m_name.constData(), link.data(), size_t(link.size()));
        if (size < 0)
            return refuse(errno);
        split(link.left(int(size)), &folder, &m_name);
        const int next = ::openat(m_folder, folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        ::close(m_folder);
        m_folder = next;
    }
    // What was found so is what the system found.
    if (m_existed != (*found >= 0) || (m_existed && (status.st_dev != seen.st_dev || status.st_ino != seen.st_ino))) {
        *reason = QObject::tr("the file was replaced while it was opened");
        return false;
    }
    m_device = status.st_dev;
    m_inode = status.st_ino;
    m_mode = status.st_mode & 07777;
    m_owner = status.st_uid;
    m_group = status.st_gid;
    // A file with other names keeps them by being written in place.
    m_inPlace = m_existed && status.st_nlink > 1;
    *reason = m_existed ? kindReason(status.st_mode) : QString();
    return reason->isEmpty();
}

bool UserFile::open(QString *reason)
{
    // The writers reach the files through /proc/self/fd: only the system's
    // own /proc names the files held there (another mounted over it would
    // take the result into a folder of its own).
    struct statfs proc;
    if (::statfs("/proc/self/fd", &proc) != 0 || proc.f_type != PROC_SUPER_MAGIC
        || ::access("/proc/self/fd", X_OK) != 0) {
        *reason = QObject::tr("the system's /proc, through which the file is written, is not there");
        return false;
    }
    // The file found is held until it is written: while held, its inode
    // number cannot go to another file made at its name.
    if (!find(reason, &m_found))
        return false;
    if (m_existed) {
        // Refused as a save would be (the system's administrator may).
        if (::faccessat(m_folder, m_name.constData(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0) {
            *reason = QObject::tr("the file may not be written (%1)").arg(systemReason(errno));
            return false;
        }
        m_inPlace = m_inPlace || hasAttributes(m_found);
    }
    int error = 0;
    if (makeIn(m_folder, &error)) {
        m_pendingFolder = m_folder;
        return true;
    }
    // A new file needs its folder.
    if (!m_existed) {
        *reason = systemReason(error);
        return false;
    }
    const int folderError = error;
    m_inPlace = true;
    // Qt gives no temporary folder when TMPDIR names none: never the
    // working folder in its place.
    const QString temp = QDir::tempPath();
    error = ENOENT;
    if (QDir::isAbsolutePath(temp)) {
        m_pendingFolder = ::open(QFile::encodeName(temp).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (m_pendingFolder < 0)
            error = errno;
        else if (makeIn(m_pendingFolder, &error))
            return true;
    }
    // Nowhere to write first: writing the file itself would cut it at a
    // cancel or failure.
    *reason = QObject::tr("neither its folder (%1) nor the temporary folder (%2) takes a new file")
                  .arg(systemReason(folderError), systemReason(error));
    return false;
}

bool UserFile::makeIn(int folder, int *error)
{
    // What of the target's name fits beside the dot and the tag within a
    // name's 255 bytes: a long name the folder takes is written to.
    const QByteArray name = m_name.left(240);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QByteArray pending = '.' + name + '.'
            + QByteArray::number(QRandomGenerator::global()->generate() | 0x10000000u, 16);
        // Readable by the user alone until it has the target's mode; a new
        // file has the mode a new file gets. Read back from here, never by
        // name.
        const int fd = ::openat(folder, pending.constData(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                m_existed ? 0600 : 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            *error = errno;
            return false;
        }
        m_pending = fd;
        m_pendingName = pending;
        // The writers reach the very file made, not whatever its name or
        // its folder's name comes to name.
        m_pendingPath = QFile::decodeName(heldPath(fd));
        return true;
    }
    *error = EEXIST;
    return false;
}

QString UserFile::failure() const
{
    struct stat folder, pending, other;
    if (::fstat(m_pendingFolder, &folder) != 0 || folder.st_nlink == 0)
        return QObject::tr("its folder was removed");
    if (::fstat(m_pending, &pending) != 0 || !names(m_pendingFolder, m_pendingName, pending.st_dev, pending.st_ino))
        return ::fstatat(m_pendingFolder, m_pendingName.constData(), &other, AT_SYMLINK_NOFOLLOW) == 0
            ? QObject::tr("the hidden file it was being written to was replaced")
            : QObject::tr("the hidden file it was being written to was removed");
    struct statvfs disk;
    return ::fstatvfs(m_pending, &disk) == 0 && qint64(disk.f_bavail) * qint64(disk.f_frsize) < kFullDisk
        ? QObject::tr("its disk is full")
        : QObject::tr("the file could not be written whole");
}

bool UserFile::commit(QString *reason)
{
    const auto done = qScopeGuard([this] { release(); });
    struct stat written;
    const auto pendingNamed = [&] {
        return m_pending >= 0 && ::fstat(m_pending, &written) == 0
            && names(m_pendingFolder, m_pendingName, written.st_dev, written.st_ino);
    };
    if (!pendingNamed()) {
        *reason = failure();
        return false;
    }
    // An owner, group or mode the system does not give back is kept by
    // writing in place. Given only now: the writer opens the pending file to
    // create it, which a sticky folder refuses for another's file.
    if (!m_inPlace && m_existed
        && (((written.st_uid != m_owner || written.st_gid != m_group) && ::fchown(m_pending, m_owner, m_group) != 0)
            || ::fchmod(m_pending, m_mode) != 0))
        m_inPlace = true;
    if (m_inPlace)
        return copyInto(written.st_size, reason);
    // A write the system held back and then failed shows here; the bytes
    // reach the disk before the name moves to them, or else a crash between
    // the two would leave an empty file by that name. (A copy reads them
    // back from memory and syncs the target instead.)
    if (::fsync(m_pending) != 0) {
        *reason = systemReason(errno);
        return false;
    }
    // Renamed by name, so seen again after the sync: whatever now stands at
    // the name is replaced, never written through.
    if (!pendingNamed()) {
        *reason = failure();
        return false;
    }
    // The user's file, still at its name, changes places with the pending
    // one: another file put at the pending name just before then takes the
    // user's name, and the user's file is kept. Anything else at the name
    // is renamed over, as is every file on a file system that cannot
    // exchange names.
    if (m_existed && names(m_folder, m_name, m_device, m_inode) && exchangeNames())
        return exchanged(written, reason);
    if (::renameat(m_pendingFolder, m_pendingName.constData(), m_folder, m_name.constData()) != 0) {
        const int error = errno;
        // The pending file removed, or replaced by what cannot be renamed,
        // just before the rename: said as at the other moments.
        *reason = pendingNamed() ? systemReason(error) : failure();
        return false;
    }
    m_pendingName.clear();
    // Another file put at the pending name just before the rename took the
    // user's name in its place; or the name was removed or replaced just
    // after it.
    *reason = notHeld(written);
    m_nameChanged = !reason->isEmpty();
    return !m_nameChanged;
}

QString UserFile::notHeld(const struct stat &written) const
{
    struct stat now;
    // A name that cannot be looked at (its folder's search permission just
    // taken away, say) holds what the rename put there, as far as anyone
    // can tell.
    if (::fstatat(m_folder, m_name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? nameLost(true) : QString();
    return now.st_dev == written.st_dev && now.st_ino == written.st_ino ? QString() : nameLost(false);
}

bool UserFile::exchangeNames() const
{
    return ::renameat2(m_pendingFolder, m_pendingName.constData(), m_folder, m_name.constData(), RENAME_EXCHANGE) == 0;
}

bool UserFile::exchanged(const struct stat &written, QString *reason)
{
    *reason = notHeld(written);
    // The pending name holds the user's earlier file, unless another moved
    // or removed it meanwhile; only while it does is it the exchange's.
    const bool earlier = names(m_pendingFolder, m_pendingName, m_device, m_inode);
    if (reason->isEmpty()) {
        // The user's earlier file goes, as a rename takes it; whatever else
        // stands at the pending name now is another's, and stays.
        if (earlier)
            ::unlinkat(m_pendingFolder, m_pendingName.constData(), 0);
        m_pendingName.clear();
        return true;
    }
    // Another file or folder took the pending name just before, or the name
    // just after: which, nothing tells, so neither is moved back. The user's
    // earlier file stays under the pending name.
    if (earlier) {
        const QString kept = QDir(QFileInfo(QFile::decodeName(heldPath(m_pendingFolder))).symLinkTarget())
                                 .filePath(QFile::decodeName(m_pendingName));
        *reason = QObject::tr("%1; the file it replaced is kept as %2").arg(*reason, QDir::toNativeSeparators(kept));
    }
    m_pendingName.clear();
    m_nameChanged = true;
    return false;
}

bool UserFile::copyInto(qint64 size, QString *reason)
{
    // Written only while its name, not followed, still names the file held
    // since open(); the one opened is that very file (never whatever else
    // stands at the name now, a FIFO or a device), and never created here (a
    // sticky folder refuses to create another user's file that exists).
    struct stat old;
    // Why the name does not name the file checked; empty when it does. Once
    // the result is in, that file keeps it and has lost its earlier bytes.
    const auto lost = [&](bool copied) {
        if (::fstatat(m_folder, m_name.constData(), &old, AT_SYMLINK_NOFOLLOW) != 0)
            return errno != ENOENT ? systemReason(errno)
                : copied ? QObject::tr("the result went into the file the name named when the write began, "
                                       "and the name was then removed")
                         : nameLost(true);
        if (old.st_dev == m_device && old.st_ino == m_inode)
            return QString();
        return copied ? QObject::tr("the result went into the file the name named when the write began, "
                                    "and the name now names another file")
                      : nameLost(false);
    };
    *reason = lost(false);
    if (!reason->isEmpty())
        return false;
    // No open that may wait, should anything but the regular file checked
    // ever be reached.
    const int to = ::open(heldPath(m_found).constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (to < 0) {
        *reason = systemReason(errno);
        return false;
    }
    struct stat opened;
    if (::fstat(to, &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != m_device || opened.st_ino != m_inode
        || ::fcntl(to, F_SETFL, ::fcntl(to, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(to);
        *reason = nameLost(false);
        return false;
    }
    struct statvfs disk;
    // A disk without room for the result, once the old bytes go, is said
    // before they go: the file stays as it was.
    if (::fstatvfs(to, &disk) == 0
        && qint64(disk.f_bavail) * qint64(disk.f_frsize) + qint64(old.st_blocks) * 512 < size) {
        ::close(to);
        *reason = QObject::tr("its disk is full");
        return false;
    }
    int error = 0;
    bool ok = ::ftruncate(to, 0) == 0;
    if (ok)
        m_cut = true;
    else
        error = errno;
    char buffer[1 << 16];
    for (qint64 at = 0; ok && at < size;) {
        const ssize_t got = ::pread(m_pending, buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = false;
            error = got < 0 ? errno : EIO;
            break;
        }
        ok = writeAll(to, buffer, got, &error);
        at += got;
    }
    // The system takes setuid and setgid bits from a file a user writes;
    // its owner gives them back, whole or cut (a group the user is not in
    // keeps its setgid bit off, as the system rules).
    struct stat now;
    if (::fstat(to, &now) == 0 && (now.st_mode & 07777) != m_mode)
        ::fchmod(to, m_mode);
    if (ok && ::fsync(to) != 0) {
        ok = false;
        error = errno;
    }
    if (::close(to) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        *reason = systemReason(error);
        return false;
    }
    m_cut = false;
    // The name removed or replaced as the copy went in: the result is in the
    // file checked, which the name no longer names.
    *reason = lost(true);
    m_nameChanged = !reason->isEmpty();
    return !m_nameChanged;
}
