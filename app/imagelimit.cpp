#include "imagelimit.h"

#include "memoryroom.h"

#include "qganttchart.h"
#include "qgcdateaxis.h"
#include "zgroupedtreeview.h"

#include <limits>

namespace ImageLimit {

bool tooLarge(qint64 cells)
{
    return cells >= kMaxCells;
}

bool tooLarge(const mygc::GanttChart *chart)
{
    return chart && tooLarge(chart->cellsCount());
}

qint64 chartTiles(const mygc::GanttChart *chart)
{
    if (!chart)
        return 0;
    return qint64(chart->taskCount() + 1) * chart->dateAxis()->columnsCount();
}

qint64 treeTiles(ZGroupedTreeView *tree, const mygc::GanttChart *chart)
{
    if (!tree || !chart)
        return 0;
    return qint64(chart->taskCount() + 1) * tree->visibleColumnWidths().size();
}

qint64 roomFor(qint64 tiles)
{
    // A tile's image and allocation (some 250 bytes) and its scene item
    // (some 600 bytes), rounded up.
    constexpr qint64 kPerTile = 1024;
    // One band image per worker and the heaps the workers start.
    constexpr qint64 kWorkingSet = qint64(64) << 20;
    if (tiles < 0 || tiles > std::numeric_limits<qint64>::max() / kPerTile - kWorkingSet)
        return std::numeric_limits<qint64>::max();
    return tiles * kPerTile + kWorkingSet;
}

bool hasRoom(qint64 tiles)
{
    return memoryroom::available(roomFor(tiles));
}

} // namespace ImageLimit
