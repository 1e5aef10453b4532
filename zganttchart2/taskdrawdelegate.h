#pragma once

#include <QDateTime>
#include <QRect>

class QPainter;

namespace mygc {

class DateAxis;
class GanttChart;
class TaskItem;

// Draws one task in its row: the bars of a normal task (main, baseline and
// actual pair), a summary bar or a milestone, in the chart's bar styles
// picked by position (0 normal, 1 milestone, 2 summary, 3 and 4 the further
// date pairs).
class TaskDrawDelegate
{
public:
    explicit TaskDrawDelegate(GanttChart *chart);

    virtual void drawBar(const TaskItem *task, QPainter *painter, DateAxis *axis, const QRect &rowRect,
                         int styleIndex, const QDateTime &from, const QDateTime &to);
    virtual void drawMilestone(const TaskItem *task, QPainter *painter, DateAxis *axis,
                               const QRect &rowRect);
    virtual ~TaskDrawDelegate();
    virtual int leftExtent() const;
    virtual int rightExtent() const;
    // Pixels a start, end or milestone shape reaches out from its date on
    // either side (its date's own pixel included on the right).
    static int shapeReach();
    virtual void draw(const TaskItem *task, QPainter *painter, DateAxis *axis, const QRect &rowRect);

private:
    GanttChart *chart_; // Not owned.
};

} // namespace mygc
