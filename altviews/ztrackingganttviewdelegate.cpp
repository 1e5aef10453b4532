#include "ztrackingganttviewdelegate.h"

#include "captions.h"
#include "zitempainter.h"

#include <QPainter>

ZGanttViewBarStyle ZTrackingGanttViewDelegate::m_style;

ZTrackingGanttViewDelegate::ZTrackingGanttViewDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
    init();
}

void ZTrackingGanttViewDelegate::init()
{
    m_style.bodyShapeHeight = 5;
    m_style.bodyShapeOffset = 9;
    m_style.bodyColor = QColor(QStringLiteral("#99CCFF"));
}

void ZTrackingGanttViewDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                       const QModelIndex &index) const
{
    if (!painter)
        return;
    const QRect r = option.rect;
    QString text;
    if (index.model())
        text = shownText(index.sibling(index.row(), m_progressColumn).data(Qt::DisplayRole).toString());
    int progress = 0;
    if (!text.isEmpty() && text.endsWith(QLatin1Char('%')))
        progress = text.left(text.size() - 1).toInt();

    painter->save();
    ZItemPainter::drawInnerBar(painter, r, QBrush(m_style.bodyColor, Qt::SolidPattern),
                               m_style.bodyShapeHeight, m_style.bodyShapeOffset);
    const int done = int(qint64(r.right() + 1 - r.left()) * progress / 100);
    if (done > 0) {
        QRect bar = r;
        bar.setRight(r.left() + done - 1);
        ZItemPainter::drawInnerBar(painter, bar, QBrush(QColor(QStringLiteral("#3b87d4"))),
                                   m_style.bodyShapeHeight, m_style.bodyShapeOffset);
    }
    const QRect bounds = option.fontMetrics.boundingRect(text);
    const int w = bounds.right() - bounds.left() + 1;
    QRect t = r;
    t.setLeft(r.right() + 10);
    t.setRight(r.right() + 10 + w);
    painter->drawText(t, Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->restore();
}
