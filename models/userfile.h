#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <sys/types.h>

// The one way a file the user named is written (a print's PDF, a picture,
// an export): the file of that name changes only by a whole result.
//
// Follows links as the system follows them (its rules for links in folders
// all may write included; its refusal in its words), to the file they
// finally name, a dangling one's too (the file is made there, under the
// link's own bytes); the links stay links.
// Refuses at open(), with the reason, leaving everything as it was: no
// /proc of the system's own, through which the files are written; a name
// that is a folder, FIFO, socket or device, or whose links loop; a file the
// user may not write; a new file in a folder that takes none; an existing
// file when neither its folder nor the temporary folder takes the file
// written first. Nothing of the target is opened to be read or written
// there, so nothing blocks.
// Holds what open() found: the target's folder and the file itself are
// never looked up by path again, so a name or folder swapped for a link
// meanwhile is not followed; the file stays held until commit() ends, so
// that its inode number goes to no file made meanwhile. A file written in
// place that its name no longer names is refused, and only a regular file is
// ever opened to be written, by an open that does not wait. A rename
// replaces whatever stands at the name, and is success only once the name is
// seen to hold the result (or can no longer be looked at); the user's file,
// still at its name, changes places with the pending one instead, so that
// when another file or folder took the pending name just before (or the name
// just after) the user's file is kept under the pending name. Of what stands
// at the pending name then, only the user's file is ever removed, and
// nothing is moved back.
// Writes first a hidden pending file, readable by its owner alone while an
// earlier file is replaced: beside the target, or in the temporary folder.
// Callers write it through pendingPath(), which names that very file.
// Keeps, on commit(): the file's owner, group and mode (its setuid, setgid
// and sticky bits too). The pending file is renamed over the target when
// that loses nothing; a file with other names, an access list or extended
// attributes, an owner, group or mode that cannot be given back, or a
// folder that takes no new file is instead written in place (its inode,
// and so all of these, kept), and only once its disk is seen to have room
// for the whole.
// Leaves: done, the target holds the result whole and on disk; refused,
// cancelled (destroyed without commit()) or failed, the target as it was
// byte for byte and the pending file gone, except that a write error while
// a file is copied in place leaves it cut, which cut() says, and that a
// name another removed or replaced just as the result went in leaves the
// name as that change made it, which nameChanged() says.
class UserFile
{
public:
    explicit UserFile(const QString &fileName);
    ~UserFile();
    UserFile(const UserFile &) = delete;
    UserFile &operator=(const UserFile &) = delete;

    // Makes the empty pending file; false, with the reason, when refused.
    bool open(QString *reason);
    // Where the result is written, once open.
    QString pendingPath() const { return m_pendingPath; }
    // The name, within its folder, of the file the name finally names.
    QString target() const { return QString::fromLocal8Bit(m_name); }
    // Why a result written to the pending file is not whole: its folder or
    // the file removed, its disk full, or else a plain failure.
    QString failure() const;
    // The pending file's bytes, checked by the caller, become the target's;
    // false with the reason otherwise.
    bool commit(QString *reason);
    // Whether a failure left the target cut.
    bool cut() const { return m_cut; }
    // Whether the name was seen, once the result had gone in, to name
    // another file or none: the reason says which.
    bool nameChanged() const { return m_nameChanged; }

private:
    // Resolves the name; *found: the system's descriptor of an existing file.
    bool find(QString *reason, int *found);
    bool makeIn(int folder, int *error);
    bool copyInto(qint64 size, QString *reason);
    // The pending file and the one at the name change places.
    bool exchangeNames() const;
    // After the pending file and the existing one changed places.
    bool exchanged(const struct stat &written, QString *reason);
    // Why the name, once the result went in, does not hold the file
    // written; empty when it does or cannot be looked at.
    QString notHeld(const struct stat &written) const;
    void release();

    QString m_given;
    int m_folder = -1; // the target's folder, held from open()
    QByteArray m_name; // the target's name in it
    int m_found = -1; // the existing file found, held from open() to commit()
    int m_pendingFolder = -1; // Not owned when it is m_folder.
    int m_pending = -1; // the pending file, held to be read back
    QByteArray m_pendingName;
    QString m_pendingPath;
    bool m_existed = false;
    bool m_inPlace = false;
    bool m_cut = false;
    bool m_nameChanged = false;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    mode_t m_mode = 0;
    uid_t m_owner = 0;
    gid_t m_group = 0;
};
