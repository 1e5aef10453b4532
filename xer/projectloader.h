#pragma once

#include "icontainer.h"

#include <QJsonDocument>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QVariantList>

#include <memory>
#include <mutex>

class QAbstractItemModel;
class QThread;

namespace memoryroom {
class Growth;
}

// The loader interface: knows the table schema, builds the named item models
// of a project step by step and hands them out by name, reporting progress by
// signals. It owns every model registered with it.
//
// Named models: one per table ("TASK", "PROJWBS", "TASKPRED", "RSRC",
// "TASKRSRC", "ACTVTYPE", "ACTVCODE", "TASKACTV", "UDFTYPE", "UDFVALUE") and
// the derived "PredecessorModel", "ResourceModel", "CodeModel",
// "taskCodesAssignmentModel", "userDefinedAssignmentModel" and "ActivityModel".
class ProjectLoader : public QObject
{
    Q_OBJECT
public:
    explicit ProjectLoader(QObject *parent = nullptr);
    ~ProjectLoader() override;

    virtual bool setSchema(const QJsonDocument &schema);
    virtual bool organizeData();
    virtual void createPredecessorModel();
    virtual void createResourceModel();
    virtual void createCodesModel();
    virtual void createTaskCodesAssignmentModel();
    virtual void createUDFAssignmentModel();
    virtual void createActivityModel();
    virtual QString loaderName() const = 0;
    // Called just before the loader is deleted when its project is closed.
    virtual void closeProject() = 0;
    virtual QString emptyText1() const { return QString(); }
    virtual QString emptyText2() const { return QString(); }
    virtual QString emptyText3() const { return QString(); }
    virtual QString emptyText4() const { return QString(); }
    virtual bool hasModel(const QString &name) const;
    virtual QAbstractItemModel *model(const QString &name) const;
    // Replaces the name-to-model map; the models of the old map are kept alive.
    virtual void setModels(const QMap<QString, QAbstractItemModel *> &models);
    virtual QStringList modelNames() const;

    // Registers a model under its object name and owns it from the call on,
    // also when memory runs out registering it; a different model registered
    // under that name before is destroyed. Unnamed models are not registered.
    void addModel(QAbstractItemModel *model);

    QStringList fieldsFromScheme(const QString &table) const;
    QStringList captionsFromScheme(const QString &table) const;
    void createEmptyModel(const std::shared_ptr<IContainer> &container, const QString &table);
    QVariantList schemaColumns(const QString &table) const { return m_schema.value(table); }
    // The fields of a table the viewer reads: the keys its rows are joined
    // or grouped by, the columns the joins take, and those the shown
    // columns, the details pane, the resources page and the groupings read.
    // A table whose field list lacks one still loads, and the load says so.
    QStringList neededFields(const QString &table) const;
    // The needed fields of a table missing from its field names (lower case).
    QStringList missingFields(const QString &table, const QStringList &names) const;

    // What a load left out or changed, by table name.
    struct LoadNotes
    {
        QMap<QString, int> mismatchedRecords;     // records not matching their field list, or before it
        QMap<QString, int> linesNotUnderstood;    // lines in a table that are no lines of a table
        QMap<QString, int> linesNotUnderstoodAfter; // lines of no table, by the line before them that is no table line
        QMap<QString, int> unreadValues;          // cells left empty: text not readable
        QMap<QString, int> repeatedTables;        // tables met more than once: copies
        QMap<QString, int> otherFieldListCopies;  // copies left out: another field list
        QMap<QString, int> otherFieldListRecords; // the records of those copies
        QMap<QString, QStringList> missingFields; // fields a table needs that its field list lacks
        QMap<QString, QStringList> repeatedFields; // names a table's field list gives twice: the first read
        QMap<QString, int> repeatedIds;           // records with an id read before: left out
        QMap<QString, int> emptyRecords;          // records without a cell: left out
        QMap<QString, int> withoutIds;            // records of a table of ids without one read: left out
        QMap<QString, int> parentLoops;           // loops of parent ids, each cut at the link closing it
        int unknownWbs = 0;                       // activities under a WBS node not in the file, or none
        QMap<QString, QString> writtenOtherwise;  // tables read from a line written otherwise: the first such line
        QStringList fieldsWrittenOtherwise;       // tables whose field list's line is written otherwise
        int unreadLags = 0;                       // lags read as no lag
        bool cutShort = false;                    // the file ends before its end line
        bool linesAfterEnd = false;               // the file goes on after its end line
        bool endLineBeforeLines = false;          // or closes with one, but another stands before other lines
        bool nothingReadAfterEnd = false;         // and no record after it is kept
        bool noActivities = false;                // no activity read: the file holds none, or none could be read
        bool activitiesLost = false;              // activity records among lines of no table (linesNotUnderstoodAfter)
        bool isEmpty() const
        {
            return mismatchedRecords.isEmpty() && linesNotUnderstood.isEmpty() && linesNotUnderstoodAfter.isEmpty()
                   && unreadValues.isEmpty() && repeatedTables.isEmpty() && otherFieldListCopies.isEmpty()
                   && missingFields.isEmpty() && repeatedFields.isEmpty() && repeatedIds.isEmpty()
                   && emptyRecords.isEmpty() && withoutIds.isEmpty() && parentLoops.isEmpty() && unknownWbs == 0
                   && writtenOtherwise.isEmpty()
                   && fieldsWrittenOtherwise.isEmpty() && unreadLags == 0 && !cutShort && !linesAfterEnd
                   && !endLineBeforeLines && !noActivities;
        }
    };
    const LoadNotes &loadNotes() const { return m_notes; }
    // The notes as one line for the status bar; empty when there are none.
    QString loadReport() const;

    // Steps of the activity model that complete the "TASK" table itself.
    void addTaskTypes(QAbstractItemModel *taskModel);
    // The ids of the structure table's rows go into the table, or into
    // structureIds when given, for fillStructure() later.
    void addStartFinishDate(QAbstractItemModel *structureModel, QAbstractItemModel *taskModel,
                            QVector<QVariant> *structureIds = nullptr);
    void fillStructure(QAbstractItemModel *structureModel, const QVector<QVariant> &ids);
    void addPredecessors(QAbstractItemModel *predecessorModel, QAbstractItemModel *taskModel);

signals:
    void started();
    void progress(int percent, const QString &text);
    void finished();
    // A read that failed, with its result code (1 not an XER file, 2 cannot
    // open, 3 a line too long to read, 4 out of memory, 5 the file could not
    // be read to its end; xer::XERFile::ReadResult); finished() is not
    // emitted then.
    void failed(int result);

protected:
    LoadNotes m_notes;
    // While a read runs, the room it holds its steps against. Not owned.
    memoryroom::Growth *m_growth = nullptr;

    // Whether a step that takes that many bytes has its room: the address
    // space and what the machine has free (memoryroom::available), and
    // what is left of the read's room.
    bool roomFor(qint64 bytes) const;

    // Destroys every registered model and forgets them all.
    void removeModels();

    // Hands every registered model made on the calling thread to the target
    // thread, so that signals among them are delivered there once the
    // calling thread is done with them.
    void moveModelsToThread(QThread *target);

private:
    // The derived models may be built side by side, each registering itself
    // (a standard mutex: the thread sanitizer sees it).
    mutable std::mutex m_modelsMutex;
    QMap<QString, QAbstractItemModel *> m_models; // Owned.
    QList<QPointer<QAbstractItemModel>> m_order;  // Registration order, for teardown.
    QMap<QString, QVariantList> m_schema;
};
