#include "xerloader.h"

#include "actvcodecontainer.h"
#include "actvtypecontainer.h"
#include "basecontainermodel.h"
#include "resourcecontainer.h"
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

#include "threadhandoff.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QThread>
#include <QtConcurrent>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <numeric>

namespace {

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

inline int digit(QChar c)
{
    const ushort u = c.unicode();
    return (u >= '0' && u <= '9') ? int(u - '0') : -1;
}

// Date-times of the form "yyyy-MM-dd HH:mm". Exports repeat the same few
// thousand instants many times, and building a local date-time is the costly
// part, so the values are cached by their packed digits.
class DateTimeReader
{
public:
    QVariant read(const QStringRef &text)
    {
        if (text.size() == 16 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-')
            && text.at(10) == QLatin1Char(' ') && text.at(13) == QLatin1Char(':')) {
            static const int positions[] = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15};
            quint64 key = 0;
            bool digits = true;
            for (int p : positions) {
                const int d = digit(text.at(p));
                if (d < 0) {
                    digits = false;
                    break;
                }
                key = key * 10 + quint64(d);
            }
            if (digits) {
                const auto it = m_cache.constFind(key);
                if (it != m_cache.constEnd())
                    return it.value();
                const int minute = int(key % 100);
                const int hour = int(key / 100 % 100);
                const int day = int(key / 10000 % 100);
                const int month = int(key / 1000000 % 100);
                const int year = int(key / 100000000);
                const QDate date(year, month, day);
                const QTime time(hour, minute);
                // Out-of-range parts give an invalid date-time, as the
                // format parser does.
                const QVariant value(date.isValid() && time.isValid() ? QDateTime(date, time)
                                                                      : QDateTime());
                m_cache.insert(key, value);
                return value;
            }
        }
        return QVariant(QDateTime::fromString(text.toString(), QStringLiteral("yyyy-MM-dd HH:mm")));
    }

private:
    QHash<quint64, QVariant> m_cache;
};

// Converts the text of an XER field by the column's data type; an empty
// field stays an invalid cell. A number that cannot be read (an id such as
// "7.5" or "3000000000" in an integer column) stays an invalid cell too, so
// it joins nothing, and *unread is set; so is a date that cannot be read.
QVariant convert(const QStringRef &text, CellType type, DateTimeReader &dates, bool *unread)
{
    switch (type) {
    case CellType::Integer: {
        bool ok = false;
        const int v = text.toInt(&ok, 10);
        *unread = !ok;
        return ok ? QVariant(v) : QVariant();
    }
    case CellType::Double: {
        bool ok = false;
        const double v = text.toDouble(&ok);
        *unread = !ok;
        return ok ? QVariant(v) : QVariant();
    }
    case CellType::String:
        return QVariant(text.toString());
    case CellType::DateTime: {
        QVariant value = dates.read(text);
        *unread = !value.toDateTime().isValid();
        return value;
    }
    case CellType::Other:
        break;
    }
    return {};
}

} // namespace

XERLoader::XERLoader(const QString &fileName, const QJsonDocument &schema, QObject *parent)
    : ProjectLoader(parent)
    , m_fileName(fileName)
{
    setSchema(schema);
    QStringList names;
    const QJsonArray tables = schema.object().value(QStringLiteral("tables")).toArray();
    for (const QJsonValue &t : tables)
        names << t.toObject().value(QStringLiteral("name")).toString();
    std::sort(names.begin(), names.end());
    names << QStringLiteral("VIEWPROP");
    m_reader = std::make_unique<xer::XERFile>(fileName, xer::CarriageReturnLineFeed, names);
    // Forwarded on the reading thread itself, so the reader's progress joins
    // the loader's own in the order sent.
    connect(m_reader.get(), &xer::XERFile::progress, this, &ProjectLoader::progress,
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

void XERLoader::read()
{
    threadhandoff::acquire(this);
    qCInfo(lcXer).noquote() << QStringLiteral("void XERLoader::read() start");
#if defined(__GLIBC__)
    // glibc grows the heap of a pool thread's arena a page at a time, one
    // system call each; a large file makes millions of small allocations
    // there. A wider growth step removes most of that cost (untouched pages
    // take no memory).
    static const bool padded = mallopt(M_TOP_PAD, 64 * 1024 * 1024) == 1;
    Q_UNUSED(padded)
#endif
    QElapsedTimer timer;
    timer.start();
    m_layoutRows.clear();
    m_notes = LoadNotes();
    emit started();

    if (!m_reader) {
        m_readResult = xer::XERFile::CannotOpen;
        qCWarning(lcXer) << "XERLoader::read no file to read";
        emit failed(m_readResult);
        return;
    }
    m_readResult = m_reader->read();
    const qint64 readMs = timer.elapsed();
    if (m_readResult != xer::XERFile::Ok) {
        qCWarning(lcXer).noquote() << QStringLiteral("XERLoader::read %1 gives %2")
                                          .arg(m_fileName)
                                          .arg(m_readResult);
        emit failed(m_readResult);
        return;
    }

    struct Job
    {
        QString table;
        std::shared_ptr<IContainer> container;
    };
    QVector<Job> jobs = {
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
    // The tables are of different types and touch nothing in common, so they
    // are converted side by side; the models are registered in order after.
    QVector<TableNotes> notes(jobs.size());
    for (const Job &job : qAsConst(jobs))
        prepareContainer(job.table, job.container.get());
    QVector<int> order(jobs.size());
    std::iota(order.begin(), order.end(), 0);
    TableNotes *out = notes.data();
    threadhandoff::release(this);
    QtConcurrent::blockingMap(order, [this, &jobs, out](int i) {
        threadhandoff::acquire(this);
        out[i] = fillContainer(jobs.at(i).table, jobs.at(i).container.get());
        threadhandoff::release(this);
    });
    threadhandoff::acquire(this);
    for (int i = 0; i < jobs.size(); ++i) {
        registerTable(jobs.at(i).table, jobs.at(i).container);
        noteTable(jobs.at(i).table, notes.at(i));
    }

    for (xer::XERTable *table : m_reader->tables()) {
        if (table->value(1).toString().toUpper() == QLatin1String("VIEWPROP"))
            fillLayout(table);
    }
    const qint64 tablesMs = timer.elapsed();

    // Everything the file holds is now in the containers and layout rows; the
    // line objects go, which halves the peak memory of a large file and
    // leaves their memory to the models built next.
    m_reader->release();
    qCDebug(lcXer).noquote() << QStringLiteral("XERLoader::read file %1 ms, tables %2 ms, release %3 ms")
                                    .arg(readMs)
                                    .arg(tablesMs - readMs)
                                    .arg(timer.elapsed() - tablesMs);

    emit progress(20, QStringLiteral("Create Predecessor Model"));
    createPredecessorModel();
    emit progress(30, QStringLiteral("Create Resource Model"));
    createResourceModel();
    emit progress(40, QStringLiteral("Create Codes Model"));
    createCodesModel();
    emit progress(50, QStringLiteral("Create Task Codes Assignment Model"));
    createTaskCodesAssignmentModel();
    emit progress(60, QStringLiteral("Create UDF Assignment Model"));
    createUDFAssignmentModel();
    emit progress(70, QStringLiteral("Create Activity Model"));
    createActivityModel();
    emit progress(80, QStringLiteral("Process data"));

    // The models were made on this pool thread; they are used on the
    // application's thread from finished() on, and signals among them must be
    // delivered there.
    QThread *target = QCoreApplication::instance() ? QCoreApplication::instance()->thread() : thread();
    moveModelsToThread(target);

    QThread::msleep(5);
    threadhandoff::release(this);
    emit finished();
    qCInfo(lcXer).noquote() << QStringLiteral("void XERLoader::read() stop: %1").arg(timer.elapsed());
}

void XERLoader::readTable(const QString &table, const std::shared_ptr<IContainer> &container)
{
    Q_ASSERT(container);
    if (!container)
        return;
    prepareContainer(table, container.get());
    noteTable(table, fillContainer(table, container.get()));
    registerTable(table, container);
}

void XERLoader::noteTable(const QString &table, const TableNotes &notes)
{
    if (notes.mismatched > 0)
        m_notes.mismatchedRecords[table] += notes.mismatched;
    if (notes.unread > 0)
        m_notes.unreadValues[table] += notes.unread;
    if (notes.copies > 1)
        m_notes.repeatedTables[table] = notes.copies;
    if (notes.otherCopies > 0) {
        m_notes.otherFieldListCopies[table] += notes.otherCopies;
        m_notes.otherFieldListRecords[table] += notes.otherRecords;
    }
}

void XERLoader::prepareContainer(const QString &table, IContainer *container) const
{
    if (container->fieldCount() == 0)
        container->setFields(schemaColumns(table));
}

XERLoader::TableNotes XERLoader::fillContainer(const QString &table, IContainer *container) const
{
    TableNotes notes;
    // Every copy of the table, in file order: an export can hold a table
    // twice (two exports put together). Names are compared in upper case, as
    // the reader keeps them.
    QVector<const xer::XERTable *> copies;
    if (m_reader) {
        for (const xer::XERTable *t : m_reader->tables()) {
            if (t->value(1).toString().toUpper() == table)
                copies.append(t);
        }
    }
    // Field names of a copy, as they are matched against the schema.
    const auto fieldNames = [](const xer::XERField *fields) {
        QStringList names;
        for (int k = 1; k < fields->fieldCount(); ++k)
            names << fields->value(k).toString().toLower();
        return names;
    };
    // The first copy with a field list sets the columns; a later copy with
    // the same list adds its records, one with another list is left out (and
    // counted, to be reported).
    const xer::XERField *fields = nullptr;
    QStringList names;
    QVector<const xer::XERTable *> sources;
    for (const xer::XERTable *t : qAsConst(copies)) {
        if (!t->fields())
            continue;
        if (!fields) {
            fields = t->fields();
            names = fieldNames(fields);
            sources.append(t);
        } else if (fieldNames(t->fields()) == names) {
            sources.append(t);
        } else {
            ++notes.otherCopies;
            notes.otherRecords += t->records().size();
        }
    }
    notes.copies = sources.size() + notes.otherCopies;
    if (!fields)
        return notes;
    // File column k (field k of "%F", marker included) to container column.
    struct Target
    {
        int field;
        int column;
        CellType type;
    };
    QVector<Target> targets;
    for (int k = 0; k < fields->fieldCount(); ++k) {
        const int column = container->indexOfCode(fields->value(k).toString().toLower());
        if (column >= 0)
            targets.append({k, column, cellType(container->fieldDataType(column))});
    }
    const int columns = container->fieldCount();
    int total = 0;
    for (const xer::XERTable *t : qAsConst(sources))
        total += t->records().size();
    container->reserve(total);
    DateTimeReader dates;
    for (const xer::XERTable *t : qAsConst(sources)) {
        for (const xer::XERRecord *record : t->records()) {
            // A record with more or fewer fields than its "%F" line keeps its
            // values in their own columns: extra fields are ignored, missing
            // ones read as empty.
            if (record->fieldCount() != fields->fieldCount())
                ++notes.mismatched;
            ContainerRow row(static_cast<size_t>(columns));
            for (const Target &target : qAsConst(targets)) {
                const QStringRef &text = record->value(target.field);
                if (text.isEmpty())
                    continue;
                bool unread = false;
                row[size_t(target.column)] = convert(text, target.type, dates, &unread);
                if (unread)
                    ++notes.unread;
            }
            container->addRow(std::move(row));
        }
    }
    if (notes.mismatched > 0)
        qCDebug(lcXer).noquote() << QStringLiteral("XERLoader::readTable %1: %2 records do not match the field list")
                                        .arg(table)
                                        .arg(notes.mismatched);
    return notes;
}

void XERLoader::registerTable(const QString &table, const std::shared_ptr<IContainer> &container)
{
    auto *model = new BaseContainerModel;
    model->setContainer(container);
    model->setObjectName(table);
    addModel(model);
}

void XERLoader::fillLayout(xer::XERTable *table)
{
    m_layoutRows.clear();
    Q_ASSERT(table);
    if (!table || !table->fields() || table->fields()->fieldCount() < 2)
        return;
    const xer::XERField *fields = table->fields();
    int idField = -1;
    int nameField = -1;
    int dataField = -1;
    for (int k = 1; k < fields->fieldCount(); ++k) {
        const QString name = fields->value(k).toString().toUpper();
        if (name == QLatin1String("VIEW_ID"))
            idField = k;
        else if (name == QLatin1String("VIEW_NAME"))
            nameField = k;
        else if (name == QLatin1String("DATA_POS"))
            dataField = k;
    }
    if (idField < 0 || nameField < 0 || dataField < 0)
        return;
    // Each key reads its own column's field.
    for (const xer::XERRecord *record : table->records()) {
        QVariantMap row;
        row.insert(QStringLiteral("VIEW_ID"), record->value(idField).toString());
        row.insert(QStringLiteral("VIEW_NAME"), record->value(nameField).toString());
        row.insert(QStringLiteral("VIEW_DATA"), record->value(dataField).toString());
        m_layoutRows.append(row);
    }
}
