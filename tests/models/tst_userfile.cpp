#include "smalldisk.h"
#include "syncs.h"
#include "userfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <cstdarg>
#include <functional>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

// Every kind of name a user may give a file written for them, against every
// way the write can end, as root and as a plain user.
class tst_UserFile : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void kindsAgainstOutcomes_data();
    void kindsAgainstOutcomes();
    void namesChangedWhileWritten_data();
    void namesChangedWhileWritten();

private:
    QTemporaryDir m_base{QStringLiteral("/tmp/tst_userfile-XXXXXX")};
    QString m_disk; // a small disk of its own, when root may make one
};

namespace {

const uid_t kPlain = 65534;
// Longer than one chunk of a copy in place, and no two chunks alike.
const QByteArray kNew = [] {
    QByteArray bytes(150000, '\0');
    std::generate(bytes.begin(), bytes.end(), [i = 0]() mutable { return char(i++ % 251); });
    return bytes;
}();
const qint64 kFree = 8192; // what a full disk has left

QByteArray path(const QString &name)
{
    return QFile::encodeName(name);
}

// The file a name finally names; 0 for none.
ino_t inode(const QString &name)
{
    struct stat s {};
    return ::stat(path(name).constData(), &s) == 0 ? s.st_ino : 0;
}

QByteArray attribute(const QString &file, const char *name)
{
    char value[256];
    const ssize_t size = ::getxattr(path(file).constData(), name, value, sizeof value);
    return size < 0 ? QByteArray() : QByteArray(value, int(size));
}

QByteArray contents(const QString &file)
{
    // A FIFO is never opened: it would wait for a writer.
    QFile f(file);
    return QFileInfo(file).isFile() && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

// What a name is, how its file is kept, what its folders hold.
QString state(const QString &name, const QString &folder, const QString &temp)
{
    struct stat s {};
    const bool there = ::stat(path(name).constData(), &s) == 0;
    const auto list = [](const QString &dir) {
        return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).join(' ');
    };
    return QStringLiteral("%1 %2 %3:%4 %5 acl:%6 tag:%7 [%8] [%9]")
        .arg(!there ? "none" : S_ISREG(s.st_mode) ? "file" : "other")
        .arg(s.st_mode & 07777, 4, 8, QLatin1Char('0'))
        .arg(s.st_uid)
        .arg(s.st_gid)
        .arg(s.st_nlink)
        .arg(QString::fromLatin1(attribute(name, "system.posix_acl_access").toHex()), QString::fromLatin1(attribute(name, "user.tag")),
             list(folder), list(temp));
}

// The system's rule for links in folders all may write ("1": not followed
// unless the follower or the folder owns them), as this machine has it.
QByteArray linkRule()
{
    return contents(QStringLiteral("/proc/sys/fs/protected_symlinks")).trimmed();
}

// The process's open descriptors.
std::set<int> descriptors()
{
    std::set<int> fds;
    for (int fd = 0; fd < 1024; ++fd)
        if (::fcntl(fd, F_GETFD) >= 0)
            fds.insert(fd);
    return fds;
}

// Removes the hidden files a folder holds, by their bytes; how many.
int removeHidden(const QString &folder)
{
    int removed = 0;
    DIR *dir = ::opendir(path(folder).constData());
    for (const dirent *entry = dir ? ::readdir(dir) : nullptr; entry; entry = ::readdir(dir))
        removed += entry->d_type == DT_REG && entry->d_name[0] == '.' && ::unlinkat(::dirfd(dir), entry->d_name, 0) == 0;
    if (dir)
        ::closedir(dir);
    return removed;
}

// A call that would wait for ever returns, interrupted, within seconds: the
// row fails on what it is told rather than hanging the run.
struct Deadline
{
    Deadline() { cut.sa_handler = [](int) {}; ::sigaction(SIGALRM, &cut, &before); ::alarm(10); }
    ~Deadline() { ::alarm(0); ::sigaction(SIGALRM, &before, nullptr); }
    struct sigaction cut {}, before {}; // no SA_RESTART: the call returns EINTR
};

// Files end at this size while it lives, as on a full disk.
struct SizeLimit
{
    explicit SizeLimit(rlim_t size)
    {
        getrlimit(RLIMIT_FSIZE, &before);
        const rlimit limit{size, before.rlim_max};
        signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~SizeLimit() { setrlimit(RLIMIT_FSIZE, &before); }
    rlimit before{};
};

} // namespace

// The writer's calls as a row sees them: another's change made at that very
// moment, once, or a call that fails.
namespace calls {
std::function<void()> found; // after the system's open of the name given
std::function<void()> writing, renamed; // before a file is opened to be written; after a rename
std::function<void(int, const char *)> making, renaming; // before, with the folder and name
bool noExchange = false; // names cannot change places, as on some file systems
int unseen = 0; // the error the next look at a name meets
int listing = 0, listed = 0; // the error listings of attributes meet, once this many more have not
template <typename Hook, typename... Args>
void fire(Hook &hook, Args... args)
{
    if (hook)
        std::exchange(hook, nullptr)(args...);
}
mode_t modeOf(int flags, va_list rest)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, mode_t) : 0;
}
} // namespace calls

extern "C" int open(const char *file, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = calls::modeOf(flags, rest);
    va_end(rest);
    if ((flags & O_ACCMODE) == O_WRONLY)
        calls::fire(calls::writing);
    const int fd = int(::syscall(SYS_openat, AT_FDCWD, file, flags, mode)), error = errno;
    if ((flags & O_PATH) && !(flags & O_DIRECTORY))
        calls::fire(calls::found);
    errno = error;
    return fd;
}

extern "C" int openat(int folder, const char *file, int flags, ...)
{
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = calls::modeOf(flags, rest);
    va_end(rest);
    if (flags & O_CREAT)
        calls::fire(calls::making, folder, file);
    return int(::syscall(SYS_openat, folder, file, flags, mode));
}

extern "C" int renameat2(int folder, const char *name, int to, const char *toName, unsigned flags) noexcept
{
    if ((flags & RENAME_EXCHANGE) && calls::noExchange) {
        errno = EINVAL;
        return -1;
    }
    calls::fire(calls::renaming, folder, name);
    const int done = int(::syscall(SYS_renameat2, folder, name, to, toName, flags)), error = errno;
    calls::fire(calls::renamed);
    errno = error;
    return done;
}

extern "C" int renameat(int folder, const char *name, int to, const char *toName) noexcept
{
    return renameat2(folder, name, to, toName, 0);
}

extern "C" int fstatat(int folder, const char *file, struct stat *status, int flags) noexcept
{
    if (const int error = std::exchange(calls::unseen, 0)) {
        errno = error;
        return -1;
    }
    return int(::syscall(SYS_newfstatat, folder, file, status, flags));
}

extern "C" ssize_t listxattr(const char *file, char *list, size_t size) noexcept
{
    if (!calls::listing || calls::listed-- > 0)
        return ::syscall(SYS_listxattr, file, list, size);
    errno = calls::listing;
    return -1;
}

void tst_UserFile::initTestCase()
{
    // Owners, devices and the plain user are root's to make.
    if (geteuid() != 0)
        QSKIP("the kinds of file are made by root");
    QVERIFY(m_base.isValid());
    // Descriptor 0 open, as a writer that closed it would be seen to.
    QVERIFY(::fcntl(0, F_GETFD) >= 0 || ::open("/dev/null", O_RDONLY) == 0);
    QVERIFY(::chmod(path(m_base.path()).constData(), 0755) == 0);
    ::umask(022);
    // A disk of 1 MiB of the test's own, for the rows of a full disk.
    const QString disk = m_base.filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk));
    if (smalldisk::mount(disk, "1m"))
        m_disk = disk;
}

void tst_UserFile::cleanupTestCase()
{
    if (!m_disk.isEmpty())
        ::umount2(path(m_disk).constData(), MNT_DETACH);
}

void tst_UserFile::kindsAgainstOutcomes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("plain");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<bool>("inPlace");
    // The words said: refused at the start, or why not written; empty when
    // written.
    QTest::addColumn<QString>("said");

    // Refused, as root and as the plain user; written in place, as each.
    struct Kind {
        const char *name, *rootRefusal, *plainRefusal;
        bool rootInPlace, plainInPlace;
    };
    const char *const loop = "Too many levels of symbolic links", *const fifo = "it is a FIFO, not a regular file",
                      *const device = "it is a device, not a regular file", *const folder = "Is a directory",
                      *const socket = "it is a socket, not a regular file", *const refused = "Permission denied",
                      *const proc = "the system's /proc, through which the file is written, is not there";
    const Kind kinds[] = {
        {"new file", "", "", false, false},
        {"new file in a folder the user cannot write", "", refused, false, false},
        {"new file where /proc is not the system's", proc, proc, false, false},
        {"plain file", "", "", false, false},
        {"link", "", "", false, false},
        {"chain of links", "", "", false, false},
        {"dangling link", "", "", false, false},
        {"link loop", loop, loop, false, false},
        {"another owner's file", "", "", false, true},
        {"another group's file", "", "", false, true},
        {"read-only file", "", "the file may not be written (Permission denied)", false, false},
        {"file with another name", "", "", true, true},
        {"longer file with another name", "", "", true, true},
        {"file with an access list and attributes", "", "", true, true},
        {"FIFO", fifo, fifo, false, false},
        {"link to a FIFO", fifo, fifo, false, false},
        {"socket", socket, socket, false, false},
        {"file with setuid, setgid and sticky bits", "", "", false, false},
        {"file with setuid, setgid and sticky bits in a folder the user cannot write", "", "", false, true},
        {"file with a security label", "", "", false, false},
        {"link another user planted where all may write", refused, refused, false, false},
        {"link to a name that is not UTF-8", "", "", false, false},
        {"dangling link to a name that is not UTF-8", "", "", false, false},
        {"link to a device", device, device, false, false},
        {"folder", folder, folder, false, false},
        {"file in a folder the user cannot write", "", "", false, true},
        {"longer file in a folder the user cannot write", "", "", false, true},
        {"file in a folder the user cannot write, no temporary folder", "",
         "neither its folder (Permission denied) nor the temporary folder (No such file or directory) takes a new file", false, false},
    };
    // Where the system follows a planted link, it is written through as any link.
    const bool plantedFollowed = linkRule() == "0";
    for (const bool plain : {false, true}) {
        for (const Kind &kind : kinds) {
            const QByteArray name(kind.name);
            const bool followed = plantedFollowed && name.contains("planted");
            const bool inPlace = plain ? kind.plainInPlace : kind.rootInPlace;
            // Written first off the full disk, in the temporary folder,
            // with room once the old bytes go.
            const bool room = plain && name.startsWith("longer") && name.contains("cannot write");
            for (const char *outcome : {"done", "cancelled", "write failing part-way", "copy failing part-way",
                                        "disk without room", "signal", "name swapped for a link"}) {
                const QByteArray o(outcome);
                QString said = followed ? QString() : QString::fromUtf8(plain ? kind.plainRefusal : kind.rootRefusal);
                if (said.isEmpty() && o == "write failing part-way")
                    said = QStringLiteral("the file could not be written whole");
                if (said.isEmpty() && o == "copy failing part-way" && inPlace)
                    said = QStringLiteral("File too large; left incomplete");
                if (said.isEmpty() && o == "name swapped for a link" && inPlace)
                    said = QStringLiteral("the file was replaced while it was written");
                if (said.isEmpty() && o == "disk without room" && !room)
                    said = QStringLiteral("its disk is full");
                QTest::addRow("%s, %s, %s", plain ? "plain" : "root", kind.name, outcome)
                    << QString::fromUtf8(kind.name) << plain << QString::fromUtf8(outcome) << inPlace << said;
            }
        }
    }
}

void tst_UserFile::kindsAgainstOutcomes()
{
    QFETCH(QString, kind);
    QFETCH(bool, plain);
    QFETCH(QString, outcome);
    QFETCH(bool, inPlace);
    QFETCH(QString, said);
    const bool full = outcome == QLatin1String("disk without room");
    if (full && m_disk.isEmpty())
        QSKIP("no disk of the test's own: root may mount one");
    const auto is = [&](const char *what) { return kind.contains(QLatin1String(what)); };
    const uid_t me = plain ? kPlain : 0, other = plain ? 0 : kPlain;

    // A folder of the user's, on the small disk where it is to fill.
    QTemporaryDir row((full ? m_disk : m_base.path()) + QStringLiteral("/row-XXXXXX"));
    const QString folder = row.path(), name = folder + QStringLiteral("/out"), store = folder + QStringLiteral("/store");
    const QString temp = m_base.filePath(QStringLiteral("temp-") + QFileInfo(folder).fileName());
    QVERIFY(QDir().mkpath(temp) && QDir().mkpath(store));
    QVERIFY(::chown(path(temp).constData(), me, me) == 0 && ::chown(path(store).constData(), me, me) == 0);
    const QString file = is("link") && !is("device") && !is("UTF-8") ? store + QStringLiteral("/file") : name;
    const QByteArray old(is("longer") ? 200000 : 5000, 'o');
    // The rule is the whole system's: read, never set.
    if (is("planted") && !QByteArrayList{"0", "1"}.contains(linkRule()))
        QSKIP("the system's rule for links where all may write (fs.protected_symlinks) cannot be read");
    if (is("link") || is("FIFO") || is("device") || is("socket") || (is("folder") && !is("a folder"))) {
        // A null device of the test's own: a mistake never reaches the system's.
        QVERIFY(!is("device") || ::mknod(path(folder + "/null").constData(), S_IFCHR | 0666, makedev(1, 3)) == 0);
        QVERIFY(!is("FIFO") || ::mkfifo(path(is("link") ? store + "/fifo" : name).constData(), 0666) == 0);
        QVERIFY(!is("folder") || QDir().mkpath(name));
        const char *link = is("device") ? "null" : is("chain") ? "middle" : is("loop") ? "back" : is("UTF-8") ? "store/\xff" : is("FIFO") ? "store/fifo" : "store/file";
        QVERIFY(!is("link") || ::symlink(link, path(name).constData()) == 0);
        QVERIFY(!is("planted") || ::lchown(path(name).constData(), other, other) == 0);
        QVERIFY(!is("socket") || ::mknod(path(name).constData(), S_IFSOCK | 0666, 0) == 0);
        QVERIFY(!is("chain") || ::symlink("store/file", path(folder + "/middle").constData()) == 0);
        QVERIFY(!is("loop") || ::symlink("out", path(folder + "/back").constData()) == 0);
    }
    if ((!is("link") || (!is("dangling") && !is("loop") && !is("device"))) && !is("new") && !is("FIFO") && !is("socket")
        && !(is("folder") && !is("a folder"))) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
        f.close();
        const mode_t mode = is("owner") ? (plain ? 0666 : 0640) : is("read-only") ? 0444 : is("setuid") ? 07644 : 0644;
        QVERIFY(::chown(path(file).constData(), is("owner") ? other : me, is("owner") || is("group") ? other : me) == 0);
        QVERIFY(::chmod(path(file).constData(), mode) == 0);
        QVERIFY(!is("security") || ::setxattr(path(file).constData(), "security.tag", "kept", 4, 0) == 0);
    }
    QVERIFY(!is("another name") || ::link(path(name).constData(), path(folder + "/other").constData()) == 0);
    if (is("access list")) { // the owner, a named user, the group, its mask, others
        const quint32 list[] = {2, 0x60001, ~0u, 0x60002, 12345, 0x40004, ~0u, 0x60010, ~0u, 0x20, ~0u};
        QVERIFY(::setxattr(path(name).constData(), "system.posix_acl_access", list, sizeof list, 0) == 0);
        QVERIFY(::setxattr(path(name).constData(), "user.tag", "kept", 4, 0) == 0);
    }
    // Read while the folder is the user's: where all may write, the system's
    // rule hides a planted link's file from root.
    const QString before = state(name, folder, temp);
    // The folder the user's, as a home; another owner's file in a folder
    // all may write, as /tmp, of a third (where protected_regular holds,
    // asking to create that file is refused); or one the user may only read.
    const bool shared = is("owner") || is("planted");
    QVERIFY(::chown(path(folder).constData(), shared ? 12345 : me, shared ? 12345 : me) == 0);
    QVERIFY(::chmod(path(folder).constData(), shared ? 01777 : is("cannot write") ? 0555 : 0755) == 0);
    const QByteArray tempBefore = qgetenv("TMPDIR");
    qputenv("TMPDIR", path(is("no temporary") ? m_base.filePath(QStringLiteral("missing")) : temp));
    const QString filler = m_disk + QStringLiteral("/filler");
    struct statvfs disk {};
    QFile fill(filler); // the disk filled but for its last few blocks
    QVERIFY(!full
            || (::statvfs(path(m_disk).constData(), &disk) == 0 && fill.open(QIODevice::WriteOnly)
                && fill.write(QByteArray(int(qint64(disk.f_bavail) * qint64(disk.f_frsize) - kFree), 'f')) > 0));
    fill.close();

    const QByteArray fileBefore = contents(file);
    const ino_t inodeBefore = inode(file);
    syncs::synced.clear();
    // The file checked, and another file a link to which may take its name.
    const QByteArray checked = is("UTF-8") ? path(store) + "/\xff" : path(file);
    const QString decoy = temp + QStringLiteral(".decoy"), kept = store + QStringLiteral("/kept");
    QFile d(decoy);
    QVERIFY(d.open(QIODevice::WriteOnly) && d.write("decoy") == 5);
    d.close();
    QString words, meanwhile; // the pending file's mode, and what a reader saw meanwhile
    bool cut = false, swapped = false;
    std::set<int> made, released; // the writer's descriptors, and those it let go by the end of commit()
    const auto write = [&] {
        gid_t groups[64];
        const int count = getgroups(64, groups);
        // Modes bind a plain user, without root's groups.
        QVERIFY(!plain || (setgroups(0, nullptr) == 0 && setresgid(kPlain, kPlain, 0) == 0 && setresuid(kPlain, kPlain, 0) == 0));
        // The working folder one the user may write: never where a pending file goes.
        const QString working = QDir::currentPath();
        QVERIFY(QDir::setCurrent(temp));
        const auto back = qScopeGuard([&] {
            QVERIFY(!plain || (setresuid(0, 0, 0) == 0 && setresgid(0, 0, 0) == 0 && setgroups(size_t(count), groups) == 0));
            QVERIFY(QDir::setCurrent(working));
        });
        const Deadline deadline;
        const std::set<int> mine = descriptors();
        { const UserFile unopened(name); }
        UserFile target(name);
        if (!target.open(&words))
            return;
        for (const int fd : descriptors())
            if (!mine.count(fd) && made.insert(fd).second) // none for a child to inherit
                QVERIFY(::fcntl(fd, F_GETFD) & FD_CLOEXEC);
        QFile pending(target.pendingPath());
        QVERIFY(pending.open(QIODevice::WriteOnly));
        bool ok = true;
        {
            const SizeLimit limit(outcome.startsWith(QLatin1String("write")) ? kNew.size() / 2 : RLIM_INFINITY);
            for (int half = 0; half < 2 && ok; ++half) {
                ok = pending.write(kNew.mid(half * kNew.size() / 2, kNew.size() / 2)) == kNew.size() / 2 && pending.flush();
                if (half == 0) {
                    meanwhile = QStringLiteral("%1, old %2").arg(QFileInfo(pending).permissions() & 0x0077 ? "shared" : "private",
                                                              contents(file) == fileBefore ? "whole" : "changed");
                    if (outcome == QLatin1String("cancelled"))
                        return;
                    if (outcome == QLatin1String("signal"))
                        ::raise(SIGTERM);
                    // By another process of root's.
                    if (outcome == QLatin1String("name swapped for a link")) {
                        QVERIFY(::seteuid(0) == 0);
                        ::rename(checked.constData(), path(kept).constData());
                        swapped = ::symlink(path(decoy).constData(), checked.constData()) == 0;
                        QVERIFY(::seteuid(me) == 0);
                    }
                }
            }
        }
        pending.close();
        if (!ok) {
            words = target.failure();
            return;
        }
        const SizeLimit limit(outcome.startsWith(QLatin1String("copy")) ? kNew.size() / 2 : RLIM_INFINITY);
        if (!target.commit(&words) && target.cut())
            words += QStringLiteral("; left incomplete");
        cut = target.cut();
        // The file held since open() is let go at the end of commit(); its
        // number is taken at once, and the writer, gone, closes it no more.
        for (const int fd : made)
            if (::fcntl(fd, F_GETFD) < 0 && ::dup2(STDERR_FILENO, fd) == fd)
                released.insert(fd);
        QCOMPARE(int(released.size()), fileBefore == "(none)" ? 0 : 1);
    };
    const bool signalled = outcome == QLatin1String("signal");
    int ended = 0;
    // Another file system mounted over /proc, holding a folder of that name.
    if (is("/proc") && m_disk.isEmpty())
        QSKIP("no mounts of the test's own: root may make them");
    QVERIFY(!is("/proc") || (::mount("tmpfs", "/proc", "tmpfs", 0, nullptr) == 0 && QDir().mkpath("/proc/self/fd")));
    const auto unmount = qScopeGuard([&] { is("/proc") && ::umount2("/proc", MNT_DETACH); });
    const std::set<int> open = descriptors();
    if (signalled) {
        // Ended by the signal's own action while the result is written:
        // it leaves one hidden file, and the user's as it was.
        const pid_t child = ::fork();
        if (child == 0) {
            ::signal(SIGTERM, SIG_DFL);
            write();
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        ended = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        QCOMPARE(removeHidden(folder) + removeHidden(temp) + removeHidden(store), said.isEmpty() ? 1 : 0);
    } else {
        write();
    }
    // Every writer, never opened, refused, cancelled or done, leaves the
    // process's descriptors as they were (descriptor 0 too).
    for (const int fd : released)
        QVERIFY(::fcntl(fd, F_GETFD) >= 0 && ::close(fd) == 0);
    QCOMPARE(descriptors(), open);
    QVERIFY(!full || QFile::remove(filler));
    QVERIFY(::chmod(path(folder).constData(), 0755) == 0);
    qputenv("TMPDIR", tempBefore);

    if (!signalled)
        QCOMPARE(words, said);
    QCOMPARE(ended, said.isEmpty() && signalled ? SIGTERM : 0);
    const bool done = said.isEmpty() && outcome != QLatin1String("cancelled") && !signalled;
    if (said.isEmpty() && !signalled && fileBefore != "(none)")
        QCOMPARE(meanwhile, QStringLiteral("private, old whole"));
    // Only the file checked is written; a link put at its name is replaced, never written through.
    QCOMPARE(contents(file), swapped && !done ? "decoy" : done ? kNew : cut ? kNew.left(kNew.size() / 2) : fileBefore);
    QCOMPARE(contents(decoy) + contents(kept), "decoy" + (swapped ? fileBefore : "(none)"));
    QCOMPARE(cut, said.endsWith(QLatin1String("left incomplete")));
    // What is kept reaches the disk; a file renamed into place is a new one.
    QCOMPARE(int(std::count(syncs::synced.begin(), syncs::synced.end(), inode(file))), done ? 1 : 0);
    QCOMPARE(inode(file) != inodeBefore, (done && !inPlace) || swapped);
    const QByteArray bytes = path(store).append("/\xff");
    QCOMPARE(::access(bytes.constData(), F_OK) == 0, is("UTF-8") && (done || !is("dangling")));
    // A new file has a new file's mode and the user's own; any other keeps
    // all it had, its other names too.
    if (!swapped || done)
        QCOMPARE(state(name, folder, temp), done && (is("new") || is("dangling"))
                 ? QStringLiteral("file 0644 %1:%1 1 acl: tag: [out store] []").arg(me)
                 : before);
    QCOMPARE(contents(folder + "/other"), !is("another name") ? QByteArray("(none)") : done || cut ? contents(file) : old);
    ::unlink(bytes.constData()); // a name its temporary folder cannot remove
}

void tst_UserFile::namesChangedWhileWritten_data()
{
    // A file with another name is written in place; else a new one is
    // renamed over it.
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<QString>("change"); // another's, while the result is written
    QTest::addColumn<QString>("said");
    const QString replaced = QStringLiteral("the file was replaced while it was written"),
                  opened = QStringLiteral("the file was replaced while it was opened");
    for (const bool inPlace : {true, false}) {
        const char *how = inPlace ? "in place" : "renamed";
        const QString inPlaceReplaced = inPlace ? replaced : QString();
        QTest::addRow("%s, the name another file's", how) << inPlace << "another file" << inPlaceReplaced;
        QTest::addRow("%s, the name a FIFO", how) << inPlace << "FIFO" << inPlaceReplaced;
        QTest::addRow("%s, the name a folder", how) << inPlace << "folder" << (inPlace ? replaced : "Is a directory");
        QTest::addRow("%s, the folder a link to another", how) << inPlace << "folder link" << "";
        QTest::addRow("%s, the pending file removed", how) << inPlace << "pending removed"
                                                           << "the hidden file it was being written to was removed";
        QTest::addRow("%s, the pending file replaced", how) << inPlace << "pending replaced"
                                                            << "the hidden file it was being written to was replaced";
        QTest::addRow("%s, the name removed", how)
            << inPlace << "name removed" << (inPlace ? "the file was removed while it was written" : "");
        // Until one takes the old file's inode number, if ever it is free.
        QTest::addRow("%s, its names removed, a new file made there", how) << inPlace << "names removed, a new file" << inPlaceReplaced;
        QTest::addRow("%s, its names removed, a FIFO made there", how) << inPlace << "names removed, a FIFO" << inPlaceReplaced;
        QTest::addRow("%s, a file at the pending file's name", how) << inPlace << "pending name taken" << "";
    }
    // At the moment named: before the pending file is renamed, or once it
    // is; as the result goes in, its earlier bytes gone.
    const QString into = QStringLiteral("the result went into the file the name named when the write began, and the name "),
                  pendingGone = QStringLiteral("the hidden file it was being written to was removed"),
                  pendingReplaced = QStringLiteral("the hidden file it was being written to was replaced");
    // Which took the name, the file at the pending name or another just
    // after, nothing tells: the user's earlier file is kept.
    const QString keptAside = QStringLiteral("; the file it replaced is kept as the hidden file; name changed");
    QTest::addRow("renamed, the pending name a link as it is renamed") << false << "pending a link as it is renamed"
                                                                       << replaced + keptAside;
    QTest::addRow("renamed, the pending file replaced as it is renamed") << false << "pending replaced as it is renamed"
                                                                         << replaced + keptAside;
    QTest::addRow("renamed, the pending file removed as it is renamed") << false << "pending removed as it is renamed" << pendingGone;
    QTest::addRow("renamed, the pending name a folder as it is renamed") << false << "pending a folder as it is renamed"
                                                                         << replaced + keptAside;
    QTest::addRow("renamed, the pending file replaced as it is synced") << false << "pending replaced as it is synced"
                                                                        << pendingReplaced;
    QTest::addRow("renamed, the name removed once renamed") << false << "name removed once renamed"
                                                            << "the file was removed while it was written" + keptAside;
    QTest::addRow("renamed, no exchange, the name another file's once renamed")
        << false << "no exchange, name replaced once renamed" << replaced + "; name changed";
    // Once the names changed places, another's file or folder at either
    // name stays where it was put.
    QTest::addRow("renamed, a file put at the pending name once exchanged") << false << "file put at the hidden name once exchanged" << "";
    QTest::addRow("renamed, a folder put at the pending name once exchanged") << false << "folder put at the hidden name once exchanged"
                                                                              << "";
    QTest::addRow("renamed, the name not to be looked at once exchanged") << false << "name unseen once exchanged" << "";
    QTest::addRow("renamed, a folder put at the name once exchanged") << false << "folder put at the name once exchanged"
                                                                      << replaced + keptAside;
    QTest::addRow("in place, the name removed as the copy is synced") << true << "name removed as the copy is synced"
                                                                      << into + "was then removed; name changed";
    QTest::addRow("in place, the name another file's as the copy is synced") << true << "name replaced as the copy is synced"
                                                                             << into + "now names another file; name changed";
    // The last chunk of a copy a single byte; a pending file cut short ends
    // the copy.
    QTest::addRow("in place, two chunks and a byte") << true << "two chunks and a byte" << "";
    QTest::addRow("in place, the pending file cut as the copy begins") << true << "pending cut"
                                                                       << "Input/output error; left incomplete";
    QTest::addRow("renamed, its attributes not listed") << false << "attributes unlisted" << "";
    QTest::addRow("renamed, its attributes not supported") << false << "attributes not supported" << "";
    QTest::addRow("renamed, its attributes more at the second listing") << false << "attributes grew" << "";
    QTest::addRow("renamed, a new file directly in the root folder") << false << "root" << "";
    // Between the system's open of the name and the walk of its links.
    QTest::addRow("renamed, the name removed as it is opened") << false << "opened, then removed" << opened;
    QTest::addRow("renamed, the name made as it is opened") << false << "none opened, then made" << opened;
    QTest::addRow("renamed, the name another file's as it is opened") << false << "opened, then another file" << opened;
}

// What is written is the file checked: a link at its name or its folder's
// is never written through, and what a rename replaces is the name itself.
void tst_UserFile::namesChangedWhileWritten()
{
    QFETCH(bool, inPlace);
    QFETCH(QString, change);
    QFETCH(QString, said);
    const auto is = [&change](const char *what) { return change.contains(QLatin1String(what)); };
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("folder")), moved = dir.filePath(QStringLiteral("moved")),
                  elsewhere = dir.filePath(QStringLiteral("elsewhere")), other = elsewhere + QStringLiteral("/out");
    const QByteArray old(5000, 'o'), others(7000, 'x'), name = path(folder + "/out"), to = path(other);
    QFile f(other), g(folder + "/out");
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(elsewhere) && f.open(QIODevice::WriteOnly) && f.write(others) && g.open(QIODevice::WriteOnly) && g.write(old));
    f.close();
    g.close();
    QVERIFY(!inPlace || ::link(name.constData(), path(folder + "/second").constData()) == 0);
    QVERIFY(!is("grew") || ::setxattr(name.constData(), "user.tag", "kept", 4, 0) == 0);
    const ino_t before = inode(folder + "/out");
    const QByteArray result = is("byte") ? kNew.left(2 * 65536 + 1) : kNew;
    // The file checked goes aside, or its folder does; or its bytes go with
    // its names; or it stays.
    const bool aside = QStringList{"another file", "FIFO", "folder"}.contains(change) || is("opened,");
    const QString kept = aside && !is("none") ? folder + "/kept"
        : is("folder link")    ? moved + "/out"
        : is("names") || is("a link") || is("root") || is("once") || is("cut") || is("replaced as it is renamed") || is("a folder as") ? QString()
        : (is("name removed") || is("name replaced")) && inPlace ? folder + "/second"
                               : folder + "/out";
    const QByteArray away = path(folder + "/kept");
    QVERIFY(!is("none opened") || ::rename(name.constData(), away.constData()) == 0);
    const auto swap = [&] {
        QVERIFY(!is("opened") || ::rename((is("none") ? away : name).constData(), (is("none") ? name : away).constData()) == 0);
        QVERIFY(!is("another file") || ::link(to.constData(), name.constData()) == 0);
    };
    // Where the result goes; a name in the root folder is made there, never
    // in the working folder.
    const QString root = QStringLiteral("/tst_userfile-%1").arg(::getpid()),
                  at = is("root") ? root : (is("folder link") ? moved : folder) + "/out", working = QDir::currentPath();
    const auto back = qScopeGuard([working] { QDir::setCurrent(working); });
    QVERIFY(QDir::setCurrent(folder));
    QString words, planted;
    bool done = false;
    const Deadline deadline;
    {
        calls::found = is("opened") ? std::function<void()>(swap) : nullptr;
        calls::making = [&](int, const char *pending) {
            if (!is("taken"))
                return;
            planted = folder + '/' + QFile::decodeName(pending);
            QFile p(planted);
            QVERIFY(p.open(QIODevice::WriteOnly) && p.write("planted") == 7);
        };
        calls::listing = is("unlisted") ? EIO : is("not supported") ? ENOTSUP : is("grew") ? ERANGE : 0;
        calls::listed = is("grew") ? 1 : 0;
        UserFile target(is("root") ? root : folder + QStringLiteral("/out"));
        const bool open = target.open(&words);
        calls::listing = 0;
        QCOMPARE(open, !is("opened"));
        if (open) {
            QFile pending(target.pendingPath());
            QVERIFY(pending.open(QIODevice::WriteOnly) && pending.write(result) == result.size());
            pending.close();
            const QByteArray pendingName = path(QFileInfo(target.pendingPath()).symLinkTarget());
            const auto pendingChange = [&] {
                QVERIFY(!is("pending removed") || ::unlink(pendingName.constData()) == 0);
                QVERIFY(!is("pending replaced") || ::rename(to.constData(), pendingName.constData()) == 0);
                QVERIFY(!is("pending a folder") || (::unlink(pendingName.constData()) == 0 && ::mkdir(pendingName.constData(), 0755) == 0));
                QVERIFY(!is("pending a link") || (::unlink(pendingName.constData()) == 0 && ::symlink(to.constData(), pendingName.constData()) == 0));
            };
            const auto nameChange = [&] {
                QVERIFY(!is("name removed") || ::unlink(name.constData()) == 0);
                QVERIFY(!is("name replaced") || (::unlink(name.constData()) == 0 && ::link(to.constData(), name.constData()) == 0));
            };
            const bool later = is("synced") || is("renamed");
            QVERIFY(!aside || ::rename(name.constData(), path(kept).constData()) == 0);
            QVERIFY(!is("folder link")
                    || (QDir().rename(folder, moved) && ::symlink(path(elsewhere).constData(), path(folder).constData()) == 0));
            if (!later)
                pendingChange();
            swap();
            QVERIFY(change != QLatin1String("FIFO") || ::mkfifo(name.constData(), 0644) == 0);
            QVERIFY(change != QLatin1String("folder") || ::mkdir(name.constData(), 0755) == 0);
            QVERIFY(!is("removed,") || ::unlink(path(folder + "/second").constData()) == 0 || !inPlace);
            const auto again = [&](int attempt) { return attempt == 0 || (attempt < 50 && inode(folder + "/out") != before); };
            for (int attempt = 0; is("names removed") && again(attempt); ++attempt) {
                QFile made(folder + "/out");
                QVERIFY(::unlink(name.constData()) == 0
                        && (is("FIFO") ? ::mkfifo(name.constData(), 0644) == 0 : made.open(QIODevice::WriteOnly) && made.write("made") == 4));
            }
            if (!later)
                nameChange();
            calls::renaming = [&](int, const char *) {
                if (is("as it is renamed"))
                    pendingChange();
            };
            calls::noExchange = is("no exchange");
            calls::renamed = [&] {
                if (is("once renamed"))
                    nameChange();
                if (is("file put")) {
                    planted = QFile::decodeName(pendingName);
                    QFile p(folder + "/.planted");
                    QVERIFY(p.open(QIODevice::WriteOnly) && p.write("planted") == 7);
                    QVERIFY(::rename(path(p.fileName()).constData(), pendingName.constData()) == 0);
                }
                calls::unseen = is("unseen") ? EACCES : 0;
                const QByteArray at = is("hidden name") ? pendingName : name;
                QVERIFY(!is("folder put") || (::unlink(at.constData()) == 0 && ::mkdir(at.constData(), 0755) == 0));
            };
            syncs::during = [&] {
                if (is("synced")) {
                    pendingChange();
                    nameChange();
                }
            };
            calls::writing = [&] { QVERIFY(!is("cut") || ::truncate(path(target.pendingPath()).constData(), result.size() / 2) == 0); };
            done = target.commit(&words);
            syncs::during = nullptr;
            if (target.cut())
                words += QStringLiteral("; left incomplete");
            if (target.nameChanged())
                words += QStringLiteral("; name changed");
        }
    }
    calls::found = nullptr;
    calls::making = calls::renaming = nullptr;
    calls::writing = calls::renamed = nullptr;
    calls::noExchange = false;
    calls::unseen = 0;
    // The user's earlier file, kept under the pending name.
    const QRegularExpressionMatch keptAs = QRegularExpression(QStringLiteral("kept as ([^;]+)")).match(words);
    if (keptAs.hasMatch()) {
        QCOMPARE(contents(keptAs.captured(1)), old);
        words.replace(keptAs.capturedStart(1), keptAs.capturedLength(1), QStringLiteral("the hidden file"));
    }
    QCOMPARE(words, said);
    // Another's file is never written, nor what was made at the name; the
    // one checked is, in place.
    QCOMPARE(contents(other), is("pending replaced") ? "(none)" : others);
    if (!kept.isEmpty())
        QCOMPARE(contents(kept), (done || is("copy is synced")) && (inPlace || !aside) ? result : old);
    QVERIFY(!done || contents(at) == result);
    if (!done && is("names removed"))
        QCOMPARE(contents(folder + "/out"), is("FIFO") ? "(none)" : "made");
    QCOMPARE(contents(planted), planted.isEmpty() ? "(none)" : "planted");
    QCOMPARE(QFileInfo(folder + "/out").isDir(), change == "folder" || is("pending a folder") || is("folder put at the name"));
    QCOMPARE(removeHidden(folder) + removeHidden(moved),
             is("pending replaced") || is("taken") || is("file put") || keptAs.hasMatch() ? 1 : 0);
    // A file whose attributes are unknown keeps them, by being written in place.
    if (done)
        QCOMPARE(inode(at) == before, inPlace || is("unlisted") || is("grew"));
    QVERIFY(!is("root") || QFile::remove(root));
}

QTEST_GUILESS_MAIN(tst_UserFile)
#include "tst_userfile.moc"
