#include "zganttviewdelegate.h"

#include "zitempainter.h"

#include <QPainter>

namespace {

// End points sit in an 11 x 11 box centred on the bar's edge.
constexpr int kShapeSize = 11;
constexpr int kShapeHalf = 5;

} // namespace

ZGanttViewDelegate::ZGanttViewDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
    init();
}

void ZGanttViewDelegate::init()
{
    m_currentRow = -1;
}

void ZGanttViewDelegate::drawGanttChartItem(QPainter *painter, const QStyleOptionViewItem &option,
                                            const QModelIndex &index,
                                            const ZGanttViewBarStyle &style) const
{
    Q_UNUSED(index)
    Q_ASSERT(painter);
    if (!painter)
        return;
    painter->save();
    ZItemPainter::drawInnerBar(painter, option.rect, QBrush(style.bodyColor, Qt::SolidPattern),
                               style.bodyShapeHeight, style.bodyShapeOffset);
    const int y = option.rect.top() + style.bodyShapeOffset;
    if (style.startPointColor.isValid()) {
        painter->setPen(style.startPointColor);
        const int x = option.rect.left();
        ZItemPainter::drawShape(painter,
                                QRect(QPoint(x - kShapeHalf, y), QPoint(x + kShapeHalf, y + 10)),
                                ZItemPainter::stringToShape(style.startPointShape), kShapeSize);
    }
    if (style.endPointColor.isValid()) {
        painter->setPen(style.endPointColor);
        const int x = option.rect.right();
        ZItemPainter::drawShape(painter,
                                QRect(QPoint(x - kShapeHalf, y), QPoint(x + kShapeHalf, y + 10)),
                                ZItemPainter::stringToShape(style.endPointShape), kShapeSize);
    }
    painter->restore();
}
