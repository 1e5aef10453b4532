#pragma once

#include "mpprproject.h"

#include <QObject>
#include <QVariantList>

namespace mppr {
struct Task;
}

namespace mpmod {

// Turns an MPP project into six tables shaped like the P6 tables of an XER
// file: TASK, PROJWBS, TASKPRED, ACTVTYPE, ACTVCODE and TASKACTV. Each table
// is a list whose first element holds the column names and whose further
// elements are rows (maps from column name to value; a column without a value
// holds a null variant). Custom task fields become activity code types with
// fixed ids and each non-empty value one code value assigned to its task.
//
// The caller runs read() first; the first table request builds all six tables
// from what the model holds then, later requests return the same lists. Not
// thread-safe: ask for the tables from one thread.
class MSProjectLoader : public QObject, public mppr::Project
{
    Q_OBJECT
public:
    explicit MSProjectLoader(const QString &fileName, QObject *parent = nullptr);
    ~MSProjectLoader() override;

    QVariantList activitiesData();
    QVariantList wbsData();
    QVariantList predecessorsData();
    QVariantList codeTypesData();
    QVariantList codesData();
    QVariantList codeTasksData();

    static bool taskCompare(mppr::Task *a, mppr::Task *b);

    static const QVariantList m_act_headers;
    static const QVariantList m_wbs_headers;
    static const QVariantList m_pred_headers;
    static const QVariantList m_codtyp_headers;
    static const QVariantList m_cod_headers;
    static const QVariantList m_codtask_headers;

    static const QString TT_MILESTONE;
    static const QString TT_TASK;
    static const QString TT_SUMMARY;

    // Nesting deeper than this is placed under the root, which keeps a long
    // chain of nested tasks linear.
    static constexpr int MaxOutlineDepth = 1000;

private:
    void initModels();
    void ensureModels();

    QVariantList m_activities;
    QVariantList m_wbs;
    QVariantList m_predecessors;
    QVariantList m_codeTypes;
    QVariantList m_codes;
    QVariantList m_codeTasks;
    bool m_initialized = false;
};

} // namespace mpmod
