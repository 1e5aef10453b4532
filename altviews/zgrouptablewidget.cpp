#include "zgrouptablewidget.h"

#include <QMouseEvent>

ZGroupTableWidget::ZGroupTableWidget(QWidget *parent)
    : QTableWidget(parent)
{
    setMouseTracking(true);
}

void ZGroupTableWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!model())
        return;
    const QModelIndex index = indexAt(event->pos());
    if (!index.isValid())
        return;
    viewport()->setCursor(index.column() == 2 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}
