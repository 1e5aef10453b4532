#pragma once

#include "modelhelpers.h"

#include <QHash>
#include <QPair>
#include <QString>
#include <QVector>

class QAbstractItemModel;
class ZParentItemProxyModel;

// Fills the three columns of the activity table whose values depend on the
// tree the activities pane shows:
// - "Row Number": position of the row in the tree's depth-first order,
//   counted from 1, group band rows included;
// - "Outline Level": depth of the row (1 at the top level; a child of a row
//   whose level reads 0 gets 0);
// - "Predecessors Details Rows": the predecessors of each activity as their
//   row numbers followed by the relation text ("12FS, 15SS+8h"), a
//   predecessor related twice once per relationship ("12FS, 12FF"); a
//   predecessor that is not in the tree gets 0, and of two rows with the same
//   activity ID the one numbered last counts.
//
// A numbering is built once per project from the activity table and the
// relations (predecessorsMap, or the same as a list from predecessorList): it
// resolves every relation to a slot per predecessor activity ID and finds the
// slot of every activity row, so that renumbering after each regrouping does
// no text lookups beyond one per band row. update() can then run any number of
// times over trees built on the same table (its first rows stay the
// activities; rows appended later, such as group bands, are looked up
// directly).
class RowNumbering
{
public:
    RowNumbering() = default;
    RowNumbering(QAbstractItemModel *table, const RelationMap &relations);
    // The same from the relations as predecessorList gives them.
    RowNumbering(QAbstractItemModel *table, const QVector<RelationEntry> &relations);

    // tree is the model whose rows are numbered (the pane's parent-item
    // proxy); "Row Number" and "Outline Level" are written through it. table
    // is the flat activity model, which receives "Predecessors Details Rows"
    // by top-level row. Columns are found by caption; a missing column skips
    // its part. Nothing is written for an empty tree.
    void update(QAbstractItemModel *tree, QAbstractItemModel *table) const;

private:
    void build(QAbstractItemModel *table, const QVector<RelationEntry> &relations);
    // Row numbers and levels of a parent-item tree over a quiet table.
    void numberParentTree(ZParentItemProxyModel *tree, QAbstractItemModel *table, int rowColumn,
                          int levelColumn, int idColumn) const;

    using Entry = QPair<int, QString>; // predecessor slot, relation text
    using Run = QPair<int, int>;       // entries [first, second) of one activity

    Run runOfTask(int taskId) const { return m_runOfTask.value(taskId, Run(0, 0)); }

    // Every relation once, grouped by activity, each group in predecessor
    // ID order.
    QVector<Entry> m_entries;
    QHash<int, Run> m_runOfTask;           // task id -> its group in m_entries
    QHash<QString, int> m_slotOfId;        // predecessor activity ID -> slot
    QVector<Run> m_rowRuns;                // by table row
    QVector<int> m_slotOfRow;              // by table row: slot of its activity ID, or -1
    mutable QVector<int> m_numberOfSlot;   // update()'s row number per slot
};
