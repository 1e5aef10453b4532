#pragma once

#include <QVariant>
#include <QVector>

namespace mygc {
class GanttChart;
}

// The Gantt chart's side of a layout: its bar styles as layout objects, and
// a layout's styles given to the chart with the fixed display options every
// layout sets (links shown, no alternating rows, no vertical lines, caption
// formats 0, 0, 1, 1, 1 for year, quarter, month, week and day, no label
// columns).
class ChartLayout
{
public:
    static QVariantList barStyles(const mygc::GanttChart &chart);
    // Elements that are not objects become default styles; an empty list
    // leaves the chart without styles.
    static void setBarStyles(mygc::GanttChart &chart, const QVariantList &styles);
    // Time-scale units (3 day, 4 week, 6 month, 7 quarter, 9 year) to the
    // chart's date levels, in the order given.
    static void setDateLevels(mygc::GanttChart &chart, const QVector<int> &units);
};
