#include "imagelimit.h"

#include "memoryroom.h"
#include "windowmemory.h"

#include "qganttchart.h"
#include "qgcdateaxis.h"
#include "zgroupedtreeview.h"

#include <atomic>
#include <limits>

namespace ImageLimit {

namespace {
// One band image per worker and the heaps the workers start; the page being
// painted and the PDF engine.
constexpr qint64 kWorkingSet = qint64(64) << 20;
// Of a tile's room, what lives on the heap: its image, its item of the
// preview and its place in the preview's index. Its pixels are mapped on
// their own (TileMemory).
constexpr qint64 kHeapPerTile = 1024;
// What the first picture's dialog keeps to the end of the process: the
// print system's libraries and the style's and fonts' caches. Asked for
// once more by the first picture, so that a limit that lets one print
// through lets the next.
constexpr qint64 kFirstPictureKeeps = qint64(48) << 20;
std::atomic<bool> g_pictureMade{false};
} // namespace

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

qint64 roomFor(qint64 chartTiles, qint64 tableTiles)
{
    // Measured on exports of 5,000 to 110,000 rows at Year and at Month:
    // a table cell's text seldom repeats, so most of its tiles hold pixels
    // of their own (3 to 5.5 KiB); a chart's cells are mostly alike and
    // share theirs (0.2 to 0.5 KiB). Either takes 0.8 to 1.4 KiB more as
    // an item of the preview, in its index and in the print's own work.
    constexpr qint64 kPerChartTile = 1024;
    constexpr qint64 kPerTableTile = 7 * 1024;
    constexpr qint64 kMax = std::numeric_limits<qint64>::max();
    if (chartTiles < 0 || tableTiles < 0 || chartTiles > (kMax - kWorkingSet) / 2 / kPerChartTile
        || tableTiles > (kMax - kWorkingSet) / 2 / kPerTableTile)
        return kMax;
    return chartTiles * kPerChartTile + tableTiles * kPerTableTile + kWorkingSet;
}

bool hasRoom(qint64 chartTiles, qint64 tableTiles)
{
    // A heap shrinks only from its top, and the dialog leaves blocks of its
    // own above the last picture's (the style's pixmaps, font caches): the
    // heap keeps the address space of that picture's small blocks (its
    // tiles' images, the preview's items and index), free and its pages
    // given back. The next picture's small blocks take it again; its pixels
    // and its working set are mapped anew. Counted as taken, the same print
    // was refused once a limit was near.
    qint64 room = roomFor(chartTiles, tableTiles);
    if (room > std::numeric_limits<qint64>::max() - kFirstPictureKeeps)
        return false;
    if (!g_pictureMade.load())
        room += kFirstPictureKeeps;
    const qint64 smallBlocks = (chartTiles + tableTiles) * kHeapPerTile;
    if (!memoryroom::available(room, qMin(WindowMemory::heapFree(), smallBlocks)))
        return false;
    g_pictureMade.store(true);
    return true;
}

} // namespace ImageLimit
