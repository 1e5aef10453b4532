#include "projectloader.h"

#include "basecontainermodel.h"
#include "columnreader.h"
#include "fieldroles.h"
#include "memoryroom.h"
#include "modelhelpers.h"
#include "parallel.h"
#include "pivotmodel.h"
#include "threadhandoff.h"
#include "xerlogging.h"
#include "zjoinproxymodel.h"
#include "zvariant.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QThread>

#include <algorithm>
#include <iterator>
#include <map>
#include <new>
#include <numeric>

namespace {

// Long operations log their signature with " start" and, at the end, with
// " stop: " and the elapsed milliseconds.
class StepLog
{
public:
    explicit StepLog(const char *signature)
        : m_signature(QLatin1String(signature))
    {
        qCInfo(lcXer).noquote() << m_signature + QLatin1String(" start");
        m_timer.start();
    }
    void stop() const
    {
        qCInfo(lcXer).noquote() << QStringLiteral("%1 stop: %2").arg(m_signature).arg(m_timer.elapsed());
    }

private:
    QString m_signature;
    QElapsedTimer m_timer;
};

// The structure table under the activity model. Views ask the flags of its
// cells for every row they lay out; its items carry the standard flags
// unless one is given others, so the answer is given without looking the
// item up (a cache miss per row on a large project) until that happens.
class StructureTable : public QStandardItemModel
{
public:
    explicit StructureTable(QObject *parent)
        : QStandardItemModel(0, 3, parent)
    {
        // An item's flags are kept under this role; a change of unknown
        // roles may be one of them.
        connect(this, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex &, const QModelIndex &, const QVector<int> &roles) {
                    if (roles.isEmpty() || roles.contains(Qt::UserRole - 1))
                        m_ownFlags = true;
                });
        // Items placed with flags of their own.
        connect(this, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &parent, int first, int last) {
            for (int r = first; r <= last && !m_ownFlags; ++r) {
                for (int c = 0; c < columnCount(parent); ++c) {
                    const QStandardItem *item = itemFromIndex(index(r, c, parent));
                    if (item && item->flags() != standardFlags())
                        m_ownFlags = true;
                }
            }
        });
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        if (!index.isValid() || m_ownFlags)
            return QStandardItemModel::flags(index);
        return standardFlags();
    }

private:
    static Qt::ItemFlags standardFlags()
    {
        return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsDragEnabled
               | Qt::ItemIsDropEnabled;
    }
    bool m_ownFlags = false;
};

// Writes a text into every row of one column of a table model: straight into
// a container's column when the model shows one, else through setData().
class TextColumnWriter
{
public:
    TextColumnWriter(QAbstractItemModel *model, int column)
        : m_model(model)
        , m_column(column)
    {
        if (column < 0 || !model)
            return;
        if (auto *table = qobject_cast<BaseContainerModel *>(model)) {
            if (table->container())
                m_store = table->container()->column(column);
        }
        if (m_store)
            m_store->prepare(ColumnStore::Kind::String, model->rowCount());
    }
    void put(int row, QString &&text)
    {
        if (m_store)
            m_store->putString(row, std::move(text));
        else if (m_column >= 0)
            m_model->setData(m_model->index(row, m_column), text, Qt::DisplayRole);
    }
    void finish()
    {
        if (m_store)
            m_store->finish();
    }
    // True when rows go straight into the column; any number of threads
    // may then put distinct rows.
    bool isDirect() const { return m_store || m_column < 0; }

private:
    QAbstractItemModel *m_model;
    int m_column;
    ColumnStore *m_store = nullptr;
};

// Writes values into one column of a table model, straight into the
// container when the model shows one, else through setData().
class ColumnWriter
{
public:
    ColumnWriter(QAbstractItemModel *model, int column)
        : m_model(model)
        , m_column(column)
    {
        if (auto *table = qobject_cast<BaseContainerModel *>(model))
            m_container = table->container().get();
    }
    void write(const std::vector<QVariant> &values)
    {
        if (m_column < 0 || !m_model)
            return;
        for (size_t r = 0; r < values.size(); ++r) {
            if (m_container)
                m_container->setValue(int(r), m_column, values[r]);
            else
                m_model->setData(m_model->index(int(r), m_column), values[r], Qt::DisplayRole);
        }
    }

protected:
    QAbstractItemModel *m_model;
    int m_column;
    IContainer *m_container = nullptr;
};

// Writes local date-times into every row of one column of a table model:
// straight into the container's column, side by side, when the model shows
// one; any other value, or another model, goes cell by cell.
class DateColumnWriter : public ColumnWriter
{
public:
    DateColumnWriter(QAbstractItemModel *model, int column)
        : ColumnWriter(model, column)
    {
    }
    void write(const std::vector<QVariant> &values)
    {
        ColumnStore *store = m_container && m_column >= 0 ? m_container->column(m_column) : nullptr;
        const bool local = std::all_of(values.cbegin(), values.cend(), [](const QVariant &v) {
            return v.userType() == QMetaType::QDateTime
                   && (v.toDateTime().isNull() || v.toDateTime().timeSpec() == Qt::LocalTime);
        });
        // Cell by cell a value is shared with the column it came from; put
        // side by side, each distinct date-time is made anew, which pays
        // only on a large table.
        if (!store || !local || int(values.size()) != m_model->rowCount() || values.size() < 50000) {
            ColumnWriter::write(values);
            return;
        }
        const int rows = int(values.size());
        store->prepare(ColumnStore::Kind::DateTime, rows);
        parallelRuns(rows, runLength(rows, 4096, 16384), [&](int from, int to) {
            for (int r = from; r < to; ++r) {
                const QDateTime d = values[size_t(r)].toDateTime();
                store->putDateKey(r, ColumnStore::wallClockKey(d.date(), d.time()));
            }
        });
        store->finish();
    }
};

// The memory the relation texts of the activity table take while they are
// made: a relation's entry and its share of two texts (about 105 bytes
// measured), and a row's two texts, with a quarter to spare.
qint64 relationTextBytes(int relations, int activities)
{
    constexpr qint64 kPerRelation = 128;
    constexpr qint64 kPerActivity = 32;
    return qint64(qMax(0, relations)) * kPerRelation + qint64(qMax(0, activities)) * kPerActivity;
}

// The memory the structure table takes for a number of rows: an item, its
// private part and its data per row, and the table's row pointers (212
// bytes measured over 100,000 rows), with more than as much again to
// spare. The fixed part stays small, so a small project still opens when
// little memory is left.
qint64 structureTableBytes(int rows)
{
    constexpr qint64 kFixed = qint64(4) << 20;
    constexpr qint64 kPerRow = 512;
    return kFixed + qint64(qMax(0, rows)) * kPerRow;
}

// The memory the steps that complete the activity table keep in its
// columns (a type text, a start and a finish, and the structure's ids):
// 25 bytes a row measured on 100,000 activities, 72 on 4,236, 108 on 66,
// with more than as much again to spare.
qint64 stepColumnBytes(int activities)
{
    constexpr qint64 kPerActivity = 128;
    return qint64(qMax(0, activities)) * kPerActivity;
}

// Runs of the steps that complete the activity table: a few cheap cells per
// row, so a run is only worth handing out when it is long.
int stepRun(int rows)
{
    return runLength(rows, 4096, 16384);
}

QList<int> columnRange(int from, int to)
{
    QList<int> columns;
    for (int c = from; c < to; ++c)
        columns.append(c);
    return columns;
}

// Task id to the first "TASK" row holding it.
QHash<int, int> taskRows(const QAbstractItemModel *task, int taskIdColumn, QVector<QVariant> *ids)
{
    QHash<int, int> rows;
    const ColumnReader read(task, taskIdColumn);
    const int n = task->rowCount();
    rows.reserve(n);
    ids->resize(n);
    for (int r = 0; r < n; ++r) {
        // A row without a readable id joins nothing.
        const QVariant value = read.value(r);
        (*ids)[r] = value;
        if (!value.isValid())
            continue;
        const int id = value.toInt();
        if (!rows.contains(id))
            rows.insert(id, r);
    }
    return rows;
}

// A pivot with one row per "TASK" row: column 0 holds the task id, the
// given number of columns follows for the pivoted values.
std::unique_ptr<PivotModel> newPivot(const QAbstractItemModel *task, int valueColumns, QHash<int, int> *rowOfTask)
{
    auto pivot = std::make_unique<PivotModel>(task->rowCount(), valueColumns + 1);
    pivot->setHeaderData(0, Qt::Horizontal, QStringLiteral("task_id"));
    QVector<QVariant> ids;
    *rowOfTask = taskRows(task, columnIndex(task, QStringLiteral("task_id")), &ids);
    for (int r = 0; r < ids.size(); ++r) {
        if (ids.at(r).isValid())
            pivot->fillValue(r, 0, ids.at(r).toInt());
    }
    return pivot;
}

// Value of valueColumn in the first row whose keyColumn cell equals each key.
std::map<QVariant, QVariant, VariantLess> firstRowLookup(const QAbstractItemModel *model,
                                                         int keyColumn, int valueColumn)
{
    std::map<QVariant, QVariant, VariantLess> lookup;
    if (!model || keyColumn < 0)
        return lookup;
    const ColumnReader keys(model, keyColumn);
    const ColumnReader values(model, valueColumn);
    for (int r = 0; r < model->rowCount(); ++r) {
        const QVariant key = keys.value(r);
        if (!key.isValid())
            continue;
        lookup.emplace(key, valueColumn >= 0 ? values.value(r) : QVariant());
    }
    return lookup;
}

// The rows of a column grouped by value (keys in the variant order, rows
// ascending); empty cells are in no group.
std::map<QVariant, std::vector<int>, VariantLess> groupRows(const QAbstractItemModel *model, int column)
{
    std::map<QVariant, std::vector<int>, VariantLess> groups;
    const ColumnReader read(model, column);
    const int rows = model ? model->rowCount() : 0;
    // Consecutive rows mostly share their key: the last group is tried first.
    auto last = groups.end();
    for (int r = 0; r < rows; ++r) {
        const QVariant key = read.value(r);
        if (!key.isValid())
            continue;
        if (last == groups.end() || compareVariants(key, last->first) != 0) {
            last = groups.lower_bound(key);
            if (last == groups.end() || compareVariants(key, last->first) != 0)
                last = groups.emplace_hint(last, key, std::vector<int>());
        }
        last->second.push_back(r);
    }
    return groups;
}

QVariant lookupValue(const std::map<QVariant, QVariant, VariantLess> &lookup, const QVariant &key)
{
    const auto it = lookup.find(key);
    return it == lookup.end() ? QVariant() : it->second;
}

QVariantMap structureDescriptor(const QString &name)
{
    QVariantMap d;
    d.insert(QStringLiteral("group"), QStringLiteral("system"));
    d.insert(QStringLiteral("datatype"), QStringLiteral("integer"));
    d.insert(QStringLiteral("display"), name);
    d.insert(QStringLiteral("id"), name == QLatin1String("ID") ? QStringLiteral("id") : name);
    return d;
}

} // namespace

ProjectLoader::ProjectLoader(QObject *parent)
    : QObject(parent)
{
}

ProjectLoader::~ProjectLoader()
{
    removeModels();
}

bool ProjectLoader::roomFor(qint64 bytes) const
{
    return memoryroom::available(bytes) && (!m_growth || m_growth->holds(bytes));
}

void ProjectLoader::removeModels()
{
    // Runs when memory has run out too: nothing here allocates.
    QMap<QString, QAbstractItemModel *> models;
    QList<QPointer<QAbstractItemModel>> order;
    {
        const std::lock_guard<std::mutex> lock(m_modelsMutex);
        models.swap(m_models);
        order.swap(m_order);
    }
    const auto registered = [&models](const QAbstractItemModel *m) {
        return std::find(models.cbegin(), models.cend(), m) != models.cend();
    };
    const auto ordered = [&order](const QAbstractItemModel *m) {
        return std::find(order.cbegin(), order.cend(), m) != order.cend();
    };
    // Models handed over in a map of their own go first, each once: nothing
    // built here joins them.
    for (auto it = models.cbegin(); it != models.cend(); ++it) {
        if (*it && !ordered(*it) && std::find(models.cbegin(), it, *it) == it)
            delete *it;
    }
    // Derived models go before the tables they join, so no join ever points
    // at a table that is already gone. A model gone already reads as null.
    for (int i = order.size() - 1; i >= 0; --i) {
        QAbstractItemModel *m = order.at(i).data();
        if (m && registered(m))
            delete m;
    }
}

namespace {

// The columns the joins take of their tables, by schema position.
constexpr int PredecessorTaskColumns[] = {5, 6}; // Activity ID and Name
constexpr int ResourceColumns[] = {2, 3, 4};     // type, code and name
constexpr int CodeValueColumns[] = {3, 5};       // value and name
constexpr int CodeTypeColumns[] = {3, 4};        // the code's caption and scope
constexpr int WbsColumns[] = {2, 3};             // WBS code and name
constexpr int FieldValueColumns[] = {3, 4, 5};   // a field's date, text and number

template <size_t N>
QList<int> columnList(const int (&columns)[N])
{
    return QList<int>(std::begin(columns), std::end(columns));
}

// What the joins take, for the needed fields.
struct TakenColumns
{
    const char *table;
    const int *columns;
    size_t count;
};
constexpr TakenColumns Taken[] = {
    {"TASK", PredecessorTaskColumns, std::size(PredecessorTaskColumns)},
    {"RSRC", ResourceColumns, std::size(ResourceColumns)},
    {"ACTVCODE", CodeValueColumns, std::size(CodeValueColumns)},
    {"ACTVTYPE", CodeTypeColumns, std::size(CodeTypeColumns)},
    {"PROJWBS", WbsColumns, std::size(WbsColumns)},
    {"UDFVALUE", FieldValueColumns, std::size(FieldValueColumns)},
};

// What is read by name rather than joined: the keys, the fields the start
// and finish are chosen from (the early finish only mends a finish before
// its start), the columns shown by default, the relations' type and lag, the
// resources page's units, the code and field captions, the groupings'
// parents and the projects' ids.
struct ReadFields
{
    const char *table;
    const char *fields[15];
};
constexpr ReadFields Read[] = {
    {"PROJWBS", {"wbs_id", "wbs_short_name", "wbs_name", "parent_wbs_id", "proj_id"}},
    {"TASK",
     {"task_id", "wbs_id", "task_type", "task_code", "task_name", "status_code", "act_start_date", "act_end_date",
      "target_start_date", "target_end_date", "cstr_type", "cstr_date", "total_float_hr_cnt", "free_float_hr_cnt",
      "proj_id"}},
    {"TASKPRED", {"task_id", "pred_task_id", "pred_type", "lag_hr_cnt"}},
    {"RSRC", {"rsrc_id"}},
    {"TASKRSRC", {"task_id", "rsrc_id", "target_qty"}},
    {"ACTVTYPE", {"actv_code_type_id"}},
    {"ACTVCODE", {"actv_code_id", "actv_code_type_id", "parent_actv_code_id"}},
    {"TASKACTV", {"task_id", "actv_code_type_id", "actv_code_id"}},
    {"UDFTYPE", {"udf_type_id", "table_name", "udf_type_label"}},
    {"UDFVALUE", {"udf_type_id", "fk_id"}},
    {"VIEWPROP", {"view_id", "view_name", "data_pos"}},
};

} // namespace

QStringList ProjectLoader::neededFields(const QString &table) const
{
    QStringList fields;
    for (const ReadFields &read : Read) {
        if (table == QLatin1String(read.table)) {
            for (const char *field : read.fields) {
                if (field)
                    fields << QLatin1String(field);
            }
        }
    }
    const QVariantList columns = m_schema.value(table);
    // The activities and the resources page offer every column of these two
    // tables to show or group by, all but the system's and hidden ones; the
    // calculated ones are not read from the file.
    if (table == QLatin1String("TASK") || table == QLatin1String("TASKRSRC")) {
        for (const QVariant &c : columns) {
            const QVariantMap d = c.toMap();
            const QString group = d.value(QStringLiteral("group")).toString();
            if (d.value(QStringLiteral("calculated")).toBool() || group == QLatin1String("system")
                || group == QLatin1String("hidden"))
                continue;
            const QString id = d.value(QStringLiteral("id")).toString();
            if (!id.isEmpty() && !fields.contains(id))
                fields << id;
        }
    }
    for (const TakenColumns &taken : Taken) {
        if (table != QLatin1String(taken.table))
            continue;
        for (size_t c = 0; c < taken.count; ++c) {
            const QString id = columns.value(taken.columns[c]).toMap().value(QStringLiteral("id")).toString();
            if (!id.isEmpty() && !fields.contains(id))
                fields << id;
        }
    }
    return fields;
}

QStringList ProjectLoader::missingFields(const QString &table, const QStringList &names) const
{
    QStringList missing;
    for (const QString &field : neededFields(table)) {
        if (!names.contains(field))
            missing << field;
    }
    return missing;
}

QString ProjectLoader::loadReport() const
{
    if (m_notes.isEmpty())
        return QString();
    const auto list = [](const QMap<QString, int> &counts) {
        QStringList items;
        for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
            items << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
        return items.join(QStringLiteral(", "));
    };
    QStringList parts;
    if (!m_notes.writtenOtherwise.isEmpty()) {
        QStringList lines;
        for (const QString &line : m_notes.writtenOtherwise)
            lines << QStringLiteral("\"%1\"").arg(line);
        parts << tr("tables read from a line written otherwise: %1").arg(lines.join(QStringLiteral(", ")));
    }
    if (!m_notes.fieldsWrittenOtherwise.isEmpty())
        parts << tr("field lists read from a line written otherwise: %1")
                         .arg(m_notes.fieldsWrittenOtherwise.join(QStringLiteral(", ")));
    const auto fieldList = [](const QMap<QString, QStringList> &fields) {
        QStringList items;
        for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
            items << QStringLiteral("%1 (%2)").arg(it.key(), it.value().join(QStringLiteral(", ")));
        return items.join(QStringLiteral(", "));
    };
    if (!m_notes.missingFields.isEmpty())
        parts << tr("needed fields missing: %1").arg(fieldList(m_notes.missingFields));
    if (!m_notes.repeatedFields.isEmpty())
        parts << tr("fields named twice, the first read: %1").arg(fieldList(m_notes.repeatedFields));
    if (!m_notes.mismatchedRecords.isEmpty())
        parts << tr("records not matching their field list: %1").arg(list(m_notes.mismatchedRecords));
    if (!m_notes.repeatedIds.isEmpty())
        parts << tr("records with an id read before, left out: %1").arg(list(m_notes.repeatedIds));
    if (!m_notes.withoutIds.isEmpty())
        parts << tr("records without an id, left out: %1").arg(list(m_notes.withoutIds));
    if (!m_notes.emptyRecords.isEmpty())
        parts << tr("empty records, left out: %1").arg(list(m_notes.emptyRecords));
    if (!m_notes.linesNotUnderstood.isEmpty() || !m_notes.linesNotUnderstoodAfter.isEmpty()) {
        // Lines that belong to no table are said by the line before them.
        QStringList items;
        if (!m_notes.linesNotUnderstood.isEmpty())
            items << list(m_notes.linesNotUnderstood);
        for (auto it = m_notes.linesNotUnderstoodAfter.constBegin(); it != m_notes.linesNotUnderstoodAfter.constEnd(); ++it)
            items << QStringLiteral("\"%1\" %2").arg(it.key()).arg(it.value());
        parts << tr("lines not understood, left out: %1").arg(items.join(QStringLiteral(", ")));
    }
    if (!m_notes.unreadValues.isEmpty())
        parts << tr("values not read, left empty: %1").arg(list(m_notes.unreadValues));
    if (m_notes.unreadLags > 0)
        parts << tr("lags not read, taken as no lag: %1").arg(m_notes.unreadLags);
    if (!m_notes.parentLoops.isEmpty())
        parts << tr("parent loops, cut where the file closes them: %1").arg(list(m_notes.parentLoops));
    if (m_notes.unknownWbs > 0)
        parts << tr("activities under a WBS node not in the file: %1").arg(m_notes.unknownWbs);
    if (!m_notes.repeatedTables.isEmpty())
        parts << tr("tables repeated, copies: %1").arg(list(m_notes.repeatedTables));
    if (!m_notes.otherFieldListCopies.isEmpty())
        parts << tr("copies with another field list left out, records: %1")
                     .arg(list(m_notes.otherFieldListRecords));
    // The file cut short comes first: it explains the rest.
    QStringList report;
    if (m_notes.cutShort)
        report << tr("The file ends before its end line (%E): it may have been cut short.");
    if (m_notes.linesAfterEnd)
        report << (m_notes.nothingReadAfterEnd
                           ? tr("The file goes on after its end line (%E): the lines after it are left out.")
                           : tr("The file goes on after its end line (%E): the records after it are loaded too."));
    else if (m_notes.endLineBeforeLines)
        report << (m_notes.nothingReadAfterEnd
                           ? tr("An end line (%E) stands before other lines: the lines after it are left out.")
                           : tr("An end line (%E) stands before other lines: the records after it are loaded too."));
    if (m_notes.noActivities) {
        // Activity records left out for what they hold (no id that can be
        // read, another field list, a marker not understood such as "%r",
        // a table line lost) were in the file: the changes say why.
        const QString task = QStringLiteral("TASK");
        const bool leftOut = m_notes.withoutIds.value(task) > 0 || m_notes.mismatchedRecords.value(task) > 0
                             || m_notes.otherFieldListRecords.value(task) > 0
                             || m_notes.linesNotUnderstood.value(task) > 0 || m_notes.activitiesLost;
        report << (leftOut ? tr("None of the file's activities could be read.")
                           : tr("The file holds no activities."));
    }
    if (!parts.isEmpty())
        report << tr("Loaded with changes: %1").arg(parts.join(QStringLiteral("; ")));
    return report.join(QLatin1Char(' '));
}

bool ProjectLoader::setSchema(const QJsonDocument &schema)
{
    const QVariantMap document = schema.object().toVariantMap();
    if (!document.contains(QStringLiteral("tables")))
        return true;
    const QVariantList tables = document.value(QStringLiteral("tables")).toList();
    for (const QVariant &t : tables) {
        const QVariantMap table = t.toMap();
        m_schema.insert(table.value(QStringLiteral("name")).toString(),
                        table.value(QStringLiteral("columns")).toList());
    }
    return true;
}

bool ProjectLoader::organizeData()
{
    createPredecessorModel();
    createResourceModel();
    createCodesModel();
    createTaskCodesAssignmentModel();
    createUDFAssignmentModel();
    createActivityModel();
    return true;
}

bool ProjectLoader::hasModel(const QString &name) const
{
    const std::lock_guard<std::mutex> lock(m_modelsMutex);
    return m_models.contains(name);
}

QAbstractItemModel *ProjectLoader::model(const QString &name) const
{
    // Models built on a pool thread are taken here by the thread that shows
    // them.
    threadhandoff::acquire(this);
    const std::lock_guard<std::mutex> lock(m_modelsMutex);
    return m_models.value(name, nullptr);
}

void ProjectLoader::setModels(const QMap<QString, QAbstractItemModel *> &models)
{
    const std::lock_guard<std::mutex> lock(m_modelsMutex);
    m_models = models;
}

QStringList ProjectLoader::modelNames() const
{
    const std::lock_guard<std::mutex> lock(m_modelsMutex);
    return m_models.keys();
}

void ProjectLoader::addModel(QAbstractItemModel *model)
{
    if (!model) {
        qCDebug(lcXer) << "Null model";
        return;
    }
    const QString name = model->objectName();
    if (name.isEmpty())
        return;
    // Owned from here on: when memory runs out before it is registered, it
    // goes.
    std::unique_ptr<QAbstractItemModel> owned(model);
    const QPointer<QAbstractItemModel> tracked(model);
    const std::lock_guard<std::mutex> lock(m_modelsMutex);
    QAbstractItemModel *previous = m_models.value(name, nullptr);
    m_order.append(tracked);
    m_models.insert(name, model);
    owned.release();
    if (previous && previous != model) {
        // Still registered under another name? Then it stays.
        if (std::find(m_models.cbegin(), m_models.cend(), previous) == m_models.cend())
            delete previous;
    }
}

void ProjectLoader::moveModelsToThread(QThread *target)
{
    Q_ASSERT(target);
    if (!target)
        return;
    const std::lock_guard<std::mutex> lock(m_modelsMutex);
    for (QAbstractItemModel *m : qAsConst(m_models)) {
        // moveToThread must be called from the thread that owns the object;
        // children (the activity model's structure table) go along.
        if (m && !m->parent() && m->thread() == QThread::currentThread() && m->thread() != target)
            m->moveToThread(target);
    }
}

QStringList ProjectLoader::fieldsFromScheme(const QString &table) const
{
    QStringList ids;
    const QVariantList columns = m_schema.value(table);
    for (const QVariant &c : columns) {
        const QVariantMap d = c.toMap();
        if (d.contains(QStringLiteral("calculated")) && d.value(QStringLiteral("calculated")).toBool())
            continue;
        ids << d.value(QStringLiteral("id")).toString();
    }
    return ids;
}

QStringList ProjectLoader::captionsFromScheme(const QString &table) const
{
    QStringList captions;
    const QVariantList columns = m_schema.value(table);
    for (const QVariant &c : columns)
        captions << c.toMap().value(QStringLiteral("display")).toString();
    return captions;
}

void ProjectLoader::createEmptyModel(const std::shared_ptr<IContainer> &container,
                                     const QString &table)
{
    Q_ASSERT(container);
    if (!container)
        return;
    if (container->fieldCount() == 0)
        container->setFields(m_schema[table]);
    auto *model = new BaseContainerModel(this);
    model->setContainer(container);
    addModel(model);
}

void ProjectLoader::createPredecessorModel()
{
    StepLog log("virtual void ProjectLoader::createPredecessorModel()");
    auto proxy = std::make_unique<ZJoinProxyModel>();
    proxy->setSourceModel(model(QStringLiteral("TASKPRED")));
    QAbstractItemModel *task = model(QStringLiteral("TASK"));
    proxy->addModel(task, 0, columnList(PredecessorTaskColumns), 0); // successor
    proxy->addModel(task, 0, columnList(PredecessorTaskColumns), 1); // predecessor
    proxy->setObjectName(QStringLiteral("PredecessorModel"));
    addModel(proxy.release());
    log.stop();
}

void ProjectLoader::createResourceModel()
{
    StepLog log("virtual void ProjectLoader::createResourceModel()");
    auto proxy = std::make_unique<ZJoinProxyModel>();
    QAbstractItemModel *assignments = model(QStringLiteral("TASKRSRC"));
    proxy->setSourceModel(assignments);
    const int foreignKey = columnIndex(assignments, QStringLiteral("rsrc_id"));
    proxy->addModel(model(QStringLiteral("RSRC")), 0, columnList(ResourceColumns), foreignKey);
    proxy->setObjectName(QStringLiteral("ResourceModel"));
    qCDebug(lcXer).noquote() << QStringLiteral("ProjectLoader::createResourceModel ResModel row:%1 col:%2")
                                    .arg(proxy->rowCount())
                                    .arg(proxy->columnCount());
    addModel(proxy.release());
    log.stop();
}

void ProjectLoader::createCodesModel()
{
    StepLog log("virtual void ProjectLoader::createCodesModel()");
    auto proxy = std::make_unique<ZJoinProxyModel>();
    QAbstractItemModel *assignments = model(QStringLiteral("TASKACTV"));
    if (!assignments)
        qCDebug(lcXer) << "ProjectLoader::createCodesModel codesrcmodel is null";
    else
        proxy->setSourceModel(assignments);
    proxy->addModel(model(QStringLiteral("ACTVCODE")), 0, columnList(CodeValueColumns), 2);
    proxy->addModel(model(QStringLiteral("ACTVTYPE")), 0, columnList(CodeTypeColumns), 1);
    proxy->setObjectName(QStringLiteral("CodeModel"));
    addModel(proxy.release());
    log.stop();
}

void ProjectLoader::createTaskCodesAssignmentModel()
{
    QAbstractItemModel *task = model(QStringLiteral("TASK"));
    QAbstractItemModel *codes = model(QStringLiteral("ACTVCODE"));
    QAbstractItemModel *assignments = model(QStringLiteral("TASKACTV"));
    QAbstractItemModel *types = model(QStringLiteral("ACTVTYPE"));
    if (!task || !codes || !assignments || !types)
        return;
    StepLog log("virtual void ProjectLoader::createTaskCodesAssignmentModel()");

    const auto groups = groupRows(assignments, columnIndex(assignments, QStringLiteral("actv_code_type_id")));

    QHash<int, int> rowOfTask;
    std::unique_ptr<PivotModel> pivot = newPivot(task, int(groups.size()), &rowOfTask);
    pivot->blockSignals(true);

    // Hashed and ordered lookups instead of a search per assignment row.
    const auto typeCaptions = firstRowLookup(types, 0, 3);
    const auto codeNames = firstRowLookup(codes, 0, columnIndex(codes, QStringLiteral("Code Name")));
    QHash<int, QString> nameOfCode;
    const ColumnReader readCode(assignments, 2);
    const ColumnReader readTask(assignments, 0);

    int column = 1;
    for (const auto &entry : groups) {
        const int typeId = entry.first.toInt();
        const QString caption = lookupValue(typeCaptions, typeId).toString();
        pivot->setHeaderData(column, Qt::Horizontal, caption, Qt::DisplayRole);
        pivot->setHeaderData(column, Qt::Horizontal, QStringLiteral("Activity Codes"), FieldGroupRole);
        // Rows in file order, so the last assignment of a type wins.
        for (int row : entry.second) {
            // An assignment whose ids cannot be read joins nothing.
            const QVariant code = readCode.value(row);
            const QVariant taskId = readTask.value(row);
            if (!code.isValid() || !taskId.isValid())
                continue;
            const int codeId = code.toInt();
            const auto it = rowOfTask.constFind(taskId.toInt());
            if (it == rowOfTask.constEnd())
                continue;
            auto name = nameOfCode.constFind(codeId);
            if (name == nameOfCode.constEnd())
                name = nameOfCode.insert(codeId, lookupValue(codeNames, codeId).toString());
            pivot->fill(it.value(), column, name.value(), codeId);
        }
        QVariantMap descriptor;
        descriptor.insert(QStringLiteral("id"), 117);
        descriptor.insert(QStringLiteral("display"), caption);
        descriptor.insert(QStringLiteral("group"), caption);
        descriptor.insert(QStringLiteral("datatype"), QStringLiteral("string"));
        descriptor.insert(QStringLiteral("structure"), false);
        pivot->setHeaderData(column, Qt::Horizontal, descriptor, FieldDescriptorRole);
        ++column;
    }
    pivot->setObjectName(QStringLiteral("taskCodesAssignmentModel"));
    pivot->blockSignals(false);
    addModel(pivot.release());
    log.stop();
}

void ProjectLoader::createUDFAssignmentModel()
{
    StepLog log("virtual void ProjectLoader::createUDFAssignmentModel()");
    QAbstractItemModel *task = model(QStringLiteral("TASK"));
    QAbstractItemModel *types = model(QStringLiteral("UDFTYPE"));
    QAbstractItemModel *values = model(QStringLiteral("UDFVALUE"));
    if (!task || !types || !values)
        return;

    const auto groups = groupRows(values, 0);

    // Only fields of the activity table become columns: a value of a WBS,
    // resource or project field never lands on an activity sharing its id.
    const auto typeTables = firstRowLookup(types, 0, 1);
    const auto typeLabels = firstRowLookup(types, 0, columnIndex(types, QStringLiteral("Label")));
    std::vector<decltype(groups)::const_iterator> taskTypes;
    for (auto entry = groups.cbegin(); entry != groups.cend(); ++entry) {
        if (lookupValue(typeTables, entry->first.toInt()).toString() == QLatin1String("TASK"))
            taskTypes.push_back(entry);
    }

    QHash<int, int> rowOfTask;
    std::unique_ptr<PivotModel> pivot = newPivot(task, int(taskTypes.size()), &rowOfTask);
    const ColumnReader readForeignKey(values, 1);
    const ColumnReader readValues[] = {ColumnReader(values, FieldValueColumns[0]),
                                       ColumnReader(values, FieldValueColumns[1]),
                                       ColumnReader(values, FieldValueColumns[2])};

    int column = 1;
    for (const auto &entry : taskTypes) {
        const int typeId = entry->first.toInt();
        pivot->setHeaderData(column, Qt::Horizontal, lookupValue(typeLabels, typeId).toString(),
                             Qt::DisplayRole);
        pivot->setHeaderData(column, Qt::Horizontal, QStringLiteral("User Defined"), FieldGroupRole);
        for (int row : entry->second) {
            const QVariant fk = readForeignKey.value(row);
            if (!fk.isValid())
                continue;
            const auto it = rowOfTask.constFind(fk.toInt());
            if (it == rowOfTask.constEnd())
                continue;
            QVariant value = readValues[0].value(row);
            if (value.isNull())
                value = readValues[1].value(row);
            if (value.isNull())
                value = readValues[2].value(row);
            pivot->fill(it.value(), column, value, typeId);
        }
        ++column;
    }
    pivot->setObjectName(QStringLiteral("userDefinedAssignmentModel"));
    addModel(pivot.release());
    log.stop();
}

void ProjectLoader::createActivityModel()
{
    StepLog log("virtual void ProjectLoader::createActivityModel()");
    QAbstractItemModel *task = model(QStringLiteral("TASK"));
    if (!task)
        return;

    auto proxy = std::make_unique<ZJoinProxyModel>();
    // The structure table belongs to the activity model that shows it. It
    // joins it once made: Qt's GUI library is built without exceptions, so
    // a table that ran out of memory half-way would stay among the parent's
    // children when its memory went.
    auto table = std::make_unique<StructureTable>(nullptr);
    table->setParent(proxy.get());
    StructureTable *const structure = table.release();
    const QStringList names = {QStringLiteral("ID"), QStringLiteral("parentID"), QStringLiteral("Group")};
    for (int c = 0; c < names.size(); ++c) {
        structure->setHeaderData(c, Qt::Horizontal, names.at(c), Qt::DisplayRole);
        structure->setHeaderData(c, Qt::Horizontal, QStringLiteral("system"), FieldGroupRole);
        structure->setHeaderData(c, Qt::Horizontal, structureDescriptor(names.at(c)), FieldDescriptorRole);
    }

    const auto joinTables = [&] {
        proxy->blockSignals(true);
        proxy->setSourceModel(structure);
        proxy->addModel(task, 0, 0);
        if (QAbstractItemModel *wbs = model(QStringLiteral("PROJWBS")))
            proxy->addModel(wbs, 0, columnList(WbsColumns), 5);
        if (QAbstractItemModel *resources = model(QStringLiteral("TASKRSRC")))
            proxy->addModel(resources, 0, 0);
        if (QAbstractItemModel *codes = model(QStringLiteral("taskCodesAssignmentModel")))
            proxy->addModel(codes, 0, columnRange(1, codes->columnCount()), 0);
        if (QAbstractItemModel *udf = model(QStringLiteral("userDefinedAssignmentModel")))
            proxy->addModel(udf, 0, columnRange(1, udf->columnCount()), 0);
    };
    QAbstractItemModel *relations = model(QStringLiteral("PredecessorModel"));
    if (qobject_cast<BaseContainerModel *>(task)) {
        // The relation texts go into columns of their own that nothing else
        // here reads or writes: they are made beside the other steps, which
        // run on another thread meanwhile and touch none of this thread's
        // objects but the new model.
        // The structure table's items are made while the texts are made
        // on a worker: the room for both is asked for before either
        // begins, so what the texts take cannot leave the items
        // (made inside Qt, which cannot unwind) without the room checked.
        const int activities = task->rowCount();
        // The steps before the table take their columns out of that room
        // while the texts are made: they are counted in it.
        const qint64 room = structureTableBytes(activities) + stepColumnBytes(activities)
                            + relationTextBytes(relations ? relations->rowCount() : 0, activities);
        if (!roomFor(room))
            throw std::bad_alloc();
        parallel::Task texts = parallel::start([&] { addPredecessors(relations, task); });
        try {
            addTaskTypes(task);
            QVector<QVariant> structureIds;
            addStartFinishDate(structure, task, &structureIds);
            {
                // Nothing watches the new table yet.
                const QSignalBlocker quiet(structure);
                fillStructure(structure, structureIds);
            }
            joinTables();
        } catch (const std::bad_alloc &) {
            // The texts use this frame: they end before it goes.
            try {
                texts.wait();
            } catch (const std::bad_alloc &) {
            }
            throw;
        }
        texts.wait();
    } else {
        addTaskTypes(task);
        addStartFinishDate(structure, task);
        addPredecessors(relations, task);
        joinTables();
    }
    proxy->setObjectName(QStringLiteral("ActivityModel"));
    addModel(proxy.release());
    log.stop();
}

void ProjectLoader::addTaskTypes(QAbstractItemModel *taskModel)
{
    Q_ASSERT(taskModel);
    if (!taskModel)
        return;
    const int column = columnIndex(taskModel, QStringLiteral("Activity Type"));
    if (column < 0)
        return;
    const QString milestone = QStringLiteral("Milestone");
    const QString taskText = QStringLiteral("Task");
    const QString effort = QStringLiteral("Level of Effort");
    const QString resource = QStringLiteral("Resource Dependent");
    const QString summary = QStringLiteral("WBS Summary");
    const auto textOf = [&](const QString &code) -> QString {
        if (code.contains(QLatin1String("Mile")))
            return milestone;
        if (code.contains(QLatin1String("Task")))
            return taskText;
        if (code.contains(QLatin1String("LOE")))
            return effort;
        if (code == QLatin1String("TT_Rsrc"))
            return resource;
        if (code == QLatin1String("TT_WBS"))
            return summary;
        if (code.startsWith(QLatin1String("TT_")))
            return code.mid(3);
        return code;
    };
    // The codes are read before the column is written over.
    const int rows = taskModel->rowCount();
    const ColumnReader codes(taskModel, column);
    std::vector<QString> texts(size_t(qMax(0, rows)));
    const auto translate = [&](int from, int to) {
        for (int r = from; r < to; ++r)
            texts[size_t(r)] = textOf(codes.value(r).toString());
    };
    if (codes.isDirect())
        parallelRuns(rows, stepRun(rows), translate);
    else
        translate(0, rows);
    TextColumnWriter writer(taskModel, column);
    const auto write = [&](int from, int to) {
        for (int r = from; r < to; ++r)
            writer.put(r, std::move(texts[size_t(r)]));
    };
    if (writer.isDirect())
        parallelRuns(rows, stepRun(rows), write);
    else
        write(0, rows);
    writer.finish();
}

void ProjectLoader::addStartFinishDate(QAbstractItemModel *structureModel,
                                       QAbstractItemModel *taskModel, QVector<QVariant> *structureIds)
{
    Q_ASSERT(structureModel && taskModel);
    if (!structureModel || !taskModel)
        return;
    const int cstrDate = columnIndex(taskModel, QStringLiteral("Activity Constraint Date"));
    const int actStart = columnIndex(taskModel, QStringLiteral("Actual Start"));
    const int actFinish = columnIndex(taskModel, QStringLiteral("Actual Finish"));
    const int cstrType = columnIndex(taskModel, QStringLiteral("Activity constraint type"));
    const int planStart = columnIndex(taskModel, QStringLiteral("Planned start date"));
    const int planFinish = columnIndex(taskModel, QStringLiteral("Planned finish date"));
    const int status = columnIndex(taskModel, QStringLiteral("Activity status"));
    const int start = columnIndex(taskModel, QStringLiteral("Start Date"));
    const int finish = columnIndex(taskModel, QStringLiteral("Finish Date"));
    const int earlyFinish = columnIndex(taskModel, QStringLiteral("Early finish date"));

    // A caption that names no column reads as empty; writes to it are dropped.
    const ColumnReader readCstrDate(taskModel, cstrDate);
    const ColumnReader readActStart(taskModel, actStart);
    const ColumnReader readActFinish(taskModel, actFinish);
    const ColumnReader readCstrType(taskModel, cstrType);
    const ColumnReader readPlanStart(taskModel, planStart);
    const ColumnReader readPlanFinish(taskModel, planFinish);
    const ColumnReader readStatus(taskModel, status);
    const ColumnReader readEarlyFinish(taskModel, earlyFinish);
    const ColumnReader readIds(taskModel, 0);
    const ColumnReader *const readers[] = {&readCstrDate, &readActStart,   &readActFinish,
                                           &readCstrType, &readPlanStart,  &readPlanFinish,
                                           &readStatus,   &readEarlyFinish, &readIds};

    const int rows = taskModel->rowCount();
    QVector<QVariant> ids(rows);
    std::vector<QVariant> starts(size_t(qMax(0, rows)));
    std::vector<QVariant> finishes(size_t(qMax(0, rows)));
    const auto choose = [&](int from, int to) {
        for (int r = from; r < to; ++r) {
            const QString state = readStatus.value(r).toString();
            const QString constraint = readCstrType.value(r).toString();
            const bool startConstraint = constraint == QLatin1String("CS_MANDSTART")
                                         || constraint == QLatin1String("CS_MSO")
                                         || constraint == QLatin1String("CS_MSOB");
            const bool finishConstraint = constraint == QLatin1String("CS_MANDFIN")
                                          || constraint == QLatin1String("CS_MEO")
                                          || constraint == QLatin1String("CS_MEOB");
            const ColumnReader *startColumn;
            const ColumnReader *finishColumn;
            if (state == QLatin1String("TK_Complete")) {
                startColumn = &readActStart;
                finishColumn = &readActFinish;
            } else if (state == QLatin1String("TK_Active")) {
                startColumn = &readActStart;
                finishColumn = finishConstraint ? &readCstrDate : &readPlanFinish;
            } else {
                startColumn = startConstraint ? &readCstrDate : &readPlanStart;
                finishColumn = finishConstraint ? &readCstrDate : &readPlanFinish;
            }
            const QDateTime startDate = startColumn->value(r).toDateTime();
            QDateTime finishDate = finishColumn->value(r).toDateTime();
            // An activity that started after its planned finish, or whose
            // constraint lies before its start, would finish before it starts;
            // P6 shows its early finish then, or the start itself when that is
            // missing or lies before it too. Unknown dates stay unknown.
            if (startDate.isValid() && finishDate.isValid() && finishDate < startDate) {
                const QDateTime early = readEarlyFinish.value(r).toDateTime();
                finishDate = early.isValid() && early >= startDate ? early : startDate;
            }
            starts[size_t(r)] = QVariant(startDate);
            finishes[size_t(r)] = QVariant(finishDate);
            const QVariant id = readIds.value(r);
            ids[r] = id.isValid() ? QVariant(id.toInt()) : QVariant();
        }
    };
    // Columns read straight from the table are read side by side.
    if (std::all_of(std::begin(readers), std::end(readers), [](const ColumnReader *c) { return c->isDirect(); }))
        parallelRuns(rows, stepRun(rows), choose);
    else
        choose(0, rows);
    DateColumnWriter(taskModel, start).write(starts);
    DateColumnWriter(taskModel, finish).write(finishes);

    // The structure rows list the activities by ascending task id (a stable
    // order, so equal ids keep the file's order).
    QVector<int> order(rows);
    std::iota(order.begin(), order.end(), 0);
    // Ids are integers except in broken files; integers alone sort as plain
    // numbers, which is the variant order among them.
    const bool allIntegers = std::all_of(ids.cbegin(), ids.cend(), [](const QVariant &id) {
        return id.userType() == QMetaType::Int;
    });
    if (allIntegers) {
        QVector<int> keys(rows);
        for (int r = 0; r < rows; ++r)
            keys[r] = ids.at(r).toInt();
        std::stable_sort(order.begin(), order.end(),
                         [&keys](int a, int b) { return keys.at(a) < keys.at(b); });
    } else {
        std::stable_sort(order.begin(), order.end(),
                         [&ids](int a, int b) { return compareVariants(ids.at(a), ids.at(b)) < 0; });
    }
    QVector<QVariant> sorted(rows);
    for (int r = 0; r < rows; ++r)
        sorted[r] = ids.at(order.at(r));
    if (structureIds)
        *structureIds = std::move(sorted);
    else
        fillStructure(structureModel, sorted);
}

void ProjectLoader::fillStructure(QAbstractItemModel *structureModel, const QVector<QVariant> &ids)
{
    Q_ASSERT(structureModel);
    if (!structureModel)
        return;
    const int rows = ids.size();
    auto *standard = qobject_cast<QStandardItemModel *>(structureModel);
    if (standard && standard->rowCount() == 0) {
        // Qt's GUI library cannot unwind memory running out inside it: the
        // table's room is asked for first, and without it the load fails as
        // one that ran out of memory.
        if (!roomFor(structureTableBytes(rows)))
            throw std::bad_alloc();
        // Filled from another thread than its own, the table would queue an
        // event per item back to its thread (its item-changed relay); a
        // table built there has no one watching it yet.
        const QSignalBlocker quiet(standard->thread() != QThread::currentThread() ? standard : nullptr);
        standard->setRowCount(rows);
        // The items are made side by side (they belong to no model yet) and
        // then placed. Under an address-space limit every thread takes its
        // blocks from the one heap whose room was asked for.
        std::vector<std::unique_ptr<QStandardItem>> items(size_t(qMax(0, rows)));
        parallelRuns(rows, stepRun(rows), [&](int from, int to) {
            for (int r = from; r < to; ++r) {
                items[size_t(r)] = std::make_unique<QStandardItem>();
                items[size_t(r)]->setData(ids.at(r), Qt::DisplayRole);
            }
        });
        // The table owns an item as soon as it takes it.
        for (int r = 0; r < rows; ++r)
            standard->setItem(r, 0, items[size_t(r)].release());
        return;
    }
    if (structureModel->rowCount() < rows)
        structureModel->insertRows(structureModel->rowCount(), rows - structureModel->rowCount());
    for (int r = 0; r < rows; ++r)
        structureModel->setData(structureModel->index(r, 0), ids.at(r), Qt::DisplayRole);
}

void ProjectLoader::addPredecessors(QAbstractItemModel *predecessorModel,
                                    QAbstractItemModel *taskModel)
{
    Q_ASSERT(taskModel);
    if (!taskModel)
        return;
    // Built once here and kept on the relation model: the activities pane
    // numbers its predecessor rows from the same list.
    int unreadLags = 0;
    QVector<RelationEntry> relations;
    if (predecessorModel) {
        const QAbstractItemModel *m = predecessorModel;
        const ColumnReader taskIds(m, columnIndex(m, QStringLiteral("task_id")));
        const ColumnReader predecessorIds(m, m->columnCount() - 2);
        const ColumnReader types(m, columnIndex(m, QStringLiteral("Type")));
        const ColumnReader lags(m, columnIndex(m, QStringLiteral("Lag")));
        const auto read = [&](int r, int *taskId, QString *predecessor, QString *type, QVariant *lag) {
            const QVariant task = taskIds.value(r);
            if (!task.isValid())
                return false;
            *taskId = task.toInt();
            *predecessor = predecessorIds.value(r).toString();
            *type = types.value(r).toString();
            *lag = lags.value(r);
            return true;
        };
        // Columns read straight from their tables may be read side by side.
        const bool direct = taskIds.container() && predecessorIds.container() && types.container()
                            && lags.container();
        relations = predecessorList(m->rowCount(), read, &unreadLags, direct);
    }
    m_notes.unreadLags += unreadLags;
    keepPredecessorList(predecessorModel, relations);
    // Task id -> its entries [first, second), each run in predecessor ID order.
    QHash<int, QPair<int, int>> runs;
    runs.reserve(relations.size());
    for (int i = 0; i < relations.size();) {
        const int taskId = relations.at(i).taskId;
        const int first = i;
        while (i < relations.size() && relations.at(i).taskId == taskId)
            ++i;
        runs.insert(taskId, qMakePair(first, i));
    }
    const int rows = taskModel->rowCount();
    const ColumnReader taskIds(taskModel, 0);
    TextColumnWriter predecessors(taskModel, columnIndex(taskModel, QStringLiteral("Predecessors")));
    TextColumnWriter details(taskModel, columnIndex(taskModel, QStringLiteral("Predecessors Details")));
    const auto write = [&](int from, int to) {
        const QLatin1String separator(", ");
        QString ids;
        QString texts;
        for (int r = from; r < to; ++r) {
            // An activity without a readable id has no relations.
            const QVariant id = taskIds.value(r);
            ids.clear();
            texts.clear();
            const auto it = id.isValid() ? runs.constFind(id.toInt()) : runs.constEnd();
            if (it != runs.constEnd()) {
                for (int e = it->first; e < it->second; ++e) {
                    const RelationEntry &entry = relations.at(e);
                    // A predecessor related twice (FS and FF) is one
                    // predecessor: its entries lie side by side.
                    if (e == it->first || relations.at(e - 1).predecessor != entry.predecessor) {
                        if (e != it->first)
                            ids += separator;
                        ids += entry.predecessor;
                    }
                    if (e != it->first)
                        texts += separator;
                    texts += entry.predecessor;
                    texts += QLatin1Char(':');
                    texts += entry.text;
                }
            }
            predecessors.put(r, QString(ids));
            details.put(r, QString(texts));
        }
    };
    // Rows of the table's own columns are written side by side.
    if (taskIds.container() && predecessors.isDirect() && details.isDirect())
        parallelRuns(rows, stepRun(rows), write);
    else
        write(0, rows);
    predecessors.finish();
    details.finish();
}
