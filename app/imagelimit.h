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

// Address space that pictures of that many chart and table tiles take with
// the dialog that shows them and, for Print, a print of every page: the
// tiles' pixels, each tile's image, scene item and place in the view's
// index, and the working set of drawing and printing them (band images,
// the workers' heaps, the page being painted, the PDF engine). Tiles alike
// share their pixels, so only the drawing knows what a picture takes: the
// estimate is what table and chart cells take on average, measured on
// large projects at Year and Month.
qint64 roomFor(qint64 chartTiles, qint64 tableTiles = 0);
// Whether that room is there now (memoryroom::available): Qt's painting
// ends the process when memory runs out inside it, so the launchers ask
// before they draw.
bool hasRoom(qint64 chartTiles, qint64 tableTiles = 0);

} // namespace ImageLimit
