#include "zsnipgraphicsscene.h"

#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsSceneMouseEvent>
#include <QPen>

namespace {

// How near (in scene units) a point must come to a line to hit it.
constexpr qreal kHitDistance = 3;

} // namespace

ZSnipGraphicsScene::ZSnipGraphicsScene(QObject *parent)
    : QGraphicsScene(parent)
{
}

void ZSnipGraphicsScene::drawLines()
{
    for (int i = 0; i < 2; ++i) {
        delete m_lines[i];
        delete m_shades[i];
        m_lines[i] = nullptr;
        m_shades[i] = nullptr;
    }
    const QRectF rect = sceneRect();
    m_width = int(rect.width());
    m_height = int(rect.height());

    const QPen pen(QColor(255, 165, 0), 5);
    const QBrush shadeBrush(QColor(223, 222, 222, 150), Qt::SolidPattern);
    for (int i = 0; i < 2; ++i) {
        m_lines[i] = addLine(0, 0, 0, m_height, pen);
        m_lines[i]->setFlag(QGraphicsItem::ItemIsMovable);
        m_shades[i] = addRect(QRectF(), QPen(Qt::NoPen), shadeBrush);
    }
    m_lines[1]->setX(m_width);
    m_shades[1]->setX(m_width);
}

QGraphicsLineItem *ZSnipGraphicsScene::line(int i) const
{
    return i == 0 || i == 1 ? m_lines[i] : nullptr;
}

QGraphicsRectItem *ZSnipGraphicsScene::shade(int i) const
{
    return i == 0 || i == 1 ? m_shades[i] : nullptr;
}

bool ZSnipGraphicsScene::isLineUnderCursor(QGraphicsLineItem *line, const QPointF &pos) const
{
    if (!line)
        return false;
    const qreal x = line->x();
    const qreal top = line->y() + qMin(line->line().y1(), line->line().y2());
    const qreal bottom = line->y() + qMax(line->line().y1(), line->line().y2());
    return x - kHitDistance < pos.x() && pos.x() < x + kHitDistance
        && top - kHitDistance < pos.y() && pos.y() < bottom + kHitDistance;
}

int ZSnipGraphicsScene::getLineUnderCursor(const QPointF &pos) const
{
    if (isLineUnderCursor(m_lines[0], pos))
        return 0;
    if (isLineUnderCursor(m_lines[1], pos))
        return 1;
    return -1;
}

QRect ZSnipGraphicsScene::selectedRect() const
{
    if (!m_lines[0] || !m_lines[1])
        return QRect();
    return QRect(QPoint(int(m_lines[0]->x()), 0), QPoint(int(m_lines[1]->x()) - 1, m_height - 1));
}

void ZSnipGraphicsScene::setLinesVisible(bool visible)
{
    for (QGraphicsLineItem *line : m_lines) {
        if (line)
            line->setVisible(visible);
    }
}

void ZSnipGraphicsScene::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    m_activeLine = getLineUnderCursor(event->scenePos());
    if ((event->buttons() & Qt::LeftButton) && m_activeLine >= 0)
        m_dragging = true;
}

void ZSnipGraphicsScene::mouseMoveEvent(QGraphicsSceneMouseEvent *event)
{
    if (!m_dragging) {
        emit cursorUpdated(getLineUnderCursor(event->scenePos()) >= 0);
        return;
    }
    moveActiveLine(event->scenePos().x());
}

void ZSnipGraphicsScene::mouseReleaseEvent(QGraphicsSceneMouseEvent *)
{
    m_dragging = false;
}

void ZSnipGraphicsScene::moveActiveLine(qreal x)
{
    if (m_activeLine < 0 || !m_lines[0] || !m_lines[1])
        return;
    x = qBound<qreal>(0, x, m_width);
    if (m_activeLine == 0)
        x = qMin(x, m_lines[1]->x());
    else
        x = qMax(x, m_lines[0]->x());

    QGraphicsLineItem *line = m_lines[m_activeLine];
    line->setX(x);
    const qreal h = line->line().length();
    if (m_activeLine == 0) {
        m_shades[0]->setRect(0, 0, x, h);
    } else {
        m_shades[1]->setX(x);
        m_shades[1]->setRect(0, 0, m_width - x, h);
    }
}
