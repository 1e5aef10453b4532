#pragma once

#include "modelhelpers.h"

class QAbstractItemModel;

// Fills the three columns of the activity table whose values depend on the
// tree the activities pane shows:
// - "Row Number": position of the row in the tree's depth-first order,
//   counted from 1, group band rows included;
// - "Outline Level": depth of the row (1 at the top level; a child of a row
//   whose level reads 0 gets 0);
// - "Predecessors Details Rows": the predecessors of each activity as their
//   row numbers followed by the relation text ("12FS, 15SS+8h").
//
// tree is the model whose rows are numbered (the pane's parent-item proxy);
// the first two columns are written through it. table is the flat activity
// model under it, which receives the third column by top-level row.
// relations is predecessorsMap of the relation model (task id -> predecessor
// activity ID -> relation text); the caller keeps it for as long as the
// relation model stays, as building it is the costly part. Columns are found
// by caption; a missing column skips its part.
//
// One pass over the tree and one over the table; predecessor rows come from
// a hash built during the first pass. The walk never asks the tree for a
// parent, so a proxy whose parent lookup is slow costs no more than its
// index lookup.
void updateRowNumbers(QAbstractItemModel *tree, QAbstractItemModel *table,
                      const RelationMap &relations);
