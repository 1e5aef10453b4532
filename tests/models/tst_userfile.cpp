#include "smalldisk.h"
#include "syncs.h"
#include "userfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
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
const QByteArray kNew = QByteArray(20000, 'n');
const qint64 kFree = 8192; // what a full disk has left

QByteArray path(const QString &name)
{
    return QFile::encodeName(name);
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

void tst_UserFile::initTestCase()
{
    // Owners, devices and the plain user are root's to make.
    if (geteuid() != 0)
        QSKIP("the kinds of file are made by root");
    QVERIFY(m_base.isValid());
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
                      *const socket = "it is a socket, not a regular file", *const refused = "Permission denied";
    const Kind kinds[] = {
        {"new file", "", "", false, false},
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
    for (const bool plain : {false, true}) {
        for (const Kind &kind : kinds) {
            const QByteArray name(kind.name);
            const bool inPlace = plain ? kind.plainInPlace : kind.rootInPlace;
            // Written first off the full disk, in the temporary folder,
            // with room once the old bytes go.
            const bool room = plain && name.startsWith("longer") && name.contains("cannot write");
            for (const char *outcome : {"done", "cancelled", "write failing part-way", "copy failing part-way",
                                        "disk without room", "signal", "name swapped for a link"}) {
                const QByteArray o(outcome);
                QString said = QString::fromUtf8(plain ? kind.plainRefusal : kind.rootRefusal);
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
    const QByteArray old(is("longer") ? 60000 : 5000, 'o');
    // The system's rule for links where all may write, as most systems
    // have it, while the writer follows them; one such row at a time, as
    // the rule is the whole system's.
    const QString rule = QStringLiteral("/proc/sys/fs/protected_symlinks");
    const int held = is("planted") ? ::open("/tmp/tst_userfile-rule.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0600) : -1;
    const auto release = qScopeGuard([held] { held < 0 || ::close(held); });
    QVERIFY(!is("planted") || ::flock(held, LOCK_EX) == 0);
    const QByteArray ruleBefore = contents(rule);
    const auto setRule = [&](const QByteArray &value) {
        QFile f(rule);
        return !is("planted") || (f.open(QIODevice::WriteOnly) && f.write(value) == value.size());
    };
    if (!setRule(ruleBefore))
        QSKIP("the system's rule for links where all may write cannot be set");
    if (is("link") || is("FIFO") || is("device") || is("socket") || (is("folder") && !is("a folder"))) {
        // A null device of the test's own: a mistake never reaches the system's.
        QVERIFY(!is("device") || ::mknod(path(folder + "/null").constData(), S_IFCHR | 0666, makedev(1, 3)) == 0);
        QVERIFY(!is("FIFO") || ::mkfifo(path(name).constData(), 0666) == 0);
        QVERIFY(!is("folder") || QDir().mkpath(name));
        const char *link = is("device") ? "null" : is("chain") ? "middle" : is("loop") ? "back" : is("UTF-8") ? "store/\xff" : "store/file";
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

    const QString before = state(name, folder, temp);
    const QByteArray fileBefore = contents(file);
    const auto inode = [&file] {
        struct stat s {};
        return ::stat(path(file).constData(), &s) == 0 ? s.st_ino : 0;
    };
    const ino_t inodeBefore = inode();
    syncs::synced.clear();
    // The file checked, and another file a link to which may take its name.
    const QByteArray checked = is("UTF-8") ? path(store) + "/\xff" : path(file);
    const QString decoy = temp + QStringLiteral(".decoy"), kept = store + QStringLiteral("/kept");
    QFile d(decoy);
    QVERIFY(d.open(QIODevice::WriteOnly) && d.write("decoy") == 5);
    d.close();
    QString words, meanwhile; // the pending file's mode, and what a reader saw meanwhile
    bool cut = false, swapped = false;
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
        UserFile target(name);
        if (!target.open(&words))
            return;
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
    };
    const bool signalled = outcome == QLatin1String("signal");
    int ended = 0;
    QVERIFY(setRule("1"));
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
    QVERIFY(setRule(ruleBefore));
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
    QCOMPARE(int(std::count(syncs::synced.begin(), syncs::synced.end(), inode())), done ? 1 : 0);
    QCOMPARE(inode() != inodeBefore, (done && !inPlace) || swapped);
    QCOMPARE(::access(path(store).append("/\xff").constData(), F_OK) == 0, is("UTF-8") && (done || !is("dangling")));
    // A new file has a new file's mode and the user's own; any other keeps
    // all it had, its other names too.
    if (!swapped || done)
        QCOMPARE(state(name, folder, temp), done && (is("new") || is("dangling"))
                 ? QStringLiteral("file 0644 %1:%1 1 acl: tag: [out store] []").arg(me)
                 : before);
    QCOMPARE(contents(folder + "/other"), !is("another name") ? QByteArray("(none)") : done || cut ? contents(file) : old);
}

void tst_UserFile::namesChangedWhileWritten_data()
{
    // A file with another name is written in place; else a new one is
    // renamed over it.
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<QString>("change"); // another's, while the result is written
    QTest::addColumn<QString>("said");
    const QString replaced = QStringLiteral("the file was replaced while it was written");
    for (const bool inPlace : {true, false}) {
        const char *how = inPlace ? "in place" : "renamed";
        QTest::addRow("%s, the name another file's", how) << inPlace << "another file" << (inPlace ? replaced : "");
        QTest::addRow("%s, the name a FIFO", how) << inPlace << "FIFO" << (inPlace ? replaced : "");
        QTest::addRow("%s, the name a folder", how) << inPlace << "folder" << (inPlace ? replaced : "Is a directory");
        QTest::addRow("%s, the folder a link to another", how) << inPlace << "folder link" << "";
        QTest::addRow("%s, the pending file removed", how) << inPlace << "pending removed"
                                                           << "the file was removed while it was written";
    }
}

// What is written is the file checked: a link at its name or its folder's
// is never written through, and what a rename replaces is the name itself.
void tst_UserFile::namesChangedWhileWritten()
{
    QFETCH(bool, inPlace);
    QFETCH(QString, change);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("folder")), moved = dir.filePath(QStringLiteral("moved")),
                  elsewhere = dir.filePath(QStringLiteral("elsewhere")), other = elsewhere + QStringLiteral("/out");
    const QByteArray old(5000, 'o'), others(7000, 'x'), name = path(folder + "/out");
    QFile f(other), g(folder + "/out");
    QVERIFY(QDir().mkpath(folder) && QDir().mkpath(elsewhere) && f.open(QIODevice::WriteOnly) && f.write(others) && g.open(QIODevice::WriteOnly) && g.write(old));
    f.close();
    g.close();
    QVERIFY(!inPlace || ::link(name.constData(), path(folder + "/second").constData()) == 0);
    // The file checked goes aside, or its folder does, or it stays.
    const bool aside = change != QLatin1String("folder link") && change != QLatin1String("pending removed");
    const QString kept = aside ? folder + "/kept" : change == QLatin1String("folder link") ? moved + "/out" : folder + "/out";
    QString words;
    bool done = false;
    {
        UserFile target(folder + QStringLiteral("/out"));
        QVERIFY(target.open(&words));
        QFile pending(target.pendingPath());
        QVERIFY(pending.open(QIODevice::WriteOnly) && pending.write(kNew) == kNew.size());
        pending.close();
        const QByteArray to = path(other), pendingName = path(QFileInfo(target.pendingPath()).symLinkTarget());
        QVERIFY(!aside || ::rename(name.constData(), path(kept).constData()) == 0);
        QVERIFY(change != QLatin1String("folder link")
                || (QDir().rename(folder, moved) && ::symlink(path(elsewhere).constData(), path(folder).constData()) == 0));
        QVERIFY(change != QLatin1String("pending removed") || ::rename(to.constData(), pendingName.constData()) == 0);
        QVERIFY(change != QLatin1String("another file") || ::link(to.constData(), name.constData()) == 0);
        QVERIFY(change != QLatin1String("FIFO") || ::mkfifo(name.constData(), 0644) == 0);
        QVERIFY(change != QLatin1String("folder") || ::mkdir(name.constData(), 0755) == 0);
        done = target.commit(&words);
    }
    QCOMPARE(words, said);
    // Another's file is never written; the one checked is, in place.
    QCOMPARE(contents(other), change == QLatin1String("pending removed") ? "(none)" : others);
    QCOMPARE(contents(kept), done && (inPlace || !aside) ? kNew : old);
    QVERIFY(!done || contents((change == QLatin1String("folder link") ? moved : folder) + "/out") == kNew);
    QCOMPARE(removeHidden(folder) + removeHidden(moved), change == QLatin1String("pending removed") ? 1 : 0);
}

QTEST_GUILESS_MAIN(tst_UserFile)
#include "tst_userfile.moc"
