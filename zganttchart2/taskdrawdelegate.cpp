#include "taskdrawdelegate.h"

#include "qganttchart.h"
#include "qgcdateaxis.h"
#include "taskitem.h"
#include "zitempainter.h"

#include <QPainter>

namespace mygc {

namespace {

constexpr int kShapeSize = 11;
constexpr int kShapeHalf = 5;

enum StylePosition { NormalStyle = 0, MilestoneStyle = 1, SummaryStyle = 2, BaselineStyle = 3, ActualStyle = 4 };

} // namespace

TaskDrawDelegate::TaskDrawDelegate(GanttChart *chart)
    : chart_(chart)
{
}

TaskDrawDelegate::~TaskDrawDelegate() = default;

int TaskDrawDelegate::leftExtent() const
{
    return 0;
}

int TaskDrawDelegate::rightExtent() const
{
    return 0;
}

int TaskDrawDelegate::shapeReach()
{
    return kShapeHalf + 1;
}

void TaskDrawDelegate::draw(const TaskItem *task, QPainter *painter, DateAxis *axis, const QRect &rowRect)
{
    Q_ASSERT(task);
    if (!task || !chart_ || !painter || !axis)
        return;
    switch (task->type()) {
    case TaskItem::Summary:
        drawBar(task, painter, axis, rowRect, SummaryStyle, task->start(), task->finish());
        break;
    case TaskItem::Milestone:
        drawMilestone(task, painter, axis, rowRect);
        break;
    case TaskItem::Normal:
        drawBar(task, painter, axis, rowRect, NormalStyle, task->start(), task->finish());
        drawBar(task, painter, axis, rowRect, BaselineStyle, task->baselineStart(), task->baselineFinish());
        drawBar(task, painter, axis, rowRect, ActualStyle, task->actualStart(), task->actualFinish());
        break;
    default:
        break;
    }
}

void TaskDrawDelegate::drawBar(const TaskItem *task, QPainter *painter, DateAxis *axis,
                               const QRect &rowRect, int styleIndex, const QDateTime &from,
                               const QDateTime &to)
{
    Q_UNUSED(task)
    if (!chart_ || !from.isValid() || !to.isValid())
        return;
    const QList<ZGanttViewBarStyle> &styles = chart_->barStyleList();
    if (styleIndex < 0 || styleIndex >= styles.size())
        return;
    const ZGanttViewBarStyle &style = styles.at(styleIndex);
    if (!style.visible)
        return;
    const int x1 = axis->dateToPoint(from);
    const int x2 = axis->dateToPoint(to);
    const int y = rowRect.top() + style.bodyShapeOffset - 1;

    painter->setPen(style.bodyColor);
    painter->setBrush(QBrush(style.bodyColor, Qt::SolidPattern));
    const QRect body(QPoint(x1, y), QPoint(x2 - 1, y + style.bodyShapeHeight - 1));
    painter->drawRects(&body, 1);

    if (style.startPointColor.isValid()) {
        painter->setPen(style.startPointColor);
        painter->setBrush(QBrush(style.startPointColor, Qt::SolidPattern));
        drawShape(painter, QRect(QPoint(x1 - kShapeHalf, y), QPoint(x1 + kShapeHalf, y + 10)),
                  style.startPointShape, kShapeSize);
    }
    if (style.endPointColor.isValid()) {
        painter->setPen(style.endPointColor);
        painter->setBrush(QBrush(style.endPointColor, Qt::SolidPattern));
        drawShape(painter, QRect(QPoint(x2 - kShapeHalf, y), QPoint(x2 + kShapeHalf, y + 10)),
                  style.endPointShape, kShapeSize);
    }
}

void TaskDrawDelegate::drawMilestone(const TaskItem *task, QPainter *painter, DateAxis *axis,
                                     const QRect &rowRect)
{
    if (!chart_ || !task)
        return;
    const QList<ZGanttViewBarStyle> &styles = chart_->barStyleList();
    if (styles.size() < 2)
        return;
    const ZGanttViewBarStyle &style = styles.at(MilestoneStyle);
    if (!style.visible || !style.startPointColor.isValid())
        return;
    const int x = axis->dateToPoint(task->start());
    const int m = rowRect.height() / 2;
    painter->setPen(style.startPointColor);
    painter->setBrush(QBrush(style.startPointColor, Qt::SolidPattern));
    drawShape(painter,
              QRect(QPoint(x - kShapeHalf, rowRect.top() + m - 6), QPoint(x + kShapeHalf, rowRect.top() + m + 4)),
              style.startPointShape, kShapeSize);
}

} // namespace mygc
