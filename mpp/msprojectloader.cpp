#include "msprojectloader.h"

#include "mpprtask.h"

#include <QSet>
#include <QVarLengthArray>

#include <algorithm>

namespace mpmod {

namespace {

QVariantList headerList(std::initializer_list<const char *> names)
{
    QVariantList list;
    list.reserve(int(names.size()));
    for (const char *name : names)
        list.append(QString::fromLatin1(name));
    return list;
}

// A date column's value: null for no date.
QVariant dateValue(const QDateTime &date)
{
    if (!date.isValid() || date == mppr::Project::NULL_DATE)
        return QVariant();
    return date;
}

QString predecessorType(quint16 type)
{
    switch (type) {
    case mppr::Task::FinishToFinish:
        return QStringLiteral("PR_FF");
    case mppr::Task::FinishToStart:
        return QStringLiteral("PR_FS");
    case mppr::Task::StartToFinish:
        return QStringLiteral("PR_SF");
    case mppr::Task::StartToStart:
        return QStringLiteral("PR_SS");
    }
    return QStringLiteral(""); // an empty text, not a null value
}

// One place in the outline: the tasks' outline numbers are the numbers of
// the nodes from the top level down. Each task's node is derived from its
// parent's in one step, and the numbers are only walked when a task's outline
// number is written.
struct OutlineNode
{
    int parent;     // index, -1 for the root
    int number;     // place among the parent's children, from 1
    int childCount; // children numbered so far
    int depth;      // 0 for the root
};

class Outline
{
public:
    Outline() { m_nodes.append({-1, 0, 0, 0}); m_nodeOf.insert(0, 0); }

    void place(const mppr::Task &task)
    {
        if (task.uniqueId == 0)
            return; // the project's own summary task is the root
        int parent = task.parentUniqueId == task.uniqueId ? -1
                                                          : m_nodeOf.value(task.parentUniqueId, -1);
        // Without a numbered parent, or below the depth limit, a task goes
        // under the root instead.
        if (parent < 0 || m_nodes.at(parent).depth >= MSProjectLoader::MaxOutlineDepth)
            parent = 0;
        OutlineNode &p = m_nodes[parent];
        const OutlineNode node = {parent, ++p.childCount, 0, p.depth + 1};
        m_nodeOf.insert(task.uniqueId, m_nodes.size());
        m_nodes.append(node);
    }

    QString number(quint32 uniqueId) const
    {
        int index = m_nodeOf.value(uniqueId, 0);
        QVarLengthArray<int, 16> numbers;
        for (; index > 0; index = m_nodes.at(index).parent)
            numbers.append(m_nodes.at(index).number);
        QString text = QStringLiteral(""); // the root's number is an empty text
        for (int i = numbers.size() - 1; i >= 0; --i) {
            text += QString::number(numbers.at(i));
            if (i > 0)
                text += QLatin1Char('.');
        }
        return text;
    }

private:
    QVector<OutlineNode> m_nodes;
    QHash<quint32, int> m_nodeOf;
};

QVariantMap emptyRow(const QVariantList &headers)
{
    QVariantMap row;
    for (const QVariant &h : headers)
        row.insert(h.toString(), QVariant());
    return row;
}

} // namespace

const QVariantList MSProjectLoader::m_act_headers = headerList(
    {"task_id", "proj_id", "wbs_id", "task_type", "task_code", "task_name", "total_float_hr_cnt",
     "free_float_hr_cnt", "act_start_date", "act_end_date", "late_start_date", "late_end_date",
     "early_start_date", "early_end_date", "restart_date", "reend_date", "target_start_date",
     "target_end_date"});
const QVariantList MSProjectLoader::m_wbs_headers =
    headerList({"wbs_id", "seq_num", "wbs_short_name", "wbs_name", "parent_wbs_id"});
const QVariantList MSProjectLoader::m_pred_headers =
    headerList({"task_id", "pred_task_id", "pred_proj_id", "pred_type", "lag_hr_cnt"});
const QVariantList MSProjectLoader::m_codtyp_headers =
    headerList({"actv_code_type_id", "actv_code_type"});
const QVariantList MSProjectLoader::m_cod_headers =
    headerList({"actv_code_type_id", "actv_code_id", "parent_actv_code_id", "Code", "Value"});
const QVariantList MSProjectLoader::m_codtask_headers =
    headerList({"ACTV_CODE_TYPE_ID", "TASK_ID", "ACTV_CODE_ID"});

const QString MSProjectLoader::TT_MILESTONE = QStringLiteral("TT_Mile");
const QString MSProjectLoader::TT_TASK = QStringLiteral("TT_Task");
const QString MSProjectLoader::TT_SUMMARY = QStringLiteral("PR_Sum");

MSProjectLoader::MSProjectLoader(const QString &fileName, QObject *parent)
    : QObject(parent)
    , mppr::Project(fileName)
    , m_activities{QVariant(m_act_headers)}
    , m_wbs{QVariant(m_wbs_headers)}
    , m_predecessors{QVariant(m_pred_headers)}
    , m_codeTypes{QVariant(m_codtyp_headers)}
    , m_codes{QVariant(m_cod_headers)}
    , m_codeTasks{QVariant(m_codtask_headers)}
{
}

MSProjectLoader::~MSProjectLoader() = default;

bool MSProjectLoader::taskCompare(mppr::Task *a, mppr::Task *b)
{
    return a->id < b->id;
}

void MSProjectLoader::ensureModels()
{
    if (!m_initialized)
        initModels();
}

QVariantList MSProjectLoader::activitiesData()
{
    ensureModels();
    return m_activities;
}

QVariantList MSProjectLoader::wbsData()
{
    ensureModels();
    return m_wbs;
}

QVariantList MSProjectLoader::predecessorsData()
{
    ensureModels();
    return m_predecessors;
}

QVariantList MSProjectLoader::codeTypesData()
{
    ensureModels();
    return m_codeTypes;
}

QVariantList MSProjectLoader::codesData()
{
    ensureModels();
    return m_codes;
}

QVariantList MSProjectLoader::codeTasksData()
{
    ensureModels();
    return m_codeTasks;
}

void MSProjectLoader::initModels()
{
    const QHash<quint32, mppr::Task *> &all = tasks();
    QVector<mppr::Task *> sorted;
    sorted.reserve(all.size());
    for (mppr::Task *t : all)
        sorted.append(t);
    // Equal ids in unique-id order, so that a file always gives the same rows.
    std::sort(sorted.begin(), sorted.end(), [](mppr::Task *a, mppr::Task *b) {
        if (taskCompare(a, b) || taskCompare(b, a))
            return taskCompare(a, b);
        return a->uniqueId < b->uniqueId;
    });

    Outline outline;
    for (const mppr::Task *t : qAsConst(sorted))
        outline.place(*t);

    const QString baseline = QStringLiteral("Baseline");
    const auto addType = [this](int id, const QString &name) {
        QVariantMap row;
        row.insert(QStringLiteral("actv_code_type_id"), id);
        row.insert(QStringLiteral("actv_code_type"), name);
        m_codeTypes.append(row);
    };
    for (int n = 1; n <= 10; ++n) {
        const QString num = QString::number(n);
        addType(n, QStringLiteral("Start") + num);
        addType(100 + n, QStringLiteral("Finish") + num);
        addType(200 + n, QStringLiteral("Cost") + num);
        addType(300 + n, QStringLiteral("Duration") + num);
        addType(500 + n, baseline + num + QStringLiteral("Start"));
        addType(600 + n, baseline + num + QStringLiteral("Finish"));
        addType(800 + n, baseline + num + QStringLiteral("Cost"));
        addType(700 + n, baseline + num + QStringLiteral("Duration"));
    }
    addType(200, QStringLiteral("Cost0"));
    addType(500, baseline + QStringLiteral("0Start"));
    addType(600, baseline + QStringLiteral("0Finish"));
    addType(800, baseline + QStringLiteral("0Cost"));
    addType(700, baseline + QStringLiteral("0Duration"));
    for (int k = 1; k <= 30; ++k)
        addType(400 + k, QStringLiteral("Text") + QString::number(k));

    const QVariantMap taskTemplate = emptyRow(m_act_headers);
    const QVariantMap wbsTemplate = emptyRow(m_wbs_headers);
    const QVariantMap predTemplate = emptyRow(m_pred_headers);
    const QVariantMap codeTemplate = emptyRow(m_cod_headers);
    const QVariantMap codeTaskTemplate = emptyRow(m_codtask_headers);

    int codeId = 0;
    QSet<quint32> wbsMade;
    for (const mppr::Task *t : qAsConst(sorted)) {
        if (t->excluded[0] || t->excluded[1])
            continue;

        QVariantMap row = taskTemplate;
        row.insert(QStringLiteral("task_id"), uint(t->id));
        row.insert(QStringLiteral("proj_id"), 1);
        if (t->uniqueId != 0)
            row.insert(QStringLiteral("wbs_id"), uint(t->parentUniqueId));
        row.insert(QStringLiteral("task_type"), t->milestone ? TT_MILESTONE : TT_TASK);
        const QString taskCode = t->wbs.isEmpty() ? outline.number(t->uniqueId) : t->wbs;
        row.insert(QStringLiteral("task_code"), taskCode);
        row.insert(QStringLiteral("task_name"), t->name);
        // Tenths of minutes to whole hours, truncated toward zero.
        row.insert(QStringLiteral("total_float_hr_cnt"), t->totalSlack / 600);
        row.insert(QStringLiteral("free_float_hr_cnt"), t->freeSlack / 600);
        row.insert(QStringLiteral("act_start_date"), dateValue(t->actualStart));
        row.insert(QStringLiteral("act_end_date"), dateValue(t->actualFinish));
        row.insert(QStringLiteral("late_start_date"), dateValue(t->lateStart));
        row.insert(QStringLiteral("late_end_date"), dateValue(t->lateFinish));
        row.insert(QStringLiteral("early_start_date"), dateValue(t->earlyStart));
        row.insert(QStringLiteral("early_end_date"), dateValue(t->earlyFinish));
        row.insert(QStringLiteral("target_start_date"), dateValue(t->start));
        row.insert(QStringLiteral("target_end_date"), dateValue(t->finish));
        m_activities.append(row);

        const mppr::Task *parent = task(t->parentUniqueId);
        if (parent && !wbsMade.contains(parent->uniqueId)) {
            QVariantMap w = wbsTemplate;
            w.insert(QStringLiteral("wbs_id"), uint(parent->uniqueId));
            w.insert(QStringLiteral("seq_num"), wbsMade.size());
            QString shortName = parent->wbs;
            if (shortName.isEmpty())
                shortName = outline.number(parent->uniqueId);
            if (shortName.isEmpty())
                shortName = QString::number(parent->uniqueId);
            w.insert(QStringLiteral("wbs_short_name"), shortName);
            w.insert(QStringLiteral("wbs_name"), parent->name);
            if (parent->parentUniqueId != 0)
                w.insert(QStringLiteral("parent_wbs_id"), uint(parent->parentUniqueId));
            m_wbs.append(w);
            wbsMade.insert(parent->uniqueId);
        }

        // The link vectors are parallel; a shorter one ends them all.
        const int links = std::min({t->predecessorUniqueIds.size(), t->predecessorLags.size(),
                                    t->predecessorTypes.size()});
        for (int i = 0; i < links; ++i) {
            const mppr::Task *pred = task(t->predecessorUniqueIds.at(i));
            if (!pred)
                continue;
            QVariantMap p = predTemplate;
            p.insert(QStringLiteral("task_id"), uint(t->id));
            p.insert(QStringLiteral("pred_task_id"), uint(pred->id));
            p.insert(QStringLiteral("pred_proj_id"), 1);
            p.insert(QStringLiteral("pred_type"), predecessorType(t->predecessorTypes.at(i)));
            p.insert(QStringLiteral("lag_hr_cnt"), int(t->predecessorLags.at(i)));
            m_predecessors.append(p);
        }

        const auto addValue = [&](int typeId, const QVariant &value) {
            QVariantMap c = codeTemplate;
            c.insert(QStringLiteral("actv_code_type_id"), typeId);
            c.insert(QStringLiteral("actv_code_id"), codeId);
            c.insert(QStringLiteral("Value"), value);
            m_codes.append(c);
            QVariantMap a = codeTaskTemplate;
            a.insert(QStringLiteral("ACTV_CODE_TYPE_ID"), typeId);
            a.insert(QStringLiteral("TASK_ID"), uint(t->id));
            a.insert(QStringLiteral("ACTV_CODE_ID"), codeId);
            m_codeTasks.append(a);
            ++codeId;
        };
        const auto addDate = [&](int typeId, const QDateTime &d) {
            const QVariant v = dateValue(d);
            if (!v.isNull())
                addValue(typeId, v);
        };
        const auto addCost = [&](int typeId, double v) {
            if (v != 0)
                addValue(typeId, v);
        };
        const auto addDuration = [&](int typeId, qint32 v) {
            if (v != 0)
                addValue(typeId, int(v));
        };
        for (int n = 1; n <= 10; ++n)
            addDate(n, t->starts[n - 1]);
        for (int n = 1; n <= 10; ++n)
            addDate(100 + n, t->finishes[n - 1]);
        addCost(200, t->cost);
        for (int n = 1; n <= 10; ++n)
            addCost(200 + n, t->costs[n - 1]);
        for (int n = 1; n <= 10; ++n)
            addDuration(300 + n, t->durations[n - 1]);
        for (int k = 1; k <= 30; ++k) {
            if (!t->text[k - 1].isEmpty())
                addValue(400 + k, t->text[k - 1]);
        }
        addDate(500, t->baselineStart);
        for (int n = 1; n <= 10; ++n)
            addDate(500 + n, t->baselineStarts[n - 1]);
        addDate(600, t->baselineFinish);
        for (int n = 1; n <= 10; ++n)
            addDate(600 + n, t->baselineFinishes[n - 1]);
        addDuration(700, t->baselineDuration);
        for (int n = 1; n <= 10; ++n)
            addDuration(700 + n, t->baselineDurations[n - 1]);
        addCost(800, t->baselineCost);
        for (int n = 1; n <= 10; ++n)
            addCost(800 + n, t->baselineCosts[n - 1]);
    }

    m_initialized = true;
}

} // namespace mpmod
