#pragma once

#include <QtGlobal>

class ProjectLoader;

// Qt's widgets and models end the process when memory runs out inside them;
// they cannot be unwound. So before a loaded project is handed to the main
// window, the memory the window will need for it (the hand-over, the first
// show, grouping by WBS and Expand All) is estimated from the loaded models
// and asked of the system once, through memoryroom::available: an open that
// would run out fails instead.
namespace WindowMemory {

// Bytes the main window needs for the loader's project: a fixed part and a
// part per activity, WBS node, relationship and resource assignment, taken
// from the row counts of the loaded models (a few calls, no pass over rows).
qint64 estimate(const ProjectLoader &loader);

// Of the estimate, the bytes that the main thread's heap holds free now
// and will hand out before it grows: the window's small blocks, at most
// three quarters of the estimate, the share measured for them (the rest
// are large blocks the allocator maps on their own). After a Close the heap
// keeps the address space of the project's freed memory below blocks made
// later; a reopen takes it again. 0 where it cannot be told.
qint64 reusable(qint64 estimate);

// The free bytes in the bins of the main thread's heap (address space the
// heap holds and hands out again); 0 where that cannot be told.
qint64 heapFree();

// Of what the window kept in use after a project of keptEstimate had gone
// (Qt's item views keep their row layout's capacity, for as many rows as
// they laid out), the bytes a project of this estimate takes again rather
// than anew: a share in proportion, at most all of it.
qint64 keptShare(qint64 kept, qint64 keptEstimate, qint64 estimate);

// The bytes the allocator has handed out and not had back; 0 where that
// cannot be told.
qint64 heapInUse();

// The free bytes in the bins of the main thread's heap (numbered 0) that a
// report of glibc's malloc_info gives; 0 when the report does not tell.
qint64 heapFreeInReport(const char *report);

// Gives what the allocator keeps of freed memory back to the system (glibc
// keeps free pages in every arena's heap until asked): called when a
// project has gone, so the process shrinks to what an empty window holds,
// and when a read has ended.
void releaseFreed();

// The line to print when the viewer's start lacks the address space it
// takes beyond what is mapped as main() begins, else nullptr: the platform
// plugin QApplication loads (the last -platform argument, else
// QT_QPA_PLATFORM, else the window system) with its libraries, the
// window's making and first show, and the threads they start. Without it Qt
// ends the process inside that making, or the desktop's menu bar waits
// forever for a D-Bus thread that could not start. Allocates nothing.
const char *startRefusal(int argc, char **argv);

// Tests only: multiplies every estimate, to make one larger than any
// machine holds. 1 by default.
void setEstimateScale(qint64 scale);

// Tests only: heapFree and heapInUse give these bytes rather than what the
// allocator tells, which other threads change meanwhile; negative (the
// default) for the allocator's own.
void setHeap(qint64 free, qint64 inUse);

} // namespace WindowMemory
