#pragma once

#include <QtGlobal>

class ZGroupedTreeView;

namespace mygc {
class GanttChart;
}

// What the snip and print launchers ask before they draw the chart (and for
// print the table) into tiled pictures.
namespace ImageLimit {

// Charts of this many cells (date-axis columns times shown tasks) or more
// are refused as too large; a coarser time scale has fewer columns.
constexpr qint64 kMaxCells = 3000000;

bool tooLarge(qint64 cells);
bool tooLarge(const mygc::GanttChart *chart);

// Tiles of the pictures: one per cell and one per header column.
qint64 chartTiles(const mygc::GanttChart *chart);
// The tree's header over its shown rows (as many as the chart shows), in
// the visible columns.
qint64 treeTiles(ZGroupedTreeView *tree, const mygc::GanttChart *chart);

// Address space that pictures of that many tiles take with the dialog that
// shows them, besides their pixels: each tile's image and scene item, and
// the working set of drawing them (band images, the workers' heaps). The
// pixels are asked for while they are drawn, band by band (renderWidget):
// tiles alike share theirs, so only the drawing knows how many there are.
qint64 roomFor(qint64 tiles);
// Whether that room is there now (memoryroom::available): Qt's painting
// ends the process when memory runs out inside it, so the launchers ask
// before they draw.
bool hasRoom(qint64 tiles);

} // namespace ImageLimit
