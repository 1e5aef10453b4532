#include "zendpointwidget.h"

#include "zitempainter.h"
#include "zpopupbutton.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// A pixel position to its band: -1 before the first cell, then one band of
// 15 pixels per cell; the last band runs on to the end.
int band(int v, int last)
{
    if (v <= 2)
        return -1;
    return qMin((v - 3) / 15, last);
}

} // namespace

ZEndPointWidget::ZEndPointWidget(QWidget *parent)
    : QWidget(parent)
{
    setupShapes();
    m_selectedIndex = -1;
    resize(60, 45);
    setMouseTracking(true);
}

ZEndPointWidget::ZEndPointWidget(int selected, QWidget *parent)
    : ZEndPointWidget(parent)
{
    m_selectedIndex = selected;
}

QSize ZEndPointWidget::sizeHint() const
{
    return QSize(60, 45);
}

void ZEndPointWidget::setupShapes()
{
    m_shapes.clear();
    m_shapes << QStringLiteral("<None>") << QStringLiteral("Circle") << QStringLiteral("Square")
             << QStringLiteral("Diamond") << QStringLiteral("SouthPenta")
             << QStringLiteral("NorthPenta") << QStringLiteral("EastPenta")
             << QStringLiteral("WestPenta") << QStringLiteral("SouthCone")
             << QStringLiteral("NorthCone") << QStringLiteral("EastCone")
             << QStringLiteral("WestCone");
}

void ZEndPointWidget::setSelectedIndex(int index)
{
    m_selectedIndex = index;
    update();
}

void ZEndPointWidget::setPen(const QPen &pen)
{
    m_pen = pen;
    update();
}

void ZEndPointWidget::drawShape(QPainter *painter, QRect rect, const QString &name, int)
{
    painter->save();
    painter->setPen(m_pen);
    ZItemPainter::drawShape(painter, rect, ZItemPainter::stringToShape(name), 11);
    painter->restore();
}

void ZEndPointWidget::drawShape(QPainter *painter, QRect rect, int index, int size)
{
    drawShape(painter, rect, m_shapes.value(index), size);
}

void ZEndPointWidget::drawSelection(QPainter *painter, QRectF rect)
{
    painter->save();
    painter->setPen(Qt::black);
    painter->drawRect(QRectF(rect.topLeft() - QPointF(2, 2), rect.size() + QSizeF(3, 3)));
    painter->restore();
}

void ZEndPointWidget::drawHover(QPainter *painter, QRectF rect)
{
    drawSelection(painter, rect);
}

int ZEndPointWidget::indexAt(const QPoint &pos)
{
    return 4 * band(pos.y(), 2) + band(pos.x(), 3);
}

void ZEndPointWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPoint cursor = mapFromGlobal(QCursor::pos());
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            const int i = 4 * r + c;
            const QRect cell(QPoint(2 + 15 * c, 2 + 15 * r), QPoint(12 + 15 * c, 12 + 15 * r));
            if (i == m_selectedIndex)
                drawSelection(&painter, QRectF(cell.topLeft(), QSizeF(11, 11)));
            drawShape(&painter, cell, i, 11);
            if (cell.contains(cursor))
                drawHover(&painter, QRectF(cell.topLeft(), QSizeF(11, 11)));
        }
    }
}

void ZEndPointWidget::mouseMoveEvent(QMouseEvent *)
{
    update();
}

void ZEndPointWidget::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint pos = event->localPos().toPoint();
    if (!rect().contains(pos))
        close();
    m_selectedIndex = indexAt(pos);
    update();
    m_picked = true;
    emit selected(m_selectedIndex);
}

void ZEndPointWidget::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        if (m_selectedIndex >= 0 && m_selectedIndex < m_shapes.size()) {
            m_picked = true;
            emit selected(m_selectedIndex);
            return;
        }
    } else if (const int step = gridKeyStep(event, 4)) {
        // A grid without a shape selected starts on its first cell.
        m_selectedIndex = m_selectedIndex < 0 || m_selectedIndex >= m_shapes.size()
            ? 0
            : qBound(0, m_selectedIndex + step, int(m_shapes.size()) - 1);
        update();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ZEndPointWidget::showEvent(QShowEvent *event)
{
    m_shownIndex = m_selectedIndex;
    m_picked = false;
    QWidget::showEvent(event);
}

void ZEndPointWidget::hideEvent(QHideEvent *event)
{
    // Closed by Escape or a click elsewhere: the shape chosen stays.
    if (!m_picked)
        m_selectedIndex = m_shownIndex;
    QWidget::hideEvent(event);
}
