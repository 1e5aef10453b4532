#pragma once

#include "zindex.h"

#include <QList>
#include <QMap>
#include <QString>

class QAbstractItemModel;

// The steps of the activity grouping that work on indexes and tables alone,
// apart from the pane that drives them.

// The depth a grouping rule asks for: "All" or an empty rule keeps every
// depth (0); otherwise the integer of the rule's last two characters,
// surrounding blanks allowed ("To level 3" gives 3, "... 12" gives 12), or 0
// when they are not a number.
int groupDepthFromTitle(const QString &title);

// The key under which rows without a value for a grouped field are kept: an
// empty, non-null text, so the band is recognised as a group row and shows
// an empty title.
QVariant noValueKey();

// Puts every top-level row of index.model (0 .. rowCount-1) that no node of
// the index holds into a top-level node under noValueKey(), created or
// extended as needed. Afterwards every row of the model is in the index.
void keepRowsWithoutValue(ZIndex &index, int rowCount);

// The levels combined left to right, outermost first, with cross(); an
// empty list gives an index over no model.
ZIndex crossLevels(const QList<ZIndex> &levels);

// Appends one band row per node of index at the end of model (the structure
// table under the activity model), writes the node's display value into its
// groupColumn (an empty text when the node has none) and returns the parent
// structure that hangs the activity rows under their bands and the bands
// under each other: under a band come its own rows in ascending order, then
// its child bands in key order; bands without a title come after their
// titled siblings. model's signals are blocked while it grows: the views
// learn of the change through the parent structure's reset.
QMap<int, QList<int>> appendBandRows(QAbstractItemModel *model, const ZIndex &index,
                                     int groupColumn);
