#pragma once

#include "dateaxislevel.h"

#include <QDateTime>
#include <QSharedPointer>
#include <QVector>

namespace mygc {

class DateAxis;
class GanttChart;

class DateAxisPrivate
{
public:
    DateAxis *axis_ = nullptr;                       // Not owned.
    QVector<QSharedPointer<DateAxisLevel>> levels_;  // Level 0 is the finest.
    static constexpr int kColumnWidth = 25;          // Of a new axis.
    int preferredColumnWidth_ = kColumnWidth;        // As set by dragging.
    int columnWidth_ = kColumnWidth;                 // In use: narrower when the axis would be too wide.
    int columns_ = 0;
    int axisWidth_ = 0;
    QDateTime requestedStart_;
    QDateTime requestedEnd_;
    qint64 requestedStartMs_ = 0;
    qint64 requestedEndMs_ = 0;
    int edgeRoom_ = 0;                               // Pixels kept free at both ends.
    QDateTime axis_start_dt_;
    QDateTime axis_end_dt_;
    // The range ends as instants, kept in step with the two above.
    bool rangeValid_ = false;
    qint64 startMs_ = 0;
    qint64 endMs_ = 0;
    bool empty_ = false;
    GanttChart *chart_ = nullptr;                    // Not owned.
};

} // namespace mygc
