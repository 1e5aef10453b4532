#include "xerloader.h"

#include "actvcodecontainer.h"
#include "actvtypecontainer.h"
#include "basecontainermodel.h"
#include "resourcecontainer.h"
#include "modelhelpers.h"
#include "taskacvtcontainer.h"
#include "taskcontainer.h"
#include "taskpredcontainer.h"
#include "taskrsrccontainer.h"
#include "udftypecontainer.h"
#include "udfvaluecontainer.h"
#include "wbscontainer.h"
#include "xerfield.h"
#include "xerfile.h"
#include "xerlogging.h"
#include "xerrecord.h"
#include "xertable.h"

#include "memoryroom.h"
#include "parallel.h"
#include "readheappadding.h"
#include "threadhandoff.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QScopeGuard>
#include <QSet>
#include <QStringListModel>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstring>
#include <new>
#include <mutex>
#include <numeric>

namespace {

// What a load meets of Qt for the first time is made before any load, where
// running out of memory is a failed start (std::bad_alloc) and not a crash
// inside Qt, which cannot unwind half of its own making.
void prepareLoads()
{
    // Qt's pool makes a thread for a read when none of its own is free, and
    // when that thread cannot start, the read is never run and nothing says
    // so: the room for its stack is asked for first. The pool's own thread,
    // kept once made, is free when the pool runs nothing.
    static std::atomic<bool> poolThreadMade{false};
    if ((!poolThreadMade.load() || QThreadPool::globalInstance()->activeThreadCount() > 0)
        && !memoryroom::available(2 * memoryroom::threadStackBytes()))
        throw std::bad_alloc();
    // The read's threads, the pool's and the workers, share one heap under
    // an address-space limit, so the room checks of the read see what its
    // blocks can take.
    memoryroom::shareHeapUnderLimit();
    // Once per process; a making that ran out of memory is tried again by
    // the next loader.
    static std::once_flag prepared;
    std::call_once(prepared, [] {
        // The threads below make their heaps at their first blocks: made
        // while the read's wider step is set, a heap is made that wide at
        // once, and a read's blocks do not grow it a page, one system call,
        // at a time.
        const ReadHeapPadding padding;
        // The default role names, made at an item model's first roleNames().
        QStringListModel().roleNames();
        // The pool's thread is kept once made (Qt ends it after 30 s idle and
        // makes it again at a later read), and made now, before the workers
        // below take their share of the address space.
        QThreadPool *pool = QThreadPool::globalInstance();
        pool->setExpiryTimeout(-1);
        pool->start([] {});
        poolThreadMade.store(true);
        // The workers that share the reading, each with its Qt thread data.
        parallel::prepare();
        // The first read finds the pool's thread waiting, rather than have
        // the pool make another beside it still ending this job; a pool kept
        // busy by others is not waited for long.
        const QDeadlineTimer idle(1000);
        while (pool->activeThreadCount() > 0 && !idle.hasExpired())
            QThread::msleep(1);
    });
}

enum class CellType { Integer, Double, String, DateTime, Other };

CellType cellType(const QVariant &datatype)
{
    const QString t = datatype.toString();
    if (t == QLatin1String("integer"))
        return CellType::Integer;
    if (t == QLatin1String("double"))
        return CellType::Double;
    if (t == QLatin1String("string"))
        return CellType::String;
    if (t == QLatin1String("datetime"))
        return CellType::DateTime;
    return CellType::Other;
}

ColumnStore::Kind kindOf(CellType type)
{
    switch (type) {
    case CellType::Integer:
        return ColumnStore::Kind::Int;
    case CellType::Double:
        return ColumnStore::Kind::Double;
    case CellType::String:
        return ColumnStore::Kind::String;
    case CellType::DateTime:
        return ColumnStore::Kind::DateTime;
    case CellType::Other:
        break;
    }
    return ColumnStore::Kind::Empty;
}

inline bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isAscii(const char *begin, const char *end)
{
    uchar high = 0;
    for (const char *p = begin; p < end; ++p)
        high |= uchar(*p);
    return high < 0x80;
}

// "-?[0-9]+(.[0-9]+)?": the numbers exports write, read here directly; any
// other text takes the general conversion.
bool isPlainDecimal(const char *begin, const char *end, bool allowPoint)
{
    const char *p = begin;
    if (p < end && *p == '-')
        ++p;
    const char *digits = p;
    while (p < end && isDigit(*p))
        ++p;
    if (p == digits)
        return false;
    if (p < end && allowPoint && *p == '.') {
        const char *fraction = ++p;
        while (p < end && isDigit(*p))
            ++p;
        if (p == fraction)
            return false;
    }
    return p == end;
}

// Converts the bytes of one field into a column by the column's data type;
// an empty field stays an empty cell. A number that cannot be read (a link
// such as "7.5" or "3000000000" in an integer column) stays an empty cell
// too, so it joins nothing, and counts as unread; a date-time that is not
// valid is counted when the column is finished.
class FieldConverter
{
public:
    explicit FieldConverter(const xer::XERFile &reader)
        : m_reader(reader)
    {
    }

    // False when the text could not be read.
    bool put(ColumnStore *column, int row, CellType type, const char *begin, const char *end) const
    {
        switch (type) {
        case CellType::Integer: {
            qint32 v = 0;
            if (!readInt(begin, end, &v))
                return false;
            column->putInt(row, v);
            return true;
        }
        case CellType::Double: {
            double v = 0;
            if (end - begin <= 64 && isPlainDecimal(begin, end, true)) {
                // Correctly rounded, as the general conversion is.
                const auto result = std::from_chars(begin, end, v);
                if (result.ec == std::errc() && result.ptr == end) {
                    column->putDouble(row, v);
                    return true;
                }
            }
            bool ok = false;
            v = m_reader.decode(begin, end).toDouble(&ok);
            if (ok)
                column->putDouble(row, v);
            return ok;
        }
        case CellType::String:
            column->putString(row, text(begin, end));
            return true;
        case CellType::DateTime:
            column->putDateKey(row, dateKey(begin, end));
            return true;
        case CellType::Other:
            break;
        }
        return true;
    }

    // An integer cell's value; false when the text is none.
    bool readInt(const char *begin, const char *end, qint32 *value) const
    {
        // Up to nine digits cannot overflow.
        if (end - begin <= 9 && isPlainDecimal(begin, end, false)) {
            const char *p = begin;
            const bool negative = *p == '-';
            if (negative)
                ++p;
            qint32 v = 0;
            for (; p < end; ++p)
                v = v * 10 + (*p - '0');
            *value = negative ? -v : v;
            return true;
        }
        bool ok = false;
        const int v = m_reader.decode(begin, end).toInt(&ok, 10);
        if (ok)
            *value = v;
        return ok;
    }

    QString text(const char *begin, const char *end) const
    {
        return isAscii(begin, end) ? QString::fromLatin1(begin, int(end - begin)) : m_reader.decode(begin, end);
    }

private:
    // Date-times of the form "yyyy-MM-dd HH:mm" are read from their digits;
    // others as the format parser reads them. Out-of-range parts give a
    // null date-time, as the format parser does.
    quint64 dateKey(const char *b, const char *e) const
    {
        if (e - b == 16 && b[4] == '-' && b[7] == '-' && b[10] == ' ' && b[13] == ':') {
            static const int positions[] = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15};
            bool digits = true;
            for (int p : positions)
                digits = digits && isDigit(b[p]);
            if (digits) {
                const auto number = [b](int at, int count) {
                    int v = 0;
                    for (int i = 0; i < count; ++i)
                        v = v * 10 + (b[at + i] - '0');
                    return v;
                };
                const QDate date(number(0, 4), number(5, 2), number(8, 2));
                const QTime time(number(11, 2), number(14, 2));
                return date.isValid() && time.isValid() ? ColumnStore::wallClockKey(date, time)
                                                        : ColumnStore::NullDateKey;
            }
        }
        const QDateTime dateTime = QDateTime::fromString(m_reader.decode(b, e),
                                                         QStringLiteral("yyyy-MM-dd HH:mm"));
        return dateTime.isNull() ? ColumnStore::NullDateKey
                                 : ColumnStore::wallClockKey(dateTime.date(), dateTime.time());
    }

    const xer::XERFile &m_reader;
};

// The last few distinct texts of one column: most text columns of an export
// hold a handful of codes ("TK_Active", "CS_MSO", "Y"), and a row then shares
// the text of an earlier one instead of holding a copy. A column whose texts
// rarely repeat stops looking after a while.
class RecentTexts
{
public:
    QString text(const FieldConverter &converter, const char *begin, const char *end)
    {
        const int size = int(end - begin);
        if (m_looking) {
            const QLatin1String bytes(begin, size);
            for (const QString &known : m_known) {
                if (known.size() == size && known == bytes && isAscii(begin, end)) {
                    ++m_hits;
                    return known;
                }
            }
        }
        QString text = converter.text(begin, end);
        if (m_looking) {
            m_known[m_next] = text;
            m_next = (m_next + 1) % Slots;
            // Fewer than one repeat in two after a while: the column holds
            // names or ids, not codes.
            if (++m_misses == 64 && m_hits < 64)
                m_looking = false;
        }
        return text;
    }

private:
    static constexpr int Slots = 8;
    QString m_known[Slots];
    int m_next = 0;
    int m_hits = 0;
    int m_misses = 0;
    bool m_looking = true;
};

// Calls f(k, begin, end) for each TAB-separated field k of a line, its
// marker being field 0; gives the number of fields.
template <typename F>
int forEachField(const xer::XERFile &reader, const xer::LineSpan &line, F &&f)
{
    const char *field = reader.lineBegin(line);
    const char *const end = field + line.size;
    for (int k = 0;; ++k) {
        const char *tab = static_cast<const char *>(std::memchr(field, '\t', size_t(end - field)));
        f(k, field, tab ? tab : end);
        if (!tab)
            return k + 1;
        field = tab + 1;
    }
}

// The names of a "%F" line's fields, its marker first, in lower case and
// without blanks around them: a name never holds one.
QStringList fieldNames(const xer::XERFile &reader, const xer::LineSpan &line)
{
    QStringList names;
    forEachField(reader, line, [&](int, const char *begin, const char *end) {
        names << reader.decode(begin, end).trimmed().toLower();
    });
    return names;
}

// The names a field list gives more than once (lower case), each once, in
// file order; the marker and empty names aside.
QStringList repeatedNames(const QStringList &names)
{
    QStringList repeated;
    QSet<QString> seen;
    for (int k = 1; k < names.size(); ++k) {
        const QString &name = names.at(k);
        if (name.isEmpty())
            continue;
        if (seen.contains(name)) {
            if (!repeated.contains(name))
                repeated << name;
        } else {
            seen.insert(name);
        }
    }
    return repeated;
}

// The field a table's rows are found by, for the tables whose rows others
// join or hang under by id; null for the others.
const char *keyField(const QString &table)
{
    static const char *const keys[][2] = {
        {"PROJWBS", "wbs_id"},        {"TASK", "task_id"},         {"RSRC", "rsrc_id"},
        {"ACTVTYPE", "actv_code_type_id"}, {"ACTVCODE", "actv_code_id"}, {"UDFTYPE", "udf_type_id"},
    };
    for (const auto &key : keys) {
        if (table == QLatin1String(key[0]))
            return key[1];
    }
    return nullptr;
}

// True for a record line with nothing after its marker but tabs and
// blanks: it holds no cell. A record of a real export has a value right
// after its first tab.
bool isEmptyRecord(const xer::XERFile &reader, const xer::LineSpan &line)
{
    const char *p = reader.lineBegin(line);
    const char *const end = p + line.size;
    p = static_cast<const char *>(std::memchr(p, '\t', size_t(end - p)));
    if (!p)
        return true;
    while (p < end && (*p == '\t' || *p == ' '))
        ++p;
    return p == end;
}

// Whether a field holds more than blanks.
bool isCell(const char *field, const char *end)
{
    while (field < end && *field == ' ')
        ++field;
    return field < end;
}

// Field k of a line, [*begin, *end); false when the line has fewer fields.
bool fieldOf(const xer::XERFile &reader, const xer::LineSpan &line, int k, const char **begin, const char **end)
{
    const char *field = reader.lineBegin(line);
    const char *const lineEnd = field + line.size;
    for (int i = 0;; ++i) {
        const char *tab = static_cast<const char *>(std::memchr(field, '\t', size_t(lineEnd - field)));
        if (i == k) {
            *begin = field;
            *end = tab ? tab : lineEnd;
            return true;
        }
        if (!tab)
            return false;
        field = tab + 1;
    }
}

// The rows of a table's id column by id; the ids are distinct, the first
// record of an id having kept it.
QHash<qint32, int> rowsOfIds(IContainer *table, int idColumn)
{
    QHash<qint32, int> rows;
    const ColumnStore *ids = table->column(idColumn);
    if (!ids)
        return rows;
    rows.reserve(ids->size());
    for (int r = 0; r < ids->size(); ++r) {
        qint32 id;
        if (ids->intAt(r, &id))
            rows.insert(id, r);
    }
    return rows;
}

// Cuts each loop of parent ids in a table (a node under itself, through
// others or not) at the link that closes it in the file's order: the
// parent of the loop's last row is emptied, so that every tree built from
// the table is one and all build the same. Gives the loops cut.
int cutParentLoops(IContainer *table, const QHash<qint32, int> &rowOfId, const char *parentField)
{
    const int parentColumn = table->indexOfCode(QLatin1String(parentField));
    const ColumnStore *parents = table->column(parentColumn);
    const int rows = parents ? parents->size() : 0;
    std::vector<int> parentRow(size_t(rows), -1);
    for (int r = 0; r < rows; ++r) {
        qint32 parent;
        if (parents->intAt(r, &parent))
            parentRow[size_t(r)] = rowOfId.value(parent, -1);
    }
    const std::vector<int> cuts = parentLoopCuts(parentRow);
    for (int row : cuts)
        table->setValue(row, parentColumn, QVariant());
    return int(cuts.size());
}

// Activities whose WBS node is not in the WBS table, or that name none.
int activitiesUnderUnknownWbs(IContainer *tasks, const QHash<qint32, int> &nodes)
{
    const ColumnStore *nodeOfTask = tasks->column(tasks->indexOfCode(QStringLiteral("wbs_id")));
    if (!nodeOfTask)
        return 0;
    int unknown = 0;
    // The activities of a node mostly lie together.
    bool knownOne = false;
    qint32 known = 0;
    for (int r = 0; r < nodeOfTask->size(); ++r) {
        qint32 id;
        if (!nodeOfTask->intAt(r, &id)) {
            ++unknown;
            continue;
        }
        if (knownOne && id == known)
            continue;
        if (nodes.contains(id)) {
            known = id;
            knownOne = true;
        } else {
            ++unknown;
        }
    }
    return unknown;
}

// Whether a field list is the activity table's: its id with its code or
// name, which no other table has.
bool holdsActivities(const QStringList &names)
{
    return names.contains(QLatin1String("task_id"))
           && (names.contains(QLatin1String("task_code")) || names.contains(QLatin1String("task_name")));
}

// A line as the report shows it: as written, its tabs and other control
// characters as blanks; a long one cut.
QString shownLine(const xer::XERFile &reader, const xer::LineSpan &line)
{
    constexpr int MaxShown = 40;
    const char *begin = reader.lineBegin(line);
    QString text = reader.decode(begin, begin + line.size);
    for (QChar &c : text) {
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    }
    if (text.size() > MaxShown)
        text = text.left(MaxShown - 1) + QChar(0x2026);
    return text;
}

} // namespace

struct XERLoader::TablePlan
{
    struct Target
    {
        CellType type = CellType::Other;
        ColumnStore *column = nullptr;
    };
    std::vector<const xer::TableLines *> sources;
    // The records of each source that become rows: the source's own, or
    // those left once empty records and ids read before are left out.
    std::vector<const std::vector<xer::LineSpan> *> records;
    std::vector<std::unique_ptr<std::vector<xer::LineSpan>>> keptRecords;
    std::vector<Target> targets; // by file field (marker included)
    int fieldCount = 0;          // fields of the "%F" line
    bool texts = false;          // whether a field goes into a text column
    std::vector<int> columnOfField;        // by file field: its container column, or -1
    std::vector<ColumnStore::Kind> kinds;  // by container column
    int keyField = -1;                     // the field of the rows' id, -1 for none
    // A table of ids whose field list has no id: nothing could find its
    // records, so none becomes a row.
    bool withoutIdField = false;
};

XERLoader::XERLoader(const QString &fileName, const QJsonDocument &schema, QObject *parent)
    : ProjectLoader(parent)
    , m_fileName(fileName)
{
    prepareLoads();
    setSchema(schema);
    QStringList names;
    const QJsonArray tables = schema.object().value(QStringLiteral("tables")).toArray();
    for (const QJsonValue &t : tables)
        names << t.toObject().value(QStringLiteral("name")).toString();
    std::sort(names.begin(), names.end());
    names << QStringLiteral("VIEWPROP");
    m_reader = std::make_unique<xer::XERFile>(fileName, xer::CarriageReturnLineFeed, names);
    // Forwarded on the reading thread itself, so the reader's progress joins
    // the loader's own in the order sent. The reader is the connection's
    // context too: memory running out while Qt links a connection into its
    // receiver leaves half a connection in the sender, which the reader's
    // end then follows; with one object at both ends nothing is linked
    // before the last allocation.
    connect(
        m_reader.get(), &xer::XERFile::progress, m_reader.get(),
        [this](int percent, const QString &text) { emit progress(percent, text); },
        Qt::DirectConnection);
    // Made on one thread, read on a pool thread.
    threadhandoff::release(this);
}

XERLoader::XERLoader(QObject *parent)
    : ProjectLoader(parent)
{
}

XERLoader::~XERLoader() = default;

QString XERLoader::loaderName() const
{
    return QStringLiteral("XERLoader");
}

// The read's report is the last thing it does with this loader: a receiver
// may delete the loader as finished() or failed() arrives, so everything the
// read held (its room, its heap padding, the reader's hold on that room) is
// given back before, and nothing of the loader is touched after.
void XERLoader::read()
{
    threadhandoff::acquire(this);
    const int result = readHeld();
    if (result == xer::XERFile::Ok)
        QThread::msleep(5);
    threadhandoff::release(this);
    try {
        if (result == xer::XERFile::Ok)
            emit finished();
        else
            emit failed(result);
    } catch (const std::bad_alloc &) {
        // The caller learns of the end from the read returning (its future)
        // and of its result from readResult().
    }
}

// Memory running out anywhere in the read, its first log line included (the
// pool's workers pass it on to this thread), fails the load: what it made so
// far is dropped. No exception leaves here, and what the read held is given
// back on every return.
int XERLoader::readHeld()
try {
    qCInfo(lcXer).noquote() << QStringLiteral("void XERLoader::read() start");
    const ReadHeapPadding padding;
    // Every step of the read, the file's and the models', holds what it
    // takes against one room.
    memoryroom::Growth growth;
    m_growth = &growth;
    if (m_reader)
        m_reader->setGrowth(&growth);
    const auto noGrowth = qScopeGuard([this] {
        m_growth = nullptr;
        if (m_reader)
            m_reader->setGrowth(nullptr);
    });
    QElapsedTimer timer;
    timer.start();
    m_layoutRows.clear();
    m_notes = LoadNotes();
    emit started();
    m_readResult = readFile(timer);
    if (m_readResult == xer::XERFile::Ok)
        qCInfo(lcXer).noquote() << QStringLiteral("void XERLoader::read() stop: %1").arg(timer.elapsed());
    return m_readResult;
} catch (const std::bad_alloc &) {
    // The result comes first: it is what the caller reads when the read has
    // ended and no signal could be queued for want of memory. Every model
    // made so far is registered or already gone, and going needs no memory.
    m_readResult = xer::XERFile::OutOfMemory;
    removeModels();
    m_layoutRows = QVariantList();
    // Nor is what the read noted of the file kept for its report.
    m_notes = LoadNotes();
    if (m_reader)
        m_reader->release();
    xer::warnOutOfMemory("XERLoader::read", m_fileName);
    return m_readResult;
}

int XERLoader::readFile(const QElapsedTimer &timer)
{
    if (!m_reader) {
        qCWarning(lcXer) << "XERLoader::read no file to read";
        return xer::XERFile::CannotOpen;
    }
    const int result = m_reader->read();
    const qint64 readMs = timer.elapsed();
    if (result != xer::XERFile::Ok) {
        qCWarning(lcXer).noquote() << QStringLiteral("XERLoader::read %1 gives %2")
                                          .arg(m_fileName)
                                          .arg(result);
        return result;
    }
    m_notes.linesAfterEnd = m_reader->hasLinesAfterEndLine();
    m_notes.endLineBeforeLines = m_reader->hasEndLineBeforeLines();
    m_notes.cutShort = !m_reader->hasEndLine() && !m_notes.linesAfterEnd;

    struct Job
    {
        QString table;
        std::shared_ptr<IContainer> container;
    };
    const QVector<Job> jobs = {
        {QStringLiteral("PROJWBS"), std::make_shared<WBSContainer>()},
        {QStringLiteral("TASK"), std::make_shared<TaskContainer>()},
        {QStringLiteral("ACTVCODE"), std::make_shared<ActvCodeContainer>()},
        {QStringLiteral("TASKACTV"), std::make_shared<TaskAcvtContainer>()},
        {QStringLiteral("ACTVTYPE"), std::make_shared<ActvTypeContainer>()},
        {QStringLiteral("RSRC"), std::make_shared<ResourceContainer>()},
        {QStringLiteral("TASKPRED"), std::make_shared<TaskPredContainer>()},
        {QStringLiteral("TASKRSRC"), std::make_shared<TaskRsrcContainer>()},
        {QStringLiteral("UDFTYPE"), std::make_shared<UdfTypeContainer>()},
        {QStringLiteral("UDFVALUE"), std::make_shared<UdfValueContainer>()},
    };
    // Every table is read in runs of records, all runs side by side: each
    // writes its own rows of the containers' columns. The columns are then
    // finished side by side, and the models registered in order.
    QVector<TableNotes> notes(jobs.size());
    std::vector<TablePlan> plans;
    plans.reserve(size_t(jobs.size()));
    struct Run
    {
        int job, source, from, to, row;
    };
    int records = 0;
    for (const xer::TableLines &lines : m_reader->tableLines()) {
        records += int(lines.records.size());
        // A table's first line written otherwise is the one shown: a later
        // copy's line says nothing new.
        if (lines.writtenOtherwise && !m_notes.writtenOtherwise.contains(lines.readAs))
            m_notes.writtenOtherwise.insert(lines.readAs, shownLine(*m_reader, lines.table));
        if (lines.fieldsWrittenOtherwise && !m_notes.fieldsWrittenOtherwise.contains(lines.readAs))
            m_notes.fieldsWrittenOtherwise << lines.readAs;
    }
    for (const xer::LostLines &lost : m_reader->lostLines()) {
        m_notes.linesNotUnderstoodAfter[shownLine(*m_reader, lost.line)] += lost.lines;
        m_notes.activitiesLost = m_notes.activitiesLost
                                 || (lost.records > 0 && lost.fields.size >= 0
                                     && holdsActivities(fieldNames(*m_reader, lost.fields)));
    }
    const int RunRecords = runLength(records);
    std::vector<Run> runs;
    struct ColumnJob
    {
        int job, column;
    };
    std::vector<ColumnJob> columnJobs;
    for (int i = 0; i < jobs.size(); ++i) {
        prepareContainer(jobs.at(i).table, jobs.at(i).container.get());
        plans.push_back(planTable(jobs.at(i).table, jobs.at(i).container.get(), &notes[i]));
        int row = 0;
        for (int s = 0; s < int(plans.back().records.size()); ++s) {
            const int records = int(plans.back().records[size_t(s)]->size());
            for (int from = 0; from < records; from += RunRecords)
                runs.push_back({i, s, from, qMin(records, from + RunRecords), row + from});
            row += records;
        }
        for (int c = 0; c < jobs.at(i).container->fieldCount(); ++c)
            columnJobs.push_back({i, c});
    }
    std::vector<TableNotes> runNotes(runs.size());
    std::vector<int> unreadDates(columnJobs.size(), 0);
    parallelFor(int(runs.size()), [&](int r) {
        const Run &run = runs[size_t(r)];
        fillRows(plans[size_t(run.job)], run.source, run.from, run.to, run.row, &runNotes[size_t(r)]);
    });
    // A table with empty records, an id read before or no id's field (rare)
    // is read again without them: its rows are made anew once it is known
    // which records become rows, and a sound table pays one pass over its ids.
    std::vector<TableNotes> filled(size_t(jobs.size()));
    for (size_t r = 0; r < runs.size(); ++r)
        filled[size_t(runs[r].job)].emptyRecords += runNotes[r].emptyRecords;
    std::vector<std::uint8_t> refilled(size_t(jobs.size()), 0);
    for (int i = 0; i < jobs.size(); ++i) {
        IContainer *container = jobs.at(i).container.get();
        if (keepsEveryRecord(plans[size_t(i)], container, filled[size_t(i)]))
            continue;
        TableNotes again;
        refill(&plans[size_t(i)], container, &again);
        notes[i].mismatched += again.mismatched;
        notes[i].unread += again.unread;
        notes[i].emptyRecords = again.emptyRecords;
        notes[i].repeatedIds = again.repeatedIds;
        notes[i].withoutIds = again.withoutIds;
        refilled[size_t(i)] = 1;
    }
    // Date-time columns share their values: an export repeats a few thousand
    // instants across all its date columns, and each local date-time is made
    // once.
    std::vector<std::vector<quint64>> columnKeys(columnJobs.size());
    const auto columnOf = [&](size_t c) {
        return jobs.at(columnJobs[c].job).container->column(columnJobs[c].column);
    };
    parallelFor(int(columnJobs.size()), [&](int c) {
        if (ColumnStore *column = columnOf(size_t(c)))
            column->finishKeys(&columnKeys[size_t(c)]);
    });
    QHash<quint64, int> indexOfKey;
    std::vector<quint64> keys;
    for (const std::vector<quint64> &columnKey : columnKeys) {
        for (quint64 key : columnKey) {
            if (!indexOfKey.contains(key)) {
                indexOfKey.insert(key, int(keys.size()));
                keys.push_back(key);
            }
        }
    }
    // One after the other: the local-time conversion takes a process-wide
    // lock, and a few thousand of them are quickly done.
    std::vector<QVariant> dates;
    dates.reserve(keys.size());
    for (quint64 key : keys)
        dates.push_back(QVariant(ColumnStore::dateTimeOfKey(key)));
    parallelFor(int(columnJobs.size()), [&](int c) {
        if (ColumnStore *column = columnOf(size_t(c))) {
            const std::vector<quint64> &columnKey = columnKeys[size_t(c)];
            std::vector<QVariant> values;
            values.reserve(columnKey.size());
            for (quint64 key : columnKey)
                values.push_back(dates[size_t(indexOfKey.value(key))]);
            unreadDates[size_t(c)] = column->finishDates(std::move(values));
        }
    });
    for (size_t r = 0; r < runs.size(); ++r) {
        if (refilled[size_t(runs[r].job)])
            continue;
        notes[runs[r].job].mismatched += runNotes[r].mismatched;
        notes[runs[r].job].unread += runNotes[r].unread;
    }
    for (size_t c = 0; c < columnJobs.size(); ++c)
        notes[columnJobs[c].job].unread += unreadDates[c];
    // The trees the groupings build from the WBS and the code values, and the
    // activities' nodes, decided once for every view.
    QHash<qint32, int> wbsNodes;
    IContainer *tasks = nullptr;
    int taskJob = -1;
    for (int i = 0; i < jobs.size(); ++i) {
        const Job &job = jobs.at(i);
        IContainer *table = job.container.get();
        if (job.table == QLatin1String("PROJWBS")) {
            wbsNodes = rowsOfIds(table, table->indexOfCode(QStringLiteral("wbs_id")));
            if (const int loops = cutParentLoops(table, wbsNodes, "parent_wbs_id"))
                m_notes.parentLoops[job.table] = loops;
        } else if (job.table == QLatin1String("ACTVCODE")) {
            const QHash<qint32, int> codes = rowsOfIds(table, table->indexOfCode(QStringLiteral("actv_code_id")));
            if (const int loops = cutParentLoops(table, codes, "parent_actv_code_id"))
                m_notes.parentLoops[job.table] = loops;
        } else if (job.table == QLatin1String("TASK")) {
            tasks = table;
            taskJob = i;
        }
    }
    // A field list without wbs_id is said as a missing field, not as every
    // activity under a node not in the file.
    if (tasks && !notes.at(taskJob).missingFields.contains(QLatin1String("wbs_id")))
        m_notes.unknownWbs = activitiesUnderUnknownWbs(tasks, wbsNodes);
    for (int i = 0; i < jobs.size(); ++i) {
        if (notes.at(i).mismatched > 0)
            qCDebug(lcXer).noquote() << QStringLiteral("XERLoader::readTable %1: %2 records do not match the field list")
                                            .arg(jobs.at(i).table)
                                            .arg(notes.at(i).mismatched);
        registerTable(jobs.at(i).table, jobs.at(i).container);
        noteTable(jobs.at(i).table, notes.at(i));
    }

    // The layout rows are the last layout table's.
    const xer::TableLines *layout = nullptr;
    for (const xer::TableLines &lines : m_reader->tableLines()) {
        if (lines.readAs == QLatin1String("VIEWPROP")) {
            fillLayout(lines);
            layout = m_layoutRows.isEmpty() ? nullptr : &lines;
            if (lines.linesNotUnderstood > 0)
                m_notes.linesNotUnderstood[QStringLiteral("VIEWPROP")] += lines.linesNotUnderstood;
            // Records come only after a field list.
            if (!lines.records.empty()) {
                const QStringList names = fieldNames(*m_reader, lines.fields);
                const QStringList missing = missingFields(lines.readAs, names);
                if (!missing.isEmpty())
                    m_notes.missingFields.insert(lines.readAs, missing);
                const QStringList repeated = repeatedNames(names);
                if (!repeated.isEmpty())
                    m_notes.repeatedFields.insert(lines.readAs, repeated);
            }
        }
    }
    // Records after the end line are loaded too only when a copy kept holds
    // some of them as rows: not when they are left out, with their copy
    // (another field list) or one by one (an id read before).
    const qint64 endLine = m_reader->endLineBegin();
    if (endLine >= 0) {
        const auto after = [endLine](const std::vector<xer::LineSpan> &records) {
            return !records.empty() && records.back().begin > endLine;
        };
        bool kept = layout && after(layout->records);
        for (const TablePlan &plan : plans) {
            for (const std::vector<xer::LineSpan> *records : plan.records)
                kept = kept || after(*records);
        }
        m_notes.nothingReadAfterEnd = !kept;
    }
    // A file without activities opens empty: its table may be missing, or
    // its "%T" line not understood.
    for (const Job &job : jobs) {
        if (job.table == QLatin1String("TASK"))
            m_notes.noActivities = job.container->rowCount() == 0;
    }
    const qint64 tablesMs = timer.elapsed();

    // Everything the file holds is now in the containers and layout rows;
    // the file's buffer goes, leaving its memory to the models built next.
    m_reader->release();
    qCDebug(lcXer).noquote() << QStringLiteral("XERLoader::read file %1 ms, tables %2 ms, release %3 ms")
                                    .arg(readMs)
                                    .arg(tablesMs - readMs)
                                    .arg(timer.elapsed() - tablesMs);

    // These five read only the tables and are built side by side; the
    // activity model joins three of them and comes after.
    emit progress(20, QStringLiteral("Create Predecessor Model"));
    emit progress(30, QStringLiteral("Create Resource Model"));
    emit progress(40, QStringLiteral("Create Codes Model"));
    emit progress(50, QStringLiteral("Create Task Codes Assignment Model"));
    emit progress(60, QStringLiteral("Create UDF Assignment Model"));
    QThread *readingThread = QThread::currentThread();
    parallelFor(5, [this, readingThread](int step) {
        switch (step) {
        case 0:
            createPredecessorModel();
            break;
        case 1:
            createResourceModel();
            break;
        case 2:
            createCodesModel();
            break;
        case 3:
            createTaskCodesAssignmentModel();
            break;
        default:
            createUDFAssignmentModel();
            break;
        }
        // A model made on another thread joins the others on this one.
        moveModelsToThread(readingThread);
    });
    emit progress(70, QStringLiteral("Create Activity Model"));
    createActivityModel();
    emit progress(80, QStringLiteral("Process data"));

    // The models were made on this pool thread; they are used on the
    // application's thread from finished() on, and signals among them must be
    // delivered there.
    QThread *target = QCoreApplication::instance() ? QCoreApplication::instance()->thread() : thread();
    moveModelsToThread(target);
    // What the read's threads freed goes back before the caller builds on
    // the models.
    ReadHeapPadding::releaseFreed();
    return xer::XERFile::Ok;
}

void XERLoader::readTable(const QString &table, const std::shared_ptr<IContainer> &container)
{
    Q_ASSERT(container);
    if (!container)
        return;
    prepareContainer(table, container.get());
    TableNotes notes;
    TablePlan plan = planTable(table, container.get(), &notes);
    TableNotes filled;
    int row = 0;
    for (int s = 0; s < int(plan.records.size()); ++s) {
        const int records = int(plan.records[size_t(s)]->size());
        fillRows(plan, s, 0, records, row, &filled);
        row += records;
    }
    if (!keepsEveryRecord(plan, container.get(), filled)) {
        filled = TableNotes();
        refill(&plan, container.get(), &filled);
    }
    notes.mismatched += filled.mismatched;
    notes.unread += filled.unread;
    notes.emptyRecords = filled.emptyRecords;
    notes.repeatedIds = filled.repeatedIds;
    notes.withoutIds = filled.withoutIds;
    for (int c = 0; c < container->fieldCount(); ++c) {
        if (ColumnStore *column = container->column(c))
            notes.unread += column->finish();
    }
    noteTable(table, notes);
    registerTable(table, container);
}

void XERLoader::noteTable(const QString &table, const TableNotes &notes)
{
    if (notes.mismatched > 0)
        m_notes.mismatchedRecords[table] += notes.mismatched;
    if (notes.notUnderstood > 0)
        m_notes.linesNotUnderstood[table] += notes.notUnderstood;
    if (notes.unread > 0)
        m_notes.unreadValues[table] += notes.unread;
    if (notes.copies > 1)
        m_notes.repeatedTables[table] = notes.copies;
    if (notes.otherCopies > 0) {
        m_notes.otherFieldListCopies[table] += notes.otherCopies;
        m_notes.otherFieldListRecords[table] += notes.otherRecords;
    }
    if (!notes.missingFields.isEmpty())
        m_notes.missingFields.insert(table, notes.missingFields);
    if (!notes.repeatedFields.isEmpty())
        m_notes.repeatedFields.insert(table, notes.repeatedFields);
    if (notes.repeatedIds > 0)
        m_notes.repeatedIds[table] += notes.repeatedIds;
    if (notes.emptyRecords > 0)
        m_notes.emptyRecords[table] += notes.emptyRecords;
    if (notes.withoutIds > 0)
        m_notes.withoutIds[table] += notes.withoutIds;
}

void XERLoader::prepareContainer(const QString &table, IContainer *container) const
{
    if (container->fieldCount() == 0)
        container->setFields(schemaColumns(table));
}

XERLoader::TablePlan XERLoader::planTable(const QString &table, IContainer *container,
                                          TableNotes *notes) const
{
    TablePlan plan;
    if (!m_reader)
        return plan;
    // Every copy of the table, in file order: an export can hold a table
    // twice (two exports put together). Names are compared as read.
    // The first copy with a field list sets the columns; a later copy with
    // the same list adds its records, one with another list is left out (and
    // counted, to be reported).
    QStringList names;
    int copies = 0;
    for (const xer::TableLines &lines : m_reader->tableLines()) {
        if (lines.readAs != table)
            continue;
        ++copies;
        // Records before the copy's field list, or cut by the file's end,
        // were dropped by the reader; they count with those that do not
        // match it.
        notes->mismatched += lines.recordsBeforeFields + lines.recordsCut;
        notes->notUnderstood += lines.linesNotUnderstood;
        if (lines.fields.size < 0)
            continue;
        if (plan.sources.empty()) {
            names = fieldNames(*m_reader, lines.fields);
            plan.sources.push_back(&lines);
        } else if (fieldNames(*m_reader, lines.fields) == names) {
            plan.sources.push_back(&lines);
        } else {
            ++notes->otherCopies;
            notes->otherRecords += int(lines.records.size());
        }
    }
    notes->copies = int(plan.sources.size()) + notes->otherCopies;
    if (plan.sources.empty())
        return plan;
    plan.fieldCount = names.size();
    // File field k (the marker included) to container column, by the
    // column's data type.
    std::vector<int> columnOfField(size_t(names.size()), -1);
    std::vector<ColumnStore::Kind> kinds(size_t(qMax(0, container->fieldCount())), ColumnStore::Kind::Empty);
    std::vector<CellType> types(size_t(names.size()), CellType::Other);
    // A name given twice keeps its first field: the later one, most often a
    // neighbour's name written wrongly, would replace every row's value.
    std::vector<std::uint8_t> taken(size_t(qMax(0, container->fieldCount())), 0);
    for (int k = 0; k < names.size(); ++k) {
        const int column = container->indexOfCode(names.at(k));
        if (column < 0 || taken[size_t(column)])
            continue;
        taken[size_t(column)] = 1;
        const CellType type = cellType(container->fieldDataType(column));
        if (type == CellType::Other)
            continue;
        columnOfField[size_t(k)] = column;
        types[size_t(k)] = type;
        kinds[size_t(column)] = kindOf(type);
    }
    if (const char *key = keyField(table)) {
        const int k = names.indexOf(QLatin1String(key));
        if (k > 0 && columnOfField[size_t(k)] >= 0 && types[size_t(k)] == CellType::Integer)
            plan.keyField = k;
        plan.withoutIdField = plan.keyField < 0;
    }
    for (const xer::TableLines *lines : plan.sources)
        plan.records.push_back(&lines->records);
    int total = 0;
    for (const std::vector<xer::LineSpan> *records : plan.records)
        total += int(records->size());
    if (total > 0) {
        notes->missingFields = missingFields(table, names);
        notes->repeatedFields = repeatedNames(names);
    }
    if (m_growth) {
        // Every column has a cell for every record, whatever it holds: a
        // record of one field takes as much as a whole one.
        qint64 rowBytes = 0;
        for (int c = 0; c < container->fieldCount(); ++c)
            rowBytes += ColumnStore::cellBytes(size_t(c) < kinds.size() ? kinds[size_t(c)] : ColumnStore::Kind::Empty);
        m_growth->take(rowBytes * total);
    }
    container->prepareRows(total, kinds);
    plan.targets.resize(size_t(names.size()));
    for (size_t k = 0; k < columnOfField.size(); ++k) {
        if (columnOfField[k] >= 0) {
            plan.targets[k] = {types[k], container->column(columnOfField[k])};
            plan.texts = plan.texts || types[k] == CellType::String;
        }
    }
    plan.columnOfField = std::move(columnOfField);
    plan.kinds = std::move(kinds);
    return plan;
}

bool XERLoader::keepsEveryRecord(const TablePlan &plan, IContainer *container, const TableNotes &filled) const
{
    if (filled.emptyRecords > 0 || plan.withoutIdField)
        return false;
    const ColumnStore *ids = plan.keyField > 0 ? container->column(plan.columnOfField[size_t(plan.keyField)])
                                               : nullptr;
    if (!ids)
        return true;
    // Ids in ascending order, as exports write them, are all distinct. A
    // row without one, its field empty or no number, is found by nothing:
    // it would be a row of empty cells wherever it is joined.
    bool ascending = true;
    qint32 previous = 0;
    for (int r = 0; r < ids->size(); ++r) {
        qint32 id;
        if (!ids->intAt(r, &id))
            return false;
        ascending = ascending && (r == 0 || previous < id);
        previous = id;
    }
    if (ascending)
        return true;
    std::vector<qint32> values(size_t(ids->size()));
    for (int r = 0; r < ids->size(); ++r)
        ids->intAt(r, &values[size_t(r)]);
    std::sort(values.begin(), values.end());
    return std::adjacent_find(values.cbegin(), values.cend()) == values.cend();
}

void XERLoader::refill(TablePlan *plan, IContainer *container, TableNotes *notes) const
{
    keepRecords(plan, plan->keyField, notes);
    int total = 0;
    for (const std::vector<xer::LineSpan> *records : plan->records)
        total += int(records->size());
    container->prepareRows(total, plan->kinds);
    for (size_t k = 0; k < plan->columnOfField.size(); ++k) {
        if (plan->columnOfField[k] >= 0)
            plan->targets[k].column = container->column(plan->columnOfField[k]);
    }
    // The empty records are left out: those counted again are none.
    const int empty = notes->emptyRecords;
    int row = 0;
    for (int s = 0; s < int(plan->records.size()); ++s) {
        const int records = int(plan->records[size_t(s)]->size());
        fillRows(*plan, s, 0, records, row, notes);
        row += records;
    }
    notes->emptyRecords = empty;
}

void XERLoader::keepRecords(TablePlan *plan, int keyField, TableNotes *notes) const
{
    // The first record of an id keeps it: a later one, most often a record
    // copied or an id mistyped, would be joined in its place wherever the id
    // is looked up. A record without a cell is no row, nor one whose id is
    // empty in a table of ids, or no whole number its column holds ("abc",
    // "7.5", "3000000000"), or not there at all for a field list without the
    // id ("taskid"): nothing could find it. Decided here, before any
    // row is made, so every model sees the same rows.
    const FieldConverter converter(*m_reader);
    std::vector<std::vector<std::uint8_t>> dropped(plan->sources.size());
    std::vector<qint32> ids;
    std::vector<std::pair<int, int>> idAt; // source and record of each id
    bool ascending = true;
    int empty = 0;
    int withoutIds = 0;
    for (size_t s = 0; s < plan->sources.size(); ++s) {
        const std::vector<xer::LineSpan> &records = plan->sources[s]->records;
        const auto drop = [&](size_t r, int *count) {
            if (dropped[s].empty())
                dropped[s].resize(records.size(), 0);
            dropped[s][r] = 1;
            ++*count;
        };
        for (size_t r = 0; r < records.size(); ++r) {
            if (isEmptyRecord(*m_reader, records[r])) {
                drop(r, &empty);
                continue;
            }
            if (plan->withoutIdField) {
                drop(r, &withoutIds);
                continue;
            }
            if (keyField < 0)
                continue;
            const char *begin;
            const char *end;
            qint32 id;
            if (!fieldOf(*m_reader, records[r], keyField, &begin, &end) || !converter.readInt(begin, end, &id)) {
                drop(r, &withoutIds);
                continue;
            }
            ascending = ascending && (ids.empty() || ids.back() < id);
            ids.push_back(id);
            idAt.emplace_back(int(s), int(r));
        }
    }
    int repeated = 0;
    // Ids in ascending order, as exports write them, are all distinct.
    if (!ascending) {
        std::vector<qint32> sorted(ids);
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.cbegin(), sorted.cend()) != sorted.cend()) {
            QSet<qint32> seen;
            seen.reserve(int(ids.size()));
            for (size_t i = 0; i < ids.size(); ++i) {
                if (seen.contains(ids[i])) {
                    const auto at = idAt[i];
                    std::vector<std::uint8_t> &marks = dropped[size_t(at.first)];
                    if (marks.empty())
                        marks.resize(plan->sources[size_t(at.first)]->records.size(), 0);
                    marks[size_t(at.second)] = 1;
                    ++repeated;
                } else {
                    seen.insert(ids[i]);
                }
            }
        }
    }
    notes->emptyRecords += empty;
    notes->repeatedIds += repeated;
    notes->withoutIds += withoutIds;
    plan->records.clear();
    plan->keptRecords.clear();
    for (size_t s = 0; s < plan->sources.size(); ++s) {
        const std::vector<xer::LineSpan> &records = plan->sources[s]->records;
        if (dropped[s].empty()) {
            plan->records.push_back(&records);
            continue;
        }
        auto kept = std::make_unique<std::vector<xer::LineSpan>>();
        kept->reserve(records.size());
        for (size_t r = 0; r < records.size(); ++r) {
            if (!dropped[s][r])
                kept->push_back(records[r]);
        }
        plan->records.push_back(kept.get());
        plan->keptRecords.push_back(std::move(kept));
    }
}

void XERLoader::fillRows(const TablePlan &plan, int source, int from, int to, int firstRow,
                         TableNotes *notes) const
{
    const std::vector<xer::LineSpan> &records = *plan.records[size_t(source)];
    if (m_growth && plan.texts && to > from) {
        // A text takes two bytes a character at most. The codes most text
        // columns hold are shared, so the run takes less (a fifth of its
        // bytes on 100,000 activities): what it holds only brings the next
        // look at the machine sooner.
        const xer::LineSpan &first = records[size_t(from)];
        const xer::LineSpan &last = records[size_t(to) - 1];
        m_growth->take((last.begin + last.size - first.begin) * 2);
    }
    const FieldConverter converter(*m_reader);
    const int targets = int(plan.targets.size());
    std::vector<RecentTexts> recent{size_t(targets)};
    for (int r = from; r < to; ++r) {
        // A record with more or fewer fields than its "%F" line keeps its
        // values in their own columns: extra fields are ignored, missing
        // ones read as empty.
        const int row = firstRow + (r - from);
        bool cells = false;
        const int fields = forEachField(*m_reader, records[size_t(r)],
                                        [&](int k, const char *field, const char *fieldEnd) {
            if (fieldEnd == field)
                return;
            cells = cells || (k > 0 && isCell(field, fieldEnd));
            if (k >= targets)
                return;
            const TablePlan::Target &target = plan.targets[size_t(k)];
            if (target.type == CellType::String && target.column) {
                target.column->putString(row, recent[size_t(k)].text(converter, field, fieldEnd));
            } else if (target.column && !converter.put(target.column, row, target.type, field, fieldEnd)) {
                target.column->putNothing(row);
                ++notes->unread;
            }
        });
        if (fields != plan.fieldCount)
            ++notes->mismatched;
        if (!cells)
            ++notes->emptyRecords;
    }
}

void XERLoader::registerTable(const QString &table, const std::shared_ptr<IContainer> &container)
{
    auto model = std::make_unique<BaseContainerModel>();
    model->setContainer(container);
    model->setObjectName(table);
    addModel(model.release());
}

namespace {

// Fields of the layout keys among a table's field names (the marker first);
// false when one is missing.
bool layoutFields(const QStringList &names, int *idField, int *nameField, int *dataField)
{
    *idField = *nameField = *dataField = -1;
    // The first field of a name is read, as in every table.
    for (int k = names.size() - 1; k >= 1; --k) {
        const QString name = names.at(k).toUpper();
        if (name == QLatin1String("VIEW_ID"))
            *idField = k;
        else if (name == QLatin1String("VIEW_NAME"))
            *nameField = k;
        else if (name == QLatin1String("DATA_POS"))
            *dataField = k;
    }
    return *idField >= 0 && *nameField >= 0 && *dataField >= 0;
}

QVariantMap layoutRow(const QString &id, const QString &name, const QString &data)
{
    QVariantMap row;
    row.insert(QStringLiteral("VIEW_ID"), id);
    row.insert(QStringLiteral("VIEW_NAME"), name);
    row.insert(QStringLiteral("VIEW_DATA"), data);
    return row;
}

} // namespace

void XERLoader::fillLayout(xer::XERTable *table)
{
    m_layoutRows.clear();
    Q_ASSERT(table);
    if (!table || !table->fields() || table->fields()->fieldCount() < 2)
        return;
    QStringList names;
    for (int k = 0; k < table->fields()->fieldCount(); ++k)
        names << table->fields()->value(k).toString().trimmed();
    int idField, nameField, dataField;
    if (!layoutFields(names, &idField, &nameField, &dataField))
        return;
    // Each key reads its own column's field.
    for (const xer::XERRecord *record : table->records()) {
        m_layoutRows.append(layoutRow(record->value(idField).toString(), record->value(nameField).toString(),
                                      record->value(dataField).toString()));
    }
}

void XERLoader::fillLayout(const xer::TableLines &lines)
{
    m_layoutRows.clear();
    if (lines.fields.size < 0)
        return;
    int idField, nameField, dataField;
    if (!layoutFields(fieldNames(*m_reader, lines.fields), &idField, &nameField, &dataField))
        return;
    for (const xer::LineSpan &line : lines.records) {
        QString id, name, data;
        forEachField(*m_reader, line, [&](int k, const char *begin, const char *end) {
            if (k == idField)
                id = m_reader->decode(begin, end);
            else if (k == nameField)
                name = m_reader->decode(begin, end);
            else if (k == dataField)
                data = m_reader->decode(begin, end);
        });
        m_layoutRows.append(layoutRow(id, name, data));
    }
}
