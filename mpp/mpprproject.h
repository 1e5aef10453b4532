#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVector>

namespace mppr {

struct Task;
class Resource;
struct Assignment;

// The format-independent model of a Microsoft Project (MPP) file: the tasks,
// resources and assignments the generation readers fill, and the three
// strings of the file's CompObj stream. The project owns every record.
//
// Failures are result codes of read(); nothing throws and nothing is shown.
class Project
{
public:
    // Results of read(). The readers' own statuses pass through unchanged.
    enum ReadResult {
        Ok = 0,
        CannotOpen = 1,        // not a compound file, or cannot be opened
        PropsTooShort = 1,     // the reader's property stream is missing or shorter
                               // than its header
        NoVersionStorage = 3,  // none of "   114", "   112", "   19"
        MalformedBlocks = 5,   // a block stream is malformed
        NoUniqueIdField = 6,   // the file's task field map lacks the unique id
        LayoutNotKnown = 7     // the file's layout beyond this point is not known:
                               // the reader stopped without reading any record
    };

    // Bytes of the header that a generation's property stream begins with.
    static constexpr unsigned long long PropsHeaderSize = 28;

    // No date: 1983-12-31 00:00 UTC, also the day origin of the dates in MPP files.
    static const QDateTime NULL_DATE;

    explicit Project(const QString &fileName);
    virtual ~Project();

    Project(const Project &) = delete;
    Project &operator=(const Project &) = delete;

    // Reads the file into the model; a ReadResult or a reader status. Every
    // call starts from an empty model.
    int read();

    QString fileName() const { return m_fileName; }
    QString userType() const { return m_userType; }
    QString progId() const { return m_progId; }
    QString formatName() const { return m_formatName; }
    // The version storage the last read chose ("   114", "   112", "   19"),
    // empty when it found none.
    QString versionStorage() const { return m_versionStorage; }

    const QHash<quint32, Task *> &tasks() const { return m_tasks; }
    const QHash<quint32, Resource *> &resources() const { return m_resources; }
    const QVector<Assignment *> &assignments() const { return m_assignments; }
    Task *task(quint32 uniqueId) const { return m_tasks.value(uniqueId); }

    // Stores a heap copy of the task under its unique id; a task stored
    // before under the same id is deleted.
    void addTask(const Task &task);
    // Takes ownership; a resource stored before under the same id is deleted.
    void addResource(quint32 uniqueId, Resource *resource);
    // Takes ownership.
    void addAssignment(Assignment *assignment);

    // Deletes every record and forgets the CompObj strings.
    void clear();

private:
    QHash<quint32, Task *> m_tasks;         // Owned.
    QHash<quint32, Resource *> m_resources; // Owned.
    QString m_fileName;
    QString m_userType;
    QString m_progId;
    QString m_formatName;
    QVector<Assignment *> m_assignments;    // Owned.
    QString m_versionStorage;
};

} // namespace mppr
