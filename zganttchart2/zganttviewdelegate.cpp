#include "zganttviewdelegate.h"

#include "zitempainter.h"

#include "captions.h"
#include "modelhelpers.h"

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
    m_taskTypeColumn = -1;
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

void ZGanttViewDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    const int i = option.type;
    ZGanttViewBarStyle style;
    if (i == -1) {
        // A critical activity: the first style's bar in red.
        if (!m_styles.isEmpty())
            style = m_styles.first();
        style.bodyColor = Qt::red;
    } else if (i >= 0 && i < m_styles.size()) {
        style = m_styles.at(i);
    }
    drawGanttChartItem(painter, option, index, style);
    drawGanttChartText(painter, option, index, style);
}

void ZGanttViewDelegate::drawGanttChartText(QPainter *painter, const QStyleOptionViewItem &option,
                                            const QModelIndex &index,
                                            const ZGanttViewBarStyle &style) const
{
    if (!painter || style.displayColumns.isEmpty())
        return;
    const QRect r = option.rect;
    const QFontMetrics &metrics = option.fontMetrics;
    for (auto it = style.displayColumns.cbegin(); it != style.displayColumns.cend(); ++it) {
        QString text;
        if (index.model()) {
            const int column = columnIndex(index.model(), it.value());
            text = shownText(index.sibling(index.row(), column).data(Qt::DisplayRole).toString());
        }
        const QRect bounds = metrics.boundingRect(text);
        const int w = bounds.right() - bounds.left() + 1;
        QRect t = r;
        t.setRight(r.left() + w);
        int flags = Qt::AlignRight | Qt::AlignVCenter;
        switch (it.key()) {
        case Qt::AlignRight:
            t.setLeft(r.right() + 10);
            t.setRight(r.right() + 10 + w);
            flags = Qt::AlignLeft | Qt::AlignVCenter;
            break;
        case Qt::AlignTop:
            t.setLeft(r.left());
            t.setRight(r.left() + w);
            t.moveBottom(r.top());
            flags = Qt::AlignHCenter | Qt::AlignBottom;
            break;
        case Qt::AlignBottom:
            t.setLeft(r.left());
            t.setRight(r.left() + w);
            t.moveTop(r.bottom());
            flags = Qt::AlignHCenter | Qt::AlignTop;
            break;
        case Qt::AlignCenter: {
            const int h = r.bottom() - r.top();
            t.setLeft((r.left() + r.right()) / 2 - w / 2);
            t.setRight(t.left() + w);
            t.setTop((r.top() + r.bottom()) / 2 - h / 2);
            t.setBottom(t.top() + h);
            flags = Qt::AlignHCenter | Qt::AlignVCenter;
            break;
        }
        default:
            t.setLeft(r.left() - w - 10);
            t.setRight(r.left() - 10);
            break;
        }
        painter->drawText(t, flags, text);
    }
}
