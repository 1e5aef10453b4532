#pragma once

#include <QSet>
#include <QVariant>

// One key of a group-by index: the source rows that carry the key, the key of
// its parent node (invalid or null for a top-level node) and what is shown for
// it. A plain value, copied whole.
struct ZNode
{
    QSet<int> rows;
    QVariant parent;
    QVariant display;
};
