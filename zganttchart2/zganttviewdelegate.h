#pragma once

#include "zganttviewbarstyle.h"

#include <QList>
#include <QStyledItemDelegate>

// Item delegate that draws Gantt bars: one complete bar item (body, start and
// end point) in a cell, and, for an item-view Gantt view, the bar of a row in
// the style whose position in the bar-style list the option's `type` field
// carries (-1: the first style in red, for a critical activity), with the
// style's label columns around it. The bar styles dialog derives from it for
// its preview column.
class ZGanttViewDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ZGanttViewDelegate(QObject *parent = nullptr);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

    // Draws the style's label columns of the index's row around option.rect.
    void drawGanttChartText(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index, const ZGanttViewBarStyle &style) const;

    QList<ZGanttViewBarStyle> barStyles() const { return m_styles; }
    void setBarStyles(const QList<ZGanttViewBarStyle> &styles) { m_styles = styles; }
    // Model column holding the task type text; -1 for none.
    int taskTypeColumn() const { return m_taskTypeColumn; }
    void setTaskTypeColumn(int column) { m_taskTypeColumn = column; }

    // Draws one bar item of the style across option.rect: the body over the
    // whole cell width, the start point centred on the left edge and the end
    // point on the right edge. The index is not used.
    void drawGanttChartItem(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index, const ZGanttViewBarStyle &style) const;

protected:
    void init();

    int m_taskTypeColumn = -1;
    ZGanttViewBarStyle m_style;
    QList<ZGanttViewBarStyle> m_styles;
};
