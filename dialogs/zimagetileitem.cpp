#include "zimagetileitem.h"

#include <QPainter>

ZImageTileItem::ZImageTileItem(const QImage &image, QGraphicsItem *parent)
    : QGraphicsItem(parent), m_image(image)
{
}

QRectF ZImageTileItem::boundingRect() const
{
    return QRectF(0, 0, m_image.width(), m_image.height());
}

void ZImageTileItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->drawImage(QPointF(0, 0), m_image);
}
