#include "zdatatableview.h"

#include <QPainter>

ZDataTableView::ZDataTableView(QWidget *parent)
    : QTableView(parent)
{
}

void ZDataTableView::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    QAbstractItemModel *m = model();
    if (!m || m->rowCount(rootIndex()) == 0)
        return;
    QStyleOptionViewItem option = viewOptions();
    const QColor gridColor = QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    const QPen gridPen(QBrush(gridColor), 0, gridStyle(), Qt::SquareCap, Qt::BevelJoin);
    QPainter painter(viewport());
    const int last = m->rowCount(rootIndex()) - 1;
    const int columns = m->columnCount(rootIndex());
    for (int c = 0; c < columns; ++c) {
        const QModelIndex index = m->index(last, c, rootIndex());
        const QRect r = visualRect(index);
        const int x1 = r.left();
        const int y1 = r.top();
        const int x2 = r.right();
        const int y2 = r.bottom();
        if (x1 > x2 || y1 > y2 || y2 < 0 || y1 > viewport()->height())
            continue;
        QStyleOptionViewItem cell = viewOptions();
        cell.state = QStyle::State_Enabled | QStyle::State_Item;
        cell.rect = QRect(QPoint(x1, y2), QPoint(x2, 2 * y2 - y1));
        itemDelegate(index)->paint(&painter, cell, index);
        if (showGrid()) {
            const QPen old = painter.pen();
            painter.setPen(gridPen);
            painter.drawRect(QRect(QPoint(x1 - 1, y1 - 1), QPoint(x2, y2)));
            painter.setPen(old);
        }
    }
}
