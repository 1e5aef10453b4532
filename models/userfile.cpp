#include "userfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QRandomGenerator>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
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

// The file a path names: its links followed, a dangling one's too, its
// folder without links.
QString linkTarget(const QString &path)
{
    namespace fs = std::filesystem;
    fs::path file = QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString();
    std::error_code error;
    // The system's own bound on a chain; a loop is refused before this.
    for (int hop = 0; hop < 40 && fs::is_symlink(fs::symlink_status(file, error)); ++hop) {
        const fs::path next = fs::read_symlink(file, error);
        if (error)
            break;
        // Relative to the link's folder as the system reads it: the
        // folder's own links are not resolved by text.
        file = next.is_absolute() ? next : file.parent_path() / next;
    }
    const fs::path folder = fs::canonical(file.parent_path(), error);
    if (!error)
        file = folder / file.filename();
    return QFile::decodeName(QByteArray::fromStdString(file.string()));
}

// Whether the file holds an access list or attributes that a new file
// would not get. The security module's labels are given to a new file by
// its own rules.
bool hasAttributes(const QByteArray &path)
{
    const ssize_t size = ::listxattr(path.constData(), nullptr, 0);
    if (size <= 0)
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

UserFile::UserFile(const QString &fileName) : m_target(fileName) {}

UserFile::~UserFile()
{
    if (!m_pending.isEmpty())
        ::unlink(QFile::encodeName(m_pending).constData());
}

bool UserFile::open(QString *reason)
{
    const QByteArray name = QFile::encodeName(QFileInfo(m_target).absoluteFilePath());
    struct stat status;
    m_existed = ::stat(name.constData(), &status) == 0;
    // Links that loop, a folder on the way that is no folder or may not be
    // searched: the system's words. A name not there is made.
    if (!m_existed && errno != ENOENT) {
        *reason = systemReason(errno);
        return false;
    }
    m_target = linkTarget(m_target);
    const QByteArray target = QFile::encodeName(m_target);
    if (m_existed) {
        *reason = kindReason(status.st_mode);
        if (!reason->isEmpty())
            return false;
        // Refused as a save would be (the system's administrator may).
        if (::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0) {
            *reason = QObject::tr("the file may not be written (%1)").arg(systemReason(errno));
            return false;
        }
        m_mode = status.st_mode & 07777;
        m_owner = status.st_uid;
        m_group = status.st_gid;
        m_inPlace = status.st_nlink > 1 || hasAttributes(target);
    }
    int error = 0;
    if (makeIn(QFileInfo(m_target).path(), &error))
        return true;
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
    if (QDir::isAbsolutePath(temp) && makeIn(temp, &error))
        return true;
    // Nowhere to write first: writing the file itself would cut it at a
    // cancel or failure.
    *reason = QObject::tr("neither its folder (%1) nor the temporary folder (%2) takes a new file")
                  .arg(systemReason(folderError), systemReason(error));
    return false;
}

bool UserFile::makeIn(const QString &folder, int *error)
{
    // What of the target's name fits beside the dot and the tag within a
    // name's 255 bytes: a long name the folder takes is written to.
    QString name = QFileInfo(m_target).fileName();
    while (QFile::encodeName(name).size() > 240)
        name.chop(1);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString path = QDir(folder).filePath(
            QStringLiteral(".%1.%2").arg(name).arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        // Readable by the user alone until it has the target's mode; a new
        // file has the mode a new file gets.
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                              m_existed ? 0600 : 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0) {
            *error = errno;
            return false;
        }
        m_pending = path;
        ::close(fd);
        return true;
    }
    *error = EEXIST;
    return false;
}

QString UserFile::failure() const
{
    const QFileInfo pending(m_pending);
    if (!pending.dir().exists())
        return QObject::tr("its folder was removed");
    if (!pending.exists())
        return QObject::tr("the file was removed while it was written");
    const QStorageInfo storage(pending.absolutePath());
    return storage.isValid() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < kFullDisk
        ? QObject::tr("its disk is full")
        : QObject::tr("the file could not be written whole");
}

bool UserFile::commit(QString *reason)
{
    const int from = ::open(QFile::encodeName(m_pending).constData(), O_RDONLY | O_CLOEXEC);
    if (from < 0) {
        *reason = errno == ENOENT ? failure() : systemReason(errno);
        return false;
    }
    struct stat written;
    if (::fstat(from, &written) != 0) {
        *reason = systemReason(errno);
        ::close(from);
        return false;
    }
    // An owner, group or mode the system does not give back is kept by
    // writing in place. Given only now: the writer opens the pending file
    // to create it, which a sticky folder refuses for another's file.
    if (!m_inPlace && m_existed
        && (((written.st_uid != m_owner || written.st_gid != m_group) && ::fchown(from, m_owner, m_group) != 0)
            || ::fchmod(from, m_mode) != 0))
        m_inPlace = true;
    if (m_inPlace) {
        const bool ok = copyInto(from, written.st_size, reason);
        ::close(from);
        return ok;
    }
    // A write the system held back and then failed shows here; the bytes
    // reach the disk before the name moves to them, or else a crash between
    // the two would leave an empty file by that name. (A copy reads them
    // back from memory and syncs the target instead.)
    const bool synced = ::fsync(from) == 0;
    const int error = errno;
    ::close(from);
    if (!synced || ::rename(QFile::encodeName(m_pending).constData(), QFile::encodeName(m_target).constData()) != 0) {
        *reason = systemReason(synced ? errno : error);
        return false;
    }
    m_pending.clear();
    return true;
}

bool UserFile::copyInto(int from, qint64 size, QString *reason)
{
    // Never created here (a sticky folder refuses to create another
    // user's file that exists), and a name that became a FIFO since does
    // not wait for a reader.
    const int to = ::open(QFile::encodeName(m_target).constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (to < 0) {
        *reason = systemReason(errno);
        return false;
    }
    struct stat old = {};
    struct statvfs disk;
    if (::fstat(to, &old) != 0 || !kindReason(old.st_mode).isEmpty()) {
        *reason = S_ISREG(old.st_mode) ? systemReason(errno) : kindReason(old.st_mode);
        ::close(to);
        return false;
    }
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
        const ssize_t got = ::pread(from, buffer, sizeof buffer, at);
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
    return true;
}
