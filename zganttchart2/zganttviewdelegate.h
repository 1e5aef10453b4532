#pragma once

#include "zganttviewbarstyle.h"

#include <QList>
#include <QStyledItemDelegate>

// Item delegate that can draw one complete Gantt bar item (body, start and
// end point) in a cell; the bar styles dialog derives from it for its
// preview column.
class ZGanttViewDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit ZGanttViewDelegate(QObject *parent = nullptr);

    // Draws one bar item of the style across option.rect: the body over the
    // whole cell width, the start point centred on the left edge and the end
    // point on the right edge. The index is not used.
    void drawGanttChartItem(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index, const ZGanttViewBarStyle &style) const;

protected:
    void init();

    ZGanttViewBarStyle m_style;
    QList<ZGanttViewBarStyle> m_styles;
    int m_currentRow = -1;
};
