// Bar styles, task types and the critical rule of ZGanttView.
#include "zganttview.h"

#include "zganttviewdelegate.h"
#include "ztrackingganttviewdelegate.h"

namespace {

// Baseline bars are off until the user turns them on.
ZGanttViewBarStyle hidden(ZGanttViewBarStyle style)
{
    style.visible = false;
    return style;
}

QColor named(const char *name)
{
    QColor color;
    color.setNamedColor(QString::fromLatin1(name));
    return color;
}

} // namespace

void ZGanttView::setupStyles()
{
    const QColor none;
    const QColor black(Qt::black);
    const char *start = "Start Date";
    const char *finish = "Finish Date";
    const char *actualStart = "Actual Start";
    const char *actualFinish = "Actual Finish";
    QList<ZGanttViewBarStyle> styles;
    styles << makeBarStyle("Task", "", none, 11, 6, named("#99CCFF"), "", none, start, finish)
           << makeBarStyle("Milestone", "Diamond", black, 0, 6, none, "", none, start, finish)
           << makeBarStyle("Summary", "SouthPenta", black, 5, 3, black, "SouthPenta", black, start,
                           finish)
           << makeBarStyle("Actual Task", "", none, 3, 10, named("#0000FF"), "", none, actualStart,
                           actualFinish)
           << makeBarStyle("Actual Milestone", "Diamond", named("#99CCFF"), 0, 6, none, "", none,
                           actualStart, actualFinish)
           << hidden(makeBarStyle("Baseline Task", "", none, 3, 18, named("#666699"), "", none,
                                  start, finish))
           << hidden(makeBarStyle("Baseline Milestone", "Diamond", named("#99CCFF"), 0, 6, none,
                                  "", none, start, finish));
    setBarStyles(styles);
}

QList<ZGanttViewBarStyle> ZGanttView::barStyles() const
{
    return m_barDelegate->barStyles();
}

void ZGanttView::setBarStyles(const QList<ZGanttViewBarStyle> &styles)
{
    if (styles.isEmpty())
        return;
    m_barDelegate->setBarStyles(styles);
    m_linkSpansDirty = true;
    updateTimeRange();
    viewport()->update();
}

void ZGanttView::setTaskTypeColumn(int column)
{
    m_taskTypeColumn = column;
    m_barDelegate->setTaskTypeColumn(column);
    viewport()->update();
}

ZGanttView::TaskType ZGanttView::taskType(const QModelIndex &index) const
{
    const QAbstractItemModel *m = index.model();
    if (!m)
        return NoTaskType;
    if (m->hasChildren(index))
        return TaskTypeSummary;
    const QModelIndex cell =
        index.column() == m_taskTypeColumn ? index : index.sibling(index.row(), m_taskTypeColumn);
    const QString text = cell.data(Qt::DisplayRole).toString();
    if (text.contains(QLatin1String("task"), Qt::CaseInsensitive)
        || text.contains(QLatin1String("level"), Qt::CaseInsensitive))
        return TaskTypeTask;
    if (text.contains(QLatin1String("mile"), Qt::CaseInsensitive))
        return TaskTypeMilestone;
    return NoTaskType;
}

bool ZGanttView::matchTypes(int position, TaskType type) const
{
    switch (type) {
    case TaskTypeSummary:
        return position == 2;
    case TaskTypeMilestone:
        return position == 1 || position == 4 || position == 6;
    case TaskTypeTask:
        return position == 0 || position == 3 || position == 5;
    default:
        return false;
    }
}

bool ZGanttView::isActivityCritical(const QModelIndex &index, int column) const
{
    if (!index.isValid() || column == -1 || !model())
        return false;
    const QModelIndex cell = index.column() == column ? index : index.sibling(index.row(), column);
    const QVariant value = cell.data(Qt::DisplayRole);
    if (value.isNull())
        return false;
    return value.toFloat() <= 0;
}

QColor ZGanttView::getColor(int i) const
{
    if (i < 0)
        return {};
    const int k = i % 6;
    return k < m_colors.size() ? m_colors.at(k) : QColor();
}

void ZGanttView::setTrackingStyle(bool on)
{
    m_trackingStyle = on;
    setItemDelegate(on ? static_cast<QAbstractItemDelegate *>(m_trackingDelegate)
                       : static_cast<QAbstractItemDelegate *>(m_barDelegate));
    viewport()->update();
}
