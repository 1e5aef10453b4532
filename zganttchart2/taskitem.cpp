#include "taskitem.h"

namespace mygc {

TaskItem::~TaskItem() = default;

void TaskItem::setProgress(float progress)
{
    if (progress > 1.0f)
        progress_ = 1.0f;
    else if (progress < 0.0f)
        progress_ = 0.0f;
    else
        progress_ = progress;
}

} // namespace mygc
