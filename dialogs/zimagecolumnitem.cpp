#include "zimagecolumnitem.h"

#include "zimage.h"

#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <cmath>

ZImageColumnItem::ZImageColumnItem(const ZImage &image, int column, int rows, int left, int width,
                                   QGraphicsItem *parent)
    : QGraphicsItem(parent)
    , m_image(image)
    , m_column(column)
    , m_rows(qBound(0, rows, image.rows()))
    , m_left(left)
    , m_width(width)
    , m_headerHeight(image.headerHeight())
    , m_rowHeight(image.rowHeight())
{
    // The exposed part comes with the option: a column of thousands of
    // tiles draws only those on screen.
    setFlag(ItemUsesExtendedStyleOption);
}

QRectF ZImageColumnItem::boundingRect() const
{
    return QRectF(0, 0, m_width, m_headerHeight + qreal(m_rowHeight) * m_rows);
}

void ZImageColumnItem::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *)
{
    const QRectF exposed = option ? option->exposedRect : boundingRect();
    const auto draw = [this, painter](const QImage &tile, qreal y) {
        if (m_left == 0 && m_width == tile.width())
            painter->drawImage(QPointF(0, y), tile);
        else
            painter->drawImage(QRectF(0, y, m_width, tile.height()), tile,
                               QRectF(m_left, 0, m_width, tile.height()));
    };
    if (exposed.top() < m_headerHeight)
        draw(m_image.getHeaderPart(m_column), 0);
    if (m_rows == 0 || m_rowHeight <= 0)
        return;
    const qreal top = exposed.top() - m_headerHeight;
    const qreal bottom = exposed.bottom() - m_headerHeight;
    const int first = qMax(0, int(std::floor(top / m_rowHeight)));
    const int last = qMin(m_rows - 1, int(std::floor(bottom / m_rowHeight)));
    for (int r = first; r <= last; ++r)
        draw(m_image.getPart(r, m_column), m_headerHeight + qreal(r) * m_rowHeight);
}
