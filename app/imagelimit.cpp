#include "imagelimit.h"

#include "memoryroom.h"

#include "qganttchart.h"
#include "qgcdateaxis.h"
#include "qgcvaxis.h"
#include "zgroupedtreeview.h"

#include <QHeaderView>

#include <limits>

namespace ImageLimit {

qint64 pictureBytes(qint64 width, qint64 height)
{
    if (width <= 0 || height <= 0)
        return 0;
    // Beyond this the product would overflow; such a picture never fits.
    constexpr qint64 kSide = qint64(1) << 30;
    if (width >= kSide || height >= kSide)
        return std::numeric_limits<qint64>::max();
    return width * height * 4;
}

qint64 chartBytes(mygc::GanttChart *chart)
{
    if (!chart)
        return 0;
    chart->flushPendingRebuild();
    const mygc::DateAxis *axis = chart->dateAxis();
    const qint64 width = qint64(axis->columnsCount()) * axis->columnWidth();
    const int rowHeight = chart->taskCount() > 0 ? chart->rowAxis()->rowHeightAt(0) : 0;
    const qint64 height = chart->dateAxisHeight() + qint64(chart->taskCount()) * rowHeight;
    return pictureBytes(width, height);
}

qint64 treeBytes(ZGroupedTreeView *tree, const mygc::GanttChart *chart)
{
    if (!tree || !chart)
        return 0;
    qint64 width = 0;
    for (int w : tree->visibleColumnWidths())
        width += qMax(0, w);
    int rowHeight = chart->rowHeight();
    if (tree->model() && tree->model()->rowCount() > 0) {
        const int first = tree->visualRect(tree->model()->index(0, 0)).height();
        if (first > 0)
            rowHeight = first;
    }
    const qint64 height = tree->header()->height() + qint64(chart->taskCount()) * rowHeight;
    return pictureBytes(width, height);
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

qint64 roomFor(qint64 bytes, qint64 tiles)
{
    // A tile's image and allocation (some 250 bytes) and its scene item
    // (some 600 bytes), rounded up.
    constexpr qint64 kPerTile = 1024;
    // One band image per worker and the heaps the workers start.
    constexpr qint64 kWorkingSet = qint64(64) << 20;
    if (bytes < 0 || tiles < 0 || !fits(bytes) || tiles > kMaxBytes)
        return std::numeric_limits<qint64>::max();
    // The pixels once, an eighth more for their allocations' rounding.
    return bytes + bytes / 8 + tiles * kPerTile + kWorkingSet;
}

bool hasRoom(qint64 bytes, qint64 tiles)
{
    return memoryroom::available(roomFor(bytes, tiles));
}

bool fits(qint64 bytes)
{
    return bytes >= 0 && bytes <= kMaxBytes;
}

bool fits(qint64 first, qint64 second)
{
    // Each within the limit first, so the sum cannot overflow.
    return fits(first) && fits(second) && fits(first + second);
}

} // namespace ImageLimit
