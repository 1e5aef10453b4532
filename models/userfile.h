#pragma once

#include <QString>

#include <sys/types.h>

// The one way a file the user named is written (a print's PDF, a picture,
// an export): the file of that name changes only by a whole result.
//
// Follows links to the file they finally name, a dangling one's too (the
// file is made there); the links stay links.
// Refuses at open(), with the reason, leaving everything as it was: a name
// that is a folder, FIFO, socket or device, or whose links loop; a file the
// user may not write; a new file in a folder that takes none; an existing
// file when neither its folder nor the temporary folder takes the file
// written first. Nothing of the target is opened there, so nothing blocks.
// Writes first a hidden pending file, readable by its owner alone while an
// earlier file is replaced: beside the target, or in the temporary folder.
// Keeps, on commit(): the file's owner, group and mode. The pending file is
// renamed over the target when that loses nothing; a file with other names,
// an access list or extended attributes, an owner or group that cannot be
// given back, or a folder that takes no new file is instead written in
// place (its inode, and so all of these, kept), opened without being
// created, and only once its disk is seen to have room for the whole.
// Leaves: done, the target holds the result whole and on disk; refused,
// cancelled (destroyed without commit()) or failed, the target as it was
// byte for byte and the pending file gone, except that a write error while
// a file is copied in place leaves it cut, which cut() says.
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
    QString pendingPath() const { return m_pending; }
    // The file the name finally names.
    QString target() const { return m_target; }
    // Why a result written to the pending file is not whole: its folder or
    // the file removed, its disk full, or else a plain failure.
    QString failure() const;
    // The pending file's bytes, checked by the caller, become the target's;
    // false with the reason otherwise.
    bool commit(QString *reason);
    // Whether a failure left the target cut.
    bool cut() const { return m_cut; }

private:
    bool makeIn(const QString &folder, int *error);
    bool copyInto(int from, qint64 size, QString *reason);

    QString m_target;
    QString m_pending;
    bool m_existed = false;
    bool m_inPlace = false;
    bool m_cut = false;
    mode_t m_mode = 0;
    uid_t m_owner = 0;
    gid_t m_group = 0;
};
