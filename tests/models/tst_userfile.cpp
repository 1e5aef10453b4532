#include "userfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/statvfs.h>
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

private:
    QTemporaryDir m_base{QStringLiteral("/tmp/tst_userfile-XXXXXX")};
    QString m_disk; // a small disk of its own, when root may make one
};

namespace {

const uid_t kPlain = 65534;
const QByteArray kOld = QByteArray(5000, 'o');
const QByteArray kNew = QByteArray(20000, 'n');
// The user's file on a full disk: this much is free.
const qint64 kFree = 8192;

QByteArray path(const QString &name)
{
    return QFile::encodeName(name);
}

// An access list of the file's owner, a named user, the group and others.
QByteArray accessList()
{
    struct Entry {
        quint16 tag, perm;
        quint32 id;
    };
    const Entry entries[] = {{0x01, 6, ~0u}, {0x02, 6, 12345}, {0x04, 4, ~0u}, {0x10, 6, ~0u}, {0x20, 0, ~0u}};
    const quint32 version = 2;
    QByteArray list(reinterpret_cast<const char *>(&version), 4);
    list.append(reinterpret_cast<const char *>(entries), sizeof entries);
    return list;
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
    QString kind = QStringLiteral("none");
    if (::stat(path(name).constData(), &s) == 0)
        kind = S_ISREG(s.st_mode) ? QStringLiteral("file") : QStringLiteral("other");
    return QStringLiteral("%1 %2 %3:%4 %5 acl:%6 tag:%7 [%8] [%9]")
        .arg(kind)
        .arg(s.st_mode & 07777, 4, 8, QLatin1Char('0'))
        .arg(s.st_uid)
        .arg(s.st_gid)
        .arg(s.st_nlink)
        .arg(QString::fromLatin1(attribute(name, "system.posix_acl_access").toHex()))
        .arg(QString::fromLatin1(attribute(name, "user.tag")))
        .arg(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).join(' '))
        .arg(QDir(temp).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).join(' '));
}

// Runs as the plain user while it lives; root's groups are left behind.
struct As
{
    explicit As(bool plain) : plain(plain)
    {
        QVERIFY(!plain || (setresgid(kPlain, kPlain, 0) == 0 && setresuid(kPlain, kPlain, 0) == 0));
    }
    ~As()
    {
        QVERIFY(!plain || (setresuid(0, 0, 0) == 0 && setresgid(0, 0, 0) == 0));
    }
    bool plain;
};

// Files of this size end there, as on a full disk; while it lives.
struct SizeLimit
{
    explicit SizeLimit(qint64 size)
    {
        getrlimit(RLIMIT_FSIZE, &before);
        rlimit limit = before;
        limit.rlim_cur = rlim_t(size);
        signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~SizeLimit() { setrlimit(RLIMIT_FSIZE, &before); }
    rlimit before{};
};

} // namespace

void tst_UserFile::initTestCase()
{
    QVERIFY(m_base.isValid());
    QVERIFY(::chmod(path(m_base.path()).constData(), 0755) == 0);
    ::umask(022);
    // A disk of 1 MiB of the test's own, for the rows of a full disk.
    const QString disk = m_base.filePath(QStringLiteral("disk"));
    QVERIFY(QDir().mkpath(disk));
    if (geteuid() == 0 && ::mount("tmpfs", path(disk).constData(), "tmpfs", 0, "size=1m,mode=0755") == 0)
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
    // The words said: refused at the start, or why not written; empty when
    // written.
    QTest::addColumn<QString>("said");

    struct Kind {
        const char *name;
        const char *rootRefusal; // empty: taken
        const char *plainRefusal;
        bool rootInPlace, plainInPlace;
    };
    const char *const noRoom = "neither its folder nor the temporary folder takes a new file (No such file or directory)";
    const Kind kinds[] = {
        {"new file", "", "", false, false},
        {"plain file", "", "", false, false},
        {"link", "", "", false, false},
        {"chain of links", "", "", false, false},
        {"dangling link", "", "", false, false},
        {"link loop", "Too many levels of symbolic links", "Too many levels of symbolic links", false, false},
        {"another owner's file", "", "", false, true},
        {"another group's file", "", "", false, true},
        {"read-only file", "", "the file may not be written (Permission denied)", false, false},
        {"file with another name", "", "", true, true},
        {"longer file with another name", "", "", true, true},
        {"file with an access list and attributes", "", "", true, true},
        {"FIFO", "it is a FIFO, not a regular file", "it is a FIFO, not a regular file", false, false},
        {"link to a device", "it is a device, not a regular file", "it is a device, not a regular file", false, false},
        {"folder", "Is a directory", "Is a directory", false, false},
        {"file in a folder the user cannot write", "", "", false, true},
        {"longer file in a folder the user cannot write", "", "", false, true},
        {"file in a folder the user cannot write, no temporary folder", "", noRoom, false, false},
    };
    const char *const outcomes[] = {"done", "cancelled", "write failing part-way", "copy failing part-way",
                                    "disk without room", "signal"};
    for (const bool plain : {false, true}) {
        for (const Kind &kind : kinds) {
            const QString refusal = QString::fromUtf8(plain ? kind.plainRefusal : kind.rootRefusal);
            const bool inPlace = plain ? kind.plainInPlace : kind.rootInPlace;
            const bool longer = QByteArray(kind.name).startsWith("longer");
            // Written first in the temporary folder, off the full disk.
            const bool hasOtherName = QByteArray(kind.name).contains("another name");
            for (const char *outcome : outcomes) {
                const QByteArray o(outcome);
                QString said = refusal;
                if (said.isEmpty() && o == "write failing part-way")
                    said = QStringLiteral("the file could not be written whole");
                if (said.isEmpty() && o == "copy failing part-way" && inPlace)
                    said = QStringLiteral("File too large; left incomplete");
                // Room for the result once the old bytes go, where they go
                // first; none where the result is written beside them.
                if (said.isEmpty() && o == "disk without room" && !(longer && plain && inPlace && !hasOtherName))
                    said = QStringLiteral("its disk is full");
                QTest::addRow("%s, %s, %s", plain ? "plain" : "root", kind.name, outcome)
                    << QString::fromUtf8(kind.name) << plain << QString::fromUtf8(outcome) << said;
            }
        }
    }
}

void tst_UserFile::kindsAgainstOutcomes()
{
    QFETCH(QString, kind);
    QFETCH(bool, plain);
    QFETCH(QString, outcome);
    QFETCH(QString, said);
    if (geteuid() != 0 && (plain || kind.contains(QLatin1String("device"))))
        QSKIP("only root may act as the plain user or make a device");
    const bool full = outcome == QLatin1String("disk without room");
    if (full && m_disk.isEmpty())
        QSKIP("no disk of the test's own: root may mount one");
    const auto is = [&](const char *what) { return kind.contains(QLatin1String(what)); };
    const uid_t me = plain ? kPlain : 0;
    const uid_t other = plain ? 0 : kPlain;

    // A folder of the user's, on the small disk where it is to fill.
    QTemporaryDir row((full ? m_disk : m_base.path()) + QStringLiteral("/row-XXXXXX"));
    const QString folder = row.path();
    const QString temp = m_base.filePath(QStringLiteral("temp-") + QFileInfo(folder).fileName());
    QVERIFY(QDir().mkpath(temp) && ::chown(path(temp).constData(), me, me) == 0);
    const QString name = QDir(folder).filePath(QStringLiteral("out"));
    QString file = name; // the file the name finally names
    const QByteArray old = is("longer") ? QByteArray(60000, 'l') : kOld;
    const auto make = [&](const QString &at, uid_t owner, gid_t group, mode_t mode) {
        QFile f(at);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
        f.close();
        QVERIFY(::chown(path(at).constData(), owner, group) == 0 && ::chmod(path(at).constData(), mode) == 0);
    };
    if (is("link") && !is("device")) {
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/store")));
        QVERIFY(::chown(path(folder + QStringLiteral("/store")).constData(), me, me) == 0);
        file = folder + QStringLiteral("/store/file");
        QVERIFY(::symlink(is("chain") ? "middle" : is("loop") ? "back" : "store/file", path(name).constData()) == 0);
        QVERIFY(!is("chain") || ::symlink("store/file", path(folder + QStringLiteral("/middle")).constData()) == 0);
        QVERIFY(!is("loop") || ::symlink("out", path(folder + QStringLiteral("/back")).constData()) == 0);
        if (!is("dangling") && !is("loop"))
            make(file, me, me, 0644);
    } else if (is("device")) {
        // A null device of the test's own: a mistake never reaches the system's.
        QVERIFY(::mknod(path(folder + QStringLiteral("/null")).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0);
        QVERIFY(::symlink("null", path(name).constData()) == 0);
    } else if (is("FIFO")) {
        QVERIFY(::mkfifo(path(name).constData(), 0666) == 0);
    } else if (is("folder") && !is("a folder")) {
        QVERIFY(QDir().mkpath(name));
    } else if (!is("new")) {
        make(name, is("owner") ? other : me, is("owner") || is("group") ? other : me,
             is("owner") ? (plain ? 0666 : 0640) : is("read-only") ? 0444 : 0644);
    }
    QVERIFY(!is("another name") || ::link(path(name).constData(), path(folder + QStringLiteral("/other")).constData()) == 0);
    if (is("access list")) {
        const QByteArray list = accessList();
        QVERIFY(::setxattr(path(name).constData(), "system.posix_acl_access", list.constData(), size_t(list.size()), 0) == 0);
        QVERIFY(::setxattr(path(name).constData(), "user.tag", "kept", 4, 0) == 0);
    }
    // The folder the user's, as a home; another owner's file in a folder
    // all may write, as /tmp, of a third (where protected_regular holds,
    // asking to create that file is refused); or one the user may only read.
    QVERIFY(::chown(path(folder).constData(), is("owner") ? 12345 : me, is("owner") ? 12345 : me) == 0);
    QVERIFY(::chmod(path(folder).constData(), is("owner") ? 01777 : is("cannot write") ? 0555 : 0755) == 0);
    const QByteArray tempBefore = qgetenv("TMPDIR");
    qputenv("TMPDIR", path(is("no temporary") ? m_base.filePath(QStringLiteral("missing")) : temp));
    // Fill the disk but for its last few blocks.
    const QString filler = m_disk + QStringLiteral("/filler");
    if (full) {
        struct statvfs disk {};
        QVERIFY(::statvfs(path(m_disk).constData(), &disk) == 0);
        QFile f(filler);
        QVERIFY(f.open(QIODevice::WriteOnly)
                && f.write(QByteArray(int(qint64(disk.f_bavail) * qint64(disk.f_frsize) - kFree), 'f')) > 0);
    }

    const QString before = state(name, folder, temp);
    const QByteArray fileBefore = contents(file);
    QString words;
    bool cut = false;
    QString written; // the pending file's mode, and what a reader saw meanwhile
    int ended = 0; // how a signal ended the writer
    const auto write = [&] {
        As user(plain);
        UserFile target(name);
        if (!target.open(&words))
            return;
        QFile pending(target.pendingPath());
        QVERIFY(pending.open(QIODevice::WriteOnly));
        bool ok = true;
        {
            const SizeLimit limit(outcome.startsWith(QLatin1String("write")) ? kNew.size() / 2 : RLIM_INFINITY);
            ok = pending.write(kNew.left(kNew.size() / 2)) == kNew.size() / 2 && pending.flush();
            written = QString::number(QFileInfo(pending).permissions() & 0x0077 ? 0 : 1)
                + (contents(file) == fileBefore ? QStringLiteral(" old whole") : QStringLiteral(" old changed"));
            if (outcome == QLatin1String("cancelled"))
                return;
            if (outcome == QLatin1String("signal"))
                ::raise(SIGTERM);
            ok = ok && pending.write(kNew.mid(kNew.size() / 2)) == kNew.size() / 2 && pending.flush();
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
    if (outcome == QLatin1String("signal")) {
        // Ended by the signal's own action while the result is written.
        const pid_t child = ::fork();
        if (child == 0) {
            ::signal(SIGTERM, SIG_DFL);
            write();
            ::_exit(words.isEmpty() ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        ended = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        // What it could not take away: one hidden file of its own.
        for (const QString &dir : {folder, temp, folder + QStringLiteral("/store")})
            for (const QFileInfo &left : QDir(dir).entryInfoList({QStringLiteral(".out.*"), QStringLiteral(".file.*")},
                                                                 QDir::Files | QDir::Hidden))
                QVERIFY(QFile::remove(left.filePath()));
    } else {
        write();
    }
    if (full)
        QVERIFY(QFile::remove(filler));
    QVERIFY(::chmod(path(folder).constData(), 0755) == 0);
    qputenv("TMPDIR", tempBefore);

    const bool signalled = outcome == QLatin1String("signal");
    if (!signalled)
        QCOMPARE(words, said);
    QCOMPARE(ended, said.isEmpty() && signalled ? SIGTERM : 0);
    const bool done = said.isEmpty() && outcome != QLatin1String("cancelled") && !signalled;
    // A reader meanwhile sees the old file whole; the result is the user's alone.
    if (said.isEmpty() && !signalled && fileBefore != "(none)")
        QCOMPARE(written, QStringLiteral("1 old whole"));
    QCOMPARE(contents(file), done ? kNew : cut ? kNew.left(kNew.size() / 2) : fileBefore);
    QCOMPARE(cut, said.endsWith(QLatin1String("left incomplete")));
    // A new file has a new file's mode and the user's own; any other keeps
    // all it had, its other names too.
    QString expected = before;
    if (done && (is("new") || is("dangling")))
        expected = QStringLiteral("file 0644 %1:%1 1 acl: tag: [%2] []").arg(me).arg(is("new") ? "out" : "out store");
    QCOMPARE(state(name, folder, temp), expected);
    QCOMPARE(contents(folder + QStringLiteral("/other")), !is("another name") ? QByteArray("(none)")
                                                          : done || cut ? contents(file)
                                                                        : old);
}

QTEST_GUILESS_MAIN(tst_UserFile)
#include "tst_userfile.moc"
