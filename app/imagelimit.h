#pragma once

#include <QtGlobal>

class QTreeView;
class ZGroupedTreeView;

namespace mygc {
class GanttChart;
}

// The snip and print launchers draw the chart (and for print the table) into
// tiled images held whole in memory: one 32-bit tile per cell. They refuse
// what memory cannot be expected to hold, counted in bytes before anything
// is drawn.
namespace ImageLimit {

// The largest picture the launchers make.
constexpr qint64 kMaxBytes = qint64(1) << 30;

// Bytes of a picture of the given size in pixels, 4 per pixel; negative
// sizes count as 0.
qint64 pictureBytes(qint64 width, qint64 height);
// The chart's date axis over one tile row per shown task.
qint64 chartBytes(mygc::GanttChart *chart);
// The tree's header over its shown rows (as many as the chart shows), in
// the visible columns.
qint64 treeBytes(ZGroupedTreeView *tree, const mygc::GanttChart *chart);
// Tiles of those pictures: one per cell and one per header column.
qint64 chartTiles(const mygc::GanttChart *chart);
qint64 treeTiles(ZGroupedTreeView *tree, const mygc::GanttChart *chart);
bool fits(qint64 bytes);
// Two pictures together (table and chart).
bool fits(qint64 first, qint64 second);

// Address space that pictures of that many bytes and tiles take together
// with the dialog that shows them: the pixels, each tile's image and scene
// item, and the working set of drawing them (band images, the workers'
// heaps). Measured on the print of a large project (pixels and tiles
// together grew the process by 1.1 times their pixels) and given a margin.
qint64 roomFor(qint64 bytes, qint64 tiles);
// Whether that room is there now (memoryroom::available): Qt's painting
// ends the process when memory runs out inside it, so the launchers ask
// before they draw.
bool hasRoom(qint64 bytes, qint64 tiles);

} // namespace ImageLimit
