#pragma once

#include "taskitem.h"

#include <QSharedPointer>

namespace mygc {

// The chart area's entry for one task row.
class ChartTaskItem
{
public:
    QSharedPointer<TaskItem> task;
    int left = 0;
    int width = 0;
    int row = 0;
    // The start and finish as epoch milliseconds (valid rows only), taken
    // once: painting converts them again and again, and a local date-time
    // costs a trip through the C library each time.
    qint64 startMs = 0;
    qint64 finishMs = 0;
    // Start and finish are both valid and the finish is not before the start;
    // other rows get no background, bars or labels.
    bool valid = false;
};

} // namespace mygc
